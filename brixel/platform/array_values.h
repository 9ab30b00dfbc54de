#pragma once

#include <cstddef>
#include <vector>

#include "brixel/platform/safe_array.h"
#include "brixel/platform/variant.h"

namespace brixel {

// The elements of a one-dimensional array, from its lower bound on; empty for an array that
// holds nothing.
inline std::vector<double> ArrayValues(const CComSafeArray<double>& values) {
    std::vector<double> plain(values.m_psa ? values.GetCount() : 0);
    for (std::size_t k = 0; k < plain.size(); ++k) {
        plain[k] = values.GetAt(values.GetLowerBound() + static_cast<long>(k));
    }
    return plain;
}

// The double members of an array of variants (a size mesh); the variant type is not examined.
inline std::vector<double> ArrayValues(const CComSafeArray<VARIANT>& values) {
    std::vector<double> plain(values.m_psa ? values.GetCount() : 0);
    for (std::size_t k = 0; k < plain.size(); ++k) {
        plain[k] = values.GetAt(values.GetLowerBound() + static_cast<long>(k)).dblVal;
    }
    return plain;
}

}  // namespace brixel
