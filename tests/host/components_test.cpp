#include <cmath>

#include "brixel/framework/records.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace rec = brixel::records;

int64_t DataOffset(const std::string& name) {
    return HostComponentDataOffset(Packed(name, 8).data());
}

TEST_F(ProcessTest, IdTablesHoldEachIdInTwoWords) {
    const int64_t* counts = HostComponentCounts();
    EXPECT_EQ(counts[rec::kCountConventional], 2);
    EXPECT_EQ(counts[rec::kCountNonconventional], 1);
    const int64_t conventional = HostPropertyTable()[rec::kPropertyTableConventionalIds];
    const int64_t nc = HostPropertyTable()[rec::kPropertyTableNonconventionalIds];
    const int64_t* base = HostPlex(nullptr);
    // Component i (from 0) at offset + 1 + 2i and offset + 2 + 2i.
    EXPECT_EQ(Text(base + conventional + 2 * 0, 8), "WATER");
    EXPECT_EQ(Text(base + conventional + 2 * 1, 8), "SIO2");
    EXPECT_EQ(IB(conventional + 3), Packed("SIO2", 4)[0]);
    EXPECT_EQ(IB(conventional + 4), Packed("    ", 4)[0]);
    EXPECT_EQ(Text(base + nc, 8), "COAL");
}

TEST_F(ProcessTest, ParameterOffsetsPutComponentKAtOffsetPlusK) {
    const int64_t mw = DataOffset("MW");
    ASSERT_GT(mw, 0);
    EXPECT_EQ(B(mw + water), 18.0);
    EXPECT_EQ(B(mw + silica), 60.0);
    const int64_t tb = DataOffset("TB");
    EXPECT_EQ(B(tb + water), 373.15);
    EXPECT_EQ(B(tb + silica), 2503.0);
    const int64_t formula = DataOffset("FRMULA");
    const int64_t* base = HostPlex(nullptr);
    EXPECT_EQ(Text(base + formula + 3 * (silica - 1), 12), "SIO2");
    EXPECT_EQ(Text(base + formula + 3 * (water - 1), 12), "H2O");
    // Names compare exactly, trailing blanks aside.
    EXPECT_EQ(DataOffset("mw"), 0);
    EXPECT_EQ(DataOffset("XYZ"), 0);
    EXPECT_EQ(HostComponentDataOffset(nullptr), 0);
    const int64_t nameWithBlanks[] = {Packed("MW  ", 4)[0], Packed("    ", 4)[0]};
    EXPECT_EQ(HostComponentDataOffset(nameWithBlanks), mw);
}

TEST_F(HostTest, FurtherParametersGetTheirOwnBlocksWithMissingForAbsentValues) {
    Component water{"WATER", 18.0, 373.15, "H2O", "7732-18-5", false, {}};
    water.parameters["PC"] = {220.64e5};
    water.parameters["CPIG"] = {33.7, 0.5};
    Component nitrogen{"N2", 28.0, 77.3, "N2", "7727-37-9", false, {}};
    nitrogen.parameters["CPIG"] = {29.1};
    host->AddComponent(water);
    host->AddComponent(nitrogen);
    host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    const int64_t pc = DataOffset("PC");
    EXPECT_EQ(B(pc + 1), 220.64e5);
    EXPECT_EQ(B(pc + 2), 1e35);
    const int64_t cpig = DataOffset("CPIG");  // 2 words per component
    EXPECT_EQ(B(cpig + 1), 33.7);
    EXPECT_EQ(B(cpig + 2), 0.5);
    EXPECT_EQ(B(cpig + 3), 29.1);
    EXPECT_EQ(B(cpig + 4), 1e35);
}

TEST_F(ProcessTest, IdLookupsAreExactAndOneBased) {
    EXPECT_EQ(HostComponentIndexFromId(Packed("WATER", 8).data()), water);
    EXPECT_EQ(HostComponentIndexFromId(Packed("SIO2", 8).data()), silica);
    EXPECT_EQ(HostComponentIndexFromId(Packed("water", 8).data()), 0);
    EXPECT_EQ(HostComponentIndexFromId(Packed("COAL", 8).data()), 0);  // NC: not conventional
    EXPECT_EQ(HostComponentIndexFromId(nullptr), 0);
}

TEST_F(ProcessTest, CasNumbersInBothDirections) {
    int64_t cas[4] = {};
    const int64_t two = 2;
    EXPECT_EQ(HostComponentIndexFromCas(&two, cas), 2);
    EXPECT_EQ(Text(cas, 16), "7631-86-9");
    EXPECT_EQ(cas[3], Packed("    ", 4)[0]);

    const int64_t zero = 0;
    auto water = Packed("7732-18-5", 16);
    EXPECT_EQ(HostComponentIndexFromCas(&zero, water.data()), 1);
    auto unknown = Packed("64-17-5", 16);
    EXPECT_EQ(HostComponentIndexFromCas(&zero, unknown.data()), 0);
    auto blank = Packed("", 16);
    EXPECT_EQ(HostComponentIndexFromCas(&zero, blank.data()), 0);

    int64_t untouched[4] = {5, 5, 5, 5};
    const int64_t three = 3, negative = -1;
    EXPECT_EQ(HostComponentIndexFromCas(&three, untouched), 0);
    EXPECT_EQ(HostComponentIndexFromCas(&negative, untouched), 0);
    EXPECT_EQ(untouched[0], 5);
    EXPECT_EQ(HostComponentIndexFromCas(&two, nullptr), 0);
}

TEST_F(ProcessTest, SolidListAndNonconventionalIndexBlock) {
    int64_t location = 0, count = 0;
    HostConvSolidComponents(&location, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(IB(location), silica);
    const int64_t idx = HostCommonDataOffset(Packed("IDXNCC", 8).data());
    ASSERT_GT(idx, 0);
    EXPECT_EQ(IB(idx + 1), 1);
    EXPECT_EQ(HostCommonDataOffset(Packed("NOBLOCK", 8).data()), 0);
}

TEST_F(HostTest, ComponentTablesAreUnknownUntilTheFirstStreamClass) {
    host->AddComponent({"WATER", 18.0, 373.15, "H2O", "7732-18-5", true, {}});
    EXPECT_EQ(DataOffset("MW"), 0);
    int64_t location = 9, count = 9;
    HostConvSolidComponents(&location, &count);
    EXPECT_EQ(count, 0);
    // The ID lookups work from the start; the CAS number comes from the component itself.
    EXPECT_EQ(HostComponentIndexFromId(Packed("WATER", 8).data()), 1);
    int64_t cas[4] = {};
    const int64_t one = 1;
    EXPECT_EQ(HostComponentIndexFromCas(&one, cas), 1);
    EXPECT_EQ(Text(cas, 16), "7732-18-5");
}

TEST_F(HostTest, ComponentInputIsValidatedAndFrozenByTheFirstClass) {
    EXPECT_THROW(host->AddComponent({"", 18.0, 0, "", "", false, {}}), std::invalid_argument);
    EXPECT_THROW(host->AddComponent({"NINECHARS", 18.0, 0, "", "", false, {}}),
                 std::invalid_argument);
    EXPECT_THROW(host->AddComponent({"A", 0.0, 0, "", "", false, {}}), std::invalid_argument);
    EXPECT_THROW(host->AddComponent({"A", std::nan(""), 0, "", "", false, {}}),
                 std::invalid_argument);
    EXPECT_THROW(host->AddComponent({"A", 1.0, 0, "THIRTEENCHARS", "", false, {}}),
                 std::invalid_argument);
    EXPECT_THROW(host->AddComponent({"A", 1.0, 0, "", "", false, {{"MW", {2.0}}}}),
                 std::invalid_argument);
    EXPECT_EQ(host->ConventionalCount(), 0);
    EXPECT_EQ(host->AddComponent({"A", 1.0, 0, "", "", false, {}}), 1);
    EXPECT_THROW(host->AddComponent({"A", 1.0, 0, "", "", false, {}}), std::invalid_argument);
    EXPECT_EQ(host->AddNonconventionalComponent("ASH"), 1);
    EXPECT_THROW(host->AddNonconventionalComponent("ASH"), std::invalid_argument);
    host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    EXPECT_THROW(host->AddComponent({"B", 1.0, 0, "", "", false, {}}), std::logic_error);
    EXPECT_THROW(host->AddNonconventionalComponent("ASH2"), std::logic_error);
    EXPECT_EQ(host->ConventionalCount(), 1);
    EXPECT_EQ(host->NonconventionalCount(), 1);
}

}  // namespace
}  // namespace brixel::host::testing
