#pragma once

// Checks of builder input: each throws std::invalid_argument with a message naming the value.

#include <cmath>
#include <stdexcept>
#include <string>

namespace brixel::host {

// Names are stored as packed text of `maxCharacters` and compared with trailing blanks removed,
// so an empty name or one ending in a blank could never be found again.
inline void RequireName(const std::string& name, std::size_t maxCharacters, const char* what) {
    if (name.empty() || name.size() > maxCharacters || name.back() == ' ') {
        throw std::invalid_argument(std::string(what) + " \"" + name + "\" must have 1 to " +
                                    std::to_string(maxCharacters) +
                                    " characters and no trailing blank");
    }
}

inline void RequireFinite(double value, const char* what) {
    if (!std::isfinite(value)) {
        throw std::invalid_argument(std::string(what) + " must be a finite number");
    }
}

inline void RequirePositive(double value, const char* what) {
    RequireFinite(value, what);
    if (value <= 0) {
        throw std::invalid_argument(std::string(what) + " must be positive");
    }
}

inline void RequireNonNegative(double value, const char* what) {
    RequireFinite(value, what);
    if (value < 0) {
        throw std::invalid_argument(std::string(what) + " must not be negative");
    }
}

}  // namespace brixel::host
