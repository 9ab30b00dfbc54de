// Share arithmetic of adding and removing component flows, on plain data.
#include "brixel/framework/flow_arithmetic.h"

#include <gtest/gtest.h>

#include <vector>

#include "brixel/framework/records.h"

namespace brixel {
namespace {

constexpr int64_t kNcc = 3;
constexpr int64_t kNncc = 2;

TEST(FlowArithmetic, ComponentsLiveInSubstreamsOfTheirKind) {
    EXPECT_EQ(ComponentPosition(2, records::kMixed, kNcc, kNncc), 2);
    EXPECT_EQ(ComponentPosition(2, records::kCiSolid, kNcc, kNncc), 2);
    EXPECT_EQ(ComponentPosition(4, records::kNonconventional, kNcc, kNncc), 1);
    EXPECT_EQ(ComponentPosition(3, records::kMixed, kNcc, kNncc), -1);
    EXPECT_EQ(ComponentPosition(0, records::kNonconventional, kNcc, kNncc), -1);
    EXPECT_EQ(ComponentPosition(5, records::kNonconventional, kNcc, kNncc), -1);
    EXPECT_EQ(ComponentPosition(-1, records::kMixed, kNcc, kNncc), -1);
    EXPECT_EQ(ComponentPosition(0, 4, kNcc, kNncc), -1);
}

TEST(FlowArithmetic, RemovalTakesOwnSubstreamsFirstThenShared) {
    // 1 held alone, 4 shared: removing 2 empties the own substream and takes 1 from the other.
    RemovalPlan plan = PlanRemoval({1.0}, {4.0}, 2.0);
    EXPECT_DOUBLE_EQ(plan.own[0], 1.0);
    EXPECT_TRUE(plan.takesShared);
    EXPECT_DOUBLE_EQ(plan.shared[0], 1.0);
    EXPECT_EQ(plan.rest, 0.0);

    plan = PlanRemoval({1.0, 3.0}, {4.0}, 2.0);  // own substreams give in proportion
    EXPECT_DOUBLE_EQ(plan.own[0], 0.5);
    EXPECT_DOUBLE_EQ(plan.own[1], 1.5);
    EXPECT_FALSE(plan.takesShared);

    plan = PlanRemoval({}, {1.0, 1.0}, 1.0);  // nothing held alone
    EXPECT_DOUBLE_EQ(plan.shared[0], 0.5);
    EXPECT_DOUBLE_EQ(plan.shared[1], 0.5);
}

TEST(FlowArithmetic, RemovalBeyondTheFlowLeavesARest) {
    RemovalPlan plan = PlanRemoval({1.0}, {4.0}, 6.0);
    EXPECT_DOUBLE_EQ(plan.rest, 5.0);
    EXPECT_FALSE(plan.takesShared);  // the shared substreams cannot give 5
    EXPECT_EQ(plan.shared[0], 0.0);

    plan = PlanRemoval({}, {}, 1.0);
    EXPECT_EQ(plan.rest, 1.0);

    // "Everything": all that is held alone; shared flows stay.
    plan = PlanRemoval({1.0, 2.0}, {4.0}, 1e35);
    EXPECT_EQ(plan.own, (std::vector<double>{1.0, 2.0}));
    EXPECT_FALSE(plan.takesShared);
}

}  // namespace
}  // namespace brixel
