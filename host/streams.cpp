#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "brixel/framework/stream_vector.h"
#include "host/substitute_host_impl.h"
#include "host/validation.h"

namespace brixel::host {

namespace {

namespace sv = brixel::stream_vector;
using Impl = SubstituteHost::Impl;

// Host choices beyond the words the library reads (see substitute_host.h).
constexpr int kClassTypeWords = 2;           // class type: 8 characters from word 2
constexpr int64_t kClassTablePosition = 12;  // o, the substream table inside the class record
constexpr int kAttributeRecordWords = 8;
constexpr int64_t kStreamRecordWords = 16;
constexpr int64_t kInformationVectorWords = 1;  // heat duty (W) or power (W)

Attribute Checked(const Attribute& attribute) {
    RequireName(attribute.name, records::kIdChars, "attribute name");
    for (const double value : attribute.mesh) {
        RequireFinite(value, "attribute mesh value");
    }
    Attribute checked = attribute;
    if (attribute.name == "PSD") {
        const auto& mesh = attribute.mesh;
        const bool increasing =
            std::adjacent_find(mesh.begin(), mesh.end(), std::greater_equal<>()) == mesh.end();
        if (mesh.size() < 2 || mesh.front() < 0 || !increasing) {
            throw std::invalid_argument(
                "a PSD mesh needs at least 2 non-negative, strictly increasing boundaries");
        }
        const auto intervals = static_cast<int>(mesh.size()) - 1;
        if (attribute.valueCount != 0 && attribute.valueCount != intervals) {
            throw std::invalid_argument("PSD value count differs from its mesh intervals");
        }
        checked.valueCount = intervals;
    } else if (attribute.valueCount < 0) {
        throw std::invalid_argument("attribute " + attribute.name + ": negative value count");
    }
    return checked;
}

void CheckState(double value, const char* what, bool positive, bool fraction) {
    RequireFinite(value, what);
    if (value == kRealMissing) {
        return;
    }
    if ((positive && value <= 0) || (fraction && (value < 0 || value > 1))) {
        throw std::invalid_argument(std::string(what) + " out of range");
    }
}

}  // namespace

Attribute Psd(std::vector<double> mesh) {
    Attribute attribute;
    attribute.name = "PSD";
    attribute.valueCount = mesh.empty() ? 0 : static_cast<int>(mesh.size()) - 1;
    attribute.mesh = std::move(mesh);
    return attribute;
}

// ---- classes -------------------------------------------------------------------------------

int64_t SubstituteHost::AddStreamClass(const std::string& type,
                                       const std::vector<Substream>& substreams) {
    RequireName(type, records::kIdChars, "stream-class type");
    std::vector<std::vector<Attribute>> attributes;
    for (const auto& substream : substreams) {
        RequireName(substream.id, records::kIdChars, "substream ID");
        if (substream.type < records::kMixed || substream.type > records::kNonconventional) {
            throw std::invalid_argument("substream " + substream.id + ": type must be 1, 2 or 3");
        }
        const auto sameId = [&](const Substream& other) { return other.id == substream.id; };
        if (std::count_if(substreams.begin(), substreams.end(), sameId) > 1) {
            throw std::invalid_argument("substream ID " + substream.id + " used twice");
        }
        auto& checked = attributes.emplace_back();
        for (const auto& attribute : substream.attributes) {
            checked.push_back(Checked(attribute));
        }
    }

    Impl& impl = *m_impl;
    impl.LayoutComponents();
    Impl::Rollback rollback(impl);
    auto newRecord = [&](int64_t integerWords, int64_t realWords) {
        const int64_t bead = impl.NewSmallBead();
        impl.CreateRecord(bead, integerWords, realWords);
        rollback.AddRecord(bead);
        return bead;
    };

    Impl::StreamClass streamClass;
    streamClass.type = type;
    int64_t offset = 0;
    for (std::size_t s = 0; s < substreams.size(); ++s) {
        Impl::SubstreamLayout layout;
        layout.id = substreams[s].id;
        layout.type = substreams[s].type;
        layout.offset = offset;
        layout.components = impl.componentCounts[layout.type == records::kNonconventional
                                                     ? records::kCountNonconventional
                                                     : records::kCountConventional];
        const auto slots = static_cast<int64_t>(attributes[s].size());
        layout.classRecordBead =
            newRecord(records::kSubstreamClassFirstSlot + records::kSlotWords * slots, 0);
        int64_t* classRecord = impl.IntegerWords(layout.classRecordBead);
        classRecord[records::kSubstreamClassSlotCount] = slots;
        int64_t valueOffset = layout.components + sv::kStateWords;
        for (int64_t i = 0; i < slots; ++i) {
            const Attribute& attribute = attributes[s][i];
            const auto meshSize = static_cast<int64_t>(attribute.mesh.size());
            const int64_t bead = newRecord(kAttributeRecordWords, meshSize);
            int64_t* attributeRecord = impl.IntegerWords(bead);
            const auto name = PackText(attribute.name, records::kIdChars);
            std::copy(name.begin(), name.end(), attributeRecord + records::kAttributeName);
            if (attribute.name == "PSD") {
                attributeRecord[records::kPsdIntervals] = attribute.valueCount;
                if (layout.psdOffset < 0) {
                    layout.psdOffset = valueOffset;
                    layout.psdIntervals = attribute.valueCount;
                }
            }
            std::copy(attribute.mesh.begin(), attribute.mesh.end(), impl.RealWords(bead));
            int64_t* slot =
                classRecord + records::kSubstreamClassFirstSlot + records::kSlotWords * i;
            slot[0] = bead;
            slot[records::kSlotValueOffset] = valueOffset;
            slot[records::kSlotValueCount] = attribute.valueCount;
            valueOffset += attribute.valueCount;
        }
        layout.length = valueOffset;
        offset += layout.length;
        streamClass.substreams.push_back(layout);
    }
    streamClass.vectorLength = offset;

    const auto count = static_cast<int64_t>(streamClass.substreams.size());
    const int64_t classBead = newRecord(
        kClassTablePosition + records::kTableFirstEntry + records::kSubstreamEntryWords * count, 0);
    int64_t* record = impl.IntegerWords(classBead);
    const auto typeWords = PackText(type, 4 * kClassTypeWords);
    std::copy(typeWords.begin(), typeWords.end(), record + records::kClassType);
    record[records::kClassVectorLength] = streamClass.vectorLength;
    record[records::kClassInformation] = 0;
    record[records::kClassSubstreamTable] = kClassTablePosition;
    record[kClassTablePosition + records::kTableSubstreamCount] = count;
    for (int64_t k = 0; k < count; ++k) {
        const auto& layout = streamClass.substreams[k];
        int64_t* entry = record + kClassTablePosition + records::kTableFirstEntry +
                         records::kSubstreamEntryWords * k;
        const auto id = PackText(layout.id, records::kIdChars);
        std::copy(id.begin(), id.end(), entry + records::kEntryId);
        entry[records::kEntryClassBead] = layout.classRecordBead;
        entry[records::kEntryType] = layout.type;
        entry[records::kEntryLength] = layout.length;
        entry[records::kEntryOffset] = layout.offset;
    }

    impl.PlaceMoistureAttribute(streamClass);
    return impl.FinishClass(classBead, std::move(streamClass), rollback);
}

int64_t SubstituteHost::AddInformationStreamClass(const std::string& type) {
    if (type != "HEAT" && type != "WORK") {
        throw std::invalid_argument("information stream class must be HEAT or WORK, not " + type);
    }
    Impl& impl = *m_impl;
    impl.LayoutComponents();
    Impl::Rollback rollback(impl);
    const int64_t classBead = impl.NewSmallBead();
    impl.CreateRecord(classBead, kClassTablePosition + records::kTableFirstEntry, 0);
    rollback.AddRecord(classBead);
    int64_t* record = impl.IntegerWords(classBead);
    record[records::kClassType] = PackText(type, 4)[0];
    record[records::kClassVectorLength] = kInformationVectorWords;
    record[records::kClassInformation] = 1;
    record[records::kClassSubstreamTable] = kClassTablePosition;
    record[kClassTablePosition + records::kTableSubstreamCount] = 0;

    Impl::StreamClass streamClass;
    streamClass.type = type;
    streamClass.information = true;
    streamClass.vectorLength = kInformationVectorWords;
    return impl.FinishClass(classBead, std::move(streamClass), rollback);
}

// Gives a new class its standard dummy stream and registers it.
int64_t Impl::FinishClass(int64_t classBead, StreamClass streamClass, Rollback& rollback) {
    streamClass.dummyStream = CreateStream(classBead, streamClass, rollback);
    SetIntegerWord(classBead, records::kClassDummyStream, streamClass.dummyStream);
    rollback.Commit();
    builderStreams.insert(streamClass.dummyStream);
    classes.emplace(classBead, std::move(streamClass));
    return classBead;
}

// ---- streams -------------------------------------------------------------------------------

// A stream record with its vector: flows 0, every other word missing.
int64_t Impl::CreateStream(int64_t classBead, const StreamClass& streamClass, Rollback& rollback) {
    const int64_t bead = nextStreamBead;
    CreateRecord(bead, kStreamRecordWords, streamClass.vectorLength);
    rollback.AddRecord(bead);
    ++nextStreamBead;
    SetIntegerWord(bead, records::kStreamClassBead, classBead);
    SetIntegerWord(bead, records::kStreamCopiedWord, nextStreamSerial++);
    double* vector = RealWords(bead);
    if (streamClass.information) {
        std::fill_n(vector, streamClass.vectorLength, kRealMissing);
    }
    for (const auto& layout : streamClass.substreams) {
        std::fill(vector + layout.offset + layout.components,
                  vector + layout.offset + layout.length, kRealMissing);
    }
    return bead;
}

int64_t SubstituteHost::AddStream(int64_t classBead) {
    const auto found = m_impl->classes.find(classBead);
    if (found == m_impl->classes.end()) {
        throw std::invalid_argument(std::to_string(classBead) + " is not a stream-class bead");
    }
    Impl::Rollback rollback(*m_impl);
    const int64_t bead = m_impl->CreateStream(classBead, found->second, rollback);
    rollback.Commit();
    m_impl->builderStreams.insert(bead);
    return bead;
}

// The class named by stream word 8, when that is a class and the vector is long enough for it
// (an allocated stream carries whatever class the library wrote there).
const Impl::StreamClass* Impl::ClassOfStream(int64_t streamBead) const {
    if (builderStreams.count(streamBead) == 0 && allocatedStreams.count(streamBead) == 0) {
        return nullptr;
    }
    const RecordPlace& place = records.at(streamBead);
    const int64_t classBead =
        plex.Integers()[place.integerPosition - 1 + records::kStreamClassBead];
    const auto found = classes.find(classBead);
    if (found == classes.end() || found->second.vectorLength > place.realLength) {
        return nullptr;
    }
    return &found->second;
}

const Impl::StreamClass& Impl::ClassOfStreamOrThrow(int64_t streamBead) const {
    const StreamClass* streamClass = ClassOfStream(streamBead);
    if (streamClass == nullptr) {
        throw std::invalid_argument(std::to_string(streamBead) +
                                    " is not a stream of a known class");
    }
    return *streamClass;
}

const Impl::SubstreamLayout& Impl::SubstreamOrThrow(int64_t streamBead, int substream) const {
    const auto& substreams = ClassOfStreamOrThrow(streamBead).substreams;
    if (substream < 0 || static_cast<std::size_t>(substream) >= substreams.size()) {
        throw std::invalid_argument("stream " + std::to_string(streamBead) + " has no substream " +
                                    std::to_string(substream));
    }
    return substreams[static_cast<std::size_t>(substream)];
}

void SubstituteHost::SetSubstream(int64_t streamBead, int substream, const SubstreamState& state) {
    const auto& layout = m_impl->SubstreamOrThrow(streamBead, substream);
    if (static_cast<int64_t>(state.flows.size()) != layout.components) {
        throw std::invalid_argument("substream " + layout.id + " needs " +
                                    std::to_string(layout.components) + " component flows");
    }
    for (const double flow : state.flows) {
        RequireNonNegative(flow, "component flow");
    }
    CheckState(state.temperature, "temperature", true, false);
    CheckState(state.pressure, "pressure", true, false);
    CheckState(state.enthalpy, "enthalpy", false, false);
    CheckState(state.vaporFraction, "vapour fraction", false, true);
    CheckState(state.liquidFraction, "liquid fraction", false, true);
    CheckState(state.entropy, "entropy", false, false);
    CheckState(state.density, "density", true, false);
    if (!state.psd.empty()) {
        if (layout.psdOffset < 0 || static_cast<int64_t>(state.psd.size()) != layout.psdIntervals) {
            throw std::invalid_argument("substream " + layout.id + ": PSD needs " +
                                        std::to_string(layout.psdIntervals) + " fractions");
        }
        for (const double fraction : state.psd) {
            RequireNonNegative(fraction, "PSD fraction");
        }
    }

    const bool nonconventional = layout.type == records::kNonconventional;
    double total = 0;
    double massFlow = 0;
    for (int64_t i = 0; i < layout.components; ++i) {
        total += state.flows[i];
        massFlow += state.flows[i] * m_impl->MolecularWeight(i + 1, nonconventional);
    }
    double* vector = m_impl->RealWords(streamBead);
    double* substreamStart = vector + layout.offset;
    std::copy(state.flows.begin(), state.flows.end(), substreamStart);
    double* stateBlock = substreamStart + layout.components;
    stateBlock[sv::kTotalFlow] = total;
    stateBlock[sv::kTemperature] = state.temperature;
    stateBlock[sv::kPressure] = state.pressure;
    stateBlock[sv::kEnthalpy] = state.enthalpy;
    stateBlock[sv::kVaporFraction] = state.vaporFraction;
    stateBlock[sv::kLiquidFraction] = state.liquidFraction;
    stateBlock[sv::kEntropy] = state.entropy;
    stateBlock[sv::kDensity] = state.density;
    stateBlock[sv::kMolecularWeight] = total > 0 ? massFlow / total : 0.0;
    if (!state.psd.empty()) {
        std::copy(state.psd.begin(), state.psd.end(), substreamStart + layout.psdOffset);
    }
}

double* SubstituteHost::StreamVector(int64_t streamBead) {
    if (m_impl->builderStreams.count(streamBead) == 0 &&
        m_impl->allocatedStreams.count(streamBead) == 0) {
        throw std::invalid_argument(std::to_string(streamBead) + " is not a stream bead");
    }
    return m_impl->RealWords(streamBead);
}

int64_t SubstituteHost::VectorLength(int64_t streamBead) const {
    if (m_impl->builderStreams.count(streamBead) == 0 &&
        m_impl->allocatedStreams.count(streamBead) == 0) {
        throw std::invalid_argument(std::to_string(streamBead) + " is not a stream bead");
    }
    return m_impl->Find(streamBead)->realLength;
}

int64_t SubstituteHost::SubstreamOffset(int64_t streamBead, int substream) const {
    return m_impl->SubstreamOrThrow(streamBead, substream).offset;
}

int64_t SubstituteHost::SubstreamCount(int64_t streamBead) const {
    return static_cast<int64_t>(m_impl->ClassOfStreamOrThrow(streamBead).substreams.size());
}

int64_t SubstituteHost::PsdMeshBead(int64_t streamBead, int substream) const {
    const Impl::StreamClass& streamClass = m_impl->ClassOfStreamOrThrow(streamBead);
    if (substream < 0 || substream >= static_cast<int>(streamClass.substreams.size())) {
        throw std::invalid_argument("substream " + std::to_string(substream) + " out of range");
    }
    const auto& layout = streamClass.substreams[substream];
    if (layout.psdOffset < 0) {
        return 0;
    }
    const int64_t* classRecord = m_impl->IntegerWords(layout.classRecordBead);
    for (int64_t i = 0; i < classRecord[records::kSubstreamClassSlotCount]; ++i) {
        const int64_t* slot =
            classRecord + records::kSubstreamClassFirstSlot + records::kSlotWords * i;
        if (slot[records::kSlotValueOffset] == layout.psdOffset) {
            return slot[records::kSlotAttributeBead];
        }
    }
    return 0;
}

// ---- work memory -----------------------------------------------------------------------------

// Status codes: -1 unknown record kind, -2 bad length, -3 refused on request, -4 plex full.
int64_t Impl::AllocateStream(int64_t kind, int64_t length, int64_t& status) {
    status = kind != records::kRecordStream ? -1 : length <= 0 ? -2 : failAllocation ? -3 : 0;
    if (status < 0) {
        return 0;
    }
    const int64_t bead = nextAllocatedBead;
    try {
        CreateRecord(bead, kStreamRecordWords, length);
    } catch (const std::length_error&) {
        status = -4;
        return 0;
    }
    ++nextAllocatedBead;
    allocatedStreams.insert(bead);
    return bead;
}

void Impl::FreeAllocatedStream(int64_t bead) {
    if (allocatedStreams.erase(bead) != 0) {
        FreeRecord(bead);
    }
}

}  // namespace brixel::host
