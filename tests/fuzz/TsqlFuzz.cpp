// The stand-in's Transact-SQL reader: tokens, batch splitting, the rewrite for SQLite and the
// EXEC and call-escape argument lists. Syntax errors are answers; anything else is a finding.
#include "standin/engine/Tsql.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace tarvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace standin;
    const std::string text = FuzzText(data, size);
    std::vector<Token> tokens;
    try {
        tokens = Tokenize(text);
    } catch (const SqlError&) {
        return 0;
    }
    std::string joined;
    for (const Token& t : tokens)
        joined += t.Raw;
    Require(joined == text, "the tokens spell the text");
    const TranslateContext context{"TARVIKTEST", 51, "Vidrol"};
    for (const Statement& statement : SplitBatch(tokens)) {
        try {
            Translate(statement, context);
        } catch (const SqlError&) {
        }
        // Every statement as if it were an EXEC and as if it were a call escape.
        try {
            size_t next = 0;
            QualifiedNameAt(statement, 1, next);
            ParseExecArgs(statement, next);
        } catch (const SqlError&) {
        }
        try {
            ParseCallEscape(statement);
        } catch (const SqlError&) {
        }
    }
    return 0;
}
