// Plex views, record lookup and packed text.
#include "brixel/framework/plex.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "brixel/exports/plex_exports.h"
#include "host/substitute_host.h"

namespace brixel {
namespace {

class PlexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddComponent({.id = "A", .molecularWeight = 10.0});
        streamClass = host.AddStreamClass("MATERIAL", {{"MIXED", 1, {}}});
        stream = host.AddStream(streamClass);
        SETUPCPLEX();
    }

    host::SubstituteHost host{4096};
    int64_t streamClass = 0;
    int64_t stream = 0;
};

TEST_F(PlexTest, PositionsAndAddressesRoundTripInsideTheStore) {
    const auto capacity = static_cast<int64_t>(host.Capacity());
    ASSERT_EQ(capacity, 4096);
    for (const int64_t position : {int64_t{1}, int64_t{17}, capacity}) {
        int64_t* word = plex::IntAt(position);
        ASSERT_EQ(word, host.IntegerView() + (position - 1)) << position;
        EXPECT_EQ(plex::PositionOf(word), position);
        double* real = plex::RealAt(position);
        ASSERT_EQ(real, host.RealView() + (position - 1)) << position;
        EXPECT_EQ(plex::PositionOf(real), position);
    }
    for (const int64_t outside : {int64_t{0}, int64_t{-1}, capacity + 1, INT64_MAX, INT64_MIN}) {
        EXPECT_EQ(plex::IntAt(outside), nullptr) << outside;
        EXPECT_EQ(plex::RealAt(outside), nullptr) << outside;
    }
    const int64_t local = 0;
    EXPECT_EQ(plex::PositionOf(&local), 0);
    EXPECT_EQ(plex::PositionOf(static_cast<const int64_t*>(nullptr)), 0);

    // Both views alias one memory.
    *plex::RealAt(100) = -2.5;
    const double value = -2.5;
    EXPECT_EQ(std::memcmp(plex::IntAt(100), &value, sizeof value), 0);
}

TEST_F(PlexTest, RecordsOfABeadAreTheHostsRecords) {
    EXPECT_EQ(plex::IntRecord(stream), host.IntegerRecord(stream));
    EXPECT_EQ(plex::RealRecord(stream), host.StreamVector(stream));
    EXPECT_EQ(plex::IntRecord(streamClass), host.IntegerRecord(streamClass));
    EXPECT_EQ(plex::RealRecord(streamClass), nullptr);  // a class has no real record
    EXPECT_EQ(plex::IntRecord(999), nullptr);
    EXPECT_EQ(plex::RealRecord(999), nullptr);
}

TEST_F(PlexTest, ForeignBasesHaveOnlyALowerBound) {
    std::array<int64_t, 8> words{};
    std::array<double, 8> reals{};
    plex::SetBases(words.data(), reals.data());
    ASSERT_TRUE(plex::IsSetUp());
    EXPECT_EQ(plex::IntAt(8), &words[7]);
    EXPECT_EQ(plex::RealAt(3), &reals[2]);
    EXPECT_EQ(plex::IntAt(0), nullptr);
    EXPECT_EQ(plex::PositionOf(&words[5]), 6);
    EXPECT_EQ(plex::PositionOf(&reals[5]), 6);

    // The host's store given by address keeps its capacity as the bound.
    plex::SetBases(host.IntegerView(), host.RealView());
    EXPECT_EQ(plex::IntAt(static_cast<int64_t>(host.Capacity()) + 1), nullptr);
    EXPECT_EQ(plex::IntRecord(stream), host.IntegerRecord(stream));

    plex::SetBases(nullptr, nullptr);
    EXPECT_FALSE(plex::IsSetUp());
    EXPECT_EQ(plex::IntAt(1), nullptr);
    EXPECT_EQ(plex::RealRecord(stream), nullptr);
    EXPECT_EQ(plex::PositionOf(host.IntegerView()), 0);
}

TEST_F(PlexTest, PackedTextHasFourCharactersPerWordInTheLowBytes) {
    std::vector<int64_t> words = host::PackText("ABCDEFGHIJ", 12);
    words[0] |= static_cast<int64_t>(0x7A7A7A7Aull << 32);  // the high half is not text
    EXPECT_EQ(plex::Unpack(words.data(), 12), "ABCDEFGHIJ");
    EXPECT_EQ(plex::Unpack(words.data(), 6), "ABCDEF");
    EXPECT_EQ(plex::Unpack(words.data(), -4), "");
    EXPECT_EQ(plex::Unpack(nullptr, 8), "");
    EXPECT_EQ(plex::Unpack(host::PackText("A B ", 8).data(), 8), "A B");
    const std::array<int64_t, 2> neverWritten{};
    EXPECT_EQ(plex::Unpack(neverWritten.data(), 8), "");

    EXPECT_EQ(plex::Pack("PSD", 8), host::PackText("PSD     ", 8));
    EXPECT_EQ(plex::Pack("TOOLONGTEXT", 8), host::PackText("TOOLONGT", 8));
    EXPECT_EQ(plex::Unpack(plex::Pack("XYZ", 5).data(), 5), "XYZ");
    EXPECT_TRUE(plex::Pack("ANY", 0).empty());
}

}  // namespace
}  // namespace brixel
