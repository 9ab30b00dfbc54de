// The PSD parameter functions: names as a user types them, meshes and fractions as a stream
// may hold them (NaN, negative, unsorted, one value too few or too many).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "brixel/particles/distribution_parameters.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    brixel::fuzz::FuzzInput in(data, size);
    const std::string name = in.Text(24);
    brixel::DistributionParameter parameter;
    const bool parsed = brixel::ParseDistributionParameter(name, in.Byte() & 1, parameter);

    std::vector<double> fractions = in.Reals(16);
    std::vector<double> mesh = in.Reals(17);
    double value = 0.0;
    (void)brixel::IsUsableDistribution(mesh, fractions);
    if (parsed) {
        (void)brixel::EvaluateDistributionParameter(parameter, mesh, fractions, value);
    }
    const double argument = in.Real();
    (void)brixel::SizeAtCumulativeFraction(mesh, fractions, argument, value);
    (void)brixel::CumulativeFractionAtSize(mesh, fractions, argument, value);
    (void)brixel::SauterMeanDiameter(mesh, fractions, value);

    // The caller sorts; the merge gets one fraction per mesh value.
    fractions.resize(mesh.size(), 0.0);
    std::vector<int> order(mesh.size());
    std::iota(order.begin(), order.end(), 0);
    // NaN sorts first, so that the order stays a strict weak one.
    const auto key = [&](int i) {
        const double x = mesh[static_cast<std::size_t>(i)];
        return std::isnan(x) ? -std::numeric_limits<double>::infinity() : x;
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    brixel::MergeSortedMesh(order, in.Real(), mesh, fractions);
    return 0;
}
