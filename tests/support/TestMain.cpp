// The library tests' main: the process takes the locale of its environment, as the window's
// application object does, so a run under LANG=sl_SI.UTF-8 sees the decimal comma in printf and
// strtod exactly where the program would.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
