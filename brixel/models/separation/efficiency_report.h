#pragma once

#include <cstdint>
#include <string>

namespace brixel {

// Fixed-format real of width 12 with 5 significant digits, as the report's G12.5 edit
// descriptor writes it: fixed point for magnitudes from 0.1 to below 1e5, else 0.ddddde+xx.
std::string FormatG12(double value);

// Writes the grade-efficiency curves of the product against the feed (stream beads of one
// class) into the host's report and the block's summary: one section per solid substream
// with a curve, and the overall curve. A MIXED substream counts when the host shows solid
// polymer in it. blockId: 2 packed words. Returns the status of the curve computation.
long ReportEfficiencyCurves(const int64_t* blockId, int64_t feed, int64_t product);

}  // namespace brixel
