#pragma once

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

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
constexpr const char* kMaxIterations = "maximum number of iterations exceeded";
constexpr const char* kTooManySteps = "too many steps required";
constexpr const char* kNoFeasibleComplex = "no feasible Complex found";
// Parameters that would take a method outside its box or leave it without a population.
constexpr const char* kChangeStepSize = "please change step size";
constexpr const char* kChangeGenerationSize = "please change size of generation";
constexpr const char* kChangeSigma = "please change sigma";
constexpr const char* kChangeSegments = "please change number of segments";
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

// The box of a multi-dimensional method.
struct SolverBox {
    const double* lower;
    const double* upper;
    int n;

    double Width(int j) const { return upper[j] - lower[j]; }
    double Clamp(int j, double value) const {
        return value < lower[j] ? lower[j] : (value > upper[j] ? upper[j] : value);
    }
    // False for NaN coordinates.
    bool Contains(const double* point) const {
        for (int j = 0; j < n; ++j) {
            if (!(lower[j] <= point[j] && point[j] <= upper[j])) {
                return false;
            }
        }
        return true;
    }
    // Width of each dimension divided into `segments` steps.
    std::vector<double> SegmentSteps(int segments) const {
        std::vector<double> steps(static_cast<std::size_t>(n));
        for (int j = 0; j < n; ++j) {
            steps[j] = Width(j) / segments;
        }
        return steps;
    }
    // The start point with every coordinate outside its bounds (or NaN) moved to the middle.
    void Start(const double* start, double* point) const {
        for (int j = 0; j < n; ++j) {
            const bool inside = lower[j] <= start[j] && start[j] <= upper[j];
            point[j] = inside ? start[j] : 0.5 * (lower[j] + upper[j]);
        }
    }
};

// Result outputs of a multi-dimensional method; null count or value pointers are skipped.
struct SolverPointOutputs {
    double* x;
    int* count;
    double* value;
    int n;

    void Write(const double* point, int64_t evaluations, double pointValue) const {
        for (int j = 0; j < n; ++j) {
            x[j] = point[j];
        }
        SolverOutputs{nullptr, count, value}.Write(0.0, evaluations, pointValue);
    }
};

// True when `candidate` is a lower value than `incumbent`; a value that is not a number never
// is, and any number is lower than one.
inline bool IsLower(double candidate, double incumbent) {
    return candidate < incumbent || (std::isnan(incumbent) && !std::isnan(candidate));
}

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
