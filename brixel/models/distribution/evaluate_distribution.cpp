#include "brixel/models/distribution/evaluate_distribution.h"

#include <cmath>
#include <utility>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/missing_value.h"
#include "brixel/messages/error_print.h"
#include "brixel/models/distribution/distribution_curves.h"
#include "brixel/models/distribution/parameter_completion.h"
#include "brixel/models/distribution/set_distributed_property.h"

namespace brixel {

namespace {

constexpr const char* kTag = "EVALDISTR";
constexpr int kErrorLevel = 2;
constexpr int64_t kFailed = 2;

// A completion failure: the message offered, the flags cleared.
struct Failure {
    int code;
    std::vector<CString> lines;
};

struct Completed {
    double first = 0.0;   // RRSB n, GGS m, sigma
    double second = 0.0;  // D63, Xmax, D50
};

Completed CompleteRrsb(const DistributionFunctionInput& in) {
    double n = 0.0;
    if (IsGiven(in.steepness)) {
        n = in.steepness == 0.0 ? 0.0 : RrsbDispersionFromSteepness(in.steepness);
        if (!std::isfinite(n) || n <= 0.0) {
            throw Failure{1,
                          {"RRSB DISPERSION PARAMETER COULD NOT BE CALCULATED",
                           Formatted("BASED ON GIVEN STEEPNESS (%.6g).", in.steepness)}};
        }
    } else if (IsGiven(in.d50) && IsGiven(in.d63)) {
        n = RrsbDispersionFromSizes(in.d50, in.d63, kRrsbOversizeAtD63Evaluation);
        if (!std::isfinite(n) || n <= 0.0) {
            throw Failure{2,
                          {"RRSB DISPERSION PARAMETER COULD NOT BE CALCULATED",
                           Formatted("BASED ON GIVEN D50 (%.6g) AND D63 (%.6g).", in.d50, in.d63)}};
        }
    } else if (IsGiven(in.rrsbDispersion)) {
        n = in.rrsbDispersion;
    }
    double d63 = 0.0;
    if (IsGiven(in.d63)) {
        d63 = in.d63;
    } else if (IsGiven(in.d50)) {
        d63 = RrsbD63FromD50(in.d50, n);
        if (!std::isfinite(d63)) {
            throw Failure{3,
                          {"D63 FOR THE RRSB DISTRIBUTION COULD NOT BE CALCULATED",
                           Formatted("BASED ON GIVEN D50 (%.6g) AND RRSB DISPERSION PARAMETER "
                                     "(%.6g).",
                                     in.d50, n)}};
        }
    }
    return {n, d63};
}

Completed CompleteGgs(const DistributionFunctionInput& in) {
    double m = in.ggsExponent;
    const GgsPair pair = GgsExponentFromSizes(in.xmax, in.d50, in.d63, m);
    if (!std::isfinite(m)) {
        std::vector<CString> lines{"GGS DISPERSION PARAMETER COULD NOT BE CALCULATED"};
        if (pair.firstName) {
            lines.push_back(GgsPairLine(pair));
        }
        throw Failure{4, std::move(lines)};
    }
    double xmax = in.xmax;
    if (IsMissing(xmax) && m != 0.0) {
        xmax = IsGiven(in.d50) ? in.d50 / std::pow(kQ3AtD50, 1.0 / m)
                               : in.d63 / std::pow(kQ3AtD63, 1.0 / m);
    }
    // A missing Xmax (m = 0 and none given) is as unusable as one that could not be formed.
    if (!IsGiven(xmax)) {
        std::vector<CString> lines{
            "MAXIMUM PARTICLE DIAMETER OF GGS DISTRIBUTION COULD NOT BE CALCULATED"};
        for (CString& line : XmaxFailureLines(in.d50, in.d63, m)) {
            lines.push_back(std::move(line));
        }
        throw Failure{5, std::move(lines)};
    }
    return {m, xmax};
}

// D50 of the normal and log-normal forms: given, else from D63, else 0 (refused by the curve).
double Median(const DistributionFunctionInput& in, double fromD63) {
    if (IsGiven(in.d50)) {
        return in.d50;
    }
    return IsGiven(in.d63) ? fromD63 : 0.0;
}

}  // namespace

void EvaluateDistributionFunction(const DistributionFunctionInput& input, int64_t intervals,
                                  const double* boundaries, double* fractions, int64_t* statusBlock,
                                  int64_t* status) {
    *status = 0;
    if (input.type < kDistributionGgs || input.type > kDistributionNormal) {
        return;
    }
    CErrorPrint printer(statusBlock);
    CSetDistributedProperty element(nullptr);
    element.SetErrorInterface(&printer);

    // Every failure below leaves the output untouched and reports status 2, whether or not
    // the host chose to show its message: the caller must not take old output for a result.
    if (intervals < 1 || !boundaries || !fractions ||
        !IsSizeMesh(boundaries, static_cast<std::size_t>(intervals) + 1)) {
        *status = kFailed;
        return;
    }
    CComSafeArray<VARIANT> mesh(static_cast<uint32_t>(intervals + 1));
    for (int64_t k = 0; k <= intervals; ++k) {
        VARIANT& value = mesh.GetAt(static_cast<long>(k));
        value.vt = VT_R8;
        value.dblVal = boundaries[k];
    }

    CComSafeArray<double> cumulative;
    long result = 0;
    try {
        switch (input.type) {
            case kDistributionRrsb: {
                const Completed rrsb = CompleteRrsb(input);
                result = element.CalculateRRSB(rrsb.first, rrsb.second, mesh, cumulative);
                break;
            }
            case kDistributionGgs: {
                const Completed ggs = CompleteGgs(input);
                result = element.CalculateGGS(ggs.first, ggs.second, mesh, cumulative);
                break;
            }
            case kDistributionNormal:
                result = element.CalculateNormalDistribution(
                    input.normalSigma, Median(input, input.d63 - kMedianShift * input.normalSigma),
                    mesh, cumulative);
                break;
            default: {
                const double median =
                    Median(input, input.d63 / std::exp(kMedianShift * input.logNormalSigma));
                if (!std::isfinite(median)) {
                    throw Failure{7,
                                  {"D50 FOR THE LOG-NORMAL DISTRIBUTION COULD NOT BE CALCULATED",
                                   Formatted("BASED ON GIVEN D63 (%.6g) AND STANDARD DEVIATION "
                                             "(%.6g).",
                                             input.d63, input.logNormalSigma)}};
                }
                result = element.CalculateLogNormalDistribution(input.logNormalSigma, median, mesh,
                                                                cumulative);
                break;
            }
        }
    } catch (const Failure& failure) {
        PrintMessageLines(&printer, kTag, true, kErrorLevel, failure.code, failure.lines);
        ClearFloatingPointFlags();
        *status = kFailed;
        return;
    }

    int normalization = 0;
    CComSafeArray<double> q;
    if (result == 0) {
        result = element.Normalize(cumulative, 1, &normalization);
    }
    if (result == 0) {
        result = element.CalcDeltaQ3(cumulative, q);
    }
    if (result != 0) {
        ClearFloatingPointFlags();
        *status = kFailed;
        return;
    }
    for (int64_t k = 0; k < intervals; ++k) {
        fractions[k] = q.GetAt(static_cast<long>(k));
    }
    *status = normalization;
}

}  // namespace brixel
