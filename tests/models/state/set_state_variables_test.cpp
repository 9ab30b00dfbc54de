// Outlet state setting on real substances: specifications, limits, messages and the heat duty
// shared by two outlets.
#include "brixel/models/state/set_state_variables.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "support/thermo_fixture.h"

namespace brixel::testing {
namespace {

namespace sv = stream_vector;

constexpr double kNitrogenWeight = 28.014;  // kg/kmol
constexpr double kWaterWeight = 18.015;

class StateVariablesTest : public ThermoTest {
  protected:
    // Inlet port 0, outlets ports 1 and 2.
    void BindTwoOutlets(int64_t inlet, int64_t first, int64_t second) {
        host::Block& block = host.AddBlock("B1", {inlet}, {first, second});
        counts = {1, 2};
        unit.SetStreamBeads(&counts[0], block.inlets.data(), &counts[1], block.outlets.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
        unit.NamePorts({"IN", "OUT1", "OUT2"});
        unit.EnableOutput(true);
    }

    // Humid nitrogen and sand at 350 K, one outlet a copy of it.
    void SetUpOneOutlet(std::vector<double> fluid = {1.0, 0.02, 0.0}, double vaporFraction = 1.0) {
        in = Stream(Fluid(fluid, 350.0, vaporFraction), Solid(0.1, 350.0));
        out = Stream(Fluid(fluid, 350.0, vaporFraction), Solid(0.1, 350.0));
        BindTwoOutlets(in, out, Stream(Fluid({0.0, 0.0, 0.0}, 350.0, 1.0), Solid(0.0, 350.0)));
    }

    // Sum of F * MW * h over the substreams (W), from the stream vector.
    double EnthalpyFlow(int64_t bead) {
        double sum = 0.0;
        for (int s = 0; s < 2; ++s) {
            sum += State(bead, s, sv::kTotalFlow) * State(bead, s, sv::kMolecularWeight) *
                   State(bead, s, sv::kEnthalpy);
        }
        return sum;
    }

    std::vector<std::string> Printed() { return host.PrintedLines(); }

    TestUnit unit;
    CSetStateVariables state{&unit};
    int64_t in = 0, out = 0;
};

TEST_F(StateVariablesTest, NamesIdsAndDefaults) {
    EXPECT_EQ(CSetStateVariables::GetIDOfStateVariable("vapor fraction (mole)"), 3);
    EXPECT_EQ(CSetStateVariables::GetIDOfStateVariable("vapor fraction (mass)"), 3);
    EXPECT_EQ(CSetStateVariables::GetIDOfStateVariable("pressure change"), 5);
    EXPECT_EQ(CSetStateVariables::GetIDOfStateVariable("Pressure"), -1);
    EXPECT_EQ(std::string(CSetStateVariables::GetStateVariableFromID(7)), "vapor fraction (mole)");
    EXPECT_EQ(std::string(CSetStateVariables::GetStateVariableFromID(8)), "");
    EXPECT_EQ(std::string(state.GetState1()), "temperature change");
    EXPECT_EQ(std::string(state.GetState2()), "pressure change");
    EXPECT_EQ(state.GetNumberOfVariables(), 2);
    const bool defaults[] = {true, true, true, false, true, true};
    for (int id = 0; id < 6; ++id) {
        EXPECT_EQ(state.IsVariableAllowed(id), defaults[id]) << id;
    }

    auto allowed = std::make_unique<bool[]>(6);
    allowed[3] = true;
    state.SetAllowedVariables(std::move(allowed));
    CSetStateVariables copy(state);
    state.SetAllowedVariables(nullptr);  // keeps the present array
    EXPECT_TRUE(state.IsVariableAllowed(3));
    EXPECT_FALSE(state.IsVariableAllowed(0));
    state.SetAllowedVariables(std::make_unique<bool[]>(6));
    EXPECT_TRUE(copy.IsVariableAllowed(3));  // the copy owns its own array
}

TEST_F(StateVariablesTest, SpecifiedHeatDutyIsNotOverwritten) {
    state.SetHeatDuty(100.0);
    EXPECT_EQ(state.GetHeatDuty(), 100.0);
    state.SetState1("heat duty");
    EXPECT_TRUE(state.IsHeatDutySelected());
    state.SetHeatDuty(250.0);
    EXPECT_EQ(state.GetHeatDuty(), 100.0);
}

TEST_F(StateVariablesTest, ValidationMessagesAreExact) {
    SetUpOneOutlet();
    state.SetState1("temperature");
    state.SetState2("vapor fraction (mass)");
    state.SetVaporFraction(1.2);
    unit.ValidateData();
    state.ValidateData();
    EXPECT_TRUE(unit.HasValidationErrors());
    EXPECT_EQ(Printed(), (std::vector<std::string>{
                             "      TEMPERATURE IS NOT SET.",
                             "      VAPOR FRACTION (1.2) MUST BE BETWEEN ZERO AND ONE."}));
    ASSERT_EQ(host.LevelChecks().size(), 2u);
    EXPECT_EQ(host.LevelChecks()[0].tag, "SSTATE");
    EXPECT_EQ(host.LevelChecks()[0].code, 1);
    EXPECT_EQ(host.LevelChecks()[1].code, 4);
    EXPECT_EQ(host.LevelChecks()[1].level, 2);

    host.ClearCaptures();
    state.SetState1("pressure");
    state.SetState2("vapor flow rate");
    state.SetPressure(0.5);
    state.SetVaporFlowRate(-1.0);
    state.ValidateData();
    state.SetTemperature(20000.0);
    state.SetPressure(2e9);
    state.SetState1("temperature");
    state.SetState2("pressure");
    state.ValidateData();
    state.SetNumberOfVariables(1);  // the second name no longer counts
    state.SetTemperature(5.0);
    state.ValidateData();
    EXPECT_EQ(Printed(),
              (std::vector<std::string>{"      PRESSURE MUST BE ABOVE 1 PA.",
                                        "      OUTLET VAPOR MASSFLOW MUST BE GREATER THAN ZERO.",
                                        "      TEMPERATURE MUST BE BELOW 10000 K.",
                                        "      PRESSURE MUST BE BELOW 1E+09 PA.",
                                        "      TEMPERATURE MUST BE ABOVE 10 K."}));
}

TEST_F(StateVariablesTest, TemperatureAndPressureGiveThatState) {
    SetUpOneOutlet();
    state.SetState1("temperature");
    state.SetState2("pressure");
    state.SetTemperature(420.0);
    state.SetPressure(2.5e5);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusOk);
    for (int s = 0; s < 2; ++s) {
        EXPECT_DOUBLE_EQ(State(out, s, sv::kTemperature), 420.0);
        EXPECT_DOUBLE_EQ(State(out, s, sv::kPressure), 2.5e5);
    }
    ASSERT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_EQ(host.FlashCalls()[0].kode, 2);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kTemperature), 350.0);  // the reference is untouched
}

TEST_F(StateVariablesTest, ChangesAreAddedToTheReferenceState) {
    SetUpOneOutlet();
    state.SetTemperatureChange(-25.0);
    state.SetPressureChange(-2e4);
    EXPECT_EQ(state.CalcFlash(CString("OUT1"), CString("IN")), kStatusOk);
    EXPECT_NEAR(State(out, 0, sv::kTemperature), 325.0, 1e-9);
    EXPECT_NEAR(State(out, 1, sv::kTemperature), 325.0, 1e-9);
    EXPECT_NEAR(State(out, 0, sv::kPressure), 8e4, 1e-6);

    // A single pressure keeps the reference temperature.
    state.SetNumberOfVariables(1);
    state.SetState1("pressure");
    state.SetPressure(3e5);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusOk);
    EXPECT_NEAR(State(out, 0, sv::kTemperature), 350.0, 1e-9);
    EXPECT_NEAR(State(out, 0, sv::kPressure), 3e5, 1e-6);
}

TEST_F(StateVariablesTest, OutOfRangeStateIsRefusedAndLeavesTheStream) {
    SetUpOneOutlet();
    const std::vector<double> before = Vector(out);
    // Defaults: both changes missing put the outlet at the reference plus the missing value.
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusCapeInvalidArgument);
    state.SetTemperatureChange(0.0);
    state.SetPressureChange(-1.5e5);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusCapeInvalidArgument);
    state.SetState1("temperature");
    state.SetTemperature(5.0);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusCapeInvalidArgument);
    EXPECT_EQ(Vector(out), before);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_TRUE(unit.HasCalculationErrors());
    EXPECT_EQ(Printed(), (std::vector<std::string>{
                             "      TEMPERATURE AT OUTLET (1E+35) IS ABOVE UPPER LIMIT OF 10000 K.",
                             "      PRESSURE AT OUTLET (-50000) IS BELOW LOWER LIMIT OF 1 PA.",
                             "      TEMPERATURE AT OUTLET (5) IS BELOW LOWER LIMIT OF 10 K."}));
    ASSERT_EQ(host.LevelChecks().size(), 3u);
    EXPECT_EQ(host.LevelChecks()[1].code, 8);
    EXPECT_EQ(host.LevelChecks()[2].code, 7);
}

TEST_F(StateVariablesTest, UnknownNamesAndTheFirstOutletAsReference) {
    in = Stream(Fluid({1.0, 0.02, 0.0}, 350.0, 1.0), Solid(0.1, 350.0));
    out = Stream(Fluid({1.0, 0.02, 0.0}, 350.0, 1.0), Solid(0.1, 350.0));
    const int64_t second = Stream(Fluid({0.5, 0.01, 0.0}, 340.0, 1.0), Solid(0.05, 340.0));
    BindTwoOutlets(in, out, second);
    // A name that is none of the eight is refused before anything is flashed.
    state.SetState1("temprature");
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusInvalidArgument);
    EXPECT_TRUE(host.FlashCalls().empty());

    // Both outlets 10 K above the first outlet as it was before the call, not above what
    // the first flash made of it.
    state.SetState1("temperature change");
    state.SetTemperatureChange(10.0);
    state.SetPressureChange(0.0);
    const std::vector<int> outlets{1, 2};
    EXPECT_EQ(state.CalcFlash(&outlets, -1), kStatusOk);
    EXPECT_NEAR(State(out, 0, sv::kTemperature), 360.0, 1e-9);
    EXPECT_NEAR(State(second, 0, sv::kTemperature), 360.0, 1e-9);
    EXPECT_TRUE(unit.GetInternalStreams().empty());
}

TEST_F(StateVariablesTest, ATemperatureAloneKeepsTheReferencePressure) {
    // Not a flash at vapour fraction 0, which would put the outlet at its bubble point.
    SetUpOneOutlet();
    const double referencePressure = State(in, 0, sv::kPressure);
    state.SetNumberOfVariables(1);
    state.SetState1("temperature");
    state.SetTemperature(400.0);
    ASSERT_EQ(state.CalcFlash(1, 0), kStatusOk);
    state.SetState1("temperature change");
    state.SetTemperatureChange(-30.0);
    ASSERT_EQ(state.CalcFlash(1, 0), kStatusOk);
    ASSERT_EQ(host.FlashCalls().size(), 2u);
    const double temperatures[] = {400.0, 320.0};
    for (int i = 0; i < 2; ++i) {
        const host::FlashCall& call = host.FlashCalls()[static_cast<std::size_t>(i)];
        EXPECT_EQ(call.kode, 2);
        EXPECT_DOUBLE_EQ(call.spec1, temperatures[i]);
        EXPECT_EQ(call.spec2, referencePressure);
    }
    EXPECT_NEAR(State(out, 0, sv::kTemperature), 320.0, 1e-9);
    EXPECT_EQ(State(out, 0, sv::kPressure), referencePressure);
}

TEST_F(StateVariablesTest, FailedFlashIsReportedAndReturned) {
    SetUpOneOutlet();
    state.SetTemperatureChange(10.0);
    state.SetPressureChange(0.0);
    host.SetRefuseFlash(true);
    // The outlet keeps a state it was not set to: the caller must know.
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusFail);
    EXPECT_EQ(Printed(), std::vector<std::string>{"      FLASH CALCULATION FAILED."});
    EXPECT_EQ(host.LevelChecks().back().code, 12);
    EXPECT_EQ(state.CalcFlash(CString("NOPE"), CString("IN")), kStatusInvalidArgument);
}

TEST_F(StateVariablesTest, MolarVapourFractionIsMet) {
    // Nitrogen with much water at 350 K: the split fixes the vapour share, the flash the
    // pressure at which the phases hold it.
    SetUpOneOutlet({0.1, 0.9, 0.0}, 1.0);
    state.SetNumberOfVariables(1);
    state.SetState1("vapor fraction (mole)");
    state.SetVaporFraction(0.4);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusOk);
    EXPECT_TRUE(Printed().empty());
    EXPECT_NEAR(State(out, 0, sv::kVaporFraction), 0.4, 1e-9);
    EXPECT_NEAR(State(out, 0, sv::kTemperature), 350.0, 1e-9);
    EXPECT_NEAR(Flow(out, 0, 0) + Flow(out, 0, 1), 1.0, 1e-12);  // the fluid is kept
}

TEST_F(StateVariablesTest, VapourMassFlowIsMetAndCappedAtTheFluid) {
    SetUpOneOutlet({0.1, 0.9, 0.0}, 1.0);
    state.SetNumberOfVariables(1);
    state.SetState1("vapor flow rate");
    // One composition in both phases: the vapour's mole share is its mass share.
    const double fluidMass = 0.1 * kNitrogenWeight + 0.9 * kWaterWeight;
    state.SetVaporFlowRate(0.25 * fluidMass);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusOk);
    EXPECT_NEAR(State(out, 0, sv::kVaporFraction), 0.25, 1e-9);

    state.SetVaporFlowRate(2.0 * fluidMass);
    EXPECT_EQ(state.CalcFlash(1, 0), kStatusOk);
    EXPECT_EQ(Printed(), std::vector<std::string>{
                             "      SELECTED VAPOR FLOW RATE IS NOT FEASIBLE. MAXIMUM IS CHOSEN."});
    EXPECT_EQ(host.LevelChecks().back().level, 3);
    EXPECT_EQ(host.LevelChecks().back().code, 9);
    EXPECT_NEAR(State(out, 0, sv::kVaporFraction), 1.0, 1e-12);
    EXPECT_NEAR(State(out, 0, sv::kTemperature), 350.0, 1e-9);
}

class SharedDutyTest : public StateVariablesTest {
  protected:
    // The inlet in equilibrium at 350 K; the outlets take parts of its gas and sand.
    void SetUpTwoOutlets() {
        in = Stream(Fluid({1.0, 0.02, 0.0}, 350.0, 1.0), Solid(0.1, 350.0));
        first = Stream(Fluid({0.9, 0.018, 0.0}, 350.0, 1.0), Solid(0.01, 350.0));
        second = Stream(Fluid({0.1, 0.002, 0.0}, 350.0, 1.0), Solid(0.09, 350.0));
        BindTwoOutlets(in, first, second);
        ASSERT_TRUE(unit.FlashStream(0, 2, 350.0, 1e5, 1e35, true));
        inletEnthalpy = EnthalpyFlow(in);
    }

    void ExpectOneTemperatureAndBalance(double duty) {
        const double t = State(first, 0, sv::kTemperature);
        for (const int64_t bead : {first, second}) {
            for (int s = 0; s < 2; ++s) {
                EXPECT_NEAR(State(bead, s, sv::kTemperature), t, 1e-6);
            }
        }
        const double after = EnthalpyFlow(first) + EnthalpyFlow(second);
        EXPECT_NEAR(after, inletEnthalpy + duty, 1e-7 * std::abs(inletEnthalpy + duty) + 1e-6);
    }

    int64_t first = 0, second = 0;
    double inletEnthalpy = 0.0;
    std::vector<int> outlets{1, 2};
};

TEST_F(SharedDutyTest, TwoOutletsLeaveAtOneTemperatureWithTheDuty) {
    SetUpTwoOutlets();
    state.SetNumberOfVariables(1);
    state.SetHeatDuty(3.0e4);  // a duty is given before it is selected
    state.SetState1("heat duty");
    EXPECT_EQ(state.CalcFlash(&outlets, 0), kStatusOk);
    ExpectOneTemperatureAndBalance(3.0e4);
    // Rise = Q / sum(F cp) with cp of N2 29.1, water vapour 33.6 and quartz about 45 kJ/(kmol K)
    // near 350 K; the tolerance covers the sand's heat capacity.
    const double rise = 3.0e4 / (1.0 * 29.1e3 + 0.02 * 33.6e3 + 0.1 * 45e3);
    EXPECT_NEAR(State(first, 0, sv::kTemperature) - 350.0, rise, 0.03);
    EXPECT_NEAR(State(second, 1, sv::kPressure), 1e5, 1e-6);
    EXPECT_EQ(host.PropertyBracketDepth(), 0);
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(SharedDutyTest, CondensationAtHigherPressureIsSolvedBySecant) {
    // Wet nitrogen: at 4 bar part of the water condenses, so the mixed temperature at the
    // reference pressure does not close the balance and the duty has to be shared.
    in = Stream(Fluid({1.0, 0.3, 0.0}, 370.0, 1.0), Solid(0.1, 370.0));
    first = Stream(Fluid({0.8, 0.24, 0.0}, 370.0, 1.0), Solid(0.02, 370.0));
    second = Stream(Fluid({0.2, 0.06, 0.0}, 370.0, 1.0), Solid(0.08, 370.0));
    BindTwoOutlets(in, first, second);
    ASSERT_TRUE(unit.FlashStream(0, 2, 370.0, 1e5, 1e35, true));
    inletEnthalpy = EnthalpyFlow(in);
    state.SetHeatDuty(-2.0e4);
    state.SetState1("heat duty");
    state.SetState2("pressure");
    state.SetPressure(4e5);
    host.ClearCaptures();
    EXPECT_EQ(state.CalcFlash(&outlets, 0), kStatusOk);
    ExpectOneTemperatureAndBalance(-2.0e4);
    EXPECT_GT(State(first, 0, sv::kLiquidFraction), 0.0);
    EXPECT_NEAR(State(first, 0, sv::kPressure), 4e5, 1e-6);
    EXPECT_NEAR(State(second, 1, sv::kPressure), 4e5, 1e-6);
    std::size_t enthalpyFlashes = 0;
    for (const host::FlashCall& call : host.FlashCalls()) {
        enthalpyFlashes += call.kode == 1 ? 1 : 0;
    }
    EXPECT_GE(enthalpyFlashes, 5u);  // the reference copy and at least two secant points
    EXPECT_EQ(host.PropertyBracketDepth(), 0);
}

TEST_F(SharedDutyTest, EmptyOutletTakesNothingAndThreeOutletsAreRefused) {
    SetUpTwoOutlets();
    state.SetNumberOfVariables(1);
    state.SetHeatDuty(5.0e3);
    state.SetState1("heat duty");
    // The second outlet empty: the first carries everything.
    for (int s = 0; s < 2; ++s) {
        for (int c = 0; c < 3; ++c) {
            Flow(second, s, c) = 0.0;
        }
        State(second, s, sv::kTotalFlow) = 0.0;
        for (int c = 0; c < 3; ++c) {
            Flow(first, s, c) = Flow(in, s, c);
        }
        State(first, s, sv::kTotalFlow) = State(in, s, sv::kTotalFlow);
        State(first, s, sv::kMolecularWeight) = State(in, s, sv::kMolecularWeight);
    }
    EXPECT_EQ(state.CalcFlash(&outlets, 0), kStatusOk);
    EXPECT_NEAR(EnthalpyFlow(first), inletEnthalpy + 5.0e3, 1e-7 * std::abs(inletEnthalpy) + 1e-6);
    EXPECT_DOUBLE_EQ(State(first, 0, sv::kTemperature), State(first, 1, sv::kTemperature));

    const std::vector<int> three{1, 2, 1};
    EXPECT_EQ(state.CalcFlash(&three, 0), kStatusFail);
    EXPECT_EQ(state.CalcFlash(nullptr, 0), kStatusInvalidArgument);
}

// The secant of the duty sharing on plain temperature differences (K) of the enthalpy h (W).
TEST(EqualTemperatureSecant, StopsWhereTheTemperaturesAgree) {
    int calls = 0;
    const auto linear = [&](double h) {
        ++calls;
        return (h - 3000.0) / 1000.0;
    };
    EXPECT_EQ(EqualTemperatureSecant(linear, 2000.0, 2000.0), kStatusOk);
    EXPECT_EQ(calls, 3);  // two points fix a straight line; the third lies on its root
}

TEST(EqualTemperatureSecant, AStallIsASuccessOnlyWithTheTemperaturesTogether) {
    // A difference of 1e-5 K that no enthalpy moves: as close as the flash can tell.
    EXPECT_EQ(EqualTemperatureSecant([](double) { return 1e-5; }, 2000.0, 2000.0), kStatusOk);
    // Two kelvin apart whatever the enthalpy: a failure, not a success.
    EXPECT_EQ(EqualTemperatureSecant([](double) { return 2.0; }, 2000.0, 2000.0), kStatusFail);
    // A difference that never reaches zero (its least value is 1 K) fails as well.
    EXPECT_EQ(EqualTemperatureSecant([](double h) { return 1.0 + h * h; }, 1.0, 1.0), kStatusFail);
}

}  // namespace
}  // namespace brixel::testing
