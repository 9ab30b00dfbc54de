// Every word the library reads, read the way the library reads it.

#include <algorithm>
#include <cmath>

#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

TEST_F(HostTest, GlobalsHoldMarkersLimitsAndSettings) {
    const int64_t* globals = HostGlobals();
    EXPECT_EQ(globals[rec::kGlobalHistoryUnit], 8);
    EXPECT_EQ(globals[rec::kGlobalMissing], -2147483647);
    EXPECT_EQ(globals[rec::kGlobalMergeSetting1], 0);
    EXPECT_EQ(globals[rec::kGlobalMergeSetting2], 0);
    const double* real = HostRealGlobals();
    EXPECT_EQ(real[rec::kRealGlobalMissing], 1e35);
    EXPECT_EQ(real[rec::kRealGlobalSmallest], 1e-35);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMin], 10.0);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMax], 10000.0);
    EXPECT_EQ(real[rec::kRealGlobalPressureMin], 1.0);
    EXPECT_EQ(real[rec::kRealGlobalPressureMax], 1e9);
    EXPECT_EQ(HostOffsetCommon()[rec::kOffsetMoisture], 0);

    host->SetFlashLimits(200.0, 2000.0, 1e3, 1e8);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMin], 200.0);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMax], 2000.0);
    EXPECT_EQ(real[rec::kRealGlobalPressureMin], 1e3);
    EXPECT_EQ(real[rec::kRealGlobalPressureMax], 1e8);
    EXPECT_THROW(host->SetFlashLimits(300.0, 200.0, 1.0, 2.0), std::invalid_argument);
    EXPECT_THROW(host->SetFlashLimits(std::nan(""), 200.0, 1.0, 2.0), std::invalid_argument);
    EXPECT_EQ(real[rec::kRealGlobalTemperatureMin], 200.0);

    EXPECT_EQ(HostAmbientPressure(), 101325.0);
    host->SetAmbientPressure(90000.0);
    EXPECT_EQ(HostAmbientPressure(), 90000.0);
    EXPECT_THROW(host->SetAmbientPressure(-1.0), std::invalid_argument);

    double values[5] = {9, 9, 9, 9, 9};
    int64_t flags = 9;
    HostInquireDynamic(&values[0], &values[1], &values[2], &values[3], &values[4], &flags);
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[4], 0.0);
    EXPECT_EQ(flags, 0);
    host->SetDynamicSettings({1, 2, 3, 4, 5}, 0b101);
    HostInquireDynamic(&values[0], &values[1], &values[2], &values[3], &values[4], &flags);
    EXPECT_EQ(values[0], 1.0);
    EXPECT_EQ(values[4], 5.0);
    EXPECT_EQ(flags, 5);
}

TEST_F(HostTest, DescriptorAndFlashOptionsAreReachedThroughBeads2And3) {
    const int64_t* descriptor = IntegerRecordOf(rec::kDescriptorBead);
    ASSERT_NE(descriptor, nullptr);
    const int64_t defaultBead = descriptor[rec::kDescriptorDefault];
    EXPECT_NE(IntegerRecordOf(defaultBead), nullptr);

    const int64_t* options = IntegerRecordOf(rec::kGlobalOptionsBead);
    ASSERT_NE(options, nullptr);
    const int64_t flashBead = options[rec::kOptionsFlashOptions];
    EXPECT_EQ(flashBead, host->FlashOptionsBead());
    EXPECT_EQ(IntegerRecordOf(flashBead)[rec::kFlashOptionsPhaseCount], 2);
    EXPECT_EQ(IntegerRecordOf(flashBead)[rec::kFlashOptionsPhase], 1);
    EXPECT_EQ(RealRecordOf(flashBead)[rec::kFlashOptionsTolerance], 1e-5);

    host->SetFlashOptions(3, 2, 1e-7);
    EXPECT_EQ(IntegerRecordOf(flashBead)[rec::kFlashOptionsPhaseCount], 3);
    EXPECT_EQ(IntegerRecordOf(flashBead)[rec::kFlashOptionsPhase], 2);
    EXPECT_EQ(RealRecordOf(flashBead)[rec::kFlashOptionsTolerance], 1e-7);
    EXPECT_THROW(host->SetFlashOptions(2, 1, 0.0), std::invalid_argument);

    int64_t integer = -1, real = -1;
    HostLocateModelData(&flashBead, &integer, &real);
    EXPECT_EQ(integer, HostLocateIds(&flashBead));
    EXPECT_EQ(real, HostLocateRealData(&flashBead));
    EXPECT_NE(integer, real);
    const int64_t unknown = 777777;
    HostLocateModelData(&unknown, &integer, &real);
    EXPECT_EQ(integer, 0);
    EXPECT_EQ(real, 0);
    EXPECT_EQ(HostLocateIds(nullptr), 0);
}

TEST_F(ProcessTest, StreamClassRecordListsSubstreamsAsTheLibraryReadsThem) {
    const int64_t* streamRecord = IntegerRecordOf(stream);
    ASSERT_NE(streamRecord, nullptr);
    EXPECT_EQ(streamRecord[rec::kStreamClassBead], classBead);
    const int64_t* cls = IntegerRecordOf(streamRecord[rec::kStreamClassBead]);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(Text(cls + rec::kClassType, 4), "MIXC");
    EXPECT_EQ(cls[rec::kClassInformation], 0);
    // MIXED 2 + 9, CISOLID 2 + 9 + 3 PSD, NC 1 + 9 + 3 PSD.
    EXPECT_EQ(cls[rec::kClassVectorLength], 38);
    const int64_t o = cls[rec::kClassSubstreamTable];
    ASSERT_EQ(cls[o + rec::kTableSubstreamCount], 3);

    struct Expected {
        const char* id;
        int64_t type, length, offset, psdValueOffset;
    };
    const Expected expected[] = {
        {"MIXED", 1, 11, 0, -1}, {"CISOLID", 2, 14, 11, 11}, {"NC", 3, 13, 25, 10}};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(expected[k].id);
        const int64_t* entry = cls + o + rec::kTableFirstEntry + rec::kSubstreamEntryWords * k;
        EXPECT_EQ(Text(entry + rec::kEntryId, 8), expected[k].id);
        EXPECT_EQ(entry[rec::kEntryType], expected[k].type);
        EXPECT_EQ(entry[rec::kEntryLength], expected[k].length);
        EXPECT_EQ(entry[rec::kEntryOffset], expected[k].offset);
        const int64_t kFromOne = k + 1;
        EXPECT_EQ(HostSubstreamType(&stream, &kFromOne), expected[k].type);
        EXPECT_EQ(HostPhaseList(&stream, &kFromOne), expected[k].offset);

        const int64_t* subClass = IntegerRecordOf(entry[rec::kEntryClassBead]);
        ASSERT_NE(subClass, nullptr);
        const int64_t slots = subClass[rec::kSubstreamClassSlotCount];
        ASSERT_EQ(slots, expected[k].psdValueOffset < 0 ? 0 : 1);
        if (slots == 1) {
            const int64_t* slot = subClass + rec::kSubstreamClassFirstSlot;
            EXPECT_EQ(slot[1], expected[k].psdValueOffset);
            EXPECT_EQ(slot[2], 3);
            const int64_t* attribute = IntegerRecordOf(slot[0]);
            ASSERT_NE(attribute, nullptr);
            EXPECT_EQ(Text(attribute + rec::kAttributeName, 8), "PSD");
            EXPECT_EQ(attribute[4], 3);
            const double* meshValues = RealRecordOf(slot[0]);
            ASSERT_NE(meshValues, nullptr);
            EXPECT_EQ(std::vector<double>(meshValues, meshValues + 4), mesh);
        }
    }
    const int64_t zero = 0, four = 4, unknown = 123;
    EXPECT_EQ(HostSubstreamType(&stream, &zero), 0);
    EXPECT_EQ(HostSubstreamType(&stream, &four), 0);
    EXPECT_EQ(HostPhaseList(&stream, &four), -1);
    EXPECT_EQ(HostPhaseList(&unknown, &zero), -1);
    EXPECT_EQ(HostSubstreamType(&classBead, &zero), 0);  // a class record is not a stream
}

TEST_F(ProcessTest, NewStreamsHaveZeroFlowsMissingStatesAndTheirOwnSerial) {
    const double* vector = RealRecordOf(stream);
    ASSERT_EQ(host->VectorLength(stream), 38);
    const int64_t flowWords[] = {0, 1, 11, 12, 25};
    for (int64_t i = 0; i < 38; ++i) {
        const bool flow =
            std::find(std::begin(flowWords), std::end(flowWords), i) != std::end(flowWords);
        EXPECT_EQ(vector[i], flow ? 0.0 : 1e35) << "word " << i;
    }
    const int64_t* cls = IntegerRecordOf(classBead);
    const int64_t dummy = cls[rec::kClassDummyStream];
    EXPECT_GT(dummy, 1000000);
    EXPECT_EQ(IntegerRecordOf(dummy)[rec::kStreamClassBead], classBead);
    const int64_t other = host->AddStream(classBead);
    EXPECT_GT(other, stream);
    EXPECT_NE(IntegerRecordOf(other)[rec::kStreamCopiedWord],
              IntegerRecordOf(stream)[rec::kStreamCopiedWord]);
    EXPECT_THROW(host->AddStream(stream), std::invalid_argument);  // not a class bead
}

TEST_F(HostTest, InformationClassesCarryATypeAndOneWordWithoutSubstreams) {
    const int64_t heat = host->AddInformationStreamClass("HEAT");
    const int64_t work = host->AddInformationStreamClass("WORK");
    EXPECT_THROW(host->AddInformationStreamClass("COLD"), std::invalid_argument);
    for (const int64_t classBead : {heat, work}) {
        const int64_t* cls = IntegerRecordOf(classBead);
        EXPECT_EQ(cls[rec::kClassInformation], 1);
        EXPECT_EQ(cls[rec::kClassVectorLength], 1);
        EXPECT_EQ(cls[cls[rec::kClassSubstreamTable] + rec::kTableSubstreamCount], 0);
    }
    EXPECT_EQ(Text(IntegerRecordOf(heat) + rec::kClassType, 4), "HEAT");
    EXPECT_EQ(Text(IntegerRecordOf(work) + rec::kClassType, 4), "WORK");
    const int64_t duty = host->AddStream(heat);
    EXPECT_EQ(RealRecordOf(duty)[0], 1e35);
    EXPECT_EQ(host->SubstreamCount(duty), 0);
}

TEST_F(HostTest, StreamClassInputIsValidated) {
    EXPECT_THROW(host->AddStreamClass("", {}), std::invalid_argument);
    EXPECT_THROW(host->AddStreamClass("CONVEN", {{"MIXED", 4, {}}}), std::invalid_argument);
    EXPECT_THROW(host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}, {"MIXED", 1, {}}}),
                 std::invalid_argument);
    EXPECT_THROW(host->AddStreamClass("C", {{"CI", 2, {Psd({1e-3, 1e-4})}}}),
                 std::invalid_argument);
    EXPECT_THROW(host->AddStreamClass("C", {{"CI", 2, {Psd({1e-3})}}}), std::invalid_argument);
    EXPECT_THROW(host->AddStreamClass("C", {{"CI", 2, {{"PSD", {0, 1, 2}, 5}}}}),
                 std::invalid_argument);
    EXPECT_THROW(host->AddStreamClass("TOOLONGTYPE", {}), std::invalid_argument);
    // A class without substreams is allowed: the library reads a count of 0.
    const int64_t empty = host->AddStreamClass("EMPTY", {});
    const int64_t* cls = IntegerRecordOf(empty);
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
    EXPECT_EQ(Text(IntegerRecordOf(second[0]) + rec::kAttributeName, 8), "CAUSR1");
    EXPECT_EQ(second[1], 2 + 9 + 2);
    EXPECT_EQ(second[2], 4);
    EXPECT_EQ(RealRecordOf(second[0]), nullptr);  // no mesh, no real record
}

TEST_F(ProcessTest, PolymerDescriptorListsAndOptions) {
    EXPECT_EQ(HostPolymerAttributes(), 0);
    PolymerSetup setup;
    setup.solidmerFlag = 1;
    setup.option = 0;
    setup.parameter = 0.05;
    setup.polymers = {2};
    setup.catalysts = {1, 2};
    host->SetPolymers(setup);
    const int64_t descriptorBead = HostPolymerAttributes();
    ASSERT_NE(descriptorBead, 0);
    const int64_t* descriptor = IntegerRecordOf(descriptorBead);
    const int64_t optionsBead = descriptor[rec::kPolymerOptions];
    EXPECT_EQ(IntegerRecordOf(optionsBead)[rec::kPolymerOptionsSolidmer], 1);
    EXPECT_EQ(IntegerRecordOf(optionsBead)[rec::kPolymerOptionsOption], 0);
    EXPECT_EQ(RealRecordOf(optionsBead)[rec::kPolymerOptionsParameter], 0.05);
    const int64_t* polymers = IntegerRecordOf(descriptor[rec::kPolymerPolymerList]);
    EXPECT_EQ(std::vector<int64_t>(polymers, polymers + 2), (std::vector<int64_t>{1, 2}));
    EXPECT_EQ(IntegerRecordOf(descriptor[rec::kPolymerOligomerList])[0], 0);
    const int64_t* catalysts = IntegerRecordOf(descriptor[rec::kPolymerCatalystList]);
    EXPECT_EQ(std::vector<int64_t>(catalysts, catalysts + 3), (std::vector<int64_t>{2, 1, 2}));

    setup.polymers = {3};  // only 2 conventional components
    EXPECT_THROW(host->SetPolymers(setup), std::invalid_argument);
    EXPECT_EQ(HostPolymerAttributes(), descriptorBead);
    setup.polymers = {1};
    host->SetPolymers(setup);  // replaces the old records
    EXPECT_EQ(IntegerRecordOf(descriptorBead), nullptr);
    EXPECT_EQ(IntegerRecordOf(IntegerRecordOf(HostPolymerAttributes())[2])[1], 1);
}

TEST_F(ProcessTest, BlocksBindStatusWordsAndPackedId) {
    Block& block = host->AddBlock("SEP1", {stream}, {host->AddStream(classBead)}, 3);
    EXPECT_EQ(Text(block.id.data(), 8), "SEP1");
    EXPECT_EQ(block.id[0], Packed("SEP1", 4)[0]);
    EXPECT_EQ(block.statusBlock[rec::kStatusPrintLevel], 3);
    EXPECT_EQ(block.statusBlock[rec::kStatusPrintLevel2], 3);
    EXPECT_EQ(block.statusBlock[rec::kStatusFlashEnabled], 1);
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
