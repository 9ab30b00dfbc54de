#include <cmath>

#include "brixel/framework/records.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace rec = brixel::records;

int64_t DataOffset(const std::string& name) {
    return HostComponentDataOffset(PackText(name, 8).data());
}

// Values and texts per component are read back through the library's exports in its own tests.
TEST_F(ProcessTest, IdTablesAndParameterBlocksAsTheLibraryReadsThem) {
    EXPECT_EQ(HostComponentCounts()[rec::kCountConventional], 2);
    const int64_t ids = HostPropertyTable()[rec::kPropertyTableConventionalIds];
    // Two words per ID: component i (from 0) at offset + 1 + 2i.
    EXPECT_EQ(IB(ids + 3), PackText("SIO2", 4)[0]);
    EXPECT_EQ(IB(ids + 4), PackText("    ", 4)[0]);
    const int64_t mw = DataOffset("MW");
    ASSERT_GT(mw, 0);
    EXPECT_EQ(B(mw + silica), 60.0);
    EXPECT_EQ(UnpackText(HostPlex(nullptr) + DataOffset("FRMULA") + 3 * (water - 1), 12), "H2O");
    const int64_t nameWithBlanks[] = {PackText("MW  ", 4)[0], PackText("    ", 4)[0]};
    EXPECT_EQ(HostComponentDataOffset(nameWithBlanks), mw);
    EXPECT_EQ(HostComponentDataOffset(nullptr), 0);
    EXPECT_EQ(HostComponentIndexFromId(PackText("water", 8).data()), 0);
    EXPECT_EQ(HostComponentIndexFromId(nullptr), 0);
}

TEST_F(HostTest, ParametersOfSeveralWordsGetMissingForAbsentValues) {
    Component water{"WATER", 18.0, 373.15, "H2O", "7732-18-5", false, {{"CPIG", {33.7, 0.5}}}};
    Component nitrogen{"N2", 28.0, 77.3, "N2", "7727-37-9", false, {{"CPIG", {29.1}}}};
    host->AddComponent(water);
    host->AddComponent(nitrogen);
    host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    const int64_t cpig = DataOffset("CPIG");  // 2 words per component
    EXPECT_EQ(std::vector<double>({B(cpig + 1), B(cpig + 2), B(cpig + 3), B(cpig + 4)}),
              (std::vector<double>{33.7, 0.5, 29.1, 1e35}));
}

TEST_F(ProcessTest, CasNumbersInBothDirections) {
    int64_t cas[4] = {5, 5, 5, 5};
    const int64_t zero = 0, two = 2, three = 3;
    EXPECT_EQ(HostComponentIndexFromCas(&three, cas), 0);
    EXPECT_EQ(cas[0], 5);
    EXPECT_EQ(HostComponentIndexFromCas(&two, cas), 2);
    EXPECT_EQ(HostComponentIndexFromCas(&zero, PackText("7732-18-5", 16).data()), 1);
    EXPECT_EQ(HostComponentIndexFromCas(&zero, PackText("64-17-5", 16).data()), 0);
    EXPECT_EQ(HostComponentIndexFromCas(&two, nullptr), 0);
}

TEST_F(ProcessTest, SolidListAndNonconventionalIndexBlock) {
    int64_t location = 0, count = 0;
    HostConvSolidComponents(&location, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(IB(location), silica);
    const int64_t idx = HostCommonDataOffset(PackText("IDXNCC", 8).data());
    ASSERT_GT(idx, 0);
    EXPECT_EQ(IB(idx + 1), 1);
    EXPECT_EQ(HostCommonDataOffset(PackText("NOBLOCK", 8).data()), 0);
}

TEST_F(HostTest, ComponentInputIsValidatedAndTablesAreBuiltByTheFirstClass) {
    const Component bad[] = {{"", 18.0, 0, "", "", false, {}},
                             {"NINECHARS", 18.0, 0, "", "", false, {}},
                             {"A", 0.0, 0, "", "", false, {}},
                             {"A", std::nan(""), 0, "", "", false, {}},
                             {"A", 1.0, 0, "THIRTEENCHARS", "", false, {}},
                             {"A", 1.0, 0, "", "", false, {{"MW", {2.0}}}}};
    for (const Component& component : bad) {
        EXPECT_THROW(host->AddComponent(component), std::invalid_argument) << component.id;
    }
    EXPECT_EQ(host->AddComponent({"A", 1.0, 0, "", "", false, {}}), 1);
    EXPECT_THROW(host->AddComponent({"A", 1.0, 0, "", "", false, {}}), std::invalid_argument);
    EXPECT_EQ(host->AddNonconventionalComponent("ASH"), 1);
    EXPECT_THROW(host->AddNonconventionalComponent("ASH"), std::invalid_argument);
    // The ID lookup works from the start; the property tables exist from the first class on.
    EXPECT_EQ(HostComponentIndexFromId(PackText("A", 8).data()), 1);
    EXPECT_EQ(DataOffset("MW"), 0);
    host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    EXPECT_GT(DataOffset("MW"), 0);
    EXPECT_THROW(host->AddComponent({"B", 1.0, 0, "", "", false, {}}), std::logic_error);
    EXPECT_THROW(host->AddNonconventionalComponent("ASH2"), std::logic_error);
    EXPECT_EQ(host->ConventionalCount(), 1);
}

}  // namespace
}  // namespace brixel::host::testing
