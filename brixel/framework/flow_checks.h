#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/stream_class.h"

// Input checks shared by the flow edits and the mixing of new material into a stream: each
// throws brixel::kStatusFail on a value the stream must not receive.
namespace brixel::flow_checks {

// A temperature or pressure handed to ChangeStreamFlows or MixFlowsWithStream at this value
// is not given.
constexpr double kNotGiven = 1e35;

void RequireFinite(double value);
// A temperature or pressure entry: not given, or a finite positive value.
void RequireState(double value);
// One entry per component, every entry finite.
void RequireComponentEntries(const std::vector<double>& flows, int64_t ncc, int64_t nncc);

// Values of the "PSD" attribute of a substream: position from the substream's first word and
// count; count 0 when the substream has none.
struct PsdValues {
    int64_t first = 0;
    int64_t count = 0;
};
PsdValues PsdValuesOf(const StreamClassView& view, int64_t substream);

// A given PSD must fit every substream that carries one, and some substream must carry one.
void RequirePsdFits(const StreamClassView& view, const std::vector<double>& psd);

}  // namespace brixel::flow_checks
