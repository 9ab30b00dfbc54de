// Lifecycle, ports, internal streams, the calculation frame and the fallback exit.
#include <string>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "support/unit_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

namespace rec = records;

using PortTest = WithUnit<UnitTest>;

TEST_F(PortTest, NamesAndNumbersResolveToBeads) {
    const int64_t in = FeedStream();
    const int64_t out1 = NewStream();
    const int64_t out2 = NewStream();
    TestUnit& unit = Bound({in}, {out1, out2});
    // Names resolve without regard to case.
    EXPECT_EQ(unit.GetPortNumberFromName("in0"), 0);
    EXPECT_EQ(unit.GetPortNumberFromName("Out1"), 2);
    EXPECT_EQ(unit.GetBeadNumberFromName("OUT0"), out1);
    EXPECT_EQ(unit.GetStreamAtPort("out1"), out2);
    EXPECT_EQ(unit.GetStreamAtPortNoAddRef("IN0"), in);
    EXPECT_EQ(unit.GetPortNumberFromName(""), -1);
    EXPECT_EQ(unit.GetBeadNumberFromName(""), -1);
    EXPECT_EQ(ThrownStatus([&] { unit.GetPortNumberFromName("FEED"); }), kStatusInvalidArgument);

    int port = 2;
    unit.ConvertPortToStreamBeadNumber(port);
    EXPECT_EQ(port, out2);
    EXPECT_EQ(unit.ConvertPortToStreamBeadNumber(int{0}), in);
    EXPECT_EQ(unit.ConvertPortToStreamBeadNumber(int{1000000}), 1000000);
    for (const int bad : {3, -1, 999999}) {
        EXPECT_EQ(ThrownStatus([&] { unit.ConvertPortToStreamBeadNumber(int{bad}); }),
                  kStatusInvalidArgument)
            << "port " << bad;
    }
    // A derived model's own port numbers come first.
    unit.mappedPort = 7;
    unit.mappedBead = static_cast<int>(out1);
    EXPECT_EQ(unit.ConvertPortToStreamBeadNumber(int{7}), out1);
}

TEST_F(PortTest, CopyInletToOutletsCopiesEveryOutlet) {
    const int64_t in = FeedStream();
    const int64_t out1 = NewStream();
    const int64_t out2 = NewStream();
    TestUnit& unit = Bound({in}, {out1, out2});
    EXPECT_EQ(unit.CopyInletToOutlets(), kStatusOk);
    EXPECT_EQ(Vector(out1), Vector(in));
    EXPECT_EQ(Vector(out2), Vector(in));
    EXPECT_EQ(unit.CopyInletToOutlets("IN0", "NOWHERE"), kStatusInvalidArgument);

    TestUnit empty;
    Bind(empty, {}, {out1});
    EXPECT_EQ(empty.CopyInletToOutlets(), kStatusFail);
    EXPECT_EQ(empty.CopyInletToOutlets("IN0", "OUT0"), kStatusFail);
}

TEST_F(PortTest, CopyBetweenStreamClassesIsRefused) {
    const int64_t small = host.AddStream(host.AddStreamClass("MIXED", {{"MIXED", 1, {}}}));
    TestUnit& unit = Bound({FeedStream()}, {small});
    const std::vector<double> before = Vector(small);
    EXPECT_EQ(unit.CopyInletToOutlets(), kStatusInvalidArgument);
    EXPECT_EQ(Vector(small), before);
}

using InternalStreamTest = UnitTest;

TEST_F(InternalStreamTest, FirstIsTheDummyStreamAndLaterOnesAreAllocated) {
    const int64_t in = FeedStream();
    const int64_t out = NewStream();
    host.IntegerRecord(in)[rec::kStreamCopiedWord] = 4711;
    {
        TestUnit unit;
        Bind(unit, {in}, {out});
        const int dummy = unit.CreateInternalStream(0);
        EXPECT_EQ(dummy, host.IntegerRecord(streamClass)[rec::kClassDummyStream]);
        const int copy = unit.CreateInternalStream("IN0");
        EXPECT_GT(copy, rec::kAllocatedBeadBase);
        EXPECT_EQ(host.LiveAllocations(), 1u);
        EXPECT_EQ(Vector(copy), Vector(in));
        EXPECT_EQ(host.IntegerRecord(copy)[rec::kStreamClassBead], streamClass);
        EXPECT_EQ(host.IntegerRecord(copy)[rec::kStreamCopiedWord], 4711);

        host.StreamVector(dummy)[0] = 42.0;
        EXPECT_EQ(unit.CopyInternalStreamToOutlet(dummy, "OUT0"), kStatusOk);
        EXPECT_EQ(host.StreamVector(out)[0], 42.0);
        EXPECT_EQ(unit.CopyInternalStreamToOutlet(dummy, "OUT9"), kStatusInvalidArgument);

        // Removing the dummy stream forgets it without releasing it.
        unit.RemoveInternalStream(dummy);
        EXPECT_EQ(unit.GetInternalStreams(), std::vector<int>{copy});
        EXPECT_EQ(host.LiveAllocations(), 1u);
        unit.RemoveInternalStream(12345);  // unknown: ignored
        EXPECT_EQ(host.LiveAllocations(), 1u);
    }
    // The destructor releases the allocated copy even though it is now the first entry.
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(InternalStreamTest, WithoutTheDummyStreamEveryCopyIsAllocatedAndReleased) {
    {
        TestUnit unit;
        Bind(unit, {FeedStream()}, {NewStream()});
        unit.DontUseStandardDummyStream();
        const int first = unit.CreateInternalStream(0);
        const int second = unit.CreateInternalStream(0);
        EXPECT_GT(first, rec::kAllocatedBeadBase);
        EXPECT_GT(second, rec::kAllocatedBeadBase);
        EXPECT_EQ(host.LiveAllocations(), 2u);
        unit.RemoveInternalStream(first);
        EXPECT_EQ(host.LiveAllocations(), 1u);
        host.SetFailAllocation(true);
        EXPECT_EQ(ThrownStatus([&] { unit.CreateInternalStream(0); }), kStatusFail);
    }
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

using ConstructionTest = UnitTest;

TEST_F(ConstructionTest, ReadsMarkersLimitsAndSolids) {
    host.SetFlashLimits(200.0, 900.0, 0.0, 5e6);
    host.SetAmbientPressure(95000.0);
    TestUnit unit;
    EXPECT_EQ(CBrixelBaseUnit::m_dblRMiss, 1e35);
    EXPECT_EQ(CBrixelBaseUnit::m_dblRMin, 1e-35);
    EXPECT_EQ(CBrixelBaseUnit::m_nIMiss, host::kIntegerMissing);
    EXPECT_DOUBLE_EQ(unit.m_dblTmin, 200.0 + 1e-11);
    EXPECT_EQ(unit.m_dblTmax, 900.0);
    EXPECT_EQ(unit.m_dblPmin, 0.0);  // only a positive lower limit is lifted
    EXPECT_EQ(unit.m_dblPmax, 5e6);
    EXPECT_EQ(unit.m_dblAmbientPressure, 95000.0);
    ASSERT_EQ(unit.GetNumberOfSolidComps(), 1);
    EXPECT_EQ(unit.GetSolidCompIDs()[0], 2);  // S, 0-based
    EXPECT_FALSE(unit.HasValidationErrors());
}

TEST_F(ConstructionTest, ReadsPolymerSetupOnlyWithSolidmers) {
    host.SetPolymers({.solidmerFlag = 1,
                      .option = 0,
                      .parameter = 0.05,
                      .polymers = {2},
                      .oligomers = {1, 2},
                      .catalysts = {}});
    TestUnit unit;
    EXPECT_EQ(unit.m_nSolidmerFlag, 1);
    EXPECT_EQ(unit.m_nPolymerOption, 0);
    EXPECT_EQ(unit.m_naPolymers, std::vector<int>{1});
    EXPECT_EQ(unit.m_naOligomers, (std::vector<int>{0, 1}));
    EXPECT_TRUE(unit.m_naCatalysts.empty());
    EXPECT_EQ(unit.m_dblPolymerParameter, 0.05);
}

TEST_F(ConstructionTest, MassBalanceToleranceComesFromTheFlashOptions) {
    host.SetFlashOptions(2, 1, 3e-6);
    TestUnit unit;
    EXPECT_EQ(unit.GetMassBalanceTolerance(), 3e-6);
    host.IntegerRecord(rec::kGlobalOptionsBead)[rec::kOptionsFlashOptions] = 0;
    EXPECT_EQ(unit.GetMassBalanceTolerance(), 1e-4);
}

using ValidateTest = WithUnit<UnitTest>;

TEST_F(ValidateTest, ReportsThroughStatusAndFlag) {
    TestUnit& unit = Bound({FeedStream()}, {NewStream()});
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_FALSE;
    EXPECT_EQ(unit.Validate(nullptr, &valid), kStatusNullPointer);
    EXPECT_EQ(unit.Validate(&message, nullptr), kStatusNullPointer);
    EXPECT_EQ(unit.GetValidationStatus(), 0);

    EXPECT_EQ(unit.Validate(&message, &valid), kStatusOk);
    EXPECT_EQ(valid, VARIANT_TRUE);
    EXPECT_EQ(unit.GetValidationStatus(), 2);
    EXPECT_EQ(message, nullptr);  // never written

    unit.failValidation = true;
    EXPECT_EQ(unit.Validate(&message, &valid), kStatusOk);
    EXPECT_EQ(valid, VARIANT_FALSE);
    EXPECT_EQ(unit.GetValidationStatus(), 1);

    // Errors are cleared at the start of each validation.
    unit.failValidation = false;
    unit.Validate(&message, &valid);
    EXPECT_EQ(valid, VARIANT_TRUE);

    // The port count must match the port names.
    unit.NamePorts({"IN0"});
    EXPECT_EQ(unit.Validate(&message, &valid), kStatusOk);
    EXPECT_EQ(valid, VARIANT_FALSE);
    EXPECT_EQ(unit.GetValidationStatus(), 1);
}

class FrameTest : public WithUnit<UnitTest> {
  protected:
    // A feed whose MIXED substream has flow but no vapour fraction: it needs a flash.
    int64_t SetUpUnflashedFeed() {
        const int64_t bead = FeedStream();
        const int64_t ncc = host.ConventionalCount();
        host.StreamVector(bead)[host.SubstreamOffset(bead, 0) + ncc + 4] = host::kRealMissing;
        return bead;
    }
};

TEST_F(FrameTest, PendingValidationErrorsStopTheFrame) {
    TestUnit& unit = Bound({SetUpUnflashedFeed()}, {NewStream()});
    unit.failValidation = true;
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_TRUE(unit.GetInternalStreams().empty());
}

TEST_F(FrameTest, InletsInEquilibriumAreNotFlashed) {
    TestUnit& unit = Bound({FeedStream()}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(unit.validateCalls, 1);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_FALSE(unit.m_bInletsFlashed);
    EXPECT_TRUE(host.PrintedLines().empty());
    EXPECT_EQ(unit.m_pNCIndex, nullptr);  // no NC components in this host
}

TEST_F(FrameTest, ZeroFlowSubstreamsNeedNoState) {
    const int64_t in = NewStream();  // zero flows, every state entry missing
    const host::SubstreamState state{
        .flows = {0.0, 0.0, 0.0}, .temperature = 300.0, .pressure = 1e5, .psd = {}};
    host.SetSubstream(in, 0, state);
    host.SetSubstream(in, 1, state);
    TestUnit& unit = Bound({in}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_TRUE(host.FlashCalls().empty());
}

TEST_F(FrameTest, MissingStateMakesAPQFlashAtZeroDutyAndSavesEveryInlet) {
    const int64_t first = FeedStream();
    const int64_t second = SetUpUnflashedFeed();
    TestUnit& unit = Bound({first, second}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    ASSERT_EQ(host.FlashCalls().size(), 1u);
    const host::FlashCall& call = host.FlashCalls()[0];
    EXPECT_EQ(call.kode, 1);
    EXPECT_EQ(call.spec1, 0.0);
    EXPECT_EQ(call.spec2, 0.0);
    EXPECT_EQ(call.spec3, host::kRealMissing);
    EXPECT_EQ(call.positions, (std::vector<int64_t>{1, host.SubstreamOffset(second, 1) + 1}));
    EXPECT_EQ(call.phaseCount, 2);  // the host's flash options
    EXPECT_EQ(call.phase, 1);
    EXPECT_EQ(call.printLevel, 3);  // block print level 4, less one
    EXPECT_TRUE(unit.m_bInletsFlashed);
    ASSERT_EQ(unit.m_naSavedInlets.size(), 2u);
    EXPECT_EQ(Vector(unit.m_naSavedInlets[0]), Vector(first));
    EXPECT_EQ(Vector(unit.m_naSavedInlets[1]), Vector(second));
}

TEST_F(FrameTest, SubstreamsAtDifferentTemperaturesAreFlashedWithANotice) {
    TestUnit& unit = Bound({FeedStream(300.0, 300.0000001)}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(host.FlashCalls().size(), 1u);
    ASSERT_EQ(host.Prints().size(), 1u);
    EXPECT_EQ(host.Prints()[0],
              (std::vector<std::string>{
                  "      SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.",
                  "      THERMODYNAMIC EQUILIBRIUM WILL BE ASSUMED FOR FURTHER CALCULATIONS.",
                  "      INLET STREAMS WILL BE PQ-FLASHED."}));
    ASSERT_FALSE(host.LevelChecks().empty());
    EXPECT_EQ(host.LevelChecks().back().tag, "BASEUNIT");
    EXPECT_EQ(host.LevelChecks().back().level, 4);
    EXPECT_EQ(host.LevelChecks().back().code, 1);
    // A notice is no warning: the outcome word stays preset.
    EXPECT_FALSE(unit.HasWarnings());
}

TEST_F(FrameTest, DeclinedNoticeStillFlashes) {
    host.SetLevelCheck([](const host::LevelCheckCall&) { return false; });
    TestUnit& unit = Bound({FeedStream(300.0, 310.0)}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(host.FlashCalls().size(), 1u);
    EXPECT_TRUE(host.Prints().empty());
}

TEST_F(FrameTest, InletsLeaveTheUnitAsTheyCame) {
    const int64_t in = SetUpUnflashedFeed();
    const std::vector<double> before = Vector(in);
    {
        TestUnit unit;
        Bind(unit, {in}, {NewStream()});
        EXPECT_EQ(unit.Calculate(), kStatusOk);
        // Whatever the model does to its inlet in the calculation is undone.
        host.StreamVector(in)[0] = 99.0;
        host.StreamVector(in)[5] = -1.0;
    }
    EXPECT_TRUE(BitwiseEqual(Vector(in), before));
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(FrameTest, FailedSavingOfInletsFailsTheFrameWithoutFlashing) {
    TestUnit& unit = Bound({SetUpUnflashedFeed(), FeedStream()}, {NewStream()});
    host.SetFailAllocation(true);  // the dummy stream serves the first copy, not the second
    EXPECT_EQ(unit.Calculate(), kStatusFail);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_FALSE(unit.m_bInletsFlashed);
}

using ErrorExitTest = UnitTest;

TEST_F(ErrorExitTest, SetsOutcomeFallbackOutletsAndHistory) {
    const int64_t in = FeedStream();
    const int64_t out = NewStream();
    TestUnit unit;
    host::Block& block = Bind(unit, {in}, {out});
    EXPECT_EQ(block.statusBlock[rec::kStatusOutcome], -9999);
    unit.SetErrorExit();
    EXPECT_EQ(block.statusBlock[rec::kStatusOutcome], -9991);
    EXPECT_EQ(Vector(out), Vector(in));
    EXPECT_EQ(
        host.HistoryLines(),
        (std::vector<std::string>{
            "", "      ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK MODE!"}));

    // With two outlets there is no single fallback: both are left alone.
    const int64_t out1 = NewStream();
    TestUnit two;
    Bind(two, {in}, {out1, NewStream()});
    const std::vector<double> before = Vector(out1);
    two.SetErrorExit();
    EXPECT_EQ(Vector(out1), before);
}

TEST_F(ErrorExitTest, OutcomeDependsOnValidationErrorsAndEarlierValue) {
    struct Case {
        int64_t before;
        bool validationErrors;
        int64_t after;
    };
    for (const Case& c : {Case{-9990, false, -9991}, Case{-9999, true, -9992},
                          Case{-9992, false, -9992}, Case{0, true, 0}}) {
        TestUnit unit;
        host::Block& block = Bind(unit, {FeedStream()}, {NewStream()});
        block.statusBlock[rec::kStatusOutcome] = c.before;
        unit.failValidation = c.validationErrors;
        unit.ValidateData();
        unit.SetErrorExit();
        EXPECT_EQ(block.statusBlock[rec::kStatusOutcome], c.after) << "from " << c.before;
    }
}

using ClearTest = UnitTest;

TEST_F(ClearTest, EmptySubstreamsAreClearedAtTheThreshold) {
    const int64_t out = FeedStream();
    const int64_t ncc = host.ConventionalCount();
    double* vector = host.StreamVector(out);
    const int64_t mixed = host.SubstreamOffset(out, 0);
    const int64_t solid = host.SubstreamOffset(out, 1);
    vector[mixed + ncc] = 1e-50;  // kept
    vector[solid + 2] = 1e-51;
    vector[solid + ncc] = 1e-51;  // cleared
    {
        TestUnit unit;
        Bind(unit, {FeedStream()}, {out});
    }  // the destructor clears every outlet
    EXPECT_EQ(vector[mixed + ncc], 1e-50);
    EXPECT_EQ(vector[mixed + ncc + 1], 300.0);
    EXPECT_EQ(vector[solid + 2], 0.0);
    EXPECT_EQ(vector[solid + ncc], 0.0);
    EXPECT_EQ(vector[solid + ncc + 1], host::kRealMissing);  // temperature
    EXPECT_EQ(vector[solid + ncc + 2], 1e5);                 // pressure kept
    for (int64_t i = solid + ncc + 3; i < host.VectorLength(out); ++i) {
        EXPECT_EQ(vector[i], host::kRealMissing) << "word " << i;
    }
}

TEST(DumpSafeArrayTest, ReleasesTheArrayAndItsStrings) {
    CComSafeArray<BSTR> names(2);
    names.SetAt(0, CComBSTR("PSD"));
    names.SetAt(1, CComBSTR("Density"));
    CBrixelBaseUnit::DumpSafeArray(names);  // the sanitizer build reports a leaked string
    EXPECT_EQ(names.m_psa, nullptr);
    CComSafeArray<double> values(3, 1);
    CBrixelBaseUnit::DumpSafeArray(values);
    EXPECT_EQ(values.m_psa, nullptr);
}

}  // namespace
}  // namespace brixel::testing
