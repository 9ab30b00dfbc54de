// Procedural plex, component and global-word accessors.
#include "brixel/exports/plex_exports.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "host/substitute_host.h"

namespace {

namespace host = brixel::host;
namespace records = brixel::records;

constexpr double kMissing = host::kRealMissing;

// What a text accessor writes into a buffer of N - 1 characters pre-filled with '#'.
template <std::size_t N, typename Call>
std::string Written(Call call) {
    std::array<char, N> buffer;
    buffer.fill('#');
    call(buffer.data());
    return std::string(buffer.data());
}

// WATER, HEXANE (with DHFORM), SIO2, LONGCAS (a CAS number of the full 16 characters), the
// non-conventional COAL and ASH, and a class MIXED / CISOLID / NC: substream lengths 4 + 9,
// 4 + 9, 2 + 9.
class PlexExportsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddComponent({"WATER", 18.015, 373.15, "H2O", "7732-18-5"});
        host.AddComponent({"HEXANE",
                           86.18,
                           341.88,
                           "CH3(CH2)4CH3",
                           "110-54-3",
                           false,
                           {{"DHFORM", {-1.6694e8}}}});
        host.AddComponent({"SIO2", 60.08, 2503.0, "SIO2", "7631-86-9", true});
        host.AddComponent({"LONGCAS", 1.0, 0.0, "", "1234567890-12-34"});
        host.AddNonconventionalComponent("COAL");
        host.AddNonconventionalComponent("ASH");
        streamClass =
            host.AddStreamClass("MIXCINC", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}, {"NC", 3, {}}});
        stream = host.AddStream(streamClass);
        SETUPCPLEX();
    }

    host::SubstituteHost host;
    int64_t streamClass = 0;
    int64_t stream = 0;
};

TEST_F(PlexExportsTest, AddressesAndPositionsRoundTrip) {
    EXPECT_EQ(iplex_ptr(1), host.IntegerView());
    EXPECT_EQ(rplex_ptr(40), host.RealView() + 39);
    EXPECT_EQ(ptrToIPlex(iplex_ptr(123)), 123);
    EXPECT_EQ(ptrToRPlex(rplex_ptr(456)), 456);
    EXPECT_EQ(iplex_ptr(0), nullptr);
    EXPECT_EQ(rplex_ptr(static_cast<int64_t>(host.Capacity()) + 1), nullptr);
    EXPECT_EQ(ptrToIPlex(nullptr), 0);
    EXPECT_EQ(iplex_bead(999), nullptr);
    EXPECT_EQ(rplex_bead(streamClass), nullptr);

    int64_t* integerRecord = nullptr;
    double* realRecord = nullptr;
    mplex_bead(stream, &integerRecord, &realRecord);
    EXPECT_EQ(integerRecord, host.IntegerRecord(stream));
    EXPECT_EQ(realRecord, host.StreamVector(stream));
    mplex_bead(streamClass, &integerRecord, &realRecord);
    EXPECT_EQ(integerRecord, host.IntegerRecord(streamClass));
    EXPECT_EQ(realRecord, nullptr);
    mplex_bead(999, &integerRecord, &realRecord);
    EXPECT_EQ(integerRecord, nullptr);
    mplex_bead(stream, nullptr, nullptr);  // no outputs wanted: nothing written

    C_SETUP_PLEX(nullptr, nullptr);
    EXPECT_EQ(iplex_ptr(1), nullptr);
    EXPECT_EQ(iplex_bead(stream), nullptr);
    EXPECT_EQ(Written<9>([](char* out) { componentId(0, out); }), "");
    const int64_t first = 0;
    EXPECT_EQ(COMPMW(&first), kMissing);
}

TEST_F(PlexExportsTest, ComponentTexts) {
    struct Case {
        int64_t index;
        const char* id;
        const char* formula;
        const char* cas;
    };
    const Case cases[] = {{0, "WATER", "H2O", "7732-18-5"},
                          {1, "HEXANE", "CH3(CH2)4CH3", "110-54-3"},
                          {2, "SIO2", "SIO2", "7631-86-9"},
                          {3, "LONGCAS", "", "1234567890-12-34"},
                          {-1, "", "", ""},
                          {4, "", "", ""},
                          {INT64_MAX, "", "", ""}};
    for (const Case& c : cases) {
        const int64_t i = c.index;
        EXPECT_EQ(Written<9>([i](char* out) { componentId(i, out); }), c.id) << i;
        EXPECT_EQ(Written<13>([i](char* out) { componentFormula(i, out); }), c.formula) << i;
        EXPECT_EQ(Written<17>([i](char* out) { componentCASN(i, out); }), c.cas) << i;
    }
    EXPECT_EQ(Written<9>([](char* out) { componentIdNC(0, out); }), "COAL");
    EXPECT_EQ(Written<9>([](char* out) { componentIdNC(1, out); }), "ASH");
    EXPECT_EQ(Written<9>([](char* out) { componentIdNC(2, out); }), "");
    componentId(0, nullptr);  // nothing to write into
}

TEST_F(PlexExportsTest, ComponentParameters) {
    struct Case {
        const char* name;
        const char* id;
        double expected;
    };
    const Case cases[] = {
        {"MW", "WATER", 18.015},       {"TB", "SIO2", 2503.0},
        {"TB", "HEXANE", 341.88},      {"DHFORM", "HEXANE", -1.6694e8},
        {"DHFORM", "WATER", kMissing}, {"NOSUCH", "WATER", kMissing},
        {"MW", "ETHANOL", kMissing},   {"MW", "COAL", kMissing},  // not conventional
        {"MW", "HEXANEXYZ", kMissing},                            // would be cut to HEXANEXY
        {"MW", "", kMissing},          {nullptr, "WATER", kMissing},
        {"MW", nullptr, kMissing},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(componentProperty(c.name, c.id), c.expected)
            << (c.name ? c.name : "null") << " " << (c.id ? c.id : "null");
    }
    const double weights[] = {kMissing, 18.015, 86.18, 60.08, 1.0, kMissing};
    for (int64_t i = -1; i <= 4; ++i) {
        EXPECT_EQ(COMPMW(&i), weights[i + 1]) << i;
    }
    EXPECT_EQ(COMPMW(nullptr), kMissing);
}

TEST(Hol2s, TrailingBlanksGoAndBadArgumentsWriteAnEmptyText) {
    const std::vector<int64_t> text = host::PackText("AB CD   ", 8);
    const std::vector<int64_t> blanks = host::PackText("        ", 8);
    const std::vector<int64_t> letters = host::PackText("ABCDEFGH", 8);
    EXPECT_EQ(Written<9>([&](char* out) { hol2s(text.data(), out, 8); }), "AB CD");
    EXPECT_EQ(Written<9>([&](char* out) { hol2s(text.data(), out, 0); }), "");
    EXPECT_EQ(Written<9>([&](char* out) { hol2s(text.data(), out, -3); }), "");
    EXPECT_EQ(Written<9>([&](char* out) { hol2s(nullptr, out, 8); }), "");
    EXPECT_EQ(Written<9>([&](char* out) { hol2s(blanks.data(), out, 8); }), "");
    // n not a multiple of 4, into a buffer of exactly n + 1 bytes.
    EXPECT_EQ(Written<7>([&](char* out) { hol2s(letters.data(), out, 6); }), "ABCDEF");
    hol2s(letters.data(), nullptr, 6);
}

TEST_F(PlexExportsTest, HistoryLinesAreCutAt80Characters) {
    WriteHistory(CString("Moisture check"));
    WriteHistory(CString(std::string(79, 'x') + "yz"));
    WriteHistory(CString(""));
    EXPECT_EQ(host.HistoryLines(),
              (std::vector<std::string>{"Moisture check", std::string(79, 'x') + "y", ""}));
}

TEST_F(PlexExportsTest, GlobalWords) {
    EXPECT_EQ(GETRMISS(), 1e35);
    EXPECT_EQ(GETRMIN(), 1e-35);
    EXPECT_EQ(GETIMISS(), -2147483647);
    HostRealGlobals()[records::kRealGlobalMissing] = 1e30;
    EXPECT_EQ(GETRMISS(), 1e30);  // the host's current value, not a copy

    int64_t count = -1;
    GETNCOMPNCC(&count);
    EXPECT_EQ(count, 4);
    GETNCOMPNNCC(&count);
    EXPECT_EQ(count, 2);
    GETNCOMPNCC(nullptr);

    EXPECT_EQ(FERF(nullptr), 1e30);
    const double half = 0.5;
    EXPECT_NEAR(FERF(&half), 0.5204998778130465, 1e-15);  // tabulated erf(0.5)
    const double minusTwo = -2.0;
    EXPECT_NEAR(FERF(&minusTwo), -0.9953222650189527, 1e-15);

    EXPECT_NE(GetDefaultDescriptor(), nullptr);
    EXPECT_EQ(GetDefaultDescriptor(), host.IntegerRecord(host.IntegerRecord(
                                          records::kDescriptorBead)[records::kDescriptorDefault]));

    double* reals = HostRealGlobals();
    reals[12] = 900.0;  // upper temperature
    reals[13] = 250.0;  // lower temperature
    reals[14] = 5e6;    // upper pressure
    reals[15] = 1e4;    // lower pressure
    double limits[4] = {};
    GETFLASHLIMITS(&limits[0], &limits[1], &limits[2], &limits[3]);
    EXPECT_EQ(std::vector<double>(limits, limits + 4),
              (std::vector<double>{250.0, 900.0, 1e4, 5e6}));
    GETFLASHLIMITS(nullptr, &limits[1], nullptr, nullptr);
    EXPECT_EQ(limits[1], 900.0);
}

// The moisture entry lives in a plex word the test owns (word 3 of the default descriptor
// record), reached as IB(position + moisture offset).
class MoistureTest : public PlexExportsTest {
  protected:
    void SetUp() override {
        PlexExportsTest::SetUp();
        int64_t* descriptor = GetDefaultDescriptor();
        ASSERT_NE(descriptor, nullptr);
        entry = descriptor + 3;
        position = ptrToIPlex(entry) - kMoistureOffset;
    }

    int64_t Moistoff(int64_t substream) {
        int64_t result = 12345;
        MOISTOFF(&stream, &substream, &position, &result);
        return result;
    }

    static constexpr int64_t kMoistureOffset = 5;
    int64_t* entry = nullptr;
    int64_t position = 0;
};

TEST_F(MoistureTest, SlotOfAnNcSubstream) {
    *entry = 2;
    EXPECT_EQ(Moistoff(3), -1);  // no moisture offset in the host yet
    HostOffsetCommon()[records::kOffsetMoisture] = kMoistureOffset;
    // NNCC 2 + entry 2 + NC substream offset (13 + 13) + 9.
    EXPECT_EQ(Moistoff(3), 2 + 2 + 26 + 9);
    EXPECT_EQ(Moistoff(1), -1);  // MIXED
    EXPECT_EQ(Moistoff(2), -1);  // CISOLID
    *entry = 0;
    EXPECT_EQ(Moistoff(3), 2 + 0 + 26 + 9);
    *entry = -1;
    EXPECT_EQ(Moistoff(3), -1);
    EXPECT_TRUE(host.HistoryLines().empty());
}

TEST_F(MoistureTest, SubstreamOutsideTheStreamIsReported) {
    HostOffsetCommon()[records::kOffsetMoisture] = kMoistureOffset;
    *entry = 2;
    EXPECT_EQ(Moistoff(4), -1);
    EXPECT_EQ(Moistoff(0), -1);
    EXPECT_EQ(Moistoff(-7), -1);
    EXPECT_EQ(host.HistoryLines(),
              (std::vector<std::string>{"PROGRAMMING ERROR CALLING MOISTOFF - ISUB=4",
                                        "PROGRAMMING ERROR CALLING MOISTOFF - ISUB=0",
                                        "PROGRAMMING ERROR CALLING MOISTOFF - ISUB=-7"}));

    // An unknown stream or a missing argument is not the caller's substream number at fault.
    int64_t unknown = 999;
    int64_t substream = 3;
    int64_t result = 0;
    MOISTOFF(&unknown, &substream, &position, &result);
    EXPECT_EQ(result, -1);
    MOISTOFF(&stream, nullptr, &position, &result);
    EXPECT_EQ(result, -1);
    MOISTOFF(&stream, &substream, &position, nullptr);
    EXPECT_EQ(host.HistoryLines().size(), 3u);
}

}  // namespace
