// LeastSquaresFit over the host's bounded least-squares routine, and its model callback
// BXUT_LSQFT, against data generated from known parameters.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "brixel/framework/status.h"
#include "brixel/numerics/least_squares_fit.h"

namespace {

using Points = std::vector<std::tuple<double, double>>;

const LeastSquaresFit::Model kLine = [](double* p, double x) { return p[0] * x + p[1]; };
// Decay to an offset: three parameters.
const LeastSquaresFit::Model kDecay = [](double* p, double x) {
    return p[0] * std::exp(-p[1] * x) + p[2];
};

Points Generate(const LeastSquaresFit::Model& model, std::vector<double> p, int count,
                double step) {
    Points points;
    for (int i = 0; i < count; ++i) {
        const double x = step * i;
        points.emplace_back(x, model(p.data(), x));
    }
    return points;
}

std::vector<double> ParametersOf(const LeastSquaresFit& fit) {
    std::vector<double> p;
    fit.getParameters(p);
    return p;
}

TEST(LeastSquaresFit, FitsALineToExactData) {
    LeastSquaresFit fit({0.0, 0.0}, Generate(kLine, {-1.5, 4.0}, 10, 1.0), kLine);
    ASSERT_TRUE(fit.Solve());
    const auto p = ParametersOf(fit);
    EXPECT_NEAR(p[0], -1.5, 1e-9);
    EXPECT_NEAR(p[1], 4.0, 1e-9);
    EXPECT_LT(fit.getResidualError(), 1e-9);
}

TEST(LeastSquaresFit, RecoversThreeParametersOfAModel) {
    LeastSquaresFit fit;
    fit.SetFunction(kDecay);
    fit.DefineParams({1.0, 1.0, 0.0});
    fit.DefineData(Generate(kDecay, {2.5, 0.8, 0.3}, 50, 0.1));
    ASSERT_TRUE(fit.Solve());
    const auto p = ParametersOf(fit);
    // The host stops when a step changes no parameter by more than 1e-5 relative.
    EXPECT_NEAR(p[0], 2.5, 2.5e-5);
    EXPECT_NEAR(p[1], 0.8, 0.8e-5);
    EXPECT_NEAR(p[2], 0.3, 0.3e-4);
    EXPECT_LT(fit.getResidualError(), 1e-5);
}

// y = 2x + 1 on x = 0, 0.5, ... 5 with the slope held at most 1.5: the slope sits on its bound
// and the intercept is mean(y - 1.5 x) = 1 + 0.5 * 2.5; the residuals 0.5 (x - 2.5) have an RMS
// of 0.5 sqrt(2.5) (the population variance of the 11 abscissas is 2.5).
TEST(LeastSquaresFit, AnActiveBoundHoldsTheParameterOnIt) {
    LeastSquaresFit fit({1.0, 0.0}, Generate(kLine, {2.0, 1.0}, 11, 0.5), kLine);
    fit.SetBounds({{0.0, 1.5}, {-10.0, 10.0}});
    ASSERT_TRUE(fit.Solve());
    auto p = ParametersOf(fit);
    EXPECT_EQ(p[0], 1.5);
    EXPECT_NEAR(p[1], 2.25, 1e-8);
    EXPECT_NEAR(fit.getResidualError(), 0.5 * std::sqrt(2.5), 1e-8);

    fit.UnsetBounds();
    ASSERT_TRUE(fit.Solve());
    p = ParametersOf(fit);
    EXPECT_NEAR(p[0], 2.0, 1e-8);
    EXPECT_NEAR(p[1], 1.0, 1e-8);
}

TEST(LeastSquaresFit, ABoundCountUnlikeTheParametersIsAFailure) {
    LeastSquaresFit fit({1.0, 0.0}, Generate(kLine, {2.0, 1.0}, 5, 1.0), kLine);
    fit.SetBounds({{0.0, 1.0}});
    try {
        fit.Solve();
        FAIL() << "no failure raised";
    } catch (long status) {
        EXPECT_EQ(status, brixel::kStatusFail);
        EXPECT_LT(status, 0);
    }
    // UnsetBounds deactivates the bounds but keeps their count.
    fit.UnsetBounds();
    EXPECT_THROW(fit.Solve(), long);
    fit.DefineParams({1.0, 0.0});  // the bounds follow the parameters again
    EXPECT_TRUE(fit.Solve());
}

TEST(LeastSquaresFit, RefusedInputLeavesTheStartValues) {
    const std::vector<double> start{1.0, 0.0};
    LeastSquaresFit noPoints(start, {}, kLine);
    EXPECT_FALSE(noPoints.Solve());
    EXPECT_EQ(ParametersOf(noPoints), start);

    LeastSquaresFit noParameters({}, Generate(kLine, {2.0, 1.0}, 5, 1.0), kLine);
    EXPECT_FALSE(noParameters.Solve());

    LeastSquaresFit crossing(start, Generate(kLine, {2.0, 1.0}, 5, 1.0), kLine);
    crossing.SetBounds({{3.0, 1.0}, {0.0, 1.0}});
    EXPECT_FALSE(crossing.Solve());
    EXPECT_EQ(ParametersOf(crossing), start);

    LeastSquaresFit noModel(start, Generate(kLine, {2.0, 1.0}, 5, 1.0), nullptr);
    EXPECT_FALSE(noModel.Solve());
    EXPECT_EQ(ParametersOf(noModel), start);
}

TEST(LeastSquaresFit, AModelThatFailsEndsTheFitWithTheStartValues) {
    const std::vector<double> start{1.0, 0.0};
    const Points data = Generate(kLine, {2.0, 1.0}, 5, 1.0);
    LeastSquaresFit nan(start, data, [](double* p, double x) {
        return p[0] > 1.5 ? std::nan("") : p[0] * x + p[1];
    });
    EXPECT_FALSE(nan.Solve());
    EXPECT_EQ(ParametersOf(nan), start);
    LeastSquaresFit throwing(
        start, data, [](double*, double) -> double { throw std::runtime_error("model failed"); });
    EXPECT_FALSE(throwing.Solve());
    EXPECT_EQ(ParametersOf(throwing), start);
}

TEST(BXUT_LSQFT, StoresTheModelAtEveryPoint) {
    LeastSquaresFit fit({}, {}, kLine);
    double p[] = {2.0, 1.0};
    double x[] = {0.0, 1.0, 2.5};
    double f[] = {-1.0, -1.0, -1.0, -7.0};
    int64_t m = 3, unused = 0;
    void* userData[] = {&fit};
    BXUT_LSQFT(&unused, &m, &unused, p, x, nullptr, f, &unused, userData);
    EXPECT_EQ(f[0], 1.0);
    EXPECT_EQ(f[1], 3.0);
    EXPECT_EQ(f[2], 6.0);
    EXPECT_EQ(f[3], -7.0);  // nothing past m
    EXPECT_EQ(unused, 0);
}

TEST(BXUT_LSQFT, WritesNothingForNoPointsOrNullArguments) {
    LeastSquaresFit fit({}, {}, kLine);
    double p[] = {2.0, 1.0};
    double x[] = {1.0};
    double f[] = {-1.0};
    int64_t zero = 0, one = 1;
    void* userData[] = {&fit};
    void* noFit[] = {nullptr};
    BXUT_LSQFT(nullptr, &zero, nullptr, p, x, nullptr, f, nullptr, userData);
    BXUT_LSQFT(nullptr, nullptr, nullptr, p, x, nullptr, f, nullptr, userData);
    BXUT_LSQFT(nullptr, &one, nullptr, nullptr, x, nullptr, f, nullptr, userData);
    BXUT_LSQFT(nullptr, &one, nullptr, p, nullptr, nullptr, f, nullptr, userData);
    BXUT_LSQFT(nullptr, &one, nullptr, p, x, nullptr, nullptr, nullptr, userData);
    BXUT_LSQFT(nullptr, &one, nullptr, p, x, nullptr, f, nullptr, nullptr);
    BXUT_LSQFT(nullptr, &one, nullptr, p, x, nullptr, f, nullptr, noFit);
    EXPECT_EQ(f[0], -1.0);
}

TEST(BXUT_LSQFT, AThrowingModelLeavesNaNAndSetsTheStatus) {
    LeastSquaresFit fit({}, {}, [](double*, double x) -> double {
        if (x > 0.5) {
            throw std::runtime_error("out of range");
        }
        return x;
    });
    double p[] = {0.0};
    double x[] = {0.25, 1.0, 2.0};
    double f[] = {-1.0, -1.0, -1.0};
    int64_t m = 3, status = 0;
    void* userData[] = {&fit};
    BXUT_LSQFT(nullptr, &m, nullptr, p, x, nullptr, f, &status, userData);
    EXPECT_EQ(f[0], 0.25);
    EXPECT_TRUE(std::isnan(f[1]));
    EXPECT_TRUE(std::isnan(f[2]));
    EXPECT_EQ(status, 1);
}

}  // namespace
