#pragma once
// Integer narrowing where the range is not known in advance.
#include "core/Exceptions.h"

#include <utility>

namespace tarvik {

// value as To; throws Exception when To cannot hold it, instead of passing on a wrapped value.
template <class To, class From> To Narrow(From value) {
    if (!std::in_range<To>(value)) throw Exception("Integer value out of range");
    return static_cast<To>(value);
}

} // namespace tarvik
