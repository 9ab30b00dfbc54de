// One-dimensional minimizers of CSolver that run to the end in one call: golden section,
// dichotomous search, successive parabolic interpolation, golden-section steps with Brent's
// bookkeeping, Fibonacci search and minimum bracketing.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_1d_rules.h"
#include "brixel/numerics/solver_support.h"

namespace brixel {
namespace {

using namespace solver1d;

// Brent's golden step and the absolute part of its tolerance.
constexpr double kBrentGoldenShare = 0.381966;
constexpr double kBrentAbsoluteTolerance = 2.220446049250313e-19;
// Bracketing: magnification of successive intervals, largest parabolic step, and the floor
// of the parabola's denominator.
constexpr double kBracketGold = 1.618034;
constexpr double kBracketLimit = 100.0;
constexpr double kBracketTiny = 1e-20;

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
