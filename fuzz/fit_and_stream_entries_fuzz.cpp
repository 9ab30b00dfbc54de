// The least-squares callback and the stream wrapper's reactor entry points as the host calls
// them: BXUT_LSQFT directly and through a whole fit with fuzzed data, start values and bounds
// (models that throw or overflow included), BXUT_CRFLASH on any bead with fuzzed states,
// parameters and reaction lists, and BXUT_KINADS with any arguments. Every array is exactly
// as long as the count passed with it.
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/host_stream/quarn_stream.h"
#include "brixel/numerics/least_squares_fit.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

namespace {

namespace host = brixel::host;
using brixel::fuzz::FuzzInput;

constexpr double kMissing = host::kRealMissing;

template <typename T>
T* Maybe(FuzzInput& in, T* pointer) {
    return in.Byte() == 0 ? nullptr : pointer;
}

// Models a host caller fits: a line, an exponential that overflows, a power with a NaN, one
// that throws for negative x, and one that reads all of its (up to four) parameters.
LeastSquaresFit::Model PickModel(FuzzInput& in, std::size_t parameters) {
    switch (parameters == 0 ? 5 : in.Below(5)) {
        case 0:
            return [parameters](double* p, double x) {
                return parameters > 1 ? p[0] * x + p[1] : p[0] * x;
            };
        case 1:
            return [](double* p, double x) { return std::exp(p[0] * x); };
        case 2:
            return [](double* p, double x) { return std::pow(x, p[0]); };
        case 3:
            return [](double* p, double x) -> double {
                if (x < 0.0) {
                    throw 7;
                }
                return p[0] + x;
            };
        case 4:
            return [parameters](double* p, double x) {
                double sum = 0.0;
                for (std::size_t i = 0; i < parameters; ++i) {
                    sum = sum * x + p[i];
                }
                return sum;
            };
        default:
            return [](double*, double x) { return x; };
    }
}

void Fit(FuzzInput& in) {
    std::vector<double> parameters(in.Below(5));
    for (double& value : parameters) {
        value = in.Number(kMissing);
    }
    std::vector<std::tuple<double, double>> data(in.Below(9));
    for (auto& [x, y] : data) {
        x = in.Byte() < 200 ? in.Byte() / 16.0 : in.Number(kMissing);
        y = in.Byte() < 200 ? in.Byte() / 8.0 : in.Number(kMissing);
    }
    LeastSquaresFit fit(parameters, data, PickModel(in, parameters.size()));
    if (in.Byte() & 1) {
        // Sometimes one bound too few or too many: Solve throws its documented long.
        std::vector<std::tuple<double, double>> bounds(parameters.size() + in.Below(3) -
                                                       (parameters.empty() ? 0 : 1));
        for (auto& [lower, upper] : bounds) {
            lower = in.Number(kMissing);
            upper = in.Number(kMissing);
        }
        fit.SetBounds(bounds);
    }
    try {
        (void)fit.Solve();
    } catch (long) {
    }
    std::vector<double> result;
    fit.getParameters(result);
    if (result.size() != parameters.size()) {
        __builtin_trap();
    }
    (void)fit.getResidualError();

    // The callback as the host calls it, on arrays of the count it passes.
    int64_t m = static_cast<int64_t>(data.size()) - (in.Byte() < 8 ? 1 : 0);
    std::vector<double> x(data.size());
    std::vector<double> f(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        x[i] = std::get<0>(data[i]);
    }
    std::vector<double> p = parameters;
    p.resize(std::max<std::size_t>(p.size(), 1), 0.0);
    void* userData[1] = {in.Byte() == 0 ? nullptr : &fit};
    int64_t status = 0;
    int64_t unused = 0;
    BXUT_LSQFT(&unused, Maybe(in, &m), &unused, Maybe(in, p.data()),
               x.empty() ? nullptr : Maybe(in, x.data()), nullptr,
               f.empty() ? nullptr : Maybe(in, f.data()), Maybe(in, &status), Maybe(in, userData));
}

int64_t Bead(FuzzInput& in, const brixel::fuzz::SmallHost& small) {
    const uint8_t pick = in.Byte();
    return pick < 200 ? small.feed : pick < 220 ? small.streamClass : in.Take<int64_t>();
}

void ReactiveFlash(FuzzInput& in, brixel::fuzz::SmallHost& small, int64_t reaction) {
    // The feed's MIXED state as a host may leave it: any temperature, pressure, fraction.
    double* vector = small.host.StreamVector(small.feed);
    for (std::size_t entry : {4u, 5u, 7u}) {  // after the 3 flows: T, P, vapour fraction
        if (in.Byte() < 64) {
            vector[entry] = in.Number(kMissing);
        }
    }
    int64_t bead = Bead(in, small);
    std::vector<int64_t> reactions(in.Below(4));
    for (int64_t& r : reactions) {
        r = in.Byte() < 200 ? reaction : in.Take<int64_t>();
    }
    int64_t count = static_cast<int64_t>(reactions.size()) - (in.Byte() < 8 ? 1 : 0);
    double value = in.Number(kMissing);
    // The wrapper's parameter arrays: nine integers, three reals.
    std::array<int64_t, 9> integers{100, 2, 0, 50, 1, 0, 0, 0, 0};
    std::array<double, 3> reals{1e-4, 0.0, 1e-6};
    for (std::size_t n = in.Below(4); n > 0; --n) {
        integers[in.Below(integers.size())] = static_cast<int64_t>(in.Byte()) - 2;
    }
    for (std::size_t n = in.Below(3); n > 0; --n) {
        reals[in.Below(reals.size())] = in.Number(kMissing);
    }
    integers[2] = 0;  // the convergence flag, an output
    std::vector<int64_t> words(in.Below(4));
    int64_t capacity = static_cast<int64_t>(words.size());
    BXUT_CRFLASH(Maybe(in, &bead), Maybe(in, &count),
                 reactions.empty() ? nullptr : reactions.data(), Maybe(in, &value),
                 Maybe(in, integers.data()), Maybe(in, reals.data()),
                 words.empty() ? nullptr : words.data(), &capacity);
    if (integers[2] != 0 && integers[2] != 1 && integers[2] != -1) {
        __builtin_trap();  // the convergence flag is the host's result or untouched
    }
}

void Adsorption(FuzzInput& in, brixel::fuzz::SmallHost& small) {
    int64_t bead = Bead(in, small);
    int64_t component = static_cast<int64_t>(in.Byte()) - 2;
    double henry = in.Number(kMissing);
    double adsorbent = in.Number(kMissing);
    BXUT_KINADS(Maybe(in, &bead), Maybe(in, &component), Maybe(in, &henry), Maybe(in, &adsorbent));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    // N2 + WATER -> (nothing useful, but a valid record): half the water converts.
    const int64_t reaction = small.host.AddReaction({{{2, -1.0}, {1, 1.0}}, 2, 0.5});
    for (int call = 0; call < 4 && !in.Empty(); ++call) {
        switch (in.Below(3)) {
            case 0:
                Fit(in);
                break;
            case 1:
                ReactiveFlash(in, small, reaction);
                break;
            default:
                Adsorption(in, small);
                break;
        }
    }
    return 0;
}
