#pragma once

#include <cmath>

namespace brixel::cli {

// The substitute host's missing value: a real at or above it carries no value.
inline constexpr double kHostMissing = 1e35;

// A result the calculation got to: finite and below the host's missing value.
inline bool IsReached(double value) {
    return std::isfinite(value) && value < kHostMissing;
}

}  // namespace brixel::cli
