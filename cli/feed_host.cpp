#include "cli/feed_host.h"

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "brixel/framework/flash_kode.h"
#include "brixel/properties/phase_properties.h"
#include "host/databank.h"

namespace brixel::cli {

namespace {

constexpr double kUnavailable = std::numeric_limits<double>::quiet_NaN();

std::vector<host::Substream> StreamClassOf(const FeedCase& feed) {
    std::vector<host::Substream> substreams;
    for (const SubstreamCase& substream : feed.substreams) {
        host::Substream entry{substream.id, substream.type == "MIXED" ? 1 : 2, {}};
        if (!substream.psdMesh.empty()) {
            entry.attributes.push_back(host::Psd(substream.psdMesh));
        }
        substreams.push_back(std::move(entry));
    }
    return substreams;
}

host::SubstreamState StateOf(const FeedCase& feed, const SubstreamCase& substream) {
    host::SubstreamState state;
    state.flows.assign(feed.components.size(), 0.0);
    for (const auto& [id, massFlow] : substream.massFlows) {
        for (std::size_t i = 0; i < feed.components.size(); ++i) {
            if (feed.components[i] == id) {
                state.flows[i] = massFlow / host::databank::FindSubstance(id)->molecularWeight;
            }
        }
    }
    state.temperature = feed.temperature;
    state.pressure = feed.pressure;
    state.psd = substream.psd;
    return state;
}

double PhaseMassFlow(CBrixelBaseUnit& unit, int bead, int phase) {
    double value = 0.0;
    const long status =
        unit.GetSinglePhaseProp(bead, kPropertyTotalFlow, phase, &value, kBasisMass);
    return status < 0 ? kUnavailable : value;
}

// kg/s of each component over all substreams; NaN where the unit cannot read one.
std::vector<double> ComponentMassFlows(CBrixelBaseUnit& unit, int bead) {
    CComSafeArray<BSTR> ids;
    if (unit.GetCompoundList(ids) < 0) {
        return {};
    }
    std::vector<double> flows;
    for (uint32_t c = 0; c < ids.GetCount(); ++c) {
        try {
            flows.push_back(unit.GetCompFlow(bead, c, -1, kBasisMass));
        } catch (long) {
            flows.push_back(kUnavailable);
        }
    }
    return flows;
}

}  // namespace

FeedStreams BuildFeed(host::SubstituteHost& simulator, const FeedCase& feed, int outletCount) {
    FeedStreams streams;
    try {
        for (const std::string& id : feed.components) {
            simulator.AddDatabankComponent(id);
        }
        const int64_t streamClass =
            simulator.AddStreamClass(feed.streamClassType, StreamClassOf(feed));
        streams.feed = simulator.AddStream(streamClass);
        for (int i = 0; i < outletCount; ++i) {
            streams.outlets.push_back(simulator.AddStream(streamClass));
        }
        for (std::size_t k = 0; k < feed.substreams.size(); ++k) {
            simulator.SetSubstream(streams.feed, static_cast<int>(k),
                                   StateOf(feed, feed.substreams[k]));
        }
        streams.block = &simulator.AddBlock(feed.blockId, {streams.feed}, streams.outlets);
    } catch (const std::exception& error) {
        throw CaseRunError(std::string("the host refused the case: ") + error.what());
    }
    return streams;
}

void BindUnit(CBrixelBaseUnit& unit, host::Block& block) {
    int64_t inletCount = static_cast<int64_t>(block.inlets.size());
    int64_t outletCount = static_cast<int64_t>(block.outlets.size());
    unit.SetStreamBeads(&inletCount, block.inlets.data(), &outletCount, block.outlets.data());
    unit.SetUnitBeads(block.intParameters.data(), block.realParameters.data());
    int64_t unused = 0;
    unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
    unit.SetBlockID(block.id.data(), 1);
}

void FlashFeed(CBrixelBaseUnit& unit, const FeedCase& feed, int64_t bead) {
    if (!unit.FlashStream(static_cast<int>(bead), kFlashTP, feed.temperature, feed.pressure,
                          CBrixelBaseUnit::m_dblRMiss, true)) {
        std::ostringstream text;
        text << "the feed cannot be brought to equilibrium at " << feed.temperature << " K and "
             << feed.pressure << " Pa";
        throw CaseRunError(text.str());
    }
}

StreamSummary Summarize(CBrixelBaseUnit& unit, int64_t streamBead, std::vector<double>* mesh) {
    const int bead = static_cast<int>(streamBead);
    StreamSummary summary;
    summary.vapour = PhaseMassFlow(unit, bead, kPhaseVapor);
    summary.liquid = PhaseMassFlow(unit, bead, kPhaseLiquid);
    summary.solid = PhaseMassFlow(unit, bead, kPhaseSolid);
    summary.componentMass = ComponentMassFlows(unit, bead);
    if (unit.GetTemperature(bead, &summary.temperature) < 0) {
        summary.temperature = kUnavailable;
    }
    if (unit.GetPressure(bead, &summary.pressure) < 0) {
        summary.pressure = kUnavailable;
    }
    CComBSTR unitName;
    CComSafeArray<VARIANT> boundaries;
    CComSafeArray<double> fractions;
    if (summary.solid > 0.0 && unit.GetSolidAttribute(bead, CComBSTR("PSD"), unitName, boundaries,
                                                      fractions, kPhaseSolid) >= 0) {
        for (uint32_t i = 0; i < fractions.GetCount(); ++i) {
            summary.psd.push_back(fractions.GetAt(fractions.GetLowerBound() + i));
        }
        if (mesh && mesh->empty()) {
            for (uint32_t i = 0; i < boundaries.GetCount(); ++i) {
                const VARIANT& boundary = boundaries.GetAt(boundaries.GetLowerBound() + i);
                mesh->push_back(boundary.vt == VT_R8 ? boundary.dblVal : kUnavailable);
            }
        }
    }
    return summary;
}

}  // namespace brixel::cli
