// ODE integrator of the substitute host (HostOdeIntegrator): the Dormand-Prince 5(4) pair with
// local error control, first-same-as-last, driven by reverse communication.
//
// Written here rather than taken from GSL: the protocol hands control back to the caller for
// every derivative evaluation (the caller's model reads its own variables), while GSL's
// gsl_odeiv2 drivers and steppers pull derivatives through a callback inside their step
// functions. An explicit pair needs only its stages between calls, so the whole state lives in
// the caller's work arrays. Coefficients: Dormand and Prince, J. Comput. Appl. Math. 6 (1980)
// 19-26; step control as Hairer, Norsett and Wanner, Solving ODE I, II.4 (RMS norm of the error
// over rtol max(|y_old|, |y_new|, scale)).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "brixel/framework/host_interface.h"

namespace {

constexpr int kStages = 7;
constexpr std::array<double, kStages> kC{0.0, 1.0 / 5, 3.0 / 10, 4.0 / 5, 8.0 / 9, 1.0, 1.0};
// Row s holds a(s, 0 ... s - 1).
constexpr double kA[kStages][kStages - 1] = {
    {},
    {1.0 / 5},
    {3.0 / 40, 9.0 / 40},
    {44.0 / 45, -56.0 / 15, 32.0 / 9},
    {19372.0 / 6561, -25360.0 / 2187, 64448.0 / 6561, -212.0 / 729},
    {9017.0 / 3168, -355.0 / 33, 46732.0 / 5247, 49.0 / 176, -5103.0 / 18656},
    {35.0 / 384, 0.0, 500.0 / 1113, 125.0 / 192, -2187.0 / 6784, 11.0 / 84}};
// Fifth-order weights less fourth-order weights.
constexpr std::array<double, kStages> kE{71.0 / 57600,      0.0,        -71.0 / 16695, 71.0 / 1920,
                                         -17253.0 / 339200, 22.0 / 525, -1.0 / 40};

// Words of the real work array before the per-variable blocks.
enum RealWord : std::size_t {
    kAcceptedTime = 0,
    kStep = 1,
    kStartTime = 2,
    kTarget = 3,  // where the pending step ends when it lands on tOut or tEnd, else NaN
    kHeaderWords = 16,
};
// Integer work: state, error kind, pending stage.
enum IntWord : std::size_t { kState = 0, kErrorKind = 1, kPendingStage = 2 };
constexpr int64_t kIntWords = 4;
enum State : int64_t {
    kNew = 0,
    kBetweenSteps = 1,
    kAwaitStage = 2,
    kMustAskSlope = 3,
    kAwaitSlope = 4,
    kFailed = 5
};
enum ErrorKind : int64_t { kBadInput = 1, kBadDerivative = 2, kStepTooSmall = 3, kStepLimit = 4 };
enum StatusWord : std::size_t { kErrors = 0, kWarnings = 1, kRequest = 2, kSteps = 3 };

constexpr double kSafety = 0.9;
constexpr double kMaxGrowth = 5.0;
constexpr double kMaxShrink = 0.2;
constexpr double kEps = std::numeric_limits<double>::epsilon();

class Integrator {
  public:
    Integrator(std::size_t n, double* realWork, int64_t* intWork, int64_t* status,
               const double* reals, const int64_t* integers, const double* scale,
               const int64_t* positive)
        : m_n(n),
          m_w(realWork),
          m_iw(intWork),
          m_status(status),
          m_reals(reals),
          m_integers(integers),
          m_scale(scale),
          m_positive(positive) {}

    void Call(double& t, double tEnd, double tOut, double* y, double* dy, double& step) {
        m_status[kRequest] = 0;
        switch (m_iw[kState]) {
            case kNew:
                if (!Start(t, tEnd, tOut, y, dy, step)) {
                    return;
                }
                break;
            case kAwaitStage:
                if (!TakeSlope(t, y, dy)) {
                    return;
                }
                if (m_iw[kPendingStage] < kStages - 1) {
                    RequestStage(m_iw[kPendingStage] + 1, t, y);
                    return;
                }
                if (EndOfStep(t, y, dy)) {
                    step = m_w[kStep];
                    return;
                }
                break;  // rejected: try again with a smaller step
            case kMustAskSlope:
                std::copy(Accepted(), Accepted() + m_n, y);
                t = m_w[kAcceptedTime];
                m_iw[kState] = kAwaitSlope;
                m_status[kRequest] = 1;
                return;
            case kAwaitSlope:
                if (!TakeSlope(t, y, dy)) {
                    return;
                }
                std::copy(dy, dy + m_n, Slope(0));
                break;
            case kBetweenSteps:
                break;
            default:  // failed: y and t were restored then; a new integration must start anew
                m_status[kErrors] = std::max<int64_t>(m_status[kErrors], 1);
                return;
        }
        m_iw[kState] = kBetweenSteps;
        BeginStep(t, tEnd, tOut, y);
        step = m_w[kStep];
    }

  private:
    double* Accepted() { return m_w + kHeaderWords; }
    double* Slope(int stage) {
        return m_w + kHeaderWords + m_n * (1 + static_cast<std::size_t>(stage));
    }
    double* Trial() { return m_w + kHeaderWords + m_n * (1 + kStages); }

    bool Start(double& t, double tEnd, double tOut, double* y, const double* dy, double step) {
        m_status[kErrors] = m_status[kWarnings] = m_status[kSteps] = 0;
        bool finite = std::isfinite(t) && std::isfinite(tEnd) && std::isfinite(tOut) &&
                      std::isfinite(step) && step != 0.0 && m_reals[0] > 0.0;
        for (std::size_t i = 0; finite && i < m_n; ++i) {
            finite = std::isfinite(y[i]) && std::isfinite(dy[i]) && m_scale[i] >= 0.0;
        }
        if (!finite) {
            m_iw[kState] = kFailed;
            m_iw[kErrorKind] = kBadInput;
            ++m_status[kErrors];
            return false;
        }
        m_w[kAcceptedTime] = t;
        m_w[kStartTime] = t;
        m_w[kStep] = tEnd >= t ? std::fabs(step) : -std::fabs(step);
        std::copy(y, y + m_n, Accepted());
        std::copy(dy, dy + m_n, Slope(0));
        return true;
    }

    bool TakeSlope(double& t, double* y, const double* dy) {
        for (std::size_t i = 0; i < m_n; ++i) {
            if (!std::isfinite(dy[i])) {
                Fail(t, y, kBadDerivative);
                return false;
            }
        }
        if (m_iw[kState] == kAwaitStage) {
            std::copy(dy, dy + m_n, Slope(static_cast<int>(m_iw[kPendingStage])));
        }
        return true;
    }

    void Fail(double& t, double* y, ErrorKind kind) {
        std::copy(Accepted(), Accepted() + m_n, y);
        t = m_w[kAcceptedTime];
        m_iw[kState] = kFailed;
        m_iw[kErrorKind] = kind;
        ++m_status[kErrors];
    }

    // Chooses the step from the accepted point and asks for the second stage.
    void BeginStep(double& t, double tEnd, double tOut, double* y) {
        const double t0 = m_w[kAcceptedTime];
        const double direction = tEnd >= m_w[kStartTime] ? 1.0 : -1.0;
        // The nearer of tOut and tEnd ahead of t0.
        double target = tEnd;
        if (direction * (tOut - t0) > 0.0 && direction * (tOut - tEnd) < 0.0) {
            target = tOut;
        }
        const double room = direction * (target - t0);
        if (room <= 0.0) {
            std::copy(Accepted(), Accepted() + m_n, y);
            t = t0;
            return;  // nothing left to do
        }
        if (m_integers[3] > 0 && m_status[kSteps] >= m_integers[3]) {
            Fail(t, y, kStepLimit);
            return;
        }
        double size = std::fabs(m_w[kStep]);
        if (m_reals[1] > 0.0) {
            size = std::min(size, m_reals[1] * std::fabs(tEnd - m_w[kStartTime]));
        }
        const double smallest = std::max(m_reals[2], 16.0 * kEps * std::fabs(t0));
        if (room <= smallest) {  // a span below the resolution of t: arrive without a step
            m_w[kAcceptedTime] = target;
            std::copy(Accepted(), Accepted() + m_n, y);
            t = target;
            return;
        }
        m_w[kTarget] = std::numeric_limits<double>::quiet_NaN();
        if (size >= room * (1.0 - 4.0 * kEps)) {
            size = room;
            m_w[kTarget] = target;
        } else if (size > 0.5 * room) {
            size = 0.5 * room;  // two even steps rather than one long and one tiny
        }
        if (size < smallest) {
            Fail(t, y, kStepTooSmall);
            return;
        }
        m_w[kStep] = direction * size;
        RequestStage(1, t, y);
    }

    // Puts the trial point of `stage` into t and y and asks for its derivative.
    void RequestStage(int64_t stage, double& t, double* y) {
        const double h = m_w[kStep];
        const auto s = static_cast<std::size_t>(stage);
        for (std::size_t i = 0; i < m_n; ++i) {
            double sum = 0.0;
            for (std::size_t j = 0; j < s; ++j) {
                sum += kA[s][j] * Slope(static_cast<int>(j))[i];
            }
            y[i] = Accepted()[i] + h * sum;
        }
        t = stage == kStages - 1 && std::isfinite(m_w[kTarget]) ? m_w[kTarget]
                                                                : m_w[kAcceptedTime] + kC[s] * h;
        if (stage == kStages - 1) {
            std::copy(y, y + m_n, Trial());
        }
        m_iw[kState] = kAwaitStage;
        m_iw[kPendingStage] = stage;
        m_status[kRequest] = 1;
    }

    // All stages in: accepts the step (true) or shrinks it (false).
    bool EndOfStep(double& t, double* y, double* dy) {
        const double h = m_w[kStep];
        double sum = 0.0;
        for (std::size_t i = 0; i < m_n; ++i) {
            double e = 0.0;
            for (int j = 0; j < kStages; ++j) {
                e += kE[static_cast<std::size_t>(j)] * Slope(j)[i];
            }
            const double weight =
                m_reals[0] * std::max({std::fabs(Accepted()[i]), std::fabs(Trial()[i]), m_scale[i],
                                       std::numeric_limits<double>::min()});
            const double ratio = h * e / weight;
            sum += ratio * ratio;
        }
        const double error = std::sqrt(sum / static_cast<double>(m_n));
        const double factor =
            error == 0.0 ? kMaxGrowth
                         : std::clamp(kSafety * std::pow(error, -0.2), kMaxShrink, kMaxGrowth);
        if (!(error <= 1.0)) {
            m_w[kStep] = h * std::min(factor, 1.0);
            return false;
        }
        m_w[kAcceptedTime] = std::isfinite(m_w[kTarget]) ? m_w[kTarget] : m_w[kAcceptedTime] + h;
        std::copy(Trial(), Trial() + m_n, Accepted());
        std::copy(Slope(kStages - 1), Slope(kStages - 1) + m_n, Slope(0));
        bool clipped = false;
        for (std::size_t i = 0; i < m_n; ++i) {
            if (m_positive[i] == 1 && Accepted()[i] < 0.0) {
                Accepted()[i] = 0.0;
                clipped = true;
            }
        }
        ++m_status[kSteps];
        m_w[kStep] = h * factor;
        t = m_w[kAcceptedTime];
        std::copy(Accepted(), Accepted() + m_n, y);
        std::copy(Slope(0), Slope(0) + m_n, dy);
        m_iw[kState] = kBetweenSteps;
        if (clipped) {
            ++m_status[kWarnings];
            m_iw[kState] = kMustAskSlope;  // the slope at the clipped point is not k7
        }
        return true;
    }

    std::size_t m_n;
    double* m_w;
    int64_t* m_iw;
    int64_t* m_status;
    const double* m_reals;
    const int64_t* m_integers;
    const double* m_scale;
    const int64_t* m_positive;
};

constexpr int64_t kMaxVariables = 1 << 20;

}  // namespace

extern "C" void HostOdeIntegrator(const int64_t* n, double* t, const double* tEnd,
                                  const double* tOut, double* y, double* dy, const double* reals,
                                  const int64_t* integers, const double* scale,
                                  const int64_t* positive, double* step, double* realWork,
                                  const int64_t* realWorkSize, int64_t* intWork,
                                  const int64_t* intWorkSize, int64_t* status) {
    if (status == nullptr) {
        return;
    }
    status[kRequest] = 0;
    const int64_t count = n == nullptr ? 0 : *n;
    const bool usable = count >= 1 && count <= kMaxVariables && t != nullptr && tEnd != nullptr &&
                        tOut != nullptr && y != nullptr && dy != nullptr && reals != nullptr &&
                        integers != nullptr && scale != nullptr && positive != nullptr &&
                        step != nullptr && realWork != nullptr && realWorkSize != nullptr &&
                        intWork != nullptr && intWorkSize != nullptr && *intWorkSize >= kIntWords &&
                        *realWorkSize >= (kStages + 2) * count + static_cast<int64_t>(kHeaderWords);
    if (!usable) {
        ++status[kErrors];
        if (intWork != nullptr && intWorkSize != nullptr && *intWorkSize >= kIntWords) {
            intWork[kState] = kFailed;
            intWork[kErrorKind] = kBadInput;
        }
        return;
    }
    Integrator(static_cast<std::size_t>(count), realWork, intWork, status, reals, integers, scale,
               positive)
        .Call(*t, *tEnd, *tOut, y, dy, *step);
}
