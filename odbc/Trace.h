#pragma once

namespace tarvik {
// The trace hook every named library operation calls first with its qualified
// name ("THstmt.Execute"). It records nothing; a debugger breakpoint here sees
// every library entry point.
inline void Trace(int /*level*/, const char* /*name*/) {}

} // namespace tarvik
