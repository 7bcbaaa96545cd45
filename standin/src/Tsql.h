#pragma once
// Transact-SQL as the engine reads it: tokens, the statements of a batch
// (which need no semicolons between them), and the rewrite of one statement
// into SQLite's dialect.
#include "Cursor.h"

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
};

// Arguments of "EXEC proc a, @b = c" starting at significant token `first`; throws SqlError 102.
std::vector<ExecArg> ParseExecArgs(const Statement& statement, size_t first);

} // namespace standin
