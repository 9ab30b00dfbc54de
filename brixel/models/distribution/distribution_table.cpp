#include "brixel/models/distribution/distribution_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "brixel/framework/missing_value.h"
#include "brixel/numerics/math_helper.h"

namespace brixel {

namespace {

constexpr double kMeshMatchTolerance = 1e-8;  // m
constexpr int kMinimumSplinePoints = 3;
// The running sum of interval fractions counts as complete from here on.
constexpr double kCompleteSum = 0.9999999999;
// RRSB coordinates: a cumulative sum counts as 1 from here on, as 0 up to kEmptySum.
constexpr double kFullTable = 0.999999999999999;
constexpr double kEmptySum = 1e-15;
// Point put inside the entry that completes the table, so the curve bends towards its top.
constexpr double kTopQuantile = 0.96;

// Splines of the cumulative curve Q at the upper boundaries x[1] ... x[N] (Q[k] at x[k + 1]),
// differenced with a running sum that stops once it is complete. Past `top`, the interval
// takes the remainder and ends the loop.
void DifferenceSpline(const std::vector<double>& cumulative, const double* x, int intervals,
                      double top, double* q) {
    double sum = 0.0;
    for (int k = 0; k < intervals && sum < kCompleteSum; ++k) {
        if (x[k + 1] >= top) {
            q[k] = 1.0 - sum;
            break;
        }
        const double capped = std::min(1.0, cumulative[k]);
        q[k] = std::max(std::max(capped, 0.0) - sum, 0.0);
        sum += q[k];
    }
}

}  // namespace

double DistributionTable::Weight(int j) const {
    const double w = RawWeight(j);
    return w > 0.0 && IsGiven(w) ? w : 0.0;
}

bool IsSizeTable(const DistributionTable& table) {
    if (table.count < 1 || table.stride < 1 || !table.lower || !table.upper || !table.weights) {
        return false;
    }
    if (!std::isfinite(table.Lower(0)) || table.Lower(0) < 0.0) {
        return false;
    }
    for (int j = 0; j < table.count; ++j) {
        if (!std::isfinite(table.Upper(j)) || !(table.Upper(j) > table.Lower(j))) {
            return false;
        }
    }
    return true;
}

bool TableMatchesMesh(const DistributionTable& table, const double* x, int intervals) {
    if (table.count != intervals || std::fabs(x[0] - table.Lower(0)) >= kMeshMatchTolerance) {
        return false;
    }
    for (int k = 1; k <= intervals; ++k) {
        if (std::fabs(x[k] - table.Upper(k - 1)) >= kMeshMatchTolerance) {
            return false;
        }
    }
    return true;
}

TableOverflow MapTableLinear(const DistributionTable& table, const double* x, int intervals,
                             double* q) {
    TableOverflow overflow;
    const int n = table.count;
    int j = 0;
    // Share of entry j's weight that lies in [from, to].
    const auto portion = [&](double from, double to) {
        const double lo = table.Lower(j);
        const double up = table.Upper(j);
        return (std::min(to, up) - std::max(from, lo)) / (up - lo) * table.Weight(j);
    };

    while (j < n && x[0] > table.Lower(j)) {
        if (table.Weight(j) > 0.0) {
            q[0] += portion(table.Lower(j), x[0]);
            overflow.below = true;
        }
        if (table.Upper(j) > x[0]) {
            break;
        }
        ++j;
    }
    for (int k = 0; k < intervals; ++k) {
        while (j < n && x[k + 1] > table.Lower(j)) {
            q[k] += portion(x[k], x[k + 1]);
            if (x[k + 1] < table.Upper(j)) {
                break;
            }
            ++j;
        }
    }
    for (; j < n && table.Upper(j) > x[intervals]; ++j) {
        if (table.Weight(j) > 0.0) {
            q[intervals - 1] += portion(x[intervals], table.Upper(j));
            overflow.above = true;
        }
    }
    return overflow;
}

SplineMapping MapTableSpline(const DistributionTable& table, const double* x, int intervals,
                             double* q) {
    const int points = table.count + 1;
    if (points < kMinimumSplinePoints) {
        return SplineMapping::kTooFewPoints;
    }
    std::vector<double> sizes(points);
    std::vector<double> sums(points);
    sizes[0] = table.Lower(0);
    sums[0] = 0.0;
    for (int j = 0; j < table.count; ++j) {
        sizes[j + 1] = table.Upper(j);
        sums[j + 1] = sums[j] + table.Weight(j);
    }
    std::vector<double> cumulative(intervals);
    if (!CMathHelper::CalculateSplineValues(points, sizes.data(), sums.data(), intervals, x + 1,
                                            cumulative.data(), 0, true)) {
        return SplineMapping::kFailed;
    }
    DifferenceSpline(cumulative, x, intervals, std::numeric_limits<double>::infinity(), q);
    return SplineMapping::kMapped;
}

SplineMapping MapTableRrsbSpline(const DistributionTable& table, const double* x, int intervals,
                                 double* q) {
    std::vector<double> logSizes;
    std::vector<double> rrsb;
    double top = std::numeric_limits<double>::max();
    double sum = 0.0;
    for (int j = 0; j < table.count; ++j) {
        const double w = table.Weight(j);
        sum += w;
        if (sum >= kFullTable) {
            top = table.Upper(j);
            if (j >= 1 && sum - w < kTopQuantile) {
                const double lo = table.Lower(j);
                const double x96 = lo + (top - lo) * (kTopQuantile - (sum - w)) / w;
                logSizes.push_back(std::log(x96));
                rrsb.push_back(std::log(-std::log(1.0 - kTopQuantile)));
            }
            break;
        }
        if (sum > kEmptySum) {
            logSizes.push_back(std::log(table.Upper(j)));
            rrsb.push_back(std::log(-std::log(1.0 - sum)));
        }
    }
    const int points = static_cast<int>(logSizes.size());
    if (points < kMinimumSplinePoints) {
        return SplineMapping::kTooFewPoints;
    }
    // A boundary of size 0 has nothing undersize and no logarithm.
    std::vector<double> at(intervals);
    for (int k = 0; k < intervals; ++k) {
        at[k] = x[k + 1] > 0.0 ? std::log(x[k + 1]) : logSizes.front();
    }
    std::vector<double> values(intervals);
    if (!CMathHelper::CalculateSplineValues(points, logSizes.data(), rrsb.data(), intervals,
                                            at.data(), values.data(), 0, true)) {
        return SplineMapping::kFailed;
    }
    std::vector<double> cumulative(intervals);
    for (int k = 0; k < intervals; ++k) {
        cumulative[k] = x[k + 1] > 0.0 ? 1.0 - std::exp(-std::exp(values[k])) : 0.0;
    }
    DifferenceSpline(cumulative, x, intervals, top, q);
    return SplineMapping::kMapped;
}

}  // namespace brixel
