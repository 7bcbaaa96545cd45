#pragma once
// Transact-SQL as the engine reads it: tokens, the statements of a batch
// (which need no semicolons between them), and the rewrite of one statement
// into SQLite's dialect.
#include "standin/engine/Cursor.h"
#include "standin/engine/Diagnostics.h"

#include <string>
#include <vector>

namespace standin {

enum class Tok { Word, Quoted, String, Number, Variable, Symbol, Space, Comment };

struct Token {
    Tok Kind;
    std::string Raw;  // as written
    std::string Text; // identifier without quotes, string contents unescaped, word upper-cased
    bool National = false;
};

// Splits text into tokens; throws SqlError 105 for an unclosed quote or bracket.
std::vector<Token> Tokenize(const std::string& text);

struct Statement {
    std::vector<Token> Tokens; // whitespace and comments of the edges removed
    // Index of the n-th significant token (not space or comment), or -1.
    int Significant(size_t n) const;
    // Upper-cased word at significant position n, or empty.
    std::string Keyword(size_t n) const;
    std::string Raw() const;
};

// 42000 102 "Incorrect syntax near '…'." at significant position n (the last token when there is none).
SqlError SyntaxNear(const Statement& statement, size_t n);

// Splits a batch into statements at semicolons and where a new statement begins.
std::vector<Statement> SplitBatch(const std::vector<Token>& tokens);

// What a rewrite needs to know about the session.
struct TranslateContext {
    std::string ServerName;
    int Spid = 0;
    std::string DatabaseName;
};

// Rewrites one statement for SQLite: brackets, N'' literals, TOP, GETDATE(), ISNULL, LEN,
// owner prefixes and the @@ variables. Throws SqlError for an undeclared variable.
std::string Translate(const Statement& statement, const TranslateContext& context);

struct ExecArg {
    std::string Name; // without "@", upper-cased; empty for a positional argument
    Value Val;
    bool Output = false;  // OUTPUT after the value, or a call escape's marker bound for output
    bool Default = false; // DEFAULT, or an empty place of a call escape
    size_t Marker = 0;    // the "?" marker (1-based number) the value comes from; 0 for none
    std::string Variable; // the variable the value comes from (upper-cased, with "@"); empty for none
};

// Reads one argument value (a literal, DEFAULT, a marker or a variable) starting at tokens[i]
// into a; returns the index of its last token. Throws SqlError 102.
size_t ReadArgValue(const std::vector<Token>& tokens, size_t i, ExecArg& a);

// Arguments of "EXEC proc a, @b = c OUTPUT" starting at significant token `first`; throws SqlError 102.
std::vector<ExecArg> ParseExecArgs(const Statement& statement, size_t first);

// The ODBC call escape "{[? =] call name[(arg, ...)]}".
struct CallEscape {
    size_t ReturnMarker = 0; // the marker before "=", 0 for none
    std::string Name;        // without database and owner prefixes
    std::vector<ExecArg> Args;
};

// Reads a call escape; throws SqlError 102 for anything else.
CallEscape ParseCallEscape(const Statement& statement);

// Name at significant token `at` with its database and owner prefixes ("db.dbo.name", "db..name")
// skipped; `next` becomes the significant position after it. Throws SqlError 102 when there is none.
std::string QualifiedNameAt(const Statement& statement, size_t at, size_t& next);

} // namespace standin
