// Limits, preconditions and settings of a unit's flash requests. The fixture's components carry
// no thermodynamic data, so the host refuses their flashes: these tests pin what reaches it.
#include <cmath>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "support/unit_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

class FlashTest : public WithUnit<UnitTest> {
  protected:
    void SetUp() override {
        UnitTest::SetUp();
        host.SetFlashLimits(250.0, 800.0, 1000.0, 2e6);
        in = FeedStream();  // 300 K, 1e5 Pa
        out = NewStream();
    }

    int64_t in = 0;
    int64_t out = 0;
};

TEST_F(FlashTest, TemperatureLimitIsInclusive) {
    TestUnit& unit = Bound({in}, {out});
    unit.FlashStream(0, 2, 800.0, 1e5, 0.0, true);
    EXPECT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_FALSE(unit.FlashStream(0, 2, 801.0, 1e5, 0.0, true));
    EXPECT_FALSE(unit.FlashStream(0, 5, 250.0, 0.5, 1e5, true));  // below Tmin + 1e-11
    EXPECT_EQ(host.FlashCalls().size(), 1u);
}

TEST_F(FlashTest, PressureDropIsCheckedAgainstTheStreamPressure) {
    TestUnit& unit = Bound({in}, {out});
    unit.FlashStream(0, 1, 0.0, 0.0, host::kRealMissing, true);  // keeps 1e5 Pa
    ASSERT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_EQ(host.FlashCalls()[0].spec1, 0.0);
    EXPECT_FALSE(unit.FlashStream(0, 1, -2e5, 0.0, host::kRealMissing, true));
    EXPECT_FALSE(unit.FlashStream(0, 3, 3e6, 1.0, host::kRealMissing, true));  // above Pmax
    EXPECT_FALSE(unit.FlashStream(0, 2, 300.0, 500.0, 0.0, true));             // below Pmin
    EXPECT_FALSE(unit.FlashStream(0, 7, 300.0, 1e5, 0.0, true));               // no such kode
    EXPECT_EQ(host.FlashCalls().size(), 1u);
}

TEST_F(FlashTest, DutyAndVapourFractionFlashesTakeTheStreamPressure) {
    TestUnit& unit = Bound({in}, {out});
    unit.FlashStream(0, 4, 350.0, 1000.0, host::kRealMissing, true);
    ASSERT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_EQ(host.FlashCalls()[0].spec3, 1e5);
    EXPECT_EQ(host.FlashCalls()[0].kode, 4);
}

TEST_F(FlashTest, NothingToFlashIsASuccessWithoutTheHost) {
    TestUnit unit;
    const int64_t empty = NewStream();
    host::Block& block = Bind(unit, {in, empty}, {out});
    EXPECT_TRUE(unit.FlashStream(1, 2, 300.0, 1e5, 0.0, true));  // no flow
    block.statusBlock[records::kStatusFlashEnabled] = 0;
    EXPECT_TRUE(unit.FlashStream(0, 2, 300.0, 1e5, 0.0, true));  // flashes switched off
    EXPECT_TRUE(host.FlashCalls().empty());
}

TEST_F(FlashTest, RefusalsWithoutTheHost) {
    TestUnit unbound;
    EXPECT_FALSE(
        unbound.FlashStream(static_cast<int>(in), 2, 300.0, 1e5, 0.0, true));  // no method set
    const int64_t heat = host.AddStream(host.AddInformationStreamClass("HEAT"));
    TestUnit& unit = Bound({in, heat}, {out});
    EXPECT_FALSE(unit.FlashStream(1, 2, 300.0, 1e5, 0.0, true));     // information stream
    EXPECT_FALSE(unit.FlashStream(0, 2, 300.0, 1e5, 0.0, true, 5));  // no substream 5
    EXPECT_TRUE(host.FlashCalls().empty());
}

TEST_F(FlashTest, OneSubstreamAndTheHostsRefusal) {
    TestUnit& unit = Bound({in}, {out});
    EXPECT_FALSE(unit.FlashStream(0, 2, 300.0, 1e5, 0.0, true, 1));
    ASSERT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_EQ(host.FlashCalls()[0].positions,
              std::vector<int64_t>{host.SubstreamOffset(in, 1) + 1});
    EXPECT_EQ(unit.GetFlashResults(static_cast<int>(in), false), nullptr);
    EXPECT_TRUE(host.StoredEquilibria().empty());
}

TEST_F(FlashTest, PhaseSettingsFallBackToTheFlashOptions) {
    host.SetFlashOptions(3, 2, 1e-5);
    TestUnit& unit = Bound({in}, {out});
    int64_t count = 0;
    int64_t phase = 0;
    unit.GetFlashPhase(count, phase);
    EXPECT_EQ(count, host::kIntegerMissing);  // the unit's own setting, as stored
    unit.FlashStream(0, 2, 300.0, 1e5, 0.0, true);
    unit.SetFlashParams(50, 1e-7, 1, 3);
    unit.FlashStream(0, 2, 300.0, 1e5, 0.0, true);
    ASSERT_EQ(host.FlashCalls().size(), 2u);
    EXPECT_EQ(host.FlashCalls()[0].phaseCount, 3);
    EXPECT_EQ(host.FlashCalls()[0].phase, 2);
    EXPECT_EQ(host.FlashCalls()[0].iterations, host::kIntegerMissing);
    EXPECT_EQ(host.FlashCalls()[0].tolerance, host::kRealMissing);
    EXPECT_EQ(host.FlashCalls()[1].phaseCount, 1);
    EXPECT_EQ(host.FlashCalls()[1].phase, 3);
    EXPECT_EQ(host.FlashCalls()[1].iterations, 50);
    EXPECT_EQ(host.FlashCalls()[1].tolerance, 1e-7);
}

TEST_F(FlashTest, ThermalEquilibriumIgnoresMissingTemperatures) {
    const int64_t partial = FeedStream(300.0, 300.0);
    host.StreamVector(partial)[host.SubstreamOffset(partial, 1) + host.ConventionalCount() + 1] =
        host::kRealMissing;
    TestUnit& unit = Bound({in, FeedStream(300.0, 301.0), partial}, {out});
    EXPECT_TRUE(unit.HasThermalEquilibrium(0));
    EXPECT_FALSE(unit.HasThermalEquilibrium(1));
    EXPECT_TRUE(unit.HasThermalEquilibrium(2));
}

TEST_F(FlashTest, SettingStateOutsideTheLimitsIsRefusedWithTwoLines) {
    TestUnit& unit = Bound({in}, {out});
    const std::vector<double> before = Vector(in);
    EXPECT_EQ(unit.SetTemperature(0, 900.0), kStatusFail);
    EXPECT_EQ(unit.SetPressure("IN0", 3e6), kStatusFail);
    EXPECT_EQ(unit.SetTemperature(0, std::nan("")), kStatusFail);
    EXPECT_EQ(Vector(in), before);
    ASSERT_GE(host.Prints().size(), 2u);
    EXPECT_EQ(host.Prints()[0],
              (std::vector<std::string>{
                  "      CALCULATED TEMPERATURE (900 K) IS OUT OF BOUNDS (250 - 800 K).",
                  "      TEMPERATURE NOT SET IN STREAM."}));
    EXPECT_EQ(host.Prints()[1],
              (std::vector<std::string>{
                  "      CALCULATED PRESSURE (3E+06 PA) IS OUT OF BOUNDS (1000 - 2E+06 PA).",
                  "      PRESSURE NOT SET IN STREAM."}));
    EXPECT_EQ(host.LevelChecks()[0].tag, "SETPROP");
    EXPECT_EQ(host.LevelChecks()[0].code, 3);
    EXPECT_TRUE(unit.HasCalculationErrors());
}

TEST_F(FlashTest, StateIsReadFromTheFirstGivenSubstreamAndSetInAll) {
    TestUnit& unit = Bound({in}, {out});
    const int64_t ncc = host.ConventionalCount();
    host.StreamVector(in)[host.SubstreamOffset(in, 0) + ncc + 1] = host::kRealMissing;
    double value = 0.0;
    EXPECT_EQ(unit.GetTemperature("IN0", &value), kStatusOk);
    EXPECT_EQ(value, 300.0);  // the CISOLID substream's
    EXPECT_EQ(unit.SetPressure(0, 2e5), kStatusOk);
    EXPECT_EQ(unit.GetPressure(0, &value), kStatusOk);
    EXPECT_EQ(value, 2e5);
    EXPECT_EQ(host.StreamVector(in)[host.SubstreamOffset(in, 1) + ncc + 2], 2e5);
    EXPECT_EQ(unit.GetTemperature(1, &value), kStatusFail);  // the empty outlet has none
    EXPECT_EQ(unit.GetTemperature("NOWHERE", &value), kStatusInvalidArgument);
    EXPECT_EQ(unit.GetPressure(0, nullptr), kStatusNullPointer);
}

TEST_F(FlashTest, NothingCachedGivesNullResults) {
    TestUnit& unit = Bound({in}, {out});
    int count = -1;
    int64_t marker = 0;
    int64_t* components = &marker;
    int64_t* hostComponents = &marker;
    double dummy = 0.0;
    double* a = &dummy;
    double* b = &dummy;
    double* c = &dummy;
    unit.GetFlashResults(static_cast<int>(out), count, components, hostComponents, a, b, &c,
                         nullptr, nullptr, nullptr, false, false);
    EXPECT_EQ(components, nullptr);
    EXPECT_EQ(hostComponents, nullptr);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(count, -1);  // nothing else happens
}

}  // namespace
}  // namespace brixel::testing
