#include <cmath>
#include <limits>

#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace sv = brixel::stream_vector;

TEST_F(ProcessTest, SetSubstreamWritesFlowsTotalMolecularWeightStateAndPsd) {
    SubstreamState solids;
    solids.flows = {1.0, 3.0};  // kmol/s water, silica
    solids.temperature = 300.0;
    solids.pressure = 2e5;
    solids.psd = {0.2, 0.3, 0.5};
    host->SetSubstream(stream, 1, solids);

    const double* vector = RealRecordOf(stream);
    const int64_t offset = HostPhaseList(&stream, std::array<int64_t, 1>{2}.data());
    ASSERT_EQ(offset, host->SubstreamOffset(stream, 1));
    const double* state = vector + sv::StatePosition(offset, 2, 0);
    EXPECT_EQ(vector[offset], 1.0);
    EXPECT_EQ(vector[offset + 1], 3.0);
    EXPECT_EQ(state[sv::kTotalFlow], 4.0);
    EXPECT_EQ(state[sv::kTemperature], 300.0);
    EXPECT_EQ(state[sv::kPressure], 2e5);
    EXPECT_EQ(state[sv::kEnthalpy], 1e35);
    EXPECT_EQ(state[sv::kDensity], 1e35);
    EXPECT_DOUBLE_EQ(state[sv::kMolecularWeight], (1.0 * 18.0 + 3.0 * 60.0) / 4.0);  // 49.5
    EXPECT_EQ(std::vector<double>(state + sv::kStateWords, state + sv::kStateWords + 3),
              solids.psd);
    // The neighbours are untouched.
    EXPECT_EQ(vector[sv::StatePosition(0, 2, sv::kTotalFlow)], 1e35);
    EXPECT_EQ(vector[25], 0.0);
}

TEST_F(ProcessTest, ZeroFlowGivesZeroMolecularWeightAndNcFlowsCountAsMass) {
    SubstreamState empty;
    empty.flows = {0.0, 0.0};
    host->SetSubstream(stream, 0, empty);
    EXPECT_EQ(RealRecordOf(stream)[sv::StatePosition(0, 2, sv::kMolecularWeight)], 0.0);

    SubstreamState coal;
    coal.flows = {2.5};
    host->SetSubstream(stream, 2, coal);
    const double* state = RealRecordOf(stream) + sv::StatePosition(25, 1, 0);
    EXPECT_EQ(state[sv::kTotalFlow], 2.5);
    EXPECT_EQ(state[sv::kMolecularWeight], 1.0);
    EXPECT_EQ(state[sv::kStateWords], 1e35);  // PSD not given: left as it was
}

TEST_F(ProcessTest, BadSubstreamInputThrowsAndLeavesTheStreamUnchanged) {
    SubstreamState good;
    good.flows = {1.0, 1.0};
    good.temperature = 350.0;
    host->SetSubstream(stream, 1, good);
    const std::vector<double> before(host->StreamVector(stream), host->StreamVector(stream) + 38);

    auto rejects = [&](SubstreamState state, int substream = 1) {
        EXPECT_THROW(host->SetSubstream(stream, substream, state), std::invalid_argument);
        EXPECT_EQ(std::vector<double>(host->StreamVector(stream), host->StreamVector(stream) + 38),
                  before);
    };
    SubstreamState bad = good;
    bad.flows = {1.0};
    rejects(bad);
    bad.flows = {1.0, -0.1};
    rejects(bad);
    bad.flows = {1.0, std::nan("")};
    rejects(bad);
    bad.flows = {1.0, std::numeric_limits<double>::infinity()};
    rejects(bad);
    bad = good;
    bad.temperature = -5.0;
    rejects(bad);
    bad = good;
    bad.pressure = std::nan("");
    rejects(bad);
    bad = good;
    bad.vaporFraction = 1.5;
    rejects(bad);
    bad = good;
    bad.psd = {0.5, 0.5};  // 3 intervals
    rejects(bad);
    bad.psd = {0.5, 0.5, std::nan("")};
    rejects(bad);
    bad = good;
    bad.psd = {1.0};
    rejects(bad, 0);  // MIXED has no PSD
    rejects(good, 3);
    rejects(good, -1);
    EXPECT_THROW(host->SetSubstream(424242, 0, good), std::invalid_argument);
    EXPECT_THROW(host->StreamVector(424242), std::invalid_argument);
    EXPECT_THROW(host->SubstreamCount(classBead), std::invalid_argument);
}

TEST_F(ProcessTest, AllocatedStreamsAreCountedUntilFreed) {
    const int64_t kind = 32, length = host->VectorLength(stream);
    int64_t first = 0, second = 0, status = 99;
    HostAllocate(&kind, &length, &first, &status);
    EXPECT_EQ(status, 0);
    EXPECT_GT(first, 400000000);
    HostAllocate(&kind, &length, &second, &status);
    EXPECT_GT(second, 400000000);
    EXPECT_NE(first, second);
    EXPECT_EQ(host->LiveAllocations(), 2u);

    // A zeroed vector of the asked length, and a record the library can bind to a class.
    const double* vector = RealRecordOf(first);
    ASSERT_NE(vector, nullptr);
    for (int64_t i = 0; i < length; ++i) {
        ASSERT_EQ(vector[i], 0.0);
    }
    EXPECT_EQ(host->VectorLength(first), length);
    const int64_t one = 1;
    EXPECT_EQ(HostSubstreamType(&first, &one), 0);  // no class yet
    host->IntegerRecord(first)[brixel::records::kStreamClassBead] = classBead;
    EXPECT_EQ(HostSubstreamType(&first, &one), 1);
    SubstreamState state;
    state.flows = {1.0, 0.0};
    host->SetSubstream(first, 0, state);
    EXPECT_EQ(RealRecordOf(first)[sv::StatePosition(0, 2, sv::kMolecularWeight)], 18.0);

    HostFree(&first);
    EXPECT_EQ(host->LiveAllocations(), 1u);
    EXPECT_EQ(HostLocateIds(&first), 0);
    HostFree(&first);   // twice: ignored
    HostFree(&stream);  // a builder stream: ignored
    const int64_t unknown = 987654321;
    HostFree(&unknown);
    HostFree(nullptr);
    EXPECT_EQ(host->LiveAllocations(), 1u);
    EXPECT_NE(HostLocateIds(&stream), 0);
    HostFree(&second);
    EXPECT_EQ(host->LiveAllocations(), 0u);
}

TEST_F(ProcessTest, AllocationFailuresReportNegativeStatusAndBeadZero) {
    auto allocate = [](int64_t kind, int64_t length) {
        int64_t bead = 7, status = 0;
        HostAllocate(&kind, &length, &bead, &status);
        EXPECT_EQ(bead, 0);
        return status;
    };
    EXPECT_LT(allocate(31, 10), 0);
    EXPECT_LT(allocate(32, 0), 0);
    EXPECT_LT(allocate(32, -5), 0);
    EXPECT_LT(allocate(32, INT64_MAX), 0);
    EXPECT_LT(allocate(32, static_cast<int64_t>(host->Capacity())), 0);
    host->SetFailAllocation(true);
    EXPECT_LT(allocate(32, 10), 0);
    EXPECT_EQ(host->LiveAllocations(), 0u);
    host->SetFailAllocation(false);
    int64_t bead = 0, status = 0;
    const int64_t kind = 32, length = 10;
    HostAllocate(&kind, &length, &bead, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(host->LiveAllocations(), 1u);
    HostAllocate(&kind, &length, nullptr, &status);  // no place for the bead
    EXPECT_LT(status, 0);
    EXPECT_EQ(host->LiveAllocations(), 1u);
}

}  // namespace
}  // namespace brixel::host::testing
