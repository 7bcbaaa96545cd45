#include "SafeSql.h"

#include "Exceptions.h"
#include "Text.h"

#include <cctype>

namespace {
bool AsciiIdentifierByte(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$';
}

// Letters beyond ASCII that names of this system's users hold: Latin (č, š, ž, đ, ć and the rest of
// Latin-1 and Latin Extended-A/B, without × and ÷), Greek and Cyrillic. Anything else, symbols that a
// server's code-page conversion may turn into quotes or separators (the full-width ' and ;), line
// and paragraph separators, invalid UTF-8, is not part of a plain name.
bool IdentifierLetter(char32_t c) {
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
    return (c >= 0x370 && c <= 0x3FF) || (c >= 0x400 && c <= 0x4FF);
}

// Decodes one UTF-8 sequence of two or three bytes at name[i]; advances i past it; false when invalid.
bool NextLetter(const std::string& name, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(name[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
    if (length == 0 || i + length > name.size()) return false;
    char32_t c = lead & (length == 2 ? 0x1F : 0x0F);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return false;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    i += length;
    return IdentifierLetter(c);
}

[[noreturn]] void Refuse(const std::string& name, const std::string& kind) {
    throw EDatabaseError("Ime " + kind + " ni veljavno: \"" + name + "\"");
}
} // namespace

bool IsPlainIdentifier(const std::string& name) {
    bool partStart = true;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '.') {
            if (partStart) return false;
            partStart = true;
            ++i;
        } else if (AsciiIdentifierByte(c)) {
            partStart = false;
            ++i;
        } else if (c >= 0x80 && NextLetter(name, i)) {
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
