#pragma once
// Names that reach statement texts from the server's own data (catalog table names,
// MorvinaIndex rows) must never turn one statement into several: they are checked
// before anything is sent.
#include <string>
#include <vector>

namespace tarvik {

// A name used bare in a statement: letters (ASCII, Latin, Greek, Cyrillic), digits, _ @ # $, with single dots
// between parts.
bool IsPlainIdentifier(const std::string& name);
// A name placed between [ and ]: not empty, no closing bracket and no control character.
bool IsBracketableName(const std::string& name);
// A value placed between N' and ': no quote and no control character.
bool IsQuotableValue(const std::string& value);
// Throws EDatabaseError naming the kind ("baze") and the value when IsQuotableValue fails.
void RequireQuotableValue(const std::string& value, const std::string& kind);
// Throws EDatabaseError naming the kind ("tabele", "polja") and the name when IsPlainIdentifier fails.
void RequirePlainIdentifier(const std::string& name, const std::string& kind);
// Throws EDatabaseError when IsBracketableName fails.
void RequireBracketableName(const std::string& name, const std::string& kind);

// The duplicate-key query of a table and its ";"-separated key fields, and the number of key fields.
// Throws EDatabaseError for a table or field name that is not a plain identifier (an empty field included).
std::string DuplicateKeyStatement(const std::string& table, const std::string& fields, int& keyCount);

} // namespace tarvik
