#pragma once

#include <array>
#include <utility>
#include <vector>

#include "host/substitute_host.h"
#include "support/substream_states.h"
#include "support/unit_fixture.h"

namespace brixel::testing {

// Binds the unit to a new block "B1" with one inlet and one outlet, ports "IN" and "OUT";
// `counts` holds the port counts the unit keeps pointers to.
inline host::Block& BindOneInOneOut(host::SubstituteHost& host, TestUnit& unit, int64_t inlet,
                                    int64_t outlet, std::array<int64_t, 2>& counts) {
    host::Block& block = host.AddBlock("B1", {inlet}, {outlet});
    counts = {1, 1};
    unit.SetStreamBeads(&counts[0], block.inlets.data(), &counts[1], block.outlets.data());
    unit.SetUnitBeads(block.intParameters.data(), block.realParameters.data());
    int64_t unused = 0;
    unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
    unit.SetBlockID(block.id.data(), 1);
    unit.NamePorts({"IN", "OUT"});
    return block;
}

// Real substances from the host's databank: nitrogen, water and silica, in a stream class of
// a MIXED substream and a CISOLID substream with a two-interval PSD.
class ThermoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nitrogen = host.AddDatabankComponent("N2");
        water = host.AddDatabankComponent("WATER");
        silica = host.AddDatabankComponent("SIO2");
        streamClass = host.AddStreamClass(
            "MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 1e-5, 1e-4})}}});
        plex::SetupFromHost();
    }

    // A MIXED substream with the given flows (kmol/s), vapour fraction and state.
    static host::SubstreamState Fluid(std::vector<double> flows, double temperature,
                                      double vaporFraction, double pressure = 1e5) {
        host::SubstreamState state;
        state.flows = std::move(flows);
        state.temperature = temperature;
        state.pressure = pressure;
        state.vaporFraction = vaporFraction;
        state.liquidFraction = 1.0 - vaporFraction;
        return state;
    }

    static host::SubstreamState Solid(double silicaFlow, double temperature,
                                      double pressure = 1e5) {
        return SilicaSolid(silicaFlow, temperature, pressure, {0.4, 0.6});
    }

    int64_t Stream(const host::SubstreamState& mixed, const host::SubstreamState& solid) {
        const int64_t bead = host.AddStream(streamClass);
        host.SetSubstream(bead, 0, mixed);
        host.SetSubstream(bead, 1, solid);
        return bead;
    }

    // Binds the unit to one inlet and one outlet, ports "IN" and "OUT".
    host::Block& Bind(TestUnit& unit, int64_t inlet, int64_t outlet) {
        return BindOneInOneOut(host, unit, inlet, outlet, counts);
    }

    std::vector<double> Vector(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + host.VectorLength(bead)};
    }

    // Stream-vector entry `entry` (brixel::stream_vector) of a substream.
    double& State(int64_t bead, int substream, int64_t entry) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + 3 + entry];
    }
    double& Flow(int64_t bead, int substream, int component) {
        return host.StreamVector(bead)[host.SubstreamOffset(bead, substream) + component];
    }

    host::SubstituteHost host;
    int64_t nitrogen = 0, water = 0, silica = 0, streamClass = 0;
    std::array<int64_t, 2> counts{};
};

}  // namespace brixel::testing
