// Guarded arithmetic: results, thrown codes and the missing-value markers they rest on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "host/substitute_host.h"

namespace {

using Unit = CBrixelBaseUnit;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The int code thrown by `call`, or 0 when it returned.
template <typename Call>
int CodeOf(Call call) {
    try {
        call();
    } catch (int code) {
        return code;
    }
    return 0;
}

class GuardedArithmeticTest : public ::testing::Test {
  protected:
    void SetUp() override { Unit::RefreshMarkers(); }

    brixel::host::SubstituteHost host;
};

TEST_F(GuardedArithmeticTest, MarkersComeFromTheHostsGlobalWords) {
    EXPECT_EQ(Unit::m_dblRMiss, 1e35);
    EXPECT_EQ(Unit::m_dblRMin, 1e-35);
    EXPECT_EQ(Unit::m_nIMiss, -2147483647);

    HostRealGlobals()[brixel::records::kRealGlobalMissing] = 1e30;
    HostRealGlobals()[brixel::records::kRealGlobalSmallest] = 1e-30;
    HostGlobals()[brixel::records::kGlobalMissing] = -99;
    Unit::RefreshMarkers();
    EXPECT_EQ(Unit::m_dblRMiss, 1e30);
    EXPECT_EQ(Unit::m_dblRMin, 1e-30);
    EXPECT_EQ(Unit::m_nIMiss, -99);
    EXPECT_EQ(CodeOf([] { Unit::Ediv(1e31, 1.0); }), 2);  // the guard follows the marker
}

TEST_F(GuardedArithmeticTest, Division) {
    EXPECT_EQ(Unit::Ediv(1.0, -2.0), -0.5);
    EXPECT_EQ(CodeOf([] { Unit::Ediv(1.0, 0.0); }), 1);
    EXPECT_EQ(Unit::Ediv(1e35, 1.0), 1e35);  // at the marker, not above
    EXPECT_EQ(CodeOf([] { Unit::Ediv(1e36, 1.0); }), 2);
    EXPECT_EQ(CodeOf([] { Unit::Ediv(-1e36, 2.0); }), 2);
    EXPECT_EQ(CodeOf([] { Unit::Ediv(1.0, 1e-36); }), 2);
    EXPECT_EQ(CodeOf([] { Unit::Ediv(kNaN, 1.0); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Ediv(kInf, kInf); }), 1);
}

TEST_F(GuardedArithmeticTest, ExponentialLogarithmAndRoot) {
    const double limit = std::log(1e35);
    EXPECT_EQ(CodeOf([limit] { Unit::Eexp(limit); }), 0);
    EXPECT_NEAR(Unit::Eexp(limit), 1e35, 1e35 * 1e-12);
    EXPECT_EQ(CodeOf([limit] { Unit::Eexp(std::nextafter(limit, 100.0)); }), 2);
    EXPECT_EQ(Unit::Eexp(-kInf), 0.0);
    EXPECT_EQ(CodeOf([] { Unit::Eexp(kNaN); }), 1);

    EXPECT_NEAR(Unit::Elog(std::exp(2.0)), 2.0, 1e-15);
    EXPECT_EQ(CodeOf([] { Unit::Elog(0.0); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Elog(-1.0); }), 1);

    EXPECT_EQ(Unit::Esqrt(2.25), 1.5);
    EXPECT_EQ(CodeOf([] { Unit::Esqrt(-1e-300); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Esqrt(kNaN); }), 1);
}

TEST_F(GuardedArithmeticTest, Power) {
    EXPECT_EQ(Unit::Epow(2.0, 10.0), 1024.0);
    EXPECT_EQ(Unit::Epow(-2.0, 3.0), -8.0);
    EXPECT_EQ(Unit::Epow(-2.0, 2.0), 4.0);
    EXPECT_EQ(Unit::Epow(0.0, 2.0), 0.0);
    EXPECT_EQ(Unit::Epow(4.0, -0.5), 0.5);
    // A negative base has a real power for odd roots only: (-8)^(1/3) = -2, (-8)^(2/3) = 4,
    // (-32)^(0.6) = (-2)^3 = -8; (-4)^(1/2) and (-8)^(1/4) have none.
    EXPECT_NEAR(Unit::Epow(-8.0, 1.0 / 3.0), -2.0, 1e-15);
    EXPECT_NEAR(Unit::Epow(-8.0, 2.0 / 3.0), 4.0, 1e-14);
    EXPECT_NEAR(Unit::Epow(-32.0, 0.6), -8.0, 1e-14);
    EXPECT_EQ(CodeOf([] { Unit::Epow(-4.0, 0.5); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Epow(-8.0, 0.25); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Epow(-8.0, 0.3333); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Epow(-8.0, -1.0); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Epow(0.0, -1.0); }), 1);  // 1 / 0
    // 10^34 fits below 1e35; 36 ln 10 = 82.9 > ln 1e35 = 80.6 does not.
    EXPECT_NEAR(Unit::Epow(10.0, 34.0), 1e34, 1e34 * 1e-14);
    EXPECT_EQ(CodeOf([] { Unit::Epow(10.0, 36.0); }), 2);
    EXPECT_EQ(CodeOf([] { Unit::Epow(-10.0, 36.0); }), 2);
    EXPECT_EQ(CodeOf([] { Unit::Epow(0.1, -36.0); }), 2);  // the same overflow upside down
    EXPECT_EQ(CodeOf([] { Unit::Epow(kNaN, 2.0); }), 1);
}

TEST_F(GuardedArithmeticTest, Multiplication) {
    EXPECT_EQ(Unit::Emult(3.0, -4.0), -12.0);
    EXPECT_EQ(Unit::Emult(1e20, 1e14), 1e34);
    EXPECT_EQ(CodeOf([] { Unit::Emult(1e20, 1e20); }), 4);
    EXPECT_EQ(CodeOf([] { Unit::Emult(-1e20, -1e16); }), 4);
    // |a| < 1: 1e35 / a itself overflows, the test is skipped and the product cannot grow.
    EXPECT_EQ(Unit::Emult(0.5, 1e35), 5e34);
    EXPECT_EQ(Unit::Emult(0.0, 1e300), 0.0);
    EXPECT_EQ(CodeOf([] { Unit::Emult(0.0, kInf); }), 1);
    EXPECT_EQ(CodeOf([] { Unit::Emult(kNaN, 1.0); }), 1);
}

}  // namespace
