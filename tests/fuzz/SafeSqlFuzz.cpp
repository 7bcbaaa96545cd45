// The checks that stand between names from the server's data and the statement texts they go into.
#include "app/SafeSql.h"
#include "tests/fuzz/FuzzCheck.h"

#include "core/Exceptions.h"

#include <cstring>

using namespace tarvik;

namespace {
// No control character and none of the characters that would end the name's place in the statement.
bool Contained(const std::string& text, const char* closing) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f || std::strchr(closing, c)) return false;
    return true;
}

// What may never reach SQL outside quotes or brackets: a comment, besides Contained's.
bool Harmless(const std::string& text, const char* closing) {
    return Contained(text, closing) && text.find("--") == std::string::npos &&
           text.find("/*") == std::string::npos;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = FuzzText(data, size);
    if (IsPlainIdentifier(text)) Require(Harmless(text, "'\"[]();,= +-*/"), "a plain name is one name");
    if (IsBracketableName(text))
        Require(!text.empty() && Contained(text, "]"), "a bracketed name stays in brackets");
    if (IsQuotableValue(text)) Require(Contained(text, "'"), "a quoted value stays quoted");
    // The first line names the table, the rest the ";"-separated key fields.
    const std::size_t split = text.find('\n');
    const std::string table = text.substr(0, split);
    const std::string fields = split == std::string::npos ? std::string() : text.substr(split + 1);
    try {
        int keys = 0;
        const std::string statement = DuplicateKeyStatement(table, fields, keys);
        Require(keys >= 1 && Harmless(statement, "'\"[];"), "the duplicate-key query is one statement");
    } catch (const EDatabaseError&) {
    }
    return 0;
}
