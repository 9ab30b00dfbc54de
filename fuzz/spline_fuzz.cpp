// The spline helpers, the library's own natural spline and the host's, on points as a caller
// may pass them: unsorted, repeated, not finite, too few, with counts that do not match.
#include <cstdint>
#include <vector>

#include "brixel/numerics/math_helper.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    brixel::fuzz::FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    const std::vector<double> x = in.Reals(12);
    std::vector<double> y = in.Reals(12);
    y.resize(x.size(), 0.0);  // the caller owns n values of each
    const std::vector<double> at = in.Reals(12);
    std::vector<double> values(at.size(), 0.0);
    const int n = static_cast<int>(x.size()) - static_cast<int>(in.Below(3));
    const int m = static_cast<int>(at.size()) - static_cast<int>(in.Below(2));
    const bool linear = in.Byte() & 1;
    const int64_t selector = in.Byte() & 1;
    (void)CMathHelper::CalculateSplineValues(n, x.data(), y.data(), m, at.data(), values.data(),
                                             selector, linear);
    (void)CMathHelper::SplineSmoothing(n, x.data(), y.data(), m, at.data(), values.data(), linear);
    (void)CMathHelper::CalculateSplineValues(n, nullptr, y.data(), m, at.data(), values.data(),
                                             selector, linear);
    return 0;
}
