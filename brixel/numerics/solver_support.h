#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

#include "brixel/platform/cstring.h"

// Pieces shared by the files of CSolver: the message texts and the writing of results.
namespace brixel {

namespace solver_message {
constexpr const char* kNoSolutionSpace = "no solution space defined";
constexpr const char* kChangeSteps = "please change allowed steps";
constexpr const char* kChangeTolerance = "please change tolerance";
constexpr const char* kNoParameter = "no parameter defined";
constexpr const char* kNoFunction = "no function defined";
constexpr const char* kUserBreak = "user breaks calculation";
constexpr const char* kMaxSteps = "maximum number of steps exceeded";
constexpr const char* kUnknownError = "unknown error occured";
constexpr const char* kOutsideLimits = "quadratic minimum outside the limits";
constexpr const char* kToleranceTooTight = "tolerance too tight";
constexpr const char* kMoreStepsRequired = "more steps required than allowed";
constexpr const char* kRootFinderFailed = "root finder failed";
}  // namespace solver_message

inline void ReportSolverMessage(CString* message, const char* text) {
    if (message != nullptr) {
        *message = text;
    }
}

// The result outputs of a one-dimensional method; null count or value pointers are skipped.
struct SolverOutputs {
    double* x;
    int* count;
    double* value;

    void Write(double point, int64_t evaluations, double pointValue) const {
        if (x != nullptr) {
            *x = point;
        }
        if (count != nullptr) {
            *count = evaluations > INT_MAX ? INT_MAX : static_cast<int>(evaluations);
        }
        if (value != nullptr) {
            *value = pointValue;
        }
    }
};

// The lowest value offered so far (the first on a tie); values that are not numbers lose.
struct BestPoint {
    double x = 0.0;
    double value = 0.0;
    bool found = false;

    void Offer(double point, double pointValue) {
        if (!found || pointValue < value || (std::isnan(value) && !std::isnan(pointValue))) {
            x = point;
            value = pointValue;
            found = true;
        }
    }
};

}  // namespace brixel
