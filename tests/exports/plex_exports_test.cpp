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

template <std::size_t N>
std::string Text(const std::array<char, N>& buffer) {
    return std::string(buffer.data());
}

host::Component MakeComponent(const std::string& id, double molecularWeight, double boilingPoint,
                              const std::string& formula, const std::string& cas) {
    host::Component component;
    component.id = id;
    component.molecularWeight = molecularWeight;
    component.boilingPoint = boilingPoint;
    component.formula = formula;
    component.cas = cas;
    return component;
}

// Four conventional components (HEXANE carries an extra parameter, LONGCAS a CAS number of the
// full 16 characters), two non-conventional ones, and a class MIXED / CISOLID / NC without
// attributes: substream lengths 4 + 9, 4 + 9, 2 + 9.
class PlexExportsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.AddComponent(MakeComponent("WATER", 18.015, 373.15, "H2O", "7732-18-5"));
        host::Component hexane = MakeComponent("HEXANE", 86.18, 341.88, "CH3(CH2)4CH3", "110-54-3");
        hexane.parameters["DHFORM"] = {-1.6694e8};
        host.AddComponent(hexane);
        host::Component silica = MakeComponent("SIO2", 60.08, 2503.0, "SIO2", "7631-86-9");
        silica.conventionalSolid = true;
        host.AddComponent(silica);
        host.AddComponent(MakeComponent("LONGCAS", 1.0, 0.0, "", "1234567890-12-34"));
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

    EXPECT_EQ(iplex_bead(stream), host.IntegerRecord(stream));
    EXPECT_EQ(rplex_bead(stream), host.StreamVector(stream));
    EXPECT_EQ(ptrToIPlex(iplex_bead(stream)), host.IntegerRecordPosition(stream));
    EXPECT_EQ(ptrToRPlex(rplex_bead(stream)), host.RealRecordPosition(stream));
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
    EXPECT_EQ(realRecord, nullptr);
    mplex_bead(stream, nullptr, nullptr);  // no outputs wanted: nothing written

    EXPECT_EQ(iplex_bead(999), nullptr);
    EXPECT_EQ(rplex_bead(streamClass), nullptr);
}

TEST_F(PlexExportsTest, SetupWithGivenBases) {
    C_SETUP_PLEX(host.IntegerView(), host.RealView());
    EXPECT_EQ(iplex_bead(stream), host.IntegerRecord(stream));
    EXPECT_EQ(iplex_ptr(static_cast<int64_t>(host.Capacity()) + 1), nullptr);

    C_SETUP_PLEX(nullptr, nullptr);
    EXPECT_EQ(iplex_ptr(1), nullptr);
    EXPECT_EQ(iplex_bead(stream), nullptr);
    std::array<char, 9> id;
    id.fill('#');
    componentId(0, id.data());
    EXPECT_EQ(Text(id), "");
    const int64_t first = 0;
    EXPECT_EQ(COMPMW(&first), kMissing);
}

TEST_F(PlexExportsTest, ComponentIds) {
    std::array<char, 9> id;
    const char* expected[] = {"WATER", "HEXANE", "SIO2", "LONGCAS"};
    for (int64_t i = 0; i < 4; ++i) {
        id.fill('#');
        componentId(i, id.data());
        EXPECT_EQ(Text(id), expected[i]);
    }
    id.fill('#');
    componentIdNC(0, id.data());
    EXPECT_EQ(Text(id), "COAL");
    componentIdNC(1, id.data());
    EXPECT_EQ(Text(id), "ASH");
    for (const int64_t bad : {int64_t{-1}, int64_t{4}, INT64_MAX}) {
        id.fill('#');
        componentId(bad, id.data());
        EXPECT_EQ(Text(id), "") << bad;
    }
    id.fill('#');
    componentIdNC(2, id.data());
    EXPECT_EQ(Text(id), "");
    componentId(0, nullptr);  // nothing to write into
}

TEST_F(PlexExportsTest, FormulaAndCasNumbersAtFullWidth) {
    std::array<char, 13> formula;
    formula.fill('#');
    componentFormula(0, formula.data());
    EXPECT_EQ(Text(formula), "H2O");
    componentFormula(1, formula.data());
    EXPECT_EQ(Text(formula), "CH3(CH2)4CH3");
    componentFormula(3, formula.data());
    EXPECT_EQ(Text(formula), "");  // defined without a formula
    formula.fill('#');
    componentFormula(4, formula.data());
    EXPECT_EQ(Text(formula), "");

    std::array<char, 17> cas;
    cas.fill('#');
    componentCASN(0, cas.data());
    EXPECT_EQ(Text(cas), "7732-18-5");
    componentCASN(2, cas.data());
    EXPECT_EQ(Text(cas), "7631-86-9");
    componentCASN(3, cas.data());
    EXPECT_EQ(Text(cas), "1234567890-12-34");
    cas.fill('#');
    componentCASN(-1, cas.data());
    EXPECT_EQ(Text(cas), "");
    cas.fill('#');
    componentCASN(4, cas.data());
    EXPECT_EQ(Text(cas), "");
}

TEST_F(PlexExportsTest, ComponentParameters) {
    EXPECT_EQ(componentProperty("MW", "WATER"), 18.015);
    EXPECT_EQ(componentProperty("TB", "SIO2"), 2503.0);
    EXPECT_EQ(componentProperty("TB", "HEXANE"), 341.88);
    EXPECT_EQ(componentProperty("DHFORM", "HEXANE"), -1.6694e8);
    EXPECT_EQ(componentProperty("DHFORM", "WATER"), kMissing);  // not given for water
    EXPECT_EQ(componentProperty("NOSUCH", "WATER"), kMissing);
    EXPECT_EQ(componentProperty("MW", "ETHANOL"), kMissing);
    EXPECT_EQ(componentProperty("MW", "COAL"), kMissing);       // not a conventional component
    EXPECT_EQ(componentProperty("MW", "HEXANEXYZ"), kMissing);  // would be cut to HEXANEXY
    EXPECT_EQ(componentProperty("MW", ""), kMissing);
    EXPECT_EQ(componentProperty(nullptr, "WATER"), kMissing);
    EXPECT_EQ(componentProperty("MW", nullptr), kMissing);

    const int64_t indices[] = {0, 1, 2, 3};
    const double weights[] = {18.015, 86.18, 60.08, 1.0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(COMPMW(&indices[i]), weights[i]) << i;
    }
    const int64_t outside[] = {-1, 4};
    EXPECT_EQ(COMPMW(&outside[0]), kMissing);
    EXPECT_EQ(COMPMW(&outside[1]), kMissing);
    EXPECT_EQ(COMPMW(nullptr), kMissing);
}

TEST(Hol2s, EdgeCases) {
    const std::vector<int64_t> text = host::PackText("AB CD   ", 8);
    std::array<char, 9> buffer;
    buffer.fill('#');
    hol2s(text.data(), buffer.data(), 8);
    EXPECT_EQ(Text(buffer), "AB CD");  // trailing blanks go, inner ones stay
    buffer.fill('#');
    hol2s(text.data(), buffer.data(), 0);
    EXPECT_EQ(Text(buffer), "");
    buffer.fill('#');
    hol2s(text.data(), buffer.data(), -3);
    EXPECT_EQ(Text(buffer), "");
    buffer.fill('#');
    hol2s(nullptr, buffer.data(), 8);
    EXPECT_EQ(Text(buffer), "");

    const std::vector<int64_t> blanks = host::PackText("        ", 8);
    buffer.fill('#');
    hol2s(blanks.data(), buffer.data(), 8);
    EXPECT_EQ(Text(buffer), "");

    // n not a multiple of 4, into a buffer of exactly n + 1 bytes.
    const std::vector<int64_t> letters = host::PackText("ABCDEFGH", 8);
    std::array<char, 7> six;
    six.fill('#');
    hol2s(letters.data(), six.data(), 6);
    EXPECT_EQ(Text(six), "ABCDEF");
    hol2s(letters.data(), nullptr, 6);
}

TEST_F(PlexExportsTest, HistoryLinesAreCutAt80Characters) {
    WriteHistory(CString("Moisture check"));
    const std::string longText = std::string(79, 'x') + "yz";
    WriteHistory(CString(longText));
    WriteHistory(CString(""));
    const auto& lines = host.HistoryLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Moisture check");
    EXPECT_EQ(lines[1], std::string(79, 'x') + "y");
    EXPECT_EQ(lines[2], "");
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

    EXPECT_EQ(GetDefaultDescriptor(), host.IntegerRecord(host.IntegerRecord(
                                          records::kDescriptorBead)[records::kDescriptorDefault]));
    EXPECT_NE(GetDefaultDescriptor(), nullptr);
}

TEST_F(PlexExportsTest, FlashLimitsInTheirArgumentOrder) {
    double* reals = HostRealGlobals();
    reals[12] = 900.0;  // upper temperature
    reals[13] = 250.0;  // lower temperature
    reals[14] = 5e6;    // upper pressure
    reals[15] = 1e4;    // lower pressure
    double tMin = 0, tMax = 0, pMin = 0, pMax = 0;
    GETFLASHLIMITS(&tMin, &tMax, &pMin, &pMax);
    EXPECT_EQ(tMin, 250.0);
    EXPECT_EQ(tMax, 900.0);
    EXPECT_EQ(pMin, 1e4);
    EXPECT_EQ(pMax, 5e6);

    host.SetFlashLimits(200.0, 800.0, 2e3, 4e6);
    GETFLASHLIMITS(&tMin, &tMax, &pMin, &pMax);
    EXPECT_EQ(tMin, 200.0);
    EXPECT_EQ(tMax, 800.0);
    EXPECT_EQ(pMin, 2e3);
    EXPECT_EQ(pMax, 4e6);
    GETFLASHLIMITS(nullptr, &tMax, nullptr, nullptr);
    EXPECT_EQ(tMax, 800.0);
}

// Moisture data: the entry lives in a plex word the test owns (word 3 of the default
// descriptor record), reached as IB(position + moisture offset).
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

TEST_F(MoistureTest, NoMoistureDataGivesMinusOne) {
    *entry = 2;
    EXPECT_EQ(Moistoff(3), -1);
    EXPECT_TRUE(host.HistoryLines().empty());
}

TEST_F(MoistureTest, SlotOfAnNcSubstream) {
    HostOffsetCommon()[records::kOffsetMoisture] = kMoistureOffset;
    *entry = 2;
    // NNCC 2 + entry 2 + NC substream offset (13 + 13) + 9.
    EXPECT_EQ(Moistoff(3), 2 + 2 + 26 + 9);
    *entry = 0;
    EXPECT_EQ(Moistoff(3), 2 + 0 + 26 + 9);
    *entry = -1;
    EXPECT_EQ(Moistoff(3), -1);
    *entry = 2;
    EXPECT_EQ(Moistoff(1), -1);  // MIXED
    EXPECT_EQ(Moistoff(2), -1);  // CISOLID
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
