#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "brixel/platform/bstr.h"
#include "brixel/platform/safe_array.h"
#include "brixel/platform/variant.h"

namespace brixel::testing {

inline CComSafeArray<double> Numbers(std::initializer_list<double> values) {
    CComSafeArray<double> list(static_cast<uint32_t>(values.size()));
    long i = 0;
    for (const double value : values) {
        list.SetAt(i++, value);
    }
    return list;
}

inline CComSafeArray<VARIANT> VariantNumbers(std::initializer_list<double> values) {
    CComSafeArray<VARIANT> list(static_cast<uint32_t>(values.size()));
    long i = 0;
    for (const double value : values) {
        list.SetAt(i++, CComVariant(value));
    }
    return list;
}

inline CComSafeArray<BSTR> Names(std::initializer_list<const char*> names) {
    CComSafeArray<BSTR> list;
    for (const char* name : names) {
        list.Add(CComBSTR(name));
    }
    return list;
}

inline std::vector<double> Doubles(const CComSafeArray<double>& values) {
    std::vector<double> out;
    for (long i = 0; values.m_psa && i < static_cast<long>(values.GetCount()); ++i) {
        out.push_back(values.GetAt(i));
    }
    return out;
}

// rows[i][j] at index (i, j) of a two-dimensional array.
inline CComSafeArray<double> Matrix2(const std::vector<std::vector<double>>& rows) {
    const auto n = static_cast<uint32_t>(rows.size());
    const auto m = static_cast<uint32_t>(rows.empty() ? 0 : rows[0].size());
    SAFEARRAYBOUND bounds[2] = {{n, 0}, {m, 0}};
    CComSafeArray<double> array(bounds, 2);
    for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t j = 0; j < m; ++j) {
            const long index[2] = {static_cast<long>(i), static_cast<long>(j)};
            array.MultiDimSetAt(index, rows[i][j]);
        }
    }
    return array;
}

// The rows of a two-dimensional array; none if it has another shape.
inline std::vector<std::vector<double>> Rows(const CComSafeArray<double>& array) {
    std::vector<std::vector<double>> rows;
    EXPECT_EQ(array.GetDimensions(), 2u);
    if (array.GetDimensions() != 2) {
        return rows;
    }
    for (long i = 0; i < static_cast<long>(array.GetCount(0)); ++i) {
        rows.emplace_back();
        for (long j = 0; j < static_cast<long>(array.GetCount(1)); ++j) {
            const long index[2] = {i, j};
            double value = -1.0;
            EXPECT_EQ(array.MultiDimGetAt(index, value), 0);
            rows.back().push_back(value);
        }
    }
    return rows;
}

inline void ExpectAllNear(const std::vector<double>& actual, const std::vector<double>& expected,
                          double tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "class " << i;
    }
}

// Captured host lines without their trailing blanks.
inline std::vector<std::string> Trimmed(std::vector<std::string> lines) {
    for (std::string& line : lines) {
        line.erase(line.find_last_not_of(' ') + 1);
    }
    return lines;
}

}  // namespace brixel::testing
