// Phase properties of streams on real substances: bases, setters that keep flows consistent,
// ideal-gas properties against hand calculations, and refusals that leave streams alone.
#include <cmath>
#include <cstring>
#include <numeric>

#include "brixel/exports/plex_exports.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "support/thermo_fixture.h"

namespace brixel::testing {
namespace {

namespace sv = brixel::stream_vector;

constexpr double kR = 8314.462618;  // J/(kmol K)

double Weight(int64_t component) {
    const int64_t index = component - 1;
    return COMPMW(&index);
}

std::vector<double> Values(const CComSafeArray<double>& array) {
    std::vector<double> values;
    for (long i = array.GetLowerBound(); i <= array.GetUpperBound(); ++i) {
        values.push_back(array.GetAt(i));
    }
    return values;
}

CComSafeArray<double> Array(const std::vector<double>& values) {
    CComSafeArray<double> array(static_cast<uint32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        array[static_cast<long>(i)] = values[i];
    }
    return array;
}

class PhasePropertiesTest : public ThermoTest {
  protected:
    // Humid nitrogen, all vapour, at 350 K, and sand at 350 K.
    int64_t GasAndSand() { return Stream(Fluid({1.0, 0.02, 0.0}, 350.0, 1.0), Solid(0.1, 350.0)); }
    bool Unchanged(int64_t bead, const std::vector<double>& before) {
        return std::memcmp(host.StreamVector(bead), before.data(),
                           sizeof(double) * before.size()) == 0;
    }
};

TEST_F(PhasePropertiesTest, BasesAgreeThroughMolecularWeightAndFlow) {
    const int64_t in = GasAndSand();
    State(in, 0, sv::kEnthalpy) = 2000.0;
    State(in, 1, sv::kEnthalpy) = -500.0;
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    const double gasMass = Weight(nitrogen) * 1.0 + Weight(water) * 0.02;
    const double sandMass = Weight(silica) * 0.1;

    double mole = 0, mass = 0, total = 0;
    ASSERT_EQ(unit.GetOverallProp(0, 0, &mole, 1), kStatusOk);
    ASSERT_EQ(unit.GetOverallProp(0, 0, &mass, 0), kStatusOk);
    EXPECT_NEAR(mole, 1.12, 1e-12);
    EXPECT_NEAR(mass, gasMass + sandMass, 1e-9);

    ASSERT_EQ(unit.GetOverallProp(0, 3, &total, 2), kStatusOk);
    ASSERT_EQ(unit.GetOverallProp(0, 3, &mass, 0), kStatusOk);
    ASSERT_EQ(unit.GetOverallProp(0, 3, &mole, 1), kStatusOk);
    const double watts = 2000.0 * gasMass - 500.0 * sandMass;
    EXPECT_NEAR(total, watts, 1e-9);
    EXPECT_NEAR(mass, watts / (gasMass + sandMass), 1e-9);
    EXPECT_NEAR(mole, watts / 1.12, 1e-9);

    // One phase: J/kg, J/mol and W of the substream.
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, 0, &mass, 0), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, 0, &mole, 1), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, 0, &total, 2), kStatusOk);
    EXPECT_EQ(mass, 2000.0);
    EXPECT_NEAR(mole, 2000.0 * gasMass / 1.02 / 1000.0, 1e-9);
    EXPECT_NEAR(total, 2000.0 * gasMass, 1e-9);
}

TEST_F(PhasePropertiesTest, EnthalpyOfWaterOnMoleBasis) {
    const int64_t in = Stream(Fluid({0.0, 1.0, 0.0}, 300.0, 0.0), Solid(0.0, 300.0));
    State(in, 0, sv::kEnthalpy) = 2000.0;
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double overall = 0, single = 0;
    ASSERT_EQ(unit.GetOverallProp(0, 3, &overall, 1), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, 0, &single, 1), kStatusOk);
    EXPECT_NEAR(overall, 2000.0 * Weight(water), 1e-9);  // J/kmol, about 36 000
    EXPECT_NEAR(single, 2.0 * Weight(water), 1e-12);     // J/mol, about 36
}

TEST_F(PhasePropertiesTest, TemperatureComesFromTheFirstSubstreamThatHasOne) {
    const int64_t in = GasAndSand();
    State(in, 0, sv::kTemperature) = host::kRealMissing;
    State(in, 1, sv::kTemperature) = 312.0;
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double t = 0;
    ASSERT_EQ(unit.GetOverallProp(0, 1, &t, 1), kStatusOk);
    EXPECT_EQ(t, 312.0);
    State(in, 1, sv::kTemperature) = host::kRealMissing;
    EXPECT_EQ(unit.GetOverallProp(0, 1, &t, 1), kStatusFail);
}

TEST_F(PhasePropertiesTest, OutOfRangeTemperatureIsRefusedWithTwoLines) {
    host.SetFlashLimits(100.0, 3000.0, 10.0, 1e8);
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    const std::vector<double> before = Vector(in);
    EXPECT_EQ(unit.SetOverallProp(0, 1, 5000.0, 0), kStatusFail);
    EXPECT_EQ(unit.SetOverallProp(0, 2, std::nan(""), 0), kStatusFail);
    EXPECT_EQ(unit.SetSinglePhaseProp(0, 1, 1, -4.0, 0), kStatusFail);
    EXPECT_TRUE(Unchanged(in, before));
    const std::vector<std::string> expected{
        "      CALCULATED TEMPERATURE (5E+03 K) IS OUT OF BOUNDS (100 - 3E+03 K).",
        "      TEMPERATURE NOT SET IN STREAM.",
        "      CALCULATED PRESSURE (NAN PA) IS OUT OF BOUNDS (10 - 1E+08 PA).",
        "      PRESSURE NOT SET IN STREAM.",
        "      CALCULATED TEMPERATURE (-4 K) IS OUT OF BOUNDS (100 - 3E+03 K).",
        "      TEMPERATURE NOT SET IN STREAM."};
    EXPECT_EQ(host.PrintedLines(), expected);

    ASSERT_EQ(unit.SetOverallProp(0, 1, 400.0, 0), kStatusOk);
    EXPECT_EQ(State(in, 0, sv::kTemperature), 400.0);
    EXPECT_EQ(State(in, 1, sv::kTemperature), 400.0);
}

TEST_F(PhasePropertiesTest, OverallEnthalpySetOnEachBasisReadsBack) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_EQ(unit.SetOverallProp(0, 3, -1234.0, 0), kStatusOk);
    EXPECT_EQ(State(in, 0, sv::kEnthalpy), -1234.0);  // mass basis: the value itself
    EXPECT_EQ(State(in, 1, sv::kEnthalpy), -1234.0);
    for (const int basis : {1, 2}) {
        ASSERT_EQ(unit.SetOverallProp(0, 3, 5.0e4, basis), kStatusOk);
        double back = 0;
        ASSERT_EQ(unit.GetOverallProp(0, 3, &back, basis), kStatusOk);
        EXPECT_NEAR(back, 5.0e4, 1e-8) << "basis " << basis;
    }
}

TEST_F(PhasePropertiesTest, TotalFlowSetOnMassBasisScalesEveryComponent) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double mass = 0;
    ASSERT_EQ(unit.GetOverallProp(0, 0, &mass, 0), kStatusOk);
    ASSERT_EQ(unit.SetOverallProp(0, 0, 3.0 * mass, 0), kStatusOk);
    double back = 0;
    ASSERT_EQ(unit.GetOverallProp(0, 0, &back, 0), kStatusOk);
    EXPECT_NEAR(back, 3.0 * mass, 1e-9);
    EXPECT_NEAR(Flow(in, 0, 0), 3.0, 1e-12);
    EXPECT_NEAR(Flow(in, 0, 1), 0.06, 1e-12);
    EXPECT_NEAR(Flow(in, 1, 2), 0.3, 1e-12);
    EXPECT_NEAR(State(in, 0, sv::kTotalFlow), 3.06, 1e-12);
}

TEST_F(PhasePropertiesTest, ComponentFlowsAndCompositionReadBack) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    const std::vector<double> wanted{0.5, 0.25, 0.05};
    ASSERT_EQ(unit.SetOverallProp(0, 5, Array(wanted), 1), kStatusOk);
    CComSafeArray<double> flows;
    ASSERT_EQ(unit.GetOverallProp(0, 5, flows, 1), kStatusOk);
    const std::vector<double> got = Values(flows);
    ASSERT_EQ(got.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(got[i], wanted[i], 1e-12) << i;
    }
    // Every substream's total is the sum of its component flows.
    for (const int k : {0, 1}) {
        EXPECT_NEAR(State(in, k, sv::kTotalFlow), Flow(in, k, 0) + Flow(in, k, 1) + Flow(in, k, 2),
                    1e-12);
    }
    CComSafeArray<double> fractions;
    ASSERT_EQ(unit.GetOverallProp(0, 6, fractions, 0), kStatusOk);
    const std::vector<double> w = Values(fractions);
    const double mass = 0.5 * Weight(nitrogen) + 0.25 * Weight(water) + 0.05 * Weight(silica);
    EXPECT_NEAR(w[0], 0.5 * Weight(nitrogen) / mass, 1e-12);
    EXPECT_NEAR(w[2], 0.05 * Weight(silica) / mass, 1e-12);
    EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), 1.0, 1e-12);

    // A mass composition keeps each substream's mass and sets its weight.
    ASSERT_EQ(unit.SetOverallProp(0, 6, Array({0.7, 0.3, 0.0}), 0), kStatusOk);
    const double mixedMass = State(in, 0, sv::kTotalFlow) * State(in, 0, sv::kMolecularWeight);
    EXPECT_NEAR(Flow(in, 0, 0) * Weight(nitrogen) / mixedMass, 0.7, 1e-12);
    EXPECT_NEAR(State(in, 0, sv::kMolecularWeight),
                1.0 / (0.7 / Weight(nitrogen) + 0.3 / Weight(water)), 1e-9);
}

TEST_F(PhasePropertiesTest, SubstreamTotalFlowFillsAnEmptySubstreamEvenly) {
    const int64_t in = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0), Solid(0.0, 300.0));
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_EQ(unit.SetSinglePhaseProp(0, 0, 1, 2.0, 1), kStatusOk);
    for (const int c : {0, 1, 2}) {
        EXPECT_NEAR(Flow(in, 1, c), 2.0 / 3.0, 1e-12);
    }
    double back = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, 1, &back, 1), kStatusOk);
    EXPECT_EQ(back, 2.0);
}

TEST_F(PhasePropertiesTest, SolidPhaseFlowIsSetAndReadInMass) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double solids = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -3, &solids, 0), kStatusOk);
    EXPECT_NEAR(solids, 0.1 * Weight(silica), 1e-12);
    ASSERT_EQ(unit.SetSinglePhaseProp(0, 0, -3, 15.0, 0), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -3, &solids, 0), kStatusOk);
    EXPECT_NEAR(solids, 15.0, 1e-9);
    EXPECT_NEAR(Flow(in, 0, 0), 1.0, 0.0);  // the gas is left alone

    double fraction = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 8, -3, &fraction, 0), kStatusOk);
    const double gasMass = Weight(nitrogen) + 0.02 * Weight(water);
    EXPECT_NEAR(fraction, 15.0 / (15.0 + gasMass), 1e-12);
}

TEST_F(PhasePropertiesTest, VapourFlowOfAllVapourStreamKeepsComposition) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_EQ(unit.SetSinglePhaseProp(0, 0, -1, 0.51, 1), kStatusOk);
    double vapour = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -1, &vapour, 1), kStatusOk);
    EXPECT_NEAR(vapour, 0.51, 1e-12);
    EXPECT_NEAR(Flow(in, 0, 0), 0.5, 1e-12);
    EXPECT_NEAR(Flow(in, 0, 1), 0.01, 1e-12);
    EXPECT_NEAR(State(in, 0, sv::kVaporFraction), 1.0, 1e-12);
    EXPECT_NEAR(State(in, 0, sv::kMolecularWeight),
                (0.5 * Weight(nitrogen) + 0.01 * Weight(water)) / 0.51, 1e-9);
}

TEST_F(PhasePropertiesTest, BadInputIsRefusedAndTheStreamIsLeftAlone) {
    const int64_t in = GasAndSand();
    const int64_t out = host.AddStream(streamClass);
    TestUnit unit;
    Bind(unit, in, out);
    const std::vector<double> before = Vector(in);
    double value = -1;
    EXPECT_EQ(unit.GetOverallProp(0, 0, nullptr, 1), kStatusFail);
    EXPECT_EQ(unit.GetSinglePhaseProp(0, 0, 0, nullptr, 1), kStatusFail);
    EXPECT_EQ(unit.GetOverallProp(0, 0, &value, 7), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetSinglePhaseProp(0, 0, -7, &value, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetSinglePhaseProp(0, 0, 5, &value, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetOverallProp(9, 0, &value, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetOverallProp(0, 5, &value, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetSinglePhaseProp(0, 9, -3, &value, 1), kStatusCapeLimitedImplementation);
    EXPECT_EQ(value, -1.0);
    EXPECT_EQ(unit.GetOverallProp(0, 12, &value, 1), kStatusOk);  // unknown id: untouched
    EXPECT_EQ(value, -1.0);

    EXPECT_EQ(unit.SetOverallProp(0, 5, Array({1.0, 2.0}), 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.SetOverallProp(0, 6, Array({0.5, -0.1, 0.6}), 1), kStatusInvalidArgument);
    // A composition without any conventional share has nothing to give the substreams.
    EXPECT_EQ(unit.SetOverallProp(0, 6, Array({0.0, 0.0, 0.0}), 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.SetOverallProp(0, 5, Array({std::nan(""), 0.0, 1.0}), 1),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.SetOverallProp(0, 0, -2.0, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.SetOverallProp(0, 3, std::nan(""), 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.SetSinglePhaseProp(0, 5, 1, Array({1.0}), 1, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.SetSinglePhaseProp(0, 0, 1, -1.0, 1), kStatusInvalidArgument);
    EXPECT_TRUE(Unchanged(in, before));

    // An empty stream has no flow to scale.
    const std::vector<double> empty = Vector(out);
    EXPECT_EQ(unit.SetOverallProp(CString("OUT"), 0, 1.0, CComBSTR("mole")), kStatusFail);
    EXPECT_EQ(unit.SetOverallProp(1, 5, Array({1.0, 0.0, 0.0}), 1), kStatusFail);
    EXPECT_TRUE(Unchanged(out, empty));
}

TEST_F(PhasePropertiesTest, NameFormsReturnLookupFailures) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double byName = 0, byId = 0;
    ASSERT_EQ(unit.GetOverallProp(CString("in"), CComBSTR("TOTALflow"), &byName, CComBSTR("Mass")),
              kStatusOk);
    ASSERT_EQ(unit.GetOverallProp(0, 0, &byId, 0), kStatusOk);
    EXPECT_EQ(byName, byId);
    ASSERT_EQ(
        unit.GetSinglePhaseProp(CString("IN"), 0, CComBSTR("solid"), &byName, CComBSTR("mole")),
        kStatusOk);
    EXPECT_NEAR(byName, 0.1, 1e-15);
    const std::vector<double> before = Vector(in);
    EXPECT_EQ(unit.GetOverallProp(int64_t{0}, CComBSTR("weight"), &byName, CComBSTR("mass")),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.SetOverallProp(CString("IN"), CComBSTR("temperature"), 300.0, CComBSTR("kilo")),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.SetSinglePhaseProp(CString("NOPORT"), CComBSTR("totalFlow"), CComBSTR("vapor"),
                                      1.0, CComBSTR("mole")),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.SetSinglePhaseProp(CString("IN"), CComBSTR("totalFlow"), CComBSTR("plasma"), 1.0,
                                      CComBSTR("mole")),
              kStatusInvalidArgument);
    EXPECT_TRUE(Unchanged(in, before));
    CComSafeArray<BSTR> phases(1);
    EXPECT_EQ(unit.SetTwoPhaseProp(CString("IN"), CComBSTR("surfaceTension"), phases, 1.0,
                                   CComBSTR("mole")),
              kStatusFail);
}

// ---- properties from the host's monitors ----------------------------------------------

TEST_F(PhasePropertiesTest, IdealGasDensityAndViscosityOfNitrogen) {
    const int64_t in = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0, 2e5), Solid(0.0, 300.0, 2e5));
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double rho = 0, molar = 0, mu = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 7, -1, &rho, 0), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 7, -1, &molar, 1), kStatusOk);
    EXPECT_NEAR(rho, 2e5 * Weight(nitrogen) / (kR * 300.0), 1e-9);
    EXPECT_NEAR(molar, 2e5 / (kR * 300.0), 1e-12);
    EXPECT_TRUE(host.FlashCalls().empty());  // all vapour: the stored flows are its composition
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 9, -1, &mu, 1), kStatusOk);
    EXPECT_NEAR(mu, 17.9e-6, 0.05 * 17.9e-6);  // nitrogen at 300 K, handbook value

    // Overall density of gas and sand: volumes add (quartz 2648 kg/m3 in the handbook).
    const int64_t mix = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0, 2e5), Solid(1.0, 300.0, 2e5));
    TestUnit second;
    Bind(second, mix, host.AddStream(streamClass));
    double overall = 0;
    ASSERT_EQ(second.GetOverallProp(0, 7, &overall, 0), kStatusOk);
    const double gas = Weight(nitrogen), sand = Weight(silica);
    EXPECT_NEAR(overall, (gas + sand) / (gas / rho + sand / 2648.0), 1e-3 * overall);
}

TEST_F(PhasePropertiesTest, HeatCapacitiesAndConductivityOnTheirBases) {
    const int64_t in = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0), Solid(0.5, 300.0));
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double molar = 0, mass = 0, k = 0, sand = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 10, -1, &molar, 1), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 10, -1, &mass, 0), kStatusOk);
    EXPECT_NEAR(molar, 29.12e3, 0.01 * 29.12e3);  // nitrogen at 300 K, handbook value
    EXPECT_NEAR(mass, molar / Weight(nitrogen), 1e-9 * mass);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 13, -1, &k, 1), kStatusOk);
    EXPECT_NEAR(k, 0.0259, 0.05 * 0.0259);
    // The mixed substream is all vapour: its heat capacity is the vapour's.
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 10, 0, &mass, 1), kStatusOk);
    EXPECT_NEAR(mass, molar, 1e-9 * molar);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 10, -3, &sand, 1), kStatusOk);
    EXPECT_NEAR(sand, 44.6e3, 0.03 * 44.6e3);  // quartz near 300 K
}

TEST_F(PhasePropertiesTest, SolidComponentFlowsAreSetThroughTheFlowChanges) {
    const int64_t in = GasAndSand();
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_EQ(unit.SetSinglePhaseProp(0, 5, -3, Array({0.0, 0.0, 0.35}), 1, 1), kStatusOk);
    CComSafeArray<double> flows;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 5, -3, flows, 0, 1), kStatusOk);
    const std::vector<double> got = Values(flows);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_NEAR(got[2], 0.35 * Weight(silica), 1e-9);
    EXPECT_EQ(got[0], 0.0);
    EXPECT_NEAR(Flow(in, 0, 0), 1.0, 1e-12);  // the gas keeps its nitrogen
    EXPECT_EQ(unit.SetSinglePhaseProp(0, 5, -3, Array({0.0, 0.35}), 1, 1), kStatusInvalidArgument);
}

TEST_F(PhasePropertiesTest, SpeedOfSoundOfNitrogen) {
    const int64_t in = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0), Solid(0.0, 300.0));
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    double c = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 15, -1, &c, 1), kStatusOk);
    // Diatomic ideal gas, gamma 1.4.
    EXPECT_NEAR(c, std::sqrt(1.4 * kR * 300.0 / Weight(nitrogen)), 0.01 * 353.0);
    const double x = 1.0;
    const int64_t number = nitrogen;
    EXPECT_EQ(unit.GetQuarnPhaseProp(300.0, 1e5, &x, 1, &number, "sonvelmx", 4, &c),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.GetQuarnPhaseProp(300.0, 1e5, &x, 1, &number, "NOSUCH", -1, &c),
              kStatusCapeUnknown);
    EXPECT_EQ(unit.GetSinglePhaseProp(0, 15, 0, &c, 1), kStatusInvalidArgument);
}

TEST_F(PhasePropertiesTest, DiffusionCoefficientsOfTheVapourOnly) {
    const int64_t in = Stream(Fluid({1.0, 0.02, 0.0}, 300.0, 1.0), Solid(0.1, 300.0));
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    CComSafeArray<double> d;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 11, -1, d, 1, 1), kStatusOk);
    ASSERT_EQ(d.GetCount(), 9u);  // NCC x NCC
    // Nitrogen-water at 300 K and 1 bar: about 2.5e-5 m2/s (Fuller et al.), symmetric.
    EXPECT_NEAR(d.GetAt(1), 2.5e-5, 0.3 * 2.5e-5);
    EXPECT_DOUBLE_EQ(d.GetAt(1), d.GetAt(3));
    CComSafeArray<double> each;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 12, -1, each, 1, 1), kStatusOk);
    ASSERT_EQ(each.GetCount(), 3u);
    EXPECT_NEAR(each.GetAt(1), d.GetAt(1), 0.05 * d.GetAt(1));  // water through nitrogen
    for (const int phase : {-2, -3}) {
        EXPECT_EQ(unit.GetSinglePhaseProp(0, 11, phase, d, 1, 1), kStatusCapeLimitedImplementation);
        EXPECT_EQ(unit.GetSinglePhaseProp(0, 12, phase, each, 1, 1),
                  kStatusCapeLimitedImplementation);
    }
}

TEST_F(PhasePropertiesTest, HostPropertiesAreAskedInSiWithTheBlocksPrintLevel) {
    const int64_t in = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0), Solid(0.0, 300.0));
    TestUnit unit;
    host::Block& block = Bind(unit, in, host.AddStream(streamClass));
    block.statusBlock[1] = 6;
    const double x = 1.0;
    const int64_t number = nitrogen;
    double c = 0.0;
    // A name longer than 8 characters is cut, and upper-cased.
    ASSERT_EQ(unit.GetQuarnPhaseProp(300.0, 1e5, &x, 1, &number, "sonvelmxyz", -1, &c), kStatusOk);
    EXPECT_NEAR(c, std::sqrt(1.4 * kR * 300.0 / Weight(nitrogen)), 0.01 * 353.0);
    ASSERT_EQ(host.UserPropertyCalls().size(), 1u);
    const host::UserPropertyCall& call = host.UserPropertyCalls()[0];
    EXPECT_EQ(call.name, "SONVELMX");
    EXPECT_EQ(call.phase, 1);
    EXPECT_EQ(call.printLevel, 6);
    EXPECT_EQ(call.missing, host::kRealMissing);
    EXPECT_EQ(call.units, "SI");
}

TEST_F(PhasePropertiesTest, TwoPhaseStreamSplitsIntoItsPhases) {
    // Wet nitrogen cooled to 300 K: water condenses (its vapour pressure is about 3.5 kPa).
    const int64_t in = Stream(Fluid({1.0, 0.1, 0.0}, 300.0, 1.0), Solid(0.0, 300.0));
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_TRUE(unit.FlashStream(0, 2, 300.0, 1e5, 0.0, true));
    const double vf = State(in, 0, sv::kVaporFraction);
    ASSERT_GT(vf, 0.9);
    ASSERT_LT(vf, 0.99);
    double vapour = 0, liquid = 0, vapourMass = 0, liquidMass = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -1, &vapour, 1), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -2, &liquid, 1), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -1, &vapourMass, 0), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 0, -2, &liquidMass, 0), kStatusOk);
    EXPECT_NEAR(vapour + liquid, 1.1, 1e-9);
    EXPECT_NEAR(vapourMass + liquidMass, Weight(nitrogen) + 0.1 * Weight(water), 1e-6);

    CComSafeArray<double> y;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 6, -1, y, 1, 1), kStatusOk);
    const std::vector<double> yv = Values(y);
    // Raoult: water's share of the vapour is about its vapour pressure over the pressure.
    EXPECT_NEAR(yv[1], 3536.0 / 1e5, 0.05 * 3536.0 / 1e5);

    // The phases' enthalpy flows add up to the stream's; J/mol and J/kg agree through the
    // phase's molecular weight.
    double hv = 0, hl = 0, overall = 0, hlMole = 0, hlMass = 0;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, -1, &hv, 2), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, -2, &hl, 2), kStatusOk);
    ASSERT_EQ(unit.GetOverallProp(0, 3, &overall, 2), kStatusOk);
    EXPECT_NEAR(hv + hl, overall, 1e-6 * std::fabs(overall));
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, -2, &hlMole, 1), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 3, -2, &hlMass, 0), kStatusOk);
    EXPECT_NEAR(hlMole * 1000.0 / hlMass, liquidMass / liquid, 1e-9 * liquidMass / liquid);
    EXPECT_NEAR(hl, hlMole * 1000.0 * liquid, 1e-9 * std::fabs(hl));
    double entropy = 0;
    EXPECT_EQ(unit.GetSinglePhaseProp(0, 4, -1, &entropy, 1), kStatusCapeLimitedImplementation);

    double tension = 0, swapped = 0;
    ASSERT_EQ(unit.GetTwoPhaseProp(0, 14, {-2, -1}, &tension, 1), kStatusOk);
    ASSERT_EQ(unit.GetTwoPhaseProp(0, 14, {-1, -2}, &swapped, 1), kStatusOk);
    EXPECT_EQ(tension, swapped);
    EXPECT_NEAR(tension, 0.0717, 0.05 * 0.0717);  // water at 300 K
    EXPECT_EQ(unit.GetTwoPhaseProp(0, 14, {-1}, &tension, 1), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetTwoPhaseProp(0, 9, {0}, &tension, 1), kStatusInvalidArgument);

    // Setting the liquid flow keeps the vapour.
    ASSERT_EQ(unit.SetSinglePhaseProp(0, 0, -2, 0.0, 1), kStatusOk);
    EXPECT_NEAR(State(in, 0, sv::kTotalFlow), vapour, 1e-9);
    EXPECT_NEAR(State(in, 0, sv::kVaporFraction), 1.0, 1e-12);
}

}  // namespace
}  // namespace brixel::testing

namespace brixel::testing {
namespace {

// Nitrogen, water and silica with coal as a non-conventional component in an NC substream.
class NonconventionalPropertiesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nitrogen = host.AddDatabankComponent("N2");
        water = host.AddDatabankComponent("WATER");
        silica = host.AddDatabankComponent("SIO2");
        host.AddNonconventionalComponent("COAL");
        streamClass = host.AddStreamClass("MIXNC", {{"MIXED", 1, {}}, {"NC", 3, {}}});
        plex::SetupFromHost();
        stream = host.AddStream(streamClass);
        host::SubstreamState gas;
        gas.flows = {1.0, 0.02, 0.0};
        gas.temperature = 300.0;
        gas.pressure = 1e5;
        gas.vaporFraction = 1.0;
        gas.liquidFraction = 0.0;
        host.SetSubstream(stream, 0, gas);
        host::SubstreamState coal;
        coal.flows = {0.5};
        coal.temperature = 300.0;
        coal.pressure = 1e5;
        host.SetSubstream(stream, 1, coal);
        block = &host.AddBlock("B1", {stream}, {host.AddStream(streamClass)});
        unit.SetStreamBeads(&counts[0], block->inlets.data(), &counts[1], block->outlets.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
    }

    host::SubstituteHost host;
    TestUnit unit;
    host::Block* block = nullptr;
    std::array<int64_t, 2> counts{1, 1};
    int64_t nitrogen = 0, water = 0, silica = 0, streamClass = 0, stream = 0;
};

TEST_F(NonconventionalPropertiesTest, NcFlowsStandAfterTheConventionalOnes) {
    CComSafeArray<double> flows;
    ASSERT_EQ(unit.GetOverallProp(0, 5, flows, 1), kStatusOk);
    EXPECT_EQ(Values(flows), (std::vector<double>{1.0, 0.02, 0.0, 0.5}));

    // A mass composition keeps each substream's mass: the gas its own, the coal its 0.5 kg/s.
    const double gasMass = Weight(nitrogen) + 0.02 * Weight(water);
    ASSERT_EQ(unit.SetOverallProp(0, 6, Array({0.2, 0.1, 0.0, 0.7}), 0), kStatusOk);
    CComSafeArray<double> fractions;
    ASSERT_EQ(unit.GetOverallProp(0, 6, fractions, 0), kStatusOk);
    const std::vector<double> w = Values(fractions);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_NEAR(w[0], 2.0 / 3.0 * gasMass / (gasMass + 0.5), 1e-12);
    EXPECT_NEAR(w[3], 0.5 / (gasMass + 0.5), 1e-12);
    double mass = 0;
    ASSERT_EQ(unit.GetOverallProp(0, 0, &mass, 0), kStatusOk);
    EXPECT_NEAR(mass, gasMass + 0.5, 1e-9);
}

TEST_F(PhasePropertiesTest, DryFlowsLeaveTheMoistureOut) {
    host.SetMoistureComponents({water});
    host::SubstreamState wetSand = Solid(0.3, 300.0);
    wetSand.flows = {0.0, 0.1, 0.3};
    const int64_t in = Stream(Fluid({1.0, 0.0, 0.0}, 300.0, 1.0), wetSand);
    TestUnit unit;
    Bind(unit, in, host.AddStream(streamClass));
    CComSafeArray<double> dry, wet;
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 5, 1, dry, 1, 0), kStatusOk);
    ASSERT_EQ(unit.GetSinglePhaseProp(0, 5, 1, wet, 1, 1), kStatusOk);
    EXPECT_EQ(Values(wet), (std::vector<double>{0.0, 0.1, 0.3}));
    const std::vector<double> d = Values(dry);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[1], 0.0);
    EXPECT_NEAR(d[2], 0.4, 1e-12);  // the dry solids carry the substream's total
}

}  // namespace
}  // namespace brixel::testing
