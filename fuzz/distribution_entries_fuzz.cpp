// The distribution entry points as a host model calls them: EVALDISTRFUNC on meshes of the
// fuzzer's length, BXUT_SETPSD and BXUT_ADJPSD (and their _MIX forms) with index tables,
// parameter arrays, beads and streams a hostile caller would pass. The host's arrays are
// exactly as long as the counts it passes say, so that ASan sees any read or write beyond.
#include <array>
#include <cstdint>
#include <vector>

#include "brixel/exports/distribution_exports.h"
#include "brixel/exports/growth_exports.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

namespace {

namespace host = brixel::host;
using brixel::fuzz::FuzzInput;

constexpr double kMissing = host::kRealMissing;
constexpr int64_t kIntMissing = host::kIntegerMissing;
// Parameter arrays of the block: index blocks first, then a tail of integer values (type
// codes, substream numbers, mesh beads, entry counts) that the blocks address.
constexpr std::size_t kBlockWords = 16;
constexpr std::size_t kBlocks = 6;
constexpr std::size_t kTail = kBlocks * kBlockWords;
constexpr std::size_t kPairs = kTail + 48;  // entry 4's (count, weight position) pairs
constexpr std::size_t kInts = kPairs + 8;
// Real positions stay in the first kRealWindow words, so that a column read with the largest
// count and stride below still ends inside the array.
constexpr std::size_t kRealWindow = 128;
constexpr std::size_t kReals = kRealWindow + 32;

// A pointer, or null when the fuzzer says so (one argument in sixteen calls).
template <typename T>
T* Maybe(FuzzInput& in, T* pointer) {
    return in.Byte() == 0 ? nullptr : pointer;
}

// A count the host's arrays can hold (0 ... 4), sometimes missing or negative.
int64_t Count(FuzzInput& in) {
    const uint8_t pick = in.Byte();
    return pick < 8 ? kIntMissing : pick < 16 ? -1 : static_cast<int64_t>(pick % 5);
}

// A stream bead as a host might pass it: a known stream, the stream class, or any word.
int64_t Bead(FuzzInput& in, const std::vector<int64_t>& streams, int64_t streamClass) {
    const uint8_t pick = in.Byte();
    if (pick < 200) {
        return streams[pick % streams.size()];
    }
    return pick < 220 ? streamClass : pick < 240 ? in.Take<int64_t>() : 0;
}

void EvalDistributionFunction(FuzzInput& in, brixel::fuzz::SmallHost& small) {
    const std::size_t intervals = in.Below(12);
    std::vector<double> boundaries(intervals + 1);
    double x = 0.0;
    for (double& boundary : boundaries) {
        // Mostly increasing sizes, sometimes any value.
        x = in.Byte() < 16 ? in.Number(kMissing) : x + 1e-6 * (1 + in.Byte());
        boundary = x;
    }
    std::vector<double> fractions(intervals);
    const int64_t count = static_cast<int64_t>(intervals) - (in.Byte() < 8 ? 1 : 0);
    const int64_t type = static_cast<int64_t>(in.Below(7)) - 1;
    std::array<double, 8> parameters{};
    for (double& value : parameters) {
        value = in.Number(kMissing);
    }
    std::array<int64_t, 8> statusBlock{};
    int64_t status = 99;
    EVALDISTRFUNC(Maybe(in, fractions.data()), Maybe(in, &count), Maybe(in, boundaries.data()),
                  Maybe(in, &type), Maybe(in, &parameters[0]), Maybe(in, &parameters[1]),
                  Maybe(in, &parameters[2]), Maybe(in, &parameters[3]), Maybe(in, &parameters[4]),
                  Maybe(in, &parameters[5]), Maybe(in, &parameters[6]), Maybe(in, &parameters[7]),
                  in.Byte() & 1 ? statusBlock.data() : nullptr, Maybe(in, &status));
    (void)small;
}

// The block's parameter arrays, index table and result table as a host fills them.
struct Parameters {
    std::vector<int64_t> ints = std::vector<int64_t>(kInts, kIntMissing);
    std::vector<double> reals = std::vector<double>(kReals, kMissing);
    std::array<int64_t, 12> index{};
    std::array<int64_t, 4> results{};

    Parameters(FuzzInput& in, int64_t meshBead) {
        index.fill(kIntMissing);
        results.fill(kIntMissing);
        for (std::size_t entry = 0; entry < kBlocks; ++entry) {
            if (in.Byte() < 96) {
                continue;
            }
            index[entry] = static_cast<int64_t>(entry * kBlockWords);
            int64_t* block = ints.data() + entry * kBlockWords;
            for (std::size_t word = 0; word < 13; ++word) {
                block[word] = RealPosition(in);
            }
            // The words that are counts, integer positions or beads.
            const auto count = [&](std::size_t word) { block[word] = Count(in); };
            const auto integer = [&](std::size_t word) { block[word] = IntegerPosition(in); };
            switch (entry) {
                case 0:
                    integer(1);
                    count(11);
                    break;
                case 1:
                    block[0] = in.Byte() < 200 ? meshBead : in.Take<int64_t>();
                    count(1);
                    break;
                case 2:
                    count(4);
                    break;
                case 3:
                    count(0);
                    integer(2);
                    count(12);
                    break;
                case 4:
                    integer(1);
                    integer(2);
                    block[3] = static_cast<int64_t>(kPairs) + 1;
                    for (std::size_t pair = kPairs; pair < kInts; pair += 2) {
                        ints[pair] = Count(in);
                        ints[pair + 1] = RealPosition(in);
                    }
                    count(5);
                    break;
                default:
                    count(0);
                    count(5);
                    break;
            }
        }
        index[6] = in.Byte() < 64 ? kIntMissing : static_cast<int64_t>(in.Below(kReals));
        index[7] = in.Byte() < 64 ? kIntMissing : static_cast<int64_t>(kTail + in.Below(16));
        for (int64_t& result : results) {
            const uint8_t pick = in.Byte();
            result = pick < 128   ? kIntMissing
                     : pick < 136 ? -1
                                  : static_cast<int64_t>(in.Below(kReals));
        }
        for (std::size_t n = in.Below(32); n > 0; --n) {
            reals[in.Below(kRealWindow)] = in.Number(kMissing);
        }
        // Sizes that make sense to the mesh, so that inputs reach the curves.
        for (std::size_t n = in.Below(8); n > 0; --n) {
            reals[in.Below(kRealWindow)] = 1e-6 * (1 + in.Byte());
        }
        for (std::size_t n = in.Below(24); n > 0; --n) {
            const uint8_t pick = in.Byte();
            const std::size_t at = kTail + in.Below(kPairs - kTail);
            ints[at] = pick < 160   ? static_cast<int64_t>(pick % 10) - 1
                       : pick < 200 ? meshBead
                       : pick < 220 ? kIntMissing
                                    : in.Take<int64_t>();
        }
    }

    // A 1-based real position inside the window, sometimes missing, 0 or negative.
    static int64_t RealPosition(FuzzInput& in) {
        const uint8_t pick = in.Byte();
        return pick < 8    ? kIntMissing
               : pick < 12 ? -static_cast<int64_t>(pick) + 8
                           : static_cast<int64_t>(in.Below(kRealWindow)) + 1;
    }
    // A 1-based position of the integer tail, with room for the longest column read there.
    static int64_t IntegerPosition(FuzzInput& in) {
        return in.Byte() < 8 ? kIntMissing : static_cast<int64_t>(kTail + in.Below(32)) + 1;
    }
};

void SetOrAdjustPsd(FuzzInput& in, brixel::fuzz::SmallHost& small, bool adjust) {
    const int64_t meshBead = small.host.PsdMeshBead(small.feed, 1);
    const std::vector<int64_t> streams = {small.feed, small.SolidStream(in), small.SolidStream(in)};
    const bool mix = in.Byte() & 1;
    std::vector<int64_t> inlets(mix ? in.Below(4) : 1);
    for (int64_t& inlet : inlets) {
        inlet = Bead(in, streams, small.streamClass);
    }
    const int64_t inletCount = static_cast<int64_t>(inlets.size());
    const int64_t outlet = Bead(in, streams, small.streamClass);
    Parameters parameters(in, meshBead);
    if (adjust) {
        // The growth method: entry 0 is the word of the method itself.
        parameters.index[0] =
            in.Byte() < 16 ? kIntMissing : static_cast<int64_t>(kTail + in.Below(16));
    }
    // The block gives the status block and method set; the beads passed are the fuzzer's.
    host::Block& block = small.host.AddBlock("FUZZ", {small.feed}, {small.feed});
    const int64_t estimate = static_cast<int64_t>(in.Below(3));
    int64_t result = 99;
    int64_t* status = Maybe(in, block.statusBlock.data());
    int64_t* methodSet = Maybe(in, block.methodSet.data());
    int64_t* ints = Maybe(in, parameters.ints.data());
    double* reals = Maybe(in, parameters.reals.data());
    const int64_t* index = Maybe(in, parameters.index.data());
    int64_t* out = Maybe(in, &result);
    const int64_t* beads = inlets.empty() ? nullptr : Maybe(in, inlets.data());
    if (adjust) {
        if (mix) {
            BXUT_ADJPSD_MIX(status, methodSet, ints, reals, &inletCount, beads, &outlet, index,
                            nullptr, out);
        } else {
            BXUT_ADJPSD(status, methodSet, ints, reals, beads, &outlet, index, nullptr, out);
        }
    } else {
        const int64_t* results = Maybe(in, parameters.results.data());
        const int64_t* flag = Maybe(in, &estimate);
        if (mix) {
            BXUT_SETPSD_MIX(status, methodSet, ints, reals, &inletCount, beads, &outlet, index,
                            results, out, flag);
        } else {
            BXUT_SETPSD(status, methodSet, ints, reals, beads, &outlet, index, results, out, flag);
        }
    }
    if (out && (result < 0 || result > 2)) {
        __builtin_trap();  // the result is 0, 1 or 2
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    for (int call = 0; call < 4 && !in.Empty(); ++call) {
        switch (in.Below(3)) {
            case 0:
                EvalDistributionFunction(in, small);
                break;
            case 1:
                SetOrAdjustPsd(in, small, false);
                break;
            default:
                SetOrAdjustPsd(in, small, true);
                break;
        }
    }
    return 0;
}
