// The grade-efficiency entry points as a host model calls them: BXUT_GNSEFF into a table of
// exactly the rows and stride it passes, BXUT_SEPEFF on any beads, and BXUT_SEPEFFINT on
// points, grids and result arrays of the lengths it passes, with any numbers in them.
#include <array>
#include <cstdint>
#include <vector>

#include "brixel/exports/efficiency_exports.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

namespace {

namespace host = brixel::host;
using brixel::fuzz::FuzzInput;

constexpr double kMissing = host::kRealMissing;
constexpr std::size_t kSubstreams = 3;  // MIXED, CISOLID and NC in the small host's class

template <typename T>
T* Maybe(FuzzInput& in, T* pointer) {
    return in.Byte() == 0 ? nullptr : pointer;
}

int64_t Bead(FuzzInput& in, const std::vector<int64_t>& streams, int64_t streamClass) {
    const uint8_t pick = in.Byte();
    if (pick < 200) {
        return streams[pick % streams.size()];
    }
    return pick < 220 ? streamClass : pick < 240 ? in.Take<int64_t>() : 0;
}

// A 1-based column: mostly inside a small stride, sometimes anything.
int64_t Column(FuzzInput& in) {
    const uint8_t pick = in.Byte();
    return pick < 16 ? in.Take<int64_t>() : static_cast<int64_t>(pick % 12) - 1;
}

void GenerateCurves(FuzzInput& in, brixel::fuzz::SmallHost& small,
                    const std::vector<int64_t>& streams) {
    const int64_t feed = Bead(in, streams, small.streamClass);
    const int64_t product = Bead(in, streams, small.streamClass);
    const uint8_t pick = in.Byte();
    const int64_t stride = pick < 16 ? in.Take<int64_t>() : static_cast<int64_t>(pick % 12);
    const int64_t classColumn = Column(in);
    const int64_t efficiencyColumn = Column(in);
    const int64_t densityColumn = Column(in);
    // The host's table: one row per substream and the overall row, `stride` values each.
    const std::size_t rows = kSubstreams + 1;
    std::vector<double> table(stride > 0 && stride < 64 ? rows * static_cast<std::size_t>(stride)
                                                        : 0);
    const int64_t status =
        BXUT_GNSEFF(Maybe(in, &feed), Maybe(in, &product), Maybe(in, &stride),
                    Maybe(in, &classColumn), Maybe(in, &efficiencyColumn),
                    table.empty() ? nullptr : table.data(), Maybe(in, &densityColumn));
    (void)status;
}

void ReportCurves(FuzzInput& in, brixel::fuzz::SmallHost& small,
                  const std::vector<int64_t>& streams) {
    const std::array<int64_t, 2> id = {in.Take<int64_t>(), in.Take<int64_t>()};
    const int64_t feed = Bead(in, streams, small.streamClass);
    const int64_t product = Bead(in, streams, small.streamClass);
    int64_t status = 99;
    BXUT_SEPEFF(Maybe(in, id.data()), Maybe(in, &feed), Maybe(in, &product), Maybe(in, &status));
}

void InterpolateEfficiencies(FuzzInput& in, brixel::fuzz::SmallHost& small) {
    const int64_t mode = static_cast<int64_t>(in.Below(6)) - 1;
    // Mostly one candidate model for a fit (each costs a minimization), sometimes any word.
    const uint8_t choice = in.Byte();
    const int64_t option = choice < 16   ? in.Take<int64_t>()
                           : choice < 64 ? static_cast<int64_t>(choice & 31)
                                         : int64_t{1} << (choice % 5);
    // Points: ascending sizes with efficiencies, as a user's table mostly is.
    std::vector<double> x(in.Below(9));
    std::vector<double> efficiencies(x.size());
    double size = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        size = in.Byte() < 24 ? in.Number(kMissing) : size + 1e-6 * (1 + in.Byte());
        x[i] = size;
        efficiencies[i] = in.Byte() < 24 ? in.Number(kMissing) : in.Byte() / 255.0;
    }
    const int64_t n = static_cast<int64_t>(x.size()) - (in.Byte() < 8 ? 1 : 0);
    const int64_t classCount = static_cast<int64_t>(in.Below(10)) - (in.Byte() < 8 ? 1 : 0);
    const bool boundaries = in.Byte() & 1;
    // The grid holds the class values or the boundaries, exactly as many as the count says.
    const int64_t gridSize = classCount + (boundaries ? 1 : 0);
    std::vector<double> grid(static_cast<std::size_t>(std::max<int64_t>(gridSize, 0)));
    double value = 0.0;
    for (double& g : grid) {
        value = in.Byte() < 24 ? in.Number(kMissing) : value + 1e-6 * (1 + in.Byte());
        g = value;
    }
    std::vector<double> results(static_cast<std::size_t>(std::max<int64_t>(classCount, 0)));
    int64_t chosen = 99;
    std::array<double, 4> parameters{};
    int64_t fallback = 0;
    int64_t* fallbackWord = Maybe(in, &fallback);
    BXUT_SEPEFFINT(
        Maybe(in, &mode), Maybe(in, &option), Maybe(in, &n),
        x.empty() ? nullptr : Maybe(in, x.data()),
        efficiencies.empty() ? nullptr : Maybe(in, efficiencies.data()), Maybe(in, &gridSize),
        Maybe(in, &classCount), grid.empty() ? nullptr : Maybe(in, grid.data()),
        results.empty() ? nullptr : Maybe(in, results.data()), Maybe(in, &chosen),
        Maybe(in, parameters.data()), fallbackWord,
        in.Byte() & 1 ? small.host.AddBlock("FUZZ", {}, {}).statusBlock.data() : nullptr);
    if (fallback < 0 || fallback > 3) {
        __builtin_trap();  // the fallback code is 0 ... 3
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    std::vector<int64_t> streams = {small.feed};
    for (int call = 0; call < 4 && !in.Empty(); ++call) {
        switch (in.Below(4)) {
            case 0:
                streams.push_back(small.SolidStream(in));
                break;
            case 1:
                GenerateCurves(in, small, streams);
                break;
            case 2:
                ReportCurves(in, small, streams);
                break;
            default:
                InterpolateEfficiencies(in, small);
                break;
        }
    }
    return 0;
}
