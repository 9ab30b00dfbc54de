#pragma once

#include "brixel/framework/status.h"

namespace brixel {

// Runs an operation that reports failures by throwing its long status: the status it returns
// or throws; any other exception becomes 0x80004005. Nothing leaves it.
template <typename Operation>
long GuardedCall(Operation operation) noexcept {
    try {
        return operation();
    } catch (long status) {
        return status;
    } catch (...) {
        return kStatusFail;
    }
}

}  // namespace brixel
