#include "core/Exceptions.h"

namespace tarvik {

void Abort() {
    throw EAbort();
}

} // namespace tarvik
