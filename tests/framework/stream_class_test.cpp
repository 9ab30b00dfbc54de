// Reading stream-class records and their substream tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "brixel/exports/plex_exports.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"
#include "host/substitute_host.h"

namespace brixel {
namespace {

constexpr int64_t kPoison = -777;

// A class record laid out by hand, exactly as long as its table: a read past the last entry
// is caught by the address sanitizer, a read of a wrong word returns kPoison.
// Words: 2 type name, 6 vector length, 7 material (0), 10 table position o, o + 1 count; then 9
// words a substream from o + 2: ID +0, class record +4, type +5, length +7, offset +8.
std::vector<int64_t> HandBuiltClass() {
    std::vector<int64_t> record(34, kPoison);
    const std::pair<int, int64_t> words[] = {{6, 77}, {7, 0},  {10, 14}, {15, 2},
                                             {20, 0}, {21, 1}, {23, 11}, {24, 0},
                                             {29, 0}, {30, 3}, {32, 13}, {33, 11}};
    for (const auto& [word, value] : words) {
        record[word] = value;
    }
    record[2] = host::PackText("SOLIDS", 4)[0];
    const auto first = host::PackText("FIRST", 8);
    const auto second = host::PackText("SECOND", 8);
    record[16] = first[0];
    record[17] = first[1];
    record[25] = second[0];
    record[26] = second[1];
    return record;
}

TEST(StreamClassView, ReadsTheTableAtTheRecordsWordPositions) {
    const std::vector<int64_t> record = HandBuiltClass();
    const StreamClassView view(record.data());
    EXPECT_EQ(view.SubstreamCount(), 2);
    EXPECT_EQ(view.VectorLength(), 77);
    EXPECT_FALSE(view.IsInformation());
    EXPECT_EQ(view.TypeName(), "SOLI");
    const char* ids[] = {"FIRST", "SECOND"};
    const int64_t types[] = {1, 3}, lengths[] = {11, 13}, offsets[] = {0, 11};
    for (int64_t k = 0; k < 2; ++k) {
        EXPECT_EQ(view.Id(k), ids[k]);
        EXPECT_EQ(view.Type(k), types[k]) << k;
        EXPECT_EQ(view.Length(k), lengths[k]) << k;
        EXPECT_EQ(view.Offset(k), offsets[k]) << k;
    }
    for (const int64_t k : {int64_t{-1}, int64_t{2}, INT64_MIN}) {
        EXPECT_EQ(view.Type(k), 0) << k;
        EXPECT_EQ(view.Length(k) + view.Offset(k) + view.ComponentCount(k), 0) << k;
        EXPECT_EQ(view.Id(k), "") << k;
        EXPECT_EQ(view.SubstreamClass(k), nullptr) << k;
        EXPECT_FALSE(view.HasPsd(k)) << k;
    }
}

TEST(StreamClassView, EmptyCorruptOrNullTablesHaveNoSubstreams) {
    std::vector<int64_t> empty(12, kPoison);  // the record ends at the count word
    empty[10] = 10;
    empty[11] = 0;
    const StreamClassView none(empty.data());
    EXPECT_EQ(none.SubstreamCount(), 0);
    EXPECT_EQ(none.Id(0), "");
    empty[11] = -3;
    EXPECT_EQ(none.SubstreamCount(), 0);
    empty[10] = -5;  // a table before the record
    EXPECT_EQ(none.SubstreamCount(), 0);

    const StreamClassView null;
    EXPECT_EQ(null.SubstreamCount(), 0);
    EXPECT_EQ(null.Type(0), 0);
    EXPECT_EQ(null.VectorLength(), 0);
    EXPECT_EQ(null.TypeName(), "");
}

// Components A, B and the non-conventional COAL; a class with a plain MIXED substream, a
// CISOLID substream with a PSD and an NC substream whose PSD is its second attribute.
class HostClassTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddComponent({.id = "A", .molecularWeight = 10.0});
        host.AddComponent({.id = "B", .molecularWeight = 20.0});
        host.AddNonconventionalComponent("COAL");
        host::Attribute analysis;
        analysis.name = "PROXANAL";
        analysis.valueCount = 3;
        streamClass = host.AddStreamClass(
            "MIXCINC", {{"MIXED", 1, {}},
                        {"CISOLID", 2, {host::Psd({0.0, 1e-6, 1e-5, 1e-4})}},
                        {"NC", 3, {analysis, host::Psd({0.0, 1e-5, 1e-4, 1e-3, 1e-2})}}});
        SETUPCPLEX();
    }

    host::SubstituteHost host;
    int64_t streamClass = 0;
};

TEST_F(HostClassTest, BuiltClassReadsItsLayout) {
    const StreamClassView view(host.IntegerRecord(streamClass));
    ASSERT_EQ(view.SubstreamCount(), 3);
    // Lengths: n flows + 9 state words + attribute values; offsets add up the lengths.
    const int64_t lengths[] = {2 + 9, 2 + 9 + 3, 1 + 9 + 3 + 4};
    const int64_t offsets[] = {0, 11, 25};
    const int64_t components[] = {2, 2, 1};
    const char* ids[] = {"MIXED", "CISOLID", "NC"};
    for (int64_t k = 0; k < 3; ++k) {
        EXPECT_EQ(view.Type(k), k + 1);
        EXPECT_EQ(view.Length(k), lengths[k]) << k;
        EXPECT_EQ(view.Offset(k), offsets[k]) << k;
        EXPECT_EQ(view.ComponentCount(k), components[k]) << k;
        EXPECT_EQ(view.Id(k), ids[k]);
        ASSERT_NE(view.SubstreamClass(k), nullptr) << k;
        EXPECT_EQ(view.HasPsd(k), k > 0) << k;  // found in any attribute slot
    }
    EXPECT_EQ(view.VectorLength(), 42);
    EXPECT_EQ(view.TypeName(), "MIXC");

    const int64_t stream = host.AddStream(streamClass);
    EXPECT_EQ(StreamClassOfStream(stream), host.IntegerRecord(streamClass));
    EXPECT_EQ(view.Offset(2), host.SubstreamOffset(stream, 2));
    EXPECT_EQ(StreamClassOfStream(999), nullptr);

    const int64_t* ncClass = view.SubstreamClass(2);
    const int64_t* analysis = host.IntegerRecord(ncClass[records::kSubstreamClassFirstSlot]);
    const int64_t* psd =
        host.IntegerRecord(ncClass[records::kSubstreamClassFirstSlot + records::kSlotWords]);
    EXPECT_FALSE(IsPsdAttribute(analysis));
    EXPECT_TRUE(IsPsdAttribute(psd));
    EXPECT_FALSE(IsPsdAttribute(nullptr));
}

TEST_F(HostClassTest, InformationClassesHaveNoSubstreams) {
    const StreamClassView heat(host.IntegerRecord(host.AddInformationStreamClass("HEAT")));
    EXPECT_TRUE(heat.IsInformation());
    EXPECT_EQ(heat.TypeName(), "HEAT");
    EXPECT_EQ(heat.SubstreamCount(), 0);
    EXPECT_FALSE(heat.HasPsd(0));
}

}  // namespace
}  // namespace brixel
