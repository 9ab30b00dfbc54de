// One-dimensional root finders of CSolver: the secant method with a bracketing fallback
// (Solve, Step) and the driver of the host's root finder (ROOT1N).

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

#include "brixel/framework/host_interface.h"
#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_support.h"

namespace brixel {
namespace {

// Results of Solve that are not roots.
constexpr double kNoFunction = -1.0;
constexpr double kNoSecondPoint = -1e300;
constexpr double kNotConverged = 1e-300;

// Step 2 of Solve: two values closer than this cannot seed a secant.
constexpr double kMinValueDifference = 0.001;
constexpr double kLargestSecondPoint = 1e30;
constexpr double kSmallestSecondPoint = 1e-30;
// Expansion of the start pair in the bracketing fallback.
constexpr double kUpperExpansion = 1.1;
constexpr double kLowerExpansion = 0.9;
constexpr double kUnlimitedStep = 1e300;
// Shrinking of a bracket whose ends have values of the same sign.
constexpr double kShrinkKeep = 0.97;
constexpr double kShrinkMove = 0.03;

enum StepMode { kSecantStep = 1, kBracketStep = 2 };
enum BracketSide { kNoSide = 0, kUpperSide = 1, kLowerSide = 2 };

constexpr double kRootInitialStepShare = 0.1;  // initial step: a tenth of the interval

// Both strictly positive or both strictly negative (a product could underflow to 0).
bool SameSign(double f1, double f2) {
    return (f1 > 0.0 && f2 > 0.0) || (f1 < 0.0 && f2 < 0.0);
}

int ClampToInt(int64_t value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

}  // namespace
}  // namespace brixel

using namespace brixel;

double CSolver::SecantMethod(double f1, double x1, double f2, double x2) {
    return x1 - (x1 - x2) * f1 / (f1 - f2);
}

double CSolver::BisectionMethod(double value) {
    if (SameSign(value, m_dblLowerValue)) {
        m_dblLower = m_dblLastMid;
        m_dblLowerValue = value;
    } else {
        m_dblUpper = m_dblLastMid;
        m_dblUpperValue = value;
    }
    m_dblLastMid = 0.5 * (m_dblLower + m_dblUpper);
    return m_dblLastMid;
}

bool CSolver::Step(int mode, double value, int iteration, double* next, double maxStep) {
    if (next == nullptr) {
        return false;
    }
    if (mode == kSecantStep) {
        double point = SecantMethod(value, m_dblCurPoint, m_dblPrevValue, m_dblPrevPoint);
        if (std::isnan(point)) {
            return false;
        }
        if (std::fabs(point - m_dblCurPoint) > maxStep) {
            point = m_dblCurPoint + std::copysign(maxStep, point - m_dblCurPoint);
        }
        m_dblPrevPoint = m_dblCurPoint;
        m_dblPrevValue = value;
        m_dblCurPoint = point;
        m_dblCurValue = value;
        *next = point;
        return true;
    }
    if (mode != kBracketStep) {
        return false;
    }
    if (iteration == 0) {
        m_dblLower = m_dblPrevPoint;
        m_dblLowerValue = m_dblPrevValue;
        m_dblUpper = m_dblCurPoint;
        m_dblUpperValue = m_dblCurValue;
        // A side flag left over from an earlier run would file the midpoint's value as a
        // bracket end.
        m_nSide = kNoSide;
        m_dblLastMid = 0.5 * (m_dblLower + m_dblUpper);
        *next = m_dblLastMid;
        return true;
    }
    if (m_nSide == kUpperSide) {
        m_dblUpperValue = value;
    } else if (m_nSide == kLowerSide) {
        m_dblLowerValue = value;
    }
    if (SameSign(m_dblLowerValue, m_dblUpperValue)) {
        if (std::fabs(m_dblLowerValue) < std::fabs(m_dblUpperValue)) {
            m_dblUpper = m_dblLower + kShrinkKeep * (m_dblUpper - m_dblLower);
            m_nSide = kUpperSide;
            *next = m_dblUpper;
        } else {
            m_dblLower = m_dblLower + kShrinkMove * (m_dblUpper - m_dblLower);
            m_nSide = kLowerSide;
            *next = m_dblLower;
        }
    } else if (m_nSide != kNoSide) {
        m_nSide = kNoSide;
        m_dblLastMid = 0.5 * (m_dblLower + m_dblUpper);
        *next = m_dblLastMid;
    } else {
        *next = BisectionMethod(value);
    }
    return true;
}

double CSolver::Solve(double tolerance, uint64_t maxIterations, Function1D function) {
    if (function != nullptr) {
        m_pfnFunction = function;
    }
    if (m_pfnFunction == nullptr) {
        return kNoFunction;
    }
    m_bUserBreak = false;
    uint64_t iterations = 0;
    double root = 0.0;
    if (SolveBySecant(tolerance, maxIterations, iterations, root)) {
        return root;
    }
    return SolveByBracketing(tolerance, maxIterations, iterations);
}

bool CSolver::SolveBySecant(double tolerance, uint64_t maxIterations, uint64_t& iterations,
                            double& root) {
    const Function1D f = m_pfnFunction;
    double x1 = m_dblStartValue1;
    double x2 = m_dblStartValue2;
    double f1 = f(x1);
    if (std::fabs(f1) <= tolerance) {
        root = x1;
        return true;
    }
    double f2 = f(x2);
    if (std::fabs(f2) <= tolerance) {
        root = x2;
        return true;
    }
    // A second point whose value differs: doubling outwards, then halving inwards. Doubling
    // 0 (or NaN) goes nowhere, so it turns to halving at once.
    bool halving = false;
    while (std::fabs(f1 - f2) < kMinValueDifference) {
        if (m_bUserBreak) {
            root = kNotConverged;
            return true;
        }
        if (!halving) {
            x2 *= 2.0;
            if (!(std::fabs(x2) <= kLargestSecondPoint) || x2 == 0.0) {
                halving = true;
                x2 = m_dblStartValue2;
            }
        }
        if (halving) {
            x2 *= 0.5;
            if (!(std::fabs(x2) >= kSmallestSecondPoint) || !std::isfinite(x2)) {
                root = kNoSecondPoint;
                return true;
            }
        }
        f2 = f(x2);
    }
    for (;;) {
        if (m_bUserBreak) {
            root = kNotConverged;
            return true;
        }
        const double x = SecantMethod(f1, x1, f2, x2);
        const double fx = f(x);
        ++iterations;
        if (fx == f1) {
            return false;
        }
        if (iterations >= maxIterations) {
            root = kNotConverged;
            return true;
        }
        x2 = x1;
        f2 = f1;
        x1 = x;
        f1 = fx;
        if (std::fabs(fx) <= tolerance) {
            root = x;
            return true;
        }
    }
}

double CSolver::SolveByBracketing(double tolerance, uint64_t maxIterations, uint64_t iterations) {
    const Function1D f = m_pfnFunction;
    double x1 = m_dblStartValue1;
    double x2 = m_dblStartValue2;
    double f1 = f(x1);
    double f2 = f(x2);
    // Expansions count as iterations: a function without a sign change would expand forever.
    while (SameSign(f1, f2)) {
        if (m_bUserBreak || iterations >= maxIterations) {
            return kNotConverged;
        }
        ++iterations;
        x2 *= kUpperExpansion;
        x1 *= kLowerExpansion;
        f2 = f(x2);
        f1 = f(x1);
    }
    SetLowerInitialStepsValues(x1, f1);
    SetUpperInitialStepsValues(x2, f2);
    if (std::fabs(f1) <= tolerance) {
        return x1;
    }
    double value = f1;
    for (int step = 0;; step = step < INT_MAX ? step + 1 : step) {
        if (m_bUserBreak || iterations >= maxIterations) {
            return kNotConverged;
        }
        double x = 0.0;
        Step(kBracketStep, value, step, &x, kUnlimitedStep);
        value = f(x);
        ++iterations;
        if (std::fabs(value) <= tolerance) {
            return x;
        }
    }
}

bool CSolver::ROOT1N(double a, double b, Function1D function, double* x, int* count, double* value,
                     double x0, CString* message) {
    m_bUserBreak = false;
    if (function == nullptr) {
        ReportSolverMessage(message, solver_message::kNoFunction);
        return false;
    }
    if (x == nullptr) {
        ReportSolverMessage(message, solver_message::kNoParameter);
        return false;
    }
    std::array<double, root_state::kWords> state{};
    state[root_state::kLower] = a;
    state[root_state::kUpper] = b;
    state[root_state::kStep] = kRootInitialStepShare * (b - a);
    state[root_state::kTolerance] = m_dblROOT1NTolerance;
    for (std::size_t i = root_state::kFirstWork; i < root_state::kWords; ++i) {
        state[i] = 1.0;
    }
    const int64_t maxSteps = m_nROOT1NMaxAllowedSteps;
    int64_t status = root_state::kEvaluate;
    int64_t control = 0;
    int64_t calls = 0;
    double point = x0;
    double fPoint = function(point);
    for (;;) {
        if (m_bUserBreak) {
            SolverOutputs{x, nullptr, value}.Write(point, 0, fPoint);
            ReportSolverMessage(message, solver_message::kUserBreak);
            return false;
        }
        if (count != nullptr) {
            *count = ClampToInt(control);
        }
        HostRoot1D(&status, &point, &fPoint, state.data(), &maxSteps, &control);
        ++calls;
        if (status == root_state::kStepDoubled) {
            state[root_state::kStep] = b - a;
        }
        fPoint = function(point);
        if (status <= 0 || calls > maxSteps + 1) {
            break;
        }
    }
    SolverOutputs{x, nullptr, value}.Write(point, 0, fPoint);
    if (status == 0) {
        return true;
    }
    ReportSolverMessage(message,
                        status < 0 ? solver_message::kRootFinderFailed : solver_message::kMaxSteps);
    return false;
}
