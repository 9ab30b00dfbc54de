#pragma once

#include <utility>
#include <vector>

#include "host/substitute_host.h"

namespace brixel::testing {

// The CISOLID substream of a stream of nitrogen, water and silica (in that component order):
// silica (kmol/s) at T (K) and P (Pa), no vapour or liquid, the given PSD; the density only
// when one is given.
inline host::SubstreamState SilicaSolid(double silicaFlow, double temperature, double pressure,
                                        std::vector<double> psd,
                                        double density = host::kRealMissing) {
    host::SubstreamState state;
    state.flows = {0.0, 0.0, silicaFlow};
    state.temperature = temperature;
    state.pressure = pressure;
    state.vaporFraction = 0.0;
    state.liquidFraction = 0.0;
    state.density = density;
    state.psd = std::move(psd);
    return state;
}

}  // namespace brixel::testing
