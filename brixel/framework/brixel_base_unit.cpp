// Lifecycle of a unit: construction, binding, validation, the calculation frame, the
// fallback exit and destruction.
#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/flash_kode.h"

#include <exception>

#include "brixel/framework/component_table.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

namespace {

// A positive lower flash limit is raised just above itself, so that a value sitting exactly
// on the host's limit is not taken for the limit.
constexpr double kLowerLimitLift = 1e-11;

// Reads a host list record: word 0 the count, then 1-based component numbers; stored 0-based.
std::vector<int> ReadComponentList(int64_t bead) {
    std::vector<int> list;
    const int64_t* record = bead > 0 ? brixel::plex::IntRecord(bead) : nullptr;
    if (!record) {
        return list;
    }
    const int64_t* counts = HostComponentCounts();
    const int64_t total =
        counts ? counts[rec::kCountConventional] + counts[rec::kCountNonconventional] : 0;
    const int64_t count = record[0];
    if (count < 0 || count > total) {
        return list;
    }
    for (int64_t j = 1; j <= count; ++j) {
        if (record[j] >= 1 && record[j] <= total) {
            list.push_back(static_cast<int>(record[j] - 1));
        }
    }
    return list;
}

// A substream (state block at `state`) that carries material but lacks its temperature or
// phase fractions.
bool SubstreamLacksState(const double* state) {
    const double total = state[sv::kTotalFlow];
    return total > 0.0 && brixel::IsGiven(total) &&
           (brixel::IsMissing(state[sv::kTemperature]) ||
            brixel::IsMissing(state[sv::kVaporFraction]) ||
            brixel::IsMissing(state[sv::kLiquidFraction]));
}

}  // namespace

CBrixelBaseUnit::CBrixelBaseUnit() {
    // The unit reads the store of the host that constructs it: bases set for an earlier host
    // instance would address memory that is gone.
    brixel::plex::SetupFromHost();
    RefreshMarkers();
    m_nFlashMaxit = m_nIMiss;
    m_dblFlashTol = m_dblRMiss;
    m_nFlashNPhase = m_nIMiss;
    m_nFlashPhase = m_nIMiss;

    brixel::FlashLimits limits{};
    if (brixel::ReadFlashLimits(limits)) {
        m_dblTmin = limits.temperatureMin;
        m_dblTmax = limits.temperatureMax;
        m_dblPmin = limits.pressureMin;
        m_dblPmax = limits.pressureMax;
    }
    if (m_dblTmin > 0.0) {
        m_dblTmin += kLowerLimitLift;
    }
    if (m_dblPmin > 0.0) {
        m_dblPmin += kLowerLimitLift;
    }
    m_dblAmbientPressure = HostAmbientPressure();
    ReadPolymerSetup();

    int64_t location = 0;
    int64_t count = 0;
    HostConvSolidComponents(&location, &count);
    for (int64_t j = 0; j < count; ++j) {
        const int64_t* number = brixel::plex::IntAt(location + j);
        if (number && *number >= 1) {
            m_naSolidComps.push_back(static_cast<int>(*number - 1));
        }
    }

    SetCalculationPhase(true);
    EnableOutput(false);
}

void CBrixelBaseUnit::ReadPolymerSetup() {
    const int64_t key = HostPolymerAttributes();
    if (key == 0) {
        return;
    }
    m_pPolymerDescriptor = brixel::plex::IntRecord(key);
    if (!m_pPolymerDescriptor) {
        return;
    }
    const int64_t optionsBead = m_pPolymerDescriptor[rec::kPolymerOptions];
    const int64_t* options = optionsBead > 0 ? brixel::plex::IntRecord(optionsBead) : nullptr;
    if (!options) {
        return;
    }
    m_nSolidmerFlag = static_cast<int>(options[rec::kPolymerOptionsSolidmer]);
    const int64_t option = options[rec::kPolymerOptionsOption];
    if (option == 0 || option == 1) {
        m_nPolymerOption = static_cast<int>(option);
    }
    if (m_nSolidmerFlag != 0) {
        m_naPolymers = ReadComponentList(m_pPolymerDescriptor[rec::kPolymerPolymerList]);
        m_naOligomers = ReadComponentList(m_pPolymerDescriptor[rec::kPolymerOligomerList]);
        m_naCatalysts = ReadComponentList(m_pPolymerDescriptor[rec::kPolymerCatalystList]);
        if (const double* real = brixel::plex::RealRecord(optionsBead)) {
            m_dblPolymerParameter = real[rec::kPolymerOptionsParameter];
        }
    }
}

CBrixelBaseUnit::~CBrixelBaseUnit() {
    // Nothing may escape a destructor; each step is guarded on its own so that a failure in
    // one does not keep the inlets from being restored or the streams from being released.
    try {
        ClearZeroFlowSubstreams();
    } catch (...) {
    }
    try {
        RestoreInlets();
    } catch (...) {
    }
    // Only allocated streams are released: the first entry is the class's standard dummy
    // stream or the placeholder, and releasing by bead keeps this right even after that
    // entry was removed.
    for (const int bead : m_naInternalStreams) {
        if (bead > rec::kAllocatedBeadBase) {
            const int64_t word = bead;
            HostFree(&word);
        }
    }
    m_naInternalStreams.clear();
}

void CBrixelBaseUnit::RestoreInlets() {
    if (m_bInletsFlashed) {
        const std::size_t count =
            std::min(m_naSavedInlets.size(), static_cast<std::size_t>(m_nInlets));
        for (std::size_t i = 0; i < count; ++i) {
            const int inlet = static_cast<int>(m_pInlets[i]);
            const int saved = m_naSavedInlets[i];
            double* target = brixel::plex::RealRecord(inlet);
            const double* source = brixel::plex::RealRecord(saved);
            const int length = VectorLengthOf(inlet);
            if (target && source && length > 0 && length == VectorLengthOf(saved)) {
                std::copy(source, source + length, target);
            }
        }
    }
    m_naSavedInlets.clear();
}

// ---- binding ----

void CBrixelBaseUnit::SetStreamBeads(int64_t* inletCount, int64_t* inlets, int64_t* outletCount,
                                     int64_t* outlets) {
    // Counts are read as 32-bit; a negative count or a missing array binds no ports.
    const auto count = [](const int64_t* n, const int64_t* beads) {
        return (n && beads && *n > 0) ? static_cast<int>(static_cast<int32_t>(*n)) : 0;
    };
    m_nInlets = std::max(0, count(inletCount, inlets));
    m_pInlets = inlets;
    m_nOutlets = std::max(0, count(outletCount, outlets));
    m_pOutlets = outlets;
}

void CBrixelBaseUnit::SetUnitBeads(int64_t* intParameters, double* realParameters) {
    m_pIntvals = intParameters;
    m_pRealvals = realParameters;
}

void CBrixelBaseUnit::SetQuarnParams(int64_t* /*unused1*/, int64_t* methodSet, int64_t* /*unused2*/,
                                     int64_t* statusBlock) {
    m_pNBOPST = methodSet;
    SetIscp(statusBlock);
}

void CBrixelBaseUnit::SetNBOPST(int64_t* methodSet) {
    m_pNBOPST = methodSet;
}

void CBrixelBaseUnit::SetBlockID(int64_t* packedId, int flag) {
    m_nBlockIDFlag = flag;
    m_pBlockID = flag != 0 ? packedId : nullptr;
    m_strBlockName = packedId ? CString(brixel::plex::Unpack(packedId, rec::kIdChars)) : CString();
}

// ---- lifecycle ----

long CBrixelBaseUnit::Initialize() {
    m_nPolymerCheckInlet = 0;
    return brixel::kStatusOk;
}

void CBrixelBaseUnit::ValidateData() {
    ClearValidationErrors();
}

long CBrixelBaseUnit::Validate(BSTR* message, VARIANT_BOOL* valid) {
    if (!message || !valid) {
        return brixel::kStatusNullPointer;
    }
    try {
        *valid = VARIANT_TRUE;
        m_nValidationStatus = 2;
        const auto invalidate = [&] {
            m_nValidationStatus = 1;
            *valid = VARIANT_FALSE;
        };
        if (m_nInlets + m_nOutlets != m_saPortNames.GetSize()) {
            invalidate();
        }
        ValidateData();
        if (HasValidationErrors()) {
            invalidate();
        }
        if (!ValidatePSDMesh()) {
            invalidate();
        }
        return brixel::kStatusOk;
    } catch (long status) {
        m_nValidationStatus = 1;
        *valid = VARIANT_FALSE;
        return status;
    } catch (...) {
        m_nValidationStatus = 1;
        *valid = VARIANT_FALSE;
        return brixel::kStatusFail;
    }
}

long CBrixelBaseUnit::Calculate() {
    m_bCalculationStarted = true;
    ClearCalculationErrors();
    ClearWarnings();
    try {
        ValidateData();
        if (HasValidationErrors()) {
            return brixel::kStatusCapeUnknown;
        }
        const int64_t* counts = HostComponentCounts();
        const bool nonconventional = counts && counts[rec::kCountNonconventional] > 0;

        for (int i = 0; i < m_nInlets; ++i) {
            const int inlet = static_cast<int>(m_pInlets[i]);
            if (!InletNeedsFlash(inlet)) {
                continue;
            }
            // Keep a copy of every inlet before the first flash so that the destructor can
            // hand the host's inlets back as they came.
            if (m_naSavedInlets.empty()) {
                std::vector<int> saved;
                for (int j = 0; j < m_nInlets; ++j) {
                    saved.push_back(CreateInternalStream(static_cast<int>(m_pInlets[j])));
                }
                m_naSavedInlets = std::move(saved);
            }
            m_bInletsFlashed = true;
            if (!FlashStream(inlet, brixel::kFlashPQ, 0.0, 0.0, m_dblRMiss, true) &&
                ReportFailedInletFlash(inlet)) {
                return brixel::kStatusFail;
            }
        }

        const bool polymers =
            !m_naPolymers.empty() || !m_naOligomers.empty() || !m_naCatalysts.empty();
        if (m_nSolidmerFlag != 0 && polymers && m_nPolymerCheckInlet >= 0 &&
            m_nPolymerCheckInlet < m_nInlets) {
            CheckSolidPolymersStream(static_cast<int>(m_pInlets[m_nPolymerCheckInlet]));
        }
        if (nonconventional) {
            const std::vector<int64_t> name = brixel::plex::Pack("IDXNCC", rec::kIdChars);
            const int64_t offset = HostCommonDataOffset(name.data());
            m_pNCIndex = offset > 0 ? brixel::plex::IntAt(offset + 1) : nullptr;
        }
        return brixel::kStatusOk;
    } catch (long status) {
        return status < 0 ? status : brixel::kStatusFail;
    } catch (...) {
        return brixel::kStatusFail;
    }
}

bool CBrixelBaseUnit::LacksState(int bead) const {
    const brixel::StreamClassView view(StreamClassOf(bead));
    const double* vector = brixel::plex::RealRecord(bead);
    for (int k = 0; vector && k < view.SubstreamCount(); ++k) {
        if (SubstreamLacksState(vector + view.Offset(k) + view.ComponentCount(k))) {
            return true;
        }
    }
    return false;
}

bool CBrixelBaseUnit::ReportFailedInletFlash(int inlet) {
    // Without a phase state a model cannot tell vapour from liquid, and would lose the
    // material it cannot place; at different temperatures it can work on the inlet as given.
    if (LacksState(inlet)) {
        RaiseCalculationError(2, "FLASH CALCULATION OF INLET FAILED; ITS PHASES ARE NOT KNOWN.",
                              "BASEUNIT", false);
        return true;
    }
    RaiseWarning(2, "FLASH CALCULATION OF INLET FAILED; INLET USED AS GIVEN.", "BASEUNIT", false);
    SetIscpOf(rec::kStatusOutcome, rec::kOutcomeWarning);
    return false;
}

bool CBrixelBaseUnit::InletNeedsFlash(int inlet) {
    const brixel::StreamClassView view(StreamClassOf(inlet));
    const double* vector = brixel::plex::RealRecord(inlet);
    if (!vector) {
        return false;
    }
    bool needsFlash = false;
    double reference = m_dblRMiss;
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const int64_t base = view.Offset(k) + view.ComponentCount(k);
        const double temperature = vector[base + sv::kTemperature];
        if (SubstreamLacksState(vector + base)) {
            needsFlash = true;
        } else if (brixel::IsGiven(temperature)) {
            if (brixel::IsMissing(reference)) {
                reference = temperature;
            } else if (temperature != reference) {
                needsFlash = true;
                if (CheckErrorPrint("BASEUNIT", true, 4, 1)) {
                    AddErrorText(1, "SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.");
                    AddErrorText(
                        2, "THERMODYNAMIC EQUILIBRIUM WILL BE ASSUMED FOR FURTHER CALCULATIONS.");
                    AddErrorText(3, "INLET STREAMS WILL BE PQ-FLASHED.");
                    PrintError(3);
                }
            }
        }
    }
    return needsFlash;
}

void CBrixelBaseUnit::SetOutletStreams() {
    if (m_nInlets == 1 && m_nOutlets == 1) {
        CopyStream(static_cast<int>(m_pInlets[0]), static_cast<int>(m_pOutlets[0]));
    }
}

void CBrixelBaseUnit::SetErrorExit() {
    if (int64_t* status = GetIscp()) {
        int64_t& outcome = status[rec::kStatusOutcome];
        if (outcome == rec::kOutcomePreset || outcome == rec::kOutcomeWarning) {
            outcome =
                HasValidationErrors() ? rec::kOutcomeFallbackValidation : rec::kOutcomeFallback;
        }
    }
    try {
        SetOutletStreams();
    } catch (...) {
        // The fallback exit must reach the history line even when the outlets cannot be set.
    }
    WriteHis("");
    WriteHis("ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO FALLBACK MODE!");
}
