#include "core/Exceptions.h"

void Abort() {
    throw EAbort();
}
