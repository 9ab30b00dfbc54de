#include "brixel/framework/component_table.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"
#include "brixel/messages/history.h"

namespace brixel {

namespace {

int64_t ComponentCount(int which) {
    const int64_t* counts = HostComponentCounts();
    return counts ? counts[which] : 0;
}

// Unpacks `characters` characters from plex words IB(first) ... ; empty outside the store.
std::string UnpackPlex(int64_t first, int characters) {
    const int words = records::WordsForCharacters(characters);
    if (!plex::IntAt(first) || !plex::IntAt(first + words - 1)) {
        return {};
    }
    return plex::Unpack(plex::IntAt(first), characters);
}

std::string IdFromTable(int64_t index, int table, int64_t count) {
    if (index < 0 || index >= count) {
        return {};
    }
    const int64_t* tables = HostPropertyTable();
    if (!tables || tables[table] <= 0) {
        return {};
    }
    return UnpackPlex(tables[table] + 1 + records::kIdWords * index, records::kIdChars);
}

// Offset of a component parameter; 0 when unknown or the name is longer than 8 characters.
int64_t ParameterOffset(const std::string& name) {
    if (name.size() > static_cast<std::size_t>(records::kIdChars)) {
        return 0;
    }
    const std::vector<int64_t> packed = plex::Pack(name, records::kIdChars);
    return HostComponentDataOffset(packed.data());
}

// Parameter of the 1-based component number `component`.
double ParameterOfNumber(const std::string& name, int64_t component) {
    const int64_t offset = ParameterOffset(name);
    const double* value = offset > 0 && component > 0 ? plex::RealAt(offset + component) : nullptr;
    return value ? *value : RealMissingValue();
}

}  // namespace

double RealMissingValue() {
    const double* reals = HostRealGlobals();
    return reals ? reals[records::kRealGlobalMissing] : CBrixelBaseUnit::m_dblRMiss;
}

double SmallestReal() {
    const double* reals = HostRealGlobals();
    return reals ? reals[records::kRealGlobalSmallest] : CBrixelBaseUnit::m_dblRMin;
}

int64_t IntegerMissingValue() {
    const int64_t* globals = HostGlobals();
    return globals ? globals[records::kGlobalMissing] : CBrixelBaseUnit::m_nIMiss;
}

int64_t ConventionalComponentCount() {
    return ComponentCount(records::kCountConventional);
}

int64_t NonconventionalComponentCount() {
    return ComponentCount(records::kCountNonconventional);
}

std::string ConventionalComponentId(int64_t index) {
    return IdFromTable(index, records::kPropertyTableConventionalIds, ConventionalComponentCount());
}

std::string NonconventionalComponentId(int64_t index) {
    return IdFromTable(index, records::kPropertyTableNonconventionalIds,
                       NonconventionalComponentCount());
}

std::string ComponentFormula(int64_t index) {
    if (index < 0 || index >= ConventionalComponentCount()) {
        return {};
    }
    const int64_t offset = ParameterOffset("FRMULA");
    if (offset <= 0) {
        return {};
    }
    return UnpackPlex(offset + records::kFormulaWords * index + 1, records::kFormulaChars);
}

std::string ComponentCas(int64_t index) {
    if (index < 0 || index >= ConventionalComponentCount()) {
        return {};
    }
    const int64_t number = index + 1;
    int64_t cas[records::kCasWords] = {};
    if (HostComponentIndexFromCas(&number, cas) != number) {
        return {};
    }
    return plex::Unpack(cas, records::kCasChars);
}

double ComponentParameter(const std::string& name, int64_t index) {
    if (index < 0 || index >= ConventionalComponentCount()) {
        return RealMissingValue();
    }
    return ParameterOfNumber(name, index + 1);
}

double ComponentParameterById(const std::string& name, const std::string& id) {
    if (id.empty() || id.size() > static_cast<std::size_t>(records::kIdChars)) {
        return RealMissingValue();
    }
    const std::vector<int64_t> packed = plex::Pack(id, records::kIdChars);
    return ParameterOfNumber(name, HostComponentIndexFromId(packed.data()));
}

double ComponentMolecularWeight(int64_t index) {
    return ComponentParameter("MW", index);
}

bool ReadFlashLimits(FlashLimits& limits) {
    const double* reals = HostRealGlobals();
    if (!reals) {
        return false;
    }
    limits = {reals[records::kRealGlobalTemperatureMin], reals[records::kRealGlobalTemperatureMax],
              reals[records::kRealGlobalPressureMin], reals[records::kRealGlobalPressureMax]};
    return true;
}

int64_t MoisturePosition(int64_t streamBead, int64_t substream, int64_t position) {
    const int64_t* offsets = HostOffsetCommon();
    const int64_t moistureOffset = offsets ? offsets[records::kOffsetMoisture] : 0;
    if (moistureOffset == 0) {
        return -1;
    }
    const int64_t* streamClass = StreamClassOfStream(streamBead);
    if (!streamClass) {
        return -1;
    }
    const int64_t count = StreamClassView{streamClass}.SubstreamCount();
    if (substream < 1 || substream > count) {
        WriteHistoryRecord("PROGRAMMING ERROR CALLING MOISTOFF - ISUB=" + std::to_string(substream),
                           records::WordsForCharacters(records::kHistoryChars));
        return -1;
    }
    if (HostSubstreamType(&streamBead, &substream) != records::kNonconventional) {
        return -1;
    }
    int64_t entryPosition = 0;
    if (__builtin_add_overflow(position, moistureOffset, &entryPosition)) {
        return -1;
    }
    const int64_t* entry = plex::IntAt(entryPosition);
    if (!entry || *entry < 0) {
        return -1;
    }
    return NonconventionalComponentCount() + *entry + HostPhaseList(&streamBead, &substream) +
           records::kMoistureStateWords;
}

}  // namespace brixel
