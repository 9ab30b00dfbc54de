#pragma once

// A small substitute host for the fuzz targets: N2, WATER and SIO2, the NC component COAL, a
// stream class with a MIXED and a CISOLID substream (PSD of three intervals), and one feed.
// A fresh host per input, so that nothing one input does reaches the next.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "brixel/framework/plex.h"
#include "brixel/framework/stream_vector.h"
#include "fuzz/fuzz_input.h"
#include "host/substitute_host.h"

namespace brixel::fuzz {

struct SmallHost {
    static constexpr std::size_t kPlexWords = std::size_t{1} << 15;

    SmallHost() : host(kPlexWords) {
        for (const char* id : {"N2", "WATER", "SIO2"}) {
            host.AddDatabankComponent(id);
        }
        host.AddNonconventionalComponent("COAL");
        streamClass =
            host.AddStreamClass("MIXCINC", {{"MIXED", 1, {}},
                                            {"CISOLID", 2, {host::Psd({0.0, 1e-5, 1e-4, 1e-3})}},
                                            {"NC", 3, {}}});
        feed = AddStream({0.1, 0.01, 0.0}, 0.02, 320.0, host::kRealMissing);
        plex::SetupFromHost();
    }

    // A stream of the class at 1 bar: `fluid` kmol/s in MIXED, `solids` kmol/s of SIO2 in
    // CISOLID with the PSD 0.2, 0.5, 0.3.
    int64_t AddStream(std::vector<double> fluid, double solids, double temperature,
                      double density) {
        const int64_t bead = host.AddStream(streamClass);
        host::SubstreamState state;
        state.flows = std::move(fluid);
        state.temperature = temperature;
        state.pressure = 1e5;
        host.SetSubstream(bead, 0, state);
        state.flows = {0.0, 0.0, solids};
        state.density = density;
        state.psd = {0.2, 0.5, 0.3};
        host.SetSubstream(bead, 1, state);
        return bead;
    }

    // A copy of the feed whose solids flow, density and PSD the fuzzer may scale or overwrite
    // in the stream vector, as a host may leave them (NaN, negative, missing, huge).
    int64_t SolidStream(FuzzInput& in) {
        const int64_t bead =
            AddStream({0.1, 0.0, 0.0}, 0.02 * (1 + in.Byte() / 64.0), 300.0, 2650.0);
        // Flows, state and PSD of the CISOLID substream: 3 components, the state, 3 fractions.
        double* words = host.StreamVector(bead) + host.SubstreamOffset(bead, 1);
        const int64_t density = 3 + stream_vector::kDensity;
        const int64_t psd = 3 + stream_vector::kStateWords;
        for (const int64_t word : {int64_t{2}, density, psd, psd + 1, psd + 2}) {
            if (in.Byte() < 24) {
                words[word] = in.Number(host::kRealMissing);
            }
        }
        return bead;
    }

    host::SubstituteHost host;
    int64_t streamClass = 0;
    int64_t feed = 0;
};

}  // namespace brixel::fuzz
