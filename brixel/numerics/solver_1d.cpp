// One-dimensional minimizers of CSolver: golden section, dichotomous search, successive
// parabolic interpolation, golden-section steps with Brent's bookkeeping, Fibonacci search,
// minimum bracketing, and the stepwise (reverse-communication) variants.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_support.h"

namespace brixel {
namespace {

// Golden-section shares as the reduction rules state them: (3 - sqrt 5)/2 and its rest.
constexpr double kGoldenShare = 0.3819661;
constexpr double kGoldenRest = 0.6180339;
// Brent's golden step and the absolute part of its tolerance.
constexpr double kBrentGoldenShare = 0.381966;
constexpr double kBrentAbsoluteTolerance = 2.220446049250313e-19;
// Bracketing: magnification of successive intervals, largest parabolic step, and the floor
// of the parabola's denominator.
constexpr double kBracketGold = 1.618034;
constexpr double kBracketLimit = 100.0;
constexpr double kBracketTiny = 1e-20;
// Fibonacci search uses at most this many numbers; F89 (about 2.9e18) still fits 64 bits.
constexpr int kMaxFibonacciTerms = 90;

// Start checks shared by golden section, dichotomous, parabolic and Fibonacci search.
bool PassesStartChecks(double a, double b, int maxSteps, double tolerance, const double* x,
                       CSolver::Function1D function, CString* message) {
    const char* failure = nullptr;
    if (a == b) {
        failure = solver_message::kNoSolutionSpace;
    } else if (maxSteps == 0) {
        failure = solver_message::kChangeSteps;
    } else if (tolerance == 0.0) {
        failure = solver_message::kChangeTolerance;
    } else if (x == nullptr) {
        failure = solver_message::kNoParameter;
    } else if (function == nullptr) {
        failure = solver_message::kNoFunction;
    }
    if (failure != nullptr) {
        ReportSolverMessage(message, failure);
    }
    return failure == nullptr;
}

// Why a running minimizer ends early, or null: a user break, then the count passing the
// maximum.
const char* EarlyStop(bool userBreak, int64_t count, int maxSteps) {
    if (userBreak) {
        return solver_message::kUserBreak;
    }
    return count > maxSteps ? solver_message::kMaxSteps : nullptr;
}

void Order(double& a, double& b) {
    if (b < a) {
        std::swap(a, b);
    }
}

// A start point that is not inside [a, b] (or inside (a, b) for parabolic interpolation)
// cannot seed the method's first points; the middle of the interval replaces it.
double StartInClosed(double x0, double a, double b) {
    return (a <= x0 && x0 <= b) ? x0 : 0.5 * (a + b);
}
double StartInOpen(double x0, double a, double b) {
    return (a < x0 && x0 < b) ? x0 : 0.5 * (a + b);
}

// Counts every evaluation of the objective.
class CountedFunction {
  public:
    explicit CountedFunction(CSolver::Function1D function) : m_function(function) {}
    double operator()(double x) {
        ++m_count;
        return m_function(x);
    }
    int64_t Count() const { return m_count; }

  private:
    CSolver::Function1D m_function;
    int64_t m_count = 0;  // wider than the int limit it is compared with
};

// The lower of two golden-section points, the second on a tie.
std::pair<double, double> BetterOf(double x1, double f1, double x2, double f2) {
    return f1 < f2 ? std::pair{x1, f1} : std::pair{x2, f2};
}

// The lowest of the five dichotomous values, the first on a tie; -1 when none is the
// lowest (the first value is not a number).
int BestOfFive(const std::array<double, 5>& values) {
    double lowest = values[0];
    for (double value : values) {
        if (value < lowest) {
            lowest = value;
        }
    }
    for (int i = 0; i < 5; ++i) {
        if (values[i] == lowest) {
            return i;
        }
    }
    return -1;
}

// Keeps the three consecutive points centred on the best one (at an end, the three at that
// end) as the new ends and middle: the interval halves.
void KeepAroundBest(std::array<double, 5>& points, std::array<double, 5>& values, int best) {
    const int first = std::clamp(best - 1, 0, 2);
    const std::array<double, 3> p{points[first], points[first + 1], points[first + 2]};
    const std::array<double, 3> v{values[first], values[first + 1], values[first + 2]};
    points[0] = p[0];
    points[2] = p[1];
    points[4] = p[2];
    values[0] = v[0];
    values[2] = v[1];
    values[4] = v[2];
}

// Vertex of the parabola through (a, fa), (x0, f0), (b, fb).
double ParabolaVertex(double a, double x0, double b, double fa, double f0, double fb) {
    const double numerator = (x0 - a) * (x0 - a) * (f0 - fb) - (x0 - b) * (x0 - b) * (f0 - fa);
    const double denominator = (x0 - a) * (f0 - fb) - (x0 - b) * (f0 - fa);
    return x0 - 0.5 * numerator / denominator;
}

bool Inside(double x, double a, double b) {
    return a <= x && x <= b;  // false for NaN
}

// Replaces one point of the triple (a, x0, b) by the new point x with value fx.
void UpdateTriple(double& a, double& x0, double& b, double& fa, double& f0, double& fb, double x,
                  double fx) {
    if (x < x0) {
        if (fx <= f0) {
            b = x0;
            fb = f0;
            x0 = x;
            f0 = fx;
        } else {
            a = x;
            fa = fx;
        }
    } else {
        if (fx <= f0) {
            a = x0;
            fa = f0;
            x0 = x;
            f0 = fx;
        } else {
            b = x;
            fb = fx;
        }
    }
}

// F0 = F1 = 1, Fk = Fk-1 + Fk-2, `terms` numbers.
std::vector<int64_t> FibonacciNumbers(int terms) {
    std::vector<int64_t> numbers;
    for (int k = 0; k < terms; ++k) {
        numbers.push_back(k < 2 ? 1 : numbers[k - 1] + numbers[k - 2]);
    }
    return numbers;
}

// First index n >= 2 with Fn > 1/tolerance (n >= 2 so that Fn-2 exists); -1 when none.
int FibonacciIndex(const std::vector<int64_t>& numbers, double tolerance) {
    const double needed = 1.0 / tolerance;
    for (std::size_t n = 2; n < numbers.size(); ++n) {
        if (static_cast<double>(numbers[n]) > needed) {
            return static_cast<int>(n);
        }
    }
    return -1;
}

enum StepwiseMethod {
    kNoStepwise = 0,
    kStepGolden,
    kStepDichotomous,
    kStepFibonacci,
    kStepParabolic
};

// What the value handed to the next stepwise call belongs to.
enum StepwisePhase {
    kAwaitA = 1,
    kAwaitB,
    kAwaitFirstInner,   // first interior point of golden or Fibonacci search
    kAwaitSecondInner,  // second interior point
    kAwaitInner1,       // point 1 after a reduction
    kAwaitInner2,       // point 2 after a reduction
    kAwaitMiddle,
    kAwaitQuarter1,
    kAwaitQuarter3,
    kAwaitTrial,
    kFinished,
};

// Slots of the stepwise points: the ends and the interior points by method.
constexpr int kSlotA = 0;
constexpr int kSlotInner1 = 1;  // golden/Fibonacci x1, dichotomous a + L/4, parabolic trial
constexpr int kSlotInner2 = 2;  // golden/Fibonacci x2, dichotomous and parabolic middle
constexpr int kSlotInner3 = 3;  // dichotomous a + 3L/4; Fibonacci unit length L
constexpr int kSlotB = 4;

}  // namespace
}  // namespace brixel

using namespace brixel;

bool CSolver::GoldenSection(double a, double b, Function1D function, double* x, int* count,
                            double* value, double x0, CString* message) {
    m_bUserBreak = false;
    if (!PassesStartChecks(a, b, m_nGoldMaxAllowedSteps, m_dblGoldTolerance, x, function,
                           message)) {
        return false;
    }
    Order(a, b);
    x0 = StartInClosed(x0, a, b);
    const double stopWidth = m_dblGoldTolerance * (b - a);
    const SolverOutputs out{x, count, value};
    CountedFunction f(function);

    double x1 = x0;
    double x2 = x0;
    if (std::fabs(b - x0) <= std::fabs(x0 - a)) {
        x1 = x0 - kGoldenShare * (x0 - a);
    } else {
        x2 = x0 + kGoldenShare * (b - x0);
    }
    double f1 = f(x1);
    double f2 = f(x2);
    while (!(b - a <= stopWidth)) {
        const char* stop = EarlyStop(m_bUserBreak, f.Count(), m_nGoldMaxAllowedSteps);
        if (stop != nullptr) {
            const auto [best, fBest] = BetterOf(x1, f1, x2, f2);
            out.Write(best, f.Count(), fBest);
            ReportSolverMessage(message, stop);
            return false;
        }
        if (f1 <= f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = kGoldenShare * a + kGoldenRest * x1;
            f1 = f(x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = kGoldenShare * b + kGoldenRest * x2;
            f2 = f(x2);
        }
    }
    const auto [best, fBest] = BetterOf(x1, f1, x2, f2);
    out.Write(best, f.Count(), fBest);
    return true;
}

bool CSolver::DichrotomeSearch(double a, double b, Function1D function, double* x, int* count,
                               double* value, CString* message) {
    m_bUserBreak = false;
    if (!PassesStartChecks(a, b, m_nDiMaxAllowedSteps, m_dblDiTolerance, x, function, message)) {
        return false;
    }
    Order(a, b);
    const double stopWidth = m_dblDiTolerance * (b - a);
    const SolverOutputs out{x, count, value};
    CountedFunction f(function);

    // Points a, a + L/4, middle, a + 3L/4, b.
    std::array<double, 5> p{a, 0.0, 0.5 * (a + b), 0.0, b};
    std::array<double, 5> v{};
    v[0] = f(p[0]);
    v[4] = f(p[4]);
    v[2] = f(p[2]);
    double best = p[2];
    double fBest = v[2];
    for (int i : {0, 4}) {
        if (v[i] < fBest) {
            best = p[i];
            fBest = v[i];
        }
    }
    while (!(p[4] - p[0] < stopWidth)) {
        const char* stop = EarlyStop(m_bUserBreak, f.Count(), m_nDiMaxAllowedSteps);
        if (stop != nullptr) {
            out.Write(best, f.Count(), fBest);
            ReportSolverMessage(message, stop);
            return false;
        }
        const double length = p[4] - p[0];
        p[1] = p[0] + 0.25 * length;
        p[3] = p[0] + 0.75 * length;
        v[1] = f(p[1]);
        v[3] = f(p[3]);
        const int index = BestOfFive(v);
        if (index < 0) {
            ReportSolverMessage(message, solver_message::kUnknownError);
            return false;
        }
        best = p[index];
        fBest = v[index];
        KeepAroundBest(p, v, index);
    }
    out.Write(best, f.Count(), fBest);
    return true;
}

bool CSolver::QuadInter(double a, double b, Function1D function, double* x, int* count,
                        double* value, double x0, CString* message) {
    m_bUserBreak = false;
    if (!PassesStartChecks(a, b, m_nQuadMaxAllowedSteps, m_dblQuadTolerance, x, function,
                           message)) {
        return false;
    }
    Order(a, b);
    x0 = StartInOpen(x0, a, b);
    const double stopWidth = m_dblQuadTolerance * (b - a);
    const SolverOutputs out{x, count, value};
    CountedFunction f(function);

    double fa = f(a);
    double f0 = f(x0);
    double fb = f(b);
    BestPoint best;
    best.Offer(a, fa);
    best.Offer(x0, f0);
    best.Offer(b, fb);
    double last = x0;
    double fLast = f0;
    while (!(std::fabs(b - a) <= stopWidth)) {
        const char* stop = EarlyStop(m_bUserBreak, f.Count(), m_nQuadMaxAllowedSteps);
        if (stop != nullptr) {
            out.Write(best.x, f.Count(), best.value);
            ReportSolverMessage(message, stop);
            return false;
        }
        const double trial = ParabolaVertex(a, x0, b, fa, f0, fb);
        if (!Inside(trial, a, b)) {
            *x = trial;
            if (count != nullptr) {
                *count = -1;
            }
            ReportSolverMessage(message, solver_message::kOutsideLimits);
            return false;
        }
        const double fTrial = f(trial);
        best.Offer(trial, fTrial);
        last = trial;
        fLast = fTrial;
        // The parabola's minimum is the middle point itself: no further step can move it.
        if (trial == x0) {
            break;
        }
        UpdateTriple(a, x0, b, fa, f0, fb, trial, fTrial);
    }
    out.Write(last, f.Count(), fLast);
    return true;
}

bool CSolver::Brent(double a, double b, Function1D function, double* x, int* count, double* value,
                    double x0, CString* message) {
    m_bUserBreak = false;
    return BrentMinimize(a, b, function, x, count, value, x0, message);
}

bool CSolver::BrentMinimize(double a, double b, Function1D function, double* x, int* count,
                            double* value, double x0, CString* message) {
    if (function == nullptr) {
        ReportSolverMessage(message, solver_message::kNoFunction);
        return false;
    }
    double lower = std::min(a, b);
    double upper = std::max(a, b);
    const SolverOutputs out{x, count, value};
    CountedFunction f(function);

    double xBest = StartInClosed(x0, lower, upper);
    double w = xBest;
    double v = xBest;
    double fx = f(xBest);
    double fw = fx;
    double fv = fx;
    for (int iteration = 1; iteration < m_nBrentMaxAllowedSteps; ++iteration) {
        const double middle = 0.5 * (lower + upper);
        const double tol1 = std::fabs(xBest) * m_dblBrentTolerance + kBrentAbsoluteTolerance;
        if (std::fabs(xBest - middle) < 2.0 * tol1 - 0.5 * (upper - lower)) {
            out.Write(xBest, f.Count(), fx);
            return true;
        }
        if (m_bUserBreak) {
            out.Write(xBest, f.Count(), fx);
            ReportSolverMessage(message, solver_message::kUserBreak);
            return false;
        }
        double d = xBest >= middle ? kBrentGoldenShare * (lower - xBest)
                                   : kBrentGoldenShare * (upper - xBest);
        if (std::fabs(d) < tol1) {
            d = std::copysign(tol1, d);
        }
        const double u = xBest + d;
        const double fu = f(u);
        if (fu <= fx) {
            if (u >= xBest) {
                lower = xBest;
            } else {
                upper = xBest;
            }
            v = w;
            fv = fw;
            w = xBest;
            fw = fx;
            xBest = u;
            fx = fu;
        } else {
            if (u < xBest) {
                lower = u;
            } else {
                upper = u;
            }
            if (fu <= fw || w == xBest) {
                v = w;
                fv = fw;
                w = u;
                fw = fu;
            } else if (fu <= fv || v == xBest || v == w) {
                v = u;
                fv = fu;
            }
        }
    }
    out.Write(xBest, f.Count(), fx);
    ReportSolverMessage(message, solver_message::kMaxSteps);
    return false;
}

bool CSolver::FibonacciSearch(double a, double b, Function1D function, double* x, int* count,
                              double* value, double /*x0*/, CString* message) {
    m_bUserBreak = false;
    if (!PassesStartChecks(a, b, m_nFiMaxAllowedSteps, m_dblFiTolerance, x, function, message)) {
        return false;
    }
    Order(a, b);
    const std::vector<int64_t> fib =
        FibonacciNumbers(std::min(m_nFiMaxAllowedSteps, kMaxFibonacciTerms));
    const int n = FibonacciIndex(fib, m_dblFiTolerance);
    if (n < 0) {
        ReportSolverMessage(message, m_nFiMaxAllowedSteps >= kMaxFibonacciTerms
                                         ? solver_message::kToleranceTooTight
                                         : solver_message::kMoreStepsRequired);
        return false;
    }
    const SolverOutputs out{x, count, value};
    CountedFunction f(function);
    const double unit = (b - a) / static_cast<double>(fib[n]);
    double x1 = a + static_cast<double>(fib[n - 2]) * unit;
    double x2 = a + static_cast<double>(fib[n - 1]) * unit;
    double f1 = f(x1);
    double f2 = f(x2);
    // n evaluations in all, and n lies below the maximum steps: only a break ends early.
    for (int k = 2; k <= n - 1; ++k) {
        if (m_bUserBreak) {
            const auto [best, fBest] = BetterOf(x1, f1, x2, f2);
            out.Write(best, f.Count(), fBest);
            ReportSolverMessage(message, solver_message::kUserBreak);
            return false;
        }
        const double shift = static_cast<double>(fib[n - k - 1]) * unit;
        if (f2 <= f1) {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = b - shift;
            f2 = f(x2);
        } else {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = a + shift;
            f1 = f(x1);
        }
    }
    out.Write(x1, f.Count(), f1);
    return true;
}

bool CSolver::MnBrak(double* a, double* b, double* c, double* fa, double* fb, double* fc,
                     Function1D function) {
    m_bUserBreak = false;
    return BracketMinimum(a, b, c, fa, fb, fc, function);
}

bool CSolver::BracketMinimum(double* a, double* b, double* c, double* fa, double* fb, double* fc,
                             Function1D function) {
    if (a == nullptr || b == nullptr || c == nullptr || fa == nullptr || fb == nullptr ||
        fc == nullptr || function == nullptr) {
        return false;
    }
    double ax = *a;
    double bx = *b;
    double fax = function(ax);
    double fbx = function(bx);
    if (fbx > fax) {
        std::swap(ax, bx);
        std::swap(fax, fbx);
    }
    double cx = bx + kBracketGold * (bx - ax);
    double fcx = function(cx);
    auto write = [&] {
        *a = ax;
        *b = bx;
        *c = cx;
        *fa = fax;
        *fb = fbx;
        *fc = fcx;
    };
    while (fbx > fcx) {
        if (m_bUserBreak) {
            write();
            return false;
        }
        const double r = (bx - ax) * (fbx - fcx);
        const double q = (bx - cx) * (fbx - fax);
        const double difference = q - r;
        const double denominator =
            2.0 * std::max(std::fabs(difference), kBracketTiny) * (difference >= 0.0 ? 1.0 : -1.0);
        double u = bx - ((bx - cx) * q - (bx - ax) * r) / denominator;
        const double uLimit = bx + kBracketLimit * (cx - bx);
        double fu = 0.0;
        if ((bx - u) * (u - cx) > 0.0) {
            fu = function(u);
            if (fu < fcx) {
                ax = bx;
                fax = fbx;
                bx = u;
                fbx = fu;
                write();
                return true;
            }
            if (fu > fbx) {
                cx = u;
                fcx = fu;
                write();
                return true;
            }
            u = cx + kBracketGold * (cx - bx);
            fu = function(u);
        } else if ((cx - u) * (u - uLimit) > 0.0) {
            fu = function(u);
            if (fu < fcx) {
                bx = cx;
                fbx = fcx;
                cx = u;
                fcx = fu;
                u = cx + kBracketGold * (cx - bx);
                fu = function(u);
            }
        } else if ((u - uLimit) * (uLimit - cx) >= 0.0) {
            u = uLimit;
            fu = function(u);
        } else {
            u = cx + kBracketGold * (cx - bx);
            fu = function(u);
        }
        ax = bx;
        fax = fbx;
        bx = cx;
        fbx = fcx;
        cx = u;
        fcx = fu;
    }
    write();
    return true;
}

// ---- Stepwise variants -------------------------------------------------------------------

void CSolver::StartStepwise(int method) {
    m_nStepMethod = method;
    m_nStepPhase = kAwaitA;
    m_adblStepPoint.fill(0.0);
    m_adblStepValue.fill(0.0);
    m_adblStepPoint[kSlotA] = m_dbl1DA;
    m_adblStepPoint[kSlotB] = m_dbl1DB;
    if (method == kStepFibonacci) {
        m_vnFibonacci =
            FibonacciNumbers(std::max(3, std::min(m_nFiMaxAllowedSteps, kMaxFibonacciTerms)));
        const int n = FibonacciIndex(m_vnFibonacci, m_dblFiTolerance);
        // Without a number large enough, the largest available gives the finest reduction.
        m_nStepFibN = n < 0 ? static_cast<int>(m_vnFibonacci.size()) - 1 : n;
        m_nStepFibK = 2;
    }
}

namespace brixel {
namespace {

// Calls k = 0 and k = 1, common to every stepwise variant. True when it handled the call.
bool StepwiseOpening(int k, double value, int& phase, std::array<double, 5>& points,
                     std::array<double, 5>& values, double& next) {
    if (k == 0) {
        next = points[kSlotA];
        return true;
    }
    if (k == 1 || phase == kAwaitA) {
        values[kSlotA] = value;
        phase = kAwaitB;
        next = points[kSlotB];
        return true;
    }
    return false;
}

}  // namespace
}  // namespace brixel

double CSolver::Golden(double value, int k) {
    if (k <= 0 || m_nStepMethod != kStepGolden) {
        StartStepwise(kStepGolden);
        k = 0;
    }
    double next = 0.0;
    if (StepwiseOpening(k, value, m_nStepPhase, m_adblStepPoint, m_adblStepValue, next)) {
        return next;
    }
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    switch (m_nStepPhase) {
        case kAwaitB:
            v[kSlotB] = value;
            p[kSlotInner1] = p[kSlotA] + kGoldenShare * (p[kSlotB] - p[kSlotA]);
            m_nStepPhase = kAwaitFirstInner;
            return p[kSlotInner1];
        case kAwaitFirstInner:
            v[kSlotInner1] = value;
            p[kSlotInner2] = p[kSlotA] + kGoldenRest * (p[kSlotB] - p[kSlotA]);
            m_nStepPhase = kAwaitSecondInner;
            return p[kSlotInner2];
        case kAwaitInner1:
            v[kSlotInner1] = value;
            return StepwiseGoldenReduction();
        default:  // kAwaitSecondInner, kAwaitInner2
            v[kSlotInner2] = value;
            return StepwiseGoldenReduction();
    }
}

double CSolver::StepwiseGoldenReduction() {
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    if (v[kSlotInner1] <= v[kSlotInner2]) {
        p[kSlotB] = p[kSlotInner2];
        p[kSlotInner2] = p[kSlotInner1];
        v[kSlotInner2] = v[kSlotInner1];
        p[kSlotInner1] = kGoldenShare * p[kSlotA] + kGoldenRest * p[kSlotInner1];
        m_nStepPhase = kAwaitInner1;
        return p[kSlotInner1];
    }
    p[kSlotA] = p[kSlotInner1];
    p[kSlotInner1] = p[kSlotInner2];
    v[kSlotInner1] = v[kSlotInner2];
    p[kSlotInner2] = kGoldenShare * p[kSlotB] + kGoldenRest * p[kSlotInner2];
    m_nStepPhase = kAwaitInner2;
    return p[kSlotInner2];
}

double CSolver::DichrotomeSearch(double value, int k) {
    if (k <= 0 || m_nStepMethod != kStepDichotomous) {
        StartStepwise(kStepDichotomous);
        k = 0;
    }
    double next = 0.0;
    if (StepwiseOpening(k, value, m_nStepPhase, m_adblStepPoint, m_adblStepValue, next)) {
        return next;
    }
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    switch (m_nStepPhase) {
        case kAwaitB:
            v[kSlotB] = value;
            p[kSlotInner2] = 0.5 * (p[kSlotA] + p[kSlotB]);
            m_nStepPhase = kAwaitMiddle;
            return p[kSlotInner2];
        case kAwaitMiddle:
            v[kSlotInner2] = value;
            return StepwiseDichotomousPoint();
        case kAwaitQuarter1:
            v[kSlotInner1] = value;
            p[kSlotInner3] = p[kSlotA] + 0.75 * (p[kSlotB] - p[kSlotA]);
            m_nStepPhase = kAwaitQuarter3;
            return p[kSlotInner3];
        case kAwaitQuarter3: {
            v[kSlotInner3] = value;
            const int best = BestOfFive(v);
            if (best < 0) {
                m_nStepPhase = kFinished;
                return p[kSlotInner2];
            }
            KeepAroundBest(p, v, best);
            return StepwiseDichotomousPoint();
        }
        default:  // kFinished
            return p[kSlotInner2];
    }
}

double CSolver::StepwiseDichotomousPoint() {
    auto& p = m_adblStepPoint;
    p[kSlotInner1] = p[kSlotA] + 0.25 * (p[kSlotB] - p[kSlotA]);
    m_nStepPhase = kAwaitQuarter1;
    return p[kSlotInner1];
}

double CSolver::ParabolicInterpolation(double value, int k, bool* finished) {
    if (finished != nullptr) {
        *finished = false;
    }
    if (k <= 0 || m_nStepMethod != kStepParabolic) {
        StartStepwise(kStepParabolic);
        k = 0;
    }
    double next = 0.0;
    if (StepwiseOpening(k, value, m_nStepPhase, m_adblStepPoint, m_adblStepValue, next)) {
        return next;
    }
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    switch (m_nStepPhase) {
        case kAwaitB:
            v[kSlotB] = value;
            p[kSlotInner2] = 0.5 * (p[kSlotA] + p[kSlotB]);
            m_nStepPhase = kAwaitMiddle;
            return p[kSlotInner2];
        case kAwaitMiddle:
            v[kSlotInner2] = value;
            return StepwiseParabolicStep(finished);
        case kAwaitTrial:
            UpdateTriple(p[kSlotA], p[kSlotInner2], p[kSlotB], v[kSlotA], v[kSlotInner2], v[kSlotB],
                         p[kSlotInner1], value);
            return StepwiseParabolicStep(finished);
        default:  // kFinished
            if (finished != nullptr) {
                *finished = true;
            }
            return p[kSlotInner2];
    }
}

double CSolver::StepwiseParabolicStep(bool* finished) {
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    const double trial =
        ParabolaVertex(p[kSlotA], p[kSlotInner2], p[kSlotB], v[kSlotA], v[kSlotInner2], v[kSlotB]);
    if (!Inside(trial, p[kSlotA], p[kSlotB]) || trial == p[kSlotInner2]) {
        m_nStepPhase = kFinished;
        if (finished != nullptr) {
            *finished = true;
        }
        return p[kSlotInner2];
    }
    p[kSlotInner1] = trial;
    m_nStepPhase = kAwaitTrial;
    return trial;
}

double CSolver::FibonacciSearch(double value, int k) {
    if (k <= 0 || m_nStepMethod != kStepFibonacci) {
        StartStepwise(kStepFibonacci);
        k = 0;
    }
    double next = 0.0;
    if (StepwiseOpening(k, value, m_nStepPhase, m_adblStepPoint, m_adblStepValue, next)) {
        return next;
    }
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    const auto fib = [this](int index) { return static_cast<double>(m_vnFibonacci[index]); };
    const int n = m_nStepFibN;
    switch (m_nStepPhase) {
        case kAwaitB:
            v[kSlotB] = value;
            p[kSlotInner3] = (p[kSlotB] - p[kSlotA]) / fib(n);
            p[kSlotInner1] = p[kSlotA] + fib(n - 2) * p[kSlotInner3];
            m_nStepPhase = kAwaitFirstInner;
            return p[kSlotInner1];
        case kAwaitFirstInner:
            v[kSlotInner1] = value;
            p[kSlotInner2] = p[kSlotA] + fib(n - 1) * p[kSlotInner3];
            m_nStepPhase = kAwaitSecondInner;
            return p[kSlotInner2];
        case kAwaitInner1:
            v[kSlotInner1] = value;
            return StepwiseFibonacciReduction();
        case kAwaitSecondInner:
        case kAwaitInner2:
            v[kSlotInner2] = value;
            return StepwiseFibonacciReduction();
        default:  // kFinished
            return p[kSlotInner1];
    }
}

double CSolver::StepwiseFibonacciReduction() {
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    const int n = m_nStepFibN;
    const int k = m_nStepFibK;
    if (k > n - 1) {
        m_nStepPhase = kFinished;
        return p[kSlotInner1];
    }
    ++m_nStepFibK;
    const double shift = static_cast<double>(m_vnFibonacci[n - k - 1]) * p[kSlotInner3];
    if (v[kSlotInner2] <= v[kSlotInner1]) {
        p[kSlotA] = p[kSlotInner1];
        p[kSlotInner1] = p[kSlotInner2];
        v[kSlotInner1] = v[kSlotInner2];
        p[kSlotInner2] = p[kSlotB] - shift;
        m_nStepPhase = kAwaitInner2;
        return p[kSlotInner2];
    }
    p[kSlotB] = p[kSlotInner2];
    p[kSlotInner2] = p[kSlotInner1];
    v[kSlotInner2] = v[kSlotInner1];
    p[kSlotInner1] = p[kSlotA] + shift;
    m_nStepPhase = kAwaitInner1;
    return p[kSlotInner1];
}
