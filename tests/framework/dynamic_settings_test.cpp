#include "brixel/framework/dynamic_settings.h"

#include <gtest/gtest.h>

#include <array>

#include "host/substitute_host.h"

namespace {

TEST(GetDynextCmn, FlagKIsBitKOfTheHostsWord) {
    brixel::host::SubstituteHost host;
    // Bits 0, 2, 5 and 7, and bit 8, which no flag reads.
    host.SetDynamicSettings({1.5, 2.5, 3.5, 4.5, 5.5}, 0b1'1010'0101);
    std::array<double, 5> values{};
    std::array<bool, 8> flags{};
    flags.fill(true);
    flags[1] = true;  // set before the call: must come back cleared
    GetDynextCmn(&values[0], &values[1], &values[2], &values[3], &values[4], &flags[0], &flags[1],
                 &flags[2], &flags[3], &flags[4], &flags[5], &flags[6], &flags[7]);
    EXPECT_EQ(values, (std::array<double, 5>{1.5, 2.5, 3.5, 4.5, 5.5}));
    EXPECT_EQ(flags, (std::array<bool, 8>{true, false, true, false, false, true, false, true}));

    host.SetDynamicSettings({0, 0, 0, 0, 0}, 0x100);
    flags.fill(true);
    double kept = 9.0;
    GetDynextCmn(&kept, nullptr, nullptr, nullptr, nullptr, &flags[0], &flags[1], nullptr,
                 &flags[3], &flags[4], &flags[5], &flags[6], &flags[7]);
    EXPECT_EQ(kept, 0.0);
    EXPECT_FALSE(flags[0]);
    EXPECT_FALSE(flags[7]);
    EXPECT_TRUE(flags[2]);  // not passed, so not touched
}

}  // namespace
