#pragma once
// A fuzz input is a table and its companion file: 4 bytes (little-endian) giving the table file's
// length, the table file, then the memo file.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvik {

// Writes the input as stem + tableExt and stem + memoExt (and stem + otherMemoExt, when given) in a
// private directory; returns the table path.
std::string UnpackFuzzInput(const std::uint8_t* data, std::size_t size, const char* tableExt,
                            const char* memoExt, const char* otherMemoExt = nullptr);
// Opens the table and reads every value of every row; the errors the reader raises are expected.
void ReadWholeTable(const std::string& path);
std::string PackFuzzInput(const std::string& table, const std::string& memo);

} // namespace tarvik
