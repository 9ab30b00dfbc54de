// Mapping a table of size classes onto a simulation mesh: exact match, proportional
// redistribution with the mass outside the mesh, and the two spline methods.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "brixel/framework/status.h"
#include "models/distribution/distribution_fixture.h"

namespace brixel::testing {
namespace {

class TableTest : public DistributionTest {
  protected:
    std::vector<double> Map(std::initializer_list<double> sizes, int method = 0) {
        element.SetTabularData(static_cast<int>(upper.size()), &lower, upper.data(),
                               weights.data());
        element.SetTabularMethod(method);
        CComSafeArray<double> q = Numbers({9.0});
        status = element.CalculateTabularDistribution(VariantNumbers(sizes), q);
        return Doubles(q);
    }
    static double Sum(const std::vector<double>& values) {
        return std::accumulate(values.begin(), values.end(), 0.0);
    }

    double lower = 0.0;
    std::vector<double> upper = {1e-5, 2e-5, 3e-5, 4e-5};
    std::vector<double> weights = {0.1, 0.2, 0.3, 0.4};
    long status = 1;
};

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                double tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << k;
    }
}

TEST_F(TableTest, AMatchingMeshTakesTheWeightsUnchanged) {
    weights = {0.1, 0.2, 0.3, 0.5};  // not normalized: copied, not interpolated
    const auto q = Map({5e-9, 1e-5 + 5e-9, 2e-5, 3e-5, 4e-5}, 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(q, weights);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(TableTest, LinearMappingConservesMassOnCoarserAndFinerMeshes) {
    ExpectNear(Map({0.0, 2e-5, 4e-5}), {0.3, 0.7}, 1e-15);
    const auto fine = Map({0.0, 5e-6, 1e-5, 1.5e-5, 2e-5, 2.5e-5, 3e-5, 3.5e-5, 4e-5});
    ExpectNear(fine, {0.05, 0.05, 0.1, 0.1, 0.15, 0.15, 0.2, 0.2}, 1e-15);
    EXPECT_NEAR(Sum(fine), 1.0, 1e-15);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(TableTest, MassOutsideTheMeshGoesToTheEndIntervalsWithOneWarningEach) {
    // Below 5 um: half of entry 1; above 35 um: half of entry 4.
    const auto q = Map({5e-6, 2.5e-5, 3.5e-5});
    EXPECT_EQ(status, 0);
    ExpectNear(q, {0.05 + 0.05 + 0.2 + 0.15, 0.15 + 0.2 + 0.2}, 1e-15);
    EXPECT_EQ(Printed(),
              Lines({"TABULAR DATA SPECIFIED FOR PARTICLES SMALLER THAN SMALLEST SIZE",
                     "INTERVAL IN SIMULATION MESH. MASS ADDED TO SMALLEST SIZE INTERVAL.",
                     "TABULAR DATA SPECIFIED FOR PARTICLE SIZES LARGER THAN BIGGEST SIZE",
                     "INTERVAL IN SIMULATION MESH. MASS ADDED TO BIGGEST SIZE INTERVAL."}));
    EXPECT_EQ(Codes(), (std::vector<int64_t>{35, 36}));
}

TEST_F(TableTest, AMeshFinerAtOneEndSplitsOnlyTheEntryItCuts) {
    // 1 um of the first 10 um entry falls into the first interval.
    const auto q = Map({0.0, 1e-6, 1e-4, 2e-4});
    ExpectNear(q, {0.01, 0.99, 0.0}, 1e-15);
}

TEST_F(TableTest, SplineOfALinearCumulativeCurveIsExact) {
    weights = {0.25, 0.25, 0.25, 0.25};
    const auto q = Map({0.0, 5e-6, 1.5e-5, 2.5e-5, 4e-5}, 1);
    EXPECT_EQ(status, 0);
    ExpectNear(q, {0.125, 0.25, 0.25, 0.375}, 1e-12);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(TableTest, SplineWithTooFewPointsFallsBackToLinear) {
    upper = {4e-5};
    weights = {1.0};
    ExpectNear(Map({0.0, 1e-5, 4e-5}, 1), {0.25, 0.75}, 1e-15);
    EXPECT_EQ(Printed(), Lines({"NOT ENOUGH POINTS FOR SPLINE INTERPOLATION. USING LINEAR",
                                "INTERPOLATION INSTEAD."}));
    EXPECT_EQ(Codes(), std::vector<int64_t>{29});
    host.ClearCaptures();
    ExpectNear(Map({0.0, 1e-5, 4e-5}, 2), {0.25, 0.75}, 1e-15);
    EXPECT_EQ(Codes(), std::vector<int64_t>{30});
}

TEST_F(TableTest, RrsbSplineReproducesAnRrsbTable) {
    // Points of an exact RRSB curve lie on a straight line in RRSB coordinates, which the
    // natural spline reproduces; the table stops short of 1, so no top size applies.
    const double n = 1.2;
    const double d63 = 3e-5;
    upper = {1e-5, 2e-5, 4e-5, 8e-5};
    weights.clear();
    double previous = 0.0;
    for (const double size : upper) {
        weights.push_back(Rrsb(size, n, d63) - previous);
        previous = Rrsb(size, n, d63);
    }
    const auto q = Map({0.0, 1.5e-5, 3e-5, 6e-5}, 2);
    EXPECT_EQ(status, 0);
    ExpectNear(q,
               {Rrsb(1.5e-5, n, d63), Rrsb(3e-5, n, d63) - Rrsb(1.5e-5, n, d63),
                Rrsb(6e-5, n, d63) - Rrsb(3e-5, n, d63)},
               1e-12);
}

TEST_F(TableTest, RrsbSplineGivesTheRemainderAtTheTopSize) {
    upper = {1e-5, 2e-5, 3e-5, 4e-5};
    weights = {0.2, 0.3, 0.3, 0.2};  // complete at 40 um
    const auto q = Map({0.0, 1e-5, 2e-5, 5e-5, 1e-4}, 2);
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(Sum(q), 1.0, 1e-12);
    EXPECT_EQ(q[3], 0.0);  // the interval reaching the top took the rest
    EXPECT_GT(q[2], 0.0);
}

TEST_F(TableTest, RefusesTablesThatAreNotSizeClasses) {
    upper = {2e-5, 1e-5};
    weights = {0.5, 0.5};
    const auto q = Map({0.0, 1e-5, 2e-5});
    EXPECT_EQ(status, kStatusInvalidArgument);
    upper.clear();
    weights.clear();
    Map({0.0, 1e-5, 2e-5});
    EXPECT_EQ(status, kStatusInvalidArgument);
    element.SetTabularData(2, &lower, nullptr, nullptr);
    CComSafeArray<double> out;
    EXPECT_EQ(element.CalculateTabularDistribution(VariantNumbers({0.0, 1e-5}), out),
              kStatusInvalidArgument);
}

TEST_F(TableTest, StrideReadsOneColumnOfSeveral) {
    // Two columns side by side: column 1 is {0.6, 0.4} on bounds {0, 10, 20} um.
    const std::vector<double> lowers = {9.0, 0.0};
    const std::vector<double> uppers = {9.0, 1e-5, 9.0, 2e-5};
    const std::vector<double> columns = {9.0, 0.6, 9.0, 0.4};
    element.SetTabularData(2, &lowers[1], &uppers[1], &columns[1], 2);
    CComSafeArray<double> q;
    ASSERT_EQ(element.CalculateTabularDistribution(VariantNumbers({0.0, 5e-6, 2e-5}), q), 0);
    ExpectNear(Doubles(q), {0.3, 0.7}, 1e-15);
}

TEST_F(TableTest, UncountedWeightsAddNothing) {
    weights = {0.5, -0.1, kMissing, 0.5};
    ExpectNear(Map({0.0, 2e-5, 4e-5}), {0.5, 0.5}, 1e-15);
}

}  // namespace
}  // namespace brixel::testing
