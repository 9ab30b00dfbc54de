// Separator split and classification on real substances: specifications, messages, the
// fallback outlets and classification by size and by settling velocity.
#include "brixel/models/separation/separation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/models/separation/separation_base_unit.h"
#include "brixel/platform/bstr.h"
#include "models/separation/separator_fixture.h"

namespace brixel::testing {
namespace {

// Rogers separation function written out independently: share of a class of size x that
// goes to the solid outlet.
double Rogers(double x, double d50, double alpha) {
    return 1.0 / (1.0 + d50 / x * std::exp(alpha * (1.0 - std::pow(x / d50, 3))));
}
// Row i of an efficiency curve: (class value, efficiency in percent).
std::pair<double, double> CurvePoint(const CComSafeArray<double>& curve, long i) {
    std::pair<double, double> point{-1.0, -1.0};
    const long first[2] = {i, 0};
    const long second[2] = {i, 1};
    EXPECT_EQ(curve.MultiDimGetAt(first, point.first), kStatusOk);
    EXPECT_EQ(curve.MultiDimGetAt(second, point.second), kStatusOk);
    return point;
}
double ClassMid(std::size_t i) {
    return 0.5 * (kMesh[i] + kMesh[i + 1]);
}

// ---- split resolution ----

struct SplitCase {
    int fluidType;
    const char* name1;
    double value1;
    const char* name2;
    double value2;
    bool solids = true;
};

// Checks what each specification means on the outlets themselves: the share of a phase in
// an outlet, or the load of one phase in the other outlet's product.
TEST_F(SeparatorTest, EverySpecificationPairIsMetAndConservesEveryComponent) {
    const SplitCase cases[] = {
        {0, kSolidSplit, 0.9, kVaporSplit, 0.95},
        {0, kSolidSplit, 0.8, kVaporLoad, 0.5},
        {0, kVaporSplit, 0.9, kSolidLoadOfVapor, 0.05},
        {0, kVaporSplit, 0.7, kVaporLoad, 1.5},
        {0, kSolidLoadOfVapor, 0.3, kSolidSplit, 0.6},
        {0, kSolidSplit, 0.9, kVaporSplit, 0.4, false},
        {1, kSolidSplit, 0.95, kSolidLoadOfFluid, 0.02},
        {1, kFluidSplit, 0.8, kSolidSplit, 0.7},
        {1, kSolidSplit, 0.9, kFluidLoad, 0.4},
        {1, kFluidSplit, 0.6, kFluidLoad, 2.0},
    };
    for (const double sharpness : {0.0, 0.5}) {
        for (const SplitCase& c : cases) {
            SCOPED_TRACE(std::string(c.name1) + " / " + c.name2 + ", sharpness " +
                         std::to_string(sharpness));
            Separator unit(c.fluidType);
            Specify(unit, c.fluidType == 0 ? GasFeed(c.solids ? 0.02 : 0.0) : SlurryFeed(), c.name1,
                    c.value1, c.name2, c.value2, sharpness);
            ASSERT_EQ(unit.Calculate(), kStatusOk);
            ExpectComponentBalance();

            const int fluidComponent = c.fluidType == 0 ? kNitrogen : kWater;
            const int solidComponent = c.fluidType == 0 ? kSilica : kCalcite;
            const double fluidWeight = c.fluidType == 0 ? kNitrogenWeight : kWaterWeight;
            const double solidWeight = c.fluidType == 0 ? kSilicaWeight : kCalciteWeight;
            const double fluidIn = Component(inlet, fluidComponent) * fluidWeight;
            const double solidIn = Component(inlet, solidComponent) * solidWeight;
            const double fluidInFluid = Component(fluidOut, fluidComponent) * fluidWeight;
            const double fluidInSolid = Component(solidOut, fluidComponent) * fluidWeight;
            const double solidInFluid = Component(fluidOut, solidComponent) * solidWeight;
            const double solidInSolid = Component(solidOut, solidComponent) * solidWeight;
            if (!c.solids) {
                EXPECT_EQ(solidInFluid + solidInSolid, 0.0);
                EXPECT_EQ(unit.GetSeparation()->GetSolidSplitCalc(), 0.0);
            }
            const double tolerance = sharpness > 0.0 ? 1e-3 : 1e-12;
            for (const auto& [name, value] : {std::pair{c.name1, c.value1}, {c.name2, c.value2}}) {
                const std::string specification = name;
                double achieved = 0.0;
                if (specification == kSolidSplit) {
                    if (!c.solids) {
                        continue;
                    }
                    achieved = solidInSolid / solidIn;
                } else if (specification == kVaporSplit || specification == kFluidSplit) {
                    achieved = fluidInFluid / fluidIn;
                } else if (specification == kVaporLoad || specification == kFluidLoad) {
                    achieved = fluidInSolid / solidInSolid;
                } else {
                    achieved = solidInFluid / fluidInFluid;
                }
                EXPECT_NEAR(achieved, value, tolerance * value) << specification;
            }
        }
    }
}

TEST_F(SeparatorTest, IdenticalSolidSplitNamesSendAllFluidToTheSolidOutlet) {
    Separator unit(1);
    Specify(unit, SlurryFeed(), kSolidSplit, 0.6, kSolidSplit, 0.6);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(Component(fluidOut, kWater), 0.0);
    EXPECT_NEAR(Component(solidOut, kCalcite), 0.6 * 0.05, 1e-15);
    ExpectComponentBalance();
}

TEST_F(SeparatorTest, GasSeparatorSendsLiquidWithTheSolids) {
    // Humid nitrogen at 300 K: the frame flashes the inlet, most of the water condenses.
    Separator unit(0);
    Specify(unit, Inlet({0.1, 0.05, 0.0, 0.0}, host::kRealMissing, {0.0, 0.0, 0.02, 0.0}, 300.0),
            kSolidSplit, 0.8, kVaporSplit, 1.0);
    unit.GetStateVariables()->SetTemperatureChange(0.0);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    ExpectComponentBalance();
    const double liquidIn = PhaseMass(unit, inlet, "liquid");
    ASSERT_GT(liquidIn, 0.5);  // ~0.046 kmol/s of water condensed
    EXPECT_NEAR(PhaseMass(unit, solidOut, "liquid"), 0.8 * liquidIn, 1e-3 * liquidIn);
}

// ---- messages ----

struct MessageCase {
    struct {
        int fluidType;
        const char* name1;
        double value1;
        const char* name2;
        double value2;
        long status;
        double solidSplit, fluidSplit;  // after clipping; -1 when refused
    } split;
    std::vector<std::string> lines;
};

TEST_F(SeparatorTest, InfeasibleSpecificationsAreClippedOrRefusedWithExactMessages) {
    // Gas: F = 2.8014 kg/s N2, S = 1.20168 kg/s SiO2. Liquid: F = 18.015, S = 5.00435.
    const MessageCase cases[] = {
        // sf = 0.5 F / (0.5 S) = 2.33 > 1; minimum load (1 - ff) F / S = 1.1656.
        {{0, kVaporSplit, 0.5, kVaporLoad, 0.5, kStatusOk, 1.0, 0.5},
         {"      VAPOR LOAD OF SOLID PRODUCT TOO SMALL FOR GIVEN FLOW SPLIT OF FLUID",
          "      PHASE. CALCULATING WITH MINIMUM VAPOR LOAD OF SOLID PRODUCT (1.17 KG/KG)"}},
        // sf = 1 - 0.5 * 0.8 F / S < 0; maximum load S / (0.8 F) = 0.34724.
        {{1, kFluidSplit, 0.8, kSolidLoadOfFluid, 0.5, kStatusOk, 0.0, 0.8},
         {"      SOLID LOAD OF FLUID PRODUCT TOO HIGH FOR GIVEN FLOW SPLIT OF FLUID",
          "      PHASE. CALCULATING WITH MAXIMUM SOLID LOAD OF FLUID PRODUCT (0.347",
          "      KG/KG)"}},
        // ff = 1 - 5 * 0.9 S / F < 0; maximum load F / (0.9 S) = 3.99986.
        {{1, kSolidSplit, 0.9, kFluidLoad, 5.0, kStatusOk, 0.9, 0.0},
         {"      FLUID LOAD OF SOLID PRODUCT TOO HIGH FOR GIVEN FLOW SPLIT OF SOLID",
          "      PHASE. CALCULATING WITH MAXIMUM FLUID LOAD OF SOLID PRODUCT (4 KG/KG)."}},
        // ff = 0.4 S / (0.05 F) = 2.22 > 1; minimum load 0.4 S / F = 0.111115.
        {{1, kSolidSplit, 0.6, kSolidLoadOfFluid, 0.05, kStatusOk, 0.6, 1.0},
         {"      SOLID LOAD OF FLUID PRODUCT TOO SMALL FOR GIVEN FLOW SPLIT OF SOLID",
          "      PHASE. CALCULATING WITH MINIMUM SOLID LOAD OF FLUID PRODUCT (0.111",
          "      KG/KG)."}},
        // All vapour to the vapour outlet leaves none to carry the solids: sf = 0, then 1.
        {{0, kVaporSplit, 1.0, kVaporLoad, 0.3, kStatusOk, 1.0, 1.0},
         {"      ZERO FLUID FLOW SPECIFIED IN SOLID OUTLET. SPECIFIED FLUID LOAD",
          "      OF SOLID OUTLET CANNOT BE MET. ALL SOLID SET TO SOLID OUTLET."}},
        {{1, kSolidSplit, 1.0, kSolidLoadOfFluid, 0.2, kStatusOk, 1.0, 1.0},
         {"      ZERO SOLID FLOW SPECIFIED IN FLUID OUTLET. SPECIFIED SOLID LOAD",
          "      OF FLUID OUTLET CANNOT BE MET. ALL FLUID SET TO FLUID OUTLET."}},
        {{0, kVaporLoad, 0.0, kVaporSplit, 0.5, kStatusCapeInvalidArgument, -1, -1},
         {"      VAPOR LOAD OF SOLID PRODUCT MUST NOT BE 0.0 IF FLOW",
          "      SPLIT OF FLUID IS DEFINED. BLOCK BYPASSED."}},
        {{1, kSolidSplit, 0.5, kSolidLoadOfFluid, 0.0, kStatusCapeInvalidArgument, -1, -1},
         {"      SOLID LOAD OF FLUID PRODUCT MUST NOT BE ZERO IF FLOW",
          "      SPLIT OF SOLID IS DEFIEND. BLOCK BYPASSED."}},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(std::string(c.split.name1) + " / " + c.split.name2);
        host.ClearCaptures();
        const auto& split = c.split;
        Separator unit(split.fluidType);
        Specify(unit, split.fluidType == 0 ? GasFeed() : SlurryFeed(), split.name1, split.value1,
                split.name2, split.value2);
        EXPECT_EQ(unit.Calculate(), split.status);
        std::vector<std::string> printed = host.PrintedLines();
        for (std::string& line : printed) {
            line.erase(line.find_last_not_of(' ') + 1);
        }
        EXPECT_EQ(printed, c.lines);
        ASSERT_EQ(host.Prints().size(), 1u);  // both lines in one print
        if (split.status != kStatusOk) {
            EXPECT_TRUE(unit.HasCalculationErrors());
            EXPECT_EQ(Outcome(), -9999);
            continue;
        }
        ExpectComponentBalance();
        const bool warning = c.lines[0].find("ZERO") == std::string::npos;
        EXPECT_EQ(Outcome(), warning ? -9990 : -9999);
        const int solid = split.fluidType == 0 ? kSilica : kCalcite;
        const int fluid = split.fluidType == 0 ? kNitrogen : kWater;
        EXPECT_NEAR(Component(solidOut, solid), split.solidSplit * Component(inlet, solid), 1e-15);
        EXPECT_NEAR(Component(fluidOut, fluid), split.fluidSplit * Component(inlet, fluid), 1e-15);
    }
}

TEST_F(SeparatorTest, LiquidSeparatorWarnsOfVapourAndSendsItToTheFluidOutlet) {
    Separator unit(1);
    Specify(unit, Inlet({0.01, 1.0, 0.0, 0.0}, host::kRealMissing, {0.0, 0.0, 0.0, 0.05}, 300.0),
            kSolidSplit, 0.9, kFluidSplit, 0.8);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(host.PrintedLines(),
              (std::vector<std::string>{
                  "      VAPOR PHASE PRESENT AT INLET. VAPOR PHASE WILL BE COPIED TO LIQUID",
                  "      OUTLET AND OTHERWISE IGNORED WHEN CALCULATING THE LIQUID/SOLID FLOW",
                  "      SPLIT."}));
    EXPECT_EQ(Outcome(), -9990);
    ExpectComponentBalance();
    // Only the nitrogen dissolved in the liquid share (20 %) reaches the solid outlet; the
    // inlet vapour holds ~98 % of it.
    EXPECT_LT(Component(solidOut, kNitrogen), 0.05 * Component(inlet, kNitrogen));
}

TEST_F(SeparatorTest, ValidationMessagesAreExact) {
    struct Case {
        struct {
            int fluidType;
            const char* name1;
            double value1;
            const char* name2;
            double value2;
            double offset, sharpness;
        } split;
        std::vector<std::string> lines;
    };
    const double missing = CBrixelBaseUnit::m_dblRMiss;
    const Case cases[] = {
        {{0, kSolidSplit, 1.0, kVaporSplit, 1.0, 0.0, 0.5}, {}},
        {{1, kSolidSplit, 1.0, kSolidLoadOfFluid, 0.0, 0.0, 0.5},
         {"      SOLID LOAD OF FLUID PRODUCT MUST NOT BE 0.0"}},
        {{0, "", 1.0, kVaporSplit, 1.0, 0.0, -0.1},
         {"      FLOW SPLIT NOT DEFINED.", "      SEPARATION SHARPNESS MUST BE GREATER THAN 0.0"}},
        {{1, kFluidLoad, 1.0, kSolidLoadOfFluid, 1.0, 0.0, 1.5},
         {"      FLOW SPLIT UNDEFINED. DEFINITION OF LOAD OF BOTH OUTLET STREAMS NOT",
          "      ALLOWED.", "      SEPARATION SHARPNESS MUST BE SMALLER THAN 1.0"}},
        {{0, kSolidSplit, missing, kVaporSplit, -0.5, 0.0, 0.5},
         {"      MASS FRACTION OF SOLIDS TO SOLID OUTLET NOT DEFINED.",
          "      MASS FRACTION OF VAPOR TO VAPOR OUTLET MUST BE GREATER THAN 0.0",
          "      MASS FRACTION OF SOLIDS TO SOLID OUTLET MUST BE SMALLER THAN 1.0"}},
        {{0, kVaporSplit, 1.2, kVaporLoad, 0.0, 0.0, 0.5},
         {"      MASS FRACTION OF VAPOR TO VAPOR OUTLET MUST BE SMALLER THAN 1.0",
          "      VAPOR LOAD OF SOLID PRODUCT MUST NOT BE 0.0"}},
        {{1, kSolidSplit, 0.3, kFluidSplit, missing, 0.5, 0.5},
         {"      MASS FRACTION OF FLUID TO FLUID OUTLET NOT DEFINED.",
          "      OFFSET OF FINES (0.5) MUST BE SMALLER THAN SOLID FLOW SPLIT (0.3)",
          "      MASS FRACTION OF FLUID TO FLUID OUTLET MUST BE SMALLER THAN 1.0"}},
        {{1, kSolidLoadOfFluid, 0.0, kSolidSplit, 0.25, 0.3, 0.5},
         {"      SOLID LOAD OF FLUID PRODUCT MUST NOT BE 0.0",
          "      OFFSET OF FINES (0.3) MUST BE SMALLER THAN SOLID FLOW SPLIT (0.25)"}},
        {{1, kFluidSplit, -1.0, kSolidSplit, 2.0, 0.0, 0.5},
         {"      MASS FRACTION OF FLUID TO FLUID OUTLET MUST BE GREATER THAN 0.0",
          "      MASS FRACTION OF SOLIDS TO SOLID OUTLET MUST BE SMALLER THAN 1.0"}},
        {{0, "mass fraction of fluid", 0.5, kSolidSplit, 0.5, 0.0, 0.5},
         {"      MASS FRACTION OF FLUID IS NOT A KNOWN FLOW SPLIT SPECIFICATION."}},
    };
    for (const Case& c : cases) {
        const auto& split = c.split;
        SCOPED_TRACE(std::string(split.name1) + " / " + split.name2);
        host.ClearCaptures();
        Separator unit(split.fluidType);
        Specify(unit, SlurryFeed(), split.name1, split.value1, split.name2, split.value2,
                split.sharpness);
        unit.GetSeparation()->SetOffset(split.offset);
        unit.ValidateData();
        EXPECT_EQ(unit.HasValidationErrors(), !c.lines.empty());
        EXPECT_EQ(host.PrintedLines(), c.lines);
        for (const auto& check : host.LevelChecks()) {
            EXPECT_EQ(check.tag, "SOLSEP");
        }
    }
}

// ---- fallback ----

TEST_F(SeparatorTest, FallbackOutletsAreAnIdealSplitWithoutDoubledLiquid) {
    for (const int fluidType : {0, 1}) {
        SCOPED_TRACE(fluidType);
        host.ClearCaptures();
        Separator unit(fluidType);
        // Nitrogen, water (partly condensed by the inlet flash) and silica at 300 K.
        const int64_t feed =
            Inlet({0.1, 0.05, 0.0, 0.0}, host::kRealMissing, {0.0, 0.0, 0.02, 0.0}, 300.0);
        if (fluidType == 0) {
            Specify(unit, feed, kVaporLoad, 0.0, kVaporSplit, 0.5);
        } else {
            Specify(unit, feed, kSolidSplit, 0.5, kSolidLoadOfFluid, 0.0);
        }
        EXPECT_EQ(unit.Calculate(), kStatusCapeInvalidArgument);
        unit.SetErrorExit();
        EXPECT_EQ(Outcome(), -9991);
        EXPECT_EQ(host.HistoryLines().back(),
                  "      ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK MODE!");
        ExpectComponentBalance();
        EXPECT_EQ(Component(fluidOut, kSilica), 0.0);
        EXPECT_NEAR(Component(solidOut, kSilica), 0.02, 1e-15);
        EXPECT_EQ(PhaseMass(unit, solidOut, "vapor"), 0.0);
        EXPECT_EQ(PhaseMass(unit, fluidType == 0 ? fluidOut : solidOut, "liquid"), 0.0);
    }
}

// ---- failure paths ----

// A separator whose inlet's two solid substreams carry PSDs of `intervals1` and `intervals2`
// intervals (0: no PSD attribute); nitrogen at 350 K and 0.01 kmol/s of silica in each.
int64_t TwoSolidFeed(host::SubstituteHost& host, int64_t& streamClass, int intervals1,
                     int intervals2) {
    const auto attributes = [](int intervals) {
        std::vector<host::Attribute> list;
        if (intervals > 0) {
            std::vector<double> mesh{0.0};
            for (int i = 1; i <= intervals; ++i) {
                mesh.push_back(1e-5 * i);
            }
            list.push_back(host::Psd(mesh));
        }
        return list;
    };
    streamClass = host.AddStreamClass(
        "MIXCI2",
        {{"MIXED", 1, {}}, {"CI1", 2, attributes(intervals1)}, {"CI2", 2, attributes(intervals2)}});
    plex::SetupFromHost();
    const int64_t bead = host.AddStream(streamClass);
    host::SubstreamState state;
    state.temperature = 350.0;
    state.pressure = 1e5;
    state.vaporFraction = 1.0;
    state.liquidFraction = 0.0;
    state.flows = {0.1, 0.0, 0.0, 0.0};
    host.SetSubstream(bead, 0, state);
    state.vaporFraction = state.liquidFraction = 0.0;
    state.density = 2650.0;
    state.flows = {0.0, 0.0, 0.01, 0.0};
    for (const auto& [substream, intervals] : {std::pair{1, intervals1}, {2, intervals2}}) {
        state.psd.assign(static_cast<std::size_t>(intervals), 1.0 / std::max(intervals, 1));
        host.SetSubstream(bead, substream, state);
    }
    return bead;
}

TEST_F(SeparatorTest, ClassGridFailuresEndTheCalculationWithTheirOwnError) {
    // PSDs of 2 and 3 intervals have no common mesh.
    struct Case {
        const char* attribute;
        std::vector<std::string> lines;
    };
    for (const Case& c :
         {Case{"particle size", {"      FAILED TO GET PSD. BLOCK BYPASSED."}},
          Case{"particle settling velocity", {"      FAILED TO GET TVD. BLOCK BYPASSED."}}}) {
        SCOPED_TRACE(c.attribute);
        host.ClearCaptures();
        Separator unit(0);
        Specify(unit, TwoSolidFeed(host, streamClass, 2, 3), kSolidSplit, 0.6, kVaporSplit, 1.0,
                0.5);
        unit.GetSeparation()->SetAttributeForClass(c.attribute);
        EXPECT_EQ(unit.Calculate(), kStatusInvalidArgument);
        EXPECT_TRUE(unit.HasCalculationErrors());
        EXPECT_EQ(host.PrintedLines(), c.lines);
        ASSERT_FALSE(host.LevelChecks().empty());
        EXPECT_EQ(host.LevelChecks().back().tag, "SOLSEP");
    }
}

TEST_F(SeparatorTest, SolidsWithoutAnyPsdHaveNoStartValue) {
    Separator unit(0);
    Specify(unit, TwoSolidFeed(host, streamClass, 0, 0), kSolidSplit, 0.6, kVaporSplit, 1.0, 0.5);
    EXPECT_LT(unit.Calculate(), 0);
    EXPECT_EQ(host.PrintedLines(),
              (std::vector<std::string>{
                  "      COULD NOT GET START VALUES FOR SEPARATION. BLOCK BYPASSED."}));
}

TEST_F(SeparatorTest, FailuresWithoutAnErrorOfTheirOwnAreReportedByTheFrame) {
    const int64_t twoSubstreams = streamClass;
    {
        // Outlets of another stream class than the inlet cannot take its copy.
        const int64_t feed = GasFeed();
        streamClass = host.AddStreamClass("MIXONLY", {{"MIXED", 1, {}}});
        Separator unit(0);
        Specify(unit, feed, kSolidSplit, 0.6, kVaporSplit, 1.0);
        EXPECT_EQ(unit.Calculate(), kStatusInvalidArgument);
        EXPECT_EQ(host.PrintedLines(),
                  (std::vector<std::string>{"      CALCULATION OF SEPARATION FAILED."}));
        ASSERT_EQ(host.LevelChecks().size(), 1u);
        EXPECT_EQ(host.LevelChecks()[0].tag, "SEPBASE");
        EXPECT_EQ(host.LevelChecks()[0].code, 1);
    }
    host.ClearCaptures();
    {
        // A heat duty selected but not given cannot be shared between the outlets.
        streamClass = twoSubstreams;
        Separator unit(0);
        Specify(unit, GasFeed(), kSolidSplit, 0.6, kVaporSplit, 1.0);
        unit.GetStateVariables()->SetState1("heat duty");
        EXPECT_EQ(unit.Calculate(), kStatusInvalidArgument);
        EXPECT_EQ(host.PrintedLines(),
                  (std::vector<std::string>{"      FLASH CALCULATION OF OUTLETS FAILED."}));
        ASSERT_EQ(host.LevelChecks().size(), 1u);
        EXPECT_EQ(host.LevelChecks()[0].tag, "SEPBASE");
        EXPECT_EQ(host.LevelChecks()[0].code, 2);
    }
}

TEST_F(SeparatorTest, ARefusedClassMoveBypassesTheBlockWithItsOwnError) {
    // The fluid outlet's class has the inlet's vector length but a PSD of 4 intervals beside a
    // 4-word attribute: the copy fits, moving 8 classes into it does not.
    const int64_t feed = GasFeed();
    Separator unit(0);
    Specify(unit, feed, kSolidSplit, 0.6, kVaporSplit, 1.0, 0.5);
    const int64_t coarse = host.AddStreamClass(
        "MIXCOARS",
        {{"MIXED", 1, {}},
         {"CISOLID", 2, {host::Psd({0.0, 1e-5, 4e-5, 1.6e-4, 3.2e-4}), {"EXTRA", {}, 4}}}});
    const int64_t other = host.AddStream(coarse);
    ASSERT_EQ(host.VectorLength(other), host.VectorLength(feed));
    block->outlets[0] = other;
    EXPECT_LT(unit.Calculate(), 0);
    EXPECT_TRUE(unit.HasCalculationErrors());
    EXPECT_EQ(host.PrintedLines(),
              (std::vector<std::string>{
                  "      FAILED TO MOVE SOLID CLASSES TO OUTLETS. BLOCK BYPASSED."}));
    ASSERT_FALSE(host.LevelChecks().empty());
    EXPECT_EQ(host.LevelChecks().back().tag, "SOLSEP");
    EXPECT_EQ(host.LevelChecks().back().code, 28);
}

// ---- separation function ----

TEST(SeparationFunction, SharpnessExponentAtKnownPoints) {
    CSeparation separation(nullptr, 0);
    const std::pair<double, double> points[] = {
        {0.5, 0.8391506}, {0.9, 6.6589846}, {0.95, 13.8306196}};
    for (const auto& [s, alpha] : points) {
        separation.SetSharpness(s);
        EXPECT_NEAR(separation.CalculateAlpha(), alpha, 1e-6) << s;
    }
    separation.SetSharpness(0.0);
    EXPECT_EQ(separation.CalculateAlpha(), 0.0);
    separation.SetSharpness(0.99);
    EXPECT_GT(separation.CalculateAlpha(), 1e50);
}

TEST_F(SeparatorTest, ClassificationMeetsTheSplitAndShiftsTheSizeDistributions) {
    // alpha(s) evaluated separately from its correlation.
    struct Case {
        double sharpness, alpha, split, offset;
    };
    for (const Case& c :
         {Case{0.5, 0.839150618525335, 0.6, 0.0}, Case{0.9, 6.658984575583704, 0.3, 0.0},
          Case{0.2, 0.1433921176411901, 0.85, 0.1}, Case{0.95, 13.830619638712353, 0.5, 0.2}}) {
        SCOPED_TRACE(c.sharpness);
        Separator unit(0);
        Specify(unit, GasFeed(), kSolidSplit, c.split, kVaporSplit, 1.0, c.sharpness);
        unit.GetSeparation()->SetOffset(c.offset);
        ASSERT_EQ(unit.Calculate(), kStatusOk);
        const CSeparation& separation = *unit.GetSeparation();
        EXPECT_NEAR(separation.GetSolidSplitCalc(), c.split, 1e-4);
        ExpectComponentBalance();

        // The cut value found gives the split with the separation function written out here.
        const double d50 = separation.GetD50();
        double achieved = 0.0;
        std::vector<double> expected;
        for (std::size_t i = 0; i < kPsd.size(); ++i) {
            const double t = (1.0 - c.offset) * Rogers(ClassMid(i), d50, c.alpha) + c.offset;
            expected.push_back(t);
            achieved += kPsd[i] * t;
        }
        EXPECT_NEAR(achieved, c.split, 1e-4);

        // Every size class is conserved; the solid outlet holds T of each, so its size
        // distribution is coarser than the feed's (T rises with x) and the other finer.
        const std::vector<double> in = ClassMasses(unit, inlet, kSilicaWeight, kSilica);
        const std::vector<double> fine = ClassMasses(unit, fluidOut, kSilicaWeight, kSilica);
        const std::vector<double> coarse = ClassMasses(unit, solidOut, kSilicaWeight, kSilica);
        ASSERT_EQ(in.size(), kPsd.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            EXPECT_NEAR(fine[i] + coarse[i], in[i], 1e-12 * 0.02 * kSilicaWeight) << i;
            EXPECT_NEAR(coarse[i], expected[i] * in[i], 1e-6 * in[i]) << i;
        }
        const auto meanSize = [](const std::vector<double>& masses) {
            double sum = 0.0, weighted = 0.0;
            for (std::size_t i = 0; i < masses.size(); ++i) {
                sum += masses[i];
                weighted += masses[i] * ClassMid(i);
            }
            return weighted / sum;
        };
        EXPECT_GT(meanSize(coarse), meanSize(in));
        EXPECT_LT(meanSize(fine), meanSize(in));

        // Efficiency curve: class mid sizes and T in percent.
        const CComSafeArray<double>& curve = separation.GetEfficiencyCurve();
        ASSERT_EQ(curve.GetDimensions(), 2u);
        ASSERT_EQ(curve.GetCount(0), kPsd.size());
        for (std::size_t i = 0; i < kPsd.size(); ++i) {
            const auto [size, efficiency] = CurvePoint(curve, static_cast<long>(i));
            EXPECT_DOUBLE_EQ(size, ClassMid(i));
            EXPECT_NEAR(efficiency, 100.0 * expected[i], 1e-6);
            if (i > 0) {
                EXPECT_GE(efficiency, CurvePoint(curve, static_cast<long>(i - 1)).second);
            }
        }
    }
}

TEST_F(SeparatorTest, IdealSeparationCutsAtTheQuantileOfTheSplit) {
    // 75 % to the solid outlet: the cut lies where 25 % of the mass is finer. Cumulative
    // 0.15 at 5 um and 0.30 at 10 um, so d50 = 5 um + (0.10 / 0.15) * 5 um.
    for (const double sharpness : {1.0, 0.999}) {
        Separator unit(0);
        Specify(unit, GasFeed(), kSolidSplit, 0.75, kVaporSplit, 1.0, sharpness);
        unit.GetSeparation()->SetOffset(0.1);  // no effect on an ideal cut
        ASSERT_EQ(unit.Calculate(), kStatusOk);
        EXPECT_NEAR(unit.GetSeparation()->GetD50(), 5e-6 + 5e-6 * 0.10 / 0.15, 1e-3 * 8.3e-6);
        EXPECT_NEAR(unit.GetSeparation()->GetSolidSplitCalc(), 0.75, 1e-4);
        const std::vector<double> fine = ClassMasses(unit, fluidOut, kSilicaWeight, kSilica);
        EXPECT_EQ(fine[0], 0.02 * kSilicaWeight * kPsd[0]);  // finest class wholly fine
        EXPECT_EQ(fine[7], 0.0);                             // coarsest wholly coarse
        ExpectComponentBalance();
    }
}

// A separation element with a class grid set by hand.
class GridSeparation : public CSeparation {
  public:
    GridSeparation() : CSeparation(nullptr, 0) {}
    void SetGrid(const std::vector<double>& classes, const std::vector<double>& fractions) {
        m_saClasses.Create(static_cast<uint32_t>(classes.size()));
        for (std::size_t i = 0; i < classes.size(); ++i) {
            m_saClasses.SetAt(static_cast<long>(i), CComVariant(classes[i]));
        }
        m_saFractions.Create(static_cast<uint32_t>(fractions.size()));
        for (std::size_t i = 0; i < fractions.size(); ++i) {
            m_saFractions[i] = fractions[i];
        }
    }
    void SetTarget(double split) { m_dblSolidSplit = split; }
    std::vector<double> Separation() const {
        std::vector<double> values;
        for (uint32_t i = 0; i < m_saSeparation.GetCount(); ++i) {
            values.push_back(m_saSeparation[i]);
        }
        return values;
    }
};

TEST(SeparationFunction, FlatCurveWithOffsetAndAClassOfSizeZero) {
    GridSeparation separation;
    separation.SetGrid({0.0, 0.0, 2e-5, 4e-5}, {0.2, 0.5, 0.3});
    separation.SetSharpness(0.0);  // alpha 0: T = 1 / (1 + d50 / x)
    separation.SetOffset(0.1);
    ASSERT_TRUE(separation.CalculateSeparationRogers(1e-5));
    const std::vector<double> t = separation.Separation();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_DOUBLE_EQ(t[0], 0.1);               // x = 0: the offset alone
    EXPECT_DOUBLE_EQ(t[1], 0.9 * 0.5 + 0.1);   // x = d50
    EXPECT_DOUBLE_EQ(t[2], 0.9 * 0.75 + 0.1);  // x = 3 d50
}

TEST(SeparationFunction, IdealCutAndItsObjective) {
    GridSeparation separation;
    separation.SetGrid({1e-6, 1e-5, 2e-5}, {0.4, 0.6});
    separation.SetSharpness(1.0);
    separation.SetOffset(0.3);  // not applied to an ideal cut
    ASSERT_TRUE(separation.CalculateIdealSeparation(1.5e-5));
    const std::vector<double> t = separation.Separation();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], 0.0);
    EXPECT_NEAR(t[1], 0.5, 1e-12);
    EXPECT_FALSE(separation.CalculateIdealSeparation(5e-7));  // below the finest boundary
    EXPECT_FALSE(separation.CalculateIdealSeparation(3e-5));  // above the coarsest

    separation.SetTarget(0.5);
    CSeparation::m_pcThis = &separation;
    // Cut at 5.5 um: 0.5 of the first class and all of the second, 0.8, is to the solid outlet.
    EXPECT_NEAR(CSeparation::DiffRogersFlowSplitt(5.5e-6), 0.3, 1e-12);
    EXPECT_NEAR(separation.GetSolidSplitCalc(), 0.8, 1e-12);
    EXPECT_NEAR(CSeparation::DiffRogersFlowSplitt(2.5e-5), 100.0 * 5e-6, 1e-12);
    EXPECT_EQ(CSeparation::DiffRogersFlowSplitt(5e-7), 100.0);
    CSeparation::m_pcThis = nullptr;
}

// T of one class as the Rogers function reads, with the cube as a product of three factors.
double RogersOfOneClass(double x, double d50, double alpha, double offset) {
    if (x <= 0) {
        return offset;
    }
    double t = 1.0;
    const double r = d50 / x;
    if (r >= CBrixelBaseUnit::m_dblRMin) {
        const double q = x / d50;
        const double e = alpha * (1.0 - q * q * q);
        t = e > std::log(CBrixelBaseUnit::m_dblRMiss) ? 0.0 : 1.0 / (1.0 + r * std::exp(e));
    }
    return offset > 0 ? std::min(1.0, (1.0 - offset) * t + offset) : t;
}

TEST(SeparationFunction, EveryClassAndTheObjectiveMatchTheOneClassFormulaToAFewUlp) {
    // Sizes from 10 nm to 1 cm, with classes of size 0 between them: cut values across the
    // grid reach exponents far below exp's underflow. The block's exp may be the vector exp of
    // the C library, up to 4 ulp from the scalar one; T = 1 / (1 + r e^x) then moves by no more
    // than that relative to itself, the objective by as much of the split.
    const double tolerance = 4.0 * std::numeric_limits<double>::epsilon();
    std::vector<double> mesh{0.0, 0.0};
    for (int i = 0; i <= 300; ++i) {
        mesh.push_back(1e-8 * std::pow(10.0, 6.0 * i / 300.0));
    }
    std::vector<double> fractions(mesh.size() - 1, 1.0 / static_cast<double>(mesh.size() - 1));
    GridSeparation separation;
    separation.SetGrid(mesh, fractions);
    separation.SetTarget(0.5);
    int underflowing = 0;
    for (const double sharpness : {0.0, 0.3, 0.6, 0.95, 0.998}) {
        for (const double offset : {0.0, 0.2}) {
            for (const double d50 : {0.0, 1e-7, 3e-6, 1e-4, 5e-3}) {
                separation.SetSharpness(sharpness);
                separation.SetOffset(offset);
                const double alpha = separation.CalculateAlpha();
                CSeparation::m_pcThis = &separation;
                const double objective = CSeparation::DiffRogersFlowSplitt(d50);
                CSeparation::m_pcThis = nullptr;
                const std::vector<double> t = separation.Separation();
                ASSERT_EQ(t.size(), fractions.size());
                double sum = 0.0;
                for (std::size_t i = 0; i < t.size(); ++i) {
                    const double x = 0.5 * (mesh[i] + mesh[i + 1]);
                    const double expected = RogersOfOneClass(x, d50, alpha, offset);
                    EXPECT_NEAR(t[i], expected, tolerance * expected)
                        << sharpness << " " << offset << " " << d50 << " " << i;
                    sum += expected * fractions[i];
                    underflowing += d50 > 0 && alpha * (1.0 - std::pow(x / d50, 3)) < -746.0;
                }
                EXPECT_NEAR(objective, std::fabs(sum - 0.5), tolerance * sum);
            }
        }
    }
    EXPECT_GT(underflowing, 100);
}

TEST(SeparationFunction, DescendingOrderKeepsEqualValuesInTheirOrder) {
    EXPECT_EQ(DescendingOrder({1.0, 3.0, 1.0, 3.0, 2.0, -1.0, 0.0, 3.0}),
              (std::vector<std::size_t>{1, 3, 7, 4, 0, 2, 6, 5}));
    EXPECT_TRUE(DescendingOrder({}).empty());
    // Many equal values with others between them: still in their order after the sort.
    std::vector<double> values;
    for (int i = 0; i < 2000; ++i) {
        values.push_back(i % 3 == 0 ? 0.5 : static_cast<double>(i % 7));
    }
    const std::vector<std::size_t> order = DescendingOrder(values);
    ASSERT_EQ(order.size(), values.size());
    for (std::size_t k = 1; k < order.size(); ++k) {
        const double previous = values[order[k - 1]];
        const double current = values[order[k]];
        EXPECT_GE(previous, current);
        if (previous == current) {
            EXPECT_LT(order[k - 1], order[k]) << k;
        }
    }
}

TEST_F(SeparatorTest, UnreachableSplitWarnsAndGoesOnWithTheBestCut) {
    // With an offset of 0.45 every class sends at least 45 % to the solid outlet; a flat
    // curve (sharpness 0.01) keeps ~0.5 % of the rest even at the largest cut searched,
    // d50 = 2 * 320 um / 0.01, so the split cannot come down to 0.4501.
    Separator unit(0);
    Specify(unit, GasFeed(), kSolidSplit, 0.4501, kVaporSplit, 1.0, 0.01);
    unit.GetSeparation()->SetOffset(0.45);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    const CSeparation& separation = *unit.GetSeparation();
    const double achieved = separation.GetSolidSplitCalc();
    ASSERT_GT(achieved - 0.4501, 1e-4);
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "COULD NOT ADJUST 50%%-VALUE OF SEPARATION FUNCTION BASED ON SPECIFIED FLOW "
                  "SPLIT. CALCULATION CONTINUED WITH D50 OF %.3G M. CALCULATED SOLIDS SPLIT: %.3G",
                  separation.GetD50(), achieved);
    std::string printed;
    for (const std::string& line : host.PrintedLines()) {
        printed += (printed.empty() ? "" : " ") + line.substr(6);
    }
    EXPECT_EQ(printed, expected);
    EXPECT_EQ(Outcome(), -9990);
    EXPECT_NEAR(Component(solidOut, kSilica), achieved * 0.02, 1e-15);
    ExpectComponentBalance();
}

TEST_F(SeparatorTest, UnknownClassAttributeFailsTheCalculation) {
    Separator unit(0);
    Specify(unit, GasFeed(), kSolidSplit, 0.6, kVaporSplit, 1.0, 0.5);
    unit.GetSeparation()->SetAttributeForClass("particle density");
    EXPECT_EQ(unit.Calculate(), kStatusInvalidArgument);
    EXPECT_TRUE(unit.HasCalculationErrors());
    ASSERT_EQ(host.LevelChecks().size(), 1u);
    EXPECT_EQ(host.LevelChecks()[0].tag, "SOLSEP");
    EXPECT_EQ(host.PrintedLines(),
              (std::vector<std::string>{
                  "      ATTRIBUTE FOR CLASSIFICATION \"PARTICLE DENSITY\" IS NOT KNOWN. BLOCK",
                  "      BYPASSED."}));
}

TEST_F(SeparatorTest, SettlingVelocityClassificationInWater) {
    // A slurry of calcite in water, classified like a hydrocyclone underflow.
    Separator unit(1);
    Specify(unit, SlurryFeed(), kSolidSplit, 0.5, kFluidSplit, 0.9, 0.5);
    unit.GetSeparation()->SetAttributeForClass("particle settling velocity");
    ASSERT_EQ(unit.Calculate(), kStatusOk) << ::testing::PrintToString(host.PrintedLines());
    const CSeparation& separation = *unit.GetSeparation();
    EXPECT_NEAR(separation.GetSolidSplitCalc(), 0.5, 1e-4);
    EXPECT_GT(separation.GetD50(), 0.0);
    ExpectComponentBalance();
    EXPECT_NEAR(Component(solidOut, kCalcite), 0.5 * 0.05, 1e-4 * 0.05);

    const std::vector<double> in = ClassMasses(unit, inlet, kCalciteWeight, kCalcite);
    const std::vector<double> fine = ClassMasses(unit, fluidOut, kCalciteWeight, kCalcite);
    const std::vector<double> coarse = ClassMasses(unit, solidOut, kCalciteWeight, kCalcite);
    const double solidIn = 0.05 * kCalciteWeight;
    for (std::size_t i = 0; i < in.size(); ++i) {
        EXPECT_NEAR(fine[i] + coarse[i], in[i], 1e-9 * solidIn) << i;
    }
    EXPECT_GT(coarse.back() / in.back(), coarse.front() / in.front());

    // Fastest class first; efficiency falls with the velocity.
    const CComSafeArray<double>& curve = separation.GetEfficiencyCurve();
    ASSERT_EQ(curve.GetCount(0), kPsd.size());
    double lastVelocity = 1e300, lastEfficiency = 101.0;
    for (long i = 0; i < static_cast<long>(curve.GetCount(0)); ++i) {
        const auto [velocity, efficiency] = CurvePoint(curve, i);
        EXPECT_GT(velocity, 1e-20);
        EXPECT_LT(velocity, lastVelocity);
        EXPECT_LE(efficiency, lastEfficiency);
        lastVelocity = velocity;
        lastEfficiency = efficiency;
    }
}

TEST_F(SeparatorTest, CopiesOwnTheirArrays) {
    Separator unit(0);
    Specify(unit, GasFeed(), kSolidSplit, 0.6, kVaporSplit, 1.0, 0.5);
    ASSERT_EQ(unit.Calculate(), kStatusOk);
    CSeparation copy(*unit.GetSeparation());
    CSeparation assigned(nullptr, 1);
    assigned = copy;
    for (const CSeparation* other : {&copy, &assigned}) {
        EXPECT_NE(other->GetEfficiencyCurve().m_psa,
                  unit.GetSeparation()->GetEfficiencyCurve().m_psa);
        EXPECT_EQ(other->GetEfficiencyCurve().GetCount(0), kPsd.size());
        EXPECT_NE(other->GetFractions().m_psa, unit.GetSeparation()->GetFractions().m_psa);
        EXPECT_EQ(other->GetD50(), unit.GetSeparation()->GetD50());
        EXPECT_EQ(other->GetFluidType(), 0);
    }
}

}  // namespace
}  // namespace brixel::testing
