#include "app/SafeSql.h"

#include "core/Exceptions.h"
#include "core/Text.h"

#include <cstdint>

namespace tarvik {

namespace {
bool AsciiIdentifierByte(unsigned char c) {
    return IsAsciiAlnum(static_cast<char>(c)) || c == '_' || c == '@' || c == '#' || c == '$';
}

// Letters beyond ASCII that names of this system's users hold: Latin (č, š, ž, đ, ć and the rest of
// Latin-1 and Latin Extended-A/B, without × and ÷), Greek and Cyrillic. Anything else, symbols that a
// server's code-page conversion may turn into quotes or separators (the full-width ' and ;), line
// and paragraph separators, invalid UTF-8, is not part of a plain name.
bool IdentifierLetter(std::uint32_t c) {
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
    return (c >= 0x370 && c <= 0x3FF) || (c >= 0x400 && c <= 0x4FF);
}

[[noreturn]] void Refuse(const std::string& name, const std::string& kind) {
    throw EDatabaseError("Ime " + kind + " ni veljavno: \"" + name + "\"");
}
} // namespace

bool IsPlainIdentifier(const std::string& name) {
    bool partStart = true;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        std::uint32_t letter = c;
        i += c >= 0x80 ? DecodeUtf8(name, i, letter) : 1;
        if (c == '.') {
            if (partStart) return false;
            partStart = true;
        } else if (AsciiIdentifierByte(c) || (c >= 0x80 && IdentifierLetter(letter))) {
            partStart = false;
        } else {
            return false;
        }
    }
    return !partStart;
}

bool IsBracketableName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (c == ']' || c < 0x20 || c == 0x7f) return false;
    return true;
}

bool IsQuotableValue(const std::string& value) {
    for (unsigned char c : value)
        if (c == '\'' || c < 0x20 || c == 0x7f) return false;
    return true;
}

void RequireQuotableValue(const std::string& value, const std::string& kind) {
    if (!IsQuotableValue(value)) Refuse(value, kind);
}

void RequirePlainIdentifier(const std::string& name, const std::string& kind) {
    if (!IsPlainIdentifier(name)) Refuse(name, kind);
}

void RequireBracketableName(const std::string& name, const std::string& kind) {
    if (!IsBracketableName(name)) Refuse(name, kind);
}

std::string DuplicateKeyStatement(const std::string& table, const std::string& fields, int& keyCount) {
    RequirePlainIdentifier(table, "tabele");
    std::string list;
    keyCount = 0;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = fields.find(';', start);
        const std::string field =
            fields.substr(start, end == std::string::npos ? std::string::npos : end - start);
        RequirePlainIdentifier(TrimBlanks(field), "polja");
        list += (keyCount++ ? ", " : "") + field;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return "SELECT " + list + ", COUNT(*) AS Stevilo FROM " + table + " GROUP BY " + list +
           " HAVING COUNT(*) > 1";
}

} // namespace tarvik
