#pragma once

#include <cstdint>
#include <vector>

#include "host/substitute_host_impl.h"

namespace brixel::host {

// Adiabatic mix of streams of one class into the first of them. Component flows add substream by
// substream; totals and molecular weights follow from them. Attribute values mix by mass (a PSD
// by each substream's mass flow, NC moisture by the component's flow), over the streams that
// give them. The pressure is the lowest one given by a stream with flow; the target takes the
// sum of the enthalpy flows through a PQ flash of all its substreams. `classPosition`, when not
// 0, must be the plex position of the class record. Returns a flash status (host/flash.h); on
// failure every stream is as before.
int64_t MixStreams(SubstituteHost::Impl& impl, const std::vector<int64_t>& beads,
                   int64_t classPosition, int64_t& targetRealPosition);

}  // namespace brixel::host
