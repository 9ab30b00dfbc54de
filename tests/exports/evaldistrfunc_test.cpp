// EVALDISTRFUNC as a procedural host model calls it: arguments by reference, its own
// parameter completion (with its own constants), messages and status word.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "brixel/exports/distribution_exports.h"
#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/plex.h"
#include "host/substitute_host.h"
#include "support/array_helpers.h"

namespace {

namespace host = brixel::host;
constexpr double M = host::kRealMissing;

double Rrsb(double x, double n, double d63) {
    return 1.0 - std::exp(-std::pow(x / d63, n));
}

struct Call {
    std::vector<double> mesh = {0.0, 1e-5, 2e-5, 5e-5, 1e-3};
    int64_t type = 2;
    double ggsM = M, xmax = M, rrsbN = M, steepness = M, d63 = M, d50 = M, lnSigma = M, sigma = M;
};

class EvalDistrFuncTest : public ::testing::Test {
  protected:
    void SetUp() override {
        brixel::plex::SetupFromHost();
        CBrixelBaseUnit::RefreshMarkers();
    }

    std::vector<double> Run(const Call& c) {
        std::vector<double> out(c.mesh.size() - 1, -1.0);
        const int64_t n = static_cast<int64_t>(out.size());
        status = 99;
        EVALDISTRFUNC(out.data(), &n, c.mesh.data(), &c.type, &c.ggsM, &c.xmax, &c.rrsbN,
                      &c.steepness, &c.d63, &c.d50, &c.lnSigma, &c.sigma, block.statusBlock.data(),
                      &status);
        return out;
    }
    std::vector<std::string> Printed() const {
        return brixel::testing::Trimmed(host.PrintedLines());
    }

    host::SubstituteHost host;
    host::Block& block = host.AddBlock("EVAL", {}, {});
    int64_t status = 99;
};

// Normalized differences of a cumulative curve given at the boundaries.
std::vector<double> Fractions(const std::vector<double>& q3) {
    std::vector<double> q(q3.size() - 1);
    q[0] = q3[1] / q3.back();
    for (std::size_t k = 1; k < q.size(); ++k) {
        q[k] = (q3[k + 1] - q3[k]) / q3.back();
    }
    return q;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(actual[k], expected[k], 1e-14) << k;
    }
}

TEST_F(EvalDistrFuncTest, RrsbFractionsFollowTheClosedForm) {
    Call c;
    c.rrsbN = 1.3;
    c.d63 = 2e-5;
    const auto q = Run(c);
    EXPECT_EQ(status, 0);
    std::vector<double> q3;
    for (const double x : c.mesh) {
        q3.push_back(Rrsb(x, 1.3, 2e-5));
    }
    ExpectNear(q, Fractions(q3));
}

TEST_F(EvalDistrFuncTest, RrsbFromD50AndD63UsesItsOwnOversize) {
    Call c;
    c.d50 = 1.5e-5;
    c.d63 = 2e-5;
    const auto q = Run(c);
    EXPECT_EQ(status, 0);
    const double n = std::log(std::log(0.5) / std::log(0.37)) / std::log(0.75);
    std::vector<double> q3;
    for (const double x : c.mesh) {
        q3.push_back(Rrsb(x, n, 2e-5));
    }
    ExpectNear(q, Fractions(q3));
}

TEST_F(EvalDistrFuncTest, GgsXmaxFromD63UsesSixtyThreePercent) {
    Call c;
    c.type = 1;
    c.ggsM = 0.8;
    c.d63 = 2e-5;
    const auto q = Run(c);
    EXPECT_EQ(status, 0);
    // Xmax lies inside the mesh, so no normalization: below D63 lies 0.63.
    const double xmax = 2e-5 / std::pow(0.63, 1.0 / 0.8);
    EXPECT_NEAR(q[0], std::pow(1e-5 / xmax, 0.8), 1e-14);
    EXPECT_NEAR(q[0] + q[1], 0.63, 1e-14);
    EXPECT_NEAR(q[2], 0.37, 1e-14);
    EXPECT_EQ(q[3], 0.0);
}

TEST_F(EvalDistrFuncTest, NormalAndLogNormalFromD63) {
    Call c;
    c.type = 4;
    c.sigma = 5e-6;
    c.d63 = 2e-5;
    auto q = Run(c);
    EXPECT_EQ(status, 0);
    const double d50 = 2e-5 - 0.33 * 5e-6;
    const auto phi = [](double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); };
    EXPECT_NEAR(q[0], phi((1e-5 - d50) / 5e-6), 1e-14);

    c.type = 3;
    c.lnSigma = 0.4;
    q = Run(c);
    EXPECT_EQ(status, 0);
    const double median = 2e-5 / std::exp(0.33 * 0.4);
    EXPECT_NEAR(q[0], phi(std::log(1e-5 / median) / 0.4), 1e-14);
}

TEST_F(EvalDistrFuncTest, NormalizationWarningSetsStatusOne) {
    Call c;
    c.mesh = {0.0, 1e-5, 2e-5};
    c.rrsbN = 1.0;
    c.d63 = 2e-5;
    const auto q = Run(c);
    EXPECT_EQ(status, 1);
    EXPECT_NEAR(q[0] + q[1], 1.0, 1e-15);
}

TEST_F(EvalDistrFuncTest, OtherTypesReturnAtOnce) {
    Call c;
    c.type = 5;
    const auto q = Run(c);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(q, std::vector<double>(4, -1.0));
    EXPECT_TRUE(Printed().empty());
}

TEST_F(EvalDistrFuncTest, SteepnessThatGivesNoDispersionIsReported) {
    Call c;
    c.steepness = 1.5;
    c.d63 = 2e-5;
    const auto q = Run(c);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(q, std::vector<double>(4, -1.0));
    EXPECT_EQ(Printed(),
              (std::vector<std::string>{"      RRSB DISPERSION PARAMETER COULD NOT BE CALCULATED",
                                        "      BASED ON GIVEN STEEPNESS (1.5)."}));
    ASSERT_EQ(host.LevelChecks().size(), 1u);
    EXPECT_EQ(host.LevelChecks()[0].tag, "EVALDIST");  // the host reads 8 characters
    EXPECT_EQ(host.LevelChecks()[0].code, 1);
}

TEST_F(EvalDistrFuncTest, GgsPairThatGivesNoExponentIsReported) {
    Call c;
    c.type = 1;
    c.d50 = 2e-5;
    c.d63 = 2e-5;
    Run(c);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(Printed(),
              (std::vector<std::string>{"      GGS DISPERSION PARAMETER COULD NOT BE CALCULATED",
                                        "      BASED ON GIVEN D50(2E-05) AND D63(2E-05)."}));
}

TEST_F(EvalDistrFuncTest, FailuresReportStatusTwoEvenWhenTheMessageIsSuppressed) {
    host.SetLevelCheck([](const host::LevelCheckCall&) { return false; });
    Call c;
    c.type = 4;
    c.sigma = 5e-6;  // neither D50 nor D63: the curve refuses D50 = 0
    EXPECT_EQ(Run(c), std::vector<double>(4, -1.0));
    EXPECT_EQ(status, 2);
    c.type = 2;
    c.steepness = 0.0;
    Run(c);
    EXPECT_EQ(status, 2);
}

TEST_F(EvalDistrFuncTest, BadArgumentsNeverCrash) {
    Call c;
    c.d63 = 2e-5;
    c.mesh = {2e-5, 1e-5, 3e-5};
    EXPECT_EQ(Run(c), std::vector<double>(2, -1.0));
    EXPECT_EQ(status, 2);

    const int64_t n = 2;
    std::vector<double> out(2, -1.0);
    EVALDISTRFUNC(out.data(), &n, nullptr, &c.type, &c.ggsM, &c.xmax, &c.rrsbN, &c.steepness,
                  &c.d63, &c.d50, &c.lnSigma, &c.sigma, nullptr, &status);
    EXPECT_EQ(status, 2);
    EVALDISTRFUNC(out.data(), &n, c.mesh.data(), &c.type, &c.ggsM, &c.xmax, &c.rrsbN, &c.steepness,
                  &c.d63, &c.d50, &c.lnSigma, &c.sigma, nullptr, nullptr);
    const int64_t zero = 0;
    EVALDISTRFUNC(out.data(), &zero, c.mesh.data(), &c.type, &c.ggsM, &c.xmax, &c.rrsbN,
                  &c.steepness, &c.d63, &c.d50, &c.lnSigma, &c.sigma, nullptr, &status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out, std::vector<double>(2, -1.0));
}

}  // namespace
