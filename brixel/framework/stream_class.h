#pragma once

#include <cstdint>
#include <string>

#include "brixel/framework/export.h"

// Reader of a stream-class record and its substream table (word positions in records.h).
// Shared by the unit base and the procedural accessors so that the table is read in one place.
//
// A null record reads as a class without substreams. A substream number outside
// 0 ... SubstreamCount() - 1 reads as 0, null, an empty ID or false, and no word of the table
// is touched for it. A negative table position or count in the record counts as no substreams.
namespace brixel {

struct StreamClassView {
    StreamClassView() = default;
    explicit StreamClassView(const int64_t* classRecord) : record(classRecord) {}

    const int64_t* record = nullptr;

    int64_t SubstreamCount() const;
    int64_t Type(int64_t substream) const;    // 1 MIXED, 2 CISOLID, 3 NC
    int64_t Length(int64_t substream) const;  // words in the stream vector
    int64_t Offset(int64_t substream) const;  // first word in the stream vector, from 0
    // Component flows at the head of the substream: NNCC for an NC substream, NCC otherwise.
    int64_t ComponentCount(int64_t substream) const;
    std::string Id(int64_t substream) const;  // 8 characters, trailing blanks removed
    // Substream-class record through the plex; null when the bead is unknown.
    int64_t* SubstreamClass(int64_t substream) const;
    // Some attribute slot of the substream class holds a "PSD" attribute record.
    bool HasPsd(int64_t substream) const;
    int64_t VectorLength() const;  // 0 for a null record
    bool IsInformation() const;    // carries no material
    std::string TypeName() const;  // first 4 characters of the class type

  private:
    const int64_t* Entry(int64_t substream) const;  // null outside the table
};

// Class record of a stream (stream record word 8) through the plex; null when unknown.
int64_t* StreamClassOfStream(int64_t streamBead);

// The attribute record's name (words 2-3) is "PSD". False for null.
bool IsPsdAttribute(const int64_t* attributeRecord);

}  // namespace brixel
