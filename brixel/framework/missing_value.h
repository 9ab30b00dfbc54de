#pragma once

#include "brixel/framework/export.h"

namespace brixel {

// The host marks a real it has no value for with its missing value (m_dblRMiss); every
// real at or above it, and NaN, is not given. Every test against the marker goes through
// this pair.
BRIXEL_API bool IsGiven(double value);
inline bool IsMissing(double value) {
    return !IsGiven(value);
}

}  // namespace brixel
