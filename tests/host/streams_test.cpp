#include <cmath>
#include <limits>

#include "brixel/framework/stream_vector.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace sv = brixel::stream_vector;

TEST_F(ProcessTest, SetSubstreamWritesFlowsTotalsMolecularWeightStateAndPsd) {
    SubstreamState solids;
    solids.flows = {1.0, 3.0};  // kmol/s water, silica
    solids.temperature = 300.0;
    solids.pressure = 2e5;
    solids.psd = {0.2, 0.3, 0.5};
    host->SetSubstream(stream, 1, solids);

    const double* vector = RealRecordOf(stream);
    const double* state = vector + sv::StatePosition(11, 2, 0);  // CISOLID from word 11
    EXPECT_EQ(vector[11], 1.0);
    EXPECT_EQ(vector[12], 3.0);
    EXPECT_EQ(state[sv::kTotalFlow], 4.0);
    EXPECT_EQ(state[sv::kTemperature], 300.0);
    EXPECT_EQ(state[sv::kPressure], 2e5);
    EXPECT_DOUBLE_EQ(state[sv::kMolecularWeight], (1.0 * 18.0 + 3.0 * 60.0) / 4.0);  // 49.5
    EXPECT_EQ(std::vector<double>(state + sv::kStateWords, state + sv::kStateWords + 3),
              solids.psd);
    // The neighbours are untouched.
    EXPECT_EQ(vector[sv::StatePosition(0, 2, sv::kTotalFlow)], 1e35);
    EXPECT_EQ(vector[25], 0.0);

    // Zero flow gives a zero molecular weight; NC flows count as mass.
    SubstreamState empty;
    empty.flows = {0.0, 0.0};
    host->SetSubstream(stream, 0, empty);
    EXPECT_EQ(vector[sv::StatePosition(0, 2, sv::kMolecularWeight)], 0.0);
    SubstreamState coalState;
    coalState.flows = {2.5};
    host->SetSubstream(stream, 2, coalState);
    const double* nc = vector + sv::StatePosition(25, 1, 0);
    EXPECT_EQ(nc[sv::kTotalFlow], 2.5);
    EXPECT_EQ(nc[sv::kMolecularWeight], 1.0);
    EXPECT_EQ(nc[sv::kStateWords], 1e35);  // PSD not given: left as it was
}

TEST_F(ProcessTest, BadSubstreamInputThrowsAndLeavesTheStreamUnchanged) {
    SubstreamState good;
    good.flows = {1.0, 1.0};
    good.temperature = 350.0;
    host->SetSubstream(stream, 1, good);
    const double* vector = host->StreamVector(stream);
    const std::vector<double> before(vector, vector + 38);

    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const std::vector<double> two = {1.0, 1.0};
    const std::pair<int, SubstreamState> bad[] = {
        {1, {.flows = {1.0}, .psd = {}}},
        {1, {.flows = {1.0, -0.1}, .psd = {}}},
        {1, {.flows = {1.0, nan}, .psd = {}}},
        {1, {.flows = {1.0, inf}, .psd = {}}},
        {1, {.flows = two, .temperature = -5.0, .psd = {}}},
        {1, {.flows = two, .pressure = nan, .psd = {}}},
        {1, {.flows = two, .vaporFraction = 1.5, .psd = {}}},
        {1, {.flows = two, .psd = {0.5, 0.5}}},  // 3 intervals
        {1, {.flows = two, .psd = {0.5, 0.5, nan}}},
        {0, {.flows = two, .psd = {1.0}}},  // MIXED has no PSD
        {3, good},
        {-1, good}};
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        EXPECT_THROW(host->SetSubstream(stream, bad[i].first, bad[i].second), std::invalid_argument)
            << "case " << i;
        EXPECT_EQ(std::vector<double>(vector, vector + 38), before) << "case " << i;
    }
    EXPECT_THROW(host->SetSubstream(424242, 0, good), std::invalid_argument);
    EXPECT_THROW(host->StreamVector(424242), std::invalid_argument);
    EXPECT_THROW(host->SubstreamCount(classBead), std::invalid_argument);
}

TEST_F(ProcessTest, AllocatedStreamsAreZeroedAndCountedUntilFreed) {
    const int64_t kind = 32, length = host->VectorLength(stream), one = 1;
    int64_t first = 0, second = 0, status = 99;
    HostAllocate(&kind, &length, &first, &status);
    EXPECT_EQ(status, 0);
    EXPECT_GT(first, 400000000);
    HostAllocate(&kind, &length, &second, &status);
    EXPECT_NE(first, second);
    EXPECT_EQ(host->LiveAllocations(), 2u);

    const double* vector = RealRecordOf(first);
    ASSERT_NE(vector, nullptr);
    EXPECT_EQ(std::vector<double>(vector, vector + length), std::vector<double>(38, 0.0));
    EXPECT_EQ(HostSubstreamType(&first, &one), 0);  // no class yet

    HostFree(&first);
    EXPECT_EQ(HostLocateIds(&first), 0);
    HostFree(&first);   // twice: ignored
    HostFree(&stream);  // a builder stream: ignored
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
        EXPECT_EQ(bead, 0) << kind << " " << length;
        return status;
    };
    const int64_t cases[][2] = {
        {31, 10}, {32, 0}, {32, -5}, {32, INT64_MAX}, {32, int64_t(host->Capacity())}};
    for (const auto& c : cases) {
        EXPECT_LT(allocate(c[0], c[1]), 0) << c[0] << " " << c[1];
    }
    int64_t status = 0;
    const int64_t kind = 32, length = 10;
    HostAllocate(&kind, &length, nullptr, &status);  // no place for the bead
    EXPECT_LT(status, 0);
    EXPECT_EQ(host->LiveAllocations(), 0u);
}

}  // namespace
}  // namespace brixel::host::testing
