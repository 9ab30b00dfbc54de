// The substitute host's one-dimensional root finder, driven call by call as a caller would.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "brixel/framework/host_interface.h"

namespace {

struct Call {
    int64_t status;
    double x;
};

class HostRootTest : public ::testing::Test {
  protected:
    // State for [lower, upper] with the given step and tolerance; zero words, nine ones.
    void Prepare(double lower, double upper, double step, double tolerance) {
        state_.fill(1.0);
        state_[0] = lower;
        state_[1] = upper;
        state_[2] = step;
        state_[3] = tolerance;
        state_[4] = 0.0;
        state_[5] = 0.0;
        control_ = 0;
    }

    // Runs from x0 until a status <= 0 or `limit` calls; records every call's answer.
    template <typename F>
    std::vector<Call> Run(F f, double x0, int64_t maxSteps, int limit = 200) {
        std::vector<Call> calls;
        double x = x0;
        double fx = f(x);
        int64_t status = 1;
        while (static_cast<int>(calls.size()) < limit) {
            HostRoot1D(&status, &x, &fx, state_.data(), &maxSteps, &control_);
            calls.push_back({status, x});
            if (status <= 0) {
                break;
            }
            fx = f(x);
        }
        return calls;
    }

    std::array<double, 15> state_{};
    int64_t control_ = 0;
};

TEST_F(HostRootTest, SearchesOutwardsDoublingTheStepThenSolves) {
    Prepare(0.0, 1.0, 0.1, 1e-12);
    const auto calls = Run([](double x) { return x - 0.3; }, 0.5, 100);
    // 0.6 and 0.4 keep the sign of f(0.5); the step doubles (status 2) to 0.2: 0.7, then
    // 0.3, where f is 0.
    ASSERT_EQ(calls.size(), 5u);
    const std::vector<int64_t> statuses{1, 1, 2, 1, 0};
    const std::vector<double> points{0.6, 0.4, 0.7, 0.3, 0.3};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].status, statuses[i]) << i;
        EXPECT_NEAR(calls[i].x, points[i], 1e-15) << i;
    }
    EXPECT_EQ(control_, 5);  // the start value and four trial values
    EXPECT_EQ(state_[2], 0.2);
}

TEST_F(HostRootTest, RefinesABracketToTheTolerance) {
    Prepare(0.0, 3.0, 0.3, 1e-12);
    auto f = [](double x) { return std::exp(x) - 2.0; };
    const auto calls = Run(f, 0.0, 100);
    ASSERT_EQ(calls.back().status, 0);
    EXPECT_LE(std::fabs(f(calls.back().x)), 1e-12);
    EXPECT_NEAR(calls.back().x, std::log(2.0), 1e-11);
    EXPECT_LT(calls.size(), 20u);  // superlinear inside the bracket
}

TEST_F(HostRootTest, FailuresAndTheirStatuses) {
    auto square = [](double x) { return x * x + 1.0; };
    Prepare(-1.0, 1.0, 0.2, 1e-9);
    EXPECT_EQ(Run(square, 0.0, 100).back().status, -1);  // no sign change in the bounds

    Prepare(0.0, 2.0, 0.2, 1e-9);
    const auto limited = Run([](double x) { return x * x - 2.0; }, 0.0, 2);
    EXPECT_EQ(limited.back().status, -2);
    EXPECT_EQ(limited.size(), 3u);
    EXPECT_EQ(limited.back().x, 0.4);  // the point with the smallest |f| so far

    Prepare(0.0, 2.0, 0.2, 1e-9);
    EXPECT_EQ(Run([](double) { return std::nan(""); }, 1.0, 100).back().status, -4);

    const std::array<std::array<double, 4>, 4> bad{{
        {1.0, 1.0, 0.1, 1e-6},  // empty interval
        {2.0, 1.0, 0.1, 1e-6},  // reversed
        {0.0, 1.0, 0.0, 1e-6},  // no step
        {0.0, 1.0, 0.1, -1.0},  // negative tolerance
    }};
    for (const auto& b : bad) {
        Prepare(b[0], b[1], b[2], b[3]);
        EXPECT_EQ(Run(square, 0.5, 100).back().status, -3);
    }
    int64_t status = 1;
    double x = 0.0;
    const int64_t maxSteps = 10;
    HostRoot1D(&status, &x, nullptr, state_.data(), &maxSteps, &control_);
    EXPECT_EQ(status, -3);
}

TEST_F(HostRootTest, StartOutsideTheBoundsIsClampedAndAFinishedSearchStartsAnew) {
    Prepare(0.0, 1.0, 0.1, 1e-12);
    const auto calls = Run([](double x) { return x - 0.3; }, 5.0, 100);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().status, 1);
    EXPECT_EQ(calls.front().x, 1.0);
    EXPECT_EQ(calls.back().status, 0);
    EXPECT_EQ(state_[4], 0.0);  // finished: the next call begins a new search
    control_ = 0;
    const auto again = Run([](double x) { return x - 0.8; }, 0.5, 100);
    EXPECT_EQ(again.back().status, 0);
    EXPECT_NEAR(again.back().x, 0.8, 1e-12);
}

}  // namespace
