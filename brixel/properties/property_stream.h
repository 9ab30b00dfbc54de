#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/stream_class.h"
#include "brixel/properties/phase_properties.h"

namespace brixel {

// A stream named by port or bead, resolved once for the property operations.
struct PropertyStream {
    int bead = 0;
    StreamClassView view;
    double* vector = nullptr;
    std::vector<SubstreamSlice> substreams;
};

// Throws 0x80070057 for a designator that is no port or bead of the unit, and 0x80004005 for a
// stream without class record or vector.
PropertyStream ResolvePropertyStream(CBrixelBaseUnit& unit, int64_t stream);

// Throws 0x80070057 unless the basis is mass, mole or total.
void CheckBasis(int basis);

// Conventional molecular weights ("MW", kg/kmol), NCC entries.
std::vector<double> ConventionalWeights();
int64_t ConventionalCount();
int64_t NonconventionalCount();

// Writes a component flow and tells the host of the change.
void WriteComponentFlow(const SubstreamSlice& sub, int64_t i, double flow);
// Multiplies the substream's total and component flows by `ratio`.
void ScaleSubstream(const SubstreamSlice& sub, double ratio);
// Total and molecular weight (kg/kmol) from the component flows; NC components weigh 1.
void RecomputeSubstreamTotals(const SubstreamSlice& sub, const std::vector<double>& weights);

}  // namespace brixel
