#include "brixel/framework/stream_class.h"

#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"

namespace brixel {

namespace {
constexpr int kTypeNameChars = 4;
}  // namespace

int64_t StreamClassView::SubstreamCount() const {
    if (!record) {
        return 0;
    }
    const int64_t table = record[records::kClassSubstreamTable];
    if (table < 0) {
        return 0;
    }
    const int64_t count = record[table + records::kTableSubstreamCount];
    return count > 0 ? count : 0;
}

const int64_t* StreamClassView::Entry(int64_t substream) const {
    if (substream < 0 || substream >= SubstreamCount()) {
        return nullptr;
    }
    const int64_t table = record[records::kClassSubstreamTable];
    return record + table + records::kTableFirstEntry + records::kSubstreamEntryWords * substream;
}

int64_t StreamClassView::Type(int64_t substream) const {
    const int64_t* entry = Entry(substream);
    return entry ? entry[records::kEntryType] : 0;
}

int64_t StreamClassView::Length(int64_t substream) const {
    const int64_t* entry = Entry(substream);
    return entry ? entry[records::kEntryLength] : 0;
}

int64_t StreamClassView::Offset(int64_t substream) const {
    const int64_t* entry = Entry(substream);
    return entry ? entry[records::kEntryOffset] : 0;
}

int64_t StreamClassView::ComponentCount(int64_t substream) const {
    const int64_t* entry = Entry(substream);
    const int64_t* counts = entry ? HostComponentCounts() : nullptr;
    if (!counts) {
        return 0;
    }
    return entry[records::kEntryType] == records::kNonconventional
               ? counts[records::kCountNonconventional]
               : counts[records::kCountConventional];
}

std::string StreamClassView::Id(int64_t substream) const {
    const int64_t* entry = Entry(substream);
    return entry ? plex::Unpack(entry + records::kEntryId, records::kIdChars) : std::string();
}

int64_t* StreamClassView::SubstreamClass(int64_t substream) const {
    const int64_t* entry = Entry(substream);
    return entry ? plex::IntRecord(entry[records::kEntryClassBead]) : nullptr;
}

bool StreamClassView::HasPsd(int64_t substream) const {
    const int64_t* substreamClass = SubstreamClass(substream);
    if (!substreamClass) {
        return false;
    }
    const int64_t slots = substreamClass[records::kSubstreamClassSlotCount];
    for (int64_t slot = 0; slot < slots; ++slot) {
        const int64_t bead =
            substreamClass[records::kSubstreamClassFirstSlot + records::kSlotWords * slot];
        if (bead != 0 && IsPsdAttribute(plex::IntRecord(bead))) {
            return true;
        }
    }
    return false;
}

int64_t StreamClassView::VectorLength() const {
    return record ? record[records::kClassVectorLength] : 0;
}

bool StreamClassView::IsInformation() const {
    return record && record[records::kClassInformation] > 0;
}

std::string StreamClassView::TypeName() const {
    return record ? plex::Unpack(record + records::kClassType, kTypeNameChars) : std::string();
}

int64_t* StreamClassOfStream(int64_t streamBead) {
    const int64_t* stream = plex::IntRecord(streamBead);
    return stream ? plex::IntRecord(stream[records::kStreamClassBead]) : nullptr;
}

bool IsPsdAttribute(const int64_t* attributeRecord) {
    return attributeRecord &&
           plex::Unpack(attributeRecord + records::kAttributeName, records::kIdChars) == "PSD";
}

}  // namespace brixel
