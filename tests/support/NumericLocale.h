#pragma once
// The decimal separator of printf and strtod in tests: the reference texts tests build with the C
// library are the C locale's, and the tests of locale independence run under a comma locale.
#include <clocale>
#include <locale.h>
#include <string>

namespace tarvik {

// The locale that writes numbers with a decimal comma, generated on the test machines.
inline const char* const CommaLocale = "sl_SI.UTF-8";

// The C locale for this thread while it lives, whatever the process locale is.
class TCLocaleScope {
public:
    TCLocaleScope() : FLocale(newlocale(LC_ALL_MASK, "C", nullptr)), FOld(uselocale(FLocale)) {}
    ~TCLocaleScope() {
        uselocale(FOld);
        freelocale(FLocale);
    }
    TCLocaleScope(const TCLocaleScope&) = delete;
    TCLocaleScope& operator=(const TCLocaleScope&) = delete;

private:
    locale_t FLocale;
    locale_t FOld;
};

// The process's LC_NUMERIC set to name while it lives (Ok() false when the locale is missing), the
// previous one back after.
class TNumericLocale {
public:
    explicit TNumericLocale(const char* name) : FOld(std::setlocale(LC_NUMERIC, nullptr)) {
        FOk = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~TNumericLocale() { std::setlocale(LC_NUMERIC, FOld.c_str()); }
    TNumericLocale(const TNumericLocale&) = delete;
    TNumericLocale& operator=(const TNumericLocale&) = delete;
    bool Ok() const { return FOk; }

private:
    std::string FOld;
    bool FOk = false;
};

} // namespace tarvik
