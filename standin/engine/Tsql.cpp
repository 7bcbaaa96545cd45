#include "standin/engine/Tsql.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "standin/engine/Diagnostics.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <set>

using namespace tarvik;

namespace standin {

namespace {

bool IsWordStart(unsigned char c) {
    return IsAsciiAlpha(static_cast<char>(c)) || c == '_' || c == '#' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
    return IsAsciiAlnum(static_cast<char>(c)) || c == '_' || c == '#' || c == '$' || c >= 0x80;
}
bool IsHexDigit(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

SqlError Unclosed(const std::string& rest) {
    return SqlError("42000", 105, "Unclosed quotation mark after the character string '" + rest + "'.");
}

// Reads a quoted run starting at text[i] (the opening quote); returns the index after it.
size_t Quoted(const std::string& text, size_t i, char close, std::string& content) {
    size_t j = i + 1;
    for (;;) {
        if (j >= text.size()) throw Unclosed(content);
        if (text[j] == close) {
            if (j + 1 < text.size() && text[j + 1] == close) {
                content += close;
                j += 2;
                continue;
            }
            return j + 1;
        }
        content += text[j++];
    }
}

bool Significant(const Token& t) {
    return t.Kind != Tok::Space && t.Kind != Tok::Comment;
}

bool IsWord(const Token& t, const char* w) {
    return t.Kind == Tok::Word && t.Text == w;
}

} // namespace

std::vector<Token> Tokenize(const std::string& text) {
    std::vector<Token> out;
    size_t i = 0, n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t start = i;
        Token t{Tok::Symbol, {}, {}};
        if (IsAsciiSpace(static_cast<char>(c))) {
            while (i < n && IsAsciiSpace(text[i]))
                ++i;
            t.Kind = Tok::Space;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            while (i < n && text[i] != '\n')
                ++i;
            t.Kind = Tok::Comment;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            auto end = text.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
            t.Kind = Tok::Comment;
        } else if ((c == 'N' || c == 'n') && i + 1 < n && text[i + 1] == '\'') {
            t.Kind = Tok::String;
            t.National = true;
            i = Quoted(text, i + 1, '\'', t.Text);
        } else if (c == '\'') {
            t.Kind = Tok::String;
            i = Quoted(text, i, '\'', t.Text);
        } else if (c == '[') {
            t.Kind = Tok::Quoted;
            i = Quoted(text, i, ']', t.Text);
        } else if (c == '"') {
            t.Kind = Tok::Quoted;
            i = Quoted(text, i, '"', t.Text);
        } else if (c == '@') {
            ++i;
            if (i < n && text[i] == '@') ++i;
            while (i < n && IsWordChar(static_cast<unsigned char>(text[i])))
                ++i;
            t.Kind = Tok::Variable;
            t.Text = UpperAscii(text.substr(start, i - start));
        } else if (IsAsciiDigit(static_cast<char>(c)) ||
                   (c == '.' && i + 1 < n && IsAsciiDigit(text[i + 1]))) {
            if (c == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
                i += 2;
                while (i < n && IsHexDigit(text[i]))
                    ++i;
            } else {
                while (i < n && (IsAsciiDigit(text[i]) || text[i] == '.'))
                    ++i;
                if (i < n && (text[i] == 'e' || text[i] == 'E')) {
                    ++i;
                    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
                    while (i < n && IsAsciiDigit(text[i]))
                        ++i;
                }
            }
            t.Kind = Tok::Number;
        } else if (IsWordStart(c)) {
            while (i < n && IsWordChar(static_cast<unsigned char>(text[i])))
                ++i;
            t.Kind = Tok::Word;
            t.Text = UpperAscii(text.substr(start, i - start));
        } else {
            static const char* pairs[] = {"<=", ">=", "<>", "!=", "||", "!<", "!>"};
            i += 1;
            for (const char* p : pairs)
                if (text.compare(start, 2, p) == 0) i = start + 2;
            t.Kind = Tok::Symbol;
        }
        t.Raw = text.substr(start, i - start);
        if (t.Kind == Tok::Symbol || t.Kind == Tok::Number) t.Text = t.Raw;
        out.push_back(std::move(t));
    }
    return out;
}

int Statement::Significant(size_t n) const {
    size_t seen = 0;
    for (size_t i = 0; i < Tokens.size(); ++i) {
        if (!standin::Significant(Tokens[i])) continue;
        if (seen++ == n) return static_cast<int>(i);
    }
    return -1;
}

std::string Statement::Keyword(size_t n) const {
    int i = Significant(n);
    return i >= 0 && Tokens[i].Kind == Tok::Word ? Tokens[i].Text : std::string();
}

SqlError SyntaxNear(const Statement& st, size_t n) {
    int i = st.Significant(n);
    std::string near = i < 0 ? st.Tokens.back().Raw : st.Tokens[i].Raw;
    return SqlError("42000", 102, "Incorrect syntax near '" + near + "'.");
}

std::string Statement::Raw() const {
    std::string s;
    for (const auto& t : Tokens)
        s += t.Raw;
    return s;
}

namespace {

// Decides, token by token, where one statement of a batch ends and the next begins.
class Splitter {
public:
    std::vector<Statement> Run(const std::vector<Token>& tokens) {
        for (size_t i = 0; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            if (t.Kind == Tok::Symbol && t.Raw == ";") {
                Flush();
                continue;
            }
            if (Significant(t)) {
                if (FDepth == 0 && StartsStatement(t, tokens, i)) Flush();
                Track(t);
            }
            FCurrent.Tokens.push_back(t);
        }
        Flush();
        return std::move(FOut);
    }

private:
    bool StartsStatement(const Token& t, const std::vector<Token>& tokens, size_t i) {
        if (t.Kind != Tok::Word || FKind.empty()) return false;
        static const std::set<std::string> always = {"INSERT", "EXEC",    "EXECUTE",   "USE",    "TRUNCATE",
                                                     "CREATE", "DECLARE", "PRINT",     "COMMIT", "GRANT",
                                                     "REVOKE", "RETURN",  "RAISERROR", "WHILE"};
        const std::string& w = t.Text;
        if (w == "IF")
            return FPrev != "TABLE" && FPrev != "VIEW" && FPrev != "INDEX" && FPrev != "PROCEDURE" &&
                   FPrev != "PROC";
        if (w == "DELETE" || w == "UPDATE") return FPrev != "ON" && FPrev != "FOR" && FPrev != "OF";
        if (w == "DROP") return FKind != "ALTER";
        if (w == "ALTER") return true;
        if (w == "ROLLBACK" || w == "BEGIN") return FKind != "CREATE";
        if (w == "SET") return FKind != "UPDATE" && FPrev != "DELETE" && FPrev != "UPDATE";
        if (w == "SELECT") {
            if (FPrev == "UNION" || FPrev == "ALL" || FPrev == "EXCEPT" || FPrev == "INTERSECT" ||
                FPrev == "AS")
                return false;
            return !FExpectsQuery;
        }
        if (w == "WITH") {
            for (size_t j = i + 1; j < tokens.size(); ++j)
                if (Significant(tokens[j]))
                    return tokens[j].Kind == Tok::Word || tokens[j].Kind == Tok::Quoted;
            return false;
        }
        if (w == "VALUES") return false;
        return always.count(w) != 0;
    }

    void Track(const Token& t) {
        if (t.Kind == Tok::Symbol && t.Raw == "(") ++FDepth;
        if (t.Kind == Tok::Symbol && t.Raw == ")" && FDepth > 0) --FDepth;
        std::string w = t.Kind == Tok::Word ? t.Text : std::string();
        if (FKind.empty()) {
            FKind = w.empty() ? "?" : w;
            FExpectsQuery = w == "INSERT" || w == "WITH" || w == "CREATE";
        } else if (FDepth == 0 && (w == "SELECT" || w == "VALUES" || w == "EXEC" || w == "EXECUTE")) {
            FExpectsQuery = false;
        }
        FPrev = w.empty() ? t.Raw : w;
    }

    void Flush() {
        auto& v = FCurrent.Tokens;
        while (!v.empty() && !Significant(v.back()))
            v.pop_back();
        size_t lead = 0;
        while (lead < v.size() && v[lead].Kind == Tok::Space)
            ++lead;
        v.erase(v.begin(), v.begin() + static_cast<long>(lead));
        if (FCurrent.Significant(0) >= 0) FOut.push_back(std::move(FCurrent));
        FCurrent = Statement{};
        FKind.clear();
        FPrev.clear();
        FDepth = 0;
        FExpectsQuery = false;
    }

    std::vector<Statement> FOut;
    Statement FCurrent;
    std::string FKind, FPrev;
    int FDepth = 0;
    bool FExpectsQuery = false;
};

std::string QuoteIdent(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string QuoteString(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// Index of the next significant token after i, or the size.
size_t NextSig(const std::vector<Token>& v, size_t i) {
    for (size_t j = i + 1; j < v.size(); ++j)
        if (Significant(v[j])) return j;
    return v.size();
}

bool IsSymbol(const std::vector<Token>& v, size_t i, const char* s) {
    return i < v.size() && v[i].Kind == Tok::Symbol && v[i].Raw == s;
}

bool IsCharacterType(const Token& t) {
    static const std::set<std::string> types = {"CHAR", "VARCHAR", "NCHAR",  "NVARCHAR",
                                                "TEXT", "NTEXT",   "SYSNAME"};
    return t.Kind == Tok::Word && types.count(t.Text) != 0;
}

bool IsOwner(const Token& t) {
    return (t.Kind == Tok::Word && t.Text == "DBO") || (t.Kind == Tok::Quoted && UpperAscii(t.Text) == "DBO");
}

} // namespace

std::vector<Statement> SplitBatch(const std::vector<Token>& tokens) {
    // A procedure's definition takes the whole batch: its body holds statements of its own.
    Statement whole;
    whole.Tokens = tokens;
    std::string k0 = whole.Keyword(0), k1 = whole.Keyword(1);
    if ((k0 == "CREATE" || k0 == "ALTER") && (k1 == "PROCEDURE" || k1 == "PROC")) {
        auto edge = [](const Token& t) { return !Significant(t) || (t.Kind == Tok::Symbol && t.Raw == ";"); };
        while (!whole.Tokens.empty() && edge(whole.Tokens.back()))
            whole.Tokens.pop_back();
        whole.Tokens.erase(whole.Tokens.begin(), whole.Tokens.begin() + whole.Significant(0));
        return {whole};
    }
    return Splitter().Run(tokens);
}

std::string Translate(const Statement& statement, const TranslateContext& context) {
    const auto& v = statement.Tokens;
    std::string out;
    // A TOP becomes a LIMIT at the end of its own query: the whole statement, or the subquery whose
    // parenthesis closes at the depth where it stood.
    std::map<int, std::string> limits;
    // Character columns compare ignoring case, as under the server's case-insensitive collation.
    bool createTable = statement.Keyword(0) == "CREATE" && statement.Keyword(1) == "TABLE";
    int depth = 0, collateAtDepth = -1;
    size_t skipUntil = 0, prevSig = v.size();
    for (size_t i = 0; i < v.size(); ++i) {
        if (i < skipUntil) continue;
        const Token& t = v[i];
        size_t next = NextSig(v, i);
        const size_t before = prevSig;
        if (Significant(t)) {
            bool afterName =
                prevSig < v.size() && (v[prevSig].Kind == Tok::Word || v[prevSig].Kind == Tok::Quoted);
            prevSig = i;
            if (t.Kind == Tok::Symbol && t.Raw == "(") ++depth;
            if (t.Kind == Tok::Symbol && t.Raw == ")") {
                if (auto it = limits.find(depth); it != limits.end()) {
                    out += " LIMIT " + it->second;
                    limits.erase(it);
                }
                --depth;
                if (depth == collateAtDepth) {
                    out += ") COLLATE NOCASE";
                    collateAtDepth = -1;
                    continue;
                }
            }
            if (createTable && depth == 1 && afterName && IsCharacterType(t)) {
                out += t.Raw;
                if (IsSymbol(v, next, "("))
                    collateAtDepth = depth;
                else
                    out += " COLLATE NOCASE";
                continue;
            }
        }
        if (IsWord(t, "TOP") && before < v.size() &&
            (IsWord(v[before], "SELECT") || IsWord(v[before], "DISTINCT") || IsWord(v[before], "ALL")) &&
            !limits.count(depth)) {
            size_t n1 = next;
            if (IsSymbol(v, n1, "(")) {
                size_t close = NextSig(v, NextSig(v, n1));
                limits[depth] = v[NextSig(v, n1)].Raw;
                skipUntil = close + 1;
            } else if (n1 < v.size()) {
                limits[depth] = v[n1].Raw;
                skipUntil = n1 + 1;
            }
            size_t after = NextSig(v, skipUntil - 1);
            if (after < v.size() && IsWord(v[after], "PERCENT")) skipUntil = after + 1;
            continue;
        }
        if ((IsOwner(t)) && IsSymbol(v, next, ".")) { // dbo.x
            skipUntil = next + 1;
            continue;
        }
        if ((t.Kind == Tok::Word || t.Kind == Tok::Quoted) && IsSymbol(v, next, ".")) {
            size_t after = NextSig(v, next);
            if (IsSymbol(v, after, ".")) { // db..x
                skipUntil = after + 1;
                continue;
            }
            bool current =
                UpperAscii(t.Kind == Tok::Word ? t.Raw : t.Text) == UpperAscii(context.DatabaseName);
            if (current && after < v.size() && IsOwner(v[after]) && IsSymbol(v, NextSig(v, after), ".")) {
                skipUntil = NextSig(v, after) + 1; // db.dbo.x of the current database
                continue;
            }
        }
        switch (t.Kind) {
        case Tok::Quoted:
            out += QuoteIdent(t.Text);
            break;
        case Tok::String:
            out += QuoteString(t.Text);
            break;
        case Tok::Variable:
            if (t.Text == "@@SERVERNAME")
                out += QuoteString(context.ServerName);
            else if (t.Text == "@@SPID")
                out += std::to_string(context.Spid);
            else if (t.Text == "@@VERSION")
                out += "'Microsoft SQL Server 2000 - 8.00.2039 (Tarvik stand-in)'";
            else if (t.Text == "@@ROWCOUNT")
                out += "changes()";
            else if (t.Text == "@@IDENTITY")
                out += "last_insert_rowid()";
            else if (t.Text == "@@ERROR" || t.Text == "@@TRANCOUNT")
                out += "0";
            else if (t.Text == "@@LANGUAGE")
                out += "'us_english'";
            else
                throw SqlError("42000", 137, "Must declare the scalar variable \"" + t.Raw + "\".");
            break;
        case Tok::Word:
            if (t.Text == "GETDATE" && IsSymbol(v, next, "(") && IsSymbol(v, NextSig(v, next), ")")) {
                out += "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";
                skipUntil = NextSig(v, next) + 1;
            } else if (t.Text == "ISNULL" && IsSymbol(v, next, "(")) {
                out += "IFNULL";
            } else if (t.Text == "LEN" && IsSymbol(v, next, "(")) {
                out += "LENGTH";
            } else if (t.Text == "CLUSTERED" || t.Text == "NONCLUSTERED") {
                // index kinds have no meaning for SQLite
            } else if (t.Text == "IDENTITY" && IsSymbol(v, next, "(")) {
                size_t j = next;
                while (j < v.size() && !IsSymbol(v, j, ")"))
                    ++j;
                skipUntil = j + 1;
            } else {
                out += t.Raw;
            }
            break;
        case Tok::Number:
            if (t.Raw.size() > 1 && (t.Raw[1] == 'x' || t.Raw[1] == 'X')) { // 0x... binary literal
                std::string hex = t.Raw.substr(2);
                out += "X'" + (hex.size() % 2 ? "0" + hex : hex) + "'";
            } else {
                out += t.Raw;
            }
            break;
        default:
            out += t.Raw;
        }
    }
    if (auto it = limits.find(0); it != limits.end()) out += " LIMIT " + it->second;
    return out;
}

namespace {

SqlError SyntaxAt(const std::vector<Token>& v, size_t i) {
    const Token& t = i < v.size() ? v[i] : v.back();
    return SqlError("42000", 102, "Incorrect syntax near '" + t.Raw + "'.");
}

bool IsMarker(const Token& t) {
    return t.Kind == Tok::Symbol && t.Raw.size() > 1 && t.Raw[0] == '?';
}

// A number literal given as an argument. Beyond bigint it is read as float (the server reads it as
// numeric); beyond float's range it is the server's overflow error.
// Too big for bigint the server takes a literal as a decimal; beyond float's range it overflows.
Value NumberArgument(const std::vector<Token>& v, size_t at, bool negative) {
    const std::string& raw = v[at].Raw;
    const std::string text = (negative ? "-" : "") + raw;
    const char* const end = text.data() + text.size();
    if (raw.find_first_of(".eE") == std::string::npos) {
        long long n = 0;
        const auto [p, ec] = std::from_chars(text.data(), end, n);
        if (ec == std::errc() && p == end) return Value::Integer(n);
    }
    double d = 0;
    const auto [p, ec] = std::from_chars(text.data(), end, d);
    if (ec == std::errc::result_out_of_range)
        throw SqlError("22003", 8115, "Arithmetic overflow error converting expression to data type float.");
    if (ec != std::errc() || p != end) throw SyntaxAt(v, at);
    return Value::Float(d);
}

} // namespace

size_t ReadArgValue(const std::vector<Token>& v, size_t i, ExecArg& a) {
    bool negative = IsSymbol(v, i, "-");
    size_t at = negative ? NextSig(v, i) : i;
    if (at >= v.size()) throw SyntaxAt(v, i);
    const Token& val = v[at];
    if (val.Kind == Tok::Number) {
        a.Val = NumberArgument(v, at, negative);
    } else if (negative) {
        throw SyntaxAt(v, at);
    } else if (val.Kind == Tok::String) {
        a.Val = Value::String(val.Text);
    } else if (val.Kind == Tok::Word && val.Text == "NULL") {
        a.Val = Value::Null();
    } else if (val.Kind == Tok::Word && val.Text == "DEFAULT") {
        a.Default = true;
    } else if (IsMarker(val)) {
        a.Marker = std::strtoul(val.Raw.c_str() + 1, nullptr, 10);
    } else if (val.Kind == Tok::Variable && val.Text.rfind("@@", 0) != 0) {
        a.Variable = val.Text;
    } else if (val.Kind == Tok::Word || val.Kind == Tok::Quoted) {
        a.Val = Value::String(val.Kind == Tok::Word ? val.Raw : val.Text);
    } else {
        throw SyntaxAt(v, at);
    }
    return at;
}

std::vector<ExecArg> ParseExecArgs(const Statement& statement, size_t first) {
    std::vector<ExecArg> args;
    const auto& v = statement.Tokens;
    int start = statement.Significant(first);
    if (start < 0) return args;
    size_t i = static_cast<size_t>(start);
    while (i < v.size()) {
        ExecArg a;
        if (v[i].Kind == Tok::Variable && IsSymbol(v, NextSig(v, i), "=")) {
            a.Name = v[i].Text.substr(1);
            i = NextSig(v, NextSig(v, i));
            if (i >= v.size()) throw SyntaxAt(v, i);
        }
        i = NextSig(v, ReadArgValue(v, i, a));
        if (i < v.size() && v[i].Kind == Tok::Word && (v[i].Text == "OUTPUT" || v[i].Text == "OUT")) {
            a.Output = true;
            i = NextSig(v, i);
        }
        args.push_back(std::move(a));
        if (i >= v.size()) break;
        if (!IsSymbol(v, i, ",")) throw SyntaxAt(v, i);
        i = NextSig(v, i);
        if (i >= v.size()) throw SyntaxAt(v, v.size() - 1);
    }
    return args;
}

std::string QualifiedNameAt(const Statement& st, size_t at, size_t& next) {
    // The name may carry database and owner prefixes: master.dbo.sp_who, Vidrol..p.
    size_t n = at;
    for (;;) {
        int i = st.Significant(n);
        if (i < 0 || (st.Tokens[i].Kind != Tok::Word && st.Tokens[i].Kind != Tok::Quoted))
            throw SyntaxAt(st.Tokens, i < 0 ? st.Tokens.size() - 1 : static_cast<size_t>(i));
        std::string name = st.Tokens[i].Kind == Tok::Word ? st.Tokens[i].Raw : st.Tokens[i].Text;
        int dot = st.Significant(n + 1);
        if (dot < 0 || st.Tokens[dot].Raw != ".") {
            next = n + 1;
            return name;
        }
        n += 2;
        while (st.Significant(n) >= 0 && st.Tokens[st.Significant(n)].Raw == ".")
            ++n;
    }
}

CallEscape ParseCallEscape(const Statement& statement) {
    CallEscape call;
    const auto& v = statement.Tokens;
    auto sig = [&](size_t n) { return statement.Significant(n); };
    auto bad = [&](size_t n) { return SyntaxNear(statement, n); };
    size_t n = 1;
    if (sig(n) >= 0 && IsMarker(v[sig(n)])) {
        call.ReturnMarker = std::strtoul(v[sig(n)].Raw.c_str() + 1, nullptr, 10);
        if (sig(n + 1) < 0 || v[sig(n + 1)].Raw != "=") throw bad(n + 1);
        n += 2;
    }
    if (statement.Keyword(n) != "CALL") throw bad(n);
    call.Name = QualifiedNameAt(statement, n + 1, n);
    int i = sig(n);
    if (i >= 0 && v[i].Raw == "(") {
        size_t at = NextSig(v, static_cast<size_t>(i));
        bool expectValue = true;
        while (at < v.size() && !IsSymbol(v, at, ")")) {
            if (IsSymbol(v, at, ",")) {
                if (expectValue) call.Args.push_back(ExecArg{{}, {}, false, true, 0, {}});
                expectValue = true;
                at = NextSig(v, at);
                continue;
            }
            if (!expectValue) throw SyntaxAt(v, at);
            ExecArg a;
            at = NextSig(v, ReadArgValue(v, at, a));
            call.Args.push_back(std::move(a));
            expectValue = false;
        }
        if (at >= v.size()) throw SyntaxAt(v, v.size() - 1);
        if (expectValue && !call.Args.empty()) call.Args.push_back(ExecArg{{}, {}, false, true, 0, {}});
        i = static_cast<int>(NextSig(v, at));
    }
    if (i < 0 || static_cast<size_t>(i) >= v.size() || v[i].Raw != "}" || NextSig(v, i) < v.size())
        throw SyntaxAt(v, i < 0 ? v.size() - 1 : std::min(static_cast<size_t>(i), v.size() - 1));
    return call;
}

} // namespace standin
