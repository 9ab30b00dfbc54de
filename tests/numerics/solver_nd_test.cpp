// The genetic algorithm, tabu search, simulated annealing and the complex method, and the
// start checks that every multi-dimensional method shares. Minima are known in closed form.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "brixel/numerics/solver.h"
#include "numerics/solver_test_support.h"

namespace {

using solver_test::BoxEvaluations;
using solver_test::Square;
using Vector = std::vector<double>;
using F = CSolver::FunctionND;

// Minimum 3 at (1, -0.5).
double Quadratic2D(const double* x) {
    BoxEvaluations::Record(x);
    return Square(x[0] - 1.0) + 2.0 * Square(x[1] + 0.5) + 3.0;
}
double NotANumber(const double* x) {
    BoxEvaluations::Record(x);
    return std::nan("");
}
bool Anywhere(const double*) {
    return true;
}
bool Nowhere(const double*) {
    return false;
}

// Each method on one signature: box, objective, n, outputs, start, message.
struct Method {
    const char* name;
    std::function<bool(CSolver&, const double*, const double*, F, int, double*, int*, double*,
                       const double*, CString*)>
        run;
};
const std::vector<Method>& Methods() {
    static const std::vector<Method> methods = {
        {"powell",
         [](CSolver& s, const double* l, const double* u, F f, int n, double* x, int* c, double* v,
            const double* start, CString* m) {
             Vector work(start, start + (start != nullptr && n > 0 ? n : 0));
             return s.Powell(l, u, f, n, x, c, v, start != nullptr ? work.data() : nullptr, m);
         }},
        {"grid",
         [](CSolver& s, const double* l, const double* u, F f, int n, double* x, int* c, double* v,
            const double*, CString* m) {
             s.SetGridStep(0.1);
             return s.GridSearch(l, u, f, n, x, c, v, m);
         }},
        {"genetic", [](CSolver& s, const double* l, const double* u, F f, int n, double* x, int* c,
                       double* v, const double* start,
                       CString* m) { return s.GeneticAlgorithm(l, u, f, n, x, c, v, start, m); }},
        {"tabu", [](CSolver& s, const double* l, const double* u, F f, int n, double* x, int* c,
                    double* v, const double* start,
                    CString* m) { return s.TabuSearch(l, u, f, n, x, c, v, start, m); }},
        {"annealing",
         [](CSolver& s, const double* l, const double* u, F f, int n, double* x, int* c, double* v,
            const double* start,
            CString* m) { return s.SimulatedAnnealing(l, u, f, n, x, c, v, start, m); }},
        {"complex", [](CSolver& s, const double* l, const double* u, F f, int n, double* x, int* c,
                       double* v, const double* start,
                       CString* m) { return s.Complex(l, u, f, Anywhere, n, x, c, v, start, m); }},
    };
    return methods;
}

void ExpectNear(const Vector& actual, const Vector& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t j = 0; j < expected.size(); ++j) {
        EXPECT_NEAR(actual[j], expected[j], 1e-12) << "coordinate " << j;
    }
}

class MultiDimensionalTest : public ::testing::Test {
  protected:
    void SetUp() override { BoxEvaluations::Reset({-2, -2}, {3, 2}); }
    bool Run(const Method& method, F f = Quadratic2D, int n = 2) {
        return method.run(solver_, BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), f, n,
                          x_.data(), &count_, &value_, start_.data(), &message_);
    }
    CSolver solver_;
    Vector start_{0.0, 0.0};
    Vector x_ = Vector(2, -7.0);
    int count_ = -7;
    double value_ = -7.0;
    CString message_;
};

TEST_F(MultiDimensionalTest, EveryMethodFindsTheMinimumOfABoundedQuadratic) {
    // The stochastic methods to the resolution their default settings give.
    const struct {
        double point;
        double value;
    } tolerance[] = {{0.05, 1e-3}, {1e-12, 1e-12}, {0.1, 0.02},
                     {0.1, 0.02},  {0.1, 0.02},    {0.02, 1e-3}};
    for (std::size_t i = 0; i < Methods().size(); ++i) {
        const Method& method = Methods()[i];
        SCOPED_TRACE(method.name);
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        CSolver solver;
        solver_ = solver;
        EXPECT_TRUE(Run(method)) << message_.str();
        EXPECT_NEAR(x_[0], 1.0, tolerance[i].point);
        EXPECT_NEAR(x_[1], -0.5, tolerance[i].point);
        EXPECT_NEAR(value_, 3.0, tolerance[i].value);
        EXPECT_GE(value_, 3.0);
        // The value written is the objective's at the point written.
        EXPECT_DOUBLE_EQ(value_, Square(x_[0] - 1.0) + 2.0 * Square(x_[1] + 0.5) + 3.0);
        EXPECT_EQ(count_, static_cast<int>(BoxEvaluations::points.size()));
    }
}

TEST_F(MultiDimensionalTest, BadInputIsRefusedBeforeAnyEvaluation) {
    const Vector lower{-2, -2};
    const Vector upper{3, 2};
    const Vector reversed{3, -3};  // upper below lower in the second dimension
    const Vector infinite{3, INFINITY};
    struct Case {
        const double* lower;
        const double* upper;
        F function;
        int n;
        bool nullPoint;
        bool nullStart;
        const char* message;
    };
    const Case cases[] = {
        {lower.data(), upper.data(), nullptr, 2, false, false, "no function defined"},
        {lower.data(), upper.data(), Quadratic2D, 0, false, false, "no solution space defined"},
        {lower.data(), upper.data(), Quadratic2D, -1, false, false, "no solution space defined"},
        {nullptr, upper.data(), Quadratic2D, 2, false, false, "no solution space defined"},
        {lower.data(), reversed.data(), Quadratic2D, 2, false, false, "no solution space defined"},
        {lower.data(), infinite.data(), Quadratic2D, 2, false, false, "no solution space defined"},
        {lower.data(), upper.data(), Quadratic2D, 2, true, false, "no parameter defined"},
        {lower.data(), upper.data(), Quadratic2D, 2, false, true, "no parameter defined"},
    };
    for (const Method& method : Methods()) {
        SCOPED_TRACE(method.name);
        for (const Case& c : cases) {
            if (c.nullStart && std::string(method.name) == "grid") {
                continue;  // takes no start point
            }
            message_ = "";
            EXPECT_FALSE(method.run(solver_, c.lower, c.upper, c.function, c.n,
                                    c.nullPoint ? nullptr : x_.data(), &count_, &value_,
                                    c.nullStart ? nullptr : start_.data(), &message_));
            EXPECT_EQ(message_.str(), c.message);
        }
    }
    // The complex method needs its predicate as well.
    EXPECT_FALSE(solver_.Complex(lower.data(), upper.data(), Quadratic2D, nullptr, 2, x_.data(),
                                 &count_, &value_, start_.data(), &message_));
    EXPECT_EQ(message_.str(), "no function defined");
    EXPECT_TRUE(BoxEvaluations::points.empty());
    EXPECT_EQ(x_, Vector(2, -7.0));
    EXPECT_EQ(count_, -7);
    EXPECT_EQ(value_, -7.0);
}

TEST_F(MultiDimensionalTest, UserBreakStopsEveryMethodAndTheNextRunWorks) {
    // The genetic algorithm breaks after its first ranking (the 41 individuals of the first
    // population are evaluated before it): before one it has no point to write.
    const struct {
        const char* method;
        const char* message;
        std::size_t breakAt;
    } expected[] = {{"powell", "maximum number of iterations exceeded", 7},
                    {"grid", "user breaks calculation", 7},
                    {"genetic", "user breaks calculation", 50},
                    {"tabu", "user breaks calculation", 7},
                    {"annealing", "user breaks calculation", 7},
                    {"complex", "user breaks calculation", 7}};
    for (std::size_t i = 0; i < Methods().size(); ++i) {
        const Method& method = Methods()[i];
        SCOPED_TRACE(method.name);
        ASSERT_EQ(std::string(expected[i].method), method.name);
        const std::size_t at = expected[i].breakAt;
        BoxEvaluations::Reset({-2, -2}, {3, 2}, &solver_, at);
        message_ = "";
        value_ = 1e300;
        EXPECT_FALSE(Run(method));
        EXPECT_EQ(message_.str(), expected[i].message);
        // The break is seen before the next evaluation.
        EXPECT_EQ(BoxEvaluations::points.size(), at);
        EXPECT_EQ(count_, static_cast<int>(at));
        // What is written is a point that was evaluated, with its value.
        EXPECT_DOUBLE_EQ(value_, Square(x_[0] - 1.0) + 2.0 * Square(x_[1] + 0.5) + 3.0);

        BoxEvaluations::Reset({-2, -2}, {3, 2});
        EXPECT_TRUE(Run(method)) << message_.str();
        EXPECT_GT(BoxEvaluations::points.size(), at);
    }
}

TEST_F(MultiDimensionalTest, StochasticMethodsRepeatWithTheSameSeed) {
    for (std::size_t i = 2; i < Methods().size(); ++i) {
        const Method& method = Methods()[i];
        SCOPED_TRACE(method.name);
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        solver_.SetRandomSeed(20261206);
        ASSERT_TRUE(Run(method));
        const Vector firstX = x_;
        const int firstCount = count_;
        const auto firstPoints = BoxEvaluations::points;

        // A second solver running in between does not disturb the first one's sequence.
        CSolver other;
        other.SetRandomSeed(5);
        Vector otherX(2);
        int otherCount = 0;
        double otherValue = 0.0;
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        method.run(other, BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), Quadratic2D,
                   2, otherX.data(), &otherCount, &otherValue, start_.data(), nullptr);
        const auto otherPoints = BoxEvaluations::points;

        BoxEvaluations::Reset({-2, -2}, {3, 2});
        ASSERT_TRUE(Run(method));
        EXPECT_EQ(x_, firstX);
        EXPECT_EQ(count_, firstCount);
        EXPECT_EQ(BoxEvaluations::points, firstPoints);
        EXPECT_NE(otherPoints, firstPoints);  // another seed takes another path
    }
}

TEST_F(MultiDimensionalTest, NotANumberFromTheObjectiveEndsWithinTheLimits) {
    solver_.SetPowellMaxAllowedSteps(200);
    solver_.SetGAMaxAllowedSteps(300);
    solver_.SetTabuMaxAllowedSteps(300);
    solver_.SetSAMaxAllowedSteps(300);
    solver_.SetComplexMaxAllowedSteps(300);
    for (const Method& method : Methods()) {
        SCOPED_TRACE(method.name);
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        Run(method, NotANumber);
        EXPECT_LE(BoxEvaluations::points.size(), 3000u);  // the grid has 51 x 41 points
        EXPECT_EQ(count_, static_cast<int>(BoxEvaluations::points.size()));
    }
}

TEST_F(MultiDimensionalTest, NoEvaluationsAllowedEndsEveryMethodAtItsFirstCheck) {
    // Powell completes one iteration, tabu search evaluates its start, annealing its walk and
    // the complex method builds its vertices before the limit is tested.
    const struct {
        const char* method;
        const char* message;
    } expected[] = {{"powell", "maximum number of iterations exceeded"},
                    {"grid", "too many steps required"},
                    {"genetic", "user breaks calculation"},
                    {"tabu", "maximum number of iterations exceeded"},
                    {"annealing", "maximum number of iterations exceeded"},
                    {"complex", "maximum number of iterations exceeded"}};
    for (int limit : {0, -3}) {
        for (std::size_t i = 0; i < Methods().size(); ++i) {
            const Method& method = Methods()[i];
            SCOPED_TRACE(method.name);
            solver_.SetPowellMaxAllowedSteps(limit);
            solver_.SetGridMaxAllowedSteps(limit);
            solver_.SetGAMaxAllowedSteps(limit);
            solver_.SetTabuMaxAllowedSteps(limit);
            solver_.SetSAMaxAllowedSteps(limit);
            solver_.SetComplexMaxAllowedSteps(limit);
            BoxEvaluations::Reset({-2, -2}, {3, 2});
            EXPECT_FALSE(Run(method));
            EXPECT_EQ(message_.str(), expected[i].message);
            EXPECT_LE(BoxEvaluations::points.size(), 200u);
        }
    }
}

// ---- Genetic algorithm ------------------------------------------------------------------------

TEST_F(MultiDimensionalTest, GeneticWithoutEvaluationsEndsAtOnce) {
    solver_.SetGAMaxAllowedSteps(0);
    EXPECT_FALSE(solver_.GeneticAlgorithm(BoxEvaluations::lower.data(),
                                          BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
                                          &count_, &value_, start_.data(), &message_));
    EXPECT_EQ(message_.str(), "user breaks calculation");
    EXPECT_TRUE(BoxEvaluations::points.empty());
    EXPECT_EQ(count_, -7);
    EXPECT_EQ(x_, Vector(2, -7.0));
}

TEST_F(MultiDimensionalTest, GeneticOddGenerationSizeRoundsDown) {
    // The first population is evaluated whole before the limit is tested: the elite and G
    // offspring.
    for (int size : {40, 41}) {
        SCOPED_TRACE(size);
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        solver_.SetGAGenSize(size);
        solver_.SetGAMaxAllowedSteps(1);
        value_ = 1e300;  // the caller's value: the best of the population is below it
        EXPECT_FALSE(solver_.GeneticAlgorithm(
            BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
            &count_, &value_, start_.data(), &message_));
        EXPECT_EQ(count_, 41);
        EXPECT_EQ(BoxEvaluations::points.size(), 41u);
        EXPECT_EQ(BoxEvaluations::points[0], start_);  // slot 0 starts at the start point
    }
    for (int size : {1, 0, -4}) {
        solver_.SetGAGenSize(size);
        EXPECT_FALSE(solver_.GeneticAlgorithm(
            BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
            &count_, &value_, start_.data(), &message_));
        EXPECT_EQ(message_.str(), "please change size of generation");
    }
    solver_.SetGAGenSize(40);
    solver_.SetGASigma(-0.1);
    EXPECT_FALSE(solver_.GeneticAlgorithm(BoxEvaluations::lower.data(),
                                          BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
                                          &count_, &value_, start_.data(), &message_));
    EXPECT_EQ(message_.str(), "please change sigma");
}

// ---- Tabu search ------------------------------------------------------------------------------

TEST_F(MultiDimensionalTest, TabuWithOneEvaluationWritesTheStartPoint) {
    solver_.SetTabuMaxAllowedSteps(1);
    start_ = {2.0, 1.0};
    EXPECT_FALSE(solver_.TabuSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    Quadratic2D, 2, x_.data(), &count_, &value_, start_.data(),
                                    &message_));
    EXPECT_EQ(message_.str(), "maximum number of iterations exceeded");
    EXPECT_EQ(count_, 1);
    EXPECT_EQ(x_, start_);
    EXPECT_EQ(value_, 1.0 + 2.0 * 2.25 + 3.0);
}

TEST_F(MultiDimensionalTest, TabuFirstIterationTriesUpwardThenDownwardMoves) {
    // Tenure and stop parameter 1: one iteration of 2n moves, then the stagnation ends the run.
    solver_.SetTabuStop(1);
    solver_.SetiTabuRepetitions(0);
    start_ = {0.5, 0.0};
    EXPECT_TRUE(solver_.TabuSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                   Quadratic2D, 2, x_.data(), &count_, &value_, start_.data(),
                                   &message_));
    ASSERT_EQ(BoxEvaluations::points.size(), 5u);
    const auto& p = BoxEvaluations::points;
    const double r = p[1][0] - 0.5;  // the iteration's one random fraction of the step 0.5
    EXPECT_GE(r, 0.0);
    EXPECT_LE(r, 0.5);
    // Up in x0 improves (towards 1) and becomes current at once; the later moves start from
    // there, each by the same fraction of its step (0.5 and 0.4).
    ExpectNear(p[2], {0.5 + r, r * 0.4 / 0.5});
    ExpectNear(p[3], {0.5, 0.0});
    ExpectNear(p[4], {0.5 + r, -r * 0.4 / 0.5});
    EXPECT_EQ(x_, p[4]);  // down in x1 improves as well (towards -0.5)
}

TEST_F(MultiDimensionalTest, TabuStepsTheThirdDimensionByExactlyOne) {
    // The object's unit-step dimensions are 2 and 3 (counted from 0).
    BoxEvaluations::Reset({0, 0, 0}, {10, 10, 10});
    solver_.SetTabuStop(1);
    start_ = {5.0, 5.0, 5.0};
    x_.resize(3);
    EXPECT_TRUE(solver_.TabuSearch(
        BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
        [](const double* x) {
            BoxEvaluations::Record(x);
            return std::fabs(x[0] - 5.0) + std::fabs(x[2] - 5.0);
        },
        3, x_.data(), &count_, &value_, start_.data(), &message_));
    const auto& p = BoxEvaluations::points;
    ASSERT_EQ(p.size(), 7u);
    EXPECT_EQ(p[3][2], 6.0);  // upward
    EXPECT_EQ(p[6][2], 4.0);  // downward
    EXPECT_NE(p[1][0], 6.0);  // the others by a random fraction of (10 - 0) / 10
}

TEST_F(MultiDimensionalTest, ComplexEvaluationLimitWritesTheBestVertex) {
    solver_.SetComplexMaxAllowedSteps(10);
    EXPECT_FALSE(solver_.Complex(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                 Quadratic2D, Anywhere, 2, x_.data(), &count_, &value_,
                                 start_.data(), &message_));
    EXPECT_EQ(message_.str(), "maximum number of iterations exceeded");
    EXPECT_GE(count_, 10);
    EXPECT_EQ(count_, static_cast<int>(BoxEvaluations::points.size()));
    double lowest = 1e300;
    for (const Vector& point : BoxEvaluations::points) {
        lowest = std::min(lowest, Square(point[0] - 1.0) + 2.0 * Square(point[1] + 0.5) + 3.0);
    }
    EXPECT_LE(value_, 3.0 + 2.0 * 0.25 + 1.0);  // no worse than the start point
    EXPECT_GE(value_, lowest);
    EXPECT_DOUBLE_EQ(value_, Square(x_[0] - 1.0) + 2.0 * Square(x_[1] + 0.5) + 3.0);
}

TEST_F(MultiDimensionalTest, TabuRefusesSegmentsBelowOne) {
    solver_.SetiTabuNumbSeg(0);
    EXPECT_FALSE(solver_.TabuSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    Quadratic2D, 2, x_.data(), &count_, &value_, start_.data(),
                                    &message_));
    EXPECT_EQ(message_.str(), "please change number of segments");
    EXPECT_TRUE(BoxEvaluations::points.empty());
}

TEST_F(MultiDimensionalTest, TabuOnASinglePointBoxEnds) {
    BoxEvaluations::Reset({1, 1}, {1, 1});
    start_ = {1.0, 1.0};
    solver_.SetTabuStop(5);
    EXPECT_TRUE(solver_.TabuSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                   Quadratic2D, 2, x_.data(), &count_, &value_, start_.data(),
                                   &message_));
    EXPECT_EQ(count_, 1);
    EXPECT_EQ(value_, 0.0 + 2.0 * 2.25 + 3.0);
}

// ---- Simulated annealing --------------------------------------------------------------------

TEST_F(MultiDimensionalTest, AnnealingStartsWithAWalkOfFiftyMoves) {
    solver_.SetSAMaxAllowedSteps(10);
    EXPECT_FALSE(solver_.SimulatedAnnealing(BoxEvaluations::lower.data(),
                                            BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
                                            &count_, &value_, start_.data(), &message_));
    EXPECT_EQ(message_.str(), "maximum number of iterations exceeded");
    EXPECT_EQ(count_, 51);
    // Every move changes a coordinate by at most one step, (upper - lower) / 10.
    const auto& p = BoxEvaluations::points;
    for (std::size_t i = 1; i < p.size(); ++i) {
        EXPECT_LE(std::fabs(p[i][0] - p[i - 1][0]), 0.5 + 1e-12);
        EXPECT_LE(std::fabs(p[i][1] - p[i - 1][1]), 0.4 + 1e-12);
    }
    // The best point of the walk is written.
    double lowest = 1e300;
    for (const Vector& point : p) {
        lowest = std::min(lowest, Square(point[0] - 1.0) + 2.0 * Square(point[1] + 0.5) + 3.0);
    }
    EXPECT_EQ(value_, lowest);
}

TEST_F(MultiDimensionalTest, AnnealingBadParametersEndWithoutHanging) {
    solver_.SetSANumbSeg(0);
    EXPECT_FALSE(solver_.SimulatedAnnealing(BoxEvaluations::lower.data(),
                                            BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
                                            &count_, &value_, start_.data(), &message_));
    EXPECT_EQ(message_.str(), "please change number of segments");
    // A reduction factor of 0 ends at the first stage; one of 1 or more runs into the limit.
    solver_.SetSANumbSeg(10);
    solver_.SetSAAlpha(0.0);
    EXPECT_TRUE(solver_.SimulatedAnnealing(BoxEvaluations::lower.data(),
                                           BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
                                           &count_, &value_, start_.data(), &message_));
    EXPECT_GT(count_, 51);
    EXPECT_LE(count_, 51 + 101);
    solver_.SetSAAlpha(1.5);
    solver_.SetSATempSteps(1000000);
    EXPECT_FALSE(solver_.SimulatedAnnealing(BoxEvaluations::lower.data(),
                                            BoxEvaluations::upper.data(), Quadratic2D, 2, x_.data(),
                                            &count_, &value_, start_.data(), &message_));
    EXPECT_EQ(count_, 10000);
    solver_.SetSAAlpha(0.9);
    solver_.SetSAInitialAcceptance(-5.0);
    solver_.SimulatedAnnealing(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                               Quadratic2D, 2, x_.data(), &count_, &value_, start_.data(),
                               &message_);
    EXPECT_LE(count_, 10000);
}

// ---- Complex method -------------------------------------------------------------------------

// Minimum 0 at (1, 1), outside x0 + x1 <= 1; the constrained minimum is 0.5 at (0.5, 0.5).
// Infeasible points are baited with a very low value: a method that accepted one would end
// there.
bool BelowDiagonal(const double* x) {
    return x[0] + x[1] <= 1.0;
}
double Baited(const double* x) {
    BoxEvaluations::Record(x);
    return BelowDiagonal(x) ? Square(x[0] - 1.0) + Square(x[1] - 1.0) : -1000.0;
}

TEST_F(MultiDimensionalTest, ComplexNeverAcceptsAnInfeasiblePoint) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        BoxEvaluations::Reset({-2, -2}, {3, 3});
        solver_.SetRandomSeed(seed);
        EXPECT_TRUE(solver_.Complex(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    Baited, BelowDiagonal, 2, x_.data(), &count_, &value_,
                                    start_.data(), &message_))
            << message_.str();
        EXPECT_TRUE(BelowDiagonal(x_.data()));
        EXPECT_NEAR(x_[0], 0.5, 0.02);
        EXPECT_NEAR(x_[1], 0.5, 0.02);
        EXPECT_NEAR(value_, 0.5, 2e-3);
    }
}

TEST_F(MultiDimensionalTest, ComplexWithoutAFeasiblePointGivesUp) {
    solver_.SetComplexMaxFirst(40);
    EXPECT_FALSE(solver_.Complex(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                 Quadratic2D, Nowhere, 2, x_.data(), &count_, &value_,
                                 start_.data(), &message_));
    EXPECT_EQ(message_.str(), "no feasible Complex found");
    EXPECT_EQ(count_, 40);  // one objective and predicate evaluation per candidate
    EXPECT_EQ(x_, Vector(2, -7.0));
    solver_.SetComplexMaxFirst(0);
    EXPECT_FALSE(solver_.Complex(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                 Quadratic2D, Anywhere, 2, x_.data(), &count_, &value_,
                                 start_.data(), &message_));
    EXPECT_EQ(message_.str(), "no feasible Complex found");
}

TEST_F(MultiDimensionalTest, ComplexInOneDimension) {
    BoxEvaluations::Reset({0}, {5});
    start_ = {4.0};
    x_ = {0.0};
    EXPECT_TRUE(solver_.Complex(
        BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
        [](const double* x) {
            BoxEvaluations::Record(x);
            return Square(x[0] - 2.0) + 1.0;
        },
        Anywhere, 1, x_.data(), &count_, &value_, start_.data(), &message_));
    // Either test ends the run; the coordinate test alone (squares below 5e-5) already holds
    // for a complex a few thousandths wide.
    EXPECT_NEAR(x_[0], 2.0, 0.05);
    EXPECT_NEAR(value_, 1.0, 3e-3);
    EXPECT_LT(count_, 100);
}

TEST_F(MultiDimensionalTest, ComplexVertexCountIsHeldInItsRange) {
    // Counts outside [max(3, n + 1), max(3, 2n)] are moved into it: the run still converges.
    for (int vertices : {-7, 0, 2, 100}) {
        SCOPED_TRACE(vertices);
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        solver_.SetComplexNumbPoints(vertices);
        EXPECT_TRUE(solver_.Complex(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    Quadratic2D, Anywhere, 2, x_.data(), &count_, &value_,
                                    start_.data(), &message_));
        EXPECT_NEAR(value_, 3.0, 1e-3);
    }
}

}  // namespace
