// CODESolve over the host's reverse-communication integrator, on the caller's own variables,
// against closed-form solutions.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "brixel/numerics/ode_solve.h"

namespace {

constexpr double kTolerance = 1e-4;  // the integrator's relative tolerance

// y' = -k y on one caller variable.
struct Decay {
    double y = 1.0, dy = 0.0, k = 1.0;
    double* states[1] = {&y};
    double* derivatives[1] = {&dy};
    CODESolve::DerivativeFunction Function() {
        return [this](double) { dy = -k * y; };
    }
};

// x'' = -x as x' = v, v' = -x.
struct Oscillator {
    double x = 1.0, v = 0.0, dx = 0.0, dv = 0.0;
    double* states[2] = {&x, &v};
    double* derivatives[2] = {&dx, &dv};
    CODESolve::DerivativeFunction Function() {
        return [this](double) {
            dx = v;
            dv = -x;
        };
    }
};

TEST(CODESolve, ExponentialDecayEndsOnTheClosedForm) {
    Decay model;
    CODESolve solver(model.states, model.derivatives, 1, model.Function());
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_NEAR(model.y, std::exp(-1.0), kTolerance);
    EXPECT_GE(solver.GetStepCount(), 10);  // at most a tenth of the span per step
    EXPECT_GE(solver.GetDerivativeCalls(), 6 * solver.GetStepCount() + 1);
}

TEST(CODESolve, HarmonicOscillatorFollowsCosineAndSine) {
    Oscillator model;
    CODESolve solver;
    solver.DefineParams(model.states, model.derivatives, 2, 0, 0, 0, 0, 0);
    solver.SetFunction(model.Function());
    const double end = std::numbers::pi;  // half a period: x = -1, v = 0
    ASSERT_TRUE(solver.Solve(0.0, end));
    EXPECT_NEAR(model.x, -1.0, kTolerance);
    EXPECT_NEAR(model.v, 0.0, kTolerance);
    // Energy x^2 + v^2 = 1 is kept to the same order.
    EXPECT_NEAR(model.x * model.x + model.v * model.v, 1.0, 2 * kTolerance);
}

TEST(CODESolve, IntegratesBackwards) {
    Decay model;
    model.y = std::exp(-1.0);
    CODESolve solver(model.states, model.derivatives, 1, model.Function());
    ASSERT_TRUE(solver.Solve(1.0, 0.0));
    EXPECT_NEAR(model.y, 1.0, kTolerance);
    EXPECT_GE(solver.GetStepCount(), 10);  // it did integrate, it did not stop at the start
}

// Records the times of the output points it is told of.
class TracedSolver : public CODESolve {
  public:
    using CODESolve::CODESolve;
    std::vector<double> outputTimes;

  protected:
    void UpdateExtraProfiles(double t) override { outputTimes.push_back(t); }
};

TEST(CODESolve, ProfilesHoldTheStartAndEveryOutputPoint) {
    Decay model;
    model.k = 2.0;
    TracedSolver solver(model.states, model.derivatives, 1, model.Function());
    solver.SetOutputPoints(5);
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    std::vector<double> profile;
    solver.GetProfile(&model.y, profile);
    ASSERT_EQ(profile.size(), 6u);
    ASSERT_EQ(solver.outputTimes.size(), 6u);
    for (std::size_t k = 0; k < profile.size(); ++k) {
        const double t = 0.2 * static_cast<double>(k);
        EXPECT_NEAR(solver.outputTimes[k], t, 1e-10);
        EXPECT_NEAR(profile[k], std::exp(-2.0 * t), kTolerance) << "point " << k;
    }
    EXPECT_EQ(profile.back(), model.y);

    // A new solve starts new profiles; an unregistered address has none.
    solver.Reinitialize();
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    solver.GetProfile(&model.y, profile);
    EXPECT_EQ(profile.size(), 6u);
    double other = 0.0;
    solver.GetProfile(&other, profile);
    EXPECT_TRUE(profile.empty());
}

TEST(CODESolve, BackwardProfilesRunFromTheStart) {
    Decay model;
    CODESolve solver(model.states, model.derivatives, 1, model.Function());
    solver.SetOutputPoints(4);
    ASSERT_TRUE(solver.Solve(2.0, 0.0));
    std::vector<double> profile;
    solver.GetProfile(&model.y, profile);
    ASSERT_EQ(profile.size(), 5u);
    for (std::size_t k = 0; k < profile.size(); ++k) {
        const double t = 2.0 - 0.5 * static_cast<double>(k);
        EXPECT_NEAR(profile[k], std::exp(2.0 - t), kTolerance * std::exp(2.0 - t));
    }
}

TEST(CODESolve, PositiveStatesStayNonNegative) {
    double y = 0.5, dy = 0.0, other = 0.0;
    double* states[] = {&y};
    double* derivatives[] = {&dy};
    CODESolve solver(states, derivatives, 1, [&](double) { dy = -1.0; });
    solver.SetPositive(&other);  // not registered: changes nothing
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_NEAR(y, -0.5, 1e-12);
    solver.Reinitialize();
    solver.SetPositive(&y);
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_EQ(y, 0.0);
    solver.Reinitialize();
    solver.SetNegative(&y);
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_NEAR(y, -0.5, 1e-12);
    solver.Reinitialize();
    solver.SetAllPositive();
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_EQ(y, 0.0);
}

TEST(CODESolve, ReinitializeRestartsFromTheRegisteredValues) {
    Decay model;
    CODESolve solver(model.states, model.derivatives, 1, model.Function());
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    const double once = model.y;
    ASSERT_TRUE(solver.Solve(1.0, 2.0));  // continues from the end state
    EXPECT_NEAR(model.y, std::exp(-2.0), kTolerance);
    solver.Reinitialize();
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_DOUBLE_EQ(model.y, once);
}

TEST(CODESolve, ACopyKeepsItsOwnSettings) {
    double y = 0.5, dy = 0.0;
    double* states[] = {&y};
    double* derivatives[] = {&dy};
    CODESolve original(states, derivatives, 1, [&](double) { dy = -1.0; });
    CODESolve copy(original);
    copy.SetAllPositive();
    ASSERT_TRUE(original.Solve(0.0, 1.0));
    EXPECT_NEAR(y, -0.5, 1e-12);
    ASSERT_TRUE(copy.Solve(0.0, 1.0));
    EXPECT_EQ(y, 0.0);
    CODESolve assigned;
    assigned = original;
    assigned.Reinitialize();  // the copy also took the original's end state
    ASSERT_TRUE(assigned.Solve(0.0, 1.0));
    EXPECT_NEAR(y, -0.5, 1e-12);
}

TEST(CODESolve, ANonFiniteDerivativeLeavesTheLastAcceptedState) {
    double y = 1.0, dy = 0.0;
    double* states[] = {&y};
    double* derivatives[] = {&dy};
    CODESolve solver(states, derivatives, 1, [&](double t) { dy = t > 0.5 ? std::nan("") : -y; });
    EXPECT_FALSE(solver.Solve(0.0, 1.0));
    EXPECT_TRUE(std::isfinite(y));
    EXPECT_LE(y, 1.0);
    EXPECT_GE(y, std::exp(-0.5) - kTolerance);
}

TEST(CODESolve, TheStepLimitFailsTheSolve) {
    double y = 0.0, dy = 0.0;
    double* states[] = {&y};
    double* derivatives[] = {&dy};
    // 1e4 / (2 pi) periods over 10 s need far more than 1000 steps.
    CODESolve solver(states, derivatives, 1, [&](double t) { dy = std::cos(1e4 * t); });
    EXPECT_FALSE(solver.Solve(0.0, 10.0));
    EXPECT_EQ(solver.GetStepCount(), 1000);
    EXPECT_TRUE(std::isfinite(y));
}

TEST(CODESolve, MissingRegistrationsFailWithoutTouchingTheVariables) {
    double y = 1.0, dy = 7.0;
    double* states[] = {&y};
    double* derivatives[] = {&dy};
    int calls = 0;
    CODESolve noDerivatives;
    noDerivatives.DefineY(states, 1);
    noDerivatives.SetFunction([&](double) { ++calls; });
    y = 3.0;
    EXPECT_FALSE(noDerivatives.Solve(0.0, 1.0));
    EXPECT_EQ(y, 3.0);
    EXPECT_EQ(calls, 0);
    noDerivatives.DefineDY(derivatives, 1);
    EXPECT_TRUE(noDerivatives.Solve(0.0, 1.0));  // dy stays 7 (the function sets none)
    EXPECT_NEAR(y, 1.0 + 7.0, 1e-9);             // from the registered initial value 1

    CODESolve nothing;
    EXPECT_FALSE(nothing.Solve(0.0, 1.0));
    double* nullStates[] = {nullptr};
    CODESolve nullAddress(nullStates, derivatives, 1, [](double) {});
    EXPECT_FALSE(nullAddress.Solve(0.0, 1.0));
    EXPECT_FALSE(noDerivatives.Solve(0.0, std::nan("")));
}

TEST(CODESolve, ADerivativeCallWithoutAFunctionRaises) {
    double y = 1.0, dy = 0.0;
    double* states[] = {&y};
    double* derivatives[] = {&dy};
    CODESolve solver(states, derivatives, 1, nullptr);
    EXPECT_THROW(solver.Solve(0.0, 1.0), std::bad_function_call);
}

TEST(CODESolve, TimingMeasuresTheIntegrator) {
    Decay model;
    CODESolve solver(model.states, model.derivatives, 1, model.Function());
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_EQ(solver.GetIntegratorSeconds(), 0.0);
    solver.SetTiming(true);
    solver.Reinitialize();
    ASSERT_TRUE(solver.Solve(0.0, 1.0));
    EXPECT_GT(solver.GetIntegratorSeconds(), 0.0);
}

}  // namespace
