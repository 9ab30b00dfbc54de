#include <stdexcept>

#include "host/plex.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

TEST(Plex, IntegerAndRealViewsShareOneZeroedStore) {
    Plex plex(64);
    EXPECT_EQ(static_cast<void*>(plex.Integers()), static_cast<void*>(plex.Reals()));
    for (int64_t i = 1; i <= 64; ++i) {
        ASSERT_EQ(plex.Integer(i), 0) << "word " << i;
    }
    plex.Real(20) = 1.5;
    EXPECT_EQ(plex.Integer(20), 0x3FF8000000000000);  // IEEE 754 bits of 1.5
}

TEST(Plex, AllocatesAfterReservedWordsAndReusesFreedBlocksOfTheSameSize) {
    Plex plex(64);
    const int64_t first = plex.Allocate(10);
    EXPECT_EQ(first, Plex::kReservedWords + 1);
    const int64_t second = plex.Allocate(5);
    EXPECT_EQ(second, first + 10);
    plex.Integer(first + 3) = 77;
    plex.Release(first, 10);
    EXPECT_EQ(plex.Integer(first + 3), 0);    // released blocks are zeroed
    EXPECT_EQ(plex.Allocate(4), second + 5);  // another size: fresh words
    EXPECT_EQ(plex.Allocate(10), first);      // same size: the freed block
}

TEST(Plex, FullStoreThrowsLengthErrorAndKeepsWorking) {
    Plex plex(32);  // 16 usable words
    EXPECT_EQ(plex.Allocate(16), 17);
    EXPECT_THROW(plex.Allocate(1), std::length_error);
    EXPECT_THROW(Plex(32).Allocate(INT64_MAX), std::length_error);
    plex.Release(17, 16);
    EXPECT_EQ(plex.Allocate(16), 17);
}

TEST(SubstituteHostLifetime, OneHostAtATimeAndCurrentFollowsIt) {
    EXPECT_EQ(SubstituteHost::Current(), nullptr);
    {
        SubstituteHost host;
        EXPECT_EQ(SubstituteHost::Current(), &host);
        EXPECT_THROW(SubstituteHost second, std::logic_error);
        EXPECT_EQ(SubstituteHost::Current(), &host);
    }
    EXPECT_EQ(SubstituteHost::Current(), nullptr);
    // A plex too small for the host's own records fails cleanly and leaves no host behind.
    EXPECT_THROW(SubstituteHost tiny(40), std::length_error);
    EXPECT_EQ(SubstituteHost::Current(), nullptr);
}

TEST(SubstituteHostLifetime, ServicesWithoutHostAnswerNothingAndDoNotCrash) {
    ASSERT_EQ(SubstituteHost::Current(), nullptr);
    int64_t words = 99, lines = 99, bead = 5, status = 0, position = 7, real = 7, kind = 32;
    const int64_t length = 10, one = 1;
    EXPECT_EQ(HostPlex(&words), nullptr);
    EXPECT_EQ(words, 0);
    EXPECT_EQ(HostGlobals(), nullptr);
    EXPECT_EQ(HostRealGlobals(), nullptr);
    EXPECT_EQ(HostErrorBuffer(&lines), nullptr);
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(HostLocateIds(&one), 0);
    HostLocateModelData(&one, &position, &real);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(real, 0);
    HostAllocate(&kind, &length, &bead, &status);
    EXPECT_EQ(bead, 0);
    EXPECT_LT(status, 0);
    HostFree(&bead);
    EXPECT_EQ(HostErrorLevelCheck(nullptr, &one, &one, &one, nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(HostPhaseList(&one, &one), -1);
    HostFlash(nullptr, &one, nullptr, nullptr, nullptr, &one, nullptr, nullptr, nullptr, nullptr,
              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
              &status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(HostAmbientPressure(), 0.0);
}

TEST_F(HostTest, HostPlexIsTheIntegerViewAndRecordsNeverMove) {
    int64_t words = 0;
    EXPECT_EQ(HostPlex(&words), host->IntegerView());
    EXPECT_EQ(static_cast<std::size_t>(words), host->Capacity());
    EXPECT_EQ(static_cast<void*>(host->RealView()), static_cast<void*>(host->IntegerView()));

    host->AddComponent({"N2", 28.0, 77.3, "N2", "7727-37-9", false, {}});
    const int64_t classBead = host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    const int64_t stream = host->AddStream(classBead);
    const int64_t position = HostLocateRealData(&stream);
    double* vector = host->StreamVector(stream);
    EXPECT_EQ(vector, host->RealView() + position - 1);
    for (int i = 0; i < 200; ++i) {
        host->AddStream(classBead);
    }
    EXPECT_EQ(HostPlex(nullptr), host->IntegerView());
    EXPECT_EQ(HostLocateRealData(&stream), position);
    EXPECT_EQ(host->StreamVector(stream), vector);
    EXPECT_EQ(host->RealRecordPosition(stream), position);
    EXPECT_EQ(host->IntegerRecord(stream),
              host->IntegerView() + host->IntegerRecordPosition(stream) - 1);
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
    // Nothing half-made: a failed stream left no record behind and the old ones still work.
    const int64_t nextBead = 1000001 + 1 + made;  // dummy stream, then `made` streams
    EXPECT_EQ(HostLocateIds(&nextBead), 0);
    int64_t kind = 32, length = 1000, bead = 0, status = 0;
    HostAllocate(&kind, &length, &bead, &status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(bead, 0);
    EXPECT_EQ(host.LiveAllocations(), 0u);
}

}  // namespace
}  // namespace brixel::host::testing
