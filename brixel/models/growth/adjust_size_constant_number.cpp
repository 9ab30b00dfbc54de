#include "brixel/models/growth/adjust_size_constant_number.h"

#include <cmath>
#include <utility>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/platform/array_values.h"
#include "brixel/properties/phase_properties.h"

namespace {

namespace growth = brixel::growth;

constexpr const char* kIncrementTag = "DLTGRWTH";
constexpr const char* kEquivalentTag = "EQUGRWTH";
constexpr uint32_t kInvalidInput = 999;

// Message numbers: the increment laws', then equivalent growth's.
struct MessageNumbers {
    uint32_t overhangsTop;
    uint32_t belowBottom;
    uint32_t aboveTop;
    uint32_t applyFailed;
};
constexpr MessageNumbers kIncrementNumbers{4, 5, 6, 7};
constexpr MessageNumbers kEquivalentNumbers{3, 4, 5, 6};
constexpr uint32_t kNoInletSolids = 1;
constexpr uint32_t kSubstreamInput = 2;
constexpr uint32_t kIncrementFailed = 3;

CString Substream(const char* format, const CString& id) {
    CString text;
    text.Format(format, id.GetString(), id.GetString());
    return text;
}

// Element (i, j) of a platform matrix at i + j n: the left-most index runs fastest.
CComSafeArray<double> MatrixArray(const std::vector<double>& rows, std::size_t n) {
    const SAFEARRAYBOUND bounds[2] = {{static_cast<uint32_t>(n), 0}, {static_cast<uint32_t>(n), 0}};
    CComSafeArray<double> matrix(bounds, 2);
    auto* m = static_cast<double*>(matrix.m_psa->pvData);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            m[i + j * n] = rows[i * n + j];
        }
    }
    return matrix;
}

}  // namespace

CAdjustSizeConstantNumber::CAdjustSizeConstantNumber(CBrixelBaseUnit* owner) : m_pUnit(owner) {}

void CAdjustSizeConstantNumber::SetMethod(int method, int /*unused*/) {
    m_nMethod = method;
    m_bWeighted = growth::WeightsByNewMass(method);
}

long CAdjustSizeConstantNumber::AdjustSize(int inlet, int outlet) {
    if (!m_pUnit) {
        return brixel::kStatusFail;
    }
    if (growth::IsIncrementMethod(m_nMethod)) {
        return AdjustSizeMcCabe(inlet, outlet);
    }
    if (growth::IsEquivalentMethod(m_nMethod)) {
        return AdjustSizeEquivalent(inlet, outlet);
    }
    m_pUnit->RaiseCalculationError(kInvalidInput, "INVALID GROWTH METHOD SELECTED!", "", false);
    return brixel::kStatusFail;
}

long CAdjustSizeConstantNumber::AdjustSize(const CString& inlet, const CString& outlet) {
    if (!m_pUnit) {
        return brixel::kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        const int inletBead = m_pUnit->GetBeadNumberFromName(inlet);
        const int outletBead = m_pUnit->GetBeadNumberFromName(outlet);
        return AdjustSize(inletBead, outletBead);
    });
}

long CAdjustSizeConstantNumber::AdjustSizeMcCabe(int inlet, int outlet) {
    return AdjustSubstreams(inlet, outlet, false);
}

long CAdjustSizeConstantNumber::AdjustSizeEquivalent(int inlet, int outlet) {
    return AdjustSubstreams(inlet, outlet, true);
}

double CAdjustSizeConstantNumber::CalcDissolvedMassMcCabe(double increment, double massIn,
                                                          double density,
                                                          const std::vector<double>& numbers,
                                                          const std::vector<double>& means,
                                                          const std::vector<double>& masses,
                                                          std::vector<double>& changes) const {
    return growth::DissolvedMass(growth::LawOf(m_nMethod), increment, massIn, density, numbers,
                                 means, masses, changes);
}

void CAdjustSizeConstantNumber::ReportEvents(const growth::SpreadEvents& events, bool equivalent) {
    const MessageNumbers& number = equivalent ? kEquivalentNumbers : kIncrementNumbers;
    const char* tag = equivalent ? kEquivalentTag : kIncrementTag;
    if (!m_bWarnedAbove && (events.overhangsTop || events.aboveTop)) {
        m_bWarnedAbove = true;
        m_pUnit->RaiseWarning(events.overhangsTop ? number.overhangsTop : number.aboveTop,
                              "SOME PARTICLES GROW ABOVE THE BIGGEST SIZE INTERVAL DEFINED.", tag,
                              false);
    }
    if (!m_bWarnedBelow && events.belowBottom) {
        m_bWarnedBelow = true;
        m_pUnit->RaiseWarning(number.belowBottom,
                              "SOME PARTICLES SHRINK BELOW THE SMALLEST SIZE INTERVAL DEFINED.",
                              tag, false);
    }
}

bool CAdjustSizeConstantNumber::ReadSubstream(int inlet, int outlet, int substream,
                                              const CString& id, const char* tag,
                                              growth::GrowthInput& input) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const int64_t* streamClass = brixel::StreamClassOfStream(inlet);
    const auto solids = [&](int bead) {
        double flow = 0.0;
        if (substream >= 1) {
            return unit.GetSinglePhaseProp(bead, brixel::kPropertyTotalFlow, substream, &flow,
                                           brixel::kBasisMass) == 0
                       ? flow
                       : 0.0;
        }
        if (!unit.IsSolidFlowInSubStream(bead, 0) ||
            unit.GetSinglePhaseProp(bead, brixel::kPropertyTotalFlow, brixel::kPhaseSolid, &flow,
                                    brixel::kBasisMass) != 0) {
            return 0.0;
        }
        for (int other = 1; other < unit.GetNSubs(streamClass); ++other) {
            double part = 0.0;
            if (unit.GetSinglePhaseProp(bead, brixel::kPropertyTotalFlow, other, &part,
                                        brixel::kBasisMass) == 0) {
                flow -= part;
            }
        }
        return flow;
    };
    input.massIn = solids(inlet);
    input.massOut = solids(outlet);
    const double negligible = CBrixelBaseUnit::m_dblRMin;
    if (!(input.massOut > negligible)) {
        return false;
    }
    if (!(input.massIn > negligible)) {
        unit.RaiseWarning(kNoInletSolids,
                          Substream("SOLID MASS ADDED TO SUBSTREAM %s WHICH HAS NO SOLIDS FLOW AT "
                                    "INLET. PARTICLE GROWTH MODEL CANNOT BE CALCULATED. "
                                    "CALCULATION FOR SUBSTREAM %s SKIPPED AND SOLIDS EVENLY "
                                    "DISTRIBUTED IN EACH INTERVAL.",
                                    id),
                          tag, false);
        return false;
    }

    const auto density = [&](int bead, double& value) {
        value = CBrixelBaseUnit::m_dblRMiss;
        if (substream >= 1) {
            return unit.GetSinglePhaseProp(bead, brixel::kPropertyDensity, substream, &value,
                                           brixel::kBasisMass) == 0;
        }
        CComBSTR densityUnit;
        CComSafeArray<VARIANT> densities;
        CComSafeArray<double> shares;
        if (unit.GetSolidAttribute(bead, CComBSTR("Density"), densityUnit, densities, shares,
                                   substream) != 0 ||
            densities.GetCount() == 0) {
            return false;
        }
        value = brixel::ArrayValues(densities)[0];
        return true;
    };
    // A density that is missing, not positive or not a number cannot size a particle.
    const auto usable = [](double value) { return value > 0.0 && brixel::IsGiven(value); };
    if (!density(inlet, input.densityIn) || !usable(input.densityIn)) {
        unit.RaiseCalculationError(kSubstreamInput,
                                   Substream("Failed to get solid density at inlet for substream "
                                             "%s. Calculation for substream %s skipped.",
                                             id),
                                   tag, false);
        return false;
    }
    if (!density(outlet, input.densityOut) || !usable(input.densityOut)) {
        unit.RaiseCalculationError(kSubstreamInput,
                                   Substream("Failed to get solid density at outlet for substream "
                                             "%s. Calculation for substream %s skipped.",
                                             id),
                                   tag, false);
        return false;
    }

    CComBSTR meshUnit;
    CComSafeArray<VARIANT> mesh;
    CComSafeArray<double> psd;
    const long read =
        unit.GetSolidAttribute(inlet, CComBSTR("PSD"), meshUnit, mesh, psd, substream);
    if (read == 0 && psd.GetCount() == 0) {
        return false;
    }
    if (read == 0) {
        input.mesh = brixel::ArrayValues(mesh);
        input.fractions = brixel::ArrayValues(psd);
    }
    if (read != 0 || !growth::UsableMesh(input.mesh, input.fractions)) {
        unit.RaiseCalculationError(kSubstreamInput,
                                   Substream("Failed to get PSD at inlet for substream %s. "
                                             "Calculation for substream %s skipped.",
                                             id),
                                   tag, false);
        return false;
    }
    input.negligible = negligible;
    return true;
}

long CAdjustSizeConstantNumber::AdjustSubstreams(int inlet, int outlet, bool equivalent) {
    if (!m_pUnit) {
        return brixel::kStatusFail;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    m_results.clear();
    m_bWarnedAbove = false;
    m_bWarnedBelow = false;
    // Ports are taken as their streams; what names no stream is refused before anything is
    // read.
    int inletBead = -1;
    int outletBead = -1;
    try {
        inletBead = unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(inlet));
        outletBead = unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(outlet));
    } catch (...) {
    }
    const int64_t* streamClass = inletBead >= brixel::records::kFirstStreamBead
                                     ? brixel::StreamClassOfStream(inletBead)
                                     : nullptr;
    if (!streamClass || outletBead < brixel::records::kFirstStreamBead ||
        !brixel::StreamClassOfStream(outletBead)) {
        unit.RaiseCalculationError(kInvalidInput, "INVALID BEAD NUMBER!", "", false);
        return brixel::kStatusFail;
    }
    return brixel::GuardedCall([&] {
        AdjustEachSubstream(inletBead, outletBead, streamClass, equivalent);
        return brixel::kStatusOk;
    });
}

void CAdjustSizeConstantNumber::AdjustEachSubstream(int inletBead, int outletBead,
                                                    const int64_t* streamClass, bool equivalent) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const char* tag = equivalent ? kEquivalentTag : kIncrementTag;
    const MessageNumbers& number = equivalent ? kEquivalentNumbers : kIncrementNumbers;
    for (int k = 0; k < unit.GetNSubs(streamClass); ++k) {
        if (!unit.HasPSD(streamClass, k)) {
            continue;
        }
        const CString id = unit.GetSubstreamID(streamClass, k);
        growth::SubstreamGrowth result;
        result.substream = k;
        if (!ReadSubstream(inletBead, outletBead, k, id, tag, result.input)) {
            continue;
        }
        result.plan =
            equivalent ? growth::EquivalentGrowth(m_nMethod, result.input)
                       : growth::IncrementGrowth(m_nMethod, result.input, m_nIncrementIterations);
        if (!result.plan.ok) {
            if (equivalent) {
                unit.RaiseCalculationError(number.applyFailed, "ADJUSTING PSD PROPERTIES FAILED.",
                                           tag, false);
            } else {
                unit.RaiseCalculationError(kIncrementFailed,
                                           Substream("Calculation of size change failed for "
                                                     "substream %s. PSD remains unchanged for "
                                                     "this substream.",
                                                     id),
                                           tag, false);
            }
            m_results.push_back(std::move(result));
            continue;
        }
        ReportEvents(result.plan.events, equivalent);
        const std::size_t n = result.input.fractions.size();
        if (unit.ApplyMovMatrix(outletBead, CComBSTR("PSD"), MatrixArray(result.plan.matrix, n),
                                brixel::kBasisMass, k) != 0) {
            unit.RaiseCalculationError(number.applyFailed,
                                       equivalent ? "ADJUSTING PSD PROPERTIES FAILED."
                                                  : "ApplyMovMatrix failed! Port 'OUTLET'",
                                       tag, false);
        } else {
            result.adjusted = true;
        }
        m_results.push_back(std::move(result));
    }
}
