#pragma once

#include <optional>

namespace tarvik {

// Answers --version and --help (-h) on standard output before any window or display exists; returns the
// exit code when one of them was given, nothing when the program should start its window.
std::optional<int> HandleCommandLine(int argc, char** argv);

} // namespace tarvik
