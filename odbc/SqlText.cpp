#include "odbc/SqlText.h"

#include "core/Text.h"
#include "odbc/ODBCError.h"

namespace tarvik {

namespace {
bool IsTokenChar(char c) {
    return IsAsciiAlnum(c) || c == '@' || c == '_';
}

[[noreturn]] void InvalidToken() {
    throw EVERODezuzid("Invalid parameter token in SQL statement.");
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}
} // namespace

std::string ParseSQL(const std::string& sql, std::vector<std::string>& names) {
    names.clear();
    std::string out;
    out.reserve(sql.size());
    bool inLiteral = false;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'') {
            // A doubled quote is an escaped quote: it neither opens nor closes a literal.
            if (i + 1 < sql.size() && sql[i + 1] == '\'') {
                out += "''";
                ++i;
            } else {
                out += c;
                inLiteral = !inLiteral;
            }
            continue;
        }
        if (inLiteral || c != ':') {
            out += c;
            continue;
        }
        std::size_t end = i + 1;
        while (end < sql.size() && IsTokenChar(sql[end]))
            ++end;
        if (end == i + 1) InvalidToken();
        names.push_back(sql.substr(i + 1, end - i - 1));
        out += '?';
        i = end - 1;
    }
    return out;
}

std::optional<std::string> CountQuery(const std::string& sql) {
    std::string r = ReplaceAll(sql, "\r\n", " ");
    std::string u = r;
    for (char& c : u) {
        c = UpperAsciiChar(c);
        if (c == ',' || c == '(' || c == ')') c = ' ';
    }
    const std::size_t from = u.find(" FROM ");
    if (from == std::string::npos) return std::nullopt;
    // Counting a grouped query without its GROUP BY would count the rows before grouping,
    // not the groups the query returns: grouped queries are traversed like DISTINCT ones.
    for (const char* word : {" DISTINCT ", " HAVING ", " UNION ", " GROUP "})
        if (u.find(word) != std::string::npos) return std::nullopt;
    const std::size_t order = u.find(" ORDER ");
    if (order != std::string::npos) {
        if (order < from) return std::nullopt;
        r.resize(order);
    }
    return "SELECT Count(*)" + r.substr(from);
}

std::string QuoteIdentifier(const std::string& name) {
    const std::string upper = UpperAscii(name);
    if (upper.find(" AS ") != std::string::npos || upper.find("{FN ") != std::string::npos ||
        name.find('"') != std::string::npos)
        return name;
    if (name.find(' ') != std::string::npos || name.find('$') != std::string::npos) return '"' + name + '"';
    return name;
}

std::string TableFromSQL(const std::string& sql) {
    const std::string r = ReplaceAll(sql, "\r\n", " ");
    const std::size_t from = UpperAscii(r).find(" FROM ");
    if (from == std::string::npos) return std::string();
    const std::string rest = TrimBlanks(std::string_view(r).substr(from + 6));
    return rest.substr(0, rest.find(' '));
}

} // namespace tarvik
