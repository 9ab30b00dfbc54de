// The host's stream-structure lookups, shared summary words, option set and floating-point
// check, against the layout the builder laid out and the library's own readers.

#include <cfenv>
#include <cmath>
#include <limits>

#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

class StructureTest : public ProcessTest {
  protected:
    int64_t Substream(int64_t type, int64_t occurrence) {
        return HostLocateSubstream(&stream, &type, &occurrence);
    }
};

TEST_F(StructureTest, LocatesSubstreamsByTypeAndOccurrence) {
    EXPECT_EQ(Substream(records::kMixed, 1), 1);
    EXPECT_EQ(Substream(records::kCiSolid, 1), 2);
    EXPECT_EQ(Substream(records::kNonconventional, 1), 3);
    EXPECT_EQ(Substream(records::kCiSolid, 2), 0);
    EXPECT_EQ(Substream(records::kMixed, 0), 0);
    const int64_t notAStream = 17, type = records::kMixed, first = 1;
    EXPECT_EQ(HostLocateSubstream(&notAStream, &type, &first), 0);
    EXPECT_EQ(HostLocateSubstream(nullptr, &type, &first), 0);
}

// The PSD position the host gives is where the library's own reader finds the fractions.
TEST_F(StructureTest, LocatesPsdWhereTheLibraryReadsIt) {
    plex::SetupFromHost();
    const StreamClassView view{StreamClassOfStream(stream)};
    for (int64_t substream : {2, 3}) {
        int64_t intervals = -5;
        const int64_t position = HostLocatePsd(&stream, &substream, &intervals);
        EXPECT_EQ(intervals, 3);
        const int64_t* slot =
            view.SubstreamClass(substream - 1) + records::kSubstreamClassFirstSlot;
        EXPECT_EQ(position, view.Offset(substream - 1) + slot[records::kSlotValueOffset]);
        // NCC 2 (water, silica) or NNCC 1, then 9 state words: the PSD follows them.
        const int64_t flows = substream == 3 ? 1 : 2;
        EXPECT_EQ(position,
                  host->SubstreamOffset(stream, static_cast<int>(substream - 1)) + flows + 9);
    }
    int64_t mixed = 1, intervals = 7;
    EXPECT_EQ(HostLocatePsd(&stream, &mixed, &intervals), -1);
    EXPECT_EQ(intervals, 0);
    int64_t beyond = 4;
    EXPECT_EQ(HostLocatePsd(&stream, &beyond, nullptr), -1);
}

TEST_F(StructureTest, CountsPhasesFromVapourFractionAndSolidFlows) {
    // Fresh stream: vapour fraction missing, no solid flow.
    EXPECT_EQ(HostPhaseCount(&stream), 0);
    SubstreamState fluid;
    fluid.flows = {1.0, 0.0};
    fluid.vaporFraction = 0.25;
    host->SetSubstream(stream, 0, fluid);
    SubstreamState solid;
    solid.flows = {0.0, 2.0};
    solid.psd = {0.2, 0.3, 0.5};
    host->SetSubstream(stream, 1, solid);
    ASSERT_EQ(HostPhaseCount(&stream), 3);
    int64_t phase = 1;
    EXPECT_EQ(HostPhaseId(&stream, &phase), 1);
    phase = 2;
    EXPECT_EQ(HostPhaseId(&stream, &phase), 2);
    phase = 3;
    EXPECT_EQ(HostPhaseId(&stream, &phase), 3);
    phase = 4;
    EXPECT_EQ(HostPhaseId(&stream, &phase), 0);
    fluid.vaporFraction = 1.0;
    host->SetSubstream(stream, 0, fluid);
    EXPECT_EQ(HostPhaseCount(&stream), 2);
    phase = 1;
    EXPECT_EQ(HostPhaseId(&stream, &phase), 1);
}

TEST_F(StructureTest, ListsComponentsWithFlow) {
    SubstreamState fluid;
    fluid.flows = {0.0, 3.0};
    host->SetSubstream(stream, 0, fluid);
    int64_t substream = 1, present[2] = {-1, -1}, count = -1;
    EXPECT_EQ(HostComponentsOfSubstream(&stream, &substream, present, &count), 2);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(present[0], 2);
    substream = 3;
    EXPECT_EQ(HostComponentsOfSubstream(&stream, &substream, nullptr, &count), 1);
    EXPECT_EQ(count, 0);
    substream = 9;
    EXPECT_EQ(HostComponentsOfSubstream(&stream, &substream, present, &count), -1);
    EXPECT_EQ(count, 0);
}

TEST_F(StructureTest, DescribesSubstreamsByClassAndByStream) {
    int64_t substream = 2;
    EXPECT_EQ(HostAttributeCount(&stream, &substream), 1);
    substream = 1;
    EXPECT_EQ(HostAttributeCount(&stream, &substream), 0);
    substream = 2;
    std::array<int64_t, 7> byClass{}, byStream{};
    ASSERT_EQ(HostSubstreamInfoByIndex(&classBead, &substream, byClass.data()), 0);
    ASSERT_EQ(HostSubstreamInfoByStream(&stream, &substream, byStream.data()), 0);
    EXPECT_EQ(byClass, byStream);
    EXPECT_EQ(UnpackText(byClass.data(), 8), "CISOLID");
    EXPECT_EQ(byClass[2], records::kCiSolid);
    EXPECT_EQ(byClass[3], host->SubstreamOffset(stream, 1));
    EXPECT_EQ(byClass[4], 2 + 9 + 3);  // flows, state, PSD
    EXPECT_EQ(byClass[5], 2);
    EXPECT_EQ(byClass[6], 1);
    std::array<int64_t, 7> untouched{};
    untouched.fill(42);
    substream = 4;
    EXPECT_EQ(HostSubstreamInfoByStream(&stream, &substream, untouched.data()), -1);
    EXPECT_EQ(HostSubstreamInfoByIndex(&stream, &substream, untouched.data()), -1);
    EXPECT_EQ(untouched[0], 42);
}

TEST_F(StructureTest, SharedWordsFollowTheHost) {
    const int64_t* summary = HostSummaryGlobals();
    ASSERT_NE(summary, nullptr);
    const int64_t streams = summary[0];  // the stream and the class's dummy stream
    EXPECT_GE(streams, 1);
    EXPECT_EQ(summary[1], 0);
    EXPECT_EQ(summary[2], 1);  // one class
    EXPECT_EQ(summary[3], 2);
    EXPECT_EQ(summary[4], 1);
    host->AddStream(classBead);
    host->AddBlock("B1", {stream}, {});
    summary = HostSummaryGlobals();
    EXPECT_EQ(summary[0], streams + 1);
    EXPECT_EQ(summary[1], 1);

    HostPropEnter();
    HostPropEnter();
    HostPropExit();
    const int64_t* iteration = HostPropIterationCommon();
    ASSERT_NE(iteration, nullptr);
    EXPECT_EQ(iteration[0], 1);
    EXPECT_EQ(iteration[1], 2);

    const int64_t options = HostGetOptionSet();
    EXPECT_EQ(options, host->FlashOptionsBead());
    EXPECT_NE(HostLocateIds(&options), 0);
}

TEST_F(StructureTest, FlashCommonRecordsTheLastFlash) {
    const int64_t* common = HostFlashCommon();
    ASSERT_NE(common, nullptr);
    EXPECT_EQ(common[2], 0);
    host->SetRefuseFlash(true);
    double* vector = host->StreamVector(stream);
    const int64_t one = 1, position = 1, type = 1, kode = 2, zero = 0;
    const double spec = 300.0, none = 0.0;
    int64_t status = 0;
    HostFlash(vector, &one, &position, &type, nullptr, &kode, &one, &one, &one, &none, &spec, &none,
              &none, &zero, &zero, &zero, &zero, nullptr, nullptr, &status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(common[0], 2);
    EXPECT_EQ(common[1], status);
    EXPECT_EQ(common[2], 1);
}

TEST(HostFpeCheck, ReportsExceptionsRaisedSinceTheStart) {
    const int64_t start = 1, end = 0;
    EXPECT_EQ(HostFpeCheck(&start), 0);
    EXPECT_EQ(HostFpeCheck(&end), 0);
    volatile double zero = 0.0;
    volatile double quotient = 1.0 / zero;  // raises divide-by-zero
    EXPECT_TRUE(std::isinf(quotient));
    EXPECT_EQ(HostFpeCheck(&end), 1);
    EXPECT_EQ(HostFpeCheck(&start), 0);
    EXPECT_EQ(HostFpeCheck(&end), 0);
}

TEST(HostWithout, SeamServicesAnswerEmpty) {
    const int64_t bead = 1000001, one = 1;
    EXPECT_EQ(HostFlashCommon(), nullptr);
    EXPECT_EQ(HostSummaryGlobals(), nullptr);
    EXPECT_EQ(HostPropIterationCommon(), nullptr);
    EXPECT_EQ(HostLocateSubstream(&bead, &one, &one), 0);
    EXPECT_EQ(HostLocatePsd(&bead, &one, nullptr), -1);
    EXPECT_EQ(HostPhaseCount(&bead), 0);
    EXPECT_EQ(HostGetOptionSet(), 0);
}

}  // namespace
}  // namespace brixel::host::testing
