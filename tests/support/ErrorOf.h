#pragma once
// The message of the library exception an action raises, or "(no error)".
#include "core/Exceptions.h"

#include <functional>
#include <string>

namespace tarvik {

inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace tarvik
