#include "brixel/framework/flow_arithmetic.h"

#include <algorithm>
#include <numeric>

#include "brixel/framework/records.h"

namespace brixel {

int64_t ComponentPosition(int64_t c, int64_t substreamType, int64_t ncc, int64_t nncc) {
    if (c < 0 || c >= ncc + nncc) {
        return -1;
    }
    if (substreamType == records::kNonconventional) {
        return c >= ncc ? c - ncc : -1;
    }
    if (substreamType == records::kMixed || substreamType == records::kCiSolid) {
        return c < ncc ? c : -1;
    }
    return -1;
}

int SubstreamOccupancy(const double* flows, int64_t count, int64_t position) {
    bool component = false;
    bool others = false;
    for (int64_t i = 0; i < count; ++i) {
        if (flows[i] != 0.0) {
            (i == position ? component : others) = true;
        }
    }
    if (component) {
        return others ? 1 : 2;
    }
    return others ? 0 : -1;
}

std::vector<double> ProportionalShares(const std::vector<double>& held, double amount) {
    const double sum = std::accumulate(held.begin(), held.end(), 0.0);
    std::vector<double> shares(held.size(), 0.0);
    if (sum > 0.0) {
        for (std::size_t i = 0; i < held.size(); ++i) {
            shares[i] = held[i] / sum * amount;
        }
    }
    return shares;
}

RemovalPlan PlanRemoval(const std::vector<double>& own, const std::vector<double>& shared,
                        double amount) {
    RemovalPlan plan;
    plan.own.assign(own.size(), 0.0);
    plan.shared.assign(shared.size(), 0.0);
    double rest = amount;
    if (!own.empty()) {
        const double held = std::accumulate(own.begin(), own.end(), 0.0);
        if (held < amount) {
            plan.own = own;
            rest = amount - held;
        } else {
            plan.own = ProportionalShares(own, amount);
            // A share may round a hair above what its substream holds.
            for (std::size_t i = 0; i < own.size(); ++i) {
                plan.own[i] = std::min(plan.own[i], own[i]);
            }
            rest = 0.0;
        }
    }
    if (!shared.empty() && rest != 0.0 &&
        rest <= std::accumulate(shared.begin(), shared.end(), 0.0)) {
        plan.shared = ProportionalShares(shared, rest);
        for (std::size_t i = 0; i < shared.size(); ++i) {
            plan.shared[i] = std::min(plan.shared[i], shared[i]);
        }
        plan.takesShared = true;
        rest = 0.0;
    }
    plan.rest = rest;
    return plan;
}

double MeanMolecularWeight(const double* flows, const double* molecularWeights, int64_t count,
                           double total) {
    if (!(total > 0.0)) {
        return 0.0;
    }
    double mass = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        mass += molecularWeights[i] * flows[i];
    }
    return mass / total;
}

}  // namespace brixel
