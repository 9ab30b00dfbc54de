#pragma once

// Small literal matrices and vectors for the numerics tests.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "brixel/numerics/matrix.h"
#include "brixel/numerics/vector.h"

namespace brixel::testing {

inline CMatrix FromRows(std::initializer_list<std::initializer_list<double>> rows) {
    CMatrix m(static_cast<uint32_t>(rows.size()), static_cast<uint32_t>(rows.begin()->size()));
    uint32_t i = 0;
    for (const auto& row : rows) {
        uint32_t j = 0;
        for (double v : row) {
            m[i][j++] = v;
        }
        ++i;
    }
    return m;
}

inline CMatrix Identity(uint32_t n) {
    CMatrix m(n, n);
    for (uint32_t i = 0; i < n; ++i) {
        m[i][i] = 1.0;
    }
    return m;
}

inline CVector FromValues(std::initializer_list<double> values) {
    CVector v(static_cast<uint32_t>(values.size()));
    uint32_t i = 0;
    for (double value : values) {
        v[i++] = value;
    }
    return v;
}

inline std::vector<double> Elements(const CVector& v) {
    return std::vector<double>(v.Data(), v.Data() + v.Size());
}

}  // namespace brixel::testing
