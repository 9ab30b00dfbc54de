// The host's bounded least-squares routine and its reverse-communication ODE integrator,
// driven directly as a host model would, against closed forms.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "brixel/framework/host_interface.h"

namespace {

// ---- least squares ---------------------------------------------------------------------

using Model = std::function<double(const double* p, double x)>;

void Evaluate(int64_t* /*mode*/, int64_t* m, int64_t* /*n*/, double* p, double* x, double* /*y*/,
              double* f, int64_t* /*status*/, void** userData) {
    const Model& model = *static_cast<const Model*>(userData[0]);
    for (int64_t i = 0; i < *m; ++i) {
        f[i] = model(p, x[i]);
    }
}

struct FitResult {
    std::vector<double> p;
    int64_t status = 99;
    double error = -1.0;
};

FitResult RunFit(const Model& model, std::vector<double> start, const std::vector<double>& x,
                 const std::vector<double>& y, const std::vector<double>& lower = {},
                 const std::vector<double>& upper = {}) {
    FitResult fit;
    fit.p = std::move(start);
    const auto n = static_cast<int64_t>(fit.p.size());
    const auto m = static_cast<int64_t>(x.size());
    const double reals[] = {0.001, 1e-5, 1.0};
    const int64_t integers[] = {1, 100, 1, 2, 2};
    const int64_t bounded = lower.empty() ? 0 : 1;
    std::vector<double> residuals(x.size()), scales(fit.p.size(), 1.0);
    void* userData[] = {const_cast<Model*>(&model)};
    HostBoundedLeastSquares(&n, &m, fit.p.data(), y.data(), x.data(), residuals.data(), Evaluate,
                            userData, reals, integers, lower.empty() ? nullptr : lower.data(),
                            upper.empty() ? nullptr : upper.data(), &bounded, scales.data(),
                            &fit.error, &fit.status);
    return fit;
}

const Model kExponential = [](const double* p, double x) { return p[0] * std::exp(-p[1] * x); };

std::vector<double> Grid(int count, double step) {
    std::vector<double> x;
    for (int i = 0; i < count; ++i) {
        x.push_back(step * i);
    }
    return x;
}

std::vector<double> Values(const Model& model, const std::vector<double>& p,
                           const std::vector<double>& x) {
    std::vector<double> y;
    for (double xi : x) {
        y.push_back(model(p.data(), xi));
    }
    return y;
}

TEST(HostBoundedLeastSquares, RecoversTheParametersOfExactData) {
    const auto x = Grid(20, 0.25);
    const auto fit = RunFit(kExponential, {1.0, 1.0}, x, Values(kExponential, {3.0, 0.7}, x));
    ASSERT_EQ(fit.status, 0);
    // Within the step tolerance 1e-5 passed, relative.
    EXPECT_NEAR(fit.p[0], 3.0, 3.0e-5);
    EXPECT_NEAR(fit.p[1], 0.7, 0.7e-5);
    EXPECT_LT(fit.error, 1e-5);
}

// Line y = 2x + 1 with the slope held below 1.5: the slope sits on the bound and the intercept
// is then the least-squares intercept for that slope, mean(y - 1.5x) = 1 + 0.5 mean(x).
TEST(HostBoundedLeastSquares, AnActiveBoundHoldsExactly) {
    const Model line = [](const double* p, double x) { return p[0] * x + p[1]; };
    const auto x = Grid(11, 0.5);  // mean 2.5
    const auto fit =
        RunFit(line, {1.0, 0.0}, x, Values(line, {2.0, 1.0}, x), {0.0, -10.0}, {1.5, 10.0});
    ASSERT_EQ(fit.status, 0);
    EXPECT_EQ(fit.p[0], 1.5);
    EXPECT_NEAR(fit.p[1], 2.25, 1e-7);
    // Residuals y - f = 0.5 (x - 2.5): RMS 0.5 * sd(x) over the 11 points (variance 2.5).
    EXPECT_NEAR(fit.error, 0.5 * std::sqrt(2.5), 1e-7);
}

TEST(HostBoundedLeastSquares, OneSidedAndInactiveBounds) {
    const auto x = Grid(20, 0.25);
    const auto y = Values(kExponential, {3.0, 0.7}, x);
    const double inf = std::numeric_limits<double>::infinity();
    auto fit = RunFit(kExponential, {1.0, 1.0}, x, y, {0.0, 0.0}, {inf, inf});
    ASSERT_EQ(fit.status, 0);
    EXPECT_NEAR(fit.p[0], 3.0, 3.0e-5);
    EXPECT_NEAR(fit.p[1], 0.7, 0.7e-5);
    fit = RunFit(kExponential, {1.0, 1.0}, x, y, {-inf, 0.9}, {2.5, inf});
    ASSERT_EQ(fit.status, 0);
    EXPECT_EQ(fit.p[0], 2.5);
    EXPECT_EQ(fit.p[1], 0.9);
}

TEST(HostBoundedLeastSquares, BadInputLeavesTheParametersAlone) {
    const auto x = Grid(5, 1.0);
    const auto y = Values(kExponential, {3.0, 0.7}, x);
    const std::vector<double> start{1.0, 1.0};
    auto fit = RunFit(kExponential, start, x, y, {2.0, 0.0}, {1.0, 1.0});  // crossing bounds
    EXPECT_EQ(fit.status, -1);
    EXPECT_EQ(fit.p, start);
    fit = RunFit(kExponential, start, {0.0}, {1.0});  // fewer points than parameters
    EXPECT_EQ(fit.status, -1);
    fit = RunFit(kExponential, {}, x, y);
    EXPECT_EQ(fit.status, -1);
    const Model broken = [](const double*, double at) { return at > 2.0 ? std::nan("") : at; };
    fit = RunFit(broken, start, x, y);
    EXPECT_EQ(fit.status, -2);
    EXPECT_EQ(fit.p, start);
    int64_t status = 5;
    HostBoundedLeastSquares(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status);
    EXPECT_EQ(status, -1);
}

// ---- ODE integrator --------------------------------------------------------------------

using Derivative = std::function<void(double t, const double* y, double* dy)>;

struct Integration {
    std::vector<double> y;
    double t = 0.0;
    int64_t errors = 0, steps = 0, evaluations = 0, errorKind = 0;
};

Integration Integrate(const Derivative& f, std::vector<double> y, double t0, double t1, double rtol,
                      std::vector<int64_t> positive = {}) {
    const auto n = static_cast<int64_t>(y.size());
    Integration run;
    std::vector<double> dy(y.size()), scale(y.size(), 1.0);
    positive.resize(y.size(), 0);
    const double reals[11] = {rtol, 0.1, 0.0, 1.0, 1.0};
    const int64_t integers[9] = {2, 2, 2, 1000, 0, 0, 10, 0, 1};
    double step = t1 >= t0 ? 1e-4 : -1e-4;
    std::vector<double> work(static_cast<std::size_t>((n + 18) * n + 63));
    std::vector<int64_t> intWork(60);
    const auto realSize = static_cast<int64_t>(work.size());
    const int64_t intSize = 60;
    int64_t status[4] = {};
    double t = t0;
    f(t, y.data(), dy.data());
    ++run.evaluations;
    for (int pass = 0; pass < 100000; ++pass) {
        HostOdeIntegrator(&n, &t, &t1, &t1, y.data(), dy.data(), reals, integers, scale.data(),
                          positive.data(), &step, work.data(), &realSize, intWork.data(), &intSize,
                          status);
        if (status[0] > 0) {
            break;
        }
        if (status[2] == 1) {
            f(t, y.data(), dy.data());
            ++run.evaluations;
        } else if (t == t1) {
            break;
        }
    }
    run.y = y;
    run.t = t;
    run.errors = status[0];
    run.steps = status[3];
    run.errorKind = intWork[1];
    return run;
}

const Derivative kDecay = [](double, const double* y, double* dy) { dy[0] = -y[0]; };
const Derivative kOscillator = [](double, const double* y, double* dy) {
    dy[0] = y[1];
    dy[1] = -y[0];
};

TEST(HostOdeIntegrator, ExponentialDecayWithinTheTolerance) {
    for (double rtol : {1e-4, 1e-8}) {
        const Integration run = Integrate(kDecay, {1.0}, 0.0, 1.0, rtol);
        ASSERT_EQ(run.errors, 0);
        EXPECT_EQ(run.t, 1.0);
        EXPECT_NEAR(run.y[0], std::exp(-1.0), rtol) << rtol;
        EXPECT_GE(run.steps, 10);  // the largest step is a tenth of the span
        // Six new stages per step with the first stage carried over, plus the start.
        EXPECT_GE(run.evaluations, 6 * run.steps + 1);
    }
}

TEST(HostOdeIntegrator, TighterToleranceTakesMoreStepsAndLandsCloser) {
    const Integration loose = Integrate(kOscillator, {1.0, 0.0}, 0.0, 20.0, 1e-4);
    const Integration tight = Integrate(kOscillator, {1.0, 0.0}, 0.0, 20.0, 1e-9);
    ASSERT_EQ(loose.errors + tight.errors, 0);
    EXPECT_GT(tight.steps, loose.steps);
    const double looseError = std::hypot(loose.y[0] - std::cos(20.0), loose.y[1] + std::sin(20.0));
    const double tightError = std::hypot(tight.y[0] - std::cos(20.0), tight.y[1] + std::sin(20.0));
    EXPECT_LT(looseError, 20.0 * 1e-4);  // global error over about three periods
    EXPECT_LT(tightError, 20.0 * 1e-9);
    EXPECT_LT(tightError, looseError);
}

TEST(HostOdeIntegrator, IntegratesBackwards) {
    const Integration run = Integrate(kDecay, {std::exp(-2.0)}, 2.0, 0.0, 1e-6);
    ASSERT_EQ(run.errors, 0);
    EXPECT_EQ(run.t, 0.0);
    EXPECT_NEAR(run.y[0], 1.0, 1e-6);
}

TEST(HostOdeIntegrator, KeepsAFlaggedStateNonNegative) {
    const Derivative drain = [](double, const double*, double* dy) { dy[0] = -1.0; };
    const Integration free = Integrate(drain, {0.5}, 0.0, 1.0, 1e-6);
    EXPECT_NEAR(free.y[0], -0.5, 1e-12);
    const Integration kept = Integrate(drain, {0.5}, 0.0, 1.0, 1e-6, {1});
    ASSERT_EQ(kept.errors, 0);
    EXPECT_EQ(kept.y[0], 0.0);
}

TEST(HostOdeIntegrator, ANonFiniteDerivativeRestoresTheLastAcceptedPoint) {
    const Derivative blowsUp = [](double t, const double* y, double* dy) {
        dy[0] = t > 0.5 ? std::nan("") : -y[0];
    };
    const Integration run = Integrate(blowsUp, {1.0}, 0.0, 1.0, 1e-6);
    EXPECT_EQ(run.errors, 1);
    EXPECT_EQ(run.errorKind, 2);
    EXPECT_LE(run.t, 0.5);
    EXPECT_NEAR(run.y[0], std::exp(-run.t), 1e-6);  // an accepted point, not a trial point
}

TEST(HostOdeIntegrator, TheStepLimitEndsTheIntegration) {
    // y' = 1e4 cos(1e4 t) needs far more than 1000 steps at 1e-10 over 10 s.
    const Derivative fast = [](double t, const double*, double* dy) { dy[0] = std::cos(1e4 * t); };
    const Integration run = Integrate(fast, {0.0}, 0.0, 10.0, 1e-10);
    EXPECT_EQ(run.errors, 1);
    EXPECT_EQ(run.errorKind, 4);
    EXPECT_EQ(run.steps, 1000);
}

TEST(HostOdeIntegrator, RefusesBadInput) {
    const Integration nanStart = Integrate(kDecay, {std::nan("")}, 0.0, 1.0, 1e-6);
    EXPECT_EQ(nanStart.errors, 1);
    EXPECT_EQ(nanStart.errorKind, 1);
    EXPECT_TRUE(std::isnan(nanStart.y[0]));
    int64_t status[4] = {};
    HostOdeIntegrator(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, status);
    EXPECT_EQ(status[0], 1);
}

}  // namespace
