#pragma once

#include <cstddef>

// A user's table of contiguous size classes and their weight fractions, read in place from
// the caller's storage, and its mapping onto a simulation size mesh.
namespace brixel {

// Tabular interpolation methods.
constexpr int kTableLinear = 0;
constexpr int kTableSpline = 1;
constexpr int kTableRrsbSpline = 2;

struct DistributionTable {
    const double* lower = nullptr;    // lower size bound of entry 0 (m)
    const double* upper = nullptr;    // upper size bound of every entry (m)
    const double* weights = nullptr;  // weight fraction of every entry
    int count = 0;
    int stride = 1;  // entry j of a column is its element j * stride

    double Upper(int j) const { return upper[static_cast<std::ptrdiff_t>(j) * stride]; }
    double Lower(int j) const { return j == 0 ? *lower : Upper(j - 1); }
    double RawWeight(int j) const { return weights[static_cast<std::ptrdiff_t>(j) * stride]; }
    // A weight counts when it is positive and given; 0 otherwise.
    double Weight(int j) const;
};

// True when the table has entries, a stride of at least 1, and finite, non-negative, strictly
// increasing bounds.
bool IsSizeTable(const DistributionTable& table);

// True when the table's classes are the mesh's intervals (bounds within 1e-8 m).
bool TableMatchesMesh(const DistributionTable& table, const double* x, int intervals);

struct TableOverflow {
    bool below = false;  // mass below x[0] went to the first interval
    bool above = false;  // mass above x[N] went to the last interval
};

// Proportional redistribution of each entry's weight over the intervals it overlaps; mass
// outside the mesh goes to the first or last interval. q (N values) is added to.
TableOverflow MapTableLinear(const DistributionTable& table, const double* x, int intervals,
                             double* q);

enum class SplineMapping { kMapped, kTooFewPoints, kFailed };

// Natural cubic spline of the cumulative curve over size, differenced into q (N zeros on
// entry).
SplineMapping MapTableSpline(const DistributionTable& table, const double* x, int intervals,
                             double* q);
// Natural cubic spline in RRSB coordinates (ln x, ln(-ln(1 - Q))), differenced into q (N
// zeros on entry); the interval that reaches the table's top size takes the remainder.
SplineMapping MapTableRrsbSpline(const DistributionTable& table, const double* x, int intervals,
                                 double* q);

}  // namespace brixel
