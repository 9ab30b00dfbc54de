#pragma once

#include <cstdint>

// Evaluation of one closed-form distribution on a mesh without a model object, for the
// host's procedural models.
namespace brixel {

struct DistributionFunctionInput {
    int64_t type = 0;  // 1 GGS, 2 RRSB, 3 log-normal, 4 normal; others do nothing
    double ggsExponent = 0.0;
    double xmax = 0.0;            // m
    double rrsbDispersion = 0.0;  // n
    double steepness = 0.0;       // x25/x75
    double d63 = 0.0;             // m
    double d50 = 0.0;             // m
    double logNormalSigma = 0.0;  // of ln x
    double normalSigma = 0.0;     // m
};

// Completes the parameters, evaluates the curve on the intervals + 1 boundaries and writes
// the normalized interval fractions into `fractions`. `status` is 0 on entry; after success
// the normalization status (0, 1, 2); 2 after any failure, which leaves `fractions` untouched.
// Messages go to a printer on the host's status block (may be null).
void EvaluateDistributionFunction(const DistributionFunctionInput& input, int64_t intervals,
                                  const double* boundaries, double* fractions, int64_t* statusBlock,
                                  int64_t* status);

}  // namespace brixel
