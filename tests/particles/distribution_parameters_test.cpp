#include "brixel/particles/distribution_parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "brixel/framework/status.h"
#include "support/array_helpers.h"
#include "support/unit_fixture.h"

namespace brixel {
namespace {

const std::vector<double> kMesh{0.0, 1.0, 2.0, 3.0};
const std::vector<double> kFractions{0.2, 0.3, 0.5};

double Evaluate(const std::string& name, const std::vector<double>& mesh,
                const std::vector<double>& fractions, long expectedStatus = kStatusOk) {
    DistributionParameter parameter;
    EXPECT_TRUE(ParseDistributionParameter(name, true, parameter)) << name;
    double value = -1.0;
    EXPECT_EQ(EvaluateDistributionParameter(parameter, mesh, fractions, value), expectedStatus)
        << name;
    return value;
}

TEST(DistributionParameters, PercentilesAndCumulativeFractionOnABoundaryMesh) {
    EXPECT_DOUBLE_EQ(Evaluate("X50", kMesh, kFractions), 2.0);
    EXPECT_DOUBLE_EQ(Evaluate("median", kMesh, kFractions), 2.0);
    EXPECT_DOUBLE_EQ(Evaluate("X(60)", kMesh, kFractions), 2.2);
    EXPECT_DOUBLE_EQ(Evaluate("x( 10 )", kMesh, kFractions), 0.5);
    // 0.25 lies in the second interval: 1 + (0.25 - 0.2) / 0.3.
    EXPECT_DOUBLE_EQ(Evaluate("X25", kMesh, kFractions), 1.0 + 0.05 / 0.3);
    EXPECT_DOUBLE_EQ(Evaluate("X75", kMesh, kFractions), 2.5);
    EXPECT_DOUBLE_EQ(Evaluate("X80", kMesh, kFractions), 2.6);
    EXPECT_DOUBLE_EQ(Evaluate("X85", kMesh, kFractions), 2.7);
    EXPECT_DOUBLE_EQ(Evaluate("X(0)", kMesh, kFractions), 0.0);
    EXPECT_DOUBLE_EQ(Evaluate("X(100)", kMesh, kFractions), 3.0);

    EXPECT_DOUBLE_EQ(Evaluate("Q3(1.5)", kMesh, kFractions), 0.35);
    EXPECT_DOUBLE_EQ(Evaluate("q3(-1)", kMesh, kFractions), 0.0);
    EXPECT_DOUBLE_EQ(Evaluate("Q3(3)", kMesh, kFractions), 1.0);
    EXPECT_DOUBLE_EQ(Evaluate("Q3(2)", kMesh, kFractions), 0.5);
}

TEST(DistributionParameters, UpperBoundMeshStartsTheFirstIntervalAtZero) {
    const std::vector<double> upper{1.0, 2.0, 3.0};
    EXPECT_DOUBLE_EQ(Evaluate("X50", upper, kFractions), 2.0);
    EXPECT_DOUBLE_EQ(Evaluate("X(10)", upper, kFractions), 0.5);
    EXPECT_DOUBLE_EQ(Evaluate("Q3(0.5)", upper, kFractions), 0.1);
    // Interval means 0.5, 1.5, 2.5.
    EXPECT_DOUBLE_EQ(Evaluate("SMD", upper, kFractions), 1.0 / (0.2 / 0.5 + 0.3 / 1.5 + 0.5 / 2.5));
}

TEST(DistributionParameters, SauterDiameterAndSpecificSurface) {
    const std::vector<double> mesh{0.0, 2.0, 4.0};
    const std::vector<double> halves{0.5, 0.5};
    EXPECT_DOUBLE_EQ(Evaluate("SMD", mesh, halves), 1.5);
    EXPECT_DOUBLE_EQ(Evaluate("Sauter", mesh, halves), 1.5);
    EXPECT_DOUBLE_EQ(Evaluate("SV", mesh, halves), 4.0);
    // All mass in an interval of mean size 0 has no Sauter diameter.
    EXPECT_EQ(Evaluate("SMD", {0.0, 0.0, 4.0}, {1.0, 0.0}, kStatusFail), -1.0);
    EXPECT_EQ(Evaluate("sv", mesh, {0.0, 0.0}, kStatusFail), -1.0);
}

TEST(DistributionParameters, FailuresLeaveTheValueAlone) {
    // The sum 0.9 never reaches 0.95.
    EXPECT_EQ(Evaluate("X(95)", kMesh, {0.2, 0.2, 0.5}, kStatusFail), -1.0);
    EXPECT_EQ(Evaluate("X50", {0.0, 1.0}, kFractions, kStatusInvalidArgument), -1.0);
    EXPECT_EQ(Evaluate("X50", kMesh, {0.2, -0.3, 0.5}, kStatusInvalidArgument), -1.0);
    EXPECT_EQ(Evaluate("X50", kMesh, {0.2, NAN, 0.5}, kStatusInvalidArgument), -1.0);
    EXPECT_EQ(Evaluate("Q3(1)", {0.0, INFINITY, 2.0, 3.0}, kFractions, kStatusInvalidArgument),
              -1.0);
    EXPECT_EQ(Evaluate("X50", {}, {}, kStatusInvalidArgument), -1.0);
}

TEST(DistributionParameters, UnknownNamesAreRefused) {
    DistributionParameter parameter;
    for (const char* name : {"X90", "X", "X()", "X(abc)", "X(50", "X(5 0)", "X(nan)", "Q3()",
                             "Median ", "D50", "", "X(1e400)"}) {
        EXPECT_FALSE(ParseDistributionParameter(name, true, parameter)) << name;
    }
    // Without sizes there is no Sauter diameter.
    EXPECT_FALSE(ParseDistributionParameter("SMD", false, parameter));
    EXPECT_FALSE(ParseDistributionParameter("sv", false, parameter));
    ASSERT_TRUE(ParseDistributionParameter("X(2.5e1)", false, parameter));
    EXPECT_EQ(parameter.quantity, DistributionQuantity::SizeAtFraction);
    EXPECT_DOUBLE_EQ(parameter.argument, 0.25);
}

// An RRSB distribution Q3(x) = 1 - exp(-(x/x')^k) on a fine mesh: the characteristic sizes
// from its closed form must agree with the interpolated ones within one mesh step, and the
// Sauter diameter with the integral of Q3'(x)/x.
TEST(DistributionParameters, AgreesWithAClosedFormRrsbDistribution) {
    const double position = 50e-6;
    const double spread = 1.8;
    const auto q3 = [&](double x) { return 1.0 - std::exp(-std::pow(x / position, spread)); };
    std::vector<double> mesh;
    const double step = 0.5e-6;
    for (double x = 0.0; x <= 400e-6 + step / 2; x += step) {
        mesh.push_back(x);
    }
    std::vector<double> fractions;
    for (std::size_t i = 0; i + 1 < mesh.size(); ++i) {
        fractions.push_back(q3(mesh[i + 1]) - q3(mesh[i]));
    }
    for (const double p : {0.25, 0.5, 0.8}) {
        const double exact = position * std::pow(-std::log(1.0 - p), 1.0 / spread);
        double size = 0.0;
        ASSERT_EQ(SizeAtCumulativeFraction(mesh, fractions, p, size), kStatusOk);
        EXPECT_NEAR(size, exact, step) << p;
    }
    double below = 0.0;
    ASSERT_EQ(CumulativeFractionAtSize(mesh, fractions, 73.3e-6, below), kStatusOk);
    EXPECT_NEAR(below, q3(73.3e-6), 1e-4);
    // 1 / SMD = integral of q3(x)/x dx = Gamma(1 - 1/k) / x' for the RRSB distribution.
    double sauter = 0.0;
    ASSERT_EQ(SauterMeanDiameter(mesh, fractions, sauter), kStatusOk);
    EXPECT_NEAR(sauter, position / std::tgamma(1.0 - 1.0 / spread), 0.02 * sauter);
}

TEST(DistributionParameters, MergedMeshIsSortedAndSumsCloseValues) {
    std::vector<double> mesh{3.0, 1.0, 1.0 + 5e-11, 2.0};
    std::vector<double> fractions{0.4, 0.1, 0.2, 0.3};
    MergeSortedMesh({1, 2, 3, 0}, 1e-10, mesh, fractions);
    EXPECT_EQ(mesh, (std::vector<double>{1.0, 2.0, 3.0}));
    ASSERT_EQ(fractions.size(), 3u);
    EXPECT_DOUBLE_EQ(fractions[0], 0.3);
    EXPECT_DOUBLE_EQ(fractions[1], 0.3);
    EXPECT_DOUBLE_EQ(fractions[2], 0.4);
}

// ---- the unit's operation ----

using testing::Numbers;
using testing::TestUnit;
using testing::VariantNumbers;

class DistributionParameterUnitTest : public testing::UnitTest {
  protected:
    long Get(const char* attribute, const char* parameter, const CComSafeArray<VARIANT>* givenMesh,
             const CComSafeArray<double>* givenFractions) {
        value = -1.0;
        return unit.GetDistributionParameter(0, CComBSTR(attribute), CComBSTR(parameter), &value,
                                             givenMesh, givenFractions);
    }
    void Expect(const char* attribute, const char* parameter,
                const CComSafeArray<VARIANT>* givenMesh,
                const CComSafeArray<double>* givenFractions, double expected) {
        EXPECT_EQ(Get(attribute, parameter, givenMesh, givenFractions), kStatusOk) << parameter;
        EXPECT_DOUBLE_EQ(value, expected) << parameter;
    }

    TestUnit unit;
    double value = -1.0;
    const CComSafeArray<VARIANT> mesh = VariantNumbers({0.0, 1.0, 2.0, 3.0});
    const CComSafeArray<double> fractions = Numbers({0.2, 0.3, 0.5});
};

TEST_F(DistributionParameterUnitTest, SuppliedPsdGivesTheParameters) {
    // The names and values themselves are checked on the functions above.
    Expect("PSD", "X50", &mesh, &fractions, 2.0);
    Expect("PSD", "Q3(1.5)", &mesh, &fractions, 0.35);
    const CComSafeArray<VARIANT> sauterMesh = VariantNumbers({0.0, 2.0, 4.0});
    const CComSafeArray<double> halves = Numbers({0.5, 0.5});
    Expect("PSD", "SMD", &sauterMesh, &halves, 1.5);
    Expect("PSD", "sv", &sauterMesh, &halves, 4.0);
    const CComSafeArray<VARIANT> upper = VariantNumbers({1.0, 2.0, 3.0});
    Expect("PSD", "X(60)", &upper, &fractions, 2.2);
}

TEST_F(DistributionParameterUnitTest, RefusedNamesAndFailedSums) {
    EXPECT_EQ(Get("PSD", "X90", &mesh, &fractions), kStatusInvalidArgument);
    EXPECT_EQ(Get("psd", "X50", &mesh, &fractions), kStatusInvalidArgument);
    EXPECT_EQ(Get("", "X50", &mesh, &fractions), kStatusInvalidArgument);
    EXPECT_EQ(Get("PSD", "", &mesh, &fractions), kStatusInvalidArgument);
    EXPECT_EQ(Get("TVD", "SMD", &mesh, &fractions), kStatusInvalidArgument);
    EXPECT_EQ(value, -1.0);
    const CComSafeArray<double> short_ = Numbers({0.2, 0.2, 0.5});
    EXPECT_EQ(Get("PSD", "X(95)", &mesh, &short_), kStatusFail);
    EXPECT_EQ(value, -1.0);
    EXPECT_EQ(unit.GetDistributionParameter(0, CComBSTR("PSD"), CComBSTR("X50"), nullptr, &mesh,
                                            &fractions),
              kStatusNullPointer);
    EXPECT_TRUE(host.HistoryLines().empty());
}

TEST_F(DistributionParameterUnitTest, VelocitiesAreSortedAndMergedFirst) {
    // Classes at 3, 1, 1 + 5e-11 and 2 m/s: sorted 1 (0.3), 2 (0.3), 3 (0.4), upper bounds.
    const CComSafeArray<VARIANT> velocities = VariantNumbers({3.0, 1.0, 1.0 + 5e-11, 2.0});
    const CComSafeArray<double> shares = Numbers({0.4, 0.1, 0.2, 0.3});
    Expect("TVD", "X50", &velocities, &shares, 1.0 + 0.2 / 0.3);
    Expect("TVD", "Q3(2.5)", &velocities, &shares, 0.8);
    EXPECT_EQ(Get("TVD", "X50", &velocities, &fractions), kStatusInvalidArgument);
}

TEST_F(DistributionParameterUnitTest, StreamPsdIsFetchedWhenNotSupplied) {
    Bind(unit, {FeedStream()}, {});
    EXPECT_EQ(Get("PSD", "X50", nullptr, nullptr), kStatusOk);
    // Stream mesh {0, 1e-6, 1e-5, 1e-4} with fractions {0.2, 0.3, 0.5}.
    EXPECT_NEAR(value, 1e-5, 1e-18);
    EXPECT_EQ(Get("PSD", "Q3(5.5e-6)", nullptr, nullptr), kStatusOk);
    EXPECT_NEAR(value, 0.35, 1e-12);
    EXPECT_TRUE(host.HistoryLines().empty());
}

// Velocities are never fetched, and a stream without solids has no PSD to fetch.
TEST_F(DistributionParameterUnitTest, MissingDistributionIsAnError) {
    Bind(unit, {NewStream()}, {});
    for (const char* attribute : {"TVD", "PSD"}) {
        host.ClearCaptures();
        EXPECT_EQ(Get(attribute, "X50", nullptr, &fractions), kStatusFail) << attribute;
        EXPECT_EQ(value, TestUnit::m_dblRMiss) << attribute;
        // WriteHis upper-cases and indents every history line.
        EXPECT_EQ(host.HistoryLines(),
                  std::vector<std::string>{"      ERROR CALCULATING DISTRIBUTION PARAMETER"});
    }
}

// ---- moisture content ----

// H2O (MW 18, the water CAS number) is the moisture component, SAND (MW 60) a conventional
// solid, COAL a non-conventional solid with a moisture value.
class MoistureTest : public ::testing::Test {
  protected:
    // CISOLID: `water` and `sand` kmol/s (0.5 kmol/s H2O is 9 kg/s, 1 kmol/s SAND 60 kg/s); NC:
    // `coal` kg/s at the given moisture (mass %, wet; none when negative). Binds the unit to it.
    int64_t Feed(double water, double sand, double coal, double moisture, bool waterCas = true) {
        host.AddComponent(
            {.id = "H2O", .molecularWeight = 18.0, .cas = waterCas ? "7732-18-5" : ""});
        host.AddComponent({.id = "SAND", .molecularWeight = 60.0, .conventionalSolid = true});
        host.AddNonconventionalComponent("COAL");
        host.SetMoistureAttribute("PROXANAL");
        host.SetMoistureComponents({1});
        const int64_t streamClass = host.AddStreamClass(
            "MIXCINC", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}, {"NC", 3, {{"PROXANAL", {}, 1}}}});
        plex::SetupFromHost();
        unit.EnableOutput(true);
        const int64_t bead = host.AddStream(streamClass);
        host.SetSubstream(
            bead, 1, {.flows = {water, sand}, .temperature = 300.0, .pressure = 1e5, .psd = {}});
        host.SetSubstream(bead, 2,
                          {.flows = {coal}, .temperature = 300.0, .pressure = 1e5, .psd = {}});
        if (moisture >= 0.0) {
            host.SetMoisture(bead, 2, 1, moisture);
        }
        block = &host.AddBlock("B1", {bead}, {});
        unit.SetStreamBeads(&inletCount, block->inlets.data(), &outletCount, block->outlets.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.NamePorts({"IN"});
        return bead;
    }

    std::vector<double> Get(const char* attribute, long expected = kStatusOk) {
        CComSafeArray<double> values;
        EXPECT_EQ(unit.GetDistrDependentSolidAttribute(0, CComBSTR(attribute), nullptr, values),
                  expected);
        return testing::Doubles(values);
    }

    long Set(const char* attribute, std::initializer_list<double> content) {
        return unit.SetDistrDependentSolidAttribute(CString("IN"), CComBSTR(attribute), nullptr,
                                                    Numbers(content));
    }

    std::vector<double> Vector(int64_t bead) {
        return {host.StreamVector(bead), host.StreamVector(bead) + host.VectorLength(bead)};
    }

    host::SubstituteHost host;
    TestUnit unit;
    host::Block* block = nullptr;
    int64_t inletCount = 1;
    int64_t outletCount = 0;
};

TEST_F(MoistureTest, ContentCountsConventionalAndNonconventionalMoisture) {
    Feed(0.5, 1.0, 31.0, 10.0);
    // S = 9 + 60 + 31 = 100 kg/s, W = 9 + 3.1 = 12.1 kg/s.
    const std::vector<double> dry = Get("smc");
    ASSERT_EQ(dry.size(), 2u);
    EXPECT_NEAR(dry[0], 12.1 / 87.9, 1e-12);
    EXPECT_EQ(dry[1], 0.0);
    EXPECT_NEAR(Get("SMC(dry)")[0], 12.1 / 87.9, 1e-12);
    EXPECT_NEAR(Get("SMC(Wet)")[0], 0.121, 1e-12);
    Get("SMC(moist)", kStatusInvalidArgument);
    CComSafeArray<BSTR> list(1);
    CComSafeArray<double> values;
    EXPECT_EQ(unit.GetDistrDependentSolidAttribute(0, CComBSTR("SMC"), &list, values),
              kStatusCapeBadInvocationOrder);
    EXPECT_TRUE(host.PrintedLines().empty());
}

TEST_F(MoistureTest, SetThenGetRoundTripsOnUnchangedDrySolids) {
    const int64_t bead = Feed(0.5, 1.0, 31.0, 10.0);
    ASSERT_EQ(Set("SMC(wet)", {0.2, 0.0}), kStatusOk);
    EXPECT_NEAR(Get("SMC(wet)")[0], 0.2, 1e-12);
    EXPECT_NEAR(Get("SMC")[0], 0.25, 1e-12);
    // Dry solids 87.9 kg/s carry 87.9 / 0.8 - 87.9 = 21.975 kg/s water, all in CISOLID now.
    const double* vector = host.StreamVector(bead);
    const int64_t cisolid = host.SubstreamOffset(bead, 1);
    const int64_t nc = host.SubstreamOffset(bead, 2);
    EXPECT_NEAR(vector[cisolid], 21.975 / 18.0, 1e-12);
    EXPECT_DOUBLE_EQ(vector[cisolid + 1], 1.0);
    EXPECT_NEAR(vector[nc], 27.9, 1e-12);
    ASSERT_EQ(Set("SMC", {0.1, 0.0}), kStatusOk);
    EXPECT_NEAR(Get("SMC(dry)")[0], 0.1, 1e-12);
    EXPECT_NEAR(vector[cisolid], 8.79 / 18.0, 1e-12);
}

TEST_F(MoistureTest, NonconventionalSolidsAloneHoldWaterAsTheirMoisture) {
    const int64_t bead = Feed(0.0, 0.0, 20.0, -1.0);
    EXPECT_EQ(Get("SMC")[0], 0.0);
    ASSERT_EQ(Set("SMC(dry)", {0.25, 0.0}), kStatusOk);
    // 20 kg/s dry coal with 5 kg/s water: 25 kg/s at 20 % moisture.
    EXPECT_NEAR(host.StreamVector(bead)[host.SubstreamOffset(bead, 2)], 25.0, 1e-12);
    EXPECT_NEAR(Get("SMC(wet)")[0], 0.2, 1e-12);
}

TEST_F(MoistureTest, MoistureWithoutAWaterComponentIsAnError) {
    Feed(0.5, 1.0, 31.0, 10.0, false);
    Get("SMC", kStatusFail);
    EXPECT_EQ(testing::Trimmed(host.PrintedLines()),
              (std::vector<std::string>{
                  "      STREAM CONTAINS NON-CONVENTIONAL SOLIDS WITH DEFINED WATER CONTENT",
                  "      BUT WATER HAS NOT BEEN DEFINED AS MOISTURE COMPONENT.",
                  "      PLEASE ADD WATER AS CONVENTIONAL MOISTURE COMPONENT."}));
}

TEST_F(MoistureTest, RefusedSettings) {
    const int64_t bead = Feed(0.5, 1.0, 31.0, 10.0);
    const std::vector<double> before = Vector(bead);
    EXPECT_EQ(Set("SMC", {0.1, 0.2}), kStatusCapeInvalidArgument);
    EXPECT_EQ(testing::Trimmed(host.PrintedLines()),
              (std::vector<std::string>{
                  "      MODEL SET SOLIDS MOISTURE CONTENT FOR COMPONENTS NOT DEFINED AS",
                  "      MOISTURE COMPONENTS. PLEASE ENSURE", "             SAND",
                  "      HAVE BEEN SELECTED AS MOISTURE COMPONENTS."}));
    EXPECT_EQ(Set("SMC", {0.1}), kStatusInvalidArgument);
    EXPECT_EQ(Set("SMC", {-0.1, 0.0}), kStatusInvalidArgument);
    EXPECT_EQ(Set("SMC(wet)", {1.0, 0.0}), kStatusInvalidArgument);
    EXPECT_EQ(Vector(bead), before);
}

TEST_F(MoistureTest, SolidsWithoutDryFlowCannotTakeMoisture) {
    Feed(0.5, 0.0, 0.0, -1.0);
    EXPECT_EQ(Set("SMC(wet)", {0.1, 0.0}), kStatusFail);
    EXPECT_EQ(testing::Trimmed(host.PrintedLines()),
              (std::vector<std::string>{"      NO SOLIDS FLOW IN CISOLID AND/OR NC SUB STREAM.",
                                        "      SETTING SOLIDS MOISTURE CONTENT NOT POSSIBLE."}));
}

TEST_F(MoistureTest, StreamWithoutSolidsIsRefused) {
    Feed(0.0, 0.0, 0.0, -1.0);
    EXPECT_EQ(Set("SMC", {0.1, 0.0}), kStatusCapeInvalidArgument);
    EXPECT_TRUE(host.PrintedLines().empty());
}

}  // namespace
}  // namespace brixel
