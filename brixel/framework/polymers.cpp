// Solid polymers (solidmers): polymers, oligomers and catalysts below their melting
// temperature count as solids, and the polymer-rich liquid phase that a flash finds in the
// MIXED substream is treated as solid material.
#include <algorithm>
#include <initializer_list>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
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

namespace {

bool Contains(const std::vector<int>& list, int64_t c) {
    return std::find(list.begin(), list.end(), c) != list.end();
}

}  // namespace

double CBrixelBaseUnit::SolidmerFlow(const double* flows, int64_t count) const {
    double flow = 0.0;
    for (const int c : m_naSolidmers) {
        if (c < count && IsGiven(flows[c])) {
            flow += flows[c];
        }
    }
    return flow;
}

void CBrixelBaseUnit::CheckSolidPolymers(int inlet) {
    if (inlet >= 0 && inlet < m_nInlets) {
        CheckSolidPolymersStream(static_cast<int>(m_pInlets[inlet]));
    }
}

void CBrixelBaseUnit::CheckSolidPolymersStream(int bead) {
    if (m_naPolymers.empty() && m_naOligomers.empty() && m_naCatalysts.empty()) {
        return;
    }
    const int stream = BeadOf(bead);
    const int64_t word = stream;
    HostStreamVector(&word);
    HostUpdateComponentAttributes(&word);
    double temperature = 0.0;
    if (GetTemperature(stream, &temperature) != brixel::kStatusOk) {
        return;  // no temperature to compare a melting point with
    }
    // A solidmer is a solid with a size distribution: without a PSD on the first substream
    // there is nowhere to describe it.
    const brixel::StreamClassView view(StreamClassOf(stream));
    if (view.SubstreamCount() == 0 || !view.HasPsd(0)) {
        return;
    }
    for (const std::vector<int>* list : {&m_naPolymers, &m_naOligomers, &m_naCatalysts}) {
        for (const int c : *list) {
            if (!Contains(m_naSolidComps, c) && StaticGetTMeltPolyOligomer(c) > temperature) {
                m_naSolidComps.push_back(c);
                m_naSolidmers.push_back(c);
                m_bSolidmerNoPSD = true;
            }
        }
    }
}

double CBrixelBaseUnit::StaticGetTMeltPolyOligomer(int64_t c) {
    const int64_t* counts = HostComponentCounts();
    const int64_t ncc = counts ? counts[rec::kCountConventional] : 0;
    if (c < 0 || c >= ncc) {
        return 0.0;
    }
    std::vector<double> weights(static_cast<std::size_t>(ncc));
    for (int64_t i = 0; i < ncc; ++i) {
        weights[static_cast<std::size_t>(i)] = brixel::ComponentMolecularWeight(i);
    }
    std::vector<int64_t> components(static_cast<std::size_t>(ncc), 0);
    std::vector<double> temperatures(static_cast<std::size_t>(ncc), 0.0);
    int64_t listed = 0;
    HostPolymerMeltTemperature(weights.data(), &ncc, components.data(), temperatures.data(),
                               &listed);
    listed = std::clamp<int64_t>(listed, 0, ncc);
    for (int64_t j = 0; j < listed; ++j) {
        if (components[static_cast<std::size_t>(j)] == c + 1) {
            return temperatures[static_cast<std::size_t>(j)];
        }
    }
    return 0.0;
}

double CBrixelBaseUnit::GetLiquidFraction(int port, int substream) {
    const int bead = BeadOf(port);
    const brixel::StreamClassView view(StreamClassOf(bead));
    const double* vector = brixel::plex::RealRecord(bead);
    if (!vector || substream < 0 || substream >= view.SubstreamCount()) {
        throw brixel::kStatusFail;
    }
    const int64_t count = view.ComponentCount(substream);
    const double* flows = vector + view.Offset(substream);
    const double* state = flows + count;
    const double fraction = state[sv::kLiquidFraction];
    const double total = state[sv::kTotalFlow];
    if (view.Type(substream) != rec::kMixed || m_nSolidmerFlag == 0 || !IsGiven(fraction) ||
        !(total >= m_dblRMin) || !IsGiven(total) || !(SolidmerFlow(flows, count) >= m_dblRMin)) {
        return fraction;
    }
    // Part of the liquid is the polymer-rich phase, which counts as solid.
    const FlashOutputs results = PolymerFlashResults(bead, false);
    if (results.kind == 1) {
        return fraction * results.beta;
    }
    return results.kind == 2 ? fraction * (1.0 - results.beta) : 0.0;
}

double CBrixelBaseUnit::GetPolymerRichPhaseMoleFlow(int port) {
    const int bead = BeadOf(port);
    const brixel::StreamClassView view(StreamClassOf(bead));
    const double* vector = brixel::plex::RealRecord(bead);
    if (!IsSolidmerPresent() || !vector || view.SubstreamCount() == 0) {
        return 0.0;
    }
    const int64_t count = view.ComponentCount(0);
    const double* flows = vector + view.Offset(0);
    const double* state = flows + count;
    const double fraction = state[sv::kLiquidFraction];
    const double total = state[sv::kTotalFlow];
    const double liquid = IsGiven(fraction) && IsGiven(total) ? fraction * total : 0.0;
    if (!(liquid > 0.0)) {
        return 0.0;
    }
    const FlashOutputs results = PolymerFlashResults(bead, true);
    const int listed = results.count;
    const int64_t* components = results.components;
    const double* a = results.a;
    const double beta = results.beta;
    const int kind = results.kind;
    double flow = 0.0;
    if (kind == 1) {
        flow = liquid * (1.0 - beta);
    } else if (kind == 2) {
        flow = liquid * beta;
    } else if (a && components) {
        double solidmers = 0.0;
        for (int j = 0; j < listed; ++j) {
            if (Contains(m_naSolidmers, components[j])) {
                solidmers += a[j];
            }
        }
        if (solidmers > m_dblPolymerParameter && SolidmerFlow(flows, count) >= m_dblRMin) {
            flow = liquid;
        }
    }
    return flow < m_dblRMin ? 0.0 : flow;
}

double CBrixelBaseUnit::GetPolymerRichPhaseMassFlow(int port) {
    const double moles = GetPolymerRichPhaseMoleFlow(port);
    if (moles == 0.0) {
        return 0.0;
    }
    const FlashOutputs results = PolymerFlashResults(BeadOf(port), true);
    const int listed = results.count;
    const int64_t* components = results.components;
    const double* composition = results.RichComposition();
    if (!composition || !components) {
        return 0.0;
    }
    const int64_t* counts = HostComponentCounts();
    const int64_t ncc = counts ? counts[rec::kCountConventional] : 0;
    double weight = 0.0;
    for (int j = 0; j < listed; ++j) {
        int64_t component = components[j];
        if (component >= 0 && component < ncc) {
            weight += brixel::ComponentMolecularWeight(component) * composition[j];
        }
    }
    const double mass = moles * weight;
    return mass < m_dblRMin ? 0.0 : mass;
}

std::vector<double> CBrixelBaseUnit::GetPolymerRichPhaseFlows(int port, int64_t count) {
    std::vector<double> flows(static_cast<std::size_t>(std::max<int64_t>(count, 0)), 0.0);
    const double rich = IsSolidmerPresent() ? GetPolymerRichPhaseMoleFlow(port) : 0.0;
    if (!(rich > 0.0)) {
        return flows;
    }
    const FlashOutputs results = PolymerFlashResults(BeadOf(port), true);
    const double* z = results.RichComposition();
    for (int j = 0; z && results.components && j < results.count; ++j) {
        const int64_t c = results.components[j];
        if (c >= 0 && c < count) {
            flows[static_cast<std::size_t>(c)] += rich * z[j];
        }
    }
    return flows;
}

void CBrixelBaseUnit::GetSolidPolymerMoleFlowFraction(int port, double& flow, double& fraction) {
    flow = 0.0;
    fraction = 0.0;
    if (!IsSolidmerPresent()) {
        return;
    }
    // Overall component mole flows: each component summed over the substreams it lives in.
    const int bead = BeadOf(port);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    double sum = 0.0;
    double solidmers = 0.0;
    for (int64_t c = 0; c < ncc + nncc; ++c) {
        const double componentFlow = GetCompFlow(bead, c, -1, 1);
        sum += componentFlow;
        if (Contains(m_naSolidmers, c)) {
            solidmers += componentFlow;
        }
    }
    if (sum >= m_dblRMin) {
        flow = solidmers;
        fraction = flow / sum;
    }
}
