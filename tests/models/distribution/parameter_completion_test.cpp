// SetDistrFuncData: storing, defaults and every pair rule for completing a parameter set,
// checked by evaluating the completed curve at the sizes that were given.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "models/distribution/distribution_fixture.h"

namespace brixel::testing {
namespace {

using CompletionTest = DistributionTest;

constexpr int kGgs = 1, kRrsb = 2, kLogNormal = 3, kNormal = 4;
constexpr double M = kMissing;

// Arguments after index and type, in order: D50, D63, Xmax, steepness, GGS m, RRSB n,
// normal sigma, log-normal sigma, fraction.
struct Given {
    double d50 = M, d63 = M, xmax = M, steepness = M, ggsM = M, rrsbN = M, normalSigma = M,
           logNormalSigma = M, fraction = 1.0;
};

void Set(CSetDistributedProperty& element, int index, int type, const Given& g) {
    element.SetDistrFuncData(index, type, g.d50, g.d63, g.xmax, g.steepness, g.ggsM, g.rrsbN,
                             g.normalSigma, g.logNormalSigma, g.fraction);
}

TEST_F(CompletionTest, NewDistributionsTakeTheDefaultsAndOldOnesKeepTheirValues) {
    EXPECT_EQ(element.GetNumberOfDistributions(), 1);
    Set(element, 0, kRrsb, {.d63 = 2e-5, .rrsbN = 1.5, .fraction = 0.4});
    Set(element, 2, 7, {.d50 = 1e-5, .normalSigma = 2e-6, .fraction = 0.3});
    ASSERT_EQ(element.GetNumberOfDistributions(), 3);
    EXPECT_EQ(element.GetD63(0), 2e-5);
    EXPECT_EQ(element.GetFraction(0), 0.4);
    EXPECT_EQ(element.GetType(1), 0);
    EXPECT_EQ(element.GetD63(1), kMissing);
    EXPECT_EQ(element.GetRrsbDispersion(1), 1.0);
    EXPECT_EQ(element.GetXmax(1), kMissing);
    EXPECT_EQ(element.GetGgsExponent(1), 1e-7);
    EXPECT_EQ(element.GetNormalD50(1), kMissing);
    EXPECT_EQ(element.GetNormalSigma(1), 1e-6);
    EXPECT_EQ(element.GetLogNormalSigma(1), 1e-6);
    EXPECT_EQ(element.GetFraction(1), 1.0 / 3.0);
    EXPECT_EQ(element.GetType(2), kNormal);  // an unknown type is stored as normal
    EXPECT_EQ(element.GetNormalD50(2), 1e-5);
    EXPECT_EQ(element.GetNormalSigma(2), 2e-6);
}

TEST_F(CompletionTest, RrsbFromD50AndD63PutsHalfTheMassBelowD50) {
    Set(element, 0, kRrsb, {.d50 = 2e-5, .d63 = 3e-5});
    const double n = element.GetRrsbDispersion(0);
    EXPECT_NEAR(n, std::log(std::log(0.5) / std::log(0.368)) / std::log(2.0 / 3.0), 1e-14);
    EXPECT_GT(n, 0.0);
    // 0.368 stands for 1/e: the half lies within 2e-4 of 0.5.
    EXPECT_NEAR(Rrsb(2e-5, n, element.GetD63(0)), 0.5, 2e-4);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(CompletionTest, RrsbD63FromD50AndDispersionAndBack) {
    Set(element, 0, kRrsb, {.d50 = 2e-5, .rrsbN = 1.7});
    const double d63 = element.GetD63(0);
    EXPECT_NEAR(Rrsb(2e-5, 1.7, d63), 0.5, 1e-14);
    // Back: D50 and that D63 give the dispersion again, within what 0.368 for 1/e allows.
    Set(element, 1, kRrsb, {.d50 = 2e-5, .d63 = d63});
    EXPECT_NEAR(element.GetRrsbDispersion(1), 1.7, 2e-3);
}

TEST_F(CompletionTest, RrsbSteepnessIsTheRatioOfX25ToX75) {
    Set(element, 0, kRrsb, {.d63 = 3e-5, .steepness = 0.4});
    const double n = element.GetRrsbDispersion(0);
    const auto size = [&](double p) { return 3e-5 * std::pow(-std::log(1.0 - p), 1.0 / n); };
    EXPECT_NEAR(size(0.25) / size(0.75), 0.4, 1e-14);
}

TEST_F(CompletionTest, RrsbSteepnessOutsideTheOpenIntervalIsReported) {
    Set(element, 0, kRrsb, {.d63 = 3e-5, .steepness = 1.0, .fraction = 0.5});
    EXPECT_EQ(element.GetRrsbDispersion(0), kMissing);
    EXPECT_EQ(element.GetFraction(0), 0.0);
    EXPECT_EQ(Printed(),
              Lines({"ERROR READING DATA FOR DISTRIBUTION FUNCTION 1",
                     "STEEPNESS (1) HAS TO BE DEFINED GREATER THAN 0. AND", "SMALLER THAN 1."}));
    EXPECT_EQ(Codes(), std::vector<int64_t>{3});
    EXPECT_EQ(host.LevelChecks()[0].tag, "DISPRP");
    EXPECT_EQ(host.LevelChecks()[0].level, 2);
}

TEST_F(CompletionTest, RrsbEqualSizesCannotGiveADispersion) {
    Set(element, 1, kRrsb, {.d50 = 2e-5, .d63 = 2e-5, .fraction = 0.5});
    EXPECT_EQ(element.GetFraction(1), 0.0);
    EXPECT_EQ(Printed(), Lines({"ERROR READING DATA FOR DISTRIBUTION FUNCTION 2",
                                "RRSB DISPERSION PARAMETER COULD NOT BE CALCULATED",
                                "BASED ON GIVEN D50 (2E-05) AND D63 (2E-05)."}));
}

TEST_F(CompletionTest, RrsbNonPositiveD50ForD63IsReported) {
    Set(element, 0, kRrsb, {.d50 = -1e-5, .rrsbN = 1.0});
    EXPECT_EQ(element.GetD63(0), 1.0);
    EXPECT_EQ(Codes(), std::vector<int64_t>{6});
    EXPECT_EQ(Printed().back(), Line("D50 (-1E-05) HAS TO BE DEFINED GREATER THAN 0."));
}

TEST_F(CompletionTest, GgsPairRulesReproduceTheGivenSizes) {
    const auto ggs = [&](double x) {
        return std::pow(x / element.GetXmax(0), element.GetGgsExponent(0));
    };
    Set(element, 0, kGgs, {.d50 = 2e-5, .xmax = 8e-5});
    EXPECT_NEAR(ggs(2e-5), 0.5, 1e-14);
    EXPECT_EQ(element.GetXmax(0), 8e-5);

    Set(element, 0, kGgs, {.d63 = 5e-5, .xmax = 8e-5});
    EXPECT_NEAR(ggs(5e-5), 0.63, 1e-14);

    Set(element, 0, kGgs, {.d50 = 2e-5, .d63 = 3e-5});
    EXPECT_NEAR(ggs(2e-5), 0.5, 1e-14);
    EXPECT_NEAR(ggs(3e-5), 0.63, 1e-14);

    // From D63 and m alone Xmax takes 0.633 at D63.
    Set(element, 0, kGgs, {.d63 = 3e-5, .ggsM = 0.9});
    EXPECT_EQ(element.GetGgsExponent(0), 0.9);
    EXPECT_NEAR(ggs(3e-5), 0.633, 1e-14);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(CompletionTest, GgsPairWithAZeroSizeKeepsTheStoredExponent) {
    Set(element, 0, kGgs, {.d50 = 0.0, .xmax = 8e-5, .ggsM = 0.5});
    EXPECT_EQ(element.GetGgsExponent(0), 1e-7);
}

TEST_F(CompletionTest, GgsExponentThatCannotBeFormedIsReported) {
    Set(element, 0, kGgs, {.d50 = 8e-5, .xmax = 8e-5});
    EXPECT_EQ(Printed(),
              Lines({"ERROR READING DATA FOR DISTRIBUTION FUNCTION 1",
                     "GGS DISPERSION PARAMETER COULD NOT BE CALCULATED",
                     "BASED ON GIVEN MAXIMUM PARTICLE DIAMETER(8E-05) AND D50(8E-05)."}));
    EXPECT_EQ(element.GetFraction(0), 0.0);
}

TEST_F(CompletionTest, GgsXmaxThatCannotBeFormedIsReported) {
    Set(element, 0, kGgs, {.d50 = 2e-5, .ggsM = 1e-300});
    EXPECT_EQ(Printed(),
              Lines({"ERROR READING DATA FOR DISTRIBUTION FUNCTION 1",
                     "MAXIMUM PARTICLE DIAMETER OF GGS DISTRIBUTION COULD NOT BE CALCULATED",
                     "BASED ON GIVEN D50 (2E-05) AND GGS DISPERSION PARAMETER (1E-300).",
                     "TRY DECREASING GGS DISPERSION PARAMETER."}));
    EXPECT_EQ(Codes(), std::vector<int64_t>{2});
}

TEST_F(CompletionTest, NormalAndLogNormalMediansFromD63) {
    Set(element, 0, kLogNormal, {.d63 = 3e-5, .logNormalSigma = 0.5});
    EXPECT_NEAR(element.GetLogNormalD50(0), 3e-5 / std::exp(0.165), 1e-19);
    EXPECT_EQ(element.GetLogNormalSigma(0), 0.5);
    Set(element, 1, kNormal, {.d63 = 3e-5, .normalSigma = 1e-5});
    EXPECT_NEAR(element.GetNormalD50(1), 3e-5 - 3.3e-6, 1e-19);
    Set(element, 2, kNormal, {.d50 = 2e-5, .d63 = 3e-5, .normalSigma = 1e-5});
    EXPECT_EQ(element.GetNormalD50(2), 2e-5);
}

}  // namespace
}  // namespace brixel::testing
