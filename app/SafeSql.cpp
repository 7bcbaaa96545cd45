#include "SafeSql.h"

#include "Exceptions.h"
#include "Text.h"

#include <cctype>

namespace {
bool IdentifierByte(unsigned char c) {
    // Bytes of 0x80 and above belong to UTF-8 letters of other scripts (č, š, ž).
    return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

[[noreturn]] void Refuse(const std::string& name, const std::string& kind) {
    throw EDatabaseError("Ime " + kind + " ni veljavno: \"" + name + "\"");
}
} // namespace

bool IsPlainIdentifier(const std::string& name) {
    bool partStart = true;
    for (unsigned char c : name) {
        if (c == '.') {
            if (partStart) return false;
            partStart = true;
        } else if (IdentifierByte(c)) {
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
