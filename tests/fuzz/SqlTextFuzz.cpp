// The statement text scanner: parameter tokens, the row-count rewrite and the table guess.
#include "odbc/ODBCError.h"
#include "odbc/SqlText.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>

using namespace tarvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string sql = FuzzText(data, size);
    try {
        std::vector<std::string> names;
        const std::string sent = ParseSQL(sql, names);
        // Each token turns into one "?": the text shrinks by the tokens' names and colons.
        std::size_t removed = 0;
        for (const std::string& name : names) {
            Require(!name.empty(), "a parameter name is never empty");
            removed += name.size();
        }
        Require(sent.size() + removed == sql.size(), "only tokens are replaced");
        Require(std::count(sent.begin(), sent.end(), '?') ==
                    std::count(sql.begin(), sql.end(), '?') + static_cast<std::ptrdiff_t>(names.size()),
                "one marker per token");
        std::vector<std::string> again;
        Require(ParseSQL(sent, again) == sent && again.empty(),
                "the sent text has no tokens left outside literals");
    } catch (const EVERODezuzid&) {
    }
    // The count query keeps the character before FROM as written ("f(a))FROM t" gives "…(*))FROM t");
    // a statement that then fails to run is counted by traversal.
    if (const auto count = CountQuery(sql))
        Require(count->rfind("SELECT Count(*)", 0) == 0 && count->size() >= 20,
                "a count query is SELECT Count(*) and a FROM clause");
    const std::string table = TableFromSQL(sql);
    Require(table.find(' ') == std::string::npos, "a table name has no blank");
    QuoteIdentifier(sql);
    return 0;
}
