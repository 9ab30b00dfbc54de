#pragma once

#include <cstdint>

// Word positions of the host records the library reads. Positions inside a record count
// from the record's first word as 0.
namespace brixel::records {

// HostRealGlobals
constexpr int kRealGlobalMissing = 0;
constexpr int kRealGlobalSmallest = 1;
constexpr int kRealGlobalTemperatureMax = 12;
constexpr int kRealGlobalTemperatureMin = 13;
constexpr int kRealGlobalPressureMax = 14;
constexpr int kRealGlobalPressureMin = 15;

// HostGlobals
constexpr int kGlobalHistoryUnit = 4;
constexpr int kGlobalReportUnit = 5;
constexpr int kGlobalMissing = 7;
constexpr int kGlobalMergeSetting1 = 32;
constexpr int kGlobalMergeSetting2 = 33;

// HostComponentCounts
constexpr int kCountConventional = 0;
constexpr int kCountNonconventional = 1;

// HostPropertyTable
constexpr int kPropertyTableConventionalIds = 0;
constexpr int kPropertyTableNonconventionalIds = 1;

// HostOffsetCommon
constexpr int kOffsetMoisture = 9;

// Stream record (integer record of a stream bead)
constexpr int kStreamClassBead = 8;
constexpr int kStreamCopiedWord = 10;  // carried into every internal copy

// Stream-class record
constexpr int kClassType = 2;  // first 4 characters of the class type
constexpr int kClassDummyStream = 4;
constexpr int kClassVectorLength = 6;
constexpr int kClassInformation = 7;  // > 0: information stream
constexpr int kClassSubstreamTable = 10;
// Inside the substream table at o = word kClassSubstreamTable:
constexpr int kTableSubstreamCount = 1;  // word o + 1
constexpr int kTableFirstEntry = 2;      // entry k starts at o + 2 + 9k
constexpr int kSubstreamEntryWords = 9;

// Substream entry, word j of entry k
constexpr int kEntryId = 0;  // 2 words, 8 characters
constexpr int kEntryClassBead = 4;
constexpr int kEntryType = 5;
constexpr int kEntryLength = 7;
constexpr int kEntryOffset = 8;

// Substream types
constexpr int64_t kMixed = 1;
constexpr int64_t kCiSolid = 2;
constexpr int64_t kNonconventional = 3;

// Substream-class record: slot i (from 0) is 5 words from word 13 + 5i; word 0 of a slot
// is the bead of an attribute record (0: empty slot).
constexpr int kSubstreamClassSlotCount = 8;
constexpr int kSubstreamClassFirstSlot = 13;
constexpr int kSlotWords = 5;
constexpr int kSlotAttributeBead = 0;
constexpr int kSlotValueOffset = 1;  // offset of the values from the substream's first word
constexpr int kSlotValueCount = 2;

// Attribute record
constexpr int kAttributeName = 2;  // 2 words, 8 characters
constexpr int kPsdIntervals = 4;  // PSD: number of size intervals n; the real record holds the mesh

// Bead 2 (the run descriptor) and bead 3 (global options)
constexpr int64_t kDescriptorBead = 2;
constexpr int kDescriptorDefault = 171;  // bead of the default descriptor record
constexpr int64_t kGlobalOptionsBead = 3;
constexpr int kOptionsFlashOptions = 27;  // bead of the flash-options record

// Flash-options record
constexpr int kFlashOptionsPhaseCount = 4;
constexpr int kFlashOptionsPhase = 5;
constexpr int kFlashOptionsTolerance = 17;  // real word: mass-balance tolerance

// Status block of a block
constexpr int kStatusPrintLevel = 0;
constexpr int kStatusPrintLevel2 = 1;
constexpr int kStatusFlashEnabled = 2;
constexpr int kStatusOutcome = 4;

// Outcome codes in status-block word 4
constexpr int64_t kOutcomePreset = -9999;
constexpr int64_t kOutcomeWarning = -9990;
constexpr int64_t kOutcomeFallback = -9991;
constexpr int64_t kOutcomeFallbackValidation = -9992;

// Polymer descriptor record (bead from HostPolymerAttributes)
constexpr int kPolymerPolymerList = 2;
constexpr int kPolymerOligomerList = 5;
constexpr int kPolymerCatalystList = 6;
constexpr int kPolymerOptions = 7;
// Polymer-options record
constexpr int kPolymerOptionsSolidmer = 11;
constexpr int kPolymerOptionsOption = 12;
constexpr int kPolymerOptionsParameter = 0;  // real word

// Record kinds for HostAllocate
constexpr int64_t kRecordStream = 32;
// Beads of allocated streams lie above this value; ports below kFirstStreamBead are port numbers.
constexpr int64_t kAllocatedBeadBase = 400000000;
constexpr int kFirstStreamBead = 1000000;

// Packed text: 4 characters to a word (its low 4 bytes).
constexpr int kCharactersPerWord = 4;
constexpr int WordsForCharacters(int characters) {
    return (characters + kCharactersPerWord - 1) / kCharactersPerWord;
}

// Packed-text widths in characters
constexpr int kIdChars = 8;
constexpr int kFormulaChars = 12;
constexpr int kCasChars = 16;
constexpr int kHistoryChars = 80;
constexpr int kErrorTextChars = 72;
constexpr int kPropertyNameChars = 8;   // host property names ("SONVELMX")
constexpr int kUnitQualifierChars = 4;  // unit qualifier of host properties ("SI")
constexpr int kErrorLineWords = 20;

// Component tables: words per entry of the ID, formula ("FRMULA") and CAS tables.
constexpr int kIdWords = 2;
constexpr int kFormulaWords = 3;
constexpr int kCasWords = 4;
// Moisture slot of an NC substream: past the component flows and its 9 state words.
constexpr int64_t kMoistureStateWords = 9;

// The host's stream-work data after a flash (HostStreamWorkCommon, HostStreamWorkCommon2).
constexpr int kWorkRealBase = 0;     // base added to the array keys
constexpr int kWorkIntegerBase = 1;  // base added to the list key
constexpr int kWorkCount = 2;        // number of listed components
constexpr int kWorkBeta = 22;        // beta, a real stored in the word
constexpr int kWork2ArrayA = 15;     // keys of the result arrays
constexpr int kWork2ArrayC = 16;
constexpr int kWork2ArrayD = 17;
constexpr int kWork2ArrayB = 18;
constexpr int kWork2Components = 25;  // key of the list of component numbers

}  // namespace brixel::records
