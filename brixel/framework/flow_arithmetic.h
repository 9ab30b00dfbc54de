#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"

// Arithmetic of component flows that needs no unit: where a component lives in a substream,
// how a substream is occupied, and how an added or removed amount is shared out.
namespace brixel {

// Position of component c (0-based; conventional components first, then the
// non-conventional ones) among the flows of a substream of `substreamType`: c in MIXED and
// CISOLID substreams, c - ncc in NC substreams; -1 when c does not live in such a substream
// or is out of range.
int64_t ComponentPosition(int64_t c, int64_t substreamType, int64_t ncc, int64_t nncc);

// Occupancy of a substream with `count` flows by the component at `position` (-1: the
// component has no place there): 2 only it flows, 1 it and others, 0 only others, -1 nothing.
int SubstreamOccupancy(const double* flows, int64_t count, int64_t position);

// `amount` split in proportion to `held` (whose sum must be above 0).
std::vector<double> ProportionalShares(const std::vector<double>& held, double amount);

// What to take from the substreams that hold a component alone (`own`) and from those that
// share it with other components (`shared`) to remove `amount`.
struct RemovalPlan {
    std::vector<double> own;     // taken from each own substream
    std::vector<double> shared;  // taken from each shared substream (all 0 when untouched)
    bool takesShared = false;    // the shared substreams give something
    double rest = 0.0;           // the part that no substream could give
};

// The own substreams give first: all they hold when that is less than the amount, else
// their shares of it. The rest comes from the shared substreams in proportion when they
// hold enough, and is left as `rest` when they do not.
RemovalPlan PlanRemoval(const std::vector<double>& own, const std::vector<double>& shared,
                        double amount);

// Mean molecular weight sum(MW_i * flow_i) / total; 0 for a total not above 0.
double MeanMolecularWeight(const double* flows, const double* molecularWeights, int64_t count,
                           double total);

}  // namespace brixel
