// Plex views, record lookup and packed text.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "brixel/exports/plex_exports.h"
#include "brixel/framework/plex.h"
#include "host/substitute_host.h"

namespace brixel {
namespace {

// A component with only an ID and a molecular weight (kg/kmol).
host::Component Named(const std::string& id, double molecularWeight) {
    host::Component component;
    component.id = id;
    component.molecularWeight = molecularWeight;
    return component;
}

class PlexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddComponent(Named("A", 10.0));
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
    ASSERT_TRUE(plex::IsSetUp());
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
}

TEST_F(PlexTest, BothViewsAliasOneMemory) {
    double* real = plex::RealAt(100);
    int64_t* integer = plex::IntAt(100);
    ASSERT_NE(real, nullptr);
    *real = -2.5;
    int64_t expectedBits = 0;
    const double value = -2.5;
    std::memcpy(&expectedBits, &value, sizeof value);
    EXPECT_EQ(*integer, expectedBits);
    EXPECT_EQ(static_cast<void*>(real), static_cast<void*>(integer));
}

TEST_F(PlexTest, RecordsOfABeadAreTheHostsRecords) {
    EXPECT_EQ(plex::IntRecord(stream), host.IntegerRecord(stream));
    EXPECT_EQ(plex::RealRecord(stream), host.StreamVector(stream));
    EXPECT_EQ(plex::PositionOf(plex::IntRecord(stream)), host.IntegerRecordPosition(stream));
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
    EXPECT_EQ(plex::IntAt(1), words.data());
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

TEST(PackedText, UnpacksFourCharactersPerWordFromTheLowBytes) {
    std::vector<int64_t> words = host::PackText("ABCDEFGHIJ", 12);
    ASSERT_EQ(words.size(), 3u);
    // The high half of a word is not part of the text.
    words[0] |= static_cast<int64_t>(0x7A7A7A7Aull << 32);
    EXPECT_EQ(plex::Unpack(words.data(), 12), "ABCDEFGHIJ");
    EXPECT_EQ(plex::Unpack(words.data(), 6), "ABCDEF");
    EXPECT_EQ(plex::Unpack(words.data(), 0), "");
    EXPECT_EQ(plex::Unpack(words.data(), -4), "");
    EXPECT_EQ(plex::Unpack(nullptr, 8), "");

    const std::vector<int64_t> inner = host::PackText("A B ", 8);
    EXPECT_EQ(plex::Unpack(inner.data(), 8), "A B");
    const std::vector<int64_t> blanks = host::PackText("", 8);
    EXPECT_EQ(plex::Unpack(blanks.data(), 8), "");
    const std::array<int64_t, 2> neverWritten{};
    EXPECT_EQ(plex::Unpack(neverWritten.data(), 8), "");
}

TEST_F(PlexTest, PacksThroughTheHostCutAndPadded) {
    EXPECT_EQ(plex::Pack("PSD", 8), host::PackText("PSD     ", 8));
    EXPECT_EQ(plex::Pack("TOOLONGTEXT", 8), host::PackText("TOOLONGT", 8));
    const std::vector<int64_t> odd = plex::Pack("XYZ", 5);
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(plex::Unpack(odd.data(), 5), "XYZ");
    EXPECT_TRUE(plex::Pack("ANY", 0).empty());
}

}  // namespace
}  // namespace brixel
