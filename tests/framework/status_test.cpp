// Failure statuses must stay negative in a 64-bit long: callers test "status < 0".
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "brixel/framework/status.h"

namespace brixel {
namespace {

// The 32-bit pattern read as a signed 32-bit value: pattern - 2^32 for a set top bit.
long SignExtended(uint32_t pattern) {
    const auto value = static_cast<long>(pattern);
    return pattern >= 0x80000000u ? value - (1L << 32) : value;
}

TEST(StatusCodes, EveryFailureInTheTableIsNegativeAndKnownByName) {
    const std::map<std::string, uint32_t> patterns = {
        {"E_FAIL", 0x80004005u},
        {"E_POINTER", 0x80004003u},
        {"E_INVALIDARG", 0x80070057u},
        {"ECapeUnknown", 0x80040501u},
        {"ECapeInvalidArgument", 0x80040506u},
        {"ECapeBadInvOrder", 0x80040509u},
        {"ECapeLimitedImpl", 0x8004050Au},
    };
    std::size_t failures = 0;
    for (const StatusCode& code : kStatusCodes) {
        if (code.value == kStatusOk) {
            continue;
        }
        ++failures;
        EXPECT_LT(code.value, 0) << code.name;
        EXPECT_GE(code.value, static_cast<long>(INT32_MIN)) << code.name;
        const auto found = patterns.find(code.name);
        ASSERT_NE(found, patterns.end()) << "unexpected status " << code.name;
        EXPECT_EQ(code.value, SignExtended(found->second)) << code.name;
        EXPECT_STREQ(StatusName(code.value), code.name);
    }
    EXPECT_EQ(failures, patterns.size());
    EXPECT_EQ(kStatusOk, 0);
    EXPECT_EQ(kStatusFail, -2147467259L);  // 0x80004005 - 2^32, worked by hand
    EXPECT_STREQ(StatusName(12345), "unknown status");
}

}  // namespace
}  // namespace brixel
