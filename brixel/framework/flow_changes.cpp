// Changes of component flows in a unit's streams: reading and setting one flow, adding and
// removing material with the substreams chosen for each component, and setting all flows.
//
// Every operation checks its input and finds where each amount goes before it writes a word,
// so that a rejected request leaves the stream as it was.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/flow_arithmetic.h"
#include "brixel/framework/flow_checks.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

using brixel::IsGiven;

using namespace brixel::flow_checks;

// ---- helpers -------------------------------------------------------------------------------

CBrixelBaseUnit::FlowTarget CBrixelBaseUnit::FlowTargetOf(int port) {
    const int bead = BeadOf(port);
    FlowTarget target{bead, StreamClassOf(bead), brixel::plex::RealRecord(bead)};
    if (!target.streamClass || !target.vector) {
        throw brixel::kStatusInvalidArgument;
    }
    return target;
}

void CBrixelBaseUnit::ComponentCounts(int64_t& ncc, int64_t& nncc) {
    const int64_t* counts = HostComponentCounts();
    ncc = counts ? std::max<int64_t>(counts[rec::kCountConventional], 0) : 0;
    nncc = counts ? std::max<int64_t>(counts[rec::kCountNonconventional], 0) : 0;
}

void CBrixelBaseUnit::CheckComponent(int64_t c) {
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    if (c < 0 || c >= ncc + nncc) {
        throw brixel::kStatusFail;
    }
}

std::vector<double> CBrixelBaseUnit::MolecularWeights(int64_t substreamType) {
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    // Non-conventional flows are kept as they are given, without a molecular weight.
    if (substreamType == rec::kNonconventional) {
        return std::vector<double>(static_cast<std::size_t>(nncc), 1.0);
    }
    std::vector<double> weights(static_cast<std::size_t>(ncc));
    for (int64_t i = 0; i < ncc; ++i) {
        weights[static_cast<std::size_t>(i)] = brixel::ComponentMolecularWeight(i);
    }
    return weights;
}

void CBrixelBaseUnit::SetComponentFlow(const FlowTarget& target, int substream, int64_t c,
                                       double flow) {
    const brixel::StreamClassView view(target.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    const int64_t type = view.Type(substream);
    const int64_t position = brixel::ComponentPosition(c, type, ncc, nncc);
    const int64_t count = view.ComponentCount(substream);
    if (position < 0 || position >= count) {
        throw brixel::kStatusFail;
    }
    double* words = target.vector + view.Offset(substream);
    const double old = words[position];
    if (old == flow) {
        return;
    }
    words[position] = flow;
    double& total = words[count + sv::kTotalFlow];
    if (IsGiven(total) && std::isfinite(total)) {
        // Rounding may leave a hair below zero when the last flow leaves.
        total = std::max(0.0, total + (flow - old));
    } else {
        total = std::accumulate(words, words + count, 0.0);
    }
    if (target.bead > 0) {
        const int64_t number = position + 1;
        HostUpdateClassData(&type, &number, words, &old, &words[position]);
    }
}

void CBrixelBaseUnit::ChooseSubstreams(const FlowTarget& target, int64_t c,
                                       std::vector<int>& substreams, bool& emptyTarget,
                                       bool& shared) const {
    substreams.clear();
    emptyTarget = false;
    shared = true;
    const brixel::StreamClassView view(target.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    const auto position = [&](int64_t k) {
        return brixel::ComponentPosition(c, view.Type(k), ncc, nncc);
    };
    if (!IsSolidComp(c)) {
        if (view.SubstreamCount() > 0 && position(0) >= 0) {
            substreams.push_back(0);
            return;
        }
        throw brixel::kStatusFail;
    }

    std::vector<int> candidates;
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        if (position(k) >= 0 && view.HasPsd(k)) {
            candidates.push_back(k);
        }
    }
    if (candidates.empty()) {
        for (int k = 0; k < view.SubstreamCount(); ++k) {
            if (position(k) >= 0) {
                candidates.push_back(k);
            }
        }
    }
    // Groups in order of preference: c alone, empty, c with others, others alone.
    std::vector<int> alone;
    std::vector<int> empty;
    std::vector<int> withOthers;
    std::vector<int> othersOnly;
    for (const int k : candidates) {
        const double* flows = target.vector + view.Offset(k);
        switch (brixel::SubstreamOccupancy(flows, view.ComponentCount(k), position(k))) {
            case 2:
                alone.push_back(k);
                break;
            case 1:
                withOthers.push_back(k);
                break;
            case 0:
                othersOnly.push_back(k);
                break;
            default:
                empty.push_back(k);
                break;
        }
    }
    if (!alone.empty()) {
        substreams = std::move(alone);
        shared = false;
    } else if (!empty.empty()) {
        substreams = std::move(empty);
        emptyTarget = true;
    } else if (!withOthers.empty()) {
        substreams = std::move(withOthers);
    } else if (!othersOnly.empty()) {
        substreams = std::move(othersOnly);
    } else {
        throw brixel::kStatusFail;
    }
}

std::set<int> CBrixelBaseUnit::AddFlow(const FlowTarget& target, int64_t c, double flow) {
    std::set<int> received;
    if (flow == 0.0) {
        return received;
    }
    std::vector<int> substreams;
    bool emptyTarget = false;
    bool shared = true;
    ChooseSubstreams(target, c, substreams, emptyTarget, shared);

    const brixel::StreamClassView view(target.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    const auto held = [&](int k) {
        return target
            .vector[view.Offset(k) + brixel::ComponentPosition(c, view.Type(k), ncc, nncc)];
    };
    std::vector<double> amounts;
    for (const int k : substreams) {
        amounts.push_back(held(k));
    }
    if (std::accumulate(amounts.begin(), amounts.end(), 0.0) > 0.0) {
        const std::vector<double> shares = brixel::ProportionalShares(amounts, flow);
        for (std::size_t i = 0; i < substreams.size(); ++i) {
            SetComponentFlow(target, substreams[i], c, amounts[i] + shares[i]);
            if (shared) {
                received.insert(substreams[i]);
            }
        }
        return received;
    }

    // Nothing of c yet: one substream takes it all, a solid substream rather than MIXED.
    int receiver = substreams.front();
    if (substreams.size() > 1) {
        const auto solid = std::find_if(substreams.begin(), substreams.end(),
                                        [&](int k) { return view.Type(k) != rec::kMixed; });
        if (solid != substreams.end()) {
            receiver = *solid;
        }
    }
    SetComponentFlow(target, receiver, c, held(receiver) + flow);
    received.insert(receiver);
    if (emptyTarget && receiver != 0) {
        // An empty substream takes the state of the first (MIXED) substream.
        const double* first = target.vector + view.Offset(0) + view.ComponentCount(0);
        double* state = target.vector + view.Offset(receiver) + view.ComponentCount(receiver);
        state[sv::kTemperature] = first[sv::kTemperature];
        state[sv::kPressure] = first[sv::kPressure];
    }
    return received;
}

std::set<int> CBrixelBaseUnit::RemoveFlow(const FlowTarget& target, int64_t c, double flow) {
    std::set<int> changed;
    const double amount = std::fabs(flow);
    if (amount == 0.0) {
        return changed;
    }
    const bool everything = amount == m_dblRMiss;
    const brixel::StreamClassView view(target.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    std::vector<int> own;
    std::vector<int> shared;
    std::vector<double> ownHeld;
    std::vector<double> sharedHeld;
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const int64_t position = brixel::ComponentPosition(c, view.Type(k), ncc, nncc);
        if (position < 0) {
            continue;
        }
        const double* flows = target.vector + view.Offset(k);
        const int occupancy = brixel::SubstreamOccupancy(flows, view.ComponentCount(k), position);
        if (occupancy == 2) {
            own.push_back(k);
            ownHeld.push_back(flows[position]);
        } else if (occupancy == 1) {
            shared.push_back(k);
            sharedHeld.push_back(flows[position]);
        }
    }
    const brixel::RemovalPlan plan = brixel::PlanRemoval(ownHeld, sharedHeld, amount);
    if (!everything && plan.rest > m_dblRMin) {
        throw brixel::kStatusFail;
    }
    const auto left = [](double held, double taken) { return taken >= held ? 0.0 : held - taken; };
    for (std::size_t i = 0; i < own.size(); ++i) {
        SetComponentFlow(target, own[i], c, left(ownHeld[i], plan.own[i]));
    }
    if (plan.takesShared) {
        for (std::size_t i = 0; i < shared.size(); ++i) {
            SetComponentFlow(target, shared[i], c, left(sharedHeld[i], plan.shared[i]));
            changed.insert(shared[i]);
        }
    }
    return changed;
}

// ---- operations ----------------------------------------------------------------------------

double CBrixelBaseUnit::GetCompFlow(int port, int64_t c, int substream, int basis) {
    const FlowTarget stream = FlowTargetOf(port);
    CheckComponent(c);
    if (substream < -1) {
        throw brixel::kStatusFail;
    }
    const brixel::StreamClassView view(stream.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    const bool everySubstream = substream == -1 || substream >= view.SubstreamCount();
    double flow = 0.0;
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const int64_t position = brixel::ComponentPosition(c, view.Type(k), ncc, nncc);
        if ((everySubstream || k == substream) && position >= 0) {
            const double value = stream.vector[view.Offset(k) + position];
            if (IsGiven(value)) {
                flow += value;
            }
        }
    }
    if (c < ncc && basis == 0) {
        const double weight = brixel::ComponentMolecularWeight(c);
        if (!(weight > 0.0 && IsGiven(weight))) {
            throw brixel::kStatusFail;
        }
        flow *= weight;
    }
    return flow;
}

void CBrixelBaseUnit::ChangeComponentFlow(int port, int substream, int64_t c, double massFlow) {
    const FlowTarget target = FlowTargetOf(port);
    CheckComponent(c);
    const brixel::StreamClassView view(target.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    if (substream < 0 || substream >= view.SubstreamCount() ||
        brixel::ComponentPosition(c, view.Type(substream), ncc, nncc) < 0 ||
        !std::isfinite(massFlow) || massFlow < 0.0) {
        throw brixel::kStatusFail;
    }
    double flow = massFlow;
    if (c < ncc) {
        const double weight = brixel::ComponentMolecularWeight(c);
        if (!(weight > 0.0 && IsGiven(weight))) {
            throw brixel::kStatusFail;
        }
        flow = massFlow / weight;
    }
    SetComponentFlow(target, substream, c, flow);
}

std::set<int> CBrixelBaseUnit::AddFlowToStream(int port, int64_t c, double flow) {
    const FlowTarget target = FlowTargetOf(port);
    CheckComponent(c);
    if (!std::isfinite(flow) || flow < 0.0) {
        throw brixel::kStatusFail;
    }
    return AddFlow(target, c, flow);
}

std::set<int> CBrixelBaseUnit::RemoveFlowFromStream(int port, int64_t c, double flow) {
    const FlowTarget target = FlowTargetOf(port);
    CheckComponent(c);
    RequireFinite(flow);
    return RemoveFlow(target, c, flow);
}

void CBrixelBaseUnit::FindCompSubstreams(int port, int64_t c, std::vector<int>& substreams,
                                         bool& emptyTarget, bool& shared) {
    const FlowTarget target = FlowTargetOf(port);
    CheckComponent(c);
    ChooseSubstreams(target, c, substreams, emptyTarget, shared);
}

int CBrixelBaseUnit::SubstreamHasCompFlow(int port, int substream, int64_t c) {
    const FlowTarget target = FlowTargetOf(port);
    CheckComponent(c);
    const brixel::StreamClassView view(target.streamClass);
    if (substream < 0 || substream >= view.SubstreamCount()) {
        throw brixel::kStatusFail;
    }
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    return brixel::SubstreamOccupancy(
        target.vector + view.Offset(substream), view.ComponentCount(substream),
        brixel::ComponentPosition(c, view.Type(substream), ncc, nncc));
}

void CBrixelBaseUnit::ChangeStreamFlows(int port, const std::vector<double>& flows,
                                        double temperature, double pressure,
                                        const std::vector<double>& psd) {
    const FlowTarget target = FlowTargetOf(port);
    const brixel::StreamClassView view(target.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    RequireComponentEntries(flows, ncc, nncc);
    RequireState(temperature);
    RequireState(pressure);
    RequirePsdFits(view, psd);
    const bool stateGiven = temperature < kNotGiven || pressure < kNotGiven || !psd.empty();
    const int64_t components = ncc + nncc;
    const int length = VectorLengthOf(target.bead);

    // Try the removals and the placement of every addition on a copy first: a removal larger
    // than the flow or a component without a place is refused before the stream changes.
    std::vector<double> scratch(target.vector, target.vector + length);
    {
        const FlowTarget trial{0, target.streamClass, scratch.data()};
        for (int64_t c = 0; c < components; ++c) {
            if (flows[c] < 0.0) {
                RemoveFlow(trial, c, -flows[c]);
            }
        }
        for (int64_t c = 0; c < components; ++c) {
            if (flows[c] > 0.0) {
                std::vector<int> substreams;
                bool emptyTarget = false;
                bool shared = true;
                ChooseSubstreams(trial, c, substreams, emptyTarget, shared);
            }
        }
    }
    // Whatever still fails (the host refusing a work stream) puts the stream back.
    std::copy(target.vector, target.vector + length, scratch.begin());
    const auto cached = m_mapFlashResults.find(target.bead);
    const std::optional<CFlashBuffer> savedResults =
        cached != m_mapFlashResults.end() ? std::optional<CFlashBuffer>(cached->second)
                                          : std::nullopt;
    try {
        std::set<int> collected;
        for (int64_t c = 0; c < components; ++c) {
            if (flows[c] < 0.0) {
                collected.merge(RemoveFlow(target, c, -flows[c]));
            }
        }
        if (!stateGiven) {
            for (int64_t c = 0; c < components; ++c) {
                if (flows[c] > 0.0) {
                    collected.merge(AddFlow(target, c, flows[c]));
                }
            }
        }
        if (!collected.empty()) {
            const auto stateOf = [&](int k, int64_t entry) {
                return target.vector[view.Offset(k) + view.ComponentCount(k) + entry];
            };
            if (!HasThermalEquilibrium(target.bead)) {
                for (const int k : collected) {
                    FlashStream(target.bead, brixel::kFlashTP, stateOf(k, sv::kTemperature),
                                stateOf(k, sv::kPressure), kNotGiven, true, k);
                }
            } else {
                const int first = *collected.begin();
                FlashStream(target.bead, brixel::kFlashTP, stateOf(first, sv::kTemperature),
                            stateOf(first, sv::kPressure), kNotGiven, true,
                            std::vector<int>(collected.begin(), collected.end()), 0);
            }
        }
        if (stateGiven) {
            std::vector<double> added(flows.size(), 0.0);
            std::transform(flows.begin(), flows.end(), added.begin(),
                           [](double flow) { return std::max(flow, 0.0); });
            if (std::any_of(added.begin(), added.end(), [](double flow) { return flow > 0.0; })) {
                MixFlowsWithStream(target.bead, added, temperature, pressure, psd);
            }
        }
    } catch (...) {
        std::copy(scratch.begin(), scratch.end(), target.vector);
        if (savedResults) {
            m_mapFlashResults[target.bead] = *savedResults;
        } else {
            m_mapFlashResults.erase(target.bead);
        }
        throw;
    }
}
