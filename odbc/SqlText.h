#pragma once
// Pure text work on statement SQL: parameter tokens and the row-count rewrite.
#include <optional>
#include <string>
#include <vector>

namespace tarvik {

// The text sent to the driver: every :name token outside single-quoted literals becomes "?",
// and names receives the token names in order (cleared first; repeats are listed again).
// Throws EVERODezuzid "Invalid parameter token in SQL statement." for a colon with no name.
std::string ParseSQL(const std::string& sql, std::vector<std::string>& names);

// "SELECT Count(*) FROM ..." counting the rows of a query, or nothing when the text has no
// " FROM " or has DISTINCT, HAVING, UNION or GROUP (those need the rows traversed).
// CR LF pairs become blanks and an ORDER BY tail is dropped.
std::optional<std::string> CountQuery(const std::string& sql);

// A column or table name as generated row statements write it: left alone when it is an
// expression (" AS ", "{fn ") or already holds a double quote; in double quotes when it holds a
// blank or "$"; otherwise unchanged.
std::string QuoteIdentifier(const std::string& name);

// The table a query reads, guessed from its text: the word after the first " FROM " (CR LF
// pairs count as blanks); empty when there is none.
std::string TableFromSQL(const std::string& sql);

} // namespace tarvik
