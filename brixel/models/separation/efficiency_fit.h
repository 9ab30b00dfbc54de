#pragma once

#include <array>
#include <cstdint>

// Grade efficiencies of a size grid from a few measured points (efficiency T as a fraction
// over particle size x): linear interpolation, a cubic spline, a spline in the coordinates
// in which an RRSB-shaped curve is straight, or one of five separation-function models
// fitted by minimisation. Whenever the chosen way cannot be carried out the grid gets the
// linear interpolation and the fallback code says why. Messages carry the tag "EFFFIT".
namespace brixel {

enum class EfficiencyMode : int64_t { kLinear = 0, kSpline = 1, kTransformedSpline = 2, kFit = 3 };

// Fallback codes of an efficiency request.
constexpr int64_t kEfficiencyRequestedWay = 0;
constexpr int64_t kEfficiencyTooFewPoints = 1;
constexpr int64_t kEfficiencyFitFailed = 2;
// The data or the grid cannot be used at all (no points, unsorted or duplicate sizes, values
// that are not finite, efficiencies outside 0 ... 1, a grid that does not fit the class
// count): the results are left untouched.
constexpr int64_t kEfficiencyBadInput = 3;

// Model ids: the bit of each model in the option word of the fitting mode.
constexpr int64_t kModelRrsb = 1;    // o + (1 - o)(1 - exp(-0.693 (x/x50)^m))
constexpr int64_t kModelRogers = 2;  // o + (1 - o) / (1 + (x50/x) exp(m (1 - (x/x50)^3)))
constexpr int64_t kModelWhiten = 4;  // 1 - (1 - o)(1 + b x/x50)(e^a - 1)/(e^(a x/x50) + e^a - 2)
constexpr int64_t kModelSquare = 8;  // o + (1 - o) / (1 + (x50/x)^2 exp(m (1 - (x/x50)^2)))
constexpr int64_t kModelExponential = 16;  // 1 - exp(-(a x + b/x)^c)
// The order in which the candidates are tried.
inline constexpr std::array<int64_t, 5> kModelOrder = {kModelRrsb, kModelRogers, kModelSquare,
                                                       kModelWhiten, kModelExponential};

struct SeparationModelInfo {
    int parameters;               // 3 or 4
    int firstOutput;              // entry of the parameter output that takes parameter 0
    std::array<double, 4> start;  // start vector; entry 0 of the first four is x50
    std::array<double, 4> lower, upper;
};
// Start vector and bounds of a model id (x50Start is the start cut size, m). False for an
// id that is not a model.
bool SeparationModelSetup(int64_t model, double x50Start, SeparationModelInfo& info);

// T(x) of a model with its parameters (as many as the model has); NaN for an unknown id.
double SeparationModelValue(int64_t model, const double* parameters, double x);

// Sum over the points of |T_model(x_j) - T_j|; a NaN model value sets the running sum to
// 1e100 and the summation goes on.
double SeparationModelDeviation(int64_t model, const double* parameters, const double* x,
                                const double* efficiencies, int64_t n);

struct SeparationModelFit {
    bool converged = false;
    double deviation = 0.0;  // the sum of absolute deviations at the final point
    int evaluations = 0;     // of all Powell runs of the fit
    std::array<double, 4> parameters{};
};
// One candidate of the fitting mode: Powell's method on the sum of absolute deviations from
// the model's start vector within its bounds on the given points (x ascending, n >= 3). When
// that leaves the data unmatched, a second path (least squares, then absolute deviations from
// its optimum) replaces the result if strictly better.
SeparationModelFit FitSeparationModel(int64_t model, const double* x, const double* efficiencies,
                                      int64_t n);

struct EfficiencyRequest {
    int64_t mode = 0;
    int64_t option = 0;  // spline selector (modes 1, 2) or model bit mask (mode 3)
    int64_t points = 0;
    const double* x = nullptr;             // sizes, m
    const double* efficiencies = nullptr;  // fractions
    int64_t gridSize = 0;                  // class count (class values) or class count + 1
    int64_t classCount = 0;
    const double* grid = nullptr;
    int64_t* statusBlock = nullptr;  // null: no messages
};

struct EfficiencyOutcome {
    int64_t fallback = kEfficiencyRequestedWay;
    int64_t chosenModel = 0;             // the integer missing value unless a fit was used
    std::array<double, 4> parameters{};  // real missing values unless a fit was used
};

// Fills results[0 ... classCount - 1]; never writes elsewhere. A mode other than 0 ... 3
// computes nothing.
EfficiencyOutcome CalculateGradeEfficiencies(const EfficiencyRequest& request, double* results);

}  // namespace brixel
