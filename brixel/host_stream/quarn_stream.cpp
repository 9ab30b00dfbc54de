#include "brixel/host_stream/quarn_stream.h"

#include <algorithm>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace sv = brixel::stream_vector;

namespace {

enum IntParam : std::size_t {
    kReactionMaxIt,
    kPhases,
    kConvergence,
    kFlashMaxIt,
    kFixedWord,
    kSimDiag,
    kPropDiag,
    kStreamDiag,
    kCtrlDiag
};
enum RealParam : std::size_t { kReactionTolerance, kSecondValue, kFlashTolerance };
constexpr int64_t kAfterReaction = 2;  // the fixed word after a CSTR call

}  // namespace

QuarnStream::QuarnStream() {
    Initialize();
}

QuarnStream::QuarnStream(int stream, CBrixelBaseUnit* unit) : m_pUnit(unit) {
    Initialize();
    setStream(stream);
}

QuarnStream::QuarnStream(int stream, CBrixelBaseUnit* unit, const int64_t* reactions, int count)
    : QuarnStream(stream, unit) {
    setReactions(reactions, count);
}

QuarnStream::QuarnStream(const QuarnStream& other) = default;
QuarnStream& QuarnStream::operator=(const QuarnStream& other) = default;
QuarnStream::~QuarnStream() = default;

void QuarnStream::Initialize() {
    const int64_t defaults[] = {100, 2, 0, brixel::IntegerMissingValue(), 1, 4, 4, 4, 4};
    std::copy(std::begin(defaults), std::end(defaults), m_naIntParams);
    const double missing = brixel::RealMissingValue();
    m_dblaRealParams[kReactionTolerance] = 0.0001;
    m_dblaRealParams[kSecondValue] = missing;
    m_dblaRealParams[kFlashTolerance] = missing;
}

void QuarnStream::setUnit(CBrixelBaseUnit* unit) {
    m_pUnit = unit;
}

void QuarnStream::setStream(int stream) {
    m_nStream = stream;
    m_pStreamClass = nullptr;
    m_pStreamVector = nullptr;
    m_nNCC = m_nNNCC = m_nComps = 0;
    if (m_pUnit == nullptr) {
        return;
    }
    int bead = stream;
    m_pUnit->GetQuarnStreamInformation(bead, m_pStreamClass, m_pStreamVector, m_nNCC, m_nNNCC);
    m_nComps = m_nNCC + m_nNNCC;
}

void QuarnStream::setReactions(const int64_t* reactions, int count) {
    m_naReactions.clear();
    if (reactions != nullptr && count > 0) {
        m_naReactions.assign(reactions, reactions + count);
    }
}

void QuarnStream::setNPhases(int count) {
    m_naIntParams[kPhases] = count;
}
void QuarnStream::setReactionTolerance(double tolerance) {
    m_dblaRealParams[kReactionTolerance] = tolerance;
}
void QuarnStream::setReactionMaxIt(int iterations) {
    m_naIntParams[kReactionMaxIt] = iterations;
}
void QuarnStream::setFlashTolerance(double tolerance) {
    m_dblaRealParams[kFlashTolerance] = tolerance;
}
void QuarnStream::setFlashMaxIt(int iterations) {
    m_naIntParams[kFlashMaxIt] = iterations;
}
void QuarnStream::setSimDiag(int level) {
    m_naIntParams[kSimDiag] = level;
}
void QuarnStream::setPropDiag(int level) {
    m_naIntParams[kPropDiag] = level;
}
void QuarnStream::setStreamDiag(int level) {
    m_naIntParams[kStreamDiag] = level;
}
void QuarnStream::setCtrlDiag(int level) {
    m_naIntParams[kCtrlDiag] = level;
}
int QuarnStream::getConvergenceFlag() const {
    return static_cast<int>(m_naIntParams[kConvergence]);
}

// The state block follows the substream's own component flows (NNCC for an NC substream, NCC
// otherwise), as the host lays the vector out.
double* QuarnStream::StateEntry(int substream, int64_t entry) const {
    const brixel::StreamClassView view{m_pStreamClass};
    if (m_pStreamVector == nullptr || substream < 0 || substream >= view.SubstreamCount()) {
        return nullptr;
    }
    const int64_t position =
        sv::StatePosition(view.Offset(substream), view.ComponentCount(substream), entry);
    return position < view.VectorLength() ? m_pStreamVector + position : nullptr;
}

double* QuarnStream::FlowEntry(int component, int substream) const {
    const brixel::StreamClassView view{m_pStreamClass};
    if (m_pStreamVector == nullptr || substream < 0 || substream >= view.SubstreamCount() ||
        component < 1 || component > view.ComponentCount(substream)) {
        return nullptr;
    }
    return m_pStreamVector + view.Offset(substream) + component - 1;
}

double QuarnStream::Read(int substream, int64_t entry) const {
    const double* value = StateEntry(substream, entry);
    return value ? *value : brixel::RealMissingValue();
}

void QuarnStream::Write(int substream, int64_t entry, double value) {
    if (double* target = StateEntry(substream, entry)) {
        *target = value;
    }
}

double QuarnStream::getCompFlow(int component, int substream) const {
    const double* flow = FlowEntry(component, substream);
    return flow ? *flow : brixel::RealMissingValue();
}

void QuarnStream::setCompFlow(int component, int substream, double value) {
    if (double* flow = FlowEntry(component, substream)) {
        *flow = value;
    }
}

double QuarnStream::getTotalFlow(int substream) const {
    return Read(substream, sv::kTotalFlow);
}
double QuarnStream::getTemperature(int substream) const {
    return Read(substream, sv::kTemperature);
}
double QuarnStream::getPressure(int substream) const {
    return Read(substream, sv::kPressure);
}
double QuarnStream::getEnthalpy(int substream) const {
    return Read(substream, sv::kEnthalpy);
}
double QuarnStream::getVaporFraction(int substream) const {
    return Read(substream, sv::kVaporFraction);
}
double QuarnStream::getLiquidFraction(int substream) const {
    return Read(substream, sv::kLiquidFraction);
}
double QuarnStream::getEntropy(int substream) const {
    return Read(substream, sv::kEntropy);
}
double QuarnStream::getDensity(int substream) const {
    return Read(substream, sv::kDensity);
}
double QuarnStream::getMolecularWeight(int substream) const {
    return Read(substream, sv::kMolecularWeight);
}
void QuarnStream::setTotalFlow(double value, int substream) {
    Write(substream, sv::kTotalFlow, value);
}
void QuarnStream::setTemperature(double value, int substream) {
    Write(substream, sv::kTemperature, value);
}
void QuarnStream::setPressure(double value, int substream) {
    Write(substream, sv::kPressure, value);
}
void QuarnStream::setEnthalpy(double value, int substream) {
    Write(substream, sv::kEnthalpy, value);
}
void QuarnStream::setVaporFraction(double value, int substream) {
    Write(substream, sv::kVaporFraction, value);
}
void QuarnStream::setLiquidFraction(double value, int substream) {
    Write(substream, sv::kLiquidFraction, value);
}
void QuarnStream::setEntropy(double value, int substream) {
    Write(substream, sv::kEntropy, value);
}
void QuarnStream::setDensity(double value, int substream) {
    Write(substream, sv::kDensity, value);
}
void QuarnStream::setMolecularWeight(double value, int substream) {
    Write(substream, sv::kMolecularWeight, value);
}

bool QuarnStream::TPFlash() {
    return m_pUnit != nullptr &&
           m_pUnit->FlashStream(m_nStream, brixel::kFlashTP, getTemperature(0), 0.0,
                                brixel::RealMissingValue(), true);
}

bool QuarnStream::PQFlash() {
    return m_pUnit != nullptr && m_pUnit->FlashStream(m_nStream, brixel::kFlashPQ, 0.0, 0.0,
                                                      brixel::RealMissingValue(), true);
}

void QuarnStream::CSTR(int64_t* words, int64_t word, double value, double secondValue) {
    m_dblaRealParams[kSecondValue] = secondValue;
    if (m_pUnit != nullptr) {
        const int stream = m_nStream;
        int64_t bead = m_pUnit->ConvertPortToStreamBeadNumber(stream);
        auto count = static_cast<int64_t>(m_naReactions.size());
        BXUT_CRFLASH(&bead, &count, m_naReactions.data(), &value, m_naIntParams, m_dblaRealParams,
                     words, &word);
    }
    m_naIntParams[kFixedWord] = kAfterReaction;
}

void QuarnStream::KINADS(int64_t word1, int64_t word2, double value1, double value2) {
    BXUT_KINADS(&word1, &word2, &value1, &value2);
}
