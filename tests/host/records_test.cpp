#include <cmath>

#include "brixel/framework/records.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace rec = brixel::records;

// The markers, limits and dynamic settings are read back by the library's own tests.
TEST_F(HostTest, DefaultLimitsAndSettersRejectBadValues) {
    EXPECT_EQ(HostGlobals()[rec::kGlobalHistoryUnit], 8);
    const double* real = HostRealGlobals();
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMin], 10.0);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMax], 10000.0);
    EXPECT_EQ(real[rec::kRealGlobalPressureMin], 1.0);
    EXPECT_EQ(real[rec::kRealGlobalPressureMax], 1e9);
    EXPECT_EQ(HostAmbientPressure(), 101325.0);
    EXPECT_THROW(host->SetFlashLimits(300.0, 200.0, 1.0, 2.0), std::invalid_argument);
    EXPECT_THROW(host->SetFlashLimits(std::nan(""), 200.0, 1.0, 2.0), std::invalid_argument);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMin], 10.0);
    EXPECT_THROW(host->SetAmbientPressure(-1.0), std::invalid_argument);
}

TEST_F(HostTest, FlashOptionsAreReachedThroughBead3) {
    const int64_t flashBead = IntegerRecordOf(rec::kGlobalOptionsBead)[rec::kOptionsFlashOptions];
    EXPECT_EQ(IntegerRecordOf(flashBead)[rec::kFlashOptionsPhaseCount], 2);
    EXPECT_EQ(RealRecordOf(flashBead)[rec::kFlashOptionsTolerance], 1e-5);
    EXPECT_THROW(host->SetFlashOptions(2, 1, 0.0), std::invalid_argument);

    int64_t integer = -1, real = -1;
    HostLocateModelData(&flashBead, &integer, &real);
    EXPECT_EQ(integer, HostLocateIds(&flashBead));
    EXPECT_EQ(real, HostLocateRealData(&flashBead));
    const int64_t unknown = 777777;
    HostLocateModelData(&unknown, &integer, &real);
    EXPECT_EQ(integer + real, 0);
}

// The table layout itself is read back by the library's own tests; here the services and slots.
TEST_F(ProcessTest, SubstreamServicesAndPsdSlotsOfTheBuiltClass) {
    const int64_t* cls = IntegerRecordOf(IntegerRecordOf(stream)[rec::kStreamClassBead]);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls[rec::kClassVectorLength], 38);  // MIXED 2+9, CISOLID 2+9+3, NC 1+9+3
    const int64_t offsets[] = {0, 11, 25}, psdValueOffsets[] = {-1, 11, 10};
    for (int64_t k = 0; k < 3; ++k) {
        const int64_t kFromOne = k + 1;
        EXPECT_EQ(HostSubstreamType(&stream, &kFromOne), k + 1);
        EXPECT_EQ(HostPhaseList(&stream, &kFromOne), offsets[k]);
        const int64_t* entry = cls + cls[rec::kClassSubstreamTable] + rec::kTableFirstEntry +
                               rec::kSubstreamEntryWords * k;
        const int64_t* subClass = IntegerRecordOf(entry[rec::kEntryClassBead]);
        ASSERT_NE(subClass, nullptr);
        ASSERT_EQ(subClass[rec::kSubstreamClassSlotCount], k == 0 ? 0 : 1) << k;
        if (k > 0) {
            const int64_t* slot = subClass + rec::kSubstreamClassFirstSlot;
            EXPECT_EQ(slot[1], psdValueOffsets[k]);
            EXPECT_EQ(slot[2], 3);
            const double* meshValues = RealRecordOf(slot[0]);
            ASSERT_NE(meshValues, nullptr);
            EXPECT_EQ(std::vector<double>(meshValues, meshValues + 4), mesh);
        }
    }
    const int64_t zero = 0, four = 4;
    EXPECT_EQ(HostSubstreamType(&stream, &four), 0);
    EXPECT_EQ(HostPhaseList(&stream, &four), -1);
    EXPECT_EQ(HostSubstreamType(&classBead, &zero), 0);  // a class record is not a stream
}

TEST_F(ProcessTest, NewStreamsHaveZeroFlowsMissingStatesAndTheirOwnSerial) {
    const double* vector = RealRecordOf(stream);
    ASSERT_EQ(host->VectorLength(stream), 38);
    std::vector<double> expected(38, 1e35);
    for (const int flowWord : {0, 1, 11, 12, 25}) {
        expected[flowWord] = 0.0;
    }
    EXPECT_EQ(std::vector<double>(vector, vector + 38), expected);
    const int64_t dummy = IntegerRecordOf(classBead)[rec::kClassDummyStream];
    EXPECT_GT(dummy, 1000000);
    EXPECT_EQ(IntegerRecordOf(dummy)[rec::kStreamClassBead], classBead);
    const int64_t other = host->AddStream(classBead);
    EXPECT_NE(IntegerRecordOf(other)[rec::kStreamCopiedWord],
              IntegerRecordOf(stream)[rec::kStreamCopiedWord]);
    EXPECT_THROW(host->AddStream(stream), std::invalid_argument);  // not a class bead
}

TEST_F(HostTest, InformationStreamsAreOneMissingWord) {
    EXPECT_THROW(host->AddInformationStreamClass("COLD"), std::invalid_argument);
    const int64_t duty = host->AddStream(host->AddInformationStreamClass("WORK"));
    EXPECT_EQ(host->VectorLength(duty), 1);
    EXPECT_EQ(RealRecordOf(duty)[0], 1e35);
}

TEST_F(HostTest, StreamClassInputIsValidated) {
    const std::pair<const char*, std::vector<Substream>> bad[] = {
        {"", {}},
        {"TOOLONGTYPE", {}},
        {"CONVEN", {{"MIXED", 4, {}}}},
        {"CONVEN", {{"MIXED", 1, {}}, {"MIXED", 1, {}}}},
        {"C", {{"CI", 2, {Psd({1e-3, 1e-4})}}}},
        {"C", {{"CI", 2, {Psd({1e-3})}}}},
        {"C", {{"CI", 2, {{"PSD", {0, 1, 2}, 5}}}}}};
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        EXPECT_THROW(host->AddStreamClass(bad[i].first, bad[i].second), std::invalid_argument)
            << "case " << i;
    }
    // A class without substreams is allowed: the library reads a count of 0.
    const int64_t* cls = IntegerRecordOf(host->AddStreamClass("EMPTY", {}));
    EXPECT_EQ(cls[cls[rec::kClassSubstreamTable] + rec::kTableSubstreamCount], 0);
}

TEST_F(ProcessTest, ComponentAttributeSlotsFollowThePsdInSlotOrder) {
    const int64_t cls =
        host->AddStreamClass("CISD", {{"CISOLID", 2, {Psd({0, 1, 2}), {"CAUSR1", {}, 4}}}});
    const int64_t* table = IntegerRecordOf(cls);
    const int64_t* entry = table + table[rec::kClassSubstreamTable] + rec::kTableFirstEntry;
    EXPECT_EQ(entry[rec::kEntryLength], 2 + 9 + 2 + 4);
    const int64_t* subClass = IntegerRecordOf(entry[rec::kEntryClassBead]);
    ASSERT_EQ(subClass[rec::kSubstreamClassSlotCount], 2);
    const int64_t* second = subClass + rec::kSubstreamClassFirstSlot + rec::kSlotWords;
    EXPECT_EQ(UnpackText(IntegerRecordOf(second[0]) + rec::kAttributeName, 8), "CAUSR1");
    EXPECT_EQ(second[1], 2 + 9 + 2);
    EXPECT_EQ(second[2], 4);
    EXPECT_EQ(RealRecordOf(second[0]), nullptr);  // no mesh, no real record
}

TEST_F(ProcessTest, PolymerDescriptorIsValidatedAndReplacedWhole) {
    EXPECT_EQ(HostPolymerAttributes(), 0);
    PolymerSetup setup;
    setup.polymers = {2};
    setup.catalysts = {1, 2};
    host->SetPolymers(setup);
    const int64_t descriptorBead = HostPolymerAttributes();
    ASSERT_NE(descriptorBead, 0);
    // Lists are count first, then the 1-based component numbers.
    const int64_t* catalysts =
        IntegerRecordOf(IntegerRecordOf(descriptorBead)[rec::kPolymerCatalystList]);
    EXPECT_EQ(std::vector<int64_t>(catalysts, catalysts + 3), (std::vector<int64_t>{2, 1, 2}));

    setup.polymers = {3};  // only 2 conventional components
    EXPECT_THROW(host->SetPolymers(setup), std::invalid_argument);
    EXPECT_EQ(HostPolymerAttributes(), descriptorBead);
    setup.polymers = {1};
    host->SetPolymers(setup);  // replaces the old records
    EXPECT_EQ(IntegerRecordOf(descriptorBead), nullptr);
    EXPECT_EQ(
        IntegerRecordOf(IntegerRecordOf(HostPolymerAttributes())[rec::kPolymerPolymerList])[1], 1);
}

TEST_F(ProcessTest, BlocksBindStatusWordsAndPackedId) {
    Block& block = host->AddBlock("SEP1", {stream}, {host->AddStream(classBead)}, 3);
    EXPECT_EQ(block.id[0], PackText("SEP1", 4)[0]);
    EXPECT_EQ(block.statusBlock[rec::kStatusPrintLevel], 3);
    EXPECT_EQ(block.statusBlock[rec::kStatusOutcome], -9999);
    const int64_t* address = block.statusBlock.data();
    for (int i = 0; i < 20; ++i) {
        host->AddBlock("B" + std::to_string(i), {stream}, {});
    }
    EXPECT_EQ(block.statusBlock.data(), address);  // the library keeps this pointer
    EXPECT_THROW(host->AddBlock("BAD", {42}, {}), std::invalid_argument);
    EXPECT_THROW(host->AddBlock("NINECHARS", {}, {}), std::invalid_argument);
}

}  // namespace
}  // namespace brixel::host::testing
