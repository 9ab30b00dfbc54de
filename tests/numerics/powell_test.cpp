// Powell's method with bounds, its line search, and the grid search. Minima are those of
// quadratics whose minimum is known in closed form (inside the box, or on its boundary).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "brixel/numerics/solver.h"
#include "numerics/solver_test_support.h"

namespace {

using solver_test::BoxEvaluations;
using solver_test::Square;
using Vector = std::vector<double>;

// Minimum 3 at (1, -0.5).
double Quadratic2D(const double* x) {
    BoxEvaluations::Record(x);
    return Square(x[0] - 1.0) + 2.0 * Square(x[1] + 0.5) + 3.0;
}
// Minimum 0 at kCentre5D, each coordinate weighted by j + 1.
const Vector kCentre5D{0.5, -1.0, 1.5, 2.0, -0.25};
double Quadratic5D(const double* x) {
    BoxEvaluations::Record(x);
    double sum = 0.0;
    for (int j = 0; j < 5; ++j) {
        sum += (j + 1) * Square(x[j] - kCentre5D[j]);
    }
    return sum;
}
// Unconstrained minimum at (5, -4): in the box [-1, 2]^2 the minimum is the corner (2, -1)
// with the value 9 + 9.
double FarCorner(const double* x) {
    BoxEvaluations::Record(x);
    return Square(x[0] - 5.0) + Square(x[1] + 4.0);
}
// Minimum 0 at (1, 1); its valley is curved.
double Rosenbrock(const double* x) {
    BoxEvaluations::Record(x);
    return 100.0 * Square(x[1] - x[0] * x[0]) + Square(1.0 - x[0]);
}
double NotANumber(const double* x) {
    BoxEvaluations::Record(x);
    return std::numeric_limits<double>::quiet_NaN();
}

class PowellTest : public ::testing::Test {
  protected:
    void Tighten() {
        solver_.SetPowellFTol(1e-12);
        solver_.SetBrentTolerance(1e-8);
    }
    CSolver solver_;
    Vector x_ = Vector(5, -7.0);
    int count_ = -7;
    double value_ = -7.0;
    CString message_;
};

TEST_F(PowellTest, FindsTheMinimumOfBoundedQuadratics) {
    // Default tolerances: the value to about the value tolerance, the point roughly.
    BoxEvaluations::Reset({-2, -2}, {3, 2});
    Vector start{0.0, 0.0};
    EXPECT_TRUE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                               Quadratic2D, 2, x_.data(), &count_, &value_, start.data(),
                               &message_));
    EXPECT_NEAR(value_, 3.0, 1e-3);
    EXPECT_NEAR(x_[0], 1.0, 0.05);
    EXPECT_NEAR(x_[1], -0.5, 0.05);
    // The count holds every evaluation, those of the line searches included.
    EXPECT_EQ(count_, static_cast<int>(BoxEvaluations::points.size()));
    EXPECT_EQ(solver_.GetPowellNFuncEval(), count_);
    EXPECT_EQ(start[0], x_[0]);  // the start vector is the working point
    EXPECT_EQ(start[1], x_[1]);
    EXPECT_EQ(CSolver::m_pcSolver, &solver_);

    Tighten();
    BoxEvaluations::Reset(Vector(5, -3.0), Vector(5, 3.0));
    Vector start5(5, 0.0);
    EXPECT_TRUE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                               Quadratic5D, 5, x_.data(), &count_, &value_, start5.data(),
                               &message_));
    for (int j = 0; j < 5; ++j) {
        EXPECT_NEAR(x_[j], kCentre5D[j], 1e-5) << j;
    }
    EXPECT_NEAR(value_, 0.0, 1e-9);
    EXPECT_EQ(count_, static_cast<int>(BoxEvaluations::points.size()));
}

TEST_F(PowellTest, MinimumBeyondTheBoxStopsOnTheBound) {
    Tighten();
    BoxEvaluations::Reset({-1, -1}, {2, 2});
    Vector start{0.0, 0.0};
    EXPECT_TRUE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                               FarCorner, 2, x_.data(), &count_, &value_, start.data(), &message_));
    EXPECT_NEAR(x_[0], 2.0, 1e-6);
    EXPECT_NEAR(x_[1], -1.0, 1e-6);
    EXPECT_NEAR(value_, 18.0, 1e-5);
    EXPECT_LE(x_[0], 2.0);
    EXPECT_GE(x_[1], -1.0);
}

TEST_F(PowellTest, CurvedValleyWithTheFunctionObjectOverload) {
    Tighten();
    BoxEvaluations::Reset({-2, -2}, {2, 2});
    int calls = 0;
    const CSolver::ObjectiveND counted = [&calls](const double* x) {
        ++calls;
        return Rosenbrock(x);
    };
    Vector start{-1.2, 1.0};
    EXPECT_TRUE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), counted,
                               2, x_.data(), &count_, &value_, start.data(), &message_))
        << message_.str();
    EXPECT_NEAR(x_[0], 1.0, 1e-4);
    EXPECT_NEAR(x_[1], 1.0, 1e-4);
    EXPECT_EQ(count_, calls);
}

TEST_F(PowellTest, StartOutsideTheBoxIsMovedIntoIt) {
    BoxEvaluations::Reset({-2, -2}, {3, 2});
    Vector start{10.0, std::nan("")};
    EXPECT_TRUE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                               Quadratic2D, 2, x_.data(), &count_, &value_, start.data(),
                               &message_));
    ASSERT_FALSE(BoxEvaluations::points.empty());
    EXPECT_EQ(BoxEvaluations::points[0], (Vector{0.5, 0.0}));  // the middle of each range
}

TEST_F(PowellTest, UserBreakEndsWithTheLastTruePointAndTheNextRunWorks) {
    BoxEvaluations::Reset({-2, -2}, {3, 2}, &solver_, 5);
    Vector start{0.0, 0.0};
    EXPECT_FALSE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                Quadratic2D, 2, x_.data(), &count_, &value_, start.data(),
                                &message_));
    EXPECT_EQ(message_.str(), "maximum number of iterations exceeded");
    // After the break the line function returns 0 without calling the objective.
    EXPECT_EQ(BoxEvaluations::points.size(), 5u);
    EXPECT_EQ(count_, 5);
    // The value written is the objective's at the point written, not the line function's 0.
    const double expected = Square(x_[0] - 1.0) + 2.0 * Square(x_[1] + 0.5) + 3.0;
    EXPECT_DOUBLE_EQ(value_, expected);

    BoxEvaluations::Reset({-2, -2}, {3, 2});
    EXPECT_TRUE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                               Quadratic2D, 2, x_.data(), &count_, &value_, start.data(),
                               &message_));
    EXPECT_NEAR(value_, 3.0, 1e-3);
}

TEST_F(PowellTest, EvaluationLimitIsTestedOncePerIteration) {
    solver_.SetPowellMaxAllowedSteps(1);
    BoxEvaluations::Reset({-2, -2}, {3, 2});
    Vector start{0.0, 0.0};
    EXPECT_FALSE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                Rosenbrock, 2, x_.data(), &count_, &value_, start.data(),
                                &message_));
    EXPECT_EQ(message_.str(), "maximum number of iterations exceeded");
    EXPECT_GT(count_, 1);  // one iteration's line searches are made
    EXPECT_EQ(count_, static_cast<int>(BoxEvaluations::points.size()));
    EXPECT_EQ(x_[0], start[0]);

    // An objective that returns NaN never converges; the limit ends the run.
    solver_.SetPowellMaxAllowedSteps(50);
    BoxEvaluations::Reset({-2, -2}, {3, 2});
    EXPECT_FALSE(solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                NotANumber, 2, x_.data(), &count_, &value_, start.data(),
                                &message_));
    EXPECT_EQ(message_.str(), "maximum number of iterations exceeded");
    EXPECT_TRUE(std::isnan(value_));
}

// Above the box penalty everywhere except at one corner region: the line minimum must not be
// taken outside the box.
double HighPlateau(const double* x) {
    BoxEvaluations::Record(x);
    return 1e20 + Square(x[0] - 0.5);
}

TEST_F(PowellTest, ObjectiveAboveTheBoxPenaltyKeepsThePointInside) {
    BoxEvaluations::Reset({0}, {1});
    Vector start{0.9};
    solver_.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), HighPlateau, 1,
                   x_.data(), &count_, &value_, start.data(), &message_);
    EXPECT_GE(x_[0], 0.0);
    EXPECT_LE(x_[0], 1.0);
    EXPECT_DOUBLE_EQ(value_, 1e20 + Square(x_[0] - 0.5));
}

TEST_F(PowellTest, LineSearchMovesAlongTheDirection) {
    solver_.SetBrentTolerance(1e-8);
    Vector p{0.0, 0.0};
    Vector xi{1.0, 0.0};
    double value = -1.0;
    // Not inside a Powell run: the line is not bounded.
    BoxEvaluations::Reset({-1e9, -1e9}, {1e9, 1e9});
    solver_.LinMin(p.data(), xi.data(), 2, &value, CSolver::ObjectiveND(FarCorner));
    EXPECT_NEAR(p[0], 5.0, 1e-6);
    EXPECT_EQ(p[1], 0.0);
    EXPECT_NEAR(xi[0], 5.0, 1e-6);  // the step taken
    EXPECT_NEAR(value, 16.0, 1e-9);
    // With no run active the line function does not call anything.
    const std::size_t before = BoxEvaluations::points.size();
    EXPECT_EQ(CSolver::F1Dim(0.5), 1e15);
    EXPECT_EQ(BoxEvaluations::points.size(), before);
}

TEST_F(PowellTest, DestroyedSolverIsNoLongerTheActiveOne) {
    {
        CSolver local;
        BoxEvaluations::Reset({-2, -2}, {3, 2});
        Vector start{0.0, 0.0};
        local.Powell(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(), Quadratic2D, 2,
                     x_.data(), &count_, &value_, start.data(), nullptr);
        EXPECT_EQ(CSolver::m_pcSolver, &local);
    }
    EXPECT_EQ(CSolver::m_pcSolver, nullptr);
    EXPECT_EQ(CSolver::F1Dim(0.0), 1e15);
}

// ---- Grid search ---------------------------------------------------------------------------

// Minimum 0 at (4.5, 6); on the grid of step 5 over [0, 10]^2 the best point is (5, 5).
double OffGrid(const double* x) {
    BoxEvaluations::Record(x);
    return Square(x[0] - 4.5) + Square(x[1] - 6.0);
}

TEST_F(PowellTest, GridVisitsEveryPointLastDimensionFastest) {
    BoxEvaluations::Reset({0, 0}, {10, 10});
    EXPECT_TRUE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                   OffGrid, 2, x_.data(), &count_, &value_, &message_));
    const std::vector<Vector> expected{{0, 0},  {0, 5},  {0, 10}, {5, 0},  {5, 5},
                                       {5, 10}, {10, 0}, {10, 5}, {10, 10}};
    EXPECT_EQ(BoxEvaluations::points, expected);
    EXPECT_EQ(count_, 9);
    EXPECT_EQ(x_[0], 5.0);
    EXPECT_EQ(x_[1], 5.0);
    EXPECT_EQ(value_, 1.25);

    // Given steps replace the parameter and skip the size check.
    BoxEvaluations::Reset({0, 0}, {10, 10});
    const Vector steps{2.5, 10.0};
    EXPECT_TRUE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                   OffGrid, 2, x_.data(), &count_, &value_, &message_,
                                   steps.data()));
    EXPECT_EQ(count_, 10);  // 5 x 2 points
    EXPECT_EQ(x_[0], 5.0);
    EXPECT_EQ(x_[1], 10.0);  // (5, 10): 0.25 + 16 beats (5, 0): 0.25 + 36
}

TEST_F(PowellTest, GridTiesKeepTheEarlierPointAndRoundingStaysInTheBox) {
    // From 0.3 to 0.9 in steps of 0.2: 0.3 + 3 * 0.2 exceeds 0.9 in floating point.
    BoxEvaluations::Reset({0.3}, {0.9});
    const Vector steps{0.2};
    EXPECT_TRUE(solver_.GridSearch(
        BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
        [](const double* x) {
            BoxEvaluations::Record(x);
            return 1.0;
        },
        1, x_.data(), &count_, &value_, &message_, steps.data()));
    EXPECT_EQ(count_, 4);
    EXPECT_EQ(BoxEvaluations::points.back()[0], 0.9);
    EXPECT_EQ(x_[0], 0.3);  // all equal: the first stays
}

TEST_F(PowellTest, GridRefusesTooManyStepsBeforeEvaluating) {
    BoxEvaluations::Reset({0, 0}, {10, 10});
    solver_.SetGridStep(1e-3);
    EXPECT_FALSE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    OffGrid, 2, x_.data(), &count_, &value_, &message_));
    EXPECT_EQ(message_.str(), "too many steps required");
    // A dimension without width does not hide the size of the others (10 x 2e4 steps).
    BoxEvaluations::Reset({0, 0, 5}, {10, 2e4, 5});
    solver_.SetGridStep(1.0);
    EXPECT_FALSE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    OffGrid, 3, x_.data(), &count_, &value_, &message_));
    EXPECT_EQ(message_.str(), "too many steps required");
    for (double step : {0.0, -1.0, std::nan("")}) {
        solver_.SetGridStep(step);
        message_ = "";
        EXPECT_FALSE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                        OffGrid, 2, x_.data(), &count_, &value_, &message_));
        EXPECT_EQ(message_.str(), "please change step size");
    }
    EXPECT_TRUE(BoxEvaluations::points.empty());
    EXPECT_EQ(count_, -7);
}

TEST_F(PowellTest, GridUserBreakStopsBeforeTheNextEvaluation) {
    BoxEvaluations::Reset({0, 0}, {10, 10}, &solver_, 4);
    EXPECT_FALSE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                    OffGrid, 2, x_.data(), &count_, &value_, &message_));
    EXPECT_EQ(message_.str(), "user breaks calculation");
    EXPECT_EQ(count_, 4);
    EXPECT_EQ(BoxEvaluations::points.size(), 4u);
    EXPECT_EQ(x_[0], 0.0);  // (0, 5) is the best of (0,0), (0,5), (0,10), (5,0)
    EXPECT_EQ(x_[1], 5.0);
    EXPECT_EQ(value_, 1 + 20.25);
    // The next run clears the break.
    BoxEvaluations::Reset({0, 0}, {10, 10});
    EXPECT_TRUE(solver_.GridSearch(BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
                                   OffGrid, 2, x_.data(), &count_, &value_, &message_));
    EXPECT_EQ(count_, 9);
}

TEST_F(PowellTest, GridValueThatIsNotANumberNeverWins) {
    BoxEvaluations::Reset({0}, {10});
    EXPECT_TRUE(solver_.GridSearch(
        BoxEvaluations::lower.data(), BoxEvaluations::upper.data(),
        [](const double* x) {
            BoxEvaluations::Record(x);
            return x[0] == 0.0 ? std::nan("") : x[0];
        },
        1, x_.data(), &count_, &value_, &message_));
    EXPECT_EQ(x_[0], 5.0);
    EXPECT_EQ(value_, 5.0);
}

}  // namespace
