// One-dimensional root finder of the substitute host (HostRoot1D).
//
// Hand-written rather than built on GSL: the protocol hands control back to the caller for
// every function value and keeps all memory in the caller's 15-word state block, while GSL's
// root solvers (gsl_root_fsolver_iterate) pull values through a gsl_function callback and
// keep their state in a solver object. Bridging the two would need the caller's function
// inside the host, which the protocol does not pass, or a solver object living between calls
// outside the state block. A bracketing method needs only a dozen numbers, so it lives in the
// block itself.
//
// Method: from the start point x0, trial points x0 + d and x0 - d (clamped to the bounds)
// until one side shows a sign change, d doubling after every round of the two sides; then
// the Illinois variant of regula falsi inside the bracket, falling back to the midpoint when
// a trial would not lie strictly inside.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "brixel/framework/host_interface.h"

namespace {

// Positions in the state block. Words 8 to 11 hold the last point of each search side while
// searching, and the bracket once a sign change is found.
enum Word : std::size_t {
    kLower = 0,
    kUpper = 1,
    kStep = 2,
    kTolerance = 3,
    kPhase = 4,
    kSide = 5,  // searching: side of the pending trial (+1, -1); refining: end replaced last
    kOrigin = 6,
    kOriginValue = 7,
    kRightPoint = 8,
    kRightValue = 9,
    kLeftPoint = 10,
    kLeftValue = 11,
    kPending = 12,  // the point whose value the next call brings
    kBestPoint = 13,
    kBestMagnitude = 14,
};
constexpr Word kBracketLow = kRightPoint;
constexpr Word kBracketLowValue = kRightValue;
constexpr Word kBracketHigh = kLeftPoint;
constexpr Word kBracketHighValue = kLeftValue;

// Phases, stored as reals in word 4 (0 is the state a caller hands over).
constexpr double kNew = 0.0;
constexpr double kAwaitStart = 1.0;
constexpr double kSearch = 2.0;
constexpr double kRefine = 3.0;

constexpr int64_t kEvaluate = 1;
constexpr int64_t kStepDoubled = 2;
constexpr int64_t kConverged = 0;
constexpr int64_t kNoSignChange = -1;
constexpr int64_t kTooManySteps = -2;
constexpr int64_t kBadInput = -3;
constexpr int64_t kBadValue = -4;

// Doubling a positive step reaches any bound long before this many rounds.
constexpr int kMaxSearchRounds = 4096;

bool SameSign(double f1, double f2) {
    return (f1 > 0.0 && f2 > 0.0) || (f1 < 0.0 && f2 < 0.0);
}

class RootSearch {
  public:
    explicit RootSearch(double* state) : s(state) {}

    int64_t Advance(double& x, double fx, int64_t maxSteps, int64_t& control) {
        if (s[kPhase] == kNew) {
            if (!ValidBounds() || !std::isfinite(x)) {
                return kBadInput;
            }
            control = 1;
            s[kPhase] = kAwaitStart;
            s[kBestPoint] = x;
            s[kBestMagnitude] = std::numeric_limits<double>::infinity();
            s[kPending] = std::clamp(x, s[kLower], s[kUpper]);
            if (s[kPending] != x) {
                x = s[kPending];
                return kEvaluate;
            }
        } else {
            ++control;
        }
        const double point = s[kPending];
        if (!std::isfinite(fx)) {
            x = s[kBestMagnitude] < std::numeric_limits<double>::infinity() ? s[kBestPoint] : point;
            return kBadValue;
        }
        if (std::fabs(fx) < s[kBestMagnitude]) {
            s[kBestPoint] = point;
            s[kBestMagnitude] = std::fabs(fx);
        }
        if (std::fabs(fx) <= s[kTolerance]) {
            x = point;
            return kConverged;
        }
        if (control > maxSteps) {
            x = s[kBestPoint];
            return kTooManySteps;
        }
        if (s[kPhase] == kAwaitStart) {
            s[kOrigin] = s[kRightPoint] = s[kLeftPoint] = point;
            s[kOriginValue] = s[kRightValue] = s[kLeftValue] = fx;
            s[kSide] = 1.0;
            s[kPhase] = kSearch;
            return NextSearchTrial(x, kEvaluate);
        }
        if (s[kPhase] == kSearch) {
            return SearchValue(point, fx, x);
        }
        return RefineValue(point, fx, x);
    }

  private:
    bool ValidBounds() const {
        return std::isfinite(s[kLower]) && std::isfinite(s[kUpper]) && s[kLower] < s[kUpper] &&
               s[kTolerance] >= 0.0 && std::isfinite(s[kStep]) && s[kStep] > 0.0;
    }

    int64_t SearchValue(double point, double fx, double& x) {
        const bool right = s[kSide] > 0.0;
        const Word lastPoint = right ? kRightPoint : kLeftPoint;
        const Word lastValue = right ? kRightValue : kLeftValue;
        if (!SameSign(fx, s[lastValue])) {
            const double other = s[lastPoint];
            const double otherValue = s[lastValue];
            s[kBracketLow] = std::min(point, other);
            s[kBracketLowValue] = point < other ? fx : otherValue;
            s[kBracketHigh] = std::max(point, other);
            s[kBracketHighValue] = point < other ? otherValue : fx;
            s[kSide] = 0.0;
            s[kPhase] = kRefine;
            return RefineTrial(x);
        }
        s[lastPoint] = point;
        s[lastValue] = fx;
        if (right) {
            s[kSide] = -1.0;
            return NextSearchTrial(x, kEvaluate);
        }
        s[kSide] = 1.0;
        s[kStep] *= 2.0;
        return NextSearchTrial(x, kStepDoubled);
    }

    // The next trial at the current distance on the pending side; a side that cannot move
    // further at this distance passes to the other, a round without progress doubles the step.
    int64_t NextSearchTrial(double& x, int64_t result) {
        for (int attempt = 0; attempt < 2 * kMaxSearchRounds; ++attempt) {
            const double step = s[kStep];
            if (!std::isfinite(step) || !(step > 0.0)) {
                return kBadInput;  // the caller rewrote the step
            }
            const bool rightDone = s[kRightPoint] >= s[kUpper];
            const bool leftDone = s[kLeftPoint] <= s[kLower];
            if (rightDone && leftDone) {
                x = s[kBestPoint];
                return kNoSignChange;
            }
            const bool right = s[kSide] > 0.0;
            if (!(right ? rightDone : leftDone)) {
                const double trial = std::clamp(s[kOrigin] + s[kSide] * step, s[kLower], s[kUpper]);
                if (right ? trial > s[kRightPoint] : trial < s[kLeftPoint]) {
                    s[kPending] = trial;
                    x = trial;
                    return result;
                }
            }
            if (right) {
                s[kSide] = -1.0;
            } else {
                s[kSide] = 1.0;
                s[kStep] = 2.0 * step;
                result = kStepDoubled;
            }
        }
        x = s[kBestPoint];
        return kNoSignChange;
    }

    int64_t RefineValue(double point, double fx, double& x) {
        constexpr double kLowEnd = -1.0;
        constexpr double kHighEnd = 1.0;
        if (SameSign(fx, s[kBracketLowValue])) {
            s[kBracketLow] = point;
            s[kBracketLowValue] = fx;
            if (s[kSide] == kLowEnd) {
                s[kBracketHighValue] *= 0.5;  // Illinois: the high end stalled twice
            }
            s[kSide] = kLowEnd;
        } else {
            s[kBracketHigh] = point;
            s[kBracketHighValue] = fx;
            if (s[kSide] == kHighEnd) {
                s[kBracketLowValue] *= 0.5;
            }
            s[kSide] = kHighEnd;
        }
        return RefineTrial(x);
    }

    int64_t RefineTrial(double& x) {
        const double low = s[kBracketLow];
        const double high = s[kBracketHigh];
        const double fLow = s[kBracketLowValue];
        const double fHigh = s[kBracketHighValue];
        double trial = (low * fHigh - high * fLow) / (fHigh - fLow);
        if (!(low < trial && trial < high)) {
            trial = 0.5 * (low + high);
        }
        if (!(low < trial && trial < high)) {
            // No double lies between the ends: the sign changes here.
            x = std::fabs(fLow) <= std::fabs(fHigh) ? low : high;
            return kConverged;
        }
        s[kPending] = trial;
        x = trial;
        return kEvaluate;
    }

    double* s;
};

}  // namespace

extern "C" void HostRoot1D(int64_t* status, double* x, const double* fx, double* state,
                           const int64_t* maxSteps, int64_t* control) {
    if (status == nullptr) {
        return;
    }
    if (x == nullptr || fx == nullptr || state == nullptr || maxSteps == nullptr ||
        control == nullptr) {
        *status = kBadInput;
        return;
    }
    *status = RootSearch(state).Advance(*x, *fx, *maxSteps, *control);
    if (*status <= 0) {
        state[kPhase] = kNew;
    }
}
