#include <algorithm>
#include <cmath>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/messages/error_print.h"
#include "brixel/models/distribution/distribution_curves.h"
#include "brixel/models/distribution/parameter_completion.h"
#include "brixel/models/distribution/set_distributed_property.h"
#include "brixel/properties/phase_properties.h"

namespace {

constexpr const char* kTag = "DISPRP";
constexpr double kFullBypass = 0.9999999999;
constexpr double kFractionSumLow = 0.99999;
constexpr double kFractionSumHigh = 1.000001;
constexpr int kModeCumulative = 1;
constexpr int kModeFractions = 2;

// Keeps the element's stream numbers set for one SetDistributionInStream, and releases its
// bypass stream, on every path.
class StreamScope {
  public:
    StreamScope(CBrixelBaseUnit& unit, int& inlet, int& outlet, int& internal)
        : m_unit(unit), m_inlet(inlet), m_outlet(outlet), m_internal(internal) {}
    ~StreamScope() {
        if (m_internal > 0) {
            m_unit.RemoveInternalStream(m_internal);
        }
        m_inlet = m_outlet = m_internal = -1;
    }
    StreamScope(const StreamScope&) = delete;
    StreamScope& operator=(const StreamScope&) = delete;

  private:
    CBrixelBaseUnit& m_unit;
    int& m_inlet;
    int& m_outlet;
    int& m_internal;
};

void ThrowOnFailure(long status) {
    if (status < 0) {
        throw status;
    }
}

// Moves mass from the classes that lose to those that gain, in proportion to the gain: row i
// keeps p/p_in of class i and hands the rest on; every row sums to 1.
CComSafeArray<double> PsdMovementMatrix(const std::vector<double>& target,
                                        const std::vector<double>& inlet) {
    const std::size_t n = target.size();
    std::vector<double> d(n);
    double gain = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        d[k] = target[k] - inlet[k];
        if (d[k] > 0.0) {
            gain += d[k];
        }
    }
    const SAFEARRAYBOUND bounds[2] = {{static_cast<uint32_t>(n), 0}, {static_cast<uint32_t>(n), 0}};
    CComSafeArray<double> matrix(bounds, 2);
    double* m = nullptr;
    ThrowOnFailure(SafeArrayAccessData(matrix.m_psa, reinterpret_cast<void**>(&m)));
    // Element (i, j) at i + j n: the left-most index runs fastest.
    for (std::size_t i = 0; i < n; ++i) {
        if (d[i] >= 0.0 || inlet[i] == 0.0 || !(gain > 0.0)) {
            m[i + i * n] = 1.0;
            continue;
        }
        m[i + i * n] = target[i] / inlet[i];
        const double handedOn = -d[i] / inlet[i];
        for (std::size_t j = 0; j < n; ++j) {
            if (d[j] > 0.0) {
                m[i + j * n] = handedOn * d[j] / gain;
            }
        }
    }
    SafeArrayUnaccessData(matrix.m_psa);
    return matrix;
}

std::vector<double> Values(const CComSafeArray<double>& values) {
    std::vector<double> plain(values.GetCount());
    for (std::size_t k = 0; k < plain.size(); ++k) {
        plain[k] = values.GetAt(values.GetLowerBound() + static_cast<long>(k));
    }
    return plain;
}

}  // namespace

void CSetDistributedProperty::ValidateData() {
    const auto raise = [&](uint32_t code, const std::vector<CString>& lines) {
        if (!m_pErrorInterface) {
            return;
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            m_pErrorInterface->RaiseValidationError(code, lines[i], kTag, i + 1 < lines.size());
        }
    };
    if (m_strPropertyName != "PSD") {
        raise(10, {"DISTRIBUTION PROPERTY IS NOT 'PSD'"});
    }
    if (brixel::IsMissing(m_dblBypass)) {
        raise(11, {"THE VALUE FOR BYPASS IS NOT SET."});
    } else if (m_dblBypass < 0.0 || m_dblBypass > 1.0) {
        raise(12, {brixel::Formatted("THE VALUE FOR BYPASS (%.6g) MUST BE BETWEEN 0 AND 1.",
                                     m_dblBypass),
                   "BLOCK BYPASSED."});
    } else if (m_dblBypass > kFullBypass) {
        return;
    }

    double sum = 0.0;
    for (int i = 0; i < m_nDistributions; ++i) {
        const auto numbered = [&](const char* format) {
            CString text;
            text.Format(format, i + 1);
            return text;
        };
        // The size parameter's not-set and not-positive checks exclude each other; the
        // second parameter is checked in either case. A second parameter that is not a
        // number, or missing, is as unusable as one that is not positive.
        const auto check = [&](double size, uint32_t notSet, const char* notSetText,
                               uint32_t notPositive, std::vector<CString> notPositiveLines,
                               double second, uint32_t secondCode,
                               std::vector<CString> secondLines) {
            if (brixel::IsMissing(size)) {
                raise(notSet, {numbered(notSetText), "BASED ON GIVEN INPUT."});
            } else if (size <= 0.0) {
                raise(notPositive, notPositiveLines);
            }
            if (!(second > 0.0) || brixel::IsMissing(second)) {
                raise(secondCode, secondLines);
            }
        };
        switch (m_naTypes[i]) {
            case brixel::kDistributionRrsb:
                check(m_daD63[i], 13,
                      "D63 FOR THE RRSB DISTRIBUTION %d IS NOT SET OR COULD NOT BE CALCULATED", 14,
                      {numbered("D63 FOR THE RRSB DISTRIBUTION %d MUST BE GREATER THAN 0. BLOCK "
                                "BYPASSED.")},
                      m_daRrsbN[i], 15,
                      {numbered("DISPERSION PARAMETER FOR THE RRSB DISTRIBUTION %d MUST BE GREATER "
                                "THAN 0."),
                       "BLOCK BYPASSED."});
                break;
            case brixel::kDistributionGgs:
                check(m_daXmax[i], 16,
                      "Xmax FOR THE GGS DISTRIBUTION %d IS NOT SET OR COULD NOT BE CALCULATED", 17,
                      {numbered("Xmax FOR THE GGS DISTRIBUTION %d MUST BE GREATER THAN 0. BLOCK "
                                "BYPASSED")},
                      m_daGgsM[i], 18,
                      {numbered("THE STEEPNESS OF THE GGS DISTRIBUTION %d MUST BE GREATER THAN 0."),
                       "BLOCK BYPASSED."});
                break;
            case brixel::kDistributionLogNormal:
                check(m_daLogNormalD50[i], 19,
                      "D50 FOR THE LOG NOMRMAL DISTRIBUTION %d IS NOT SET OR COULD NOT BE "
                      "CALCULATED",
                      20,
                      {numbered("D50 FOR THE LOG NOMRMAL DISTRIBUTION %d MUST BE GREATER THAN 0."),
                       "BLOCK BYPASSED."},
                      m_daLogNormalSigma[i], 21,
                      {numbered("GEOMETRIC MEAN DEVIATION OF LOG NORMAL DISTRIBUTION %d MUST BE "
                                "GREATER"),
                       "THAN 0. BLOCK BYPASSED."});
                break;
            case brixel::kDistributionNormal:
                check(m_daNormalD50[i], 22,
                      "D50 FOR THE NORMAL DISTRIBUTION %d IS NOT SET OR COULD NOT BE CALCULATED",
                      23,
                      {numbered("D50 FOR THE NORMAL DISTRIBUTION %d MUST BE GREATER THAN 0. BLOCK "
                                "BYPASSED")},
                      m_daNormalSigma[i], 24,
                      {numbered("STANDARD DEVIATION OF THE NORMAL DISTRIBUTION %d MUST BE GREATER "
                                "THAN 0."),
                       "BLOCK BYPASSED."});
                break;
            case brixel::kDistributionTabular:
                if (m_nTableEntries < 1) {
                    raise(25, {"WEIGHT FRACTIONS FOR TABULAR DATA ARE MISSING", "BLOCK BYPASSED."});
                }
                break;
            default:
                break;
        }
        const double fraction = m_daFractions[i];
        if (brixel::IsGiven(fraction)) {
            if (fraction < 0.0 || fraction > 1.0) {
                CString text;
                text.Format("THE FRACTION OF DISTRIBUTION %d (%.6g) MUST BE BETWEEN 0 AND 1. ",
                            i + 1, fraction);
                raise(27, {text, "BLOCK BYPASSED."});
            }
            sum += fraction;
        }
    }
    if (m_nDistributions > 1 && (sum < kFractionSumLow || sum > kFractionSumHigh)) {
        raise(28, {brixel::Formatted("SUM OF FRACTIONS SPECIFIED TO SUPERPOSE DISTRIBUTIONS "
                                     "(%.6g) MUST BE 1.",
                                     sum),
                   "BLOCK BYPASSED."});
    }
}

long CSetDistributedProperty::DistributionFractions(int i, const CComSafeArray<VARIANT>& mesh,
                                                    CComSafeArray<double>& fractions, int* status) {
    const int type = m_naTypes[i];
    if (type == brixel::kDistributionTabular) {
        const long tabular = CalculateTabularDistribution(mesh, fractions);
        return tabular < 0 ? tabular : Normalize(fractions, kModeFractions, status);
    }
    CComSafeArray<double> cumulative;
    long curve = brixel::kStatusFail;
    switch (type) {
        case brixel::kDistributionGgs:
            curve = CalculateGGS(m_daGgsM[i], m_daXmax[i], mesh, cumulative);
            break;
        case brixel::kDistributionRrsb:
            curve = CalculateRRSB(m_daRrsbN[i], m_daD63[i], mesh, cumulative);
            break;
        case brixel::kDistributionLogNormal:
            curve = CalculateLogNormalDistribution(m_daLogNormalSigma[i], m_daLogNormalD50[i], mesh,
                                                   cumulative);
            break;
        case brixel::kDistributionNormal:
            curve =
                CalculateNormalDistribution(m_daNormalSigma[i], m_daNormalD50[i], mesh, cumulative);
            break;
        default:
            return brixel::kStatusFail;
    }
    if (curve < 0) {
        return curve;
    }
    const long normalized = Normalize(cumulative, kModeCumulative, status);
    return normalized < 0 ? normalized : CalcDeltaQ3(cumulative, fractions);
}

long CSetDistributedProperty::CalculateDistribution(const CComSafeArray<VARIANT>& mesh,
                                                    CComSafeArray<double>& fractions, int* status) {
    return brixel::GuardedCall([&] {
        if (status) {
            *status = 0;
        }
        if (mesh.GetCount() < 2) {
            return brixel::kStatusInvalidArgument;
        }
        std::vector<double> target(mesh.GetCount() - 1, 0.0);
        bool contributed = false;
        int worst = 0;
        for (int i = 0; i < m_nDistributions; ++i) {
            const double weight = m_nDistributions == 1 ? 1.0 : m_daFractions[i];
            if (!(weight > 0.0) || !brixel::IsGiven(weight)) {
                continue;
            }
            CComSafeArray<double> single;
            int normalization = 0;
            const long result = DistributionFractions(i, mesh, single, &normalization);
            worst = std::max(worst, normalization);
            if (status) {
                *status = worst;
            }
            ThrowOnFailure(result);
            for (std::size_t k = 0; k < target.size(); ++k) {
                target[k] += weight * single.GetAt(static_cast<long>(k));
            }
            contributed = true;
        }
        // A distribution of no mass would empty the outlet's PSD.
        if (!contributed) {
            return brixel::kStatusFail;
        }
        CComSafeArray<double> result(static_cast<uint32_t>(target.size()));
        for (std::size_t k = 0; k < target.size(); ++k) {
            result.GetAt(static_cast<long>(k)) = target[k];
        }
        fractions = std::move(result);
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::GenerateInternalStream(double flow, int source) {
    return brixel::GuardedCall([&] {
        if (!m_pUnit) {
            return brixel::kStatusFail;
        }
        const int bead = m_pUnit->CreateInternalStream(source);
        if (bead <= 0) {
            return brixel::kStatusCapeUnknown;
        }
        m_nInternalStream = bead;
        m_pUnit->CopyStream(source, bead);
        return m_pUnit->SetOverallProp(bead, brixel::kPropertyTotalFlow, flow, brixel::kBasisMass);
    });
}

long CSetDistributedProperty::MergeInternalStream() {
    return brixel::GuardedCall([&] {
        // Stream beads start at 1 000 000; anything below is a port number or not set.
        if (!m_pUnit || m_nInternalStream < brixel::records::kFirstStreamBead ||
            m_nOutletStream < brixel::records::kFirstStreamBead) {
            return brixel::kStatusCapeUnknown;
        }
        return m_pUnit->MergeStreams(m_nOutletStream, m_nInternalStream, false)
                   ? brixel::kStatusOk
                   : brixel::kStatusCapeUnknown;
    });
}

long CSetDistributedProperty::SetDistributionInStream(int inlet, int outlet, int bypassSource,
                                                      int* status) {
    return brixel::GuardedCall([&] {
        if (status) {
            *status = 0;
        }
        if (!m_pUnit) {
            return brixel::kStatusFail;
        }
        CBrixelBaseUnit& unit = *m_pUnit;
        const int source = bypassSource != 0 ? bypassSource : inlet;
        if (m_dblBypass > kFullBypass) {
            unit.CopyStream(source, outlet);
            return brixel::kStatusOk;
        }
        m_nInletStream = unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(inlet));
        m_nOutletStream = unit.ConvertPortToStreamBeadNumber(static_cast<const int&>(outlet));
        const StreamScope scope(unit, m_nInletStream, m_nOutletStream, m_nInternalStream);

        double feed = 0.0;
        if (m_dblBypass > 0.0) {
            ThrowOnFailure(unit.GetOverallProp(m_nInletStream, brixel::kPropertyTotalFlow, &feed,
                                               brixel::kBasisMass));
            ThrowOnFailure(GenerateInternalStream(m_dblBypass * feed, source));
        }

        if (m_naSelection.empty() || (m_naSelection.size() > 1 && m_naSelection[0] != -3)) {
            return brixel::kStatusFail;
        }
        const CComBSTR name(m_strPropertyName.GetString());
        CComBSTR meshUnit;
        CComSafeArray<VARIANT> mesh;
        CComSafeArray<double> inletPsd;
        ThrowOnFailure(unit.GetSolidAttribute(m_nInletStream, name, meshUnit, mesh, inletPsd,
                                              m_naSelection[0]));
        if (mesh.GetCount() == 0) {
            ThrowOnFailure(unit.GetSolidAttrDefinition(m_nInletStream, name, meshUnit, mesh,
                                                       m_naSelection[0]));
        }
        if (mesh.GetCount() < 2) {
            return brixel::kStatusFail;
        }
        const std::size_t intervals = mesh.GetCount() - 1;

        CComSafeArray<double> distribution;
        ThrowOnFailure(CalculateDistribution(mesh, distribution, status));
        const std::vector<double> target = Values(distribution);

        double solids = 0.0;
        const bool inletHasPsd = inletPsd.GetCount() == intervals;
        if (m_bUseMovementMatrix && inletHasPsd) {
            ThrowOnFailure(unit.GetSinglePhaseProp(m_nInletStream, brixel::kPropertyTotalFlow,
                                                   m_naSelection[0], &solids, brixel::kBasisMass));
        }
        if (m_bUseMovementMatrix && inletHasPsd && solids >= CBrixelBaseUnit::m_dblRMin) {
            const CComSafeArray<double> matrix = PsdMovementMatrix(target, Values(inletPsd));
            if (m_naSelection[0] == brixel::kPhaseSolid) {
                ThrowOnFailure(unit.ApplyMovMatrix(m_nOutletStream, name, matrix,
                                                   brixel::kBasisMass, brixel::kPhaseSolid));
            } else {
                for (const int phase : m_naSelection) {
                    ThrowOnFailure(unit.ApplyMovMatrix(m_nOutletStream, name, matrix,
                                                       brixel::kBasisMass, phase));
                }
            }
        } else {
            CComSafeArray<BSTR> names(1);
            names.SetAt(0, name);
            CComSafeArray<double> values(static_cast<uint32_t>(intervals));
            for (std::size_t k = 0; k < intervals; ++k) {
                values.GetAt(static_cast<long>(k)) = target[k];
            }
            for (const int phase : m_naSelection) {
                ThrowOnFailure(unit.SetSolidAttribute(m_nOutletStream, names, values, phase));
            }
        }

        if (m_dblBypass > 0.0) {
            ThrowOnFailure(unit.SetOverallProp(m_nOutletStream, brixel::kPropertyTotalFlow,
                                               (1.0 - m_dblBypass) * feed, brixel::kBasisMass));
            ThrowOnFailure(MergeInternalStream());
        }
        return brixel::kStatusOk;
    });
}
