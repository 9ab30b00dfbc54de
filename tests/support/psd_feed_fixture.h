#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "brixel/framework/plex.h"
#include "brixel/framework/stream_vector.h"
#include "host/substitute_host.h"

namespace brixel::testing {

// A host with N2, WATER and SIO2 from the databank (so that its mixer can flash) and a class
// MIXED + CISOLID with a 6-interval PSD mesh, for the distribution models.
class PsdFeedTest : public ::testing::Test {
  public:
    static inline const std::vector<double> kPsdMesh = {0.0,  1e-5,   2e-5,  4e-5,
                                                        8e-5, 1.6e-4, 3.2e-4};
    static inline const std::vector<double> kFeedPsd = {0.3, 0.25, 0.2, 0.15, 0.07, 0.03};

  protected:
    void SetUp() override {
        for (const char* name : {"N2", "WATER", "SIO2"}) {
            host.AddDatabankComponent(name);
        }
        psdClass = host.AddStreamClass("MIXPSD",
                                       {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd(kPsdMesh)}}});
        plex::SetupFromHost();
    }

    // 1 kmol/s of N2 and `solids` kmol/s of SIO2 (60.084 kg/kmol) at 300 K and 1 bar.
    int64_t Feed(double solids, const std::vector<double>& psd = kFeedPsd) {
        const int64_t bead = host.AddStream(psdClass);
        host::SubstreamState state;
        state.temperature = 300.0;
        state.pressure = 1e5;
        state.vaporFraction = 1.0;
        state.liquidFraction = 0.0;
        state.flows = {1.0, 0.0, 0.0};
        host.SetSubstream(bead, 0, state);
        state.vaporFraction = 0.0;
        state.density = 2650.0;
        state.flows = {0.0, 0.0, solids};
        state.psd = psd;
        host.SetSubstream(bead, 1, state);
        return bead;
    }

    // Solids only, in two CISOLID substreams "CI1" and "CI2" on one mesh: SIO2 of the given
    // mass flows (kg/s) and PSDs. The class is made on the first call.
    int64_t TwoSolidFeed(const std::vector<double>& mesh, double mass1, std::vector<double> psd1,
                         double mass2, std::vector<double> psd2) {
        if (twoSolidClass == 0) {
            twoSolidClass = host.AddStreamClass(
                "MIXCI2",
                {{"MIXED", 1, {}}, {"CI1", 2, {host::Psd(mesh)}}, {"CI2", 2, {host::Psd(mesh)}}});
            plex::SetupFromHost();
        }
        const int64_t bead = host.AddStream(twoSolidClass);
        host::SubstreamState state;
        state.temperature = 300.0;
        state.pressure = 1e5;
        state.density = 2650.0;
        state.flows = {0.0, 0.0, mass1 / kSilicaWeight};
        state.psd = std::move(psd1);
        host.SetSubstream(bead, 1, state);
        state.flows = {0.0, 0.0, mass2 / kSilicaWeight};
        state.psd = std::move(psd2);
        host.SetSubstream(bead, 2, state);
        return bead;
    }

    // The PSD fractions of a substream with the class's 6-interval mesh.
    std::vector<double> Psd(int64_t bead, int substream = 1) {
        const double* v = host.StreamVector(bead) + host.SubstreamOffset(bead, substream) + 3 +
                          stream_vector::kStateWords;
        return {v, v + kFeedPsd.size()};
    }
    std::vector<double> Flows(int64_t bead, int substream) {
        const double* v = host.StreamVector(bead) + host.SubstreamOffset(bead, substream);
        return {v, v + 3};
    }
    std::vector<double> Vector(int64_t bead) {
        const double* v = host.StreamVector(bead);
        return {v, v + host.VectorLength(bead)};
    }

    static constexpr double kSilicaWeight = 60.084;  // kg/kmol
    host::SubstituteHost host;
    int64_t psdClass = 0;
    int64_t twoSolidClass = 0;
};

}  // namespace brixel::testing
