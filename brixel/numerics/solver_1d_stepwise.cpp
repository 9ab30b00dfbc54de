// The stepwise (reverse-communication) variants of CSolver's one-dimensional minimizers: the
// caller evaluates each point the solver hands back and passes its value to the next call.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "brixel/numerics/solver.h"
#include "brixel/numerics/solver_1d_rules.h"

namespace brixel {
namespace {

using namespace solver1d;

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

// Dichotomous and parabolic search both go on to the middle of [a, b] once b's value is in.
double StepToMiddle(std::array<double, 5>& p, std::array<double, 5>& v, int& phase, double value) {
    v[kSlotB] = value;
    p[kSlotInner2] = 0.5 * (p[kSlotA] + p[kSlotB]);
    phase = kAwaitMiddle;
    return p[kSlotInner2];
}

}  // namespace
}  // namespace brixel

using namespace brixel;

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

bool CSolver::OpenStepwise(int method, int k, double value, double& next) {
    if (k <= 0 || m_nStepMethod != method) {
        StartStepwise(method);
        k = 0;
    }
    return StepwiseOpening(k, value, m_nStepPhase, m_adblStepPoint, m_adblStepValue, next);
}

double CSolver::Golden(double value, int k) {
    double next = 0.0;
    if (OpenStepwise(kStepGolden, k, value, next)) {
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
    double next = 0.0;
    if (OpenStepwise(kStepDichotomous, k, value, next)) {
        return next;
    }
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    switch (m_nStepPhase) {
        case kAwaitB:
            return StepToMiddle(p, v, m_nStepPhase, value);
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
    double next = 0.0;
    if (OpenStepwise(kStepParabolic, k, value, next)) {
        return next;
    }
    auto& p = m_adblStepPoint;
    auto& v = m_adblStepValue;
    switch (m_nStepPhase) {
        case kAwaitB:
            return StepToMiddle(p, v, m_nStepPhase, value);
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
    double next = 0.0;
    if (OpenStepwise(kStepFibonacci, k, value, next)) {
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
