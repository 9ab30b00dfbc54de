#include "brixel/models/distribution/set_distributed_property.h"

#include <cmath>
#include <numeric>
#include <utility>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/status.h"
#include "brixel/messages/error_print.h"
#include "brixel/models/distribution/distribution_curves.h"
#include "brixel/models/distribution/distribution_table.h"
#include "brixel/models/distribution/parameter_completion.h"

namespace {

constexpr const char* kTag = "DISPRP";
constexpr int kWarningLevel = 3;
constexpr int kEstimateLevel = 3;  // error level that marks an estimated PSD
constexpr int kModeCumulative = 1;
constexpr int kModeFractions = 2;
constexpr double kNoMassOnMesh = 1e-20;
constexpr double kSilentCorrection = 0.01;  // deviations of the reference up to 1 % pass quietly

// Parameter defaults of a newly added distribution.
constexpr double kDefaultRrsbDispersion = 1.0;
constexpr double kDefaultGgsExponent = 1e-7;
constexpr double kDefaultSigma = 1e-6;

// Mesh boundaries as plain doubles: the variants' double members, the type not examined.
std::vector<double> MeshValues(const CComSafeArray<VARIANT>& mesh) {
    std::vector<double> x(mesh.GetCount());
    const long lower = mesh.GetLowerBound();
    for (std::size_t k = 0; k < x.size(); ++k) {
        x[k] = mesh.GetAt(lower + static_cast<long>(k)).dblVal;
    }
    return x;
}

std::vector<double> MeshOrThrow(const CComSafeArray<VARIANT>& mesh) {
    if (mesh.GetDimensions() != 1) {
        throw brixel::kStatusInvalidArgument;
    }
    std::vector<double> x = MeshValues(mesh);
    if (!brixel::IsSizeMesh(x.data(), x.size())) {
        throw brixel::kStatusInvalidArgument;
    }
    return x;
}

// A one-dimensional output of `count` doubles starting at 0, recreated when it has another
// shape.
void Shape(CComSafeArray<double>& values, std::size_t count) {
    if (values.GetDimensions() != 1 || values.GetCount() != count || values.GetLowerBound() != 0) {
        const long status = values.Create(static_cast<uint32_t>(count));
        if (status != brixel::kStatusOk) {
            throw status;
        }
    }
}

void Store(const std::vector<double>& from, CComSafeArray<double>& to) {
    Shape(to, from.size());
    for (std::size_t k = 0; k < from.size(); ++k) {
        to.GetAt(static_cast<long>(k)) = from[k];
    }
}

}  // namespace

CSetDistributedProperty::CSetDistributedProperty(CBrixelBaseUnit* unit)
    : CUnitElement(unit), m_pErrorInterface(unit) {
    SetNumberOfDistributions(1);
}

CSetDistributedProperty::~CSetDistributedProperty() = default;

bool CSetDistributedProperty::PrintLines(const char* tag, bool calculation, int level, int code,
                                         const std::vector<CString>& lines) {
    return brixel::PrintMessageLines(m_pErrorInterface, tag, calculation, level, code, lines);
}

// ---- curves ----

long CSetDistributedProperty::CalculateRRSB(double n, double d63,
                                            const CComSafeArray<VARIANT>& mesh,
                                            CComSafeArray<double>& cumulative) {
    return brixel::GuardedCall([&] {
        const std::vector<double> x = MeshOrThrow(mesh);
        std::vector<double> q3(x.size());
        brixel::RrsbCumulative(n, d63, x.data(), x.size(), q3.data());
        Store(q3, cumulative);
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::CalculateGGS(double m, double xmax,
                                           const CComSafeArray<VARIANT>& mesh,
                                           CComSafeArray<double>& cumulative) {
    return brixel::GuardedCall([&] {
        const std::vector<double> x = MeshOrThrow(mesh);
        std::vector<double> q3(x.size());
        brixel::GgsCumulative(m, xmax, x.data(), x.size(), q3.data());
        Store(q3, cumulative);
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::CalculateNormalDistribution(double sigma, double d50,
                                                          const CComSafeArray<VARIANT>& mesh,
                                                          CComSafeArray<double>& cumulative) {
    return brixel::GuardedCall([&] {
        const std::vector<double> x = MeshOrThrow(mesh);
        std::vector<double> q3(x.size());
        if (!brixel::NormalCumulative(sigma, d50, x.data(), x.size(), q3.data())) {
            return brixel::kStatusFail;
        }
        Store(q3, cumulative);
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::CalculateLogNormalDistribution(double sigma, double d50,
                                                             const CComSafeArray<VARIANT>& mesh,
                                                             CComSafeArray<double>& cumulative) {
    return brixel::GuardedCall([&] {
        const std::vector<double> x = MeshOrThrow(mesh);
        std::vector<double> q3(x.size());
        if (!brixel::LogNormalCumulative(sigma, d50, x.data(), x.size(), q3.data())) {
            return brixel::kStatusFail;
        }
        Store(q3, cumulative);
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::CalculateTabularDistribution(const CComSafeArray<VARIANT>& mesh,
                                                           CComSafeArray<double>& fractions) {
    return brixel::GuardedCall([&] {
        const std::vector<double> x = MeshOrThrow(mesh);
        const int intervals = static_cast<int>(x.size()) - 1;
        std::vector<double> q(intervals, 0.0);
        Store(q, fractions);
        const brixel::DistributionTable table{m_pTableLower, m_pTableUpper, m_pTableWeights,
                                              m_nTableEntries, m_nTableStride};
        if (!brixel::IsSizeTable(table)) {
            throw brixel::kStatusInvalidArgument;
        }
        if (brixel::TableMatchesMesh(table, x.data(), intervals)) {
            for (int k = 0; k < intervals; ++k) {
                if (brixel::IsGiven(table.RawWeight(k))) {
                    q[k] = table.RawWeight(k);
                }
            }
            Store(q, fractions);
            return brixel::kStatusOk;
        }

        auto spline = brixel::SplineMapping::kTooFewPoints;
        int tooFewCode = 0;
        if (m_nTabularMethod == brixel::kTableSpline) {
            spline = brixel::MapTableSpline(table, x.data(), intervals, q.data());
            tooFewCode = 29;
        } else if (m_nTabularMethod == brixel::kTableRrsbSpline) {
            spline = brixel::MapTableRrsbSpline(table, x.data(), intervals, q.data());
            tooFewCode = 30;
        } else if (m_nTabularMethod != brixel::kTableLinear) {
            return brixel::kStatusOk;
        }
        if (spline == brixel::SplineMapping::kFailed) {
            return brixel::kStatusFail;
        }
        if (spline == brixel::SplineMapping::kTooFewPoints) {
            if (tooFewCode != 0) {
                PrintLines(kTag, true, kWarningLevel, tooFewCode,
                           {"NOT ENOUGH POINTS FOR SPLINE INTERPOLATION. USING LINEAR",
                            "INTERPOLATION INSTEAD."});
            }
            std::fill(q.begin(), q.end(), 0.0);
            const brixel::TableOverflow overflow =
                brixel::MapTableLinear(table, x.data(), intervals, q.data());
            if (overflow.below) {
                PrintLines(kTag, true, kWarningLevel, 35,
                           {"TABULAR DATA SPECIFIED FOR PARTICLES SMALLER THAN SMALLEST SIZE",
                            "INTERVAL IN SIMULATION MESH. MASS ADDED TO SMALLEST SIZE INTERVAL."});
            }
            if (overflow.above) {
                PrintLines(kTag, true, kWarningLevel, 36,
                           {"TABULAR DATA SPECIFIED FOR PARTICLE SIZES LARGER THAN BIGGEST SIZE",
                            "INTERVAL IN SIMULATION MESH. MASS ADDED TO BIGGEST SIZE INTERVAL."});
            }
        }
        Store(q, fractions);
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::Normalize(CComSafeArray<double>& values, int mode, int* status) {
    return brixel::GuardedCall([&] {
        if (status) {
            *status = 0;
        }
        if (mode != kModeCumulative && mode != kModeFractions) {
            return brixel::kStatusCapeInvalidArgument;
        }
        const long count = values.GetCount();
        if (values.GetDimensions() != 1 || count < 1) {
            return brixel::kStatusInvalidArgument;
        }
        const long lower = values.GetLowerBound();
        double reference = values.GetAt(lower + count - 1);
        if (mode == kModeFractions) {
            reference = 0.0;
            for (long k = 0; k < count; ++k) {
                reference += values.GetAt(lower + k);
            }
        }
        if (reference == 1.0) {
            return brixel::kStatusOk;
        }
        // A reference that is not a number would spread NaN over the distribution.
        if (!(reference >= kNoMassOnMesh) || !std::isfinite(reference)) {
            const bool estimate = m_nErrorLevel == kEstimateLevel;
            std::vector<CString> lines{
                estimate ? "CALCULATED ESTIMATED PSD DOES NOT FIT INTO THE DEFINED MESH."
                         : "CALCULATED PSD DOES NOT FIT INTO THE DEFINED MESH.",
                "CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT IS 0.0.",
                "CHECK THE SPECIFIED DISTRIBUTION FUNCTION PARAMETER."};
            if (estimate) {
                lines.emplace_back("ESTIMATED PSD INPUT NOT USED.");
            }
            if (PrintLines(kTag, true, m_nErrorLevel, mode == kModeCumulative ? 31 : 33, lines) &&
                status) {
                *status = 2;
            }
            return brixel::kStatusCapeUnknown;
        }
        if (std::fabs(1.0 - reference) > kSilentCorrection) {
            const std::vector<CString> lines =
                mode == kModeCumulative
                    ? std::vector<CString>{brixel::Formatted(
                                               "CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT "
                                               "(%.6g) DOES NOT",
                                               reference),
                                           "EQUAL 1.0. DISTRIBUTION WILL BE NORMALIZED."}
                    : std::vector<CString>{
                          brixel::Formatted("CUMMULATIVE PSD FOR THE LARGEST SIZE LIMIT "
                                            "(%.6g) DOES NOT EQUAL 1.0.",
                                            reference),
                          "DISTRIBUTION WILL BE NORMALIZED."};
            if (PrintLines(kTag, true, kWarningLevel, mode == kModeCumulative ? 32 : 34, lines) &&
                status) {
                *status = 1;
            }
        }
        for (long k = 0; k < count; ++k) {
            values.GetAt(lower + k) /= reference;
        }
        return brixel::kStatusOk;
    });
}

long CSetDistributedProperty::CalcDeltaQ3(CComSafeArray<double> cumulative,
                                          CComSafeArray<double>& fractions) {
    return brixel::GuardedCall([&] {
        const long count = cumulative.GetCount();
        if (cumulative.GetDimensions() != 1 || count < 2) {
            return brixel::kStatusInvalidArgument;
        }
        std::vector<double> q3(count);
        for (long k = 0; k < count; ++k) {
            q3[k] = cumulative.GetAt(cumulative.GetLowerBound() + k);
        }
        std::vector<double> q(count - 1);
        brixel::DifferenceCumulative(q3.data(), q3.size(), q.data());
        Store(q, fractions);
        return brixel::kStatusOk;
    });
}

// ---- parameters ----

void CSetDistributedProperty::SetNumberOfDistributions(int n) {
    n = std::max(n, 0);
    const double missing = CBrixelBaseUnit::m_dblRMiss;
    m_naTypes.resize(n, 0);
    m_daD63.resize(n, missing);
    m_daRrsbN.resize(n, kDefaultRrsbDispersion);
    m_daXmax.resize(n, missing);
    m_daGgsM.resize(n, kDefaultGgsExponent);
    m_daNormalD50.resize(n, missing);
    m_daNormalSigma.resize(n, kDefaultSigma);
    m_daLogNormalD50.resize(n, missing);
    m_daLogNormalSigma.resize(n, kDefaultSigma);
    m_daFractions.resize(n, n > 0 ? 1.0 / n : 0.0);
    m_nDistributions = n;
}

void CSetDistributedProperty::SetTabularData(int count, const double* lowerBound,
                                             const double* upperBounds, const double* weights,
                                             int stride) {
    SetNumberOfDistributions(1);
    m_naTypes[0] = brixel::kDistributionTabular;
    m_pTableLower = lowerBound;
    m_pTableUpper = upperBounds;
    m_pTableWeights = weights;
    m_nTableEntries = count;
    m_nTableStride = stride;
}

void CSetDistributedProperty::ReadError(int index, int code, std::vector<CString> lines) {
    CString first;
    first.Format("ERROR READING DATA FOR DISTRIBUTION FUNCTION %d", index + 1);
    lines.insert(lines.begin(), first);
    PrintLines(kTag, false, 2, code, lines);
    brixel::ClearFloatingPointFlags();
    m_daFractions[index] = 0.0;
}

void CSetDistributedProperty::SetDistrFuncData(int index, int type, double d50, double d63,
                                               double xmax, double steepness, double ggsExponent,
                                               double rrsbDispersion, double normalSigma,
                                               double logNormalSigma, double fraction) {
    if (index < 0) {
        return;
    }
    if (index >= m_nDistributions) {
        SetNumberOfDistributions(index + 1);
    }
    m_daFractions[index] = fraction;
    const bool known = type == brixel::kDistributionGgs || type == brixel::kDistributionRrsb ||
                       type == brixel::kDistributionLogNormal;
    m_naTypes[index] = known ? type : brixel::kDistributionNormal;

    switch (m_naTypes[index]) {
        case brixel::kDistributionGgs:
            CompleteGgs(index, d50, d63, xmax, ggsExponent);
            break;
        case brixel::kDistributionRrsb:
            CompleteRrsb(index, d50, d63, steepness, rrsbDispersion);
            break;
        case brixel::kDistributionLogNormal:
            m_daLogNormalSigma[index] = logNormalSigma;
            if (brixel::IsGiven(d50)) {
                m_daLogNormalD50[index] = d50;
            } else if (brixel::IsGiven(d63)) {
                const double median = d63 / std::exp(brixel::kMedianShift * logNormalSigma);
                if (std::isfinite(median)) {
                    m_daLogNormalD50[index] = median;
                } else {
                    ReadError(index, 8,
                              {"D50 FOR THE LOG-NORMAL DISTRIBUTION COULD NOT BE CALCULATED",
                               brixel::Formatted(
                                   "BASED ON GIVEN D63 (%.6g) AND STANDARD DEVIATION (%.6g).", d63,
                                   logNormalSigma)});
                }
            } else {
                m_daLogNormalD50[index] = d50;
            }
            break;
        default:
            m_daNormalSigma[index] = normalSigma;
            m_daNormalD50[index] = !brixel::IsGiven(d50) && brixel::IsGiven(d63)
                                       ? d63 - brixel::kMedianShift * normalSigma
                                       : d50;
            break;
    }
}

void CSetDistributedProperty::CompleteGgs(int index, double d50, double d63, double xmax,
                                          double exponent) {
    double m = m_daGgsM[index];
    const brixel::GgsPair pair = brixel::GgsExponentFromSizes(xmax, d50, d63, m);
    if (!pair.firstName) {
        m = exponent;
    }
    m_daGgsM[index] = m;
    if (pair.firstName && !std::isfinite(m)) {
        ReadError(index, 1,
                  {"GGS DISPERSION PARAMETER COULD NOT BE CALCULATED", brixel::GgsPairLine(pair)});
    }

    if (brixel::IsGiven(xmax) || m == 0.0) {
        m_daXmax[index] = xmax;
        return;
    }
    double top = xmax;
    if (brixel::IsGiven(d50)) {
        top = d50 / std::pow(brixel::kQ3AtD50, 1.0 / m);
    } else if (brixel::IsGiven(d63)) {
        top = d63 / std::pow(brixel::kQ3AtD63ForXmax, 1.0 / m);
    }
    m_daXmax[index] = top;
    if (!std::isfinite(top)) {
        std::vector<CString> lines{
            "MAXIMUM PARTICLE DIAMETER OF GGS DISTRIBUTION COULD NOT BE CALCULATED"};
        for (CString& line : brixel::XmaxFailureLines(d50, d63, m)) {
            lines.push_back(std::move(line));
        }
        ReadError(index, 2, std::move(lines));
    }
}

void CSetDistributedProperty::CompleteRrsb(int index, double d50, double d63, double steepness,
                                           double dispersion) {
    double& n = m_daRrsbN[index];
    if (!brixel::IsGiven(steepness)) {
        if (brixel::IsGiven(d50) && brixel::IsGiven(d63)) {
            n = brixel::RrsbDispersionFromSizes(d50, d63, brixel::kRrsbOversizeAtD63);
            if (!std::isfinite(n)) {
                ReadError(
                    index, 5,
                    {"RRSB DISPERSION PARAMETER COULD NOT BE CALCULATED",
                     brixel::Formatted("BASED ON GIVEN D50 (%.6g) AND D63 (%.6g).", d50, d63)});
            }
        } else if (brixel::IsGiven(dispersion)) {
            n = dispersion;
        }
    } else if (steepness > 0.0 && steepness < 1.0) {
        n = brixel::RrsbDispersionFromSteepness(steepness);
        if (!std::isfinite(n)) {
            ReadError(index, 4,
                      {"RRSB DISPERSION PARAMETER COULD NOT BE CALCULATED",
                       brixel::Formatted("BASED ON GIVEN STEEPNESS (%.6g). DECREASE STEEPNESS.",
                                         steepness)});
        }
    } else {
        n = CBrixelBaseUnit::m_dblRMiss;
        ReadError(
            index, 3,
            {brixel::Formatted("STEEPNESS (%.6g) HAS TO BE DEFINED GREATER THAN 0. AND", steepness),
             "SMALLER THAN 1."});
    }

    if (brixel::IsGiven(d63) || !brixel::IsGiven(d50)) {
        m_daD63[index] = d63;
        return;
    }
    if (!(d50 > 0.0)) {
        m_daD63[index] = 1.0;
        ReadError(index, 6,
                  {brixel::Formatted("D50 (%.6g) HAS TO BE DEFINED GREATER THAN 0.", d50)});
        return;
    }
    const double size = brixel::RrsbD63FromD50(d50, n);
    m_daD63[index] = size;
    if (!std::isfinite(size)) {
        ReadError(index, 7,
                  {"D63 FOR THE RRSB DISTRIBUTION COULD NOT BE CALCULATED",
                   brixel::Formatted(
                       "BASED ON GIVEN D50 (%.6g) AND RRSB DISPERSION PARAMETER (%.6g).", d50, n)});
    }
}
