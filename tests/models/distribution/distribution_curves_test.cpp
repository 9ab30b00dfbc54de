// Closed-form curves, normalization and differencing of CSetDistributedProperty, checked
// against the closed forms evaluated here and against known quantiles.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "brixel/framework/status.h"
#include "models/distribution/distribution_fixture.h"

namespace brixel::testing {
namespace {

using CurvesTest = DistributionTest;

const std::vector<double> kSizes = {0.0, 5e-6, 1e-5, 2e-5, 3e-5, 5e-5, 1e-4, 2e-4};

CComSafeArray<VARIANT> Mesh(const std::vector<double>& sizes) {
    CComSafeArray<VARIANT> mesh(static_cast<uint32_t>(sizes.size()));
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        mesh.SetAt(static_cast<long>(k), CComVariant(sizes[k]));
    }
    return mesh;
}

TEST_F(CurvesTest, RrsbFollowsItsClosedFormAndSaturates) {
    CComSafeArray<double> q3;
    ASSERT_EQ(element.CalculateRRSB(1.5, 3e-5, Mesh(kSizes), q3), 0);
    const std::vector<double> values = Doubles(q3);
    ASSERT_EQ(values.size(), kSizes.size());
    EXPECT_EQ(values[0], 0.0);
    for (std::size_t k = 0; k < kSizes.size(); ++k) {
        EXPECT_NEAR(values[k], Rrsb(kSizes[k], 1.5, 3e-5), 1e-15) << k;
    }
    // At D63 the undersize is 1 - 1/e whatever n is.
    EXPECT_NEAR(values[4], 1.0 - std::exp(-1.0), 1e-15);

    // A steep curve reaches 1 inside the mesh: from there on every value is exactly 1.
    ASSERT_EQ(element.CalculateRRSB(8.0, 1e-5, Mesh(kSizes), q3), 0);
    EXPECT_EQ(Doubles(q3)[6], 1.0);
    EXPECT_EQ(Doubles(q3)[7], 1.0);
}

TEST_F(CurvesTest, GgsIsOneAboveXmaxAndItsIntervalsAreEmpty) {
    CComSafeArray<double> q3;
    ASSERT_EQ(element.CalculateGGS(0.8, 4e-5, Mesh(kSizes), q3), 0);
    const std::vector<double> values = Doubles(q3);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_NEAR(values[k], std::pow(kSizes[k] / 4e-5, 0.8), 1e-15);
    }
    EXPECT_EQ(values[5], 1.0);
    EXPECT_EQ(values[7], 1.0);
    CComSafeArray<double> q;
    ASSERT_EQ(element.CalcDeltaQ3(q3, q), 0);
    EXPECT_EQ(Doubles(q)[5], 0.0);
    EXPECT_EQ(Doubles(q)[6], 0.0);
}

TEST_F(CurvesTest, NormalAndLogNormalMeetTheirQuantiles) {
    // Normal: D50 30 um, sigma 10 um; one sigma above the median is Phi(1).
    const double phi1 = 0.8413447460685429;
    CComSafeArray<double> q3;
    ASSERT_EQ(element.CalculateNormalDistribution(1e-5, 3e-5, Mesh({1e-5, 3e-5, 4e-5, 2e-4}), q3),
              0);
    EXPECT_NEAR(Doubles(q3)[0], 1.0 - 0.9772498680518208, 1e-15);
    EXPECT_NEAR(Doubles(q3)[1], 0.5, 1e-15);
    EXPECT_NEAR(Doubles(q3)[2], phi1, 1e-15);
    EXPECT_EQ(Doubles(q3)[3], 1.0);  // 17 sigma above: saturated

    // Log-normal: sigma 0.5 of ln x; at D50 e^sigma the value is Phi(1); no log of 0.
    const double d50 = 2e-5;
    const std::vector<double> sizes = {0.0, d50, d50 * std::exp(0.5), 1e-4};
    ASSERT_EQ(element.CalculateLogNormalDistribution(0.5, d50, Mesh(sizes), q3), 0);
    EXPECT_EQ(Doubles(q3)[0], 0.0);
    EXPECT_NEAR(Doubles(q3)[1], 0.5, 1e-15);
    EXPECT_NEAR(Doubles(q3)[2], phi1, 1e-15);
    EXPECT_NEAR(Doubles(q3)[3], StandardNormal(std::log(1e-4 / d50) / 0.5), 1e-15);
}

TEST_F(CurvesTest, RefusesBadParametersAndMeshesLeavingTheOutput) {
    CComSafeArray<double> q3 = Numbers({7.0});
    EXPECT_EQ(element.CalculateNormalDistribution(0.0, 3e-5, Mesh(kSizes), q3), kStatusFail);
    EXPECT_EQ(element.CalculateNormalDistribution(1e-5, -1.0, Mesh(kSizes), q3), kStatusFail);
    EXPECT_EQ(element.CalculateLogNormalDistribution(NAN, 3e-5, Mesh(kSizes), q3), kStatusFail);
    EXPECT_EQ(element.CalculateLogNormalDistribution(0.5, 0.0, Mesh(kSizes), q3), kStatusFail);
    for (const auto& sizes : std::vector<std::vector<double>>{
             {1e-5, 1e-5, 2e-5}, {2e-5, 1e-5}, {1e-5, NAN}, {-1e-5, 1e-5}, {1e-5}, {}}) {
        EXPECT_EQ(element.CalculateRRSB(1.0, 1e-5, Mesh(sizes), q3), kStatusInvalidArgument);
        EXPECT_EQ(element.CalculateGGS(1.0, 1e-5, Mesh(sizes), q3), kStatusInvalidArgument);
    }
    EXPECT_EQ(Doubles(q3), std::vector<double>{7.0});
}

TEST_F(CurvesTest, OutputOfAnotherShapeIsRecreated) {
    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    CComSafeArray<double> q3(bounds, 2);
    ASSERT_EQ(element.CalculateRRSB(1.0, 1e-5, Mesh(kSizes), q3), 0);
    EXPECT_EQ(q3.GetDimensions(), 1u);
    EXPECT_EQ(q3.GetCount(), kSizes.size());
}

TEST_F(CurvesTest, DifferencesAreExactAndTheFirstIntervalTakesAllBelow) {
    const std::vector<double> cumulative = {0.1, 0.3, 0.6, 0.95, 1.0};
    CComSafeArray<double> q;
    ASSERT_EQ(element.CalcDeltaQ3(Numbers({0.1, 0.3, 0.6, 0.95, 1.0}), q), 0);
    const std::vector<double> values = Doubles(q);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0], 0.3);
    for (std::size_t k = 1; k < 4; ++k) {
        EXPECT_EQ(values[k], cumulative[k + 1] - cumulative[k]);
    }
    EXPECT_EQ(element.CalcDeltaQ3(Numbers({1.0}), q), kStatusInvalidArgument);
}

TEST_F(CurvesTest, EveryClosedFormSumsToOneAfterNormalizing) {
    const auto mesh = Mesh(kSizes);
    for (int type = 1; type <= 4; ++type) {
        CComSafeArray<double> q3;
        long status = 0;
        switch (type) {
            case 1:
                status = element.CalculateGGS(0.7, 1.5e-4, mesh, q3);
                break;
            case 2:
                status = element.CalculateRRSB(1.2, 2e-5, mesh, q3);
                break;
            case 3:
                status = element.CalculateLogNormalDistribution(0.6, 2e-5, mesh, q3);
                break;
            default:
                status = element.CalculateNormalDistribution(1e-5, 3e-5, mesh, q3);
                break;
        }
        ASSERT_EQ(status, 0) << type;
        int normalization = -1;
        ASSERT_EQ(element.Normalize(q3, 1, &normalization), 0);
        CComSafeArray<double> q;
        ASSERT_EQ(element.CalcDeltaQ3(q3, q), 0);
        const std::vector<double> values = Doubles(q);
        EXPECT_NEAR(std::accumulate(values.begin(), values.end(), 0.0), 1.0, 1e-14) << type;
        for (const double value : values) {
            EXPECT_GE(value, 0.0) << type;
        }
    }
}

TEST_F(CurvesTest, NormalizeWarnsAboveOnePercentAndScales) {
    // An RRSB mesh ending at D63 keeps 1/e of the mass above it.
    CComSafeArray<double> q3;
    ASSERT_EQ(element.CalculateRRSB(1.0, 2e-4, Mesh(kSizes), q3), 0);
    const double last = 1.0 - std::exp(-1.0);
    int status = -1;
    ASSERT_EQ(element.Normalize(q3, 1, &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_NEAR(Doubles(q3)[3], Rrsb(2e-5, 1.0, 2e-4) / last, 1e-15);
    EXPECT_EQ(Doubles(q3).back(), 1.0);
    EXPECT_EQ(Printed(), Lines({"CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT (0.632121) DOES NOT",
                                "EQUAL 1.0. DISTRIBUTION WILL BE NORMALIZED."}));
    EXPECT_EQ(Codes(), std::vector<int64_t>{32});

    host.ClearCaptures();
    CComSafeArray<double> fractions = Numbers({0.5, 0.6});
    ASSERT_EQ(element.Normalize(fractions, 2, &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_NEAR(Doubles(fractions)[0], 0.5 / 1.1, 1e-15);
    EXPECT_EQ(Printed(),
              Lines({"CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT (1.1) DOES NOT EQUAL 1.0.",
                     "DISTRIBUTION WILL BE NORMALIZED."}));
}

TEST_F(CurvesTest, NormalizeCorrectsSmallDeviationsSilently) {
    CComSafeArray<double> values = Numbers({0.2, 0.5, 0.995});
    int status = -1;
    ASSERT_EQ(element.Normalize(values, 1, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Doubles(values), (std::vector<double>{0.2 / 0.995, 0.5 / 0.995, 1.0}));
    EXPECT_TRUE(Printed().empty());
    CComSafeArray<double> exact = Numbers({0.25, 0.75});
    ASSERT_EQ(element.Normalize(exact, 2, nullptr), 0);
    EXPECT_EQ(Doubles(exact), (std::vector<double>{0.25, 0.75}));
}

TEST_F(CurvesTest, NormalizeRefusesADistributionOffTheMesh) {
    CComSafeArray<double> values = Numbers({0.0, 0.0, 1e-21});
    int status = -1;
    EXPECT_EQ(element.Normalize(values, 1, &status), kStatusCapeUnknown);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(Doubles(values), (std::vector<double>{0.0, 0.0, 1e-21}));
    EXPECT_EQ(Printed(), Lines({"CALCULATED PSD DOES NOT FIT INTO THE DEFINED MESH.",
                                "CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT IS 0.0.",
                                "CHECK THE SPECIFIED DISTRIBUTION FUNCTION PARAMETER."}));
    EXPECT_EQ(host.LevelChecks().back().level, 2);

    host.ClearCaptures();
    element.SetErrorLevel(3);
    CComSafeArray<double> fractions = Numbers({0.0, 0.0});
    EXPECT_EQ(element.Normalize(fractions, 2, &status), kStatusCapeUnknown);
    EXPECT_EQ(Printed(), Lines({"CALCULATED ESTIMATED PSD DOES NOT FIT INTO THE DEFINED MESH.",
                                "CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT IS 0.0.",
                                "CHECK THE SPECIFIED DISTRIBUTION FUNCTION PARAMETER.",
                                "ESTIMATED PSD INPUT NOT USED."}));
    EXPECT_EQ(Codes(), std::vector<int64_t>{33});
    EXPECT_EQ(host.LevelChecks().back().level, 3);

    // A reference that is not a number is refused rather than spread over the values.
    CComSafeArray<double> broken = Numbers({0.5, NAN});
    EXPECT_EQ(element.Normalize(broken, 1, &status), kStatusCapeUnknown);
    EXPECT_EQ(Doubles(broken)[0], 0.5);
}

TEST_F(CurvesTest, NormalizeWithASuppressedMessageKeepsStatusZero) {
    host.SetLevelCheck([](const host::LevelCheckCall&) { return false; });
    CComSafeArray<double> values = Numbers({0.0, 0.0});
    int status = -1;
    EXPECT_EQ(element.Normalize(values, 1, &status), kStatusCapeUnknown);
    EXPECT_EQ(status, 0);
    CComSafeArray<double> low = Numbers({0.1, 0.5});
    EXPECT_EQ(element.Normalize(low, 1, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(CurvesTest, NormalizeRefusesAnUnknownModeAndAnEmptyArray) {
    CComSafeArray<double> values = Numbers({0.5});
    int status = -1;
    EXPECT_EQ(element.Normalize(values, 3, &status), kStatusCapeInvalidArgument);
    EXPECT_EQ(status, 0);
    CComSafeArray<double> empty;
    EXPECT_EQ(element.Normalize(empty, 2, &status), kStatusInvalidArgument);
}

}  // namespace
}  // namespace brixel::testing
