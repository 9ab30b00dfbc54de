// Stream flow operations of a unit: where added and removed material goes, that flows are
// conserved, and that a refused request leaves the stream exactly as it was.
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/platform/bstr.h"
#include "support/unit_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

namespace sv = stream_vector;

constexpr int kA = 0;  // MW 10
constexpr int kB = 1;  // MW 20
constexpr int kS = 2;  // MW 100, conventional solid
constexpr double kMissing = host::kRealMissing;

// Each component's flow summed over the stream, kmol/s.
std::vector<double> ComponentTotals(TestUnit& unit, int port, int components) {
    std::vector<double> totals;
    for (int c = 0; c < components; ++c) {
        totals.push_back(unit.GetCompFlow(port, c, -1, 1));
    }
    return totals;
}

void ExpectConserved(const std::vector<double>& expected, const std::vector<double>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t c = 0; c < expected.size(); ++c) {
        EXPECT_NEAR(actual[c], expected[c], 1e-12 * std::max(1.0, std::fabs(expected[c])))
            << "component " << c;
    }
}

class FlowsTest : public WithUnit<UnitTest> {
  protected:
    // MIXED and CISOLID flows of A, B, S; a substream without flow keeps a missing state.
    int64_t Stream(std::vector<double> mixed, std::vector<double> solid, double mixedT = 300.0,
                   double solidT = 300.0) {
        const int64_t bead = NewStream();
        for (int k = 0; k < 2; ++k) {
            host::SubstreamState state;
            state.flows = k == 0 ? mixed : solid;
            if (state.flows[0] + state.flows[1] + state.flows[2] > 0.0) {
                state.temperature = k == 0 ? mixedT : solidT;
                state.pressure = 1e5;
            }
            host.SetSubstream(bead, k, state);
        }
        return bead;
    }

    // Component flow (entry < 3) or state entry (3 + stream_vector entry) of substream k.
    double At(int64_t bead, int k, int64_t entry) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, k) + entry];
    }
    double State(int64_t bead, int k, int64_t entry) { return At(bead, k, 3 + entry); }
};

TEST_F(FlowsTest, AddedLiquidGoesToTheFirstSubstream) {
    const int64_t in = Stream({0.0, 2.0, 0.0}, {0.0, 0.0, 0.5});
    TestUnit& unit = Bound({in});
    EXPECT_EQ(unit.AddFlowToStream(0, kA, 1.0), (std::set<int>{0}));
    EXPECT_EQ(At(in, 0, kA), 1.0);
    EXPECT_EQ(State(in, 0, sv::kTotalFlow), 3.0);
    EXPECT_EQ(At(in, 1, kA), 0.0);
    // The host was told and brought the molecular weight up to date.
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kMolecularWeight), (1.0 * 10 + 2.0 * 20) / 3.0);
}

TEST_F(FlowsTest, AddedSolidFillsAnEmptySolidSubstreamWithTheFirstSubstreamsState) {
    const int64_t in = Stream({1.0, 2.0, 0.0}, {0.0, 0.0, 0.0}, 350.0);
    TestUnit& unit = Bound({in});
    EXPECT_EQ(unit.AddFlowToStream(0, kS, 0.3), (std::set<int>{1}));
    EXPECT_EQ(At(in, 1, kS), 0.3);
    EXPECT_EQ(State(in, 1, sv::kTotalFlow), 0.3);
    EXPECT_EQ(State(in, 1, sv::kTemperature), 350.0);
    EXPECT_EQ(State(in, 1, sv::kPressure), 1e5);
    EXPECT_EQ(At(in, 0, kS), 0.0);
    // A substream holding the solid alone takes more without needing a flash.
    EXPECT_TRUE(unit.AddFlowToStream(0, kS, 0.2).empty());
    EXPECT_DOUBLE_EQ(At(in, 1, kS), 0.5);
}

TEST_F(FlowsTest, RemovalEmptiesTheOwnSubstreamBeforeTheSharedOne) {
    // S: 1 alone in CISOLID, 4 together with A in MIXED.
    const int64_t in = Stream({1.0, 0.0, 4.0}, {0.0, 0.0, 1.0});
    TestUnit& unit = Bound({in});
    EXPECT_EQ(unit.RemoveFlowFromStream(0, kS, 2.0), (std::set<int>{0}));
    EXPECT_EQ(At(in, 1, kS), 0.0);
    EXPECT_EQ(State(in, 1, sv::kTotalFlow), 0.0);
    EXPECT_DOUBLE_EQ(At(in, 0, kS), 3.0);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kTotalFlow), 4.0);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kMolecularWeight), (1.0 * 10 + 3.0 * 100) / 4.0);
}

TEST_F(FlowsTest, RemovingTooMuchThrowsButRemovingEverythingDoesNot) {
    const int64_t in = Stream({1.0, 0.0, 4.0}, {0.0, 0.0, 1.0});
    TestUnit& unit = Bound({in});
    const std::vector<double> before = Vector(in);
    EXPECT_EQ(ThrownStatus([&] { unit.RemoveFlowFromStream(0, kS, 5.5); }), kStatusFail);
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
    // "Everything" takes what S holds alone; the shared flow stays.
    EXPECT_TRUE(unit.RemoveFlowFromStream(0, kS, CBrixelBaseUnit::m_dblRMiss).empty());
    EXPECT_EQ(At(in, 1, kS), 0.0);
    EXPECT_EQ(At(in, 0, kS), 4.0);
}

TEST_F(FlowsTest, ChangeStreamFlowsWithNothingToChangeLeavesTheStream) {
    const int64_t in = FeedStream();
    TestUnit& unit = Bound({in});
    const std::vector<double> before = Vector(in);
    unit.ChangeStreamFlows(0, {0.0, 0.0, 0.0}, 1e35, 1e35, {});
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
    EXPECT_TRUE(host.FlashCalls().empty());
}

TEST_F(FlowsTest, ChangeStreamFlowsFlashesTheSharedSubstreamsItChanged) {
    // S shares MIXED with A and CISOLID with B: removing it changes both.
    for (const double solidT : {300.0, 320.0}) {
        host.ClearCaptures();
        const int64_t in = Stream({1.0, 0.0, 1.0}, {0.0, 1.0, 1.0}, 300.0, solidT);
        TestUnit unit;
        Bind(unit, {in}, {});
        unit.ChangeStreamFlows(0, {0.0, 0.0, -1.0}, 1e35, 1e35, {});
        EXPECT_DOUBLE_EQ(At(in, 0, kS), 0.5);
        EXPECT_DOUBLE_EQ(At(in, 1, kS), 0.5);
        const int64_t solidPosition = host.SubstreamOffset(in, 1) + 1;
        const auto& calls = host.FlashCalls();
        if (solidT == 300.0) {  // in equilibrium: one TP flash of both at the first state
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].positions, (std::vector<int64_t>{1, solidPosition}));
        } else {  // each substream at its own temperature
            ASSERT_EQ(calls.size(), 2u);
            EXPECT_EQ(calls[1].positions, (std::vector<int64_t>{solidPosition}));
            EXPECT_EQ(calls[1].spec1, 320.0);
        }
        EXPECT_EQ(calls[0].kode, 2);
        EXPECT_EQ(calls[0].spec1, 300.0);
        EXPECT_EQ(calls[0].spec2, 1e5);
    }
}

TEST_F(FlowsTest, EmptySubstreamsAreClearedBelow1e50) {
    const int64_t cleared = Stream({1.0, 0.0, 0.0}, {0.0, 0.0, 1e-51});
    const int64_t kept = Stream({1.0, 0.0, 0.0}, {0.0, 0.0, 1e-50});
    TestUnit& unit = Bound({cleared, kept});
    const std::vector<double> keptBefore = Vector(kept);
    unit.ClearZeroFlowSubstreams(0);
    unit.ClearZeroFlowSubstreams(1);
    EXPECT_EQ(At(cleared, 1, kS), 0.0);
    EXPECT_EQ(State(cleared, 1, sv::kTotalFlow), 0.0);
    EXPECT_EQ(State(cleared, 1, sv::kTemperature), kMissing);
    EXPECT_EQ(State(cleared, 1, sv::kPressure), 1e5);
    EXPECT_TRUE(BitwiseEqual(Vector(kept), keptBefore));
}

TEST_F(FlowsTest, CopiesAndMovesConserveEveryComponent) {
    const int64_t in = Stream({1.0, 2.0, 0.4}, {0.0, 0.1, 0.5});
    const int64_t out = NewStream();
    TestUnit& unit = Bound({in}, {out});
    const std::vector<double> before = ComponentTotals(unit, 0, 3);
    unit.CopyStream(0, 1);
    ExpectConserved(before, ComponentTotals(unit, 1, 3));
    unit.MoveComponentToSubstream(0, kS, 1);
    unit.MoveComponentToSubstream(0, kB, 0);
    ExpectConserved(before, ComponentTotals(unit, 0, 3));
    EXPECT_EQ(At(in, 0, kS), 0.0);
    EXPECT_EQ(At(in, 1, kB), 0.0);
    unit.AddFlowToStream(0, kS, 0.25);
    unit.RemoveFlowFromStream(0, kS, 0.25);
    ExpectConserved(before, ComponentTotals(unit, 0, 3));
}

TEST_F(FlowsTest, MovingAComponentRecomputesMolecularWeights) {
    const int64_t in = Stream({1.0, 2.0, 0.5}, {0.0, 0.0, 0.5});
    TestUnit& unit = Bound({in});
    unit.MoveComponentToSubstream(0, CString("s"), 1);  // IDs compare without regard to case
    EXPECT_EQ(At(in, 0, kS), 0.0);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kTotalFlow), 3.0);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kMolecularWeight), (1.0 * 10 + 2.0 * 20) / 3.0);
    EXPECT_DOUBLE_EQ(At(in, 1, kS), 1.0);
    EXPECT_DOUBLE_EQ(State(in, 1, sv::kTotalFlow), 1.0);
    EXPECT_DOUBLE_EQ(State(in, 1, sv::kMolecularWeight), 100.0);
    EXPECT_EQ(ThrownStatus([&] { unit.MoveComponentToSubstream(0, CString("XYZ"), 1); }),
              kStatusFail);

    // A stream of one substream has nowhere to move anything.
    const int64_t single = host.AddStream(host.AddStreamClass("MIXONLY", {{"MIXED", 1, {}}}));
    host.SetSubstream(single, 0, {.flows = {1.0, 0.0, 0.5}, .psd = {}});
    const std::vector<double> before = Vector(single);
    unit.MoveComponentToSubstream(static_cast<int>(single), kS, 0);
    EXPECT_TRUE(BitwiseEqual(Vector(single), before));
}

TEST_F(FlowsTest, ReadingAndSettingOneFlow) {
    const int64_t in = Stream({1.0, 2.0, 0.4}, {0.0, 0.0, 0.5});
    TestUnit& unit = Bound({in});
    EXPECT_DOUBLE_EQ(unit.GetCompFlow(0, kS, -1, 1), 0.9);
    EXPECT_DOUBLE_EQ(unit.GetCompFlow(0, kS, 1, 1), 0.5);
    EXPECT_DOUBLE_EQ(unit.GetCompFlow(0, kS, 1, 0), 50.0);  // kg/s
    EXPECT_DOUBLE_EQ(unit.GetCompFlow(0, kS, 7, 0), 90.0);  // past the last: all substreams
    unit.ChangeComponentFlow(0, 0, kB, 20.0);               // kg/s of MW 20
    EXPECT_DOUBLE_EQ(At(in, 0, kB), 1.0);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kTotalFlow), 2.4);
    EXPECT_DOUBLE_EQ(State(in, 0, sv::kMolecularWeight), (1.0 * 10 + 1.0 * 20 + 0.4 * 100) / 2.4);
}

TEST_F(FlowsTest, MoistureComponentIds) {
    TestUnit unit;
    CComSafeArray<BSTR> ids;
    EXPECT_EQ(unit.GetMoistureComps(ids), 0);
    EXPECT_EQ(ids.GetCount(), 0u);
    host.SetMoistureComponents({2});
    EXPECT_EQ(unit.GetMoistureComps(ids), 1);
    ASSERT_EQ(ids.GetCount(), 1u);
    EXPECT_TRUE(BstrEquals(ids[0], "B"));
}

TEST_F(FlowsTest, SubstreamOccupancyCodes) {
    const int64_t in = Stream({1.0, 2.0, 0.0}, {0.0, 0.0, 0.5});
    const int64_t empty = NewStream();
    TestUnit& unit = Bound({in, empty});
    EXPECT_EQ(unit.SubstreamHasCompFlow(0, 1, kS), 2);
    EXPECT_EQ(unit.SubstreamHasCompFlow(0, 0, kA), 1);
    EXPECT_EQ(unit.SubstreamHasCompFlow(0, 0, kS), 0);
    EXPECT_EQ(unit.SubstreamHasCompFlow(1, 0, kA), -1);
    EXPECT_EQ(ThrownStatus([&] { unit.SubstreamHasCompFlow(0, 2, kA); }), kStatusFail);
    EXPECT_EQ(ThrownStatus([&] { unit.SubstreamHasCompFlow(0, 0, 3); }), kStatusFail);
}

TEST_F(FlowsTest, SolidFlowInASubstream) {
    const int64_t in = Stream({1.0, 2.0, 0.0}, {0.0, 0.0, 0.5});
    const int64_t vapour = NewStream();
    host.SetSubstream(
        vapour, 0,
        {.flows = {1.0, 0.0, 0.0}, .vaporFraction = 1.0, .liquidFraction = 0.0, .psd = {}});
    TestUnit& unit = Bound({in, vapour});
    EXPECT_TRUE(unit.IsSolidFlowInSubStream(0, 0));  // phase fractions unknown: not all fluid
    EXPECT_TRUE(unit.IsSolidFlowInSubStream(0, 1));
    EXPECT_FALSE(unit.IsSolidFlowInSubStream(1, 0));  // all vapour
    EXPECT_FALSE(unit.IsSolidFlowInSubStream(1, 1));  // no flow
    EXPECT_FALSE(unit.IsSolidFlowInSubStream(0, 2));  // no such substream
}

TEST_F(FlowsTest, Classification) {
    host.SetPolymers({.solidmerFlag = 1, .polymers = {2}, .oligomers = {}, .catalysts = {1, 3}});
    TestUnit unit;
    EXPECT_TRUE(unit.IsPolymer(kB));
    EXPECT_TRUE(unit.IsPolymerOligomer(kB));
    EXPECT_FALSE(unit.IsOligomer(kB));
    EXPECT_FALSE(unit.IsCatalyst(kB));
    EXPECT_TRUE(unit.IsPolymerOligomerCatalyst(kA));
    EXPECT_FALSE(unit.IsPolymerOligomer(kA));
    EXPECT_TRUE(unit.IsSolidComp(kS));
    EXPECT_FALSE(unit.IsSolidComp(kA));
    EXPECT_FALSE(unit.IsSolidComp(3));  // beyond the last component
    EXPECT_TRUE(unit.IsCatalystAlreadySolid(kS));
    EXPECT_FALSE(unit.IsCatalystAlreadySolid(kA));
    EXPECT_FALSE(unit.IsSolidmerPresent());
    // A catalyst that turned solid is a solid, but not one from the start.
    unit.m_naSolidComps.push_back(kA);
    unit.m_naSolidmers.push_back(kA);
    EXPECT_TRUE(unit.IsSolidComp(kA));
    EXPECT_FALSE(unit.IsCatalystAlreadySolid(kA));
    EXPECT_TRUE(unit.IsSolidmerPresent());
}

TEST_F(FlowsTest, RefusedRequestsLeaveTheStreamBitwiseUnchanged) {
    const int64_t in = FeedStream();  // MIXED A 1, B 2; CISOLID S 0.5 with PSD
    TestUnit& unit = Bound({in});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Requests to change or mix in flows, made when the table is run.
    const auto change = [&](std::vector<double> flows, double temperature = 1e35,
                            std::vector<double> psd = {}) -> std::function<void()> {
        return [&unit, flows, temperature, psd] {
            unit.ChangeStreamFlows(0, flows, temperature, 1e35, psd);
        };
    };
    const auto mix = [&](std::vector<double> flows, double temperature = 1e35,
                         std::vector<double> psd = {}) -> std::function<void()> {
        return [&unit, flows, temperature, psd] {
            unit.MixFlowsWithStream(0, flows, temperature, 1e35, psd);
        };
    };
    const std::vector<std::pair<std::string, std::function<void()>>> requests = {
        {"add: no such component", [&] { unit.AddFlowToStream(0, 3, 1.0); }},
        {"add: NaN", [&] { unit.AddFlowToStream(0, kA, nan); }},
        {"add: negative", [&] { unit.AddFlowToStream(0, kA, -1.0); }},
        {"remove: more than held", [&] { unit.RemoveFlowFromStream(0, kA, 1.5); }},
        {"remove: NaN", [&] { unit.RemoveFlowFromStream(0, kA, nan); }},
        {"remove: negative component", [&] { unit.RemoveFlowFromStream(0, -1, 1.0); }},
        {"set: NaN", [&] { unit.ChangeComponentFlow(0, 0, kA, nan); }},
        {"set: no such substream", [&] { unit.ChangeComponentFlow(0, 5, kA, 1.0); }},
        {"change: second removal too large", change({-0.5, -5.0, 0.0})},
        {"change: too few entries", change({0.1, 0.0})},
        {"change: NaN entry", change({0.1, 0.0, nan})},
        {"change: PSD of the wrong length", change({-0.5, 0.0, 0.1}, 350.0, {0.5, 0.5})},
        {"mix: negative entry", mix({0.1, -0.1, 0.0})},
        {"mix: NaN temperature", mix({0.1, 0.0, 0.0}, nan)},
        {"mix: PSD of the wrong length", mix({0.0, 0.0, 0.1}, 1e35, {1.0})},
        {"move: no such substream", [&] { unit.MoveComponentToSubstream(0, kS, 5); }},
        {"move: no such component", [&] { unit.MoveComponentToSubstream(0, 7, 1); }},
        {"find: no such component",
         [&] {
             std::vector<int> substreams;
             bool emptyTarget = false;
             bool shared = false;
             unit.FindCompSubstreams(0, 3, substreams, emptyTarget, shared);
         }},
    };
    const std::vector<double> before = Vector(in);
    for (const auto& [name, request] : requests) {
        EXPECT_EQ(ThrownStatus(request), kStatusFail) << name;
        EXPECT_TRUE(BitwiseEqual(Vector(in), before)) << name;
    }
    EXPECT_EQ(host.LiveAllocations(), 0u);
    EXPECT_TRUE(host.FlashCalls().empty());

    // A work stream refused after the removal was made: the removal is undone.
    host.SetFailAllocation(true);
    EXPECT_EQ(ThrownStatus(change({-0.5, 0.0, 0.1}, 350.0)), kStatusFail);
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
}

// A stream class with a non-conventional component: A (MW 10), S (solid, MW 100), COAL (NC).
class NonconventionalFlowsTest : public FlowsTest {
  protected:
    void SetUp() override {
        host.AddComponent({.id = "A", .molecularWeight = 10.0});
        host.AddComponent({.id = "S", .molecularWeight = 100.0, .conventionalSolid = true});
        host.AddNonconventionalComponent("COAL");
        streamClass =
            host.AddStreamClass("MIXNC", {{"MIXED", 1, {}},
                                          {"CISOLID", 2, {host::Psd({0.0, 1e-6, 1e-5, 1e-4})}},
                                          {"NC", 3, {}},
                                          {"NC2", 3, {}}});
        plex::SetupFromHost();
    }

    // A in MIXED with the given vapour and liquid fractions and `coal` in the first NC
    // substream, both at 300 K and 1 bar.
    int64_t FluidAndCoal(double vaporFraction, double liquidFraction, double coal) {
        const int64_t bead = NewStream();
        host.SetSubstream(bead, 0,
                          {.flows = {1.0, 0.0},
                           .temperature = 300.0,
                           .pressure = 1e5,
                           .vaporFraction = vaporFraction,
                           .liquidFraction = liquidFraction,
                           .psd = {}});
        host.SetSubstream(bead, 2,
                          {.flows = {coal},
                           .temperature = 300.0,
                           .pressure = 1e5,
                           .vaporFraction = 0.0,
                           .liquidFraction = 0.0,
                           .psd = {}});
        return bead;
    }

    static constexpr int kCoal = 2;
};

TEST_F(NonconventionalFlowsTest, NonconventionalFlowsGoToNcSubstreamsAsGiven) {
    const int64_t in = NewStream();
    host.SetSubstream(in, 0,
                      {.flows = {1.0, 0.4}, .temperature = 320.0, .pressure = 2e5, .psd = {}});
    TestUnit& unit = Bound({in});
    EXPECT_EQ(unit.AddFlowToStream(0, kCoal, 2.0), (std::set<int>{2}));  // the first NC
    EXPECT_EQ(At(in, 2, 0), 2.0);
    EXPECT_EQ(At(in, 2, 1 + sv::kTemperature), 320.0);
    EXPECT_EQ(unit.GetCompFlow(0, kCoal, -1, 0), 2.0);  // stored as given, no MW
    unit.ChangeComponentFlow(0, 2, kCoal, 3.0);
    EXPECT_EQ(At(in, 2, 0), 3.0);
    EXPECT_EQ(ThrownStatus([&] { unit.ChangeComponentFlow(0, 0, kCoal, 1.0); }), kStatusFail);
    EXPECT_TRUE(unit.IsSolidComp(kCoal));
    EXPECT_TRUE(unit.IsSolidFlowInSubStream(0, 2));

    // Without an NC substream the component has no place.
    const int64_t plain = host.AddStream(host.AddStreamClass("MIXONLY", {{"MIXED", 1, {}}}));
    const std::vector<double> before = Vector(plain);
    EXPECT_EQ(ThrownStatus([&] { unit.AddFlowToStream(static_cast<int>(plain), kCoal, 1.0); }),
              kStatusFail);
    EXPECT_TRUE(BitwiseEqual(Vector(plain), before));
}

TEST_F(NonconventionalFlowsTest, ComponentIdsReachNonconventionalComponents) {
    const int64_t in = NewStream();
    host.SetSubstream(in, 0,
                      {.flows = {1.0, 0.0}, .temperature = 300.0, .pressure = 1e5, .psd = {}});
    host.SetSubstream(in, 2, {.flows = {2.0}, .temperature = 310.0, .pressure = 1e5, .psd = {}});
    TestUnit& unit = Bound({in});
    unit.MoveComponentToSubstream(0, CString("coal"), 3);
    EXPECT_EQ(At(in, 3, 0), 2.0);
    EXPECT_EQ(At(in, 2, 0), 0.0);
    EXPECT_EQ(At(in, 3, 1 + sv::kTemperature), 310.0);
}

TEST_F(NonconventionalFlowsTest, TheCalculationFrameLocatesTheNonconventionalIndexBlock) {
    const int64_t in = FluidAndCoal(1.0, 0.0, 2.0);
    TestUnit& unit = Bound({in});
    ASSERT_EQ(unit.m_pNCIndex, nullptr);
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    const int64_t offset = HostCommonDataOffset(plex::Pack("IDXNCC", records::kIdChars).data());
    ASSERT_GT(offset, 0);
    EXPECT_EQ(unit.m_pNCIndex, host.IntegerView() + offset);  // word offset + 1, from 1
    EXPECT_EQ(*unit.m_pNCIndex, 1);
}

TEST_F(NonconventionalFlowsTest, AHostWithoutTheIndexBlockLeavesItUnlocated) {
    host.HideCommonBlock("IDXNCC");
    const int64_t in = FluidAndCoal(1.0, 0.0, 2.0);
    const std::vector<double> before = Vector(in);
    TestUnit& unit = Bound({in});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(unit.m_pNCIndex, nullptr);
    EXPECT_FALSE(unit.HasCalculationErrors());
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
}

TEST_F(NonconventionalFlowsTest, UnreadableSolidFlowsStopAComponentMatrix) {
    const int64_t in = FluidAndCoal(0.5, 0.5, 0.0);
    TestUnit& unit = Bound({in});
    unit.EnableOutput(true);
    // A solid polymer whose polymer-rich phase needs a flash the host refuses.
    unit.m_naSolidComps.push_back(0);
    unit.m_naSolidmers.push_back(0);
    host.SetRefuseFlash(true);
    CComSafeArray<double> factors(3);
    for (long i = 0; i < 3; ++i) {
        factors.SetAt(i, 1.0);
    }
    const std::vector<double> before = Vector(in);
    EXPECT_EQ(ThrownStatus([&] { unit.ApplyMovMatrix(0, CComBSTR("fraction"), factors, 0, -3); }),
              kStatusInvalidArgument);
    EXPECT_EQ(host.PrintedLines(), std::vector<std::string>{"      APPLY MOVEMENT MATRIX FAILED."});
    ASSERT_FALSE(host.LevelChecks().empty());
    EXPECT_EQ(host.LevelChecks().back().tag, "MOVMA");
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
}

TEST_F(NonconventionalFlowsTest, SolidsMoveToATargetOfTheirKind) {
    const int64_t in = NewStream();
    host.SetSubstream(in, 0,
                      {.flows = {1.0, 0.4}, .temperature = 300.0, .pressure = 1e5, .psd = {}});
    host.SetSubstream(in, 2, {.flows = {2.0}, .temperature = 300.0, .pressure = 1e5, .psd = {}});
    TestUnit& unit = Bound({in});
    const int64_t listed[] = {1};
    const double fractions[] = {1.0};
    unit.m_mapFlashResults[static_cast<int>(in)].Fill(static_cast<int>(in), 1, listed, fractions,
                                                      fractions, fractions, fractions, 0.0);
    unit.MoveSolidsToSubstream(0, 3);  // an NC target takes the NC components only
    EXPECT_EQ(At(in, 3, 0), 2.0);
    EXPECT_EQ(At(in, 2, 0), 0.0);
    EXPECT_EQ(At(in, 0, 1), 0.4);
    unit.MoveSolidsToSubstream(0, 1);  // a CISOLID target takes the conventional solids
    EXPECT_EQ(At(in, 1, 1), 0.4);
    EXPECT_EQ(At(in, 0, 1), 0.0);
    EXPECT_EQ(At(in, 0, 0), 1.0);  // the fluid stays
    EXPECT_EQ(At(in, 3, 0), 2.0);
    EXPECT_TRUE(host.FlashCalls().empty());  // the cached results served
}

// B is a polymer that has become solid; the cached flash found a polymer-rich phase D
// (share 1 - beta) in the liquid of the MIXED substream.
class SolidmerTest : public FlowsTest {
  protected:
    void SetUp() override {
        FlowsTest::SetUp();
        host.SetPolymers({.solidmerFlag = 1, .polymers = {2}, .oligomers = {}, .catalysts = {}});
        in = NewStream();
        host.SetSubstream(in, 0,
                          {.flows = {1.0, 2.0, 0.4},
                           .temperature = 300.0,
                           .pressure = 1e5,
                           .vaporFraction = 0.5,
                           .liquidFraction = 0.5,
                           .psd = {}});
    }

    void MakeSolidmer(TestUnit& unit) {
        unit.m_naSolidComps.push_back(kB);
        unit.m_naSolidmers.push_back(kB);
        const int64_t listed[] = {1, 2};
        const double a[] = {0.3, 0.7};
        const double c[] = {0.9, 0.1};
        const double d[] = {0.2, 0.8};
        CFlashBuffer& results = unit.m_mapFlashResults[static_cast<int>(in)];
        results.Fill(static_cast<int>(in), 2, listed, a, a, c, d, kBeta);
        results.m_nKind = 1;
    }

    static constexpr double kBeta = 0.25;
    static constexpr double kLiquid = 0.5 * 3.4;  // liquid fraction x total flow, kmol/s
    int64_t in = 0;
};

TEST_F(SolidmerTest, PolymerRichPhaseCountsAsSolid) {
    TestUnit& unit = Bound({in});
    EXPECT_FALSE(unit.IsSolidFlowInSubStream(0, 0));  // vapour + liquid = 1
    EXPECT_EQ(unit.GetPolymerRichPhaseMoleFlow(0), 0.0);
    MakeSolidmer(unit);
    EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMoleFlow(0), kLiquid * (1.0 - kBeta));
    EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMassFlow(0),
                     kLiquid * (1.0 - kBeta) * (0.2 * 10.0 + 0.8 * 20.0));
    EXPECT_DOUBLE_EQ(unit.GetLiquidFraction(0, 0), 0.5 * kBeta);
    // Kind 1: the polymer-rich phase has composition D.
    const std::vector<double> rich = unit.GetPolymerRichPhaseFlows(0, 3);
    ASSERT_EQ(rich.size(), 3u);
    EXPECT_DOUBLE_EQ(rich[0], kLiquid * (1.0 - kBeta) * 0.2);
    EXPECT_DOUBLE_EQ(rich[1], kLiquid * (1.0 - kBeta) * 0.8);
    EXPECT_EQ(rich[2], 0.0);
    EXPECT_TRUE(unit.IsSolidFlowInSubStream(0, 0));
    double flow = 0.0;
    double fraction = 0.0;
    unit.GetSolidPolymerMoleFlowFraction(0, flow, fraction);
    EXPECT_DOUBLE_EQ(flow, 2.0);
    EXPECT_DOUBLE_EQ(fraction, 2.0 / 3.4);
    EXPECT_TRUE(host.FlashCalls().empty());
}

TEST_F(SolidmerTest, MoistureCountsThePolymerRichLiquid) {
    host.SetMoistureComponents({1});  // A
    TestUnit& unit = Bound({in});
    MakeSolidmer(unit);
    // Polymer-rich phase: L (1 - beta) = 1.275 kmol/s of composition D = {0.2, 0.8}: A 0.255
    // kmol/s = 2.55 kg/s, B 1.02 kmol/s = 20.4 kg/s; no other solids carry A or B.
    CComSafeArray<double> values;
    ASSERT_EQ(unit.GetDistrDependentSolidAttribute(0, CComBSTR("SMC(wet)"), nullptr, values),
              kStatusOk);
    ASSERT_EQ(values.GetCount(), 3u);
    EXPECT_NEAR(values.GetAt(0), 2.55 / (2.55 + 20.4), 1e-12);
    EXPECT_EQ(values.GetAt(1), 0.0);
    ASSERT_EQ(unit.GetDistrDependentSolidAttribute(0, CComBSTR("SMC(dry)"), nullptr, values),
              kStatusOk);
    EXPECT_NEAR(values.GetAt(0), 2.55 / 20.4, 1e-12);
}

TEST_F(SolidmerTest, SettingTheSolidFlowScalesThePolymerRichPhase) {
    TestUnit& unit = Bound({in});
    MakeSolidmer(unit);
    // Solids: S in the mixed substream, 0.4 kmol/s = 40 kg/s, and the polymer-rich phase,
    // 1.275 kmol/s of D = {0.2, 0.8}: 1.275 (0.2 x 10 + 0.8 x 20) = 22.95 kg/s.
    double solids = 0.0;
    ASSERT_EQ(unit.GetSolidMassFlow(0, &solids), kStatusOk);
    EXPECT_NEAR(solids, 62.95, 1e-9);
    ASSERT_EQ(unit.SetSolidMassFlow(0, 0.5 * 62.95), kStatusOk);
    EXPECT_NEAR(At(in, 0, kS), 0.2, 1e-12);
    // Half of the polymer-rich phase's B (1.02 kmol/s) and A (0.255) leave the stream.
    EXPECT_NEAR(At(in, 0, kB), 2.0 - 0.51, 1e-9);
    EXPECT_NEAR(At(in, 0, kA), 1.0 - 0.1275, 1e-9);
}

// Flash results as a flash leaves them (kind 0), for A and the solidmer B.
struct FreshResults {
    std::array<double, 2> a, c, d;
    double beta;
};

void CacheFresh(TestUnit& unit, int64_t bead, const FreshResults& r) {
    unit.m_naSolidComps.push_back(kB);
    unit.m_naSolidmers.push_back(kB);
    const int64_t listed[] = {1, 2};
    unit.m_mapFlashResults[static_cast<int>(bead)].Fill(
        static_cast<int>(bead), 2, listed, r.a.data(), r.a.data(), r.c.data(), r.d.data(), r.beta);
}

TEST_F(SolidmerTest, OneLiquidWithLittlePolymerHasNoPolymerRichPhaseOnEveryRead) {
    TestUnit& unit = Bound({in});
    // B's share 0.005 is below the polymer parameter 0.01; the flash found one liquid.
    CacheFresh(unit, in, {{0.995, 0.005}, {0.995, 0.005}, {0.0, 0.0}, 1.0});
    EXPECT_EQ(unit.GetPolymerRichPhaseMoleFlow(0), 0.0);
    EXPECT_EQ(unit.GetPolymerRichPhaseMoleFlow(0), 0.0);
    EXPECT_DOUBLE_EQ(unit.GetLiquidFraction(0, 0), 0.5);  // kind 1, beta 1: all liquid
    EXPECT_FALSE(unit.IsSolidFlowInSubStream(0, 0));
    EXPECT_EQ(unit.m_mapFlashResults[static_cast<int>(in)].m_nKind, 1);
}

TEST_F(SolidmerTest, EveryReaderSeesThePolymerRichPhaseTheFirstOneFixed) {
    const double beta = 0.25;
    {
        TestUnit& unit = Bound({in});
        // D holds more polymer than C: D, with share 1 - beta, is the polymer-rich phase.
        CacheFresh(unit, in, {{0.3, 0.7}, {0.9, 0.1}, {0.2, 0.8}, beta});
        EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMoleFlow(0), kLiquid * (1.0 - beta));
        EXPECT_DOUBLE_EQ(unit.GetLiquidFraction(0, 0), 0.5 * beta);
        EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMoleFlow(0), kLiquid * (1.0 - beta));
    }
    {
        TestUnit& unit = Bound({in});
        // The same, liquid fraction first.
        CacheFresh(unit, in, {{0.3, 0.7}, {0.9, 0.1}, {0.2, 0.8}, beta});
        EXPECT_DOUBLE_EQ(unit.GetLiquidFraction(0, 0), 0.5 * beta);
        EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMoleFlow(0), kLiquid * (1.0 - beta));
    }
    {
        TestUnit& unit = Bound({in});
        // C holds more polymer: C, with share beta, is the polymer-rich phase.
        CacheFresh(unit, in, {{0.3, 0.7}, {0.2, 0.8}, {0.9, 0.1}, beta});
        EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMoleFlow(0), kLiquid * beta);
        EXPECT_DOUBLE_EQ(unit.GetLiquidFraction(0, 0), 0.5 * (1.0 - beta));
        EXPECT_DOUBLE_EQ(unit.GetPolymerRichPhaseMoleFlow(0), kLiquid * beta);
    }
}

TEST_F(SolidmerTest, MovingSolidsSplitsThePolymerByTheFlashResults) {
    TestUnit& unit = Bound({in});
    MakeSolidmer(unit);
    unit.MoveSolidsToSubstream(0, 1);
    const double moved = (1.0 - kBeta) * kLiquid * 0.8;
    EXPECT_DOUBLE_EQ(At(in, 1, kB), moved);
    EXPECT_DOUBLE_EQ(At(in, 0, kB), 2.0 - moved);
    EXPECT_DOUBLE_EQ(At(in, 1, kS), 0.4);  // the plain solid moves whole
    EXPECT_EQ(At(in, 0, kS), 0.0);
    EXPECT_EQ(At(in, 0, kA), 1.0);
    ExpectConserved({1.0, 2.0, 0.4}, ComponentTotals(unit, 0, 3));
}

// Polymer P melts at 400 K and oligomer O at 250 K; streams at 300 K. Class "PSDMIX" carries
// a PSD on its MIXED substream, class "PLAIN" does not.
class SolidmerCheckTest : public WithUnit<UnitTest> {
  protected:
    void SetUp() override {
        host.AddComponent({.id = "A", .molecularWeight = 10.0});
        host.AddComponent({.id = "P", .molecularWeight = 20.0, .parameters = {{"TMVK", {400.0}}}});
        host.AddComponent({.id = "O", .molecularWeight = 15.0, .parameters = {{"TMVK", {250.0}}}});
        host.AddComponent({.id = "S", .molecularWeight = 100.0, .conventionalSolid = true});
        const host::Attribute psd = host::Psd({0.0, 1e-6, 1e-5, 1e-4});
        withPsd = host.AddStreamClass("PSDMIX", {{"MIXED", 1, {psd}}, {"CISOLID", 2, {psd}}});
        plain = host.AddStreamClass("PLAIN", {{"MIXED", 1, {}}, {"CISOLID", 2, {psd}}});
        host.SetPolymers({.solidmerFlag = 1, .polymers = {2}, .oligomers = {3}, .catalysts = {}});
        plex::SetupFromHost();
    }

    int64_t Stream(int64_t classBead, double polymerFlow) {
        const int64_t bead = host.AddStream(classBead);
        host.SetSubstream(
            bead, 0,
            {.flows = {1.0, polymerFlow, 0.2, 0.0},
             .temperature = 300.0,
             .pressure = 1e5,
             .psd = classBead == withPsd ? std::vector{0.2, 0.3, 0.5} : std::vector<double>{}});
        return bead;
    }

    static constexpr int kP = 1;
    static constexpr int kO = 2;
    int64_t withPsd = 0;
    int64_t plain = 0;
};

TEST_F(SolidmerCheckTest, PolymersBelowTheirMeltingPointBecomeSolid) {
    const int64_t without = Stream(plain, 0.5);
    const int64_t with = Stream(withPsd, 0.5);
    TestUnit& unit = Bound({without, with});
    unit.CheckSolidPolymersStream(static_cast<int>(without));  // no PSD on the first substream
    EXPECT_FALSE(unit.IsSolidComp(kP));
    unit.CheckSolidPolymers(5);  // no such inlet
    EXPECT_FALSE(unit.IsSolidmerPresent());
    unit.CheckSolidPolymers(1);
    unit.CheckSolidPolymers(1);
    EXPECT_TRUE(unit.IsSolidComp(kP));
    EXPECT_FALSE(unit.IsSolidComp(kO));  // melts at 250 K
    EXPECT_TRUE(unit.IsSolidmerPresent());
    EXPECT_TRUE(unit.GetSolidmerNoPSD());
    EXPECT_EQ(unit.GetNumberOfSolidComps(), 2);  // S and P, once
    EXPECT_EQ(CBrixelBaseUnit::StaticGetTMeltPolyOligomer(kO), 250.0);
    EXPECT_EQ(CBrixelBaseUnit::StaticGetTMeltPolyOligomer(0), 0.0);
}

TEST_F(SolidmerCheckTest, TheCalculationFrameChecksThePolymersOfItsInlet) {
    const int64_t in = host.AddStream(withPsd);
    host.SetSubstream(in, 0,
                      {.flows = {1.0, 0.5, 0.2, 0.0},
                       .temperature = 300.0,
                       .pressure = 1e5,
                       .vaporFraction = 0.0,
                       .liquidFraction = 1.0,
                       .psd = {0.2, 0.3, 0.5}});
    TestUnit& unit = Bound({in});
    ASSERT_FALSE(unit.IsSolidmerPresent());
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_TRUE(unit.IsSolidComp(kP));   // melts at 400 K
    EXPECT_FALSE(unit.IsSolidComp(kO));  // melts at 250 K
}

TEST_F(SolidmerCheckTest, ClearingKeepsTheMixedPsdWhileASolidPolymerFlows) {
    const int64_t polymer = Stream(withPsd, 0.5);
    const int64_t noSolids = Stream(withPsd, 0.0);
    TestUnit& unit = Bound({polymer, noSolids});
    unit.ClearZeroFlowSubstreams(0);
    EXPECT_TRUE(unit.IsSolidComp(kP));
    const int64_t psd = 4 + sv::kStateWords;  // after the 4 flows and the state block
    EXPECT_EQ(host.StreamVector(polymer)[psd], 0.2);
    unit.ClearZeroFlowSubstreams(1);
    EXPECT_EQ(host.StreamVector(noSolids)[psd], kMissing);
}

// Components with thermodynamic data, so that the host's mixer can close its energy balance.
class MixingTest : public FlowsTest {
  protected:
    void SetUp() override {
        host.AddDatabankComponent("WATER");
        host.AddDatabankComponent("N2");
        host.AddDatabankComponent("SIO2");
        streamClass = host.AddStreamClass(
            "MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 1e-6, 1e-5, 1e-4})}}});
        plex::SetupFromHost();
    }

    int64_t Stream(double n2, double solid, double temperature) {
        const int64_t bead = NewStream();
        host.SetSubstream(
            bead, 0,
            {.flows = {0.0, n2, 0.0}, .temperature = temperature, .pressure = 1e5, .psd = {}});
        host.SetSubstream(bead, 1,
                          {.flows = {0.0, 0.0, solid},
                           .temperature = temperature,
                           .pressure = 1e5,
                           .psd = {0.2, 0.3, 0.5}});
        return bead;
    }
};

TEST_F(MixingTest, MergingAndMixingConserveEveryComponent) {
    const int64_t in = Stream(1.0, 0.5, 300.0);
    const int64_t other = Stream(0.5, 0.25, 320.0);
    TestUnit& unit = Bound({in, other});
    const std::vector<double> first = ComponentTotals(unit, 0, 3);
    const std::vector<double> second = ComponentTotals(unit, 1, 3);
    ASSERT_TRUE(unit.MergeStreams(0, 1, false));
    ExpectConserved({first[0] + second[0], first[1] + second[1], first[2] + second[2]},
                    ComponentTotals(unit, 0, 3));
    ExpectConserved(second, ComponentTotals(unit, 1, 3));

    const std::vector<double> merged = ComponentTotals(unit, 0, 3);
    unit.MixFlowsWithStream(0, {0.3, 0.2, 0.25}, 1e35, 1e35);
    ExpectConserved({merged[0] + 0.3, merged[1] + 0.2, merged[2] + 0.25},
                    ComponentTotals(unit, 0, 3));
    EXPECT_DOUBLE_EQ(At(in, 1, 2), 1.0);  // the solid joined the solid substream
    EXPECT_EQ(host.LiveAllocations(), 0u);
    EXPECT_TRUE(unit.GetInternalStreams().empty());
    EXPECT_EQ(ThrownStatus([&] { unit.MergeStreams(0, 0, false); }), kStatusInvalidArgument);

    // Without a property-method set the host mixer is not called.
    TestUnit unbound;
    const std::vector<double> before = Vector(in);
    EXPECT_FALSE(unbound.MergeStreams(static_cast<int>(in), static_cast<int>(other), false));
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
}

TEST_F(MixingTest, MixedInSolidsCarryTheGivenPsd) {
    const int64_t kept = Stream(1.0, 0.5, 300.0);
    const int64_t given = Stream(1.0, 0.5, 300.0);
    TestUnit& unit = Bound({kept, given});
    const int64_t psd = 3 + sv::kStateWords;
    unit.MixFlowsWithStream(0, {0.0, 0.0, 0.5}, 1e35, 1e35);
    EXPECT_NEAR(At(kept, 1, psd), 0.2, 1e-12);  // the stream's own PSD for the new solids
    unit.ChangeStreamFlows(1, {0.0, 0.0, 0.5}, 1e35, 1e35, {0.6, 0.4, 0.0});
    // Equal solid masses: the mixture's PSD is the mean of the two.
    EXPECT_NEAR(At(given, 1, psd), 0.4, 1e-12);
    EXPECT_NEAR(At(given, 1, psd + 1), 0.35, 1e-12);
    EXPECT_NEAR(At(given, 1, psd + 2), 0.25, 1e-12);
    EXPECT_DOUBLE_EQ(At(given, 1, 2), 1.0);
}

}  // namespace
}  // namespace brixel::testing
