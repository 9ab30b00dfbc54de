#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "host/plex.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

TEST(Plex, OneZeroedStoreAllocatedAfterTheReservedWordsWithSameSizeReuse) {
    Plex plex(64);
    EXPECT_EQ(static_cast<void*>(plex.Integers()), static_cast<void*>(plex.Reals()));
    EXPECT_TRUE(
        std::all_of(plex.Integers(), plex.Integers() + 64, [](int64_t w) { return w == 0; }));
    plex.Real(20) = 1.5;
    EXPECT_EQ(plex.Integer(20), 0x3FF8000000000000);  // IEEE 754 bits of 1.5
    const int64_t first = plex.Allocate(10);
    EXPECT_EQ(first, Plex::kReservedWords + 1);
    const int64_t second = plex.Allocate(5);
    EXPECT_EQ(second, first + 10);
    plex.Integer(first + 3) = 77;
    plex.Release(first, 10);
    EXPECT_EQ(plex.Integer(first + 3), 0);    // released blocks are zeroed
    EXPECT_EQ(plex.Allocate(4), second + 5);  // another size: fresh words
    EXPECT_EQ(plex.Allocate(10), first);      // same size: the freed block
    EXPECT_THROW(plex.Allocate(INT64_MAX), std::length_error);
    EXPECT_THROW(plex.Allocate(64), std::length_error);
    EXPECT_EQ(plex.Allocate(1), second + 9);  // still usable
}

// Resident pages of this process, from /proc/self/statm; -1 where it cannot be read.
long ResidentPages() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = -1;
    statm >> size >> resident;
    return resident;
}

TEST(Plex, ALargeStoreTakesMemoryOnlyWhereItIsUsed) {
    const long pageWords = sysconf(_SC_PAGESIZE) / static_cast<long>(sizeof(int64_t));
    const std::size_t words = std::size_t{32} << 20;  // 256 MB
    const long before = ResidentPages();
    ASSERT_GT(before, 0);
    Plex plex(words);
    // Words far apart read 0; one written record takes its own pages only.
    EXPECT_EQ(plex.Integer(static_cast<int64_t>(words)), 0);
    EXPECT_EQ(plex.Real(static_cast<int64_t>(words / 2)), 0.0);
    const int64_t record = plex.Allocate(1000);
    std::fill_n(&plex.Integer(record), 1000, int64_t{7});
    const long grown = ResidentPages() - before;
    EXPECT_LT(grown, 1000 / pageWords + 1024) << grown << " pages";  // far below 65536
}

TEST(SubstituteHostLifetime, OneHostAtATimeAndServicesWithoutOneAnswerNothing) {
    EXPECT_EQ(SubstituteHost::Current(), nullptr);
    {
        SubstituteHost host;
        EXPECT_EQ(SubstituteHost::Current(), &host);
        EXPECT_THROW(SubstituteHost second, std::logic_error);
        EXPECT_EQ(SubstituteHost::Current(), &host);
    }
    EXPECT_EQ(SubstituteHost::Current(), nullptr);
    // Too small for the host's own records: fails cleanly and leaves no host behind.
    EXPECT_THROW(SubstituteHost tiny(40), std::length_error);
    ASSERT_EQ(SubstituteHost::Current(), nullptr);

    // Without a host the services answer nothing and do not crash.
    int64_t words = 99, bead = 5, status = 0, kind = 32;
    const int64_t length = 10, one = 1;
    EXPECT_EQ(HostPlex(&words), nullptr);
    EXPECT_EQ(words, 0);
    EXPECT_EQ(HostLocateIds(&one), 0);
    HostAllocate(&kind, &length, &bead, &status);
    EXPECT_EQ(bead, 0);
    EXPECT_LT(status, 0);
    HostFree(&one);
    EXPECT_EQ(HostErrorLevelCheck(nullptr, &one, &one, &one, nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(HostPhaseList(&one, &one), -1);
    status = 0;
    HostFlash(nullptr, &one, nullptr, nullptr, nullptr, &one, nullptr, nullptr, nullptr, nullptr,
              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
              &status);
    EXPECT_LT(status, 0);
}

TEST_F(HostTest, HostPlexIsTheIntegerViewAndRecordsNeverMove) {
    int64_t words = 0;
    EXPECT_EQ(HostPlex(&words), host->IntegerView());
    EXPECT_EQ(static_cast<std::size_t>(words), host->Capacity());
    host->AddComponent({"N2", 28.0, 77.3, "N2", "7727-37-9", false, {}});
    const int64_t classBead = host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    const int64_t stream = host->AddStream(classBead);
    const int64_t position = HostLocateRealData(&stream);
    double* vector = host->StreamVector(stream);
    for (int i = 0; i < 200; ++i) {
        host->AddStream(classBead);
    }
    EXPECT_EQ(HostPlex(nullptr), host->IntegerView());
    EXPECT_EQ(HostLocateRealData(&stream), position);
    EXPECT_EQ(host->StreamVector(stream), vector);
}

TEST(SubstituteHostCapacity, FullPlexThrowsFromTheBuilderAndKeepsTheHostUsable) {
    SubstituteHost host(600);
    host.AddComponent({"N2", 28.0, 77.3, "N2", "", false, {}});
    const int64_t classBead = host.AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    int made = 0;
    EXPECT_THROW(
        while (true) {
            host.AddStream(classBead);
            ++made;
        },
        std::length_error);
    EXPECT_GT(made, 0);
    // Nothing half-made: the failed stream left no record behind.
    const int64_t nextBead = 1000001 + 1 + made;  // dummy stream, then `made` streams
    EXPECT_EQ(HostLocateIds(&nextBead), 0);
}

}  // namespace
}  // namespace brixel::host::testing
