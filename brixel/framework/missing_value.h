#pragma once

#include <cstdint>

namespace brixel {

// The host marks a real it has no value for with its missing value (m_dblRMiss); every
// real at or above it, and NaN, is not given. Every test against the marker goes through
// this pair.
bool IsGiven(double value);
inline bool IsMissing(double value) {
    return !IsGiven(value);
}

// Integer words carry the host's integer missing value (m_nIMiss) when not set.
bool IsGivenWord(int64_t word);
inline bool IsMissingWord(int64_t word) {
    return !IsGivenWord(word);
}

}  // namespace brixel
