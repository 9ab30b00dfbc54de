// Root finders of CSolver: Solve (secant with the bracketing fallback), Step, and ROOT1N over
// the substitute host's root finder. Point sequences are traced by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "brixel/numerics/solver.h"
#include "numerics/solver_test_support.h"

namespace {

using solver_test::Evaluations;
using solver_test::NotANumber;
using solver_test::Square;
using F = CSolver::Function1D;
using Points = std::vector<double>;

constexpr F Linear = [](double x) { return 2.0 * Evaluations::Record(x) - 3.0; };  // root 1.5
constexpr F XMinusThree = [](double x) { return Evaluations::Record(x) - 3.0; };
// Roots +-sqrt(2); SquarePlusOne has none.
constexpr F SquareMinusTwo = [](double x) { return Square(Evaluations::Record(x)) - 2.0; };
constexpr F SquarePlusOne = [](double x) { return Square(Evaluations::Record(x)) + 1.0; };
// Roots +-2; symmetric, so a secant can land on -x1.
constexpr F SquareMinusFour = [](double x) { return Square(Evaluations::Record(x)) - 4.0; };
constexpr F Constant = [](double x) {
    Evaluations::Record(x);
    return 5.0;
};

// Exposes the protected steps.
class OpenSolver : public CSolver {
  public:
    using CSolver::SecantMethod;
};

class RootFinderTest : public ::testing::Test {
  protected:
    void SetUp() override { Evaluations::Reset(); }
    CSolver solver_;
    double x_ = 0.0;
    double value_ = 0.0;
    int count_ = -1;
    CString message_;
};

TEST_F(RootFinderTest, SolveTakesSecantStepsFromTheStartValues) {
    solver_.SetStartValues(1.0, 2.0);
    EXPECT_EQ(solver_.Solve(1e-12, 100, Linear), 1.5);
    EXPECT_EQ(Evaluations::points, (Points{1, 2, 1.5}));

    // Both default start values 1.0 have equal values: the second is doubled first.
    Evaluations::Reset();
    CSolver fresh;
    EXPECT_EQ(fresh.Solve(1e-12, 100, XMinusThree), 3.0);
    EXPECT_EQ(Evaluations::points, (Points{1, 1, 2, 3}));

    // The function is kept for a later call without one.
    Evaluations::Reset();
    solver_.SetFunction(SquareMinusTwo);
    const double root = solver_.Solve(1e-12, 100, nullptr);
    EXPECT_NEAR(root, std::sqrt(2.0), 1e-12);
}

TEST_F(RootFinderTest, SolveFindsNoSecondPointOnAConstantFunction) {
    // Doubling 2, 4, ..., 2^99 (99 values), then halving 1/2 ... 2^-99 (99 values) from the
    // second start value: 200 evaluations in all.
    EXPECT_EQ(solver_.Solve(1e-6, 100, Constant), -1e300);
    EXPECT_EQ(Evaluations::points.size(), 200u);
    EXPECT_EQ(Evaluations::points[100], std::ldexp(1.0, 99));
    EXPECT_EQ(Evaluations::points.back(), std::ldexp(1.0, -99));

    // A second start value 0 cannot be doubled away from 0: it ends at once.
    Evaluations::Reset();
    solver_.SetStartValues(1.0, 0.0);
    EXPECT_EQ(solver_.Solve(1e-6, 100, Constant), -1e300);
    EXPECT_EQ(Evaluations::points.size(), 2u);
}

TEST_F(RootFinderTest, SolveFallsBackToBracketingWhenTheSecantRepeatsAValue) {
    // From (1, -2.5) the secant lands on -1, where f equals f(1): the fallback restarts from
    // the start values, which already bracket the root -2, and bisects.
    solver_.SetStartValues(1.0, -2.5);
    EXPECT_EQ(solver_.Solve(0.3, 100, SquareMinusFour), -2.0625);
    EXPECT_EQ(Evaluations::points, (Points{1, -2.5, -1, 1, -2.5, -0.75, -1.625, -2.0625}));
}

TEST_F(RootFinderTest, SolveEndsAtTheIterationLimitWithoutARoot) {
    const uint64_t limit = 50;
    EXPECT_EQ(solver_.Solve(1e-6, limit, SquarePlusOne), 1e-300);
    // Each iteration evaluates at most two points; the restart and the first steps a few.
    EXPECT_LE(Evaluations::points.size(), 2 * limit + 5);

    Evaluations::Reset();
    EXPECT_EQ(solver_.Solve(1e-6, 20, NotANumber), 1e-300);
    EXPECT_LE(Evaluations::points.size(), 23u);
}

TEST_F(RootFinderTest, SolveWithoutAFunctionAndAfterResetSolverClass) {
    EXPECT_EQ(solver_.Solve(1e-6, 10, nullptr), -1.0);
    solver_.SetFunction(XMinusThree);
    solver_.SetStartValues(5.0, 6.0);
    solver_.ResetSolverClass();
    EXPECT_EQ(solver_.Solve(1e-6, 10, nullptr), -1.0);
    EXPECT_TRUE(Evaluations::points.empty());
    EXPECT_EQ(solver_.Solve(1e-12, 10, XMinusThree), 3.0);
    EXPECT_EQ(Evaluations::points[0], 1.0);  // start values back at 1.0
    EXPECT_EQ(Evaluations::points[1], 1.0);
}

TEST_F(RootFinderTest, SolveStopsOnAUserBreak) {
    Evaluations::Reset(&solver_, 3);
    solver_.SetStartValues(1.0, 2.0);
    EXPECT_EQ(solver_.Solve(1e-15, 100, SquareMinusTwo), 1e-300);
    EXPECT_EQ(Evaluations::points.size(), 3u);
}

TEST_F(RootFinderTest, BracketStepShrinksBisectsAndRestartsCleanly) {
    double next = 0.0;
    auto shrinkUpper = [&] {
        // Both ends positive: the upper end (larger |f|) moves to 97 % of the bracket.
        solver_.SetLowerInitialStepsValues(0.0, 1.0);
        solver_.SetUpperInitialStepsValues(4.0, 3.0);
        ASSERT_TRUE(solver_.Step(2, 0.0, 0, &next, 1e300));
        EXPECT_EQ(next, 2.0);
        ASSERT_TRUE(solver_.Step(2, 2.5, 1, &next, 1e300));
        EXPECT_DOUBLE_EQ(next, 3.88);
    };
    shrinkUpper();
    // Its value is negative: a sign change, so the midpoint comes next, then bisection.
    ASSERT_TRUE(solver_.Step(2, -1.0, 2, &next, 1e300));
    EXPECT_DOUBLE_EQ(next, 1.94);
    ASSERT_TRUE(solver_.Step(2, 0.5, 3, &next, 1e300));
    EXPECT_DOUBLE_EQ(next, 2.91);  // 1.94 had the sign of the lower end and replaced it

    // A new bracket right after a shrink forgets the side moved last: the midpoint's value
    // goes to bisection, not to the old upper end.
    shrinkUpper();
    solver_.SetLowerInitialStepsValues(0.0, -1.0);
    solver_.SetUpperInitialStepsValues(4.0, 1.0);
    ASSERT_TRUE(solver_.Step(2, 0.0, 0, &next, 1e300));
    ASSERT_TRUE(solver_.Step(2, 0.5, 1, &next, 1e300));
    EXPECT_EQ(next, 1.0);

    // Lower end larger in magnitude: the lower end moves by 3 %.
    solver_.SetLowerInitialStepsValues(0.0, 3.0);
    solver_.SetUpperInitialStepsValues(4.0, 1.0);
    ASSERT_TRUE(solver_.Step(2, 0.0, 0, &next, 1e300));
    ASSERT_TRUE(solver_.Step(2, 2.0, 1, &next, 1e300));
    EXPECT_DOUBLE_EQ(next, 0.12);
}

TEST_F(RootFinderTest, SecantStepIsLimitedAndOtherModesAreRefused) {
    solver_.SetLowerInitialStepsValues(0.0, -2.0);
    solver_.SetUpperInitialStepsValues(1.0, 0.0);
    double next = 0.0;
    ASSERT_TRUE(solver_.Step(1, 1.0, 0, &next, 10.0));
    EXPECT_DOUBLE_EQ(next, 2.0 / 3.0);  // 1 - (1 - 0) * 1 / (1 + 2)
    ASSERT_TRUE(solver_.Step(1, -0.5, 1, &next, 0.1));
    EXPECT_DOUBLE_EQ(next, 2.0 / 3.0 + 0.1);  // the secant's 7/9 lies 1/9 away: cut to 0.1
    EXPECT_FALSE(solver_.Step(3, 1.0, 0, &next, 1.0));
    EXPECT_FALSE(solver_.Step(2, 1.0, 0, nullptr, 1.0));
    solver_.SetLowerInitialStepsValues(0.0, 0.0);
    EXPECT_FALSE(solver_.Step(1, 0.0, 0, &next, 1.0));  // 0/0: no secant

    OpenSolver open;
    EXPECT_DOUBLE_EQ(open.SecantMethod(-1.0, 1.0, 2.0, 2.0), 4.0 / 3.0);
}

TEST_F(RootFinderTest, Root1nConvergesThroughTheHostRootFinder) {
    ASSERT_TRUE(solver_.ROOT1N(0.0, 2.0, SquareMinusTwo, &x_, &count_, &value_, 1.0, &message_))
        << message_.str();
    EXPECT_LE(std::fabs(x_ * x_ - 2.0), 1e-6);
    EXPECT_GT(x_, 0.0);
    EXPECT_EQ(value_, x_ * x_ - 2.0);
    // The count is the host's control word before the last call: every value but the one
    // handed with that call and the one evaluated after it.
    EXPECT_EQ(count_, static_cast<int>(Evaluations::points.size()) - 2);
}

TEST_F(RootFinderTest, Root1nWidensTheStepOnStatusTwoAndReportsNoRoot) {
    EXPECT_FALSE(solver_.ROOT1N(-1.0, 1.0, SquarePlusOne, &x_, &count_, &value_, 0.0, &message_));
    EXPECT_EQ(message_.str(), "root finder failed");
    // Step 0.2 each side; the host doubles it (status 2) with the next trial 0.4; the step
    // then becomes b - a = 2, which reaches both bounds; the search ends at the best point 0.
    EXPECT_EQ(Evaluations::points, (Points{0, 0.2, -0.2, 0.4, -1, 1, 0}));
    EXPECT_EQ(x_, 0.0);
    EXPECT_EQ(value_, 1.0);
}

TEST_F(RootFinderTest, Root1nFailures) {
    EXPECT_FALSE(solver_.ROOT1N(0, 2, nullptr, &x_, &count_, &value_, 1.0, &message_));
    EXPECT_EQ(message_.str(), "no function defined");
    EXPECT_FALSE(solver_.ROOT1N(0, 2, SquareMinusTwo, nullptr, &count_, &value_, 1.0, &message_));
    EXPECT_EQ(message_.str(), "no parameter defined");
    EXPECT_TRUE(Evaluations::points.empty());

    Evaluations::Reset(&solver_, 3);
    EXPECT_FALSE(solver_.ROOT1N(0, 2, SquareMinusTwo, &x_, &count_, &value_, 1.0, &message_));
    EXPECT_EQ(message_.str(), "user breaks calculation");
    EXPECT_EQ(Evaluations::points.size(), 3u);

    Evaluations::Reset();
    EXPECT_FALSE(solver_.ROOT1N(0, 2, NotANumber, &x_, &count_, &value_, 1.0, &message_));
    EXPECT_EQ(message_.str(), "root finder failed");

    // The host stops after more than two values: start, two trials.
    Evaluations::Reset();
    solver_.SetROOT1NMaxAllowedSteps(2);
    EXPECT_FALSE(solver_.ROOT1N(0, 2, SquareMinusTwo, &x_, &count_, &value_, 0.0, &message_));
    EXPECT_EQ(message_.str(), "root finder failed");
    EXPECT_EQ(Evaluations::points.size(), 4u);
}

}  // namespace
