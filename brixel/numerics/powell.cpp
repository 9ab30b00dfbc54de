// Powell's conjugate-direction method with simple bounds, and its line search.

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_support.h"

namespace brixel {
namespace {

// Value of the line function where the trial point leaves the box: high enough that the
// bracketing and Brent's method turn back towards the box.
constexpr double kOutsideBox = 1e15;

double Square(double d) {
    return d * d;
}

template <typename T>
void Release(std::vector<T>& values) {
    values.clear();
    values.shrink_to_fit();
}

}  // namespace
}  // namespace brixel

CSolver::~CSolver() {
    if (m_pcSolver == this) {
        m_pcSolver = nullptr;
    }
}

double CSolver::F1Dim(double t) {
    CSolver* solver = m_pcSolver;
    if (solver == nullptr || solver->m_pPowellFunction == nullptr) {
        return brixel::kOutsideBox;
    }
    if (solver->m_bUserBreak) {
        return 0.0;
    }
    bool inside = true;
    for (int j = 0; j < solver->m_nLineDim; ++j) {
        double& coordinate = solver->m_vdblLinePoint[j];
        coordinate = solver->m_vdblLineOrigin[j] + t * solver->m_vdblLineDirection[j];
        if (!(coordinate >= solver->m_vdblLower[j])) {  // NaN counts as outside
            coordinate = solver->m_vdblLower[j];
            inside = false;
        } else if (coordinate > solver->m_vdblUpper[j]) {
            coordinate = solver->m_vdblUpper[j];
            inside = false;
        }
    }
    if (!inside) {
        return brixel::kOutsideBox;
    }
    ++solver->m_nPowellNFuncEval;
    return (*solver->m_pPowellFunction)(solver->m_vdblLinePoint.data());
}

void CSolver::LinMin(double* p, double* xi, int n, double* value, const ObjectiveND& function) {
    if (p == nullptr || xi == nullptr || n < 1 || !function) {
        return;
    }
    m_pcSolver = this;
    const auto size = static_cast<std::size_t>(n);
    if (m_vdblLower.size() != size) {  // not inside a Powell run: an unbounded line
        m_vdblLower.assign(size, -std::numeric_limits<double>::infinity());
        m_vdblUpper.assign(size, std::numeric_limits<double>::infinity());
    }
    m_nLineDim = n;
    m_vdblLineOrigin.assign(p, p + n);
    m_vdblLineDirection.assign(xi, xi + n);
    m_vdblLinePoint.resize(size);
    const ObjectiveND* outer = m_pPowellFunction;
    m_pPowellFunction = &function;

    double a = 0.0;
    double b = 1.0;
    double c = 0.0;
    double fa = 0.0;
    double fb = 0.0;
    double fc = 0.0;
    BracketMinimum(&a, &b, &c, &fa, &fb, &fc, &F1Dim);
    double tMin = b;
    double fMin = fb;
    if (!m_bUserBreak) {
        BrentMinimize(a, c, &F1Dim, &tMin, nullptr, &fMin, b, nullptr);
    }
    // After a break the values of the line function are not the objective's: stay at p.
    if (!m_bUserBreak) {
        // Where the objective is above the penalty of the box the line's minimum may lie
        // outside: stay at p with its true value then.
        const brixel::SolverBox box{m_vdblLower.data(), m_vdblUpper.data(), n};
        for (int j = 0; j < n; ++j) {
            m_vdblLinePoint[j] = p[j] + tMin * xi[j];
        }
        if (!box.Contains(m_vdblLinePoint.data())) {
            tMin = 0.0;
            fMin = F1Dim(0.0);
        }
        for (int j = 0; j < n; ++j) {
            xi[j] *= tMin;
            p[j] += xi[j];
        }
        if (value != nullptr) {
            *value = fMin;
        }
    }
    m_pPowellFunction = outer;
    if (outer == nullptr) {
        brixel::Release(m_vdblLower);
        brixel::Release(m_vdblUpper);
    }
}

void CSolver::PowellLineSearch(double* p, double* xi, int n, double& fret,
                               const ObjectiveND& function) {
    const double before = fret;
    LinMin(p, xi, n, &fret, function);
    if (m_bUserBreak) {
        fret = before;  // the point did not move
    }
}

bool CSolver::Powell(const double* lower, const double* upper, FunctionND function, int n,
                     double* x, int* count, double* value, double* start, CString* message) {
    if (function == nullptr) {
        brixel::ReportSolverMessage(message, brixel::solver_message::kNoFunction);
        return false;
    }
    return Powell(lower, upper, ObjectiveND(function), n, x, count, value, start, message);
}

bool CSolver::Powell(const double* lower, const double* upper, const ObjectiveND& function, int n,
                     double* x, int* count, double* value, double* start, CString* message) {
    if (!PassesBoxChecks(lower, upper, static_cast<bool>(function), n, x, start, message)) {
        return false;
    }
    m_pcSolver = this;
    m_bUserBreak = false;
    const auto size = static_cast<std::size_t>(n);
    m_vdblLower.assign(lower, lower + n);
    m_vdblUpper.assign(upper, upper + n);
    m_pPowellFunction = &function;
    m_nLineDim = 0;  // no line until the first line search
    // Ends the run on every path, also when the objective throws.
    struct RunState {
        CSolver& solver;
        ~RunState() {
            solver.m_pPowellFunction = nullptr;
            solver.m_nLineDim = 0;
            brixel::Release(solver.m_vdblLower);
            brixel::Release(solver.m_vdblUpper);
            brixel::Release(solver.m_vdblLineOrigin);
            brixel::Release(solver.m_vdblLineDirection);
            brixel::Release(solver.m_vdblLinePoint);
        }
    } runState{*this};

    const brixel::SolverBox box{lower, upper, n};
    const brixel::SolverPointOutputs out{x, count, value, n};
    double* p = start;
    box.Start(p, p);
    // Direction i occupies directions[i * n ... i * n + n - 1]; the identity to begin with.
    std::vector<double> directions(size * size, 0.0);
    for (std::size_t i = 0; i < size; ++i) {
        directions[i * size + i] = 1.0;
    }
    std::vector<double> pt(p, p + n);
    std::vector<double> ptt(size);
    std::vector<double> xit(size);

    double fret = function(p);
    m_nPowellNFuncEval = 1;
    auto stop = [&] {
        out.Write(p, m_nPowellNFuncEval, fret);
        brixel::ReportSolverMessage(message, brixel::solver_message::kMaxIterations);
        return false;
    };
    for (;;) {
        const double fp = fret;
        std::size_t biggest = 0;
        double biggestDecrease = 0.0;
        for (std::size_t i = 0; i < size; ++i) {
            if (m_bUserBreak) {
                return stop();
            }
            const double* direction = directions.data() + i * size;
            xit.assign(direction, direction + n);
            const double before = fret;
            PowellLineSearch(p, xit.data(), n, fret, function);
            if (before - fret > biggestDecrease) {
                biggestDecrease = before - fret;
                biggest = i;
            }
        }
        // A break during the last line search must not pass for convergence.
        if (m_bUserBreak) {
            return stop();
        }
        if (2.0 * std::fabs(fp - fret) <= m_dblPowellFTol * (std::fabs(fp) + std::fabs(fret))) {
            out.Write(p, m_nPowellNFuncEval, fret);
            return true;
        }
        if (m_nPowellNFuncEval >= m_nPowellMaxAllowedSteps) {
            return stop();
        }
        for (int j = 0; j < n; ++j) {
            ptt[j] = box.Clamp(j, 2.0 * p[j] - pt[j]);
            xit[j] = p[j] - pt[j];
            pt[j] = p[j];
        }
        const double fptt = function(ptt.data());
        ++m_nPowellNFuncEval;
        if (fptt < fp) {
            const double test =
                2.0 * (fp - 2.0 * fret + fptt) * brixel::Square(fp - fret - biggestDecrease) -
                biggestDecrease * brixel::Square(fp - fptt);
            if (test < 0.0) {
                if (m_bUserBreak) {
                    return stop();
                }
                PowellLineSearch(p, xit.data(), n, fret, function);
                double* replaced = directions.data() + biggest * size;
                double* last = directions.data() + (size - 1) * size;
                for (std::size_t j = 0; j < size; ++j) {
                    replaced[j] = last[j];
                    last[j] = xit[j];
                }
            }
        }
    }
}
