#include "brixel/models/separation/efficiency_fit.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/messages/error_print.h"
#include "brixel/numerics/math_helper.h"
#include "brixel/numerics/solver.h"

namespace brixel {
namespace {

constexpr const char* kTag = "EFFFIT";
constexpr int kErrorLevel = 2;
constexpr int kWarningLevel = 3;
// Ends of the efficiency range that the spline results snap to and the transform respects.
constexpr double kLowEnd = 1e-10;
constexpr double kHighEnd = 0.9999999999;
constexpr double kSameSize = 1e-15;  // m: a class value this close to a point takes its value
constexpr double kNanDeviation = 1e100;
// Brent's default relative tolerance (10 %) ends each line search far from its minimum along
// parameters as small as a cut size (1e-5 m), and the fit stops visibly off the data.
constexpr double kLineSearchTolerance = 1e-6;
// Mean absolute deviation per point at which a fit reproduces the data as closely as they are
// known (efficiencies carry at most four decimals).
constexpr double kDataResolution = 1e-4;

void Print(int64_t* statusBlock, int level, int code, std::initializer_list<const char*> lines) {
    if (statusBlock == nullptr) {
        return;
    }
    CErrorPrint printer(statusBlock);
    if (!printer.CheckErrorPrint(kTag, true, level, code)) {
        return;
    }
    int line = 0;
    for (const char* text : lines) {
        printer.AddErrorText(++line, text);
    }
    printer.PrintError(line);
}

void WarnTooFewForSpline(int64_t* statusBlock) {
    Print(statusBlock, kWarningLevel, 1,
          {"NOT ENOUGH SEPARATION EFFICIENCY DATA POINTS SPECIFIED TO USE SPLINE",
           "INTERPOLATION. SPECIFY AT LEAST 3 EFFICIENCIES. CONTINUING CALCULATIONS",
           "USING LINEAR INTERPOLATION."});
}

// Class value i: the grid value itself, or the middle of two boundaries.
double ClassValue(const EfficiencyRequest& request, int64_t i) {
    const auto k = static_cast<std::size_t>(i);
    return request.gridSize == request.classCount ? request.grid[k]
                                                  : 0.5 * (request.grid[k] + request.grid[k + 1]);
}

std::vector<double> ClassValues(const EfficiencyRequest& request) {
    std::vector<double> values(static_cast<std::size_t>(request.classCount));
    for (int64_t i = 0; i < request.classCount; ++i) {
        values[static_cast<std::size_t>(i)] = ClassValue(request, i);
    }
    return values;
}

double LinearValue(const double* x, const double* t, int64_t n, double at) {
    if (n == 1) {
        return t[0];
    }
    for (int64_t j = 0; j + 1 < n; ++j) {
        if (j == 0 && at < x[0]) {
            return t[0] + (t[1] - t[0]) / (x[1] - x[0]) * (at - x[0]);
        }
        if (std::fabs(x[j] - at) < kSameSize) {
            return t[j];
        }
        if (x[j] < at && at < x[j + 1]) {
            return t[j] + (t[j + 1] - t[j]) / (x[j + 1] - x[j]) * (at - x[j]);
        }
        if (j == n - 2 && at >= x[n - 1]) {
            return t[n - 1] + (t[n - 1] - t[n - 2]) / (x[n - 1] - x[n - 2]) * (at - x[n - 1]);
        }
    }
    return t[n - 1];  // not reached for strictly ascending sizes
}

void Linear(const EfficiencyRequest& request, double* results) {
    for (int64_t i = 0; i < request.classCount; ++i) {
        const double value =
            LinearValue(request.x, request.efficiencies, request.points, ClassValue(request, i));
        results[static_cast<std::size_t>(i)] = std::clamp(value, 0.0, 1.0);
    }
}

// The data ends decide the classes outside the data range; elsewhere values within 1e-10 of
// 0 or 1 snap to it.
void SnapSplineResults(const EfficiencyRequest& request, double* results) {
    const int64_t last = request.points - 1;
    for (int64_t i = 0; i < request.classCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double g = request.grid[k];
        double& value = results[k];
        if (g < request.x[0] && request.efficiencies[0] < kLowEnd) {
            value = 0.0;
        } else if (g > request.x[last] && request.efficiencies[last] > kHighEnd) {
            value = 1.0;
        } else if (value < kLowEnd) {
            value = 0.0;
        } else if (value > kHighEnd) {
            value = 1.0;
        }
    }
}

// Spline in (x, T) or, transformed, in (ln x, ln(-ln(1 - T))). False when the spline
// routine refuses the data.
bool Spline(const EfficiencyRequest& request, bool transformed, double* results) {
    const int n = static_cast<int>(request.points);
    const int m = static_cast<int>(request.classCount);
    std::vector<double> at = ClassValues(request);
    std::vector<double> values(at.size());
    bool done = false;
    if (!transformed) {
        done = CMathHelper::CalculateSplineValues(n, request.x, request.efficiencies, m, at.data(),
                                                  values.data(), request.option, true);
    } else {
        std::vector<double> lnX(static_cast<std::size_t>(n));
        std::vector<double> lnT(static_cast<std::size_t>(n));
        for (std::size_t j = 0; j < lnX.size(); ++j) {
            lnX[j] = std::log(std::max(request.x[j], kLowEnd));
            const double t = std::max(std::min(request.efficiencies[j], kHighEnd), kLowEnd);
            lnT[j] = std::log(-std::log(1.0 - t));
        }
        for (double& value : at) {
            value = std::log(std::max(value, kLowEnd));
        }
        done = CMathHelper::CalculateSplineValues(n, lnX.data(), lnT.data(), m, at.data(),
                                                  values.data(), request.option, true);
        for (double& value : values) {
            value = 1.0 - std::exp(-std::exp(value));
        }
    }
    if (!done) {
        return false;
    }
    std::copy(values.begin(), values.end(), results);
    SnapSplineResults(request, results);
    return true;
}

// Start cut size: where the straight line through the first and the last point reaches 0.5.
// A line that never does (equal end efficiencies) or does so at no positive size starts in
// the middle of the data instead.
double StartCutSize(const double* x, const double* t, int64_t n) {
    const double slope = (t[n - 1] - t[0]) / (x[n - 1] - x[0]);
    const double start = (0.5 - t[0]) / slope + x[0];
    if (std::isfinite(start) && start > CBrixelBaseUnit::m_dblRMin) {
        return start;
    }
    return 0.5 * (x[0] + x[n - 1]);
}

struct ModelChoice {
    int64_t model = 0;
    SeparationModelFit fit;
};

// The best converged candidate of the option word; model 0 when none converged.
ModelChoice ChooseModel(const EfficiencyRequest& request) {
    ModelChoice best;
    double bestValue = CBrixelBaseUnit::m_dblRMiss;
    for (const int64_t model : kModelOrder) {
        if ((request.option & model) == 0) {
            continue;
        }
        const SeparationModelFit fit =
            FitSeparationModel(model, request.x, request.efficiencies, request.points);
        if (fit.converged && fit.deviation < bestValue) {
            bestValue = fit.deviation;
            best.model = model;
            best.fit = fit;
        }
    }
    return best;
}

EfficiencyOutcome FallBack(const EfficiencyRequest& request, double* results, int64_t code) {
    EfficiencyRequest linear = request;
    linear.mode = static_cast<int64_t>(EfficiencyMode::kLinear);
    EfficiencyOutcome outcome = CalculateGradeEfficiencies(linear, results);
    outcome.fallback = code;
    return outcome;
}

EfficiencyOutcome Fit(const EfficiencyRequest& request, double* results,
                      EfficiencyOutcome outcome) {
    if (request.points < 3) {
        Print(request.statusBlock, kWarningLevel, 2,
              {"NOT ENOUGH SEPARATION EFFICIENCY DATA POINTS SPECIFIED TO DO EFFICIENCY",
               "FUNCTION FITTING. SPECIFY AT LEAST 3 SEPARATION EFFICIENCIES.",
               "CONTINUING CALCULATIONS USING LINEAR INTERPOLATION."});
        return FallBack(request, results, kEfficiencyTooFewPoints);
    }
    const ModelChoice choice = ChooseModel(request);
    if (choice.model == 0) {
        Print(request.statusBlock, kErrorLevel, 3,
              {"FITTING OF SEPARATION FUNCTION FAILED.",
               "CONTINUING CALCULATIONS USING LINEAR INTERPOLATION."});
        return FallBack(request, results, kEfficiencyFitFailed);
    }
    SeparationModelInfo info{};
    SeparationModelSetup(choice.model, 0.0, info);
    outcome.chosenModel = choice.model;
    for (int k = 0; k < info.parameters; ++k) {
        outcome.parameters[static_cast<std::size_t>(info.firstOutput + k)] =
            choice.fit.parameters[static_cast<std::size_t>(k)];
    }
    // Evaluated into a scratch copy first: a NaN part-way must not leave half a curve behind
    // when the fallback runs.
    std::vector<double> values(static_cast<std::size_t>(request.classCount));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double value = SeparationModelValue(choice.model, choice.fit.parameters.data(),
                                                  ClassValue(request, static_cast<int64_t>(i)));
        if (std::isnan(value)) {
            Print(request.statusBlock, kErrorLevel, 4,
                  {"ERROR EVALUATING FITTED SEPARATION FUNCTION FOR INLET PSD. CHECK THE",
                   "SEPARATION EFFICIENY DATA COVERS THE WHOLE RANGE OF THE USED PSD GRID.",
                   "CONTINUING CALCULATIONS USING LINEAR INTERPOLATION."});
            return FallBack(request, results, kEfficiencyFitFailed);
        }
        values[i] = std::clamp(value, 0.0, 1.0);
    }
    std::copy(values.begin(), values.end(), results);
    return outcome;
}

// The reason the request cannot be served at all, or null.
const char* InputProblem(const EfficiencyRequest& request) {
    if (request.points < 1 || request.x == nullptr || request.efficiencies == nullptr) {
        return "NO SEPARATION EFFICIENCY DATA POINTS SPECIFIED.";
    }
    if (request.classCount < 1 || request.grid == nullptr ||
        (request.gridSize != request.classCount && request.gridSize != request.classCount + 1)) {
        return "THE SIZE GRID DOES NOT MATCH THE NUMBER OF CLASSES.";
    }
    for (int64_t j = 0; j < request.points; ++j) {
        const double x = request.x[j];
        const double t = request.efficiencies[j];
        if (!std::isfinite(x) || !std::isfinite(t)) {
            return "SEPARATION EFFICIENCY DATA MUST BE FINITE NUMBERS.";
        }
        if (t < 0.0 || t > 1.0) {
            return "SEPARATION EFFICIENCIES MUST BE FRACTIONS BETWEEN 0 AND 1.";
        }
        if (j > 0 && !(request.x[j - 1] < x)) {
            return "PARTICLE SIZES OF THE EFFICIENCY DATA MUST BE STRICTLY ASCENDING.";
        }
    }
    for (int64_t i = 0; i < request.gridSize; ++i) {
        if (!std::isfinite(request.grid[i])) {
            return "THE SIZE GRID MUST HOLD FINITE NUMBERS.";
        }
    }
    return nullptr;
}

// Sum over the points of |T_model - T_j| or of its square; a NaN model value sets the running
// sum to 1e100 and the summation goes on.
double SumOfDeviations(int64_t model, const double* parameters, const double* x,
                       const double* efficiencies, int64_t n, bool squared) {
    double sum = 0.0;
    for (int64_t j = 0; j < n; ++j) {
        const double value = SeparationModelValue(model, parameters, x[j]);
        if (std::isnan(value)) {
            sum = kNanDeviation;
        } else {
            const double residual = std::fabs(value - efficiencies[j]);
            sum += squared ? residual * residual : residual;
        }
    }
    return sum;
}

// One Powell run from start. The stop test is relative: on data the model reproduces exactly
// the objective keeps halving towards 0, the test never holds and the run ends at its
// evaluation limit with the best fit of all; such a run counts as converged once its value is
// at most matched.
SeparationModelFit MinimiseFrom(CSolver& solver, const SeparationModelInfo& info,
                                const CSolver::ObjectiveND& objective, std::array<double, 4> start,
                                double matched) {
    SeparationModelFit fit;
    fit.converged = solver.Powell(info.lower.data(), info.upper.data(), objective, info.parameters,
                                  fit.parameters.data(), &fit.evaluations, &fit.deviation,
                                  start.data(), nullptr);
    if (!fit.converged && fit.evaluations >= solver.GetPowellMaxAllowedSteps() &&
        fit.deviation <= matched) {
        fit.converged = true;
    }
    return fit;
}

}  // namespace

bool SeparationModelSetup(int64_t model, double x50Start, SeparationModelInfo& info) {
    const double rMin = CBrixelBaseUnit::m_dblRMin;
    const double rMiss = CBrixelBaseUnit::m_dblRMiss;
    info.lower = {rMin, rMin, 0.0, 0.0};
    info.upper = {10.0, 10.0, 1.0, 10.0};
    info.start = {x50Start, 2.0, 0.0, 0.0};
    info.parameters = 3;
    info.firstOutput = 0;
    switch (model) {
        case kModelRrsb:
        case kModelRogers:
        case kModelSquare:
            return true;
        case kModelWhiten:
            info.parameters = 4;
            return true;
        case kModelExponential:
            info.firstOutput = 1;
            info.start = {6500000.0, 3.0, 0.1, 0.0};
            info.lower = {-rMiss, -rMiss, -rMiss, 0.0};
            info.upper = {rMiss, rMiss, rMiss, 0.0};
            return true;
        default:
            return false;
    }
}

double SeparationModelValue(int64_t model, const double* p, double x) {
    switch (model) {
        case kModelRrsb:
            return p[2] + (1.0 - p[2]) * (1.0 - std::exp(-0.693 * std::pow(x / p[0], p[1])));
        case kModelRogers:
            return p[2] +
                   (1.0 - p[2]) / (1.0 + p[0] / x * std::exp(p[1] * (1.0 - std::pow(x / p[0], 3))));
        case kModelSquare: {
            const double r = p[0] / x;
            return p[2] + (1.0 - p[2]) / (1.0 + r * r * std::exp(p[1] * (1.0 - 1.0 / (r * r))));
        }
        case kModelWhiten: {
            const double alpha = p[1];
            const double reduced = x / p[0];
            const double denominator = std::exp(alpha * reduced) + std::exp(alpha) - 2.0;
            if (denominator == 0.0) {
                return 1e300;
            }
            return 1.0 -
                   (1.0 - p[2]) * (1.0 + p[3] * reduced) * (std::exp(alpha) - 1.0) / denominator;
        }
        case kModelExponential:
            return 1.0 - std::exp(-std::pow(p[0] * x + p[1] / x, p[2]));
        default:
            return std::nan("");
    }
}

double SeparationModelDeviation(int64_t model, const double* parameters, const double* x,
                                const double* efficiencies, int64_t n) {
    return SumOfDeviations(model, parameters, x, efficiencies, n, false);
}

SeparationModelFit FitSeparationModel(int64_t model, const double* x, const double* efficiencies,
                                      int64_t n) {
    SeparationModelInfo info{};
    if (n < 2 || !SeparationModelSetup(model, StartCutSize(x, efficiencies, n), info)) {
        return SeparationModelFit{};
    }
    CSolver solver;
    solver.SetBrentTolerance(kLineSearchTolerance);
    const CSolver::ObjectiveND absolute = [&](const double* p) {
        return SumOfDeviations(model, p, x, efficiencies, n, false);
    };
    const double matched = kDataResolution * static_cast<double>(n);
    SeparationModelFit fit = MinimiseFrom(solver, info, absolute, info.start, matched);
    if (fit.converged && fit.deviation <= matched) {
        return fit;
    }
    // Powell's method stalls on the kinks of the absolute deviations (where a point's residual
    // changes sign no search line leads downhill), often far from the parameters. On the smooth
    // sum of squares it follows the valley; the absolute deviations are then minimised from
    // there, and that fit is taken only when it is strictly better.
    const CSolver::ObjectiveND squares = [&](const double* p) {
        return SumOfDeviations(model, p, x, efficiencies, n, true);
    };
    const SeparationModelFit smooth = MinimiseFrom(solver, info, squares, info.start, 0.0);
    const SeparationModelFit polished =
        MinimiseFrom(solver, info, absolute, smooth.parameters, matched);
    const int evaluations = fit.evaluations + smooth.evaluations + polished.evaluations;
    if (polished.converged && (!fit.converged || polished.deviation < fit.deviation)) {
        fit = polished;
    }
    fit.evaluations = evaluations;
    return fit;
}

EfficiencyOutcome CalculateGradeEfficiencies(const EfficiencyRequest& request, double* results) {
    EfficiencyOutcome outcome;
    outcome.chosenModel = CBrixelBaseUnit::m_nIMiss;
    outcome.parameters.fill(CBrixelBaseUnit::m_dblRMiss);
    const auto mode = static_cast<EfficiencyMode>(request.mode);
    if (request.mode < 0 || request.mode > 3) {
        return outcome;
    }
    if (const char* problem =
            results == nullptr ? "NO PLACE FOR THE RESULTS GIVEN." : InputProblem(request)) {
        Print(request.statusBlock, kErrorLevel, 5,
              {problem, "NO SEPARATION EFFICIENCIES CALCULATED."});
        outcome.fallback = kEfficiencyBadInput;
        return outcome;
    }
    switch (mode) {
        case EfficiencyMode::kLinear:
            Linear(request, results);
            return outcome;
        case EfficiencyMode::kSpline:
        case EfficiencyMode::kTransformedSpline:
            if (request.points < 3) {
                WarnTooFewForSpline(request.statusBlock);
                return FallBack(request, results, kEfficiencyTooFewPoints);
            }
            if (!Spline(request, mode == EfficiencyMode::kTransformedSpline, results)) {
                Print(request.statusBlock, kErrorLevel, 6,
                      {"SPLINE INTERPOLATION OF SEPARATION EFFICIENCY DATA FAILED.",
                       "CONTINUING CALCULATIONS USING LINEAR INTERPOLATION."});
                return FallBack(request, results, kEfficiencyFitFailed);
            }
            return outcome;
        case EfficiencyMode::kFit:
            return Fit(request, results, outcome);
    }
    return outcome;
}

}  // namespace brixel
