// Lifecycle, ports, internal streams, the calculation frame and the fallback exit.
#include <cmath>
#include <cstring>
#include <string>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "support/unit_fixture.h"

namespace brixel::testing {
namespace {

namespace rec = records;

using PortTest = UnitTest;

TEST_F(PortTest, NamesResolveWithoutRegardToCase) {
    TestUnit unit;
    const int64_t in = FeedStream();
    const int64_t out1 = NewStream();
    const int64_t out2 = NewStream();
    Bind(unit, {in}, {out1, out2});
    EXPECT_EQ(unit.GetPortNumberFromName("in0"), 0);
    EXPECT_EQ(unit.GetPortNumberFromName("Out1"), 2);
    EXPECT_EQ(unit.GetBeadNumberFromName("OUT0"), out1);
    EXPECT_EQ(unit.GetStreamAtPort("out1"), out2);
    EXPECT_EQ(unit.GetStreamAtPortNoAddRef("IN0"), in);
    EXPECT_EQ(unit.GetPortNumberFromName(""), -1);
    EXPECT_EQ(unit.GetBeadNumberFromName(""), -1);
    try {
        unit.GetPortNumberFromName("FEED");
        FAIL() << "unknown port name accepted";
    } catch (long status) {
        EXPECT_EQ(status, kStatusInvalidArgument);
    }
}

TEST_F(PortTest, PortNumbersTurnIntoBeads) {
    TestUnit unit;
    const int64_t in = FeedStream();
    const int64_t out1 = NewStream();
    const int64_t out2 = NewStream();
    Bind(unit, {in}, {out1, out2});
    int port = 2;
    unit.ConvertPortToStreamBeadNumber(port);
    EXPECT_EQ(port, out2);
    EXPECT_EQ(unit.ConvertPortToStreamBeadNumber(int{0}), in);
    EXPECT_EQ(unit.ConvertPortToStreamBeadNumber(int{1000000}), 1000000);
    for (const int bad : {3, -1, 999999}) {
        try {
            unit.ConvertPortToStreamBeadNumber(int{bad});
            FAIL() << "port " << bad << " accepted";
        } catch (long status) {
            EXPECT_EQ(status, kStatusInvalidArgument);
        }
    }
    // A derived model's own port numbers come first.
    unit.mappedPort = 7;
    unit.mappedBead = static_cast<int>(out1);
    EXPECT_EQ(unit.ConvertPortToStreamBeadNumber(int{7}), out1);
}

TEST_F(PortTest, CopyInletToOutletsCopiesEveryOutlet) {
    TestUnit unit;
    const int64_t in = FeedStream();
    const int64_t out1 = NewStream();
    const int64_t out2 = NewStream();
    Bind(unit, {in}, {out1, out2});
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
    const int64_t otherClass = host.AddStreamClass("MIXED", {{"MIXED", 1, {}}});
    const int64_t small = host.AddStream(otherClass);
    const int64_t in = FeedStream();
    TestUnit unit;
    Bind(unit, {in}, {small});
    const std::vector<double> before = Vector(small);
    EXPECT_EQ(unit.CopyInletToOutlets(), kStatusInvalidArgument);
    EXPECT_EQ(Vector(small), before);
}

using InternalStreamTest = UnitTest;

TEST_F(InternalStreamTest, FirstIsTheDummyStreamAndLaterOnesAreAllocated) {
    const int64_t in = FeedStream();
    host.IntegerRecord(in)[rec::kStreamCopiedWord] = 4711;
    {
        TestUnit unit;
        Bind(unit, {in}, {NewStream()});
        const int dummy = unit.CreateInternalStream(0);
        EXPECT_EQ(dummy, host.IntegerRecord(streamClass)[rec::kClassDummyStream]);
        const int copy = unit.CreateInternalStream("IN0");
        EXPECT_GT(copy, rec::kAllocatedBeadBase);
        EXPECT_EQ(host.LiveAllocations(), 1u);
        EXPECT_EQ(Vector(copy), Vector(in));
        EXPECT_EQ(host.IntegerRecord(copy)[rec::kStreamClassBead], streamClass);
        EXPECT_EQ(host.IntegerRecord(copy)[rec::kStreamCopiedWord], 4711);

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
    const int64_t in = FeedStream();
    {
        TestUnit unit;
        Bind(unit, {in}, {NewStream()});
        unit.DontUseStandardDummyStream();
        const int first = unit.CreateInternalStream(0);
        const int second = unit.CreateInternalStream(0);
        EXPECT_GT(first, rec::kAllocatedBeadBase);
        EXPECT_GT(second, rec::kAllocatedBeadBase);
        EXPECT_EQ(host.LiveAllocations(), 2u);
        unit.RemoveInternalStream(first);
        EXPECT_EQ(host.LiveAllocations(), 1u);
    }
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(InternalStreamTest, FailedAllocationThrows) {
    TestUnit unit;
    Bind(unit, {FeedStream()}, {NewStream()});
    unit.DontUseStandardDummyStream();
    host.SetFailAllocation(true);
    try {
        unit.CreateInternalStream(0);
        FAIL() << "allocation failure not reported";
    } catch (long status) {
        EXPECT_EQ(status, kStatusFail);
    }
}

TEST_F(InternalStreamTest, CopyToOutletByName) {
    TestUnit unit;
    const int64_t in = FeedStream();
    const int64_t out = NewStream();
    Bind(unit, {in}, {out});
    const int copy = unit.CreateInternalStream(0);
    host.StreamVector(copy)[0] = 42.0;
    EXPECT_EQ(unit.CopyInternalStreamToOutlet(copy, "OUT0"), kStatusOk);
    EXPECT_EQ(host.StreamVector(out)[0], 42.0);
    EXPECT_EQ(unit.CopyInternalStreamToOutlet(copy, "OUT9"), kStatusInvalidArgument);
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
    host::PolymerSetup setup;
    setup.solidmerFlag = 1;
    setup.option = 0;
    setup.parameter = 0.05;
    setup.polymers = {2};
    setup.oligomers = {1, 2};
    setup.catalysts = {};
    host.SetPolymers(setup);
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

using ValidateTest = UnitTest;

TEST_F(ValidateTest, ReportsThroughStatusAndFlag) {
    TestUnit unit;
    Bind(unit, {FeedStream()}, {NewStream()});
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
}

TEST_F(ValidateTest, PortCountMustMatchThePortNames) {
    TestUnit unit;
    Bind(unit, {FeedStream()}, {NewStream()});
    unit.NamePorts({"IN0"});
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_TRUE;
    EXPECT_EQ(unit.Validate(&message, &valid), kStatusOk);
    EXPECT_EQ(valid, VARIANT_FALSE);
    EXPECT_EQ(unit.GetValidationStatus(), 1);
}

class FrameTest : public UnitTest {
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
    const int64_t in = SetUpUnflashedFeed();
    TestUnit unit;
    Bind(unit, {in}, {NewStream()});
    unit.failValidation = true;
    EXPECT_EQ(unit.Calculate(), kStatusCapeUnknown);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_TRUE(unit.GetInternalStreams().empty());
}

TEST_F(FrameTest, InletsInEquilibriumAreNotFlashed) {
    TestUnit unit;
    Bind(unit, {FeedStream()}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(unit.validateCalls, 1);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_FALSE(unit.m_bInletsFlashed);
    EXPECT_TRUE(host.PrintedLines().empty());
}

TEST_F(FrameTest, ZeroFlowSubstreamsNeedNoState) {
    const int64_t in = NewStream();  // zero flows, every state entry missing
    host::SubstreamState state;
    state.flows = {0.0, 0.0, 0.0};
    state.temperature = 300.0;
    state.pressure = 1e5;
    host.SetSubstream(in, 0, state);
    host.SetSubstream(in, 1, state);
    TestUnit unit;
    Bind(unit, {in}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_TRUE(host.FlashCalls().empty());
}

TEST_F(FrameTest, MissingStateMakesAPQFlashAtZeroDutyAndSavesEveryInlet) {
    const int64_t first = FeedStream();
    const int64_t second = SetUpUnflashedFeed();
    TestUnit unit;
    Bind(unit, {first, second}, {NewStream()});
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
    const int64_t in = FeedStream(300.0, 300.0000001);
    TestUnit unit;
    Bind(unit, {in}, {NewStream()});
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
    TestUnit unit;
    Bind(unit, {FeedStream(300.0, 310.0)}, {NewStream()});
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
    const std::vector<double> after = Vector(in);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(std::memcmp(&after[i], &before[i], sizeof(double)), 0) << "word " << i;
    }
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

TEST_F(FrameTest, FailedSavingOfInletsFailsTheFrameWithoutFlashing) {
    const int64_t first = SetUpUnflashedFeed();
    const int64_t second = FeedStream();
    TestUnit unit;
    Bind(unit, {first, second}, {NewStream()});
    host.SetFailAllocation(true);  // the dummy stream serves the first copy, not the second
    EXPECT_EQ(unit.Calculate(), kStatusFail);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_FALSE(unit.m_bInletsFlashed);
}

TEST_F(FrameTest, NoNonconventionalIndexWithoutNonconventionalComponents) {
    TestUnit unit;
    Bind(unit, {FeedStream()}, {NewStream()});
    EXPECT_EQ(unit.Calculate(), kStatusOk);
    EXPECT_EQ(unit.m_pNCIndex, nullptr);  // no NC components in this host
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

TEST_F(ErrorExitTest, TwoOutletsAreLeftAlone) {
    const int64_t in = FeedStream();
    const int64_t out1 = NewStream();
    const int64_t out2 = NewStream();
    TestUnit unit;
    Bind(unit, {in}, {out1, out2});
    const std::vector<double> before = Vector(out1);
    unit.SetErrorExit();
    EXPECT_EQ(Vector(out1), before);
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

}  // namespace
}  // namespace brixel::testing

namespace brixel::testing {
namespace {

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
