#pragma once
// Text handed to ODBC calls that only read it.
#include <sql.h>

#include <string>

namespace tarvik {

// The text as the SQLCHAR* that unixODBC declares for input strings; the driver manager and the drivers
// read through it and never write.
inline SQLCHAR* SqlChars(const char* text) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text));
}
inline SQLCHAR* SqlChars(const std::string& text) {
    return SqlChars(text.c_str());
}

} // namespace tarvik
