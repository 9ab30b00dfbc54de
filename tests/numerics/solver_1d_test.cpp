// One-dimensional minimizers of CSolver. Expected points and counts are traced by hand from
// the reduction rules on small problems whose minimum is known.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "brixel/numerics/solver.h"
#include "numerics/solver_test_support.h"

namespace {

using solver_test::Evaluations;
using solver_test::NotANumber;
using solver_test::ParabolaAtFour;
using solver_test::ShiftedParabola;
using Points = std::vector<double>;

using solver_test::Square;
using F = CSolver::Function1D;

// Concave; its vertex x = -1 lies left of [0, 2].
constexpr F FallingParabola = [](double x) { return -Square(Evaluations::Record(x) + 1.0); };
constexpr F NanAtZero = [](double x) {
    return Evaluations::Record(x) == 0.0 ? std::nan("") : x * x;
};
// Minimum at 50, far beyond the first bracket guess.
constexpr F FarParabola = [](double x) { return Square(Evaluations::Record(x) - 50.0); };

void ExpectPoints(const Points& expected, double tolerance = 1e-6) {
    ASSERT_EQ(Evaluations::points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(Evaluations::points[i], expected[i], tolerance) << "evaluation " << i + 1;
    }
}

// The five minimizers on one signature, their step and tolerance setters, and the evaluation
// after which a break requested there is first seen.
using Run = bool (CSolver::*)(double, double, F, double*, int*, double*, double, CString*);
using Method = bool (*)(CSolver&, double, double, F, double*, int*, double*, double, CString*);
template <Run run>
bool WithStart(CSolver& s, double a, double b, F f, double* x, int* n, double* v, double x0,
               CString* m) {
    return (s.*run)(a, b, f, x, n, v, x0, m);
}
bool Dichotomous(CSolver& s, double a, double b, F f, double* x, int* n, double* v, double,
                 CString* m) {
    return s.DichrotomeSearch(a, b, f, x, n, v, m);
}
enum MethodIndex { kGolden, kDichotomous, kParabolic, kFibonacci, kBrent };  // in Methods()
struct MethodCase {
    const char* name;
    Method run;
    void (CSolver::*setSteps)(int);
    void (CSolver::*setTolerance)(double);
    std::size_t breakSeenAfter;
};
const std::vector<MethodCase>& Methods() {
    static const std::vector<MethodCase> methods = {
        {"golden", WithStart<&CSolver::GoldenSection>, &CSolver::SetGoldMaxAllowedSteps,
         &CSolver::SetGoldTolerance, 3},
        {"dichotomous", Dichotomous, &CSolver::SetDiMaxAllowedSteps, &CSolver::SetDiTolerance, 3},
        {"parabolic", WithStart<&CSolver::QuadInter>, &CSolver::SetQuadMaxAllowedSteps,
         &CSolver::SetQuadTolerance, 3},
        {"fibonacci", WithStart<&CSolver::FibonacciSearch>, &CSolver::SetFiMaxAllowedSteps,
         &CSolver::SetFiTolerance, 2},
        // No start checks: last.
        {"brent", WithStart<&CSolver::Brent>, &CSolver::SetBrentMaxAllowedSteps,
         &CSolver::SetBrentTolerance, 1},
    };
    return methods;
}
class Minimizer1DTest : public ::testing::Test {
  protected:
    void SetUp() override { Evaluations::Reset(); }
    CSolver solver_;
    double x_ = -7.0;
    int count_ = -7;
    double value_ = -7.0;
    CString message_;
};

TEST_F(Minimizer1DTest, StartChecksComeInOrderAndTouchNothing) {
    struct Case {
        double a;
        int steps;
        double tolerance;
        bool nullPoint;
        const char* message;
    };
    // Each case also has every fault of the cases below it: the first check wins. The
    // function is null, and given as well where it is not the fault.
    const Case cases[] = {
        {2.0, 0, 0.0, true, "no solution space defined"},
        {0.0, 0, 0.0, true, "please change allowed steps"},
        {0.0, 10, 0.0, true, "please change tolerance"},
        {0.0, 10, 0.1, true, "no parameter defined"},
        {0.0, 10, 0.1, false, "no function defined"},
    };
    for (const auto& method : Methods()) {
        if (&method == &Methods()[kBrent]) {
            continue;
        }
        for (const auto& c : cases) {
            for (bool withFunction : {false, true}) {
                if (withFunction && std::string(c.message) == "no function defined") {
                    continue;
                }
                CSolver solver;
                (solver.*method.setSteps)(c.steps);
                (solver.*method.setTolerance)(c.tolerance);
                CString message;
                const bool ok =
                    method.run(solver, c.a, 2.0, withFunction ? ShiftedParabola : nullptr,
                               c.nullPoint ? nullptr : &x_, &count_, &value_, 2.5, &message);
                EXPECT_FALSE(ok) << method.name;
                EXPECT_EQ(message.str(), c.message) << method.name;
                EXPECT_EQ(x_, -7.0);
                EXPECT_EQ(count_, -7);
                EXPECT_EQ(value_, -7.0);
            }
        }
    }
    EXPECT_TRUE(Evaluations::points.empty());
}

TEST_F(Minimizer1DTest, EachMethodVisitsItsHandTracedPoints) {
    const Points golden{1.54508475, 2.5, 0.95491475, 1.90983, 2.13525494, 1.77050968, 1.99593469};
    const struct {
        MethodIndex method;
        double minimum;  // of the parabola (x - minimum)^2 + 1
        double a, b, x0;
        double tolerance;  // 0: the object's initial value
        Points points;
        double x, pointTolerance;
    } cases[] = {
        // Stopping width 0.5 on [0, 5].
        {kGolden, 2, 0, 5, 2.5, 0.1, golden, 1.99593469, 1e-6},
        // Halves around the best of five points; stopping width 2.4 on [0, 8].
        {kDichotomous, 2, 0, 8, 0, 0.3, {0, 8, 4, 2, 6, 1, 3}, 2.0, 1e-6},
        // The parabola through 0, 1, 5 is the function itself: its vertex 2 is found at once
        // and found again from (1, 2, 5); the search ends there instead of repeating the point.
        {kParabolic, 2, 0, 5, 1.0, 0.1, {0, 1, 5, 2, 2}, 2.0, 1e-6},
        // Golden steps with Brent's bookkeeping; the initial tolerance 0.1 stops about 5 % from
        // the minimum after five evaluations.
        {kBrent, 2, 0, 5, 2.5, 0, {2.5, 1.545085, 0.954915, 1.909830, 2.135255}, 1.909830, 1e-6},
        // F6 = 13 is the first above 10: six evaluations on [0, 13], the Fibonacci numbers down.
        {kFibonacci, 4, 0, 13, 99.0, 0.1, {5, 8, 3, 6, 4, 4}, 4.0, 1e-12},
    };
    for (const auto& c : cases) {
        const MethodCase& method = Methods()[c.method];
        SCOPED_TRACE(method.name);
        CSolver solver;
        if (c.tolerance > 0) {
            (solver.*method.setTolerance)(c.tolerance);
        }
        Evaluations::Reset();
        CString message;
        const F f = c.minimum == 4 ? ParabolaAtFour : ShiftedParabola;
        EXPECT_TRUE(method.run(solver, c.a, c.b, f, &x_, &count_, &value_, c.x0, &message))
            << message.str();
        EXPECT_TRUE(message.IsEmpty());
        ExpectPoints(c.points, c.pointTolerance);
        EXPECT_NEAR(x_, c.x, c.pointTolerance);
        EXPECT_EQ(count_, static_cast<int>(c.points.size()));
        EXPECT_NEAR(value_, 1.0 + Square(c.x - c.minimum), c.pointTolerance);
    }
}

TEST_F(Minimizer1DTest, ConvergedSettingsReachTheMinimum) {
    // With the default tolerance 1e-6 golden section finds it well within 200 evaluations.
    EXPECT_TRUE(solver_.GoldenSection(0, 5, ShiftedParabola, &x_, &count_, &value_, 2.5, nullptr));
    EXPECT_NEAR(x_, 2.0, 5e-6);
    EXPECT_EQ(count_, 31);

    // Brent as the separation model runs it: reversed ends, tolerance 1e-4, 50 steps, no
    // outputs but the point.
    solver_.SetBrentTolerance(1e-4);
    solver_.SetBrentMaxAllowedSteps(50);
    double point = 0.0;
    EXPECT_TRUE(solver_.Brent(5, 0, ShiftedParabola, &point, nullptr, nullptr, 2.5, nullptr));
    EXPECT_NEAR(point, 2.0, 1e-3);
}

TEST_F(Minimizer1DTest, StepLimitEndsWithTheBestPointSoFar) {
    const struct {
        MethodIndex method;
        int count;  // golden counts the evaluation that passes the maximum of 3
        double x;
    } cases[] = {{kGolden, 4, 1.90983000}, {kBrent, 3, 1.545085}};  // brent: iterations 1, 2
    for (const auto& c : cases) {
        const MethodCase& method = Methods()[c.method];
        SCOPED_TRACE(method.name);
        CSolver solver;
        (solver.*method.setSteps)(3);
        EXPECT_FALSE(
            method.run(solver, 0, 5, ShiftedParabola, &x_, &count_, &value_, 2.5, &message_));
        EXPECT_EQ(message_.str(), "maximum number of steps exceeded");
        EXPECT_EQ(count_, c.count);
        EXPECT_NEAR(x_, c.x, 1e-6);
        EXPECT_NEAR(value_, 1.0 + Square(c.x - 2.0), 1e-6);
    }
    EXPECT_FALSE(solver_.Brent(0, 5, nullptr, &x_, &count_, &value_, 2.5, &message_));
    EXPECT_EQ(message_.str(), "no function defined");
}

TEST_F(Minimizer1DTest, SearchesWithoutAUsableMinimumSayWhy) {
    // f(0) is NaN: no lowest of the first five values.
    EXPECT_FALSE(solver_.DichrotomeSearch(0, 8, NanAtZero, &x_, &count_, &value_, &message_));
    EXPECT_EQ(message_.str(), "unknown error occured");
    EXPECT_EQ(Evaluations::points.size(), 5u);
    EXPECT_EQ(count_, -7);

    Evaluations::Reset();
    EXPECT_FALSE(solver_.QuadInter(0, 2, FallingParabola, &x_, &count_, &value_, 1.0, &message_));
    EXPECT_EQ(message_.str(), "quadratic minimum outside the limits");
    EXPECT_NEAR(x_, -1.0, 1e-12);
    EXPECT_EQ(count_, -1);
    EXPECT_EQ(value_, -7.0);
    EXPECT_EQ(Evaluations::points.size(), 3u);
}

TEST_F(Minimizer1DTest, FibonacciSearchRefusesTolerancesItCannotReach) {
    solver_.SetFiTolerance(1e-30);
    EXPECT_FALSE(
        solver_.FibonacciSearch(0, 1, ShiftedParabola, &x_, &count_, &value_, 0.5, &message_));
    EXPECT_EQ(message_.str(), "tolerance too tight");
    solver_.SetFiTolerance(1e-6);
    solver_.SetFiMaxAllowedSteps(10);  // F9 = 55 does not pass 1e6
    EXPECT_FALSE(
        solver_.FibonacciSearch(0, 1, ShiftedParabola, &x_, &count_, &value_, 0.5, &message_));
    EXPECT_EQ(message_.str(), "more steps required than allowed");
    EXPECT_TRUE(Evaluations::points.empty());
}

TEST_F(Minimizer1DTest, EveryMethodFindsTheMinimumOfANonQuadraticFunction) {
    // cosh(x - 1) on [-2, 3]: minimum 1 at x = 1; relative tolerance 1e-6 of the width 5.
    const F coshAtOne = [](double x) { return std::cosh(Evaluations::Record(x) - 1.0); };
    for (const auto& method : Methods()) {
        SCOPED_TRACE(method.name);
        CSolver s;
        (s.*method.setTolerance)(1e-6);
        Evaluations::Reset();
        EXPECT_TRUE(method.run(s, -2, 3, coshAtOne, &x_, &count_, &value_, 2.5, nullptr));
        EXPECT_NEAR(x_, 1.0, 5e-6);
        EXPECT_NEAR(value_, 1.0, 1e-10);
        EXPECT_EQ(count_, static_cast<int>(Evaluations::points.size()));
        EXPECT_LE(count_, 200);
    }
}

TEST_F(Minimizer1DTest, ABreakFromTheObjectiveStopsEveryMethodAndTheNextRunClearsIt) {
    for (const auto& method : Methods()) {
        SCOPED_TRACE(method.name);
        CSolver solver;
        Evaluations::Reset(&solver, method.breakSeenAfter);
        CString message;
        EXPECT_FALSE(
            method.run(solver, 0, 5, ShiftedParabola, &x_, &count_, &value_, 2.5, &message));
        EXPECT_EQ(message.str(), "user breaks calculation");
        EXPECT_EQ(count_, static_cast<int>(method.breakSeenAfter));
        EXPECT_EQ(Evaluations::points.size(), method.breakSeenAfter);

        Evaluations::Reset();
        EXPECT_TRUE(
            method.run(solver, 0, 5, ShiftedParabola, &x_, &count_, &value_, 2.5, &message));
    }
}

TEST_F(Minimizer1DTest, AnObjectiveWithoutNumbersEndsWithinTheStepLimits) {
    CSolver solver;
    const int limit = 200;
    EXPECT_TRUE(solver.GoldenSection(0, 5, NotANumber, &x_, &count_, &value_, 2.5, nullptr));
    EXPECT_TRUE(std::isnan(value_));  // nothing compares lower: the bracket still shrinks
    EXPECT_LE(count_, limit);
    EXPECT_FALSE(solver.DichrotomeSearch(0, 5, NotANumber, &x_, &count_, &value_, &message_));
    EXPECT_EQ(message_.str(), "unknown error occured");
    EXPECT_FALSE(solver.QuadInter(0, 5, NotANumber, &x_, &count_, &value_, 1.0, &message_));
    EXPECT_EQ(message_.str(), "quadratic minimum outside the limits");
    Evaluations::Reset();
    solver.Brent(0, 5, NotANumber, &x_, &count_, &value_, 2.5, nullptr);
    EXPECT_LE(Evaluations::points.size(), static_cast<std::size_t>(limit));
    EXPECT_TRUE(solver.FibonacciSearch(0, 5, NotANumber, &x_, &count_, &value_, 2.5, nullptr));
    EXPECT_EQ(count_, 30);
}

TEST_F(Minimizer1DTest, MnBrakBracketsTheMinimum) {
    double a = 0, b = 1, c = 0, fa = 0, fb = 0, fc = 0;
    // The parabola's guess from 0, 1, 2.618034 is the minimum 2 itself.
    EXPECT_TRUE(solver_.MnBrak(&a, &b, &c, &fa, &fb, &fc, ShiftedParabola));
    ExpectPoints({0, 1, 2.618034, 2});
    EXPECT_NEAR(a, 1.0, 1e-12);
    EXPECT_NEAR(b, 2.0, 1e-9);
    EXPECT_NEAR(c, 2.618034, 1e-9);
    EXPECT_NEAR(fb, 1.0, 1e-12);

    // Far minimum: the bracket grows until it holds 50; f(b) is the lowest of the three.
    Evaluations::Reset();
    a = 1;  // given in the wrong order: swapped so that f(a) >= f(b)
    b = 0;
    EXPECT_TRUE(solver_.MnBrak(&a, &b, &c, &fa, &fb, &fc, FarParabola));
    EXPECT_LT(std::min(a, c), 50.0);
    EXPECT_GT(std::max(a, c), 50.0);
    EXPECT_LE(fb, fa);
    EXPECT_LE(fb, fc);
    EXPECT_EQ(fa, FarParabola(a));

    Evaluations::Reset(&solver_, 3);  // set while c is evaluated, seen before the first step
    a = 0;
    b = 1;
    EXPECT_FALSE(solver_.MnBrak(&a, &b, &c, &fa, &fb, &fc, FarParabola));
    EXPECT_FALSE(solver_.MnBrak(nullptr, &b, &c, &fa, &fb, &fc, FarParabola));
}

// Drives a stepwise variant: each call gets the value at the point the previous one returned.
template <typename Call>
Points Drive(Call call, double (*f)(double), int calls) {
    Points points;
    double value = 0.0;
    for (int k = 0; k < calls; ++k) {
        points.push_back(call(value, k));
        value = f(points.back());
    }
    return points;
}

TEST_F(Minimizer1DTest, StepwiseVariantsVisitThePointsOfTheFullMethods) {
    CSolver s;
    s.Set1DSolverInterval(0, 13);
    s.SetFiTolerance(0.1);
    const Points fibonacci =
        Drive([&](double v, int k) { return s.FibonacciSearch(v, k); }, ParabolaAtFour, 9);
    EXPECT_EQ(fibonacci, (Points{0, 13, 5, 8, 3, 6, 4, 4, 4}));  // then it stays on x1

    s.Set1DSolverInterval(0, 8);
    const Points dichotomous =
        Drive([&](double v, int k) { return s.DichrotomeSearch(v, k); }, ShiftedParabola, 9);
    EXPECT_EQ(dichotomous, (Points{0, 8, 4, 2, 6, 1, 3, 1.5, 2.5}));

    s.Set1DSolverInterval(0, 5);
    const Points golden =
        Drive([&](double v, int k) { return s.Golden(v, k); }, ShiftedParabola, 40);
    const Points goldenStart{0, 5, 1.9098305, 3.0901695, 1.1803395};
    for (std::size_t i = 0; i < goldenStart.size(); ++i) {
        EXPECT_NEAR(golden[i], goldenStart[i], 1e-6) << i;
    }
    EXPECT_NEAR(golden.back(), 2.0, 1e-6);

    bool finished = true;
    Points parabolic;
    double value = 0.0;
    for (int k = 0; k < 6; ++k) {
        parabolic.push_back(s.ParabolicInterpolation(value, k, &finished));
        value = ShiftedParabola(parabolic.back());
        EXPECT_EQ(finished, k >= 4) << k;
    }
    // 0, 5, the middle 2.5, the vertex 2; from (0, 2, 2.5) the vertex is the middle: done.
    EXPECT_EQ(parabolic, (Points{0, 5, 2.5, 2, 2, 2}));
}

}  // namespace
