// Stream-record accessors of the unit base.
#include <cstdint>
#include <limits>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "support/unit_fixture.h"

namespace brixel::testing {
namespace {

using StreamRecordTest = UnitTest;

TEST_F(StreamRecordTest, SubstreamEntriesOfTheBuiltClass) {
    TestUnit unit;
    const int64_t* cls = host.IntegerRecord(streamClass);
    ASSERT_EQ(unit.GetNSubs(cls), 2);
    // 3 component flows + 9 state words, then the 3 PSD fractions of the CISOLID substream.
    const char* ids[] = {"MIXED", "CISOLID", ""};
    const int types[] = {1, 2, 0}, lengths[] = {12, 15, 0}, offsets[] = {0, 12, 0};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(unit.GetSubstreamID(cls, k), ids[k]);
        EXPECT_EQ(unit.GetIsstype(cls, k), types[k]) << k;
        EXPECT_EQ(unit.GetSubLength(cls, k), lengths[k]) << k;
        EXPECT_EQ(unit.GetlSuboff(cls, k), offsets[k]) << k;
        EXPECT_EQ(unit.HasPSD(cls, k), k == 1) << k;
    }
    const int64_t* solidClass = unit.GetLsscl(cls, 1);
    ASSERT_NE(solidClass, nullptr);
    EXPECT_TRUE(unit.IsPSD(plex::IntRecord(solidClass[records::kSubstreamClassFirstSlot])));
    EXPECT_FALSE(unit.IsPSD(solidClass));
    EXPECT_FALSE(unit.IsPSD(nullptr));
    EXPECT_EQ(unit.GetLsscl(cls, -1), nullptr);
    EXPECT_EQ(unit.GetNSubs(nullptr), 0);
}

TEST_F(StreamRecordTest, StreamInformationOfAPortOrABead) {
    TestUnit unit;
    const int64_t in = FeedStream();
    const int64_t out = NewStream();
    Bind(unit, {in}, {out});

    int port = 1;
    int64_t* cls = nullptr;
    double* vector = nullptr;
    int ncc = -1;
    int nncc = -1;
    unit.GetQuarnStreamInformation(port, cls, vector, ncc, nncc);
    EXPECT_EQ(port, out);
    EXPECT_EQ(cls, host.IntegerRecord(streamClass));
    EXPECT_EQ(vector, host.StreamVector(out));
    EXPECT_EQ(ncc, 3);
    EXPECT_EQ(nncc, 0);

    int bead = static_cast<int>(in);
    unit.GetQuarnStreamInformation(bead, cls, vector, ncc, nncc);
    EXPECT_EQ(bead, in);
    EXPECT_EQ(vector, host.StreamVector(in));
}

TEST_F(StreamRecordTest, InformationStreamsByClassType) {
    TestUnit unit;
    const int64_t heatClass = host.AddInformationStreamClass("HEAT");
    const int64_t heat = host.AddStream(heatClass);
    const int64_t work = host.AddStream(host.AddInformationStreamClass("WORK"));
    const int64_t material = NewStream();

    double* vector = nullptr;
    EXPECT_EQ(unit.IsInfoStream(static_cast<int>(heat), vector), 1);
    EXPECT_EQ(vector, host.StreamVector(heat));
    EXPECT_EQ(unit.IsInfoStream(static_cast<int>(work), vector), 2);
    EXPECT_EQ(vector, host.StreamVector(work));
    EXPECT_EQ(unit.IsInfoStream(static_cast<int>(material), vector), 0);
    EXPECT_EQ(vector, host.StreamVector(material));

    // The type alone does not make an information stream: class word 7 must be 1 or more.
    host.IntegerRecord(heatClass)[records::kClassInformation] = 0;
    EXPECT_EQ(unit.IsInfoStream(static_cast<int>(heat), vector), 0);

    EXPECT_EQ(unit.IsInfoStream(999, vector), 0);
    EXPECT_EQ(vector, nullptr);
}

TEST(Copy2ForInt, WidensEveryValue) {
    const int32_t values[] = {1, -2, std::numeric_limits<int32_t>::max(),
                              std::numeric_limits<int32_t>::min()};
    const auto copies = CBrixelBaseUnit::Copy2ForInt(4, values);
    ASSERT_NE(copies, nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(copies[i], static_cast<int64_t>(values[i]));
    }
    EXPECT_EQ(CBrixelBaseUnit::Copy2ForInt(0, values), nullptr);
    EXPECT_EQ(CBrixelBaseUnit::Copy2ForInt(-1, values), nullptr);
    EXPECT_EQ(CBrixelBaseUnit::Copy2ForInt(2, nullptr), nullptr);
}

}  // namespace
}  // namespace brixel::testing
