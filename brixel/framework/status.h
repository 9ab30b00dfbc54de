#pragma once

#include <cstdint>

// Status codes returned as `long`. They are the platform's 32-bit HRESULT bit patterns;
// `long` is 64 bits here, so each constant is sign-extended from int32_t to stay negative
// for failures: every "return it when negative" test depends on that.
namespace brixel {

constexpr long HResult(uint32_t bits) {
    return static_cast<long>(static_cast<int32_t>(bits));
}

struct StatusCode {
    long value;
    const char* name;
    const char* meaning;
};

constexpr long kStatusOk = 0;
constexpr long kStatusFail = HResult(0x80004005u);
constexpr long kStatusNullPointer = HResult(0x80004003u);
constexpr long kStatusInvalidArgument = HResult(0x80070057u);
constexpr long kStatusCapeUnknown = HResult(0x80040501u);
constexpr long kStatusCapeInvalidArgument = HResult(0x80040506u);
constexpr long kStatusCapeBadInvocationOrder = HResult(0x80040509u);
constexpr long kStatusCapeLimitedImplementation = HResult(0x8004050Au);

// One table of every status the library returns, for reports and tests.
inline constexpr StatusCode kStatusCodes[] = {
    {kStatusOk, "S_OK", "success"},
    {kStatusFail, "E_FAIL", "general failure or not available"},
    {kStatusNullPointer, "E_POINTER", "null output pointer"},
    {kStatusInvalidArgument, "E_INVALIDARG", "invalid argument: unknown name, port or combination"},
    {kStatusCapeUnknown, "ECapeUnknown",
     "unknown error, pending validation errors or host routine error"},
    {kStatusCapeInvalidArgument, "ECapeInvalidArgument", "unknown compound or constant"},
    {kStatusCapeBadInvocationOrder, "ECapeBadInvOrder", "argument that must be null was given"},
    {kStatusCapeLimitedImplementation, "ECapeLimitedImpl", "limited implementation"},
};

constexpr const char* StatusName(long status) {
    for (const auto& code : kStatusCodes) {
        if (code.value == status) {
            return code.name;
        }
    }
    return "unknown status";
}

}  // namespace brixel
