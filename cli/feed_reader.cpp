#include "cli/feed_reader.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

#include "host/databank.h"

namespace brixel::cli {

namespace {

// Fractions of a PSD written as decimals add up to 1 within rounding; more is a mistake.
constexpr double kPsdSumTolerance = 1e-6;

void ReadComponents(const YamlReader& in, const YAML::Node& node, FeedCase& result) {
    if (!node.IsSequence() || node.size() == 0) {
        in.Fail(node, "components must be a non-empty list of component IDs");
    }
    for (const YAML::Node& element : node) {
        const std::string id = in.Text(element, "a component ID");
        if (!host::databank::FindSubstance(id)) {
            in.Fail(element, "unknown component " + Quoted(id) +
                                 ": the host's databank has WATER, N2, O2, AR, CO2, ETHANOL "
                                 "(fluids) and SIO2, CACO3, AL2O3, NACL (solids)");
        }
        if (std::find(result.components.begin(), result.components.end(), id) !=
            result.components.end()) {
            in.Fail(element, "component " + Quoted(id) + " is listed twice");
        }
        result.components.push_back(id);
    }
}

void ReadStreamClass(const YamlReader& in, const YAML::Node& node, FeedCase& result) {
    in.CheckMap(node, "stream_class", {"type", "substreams"});
    if (const YAML::Node type = node["type"]) {
        result.streamClassType = in.Identifier(type, "the stream-class type");
    }
    const YAML::Node list = in.Required(node, "substreams", "stream_class");
    if (!list.IsSequence() || list.size() == 0) {
        in.Fail(list, "substreams must be a non-empty list");
    }
    for (const YAML::Node& entry : list) {
        in.CheckMap(entry, "a substream", {"id", "type", "psd_mesh"});
        SubstreamCase substream;
        const YAML::Node id = in.Required(entry, "id", "a substream");
        substream.id = in.Identifier(id, "the substream ID");
        for (const SubstreamCase& other : result.substreams) {
            if (other.id == substream.id) {
                in.Fail(id, "substream ID " + Quoted(substream.id) + " is used twice");
            }
        }
        const YAML::Node type = in.Required(entry, "type", "substream " + substream.id);
        substream.type = in.Text(type, "the substream type");
        const bool first = result.substreams.empty();
        if (substream.type != "MIXED" && substream.type != "CISOLID") {
            in.Fail(type,
                    "substream type must be 'MIXED' or 'CISOLID', not " + Quoted(substream.type));
        }
        if (first && substream.type != "MIXED") {
            in.Fail(type, "the first substream must be of type 'MIXED'");
        }
        if (!first && substream.type != "CISOLID") {
            in.Fail(type, "only the first substream is 'MIXED'; further ones are 'CISOLID'");
        }
        if (const YAML::Node mesh = entry["psd_mesh"]) {
            if (substream.type != "CISOLID") {
                in.Fail(mesh, "only a 'CISOLID' substream carries a psd_mesh");
            }
            substream.psdMesh = in.Numbers(mesh, "psd_mesh");
            if (substream.psdMesh.size() < 2) {
                in.Fail(mesh, "psd_mesh needs at least 2 boundaries (one interval)");
            }
            for (std::size_t i = 0; i < substream.psdMesh.size(); ++i) {
                if (substream.psdMesh[i] < 0.0) {
                    in.Fail(mesh[i], "psd_mesh boundaries must not be negative (m)");
                }
                if (i > 0 && substream.psdMesh[i] <= substream.psdMesh[i - 1]) {
                    in.Fail(mesh[i], "psd_mesh boundaries must increase strictly");
                }
            }
        }
        result.substreams.push_back(std::move(substream));
    }
}

void ReadFeedSubstream(const YamlReader& in, const YAML::Node& node, const FeedCase& result,
                       SubstreamCase& substream) {
    const std::string context = "feed substream " + substream.id;
    in.CheckMap(node, context, {"flows", "psd"});
    const YAML::Node flows = in.Required(node, "flows", context);
    if (!flows.IsMap()) {
        in.Fail(flows, "flows must be a map from component ID to mass flow in kg/s");
    }
    std::set<std::string> seen;
    const bool solids = substream.type == "CISOLID";
    for (const auto& entry : flows) {
        const std::string id = in.Text(entry.first, "a component ID");
        if (!seen.insert(id).second) {
            in.Fail(entry.first, "duplicate key " + Quoted(id) + " in flows of " + substream.id);
        }
        if (std::find(result.components.begin(), result.components.end(), id) ==
            result.components.end()) {
            in.Fail(entry.first, "component " + Quoted(id) + " is not in the components list");
        }
        const bool solid = host::databank::FindSubstance(id)->solid != nullptr;
        if (solid && !solids) {
            in.Fail(entry.first,
                    Quoted(id) + " is a solid: its flow belongs in a 'CISOLID' substream");
        }
        if (!solid && solids) {
            in.Fail(entry.first,
                    Quoted(id) + " is a fluid: its flow belongs in the 'MIXED' substream");
        }
        const double flow = in.Number(entry.second, "the mass flow of " + id);
        if (flow < 0.0) {
            in.Fail(entry.second, "the mass flow of " + id + " must not be negative (kg/s)");
        }
        substream.massFlows.emplace_back(id, flow);
    }
    if (const YAML::Node psd = node["psd"]) {
        if (substream.psdMesh.empty()) {
            in.Fail(psd, "substream " + substream.id + " has no psd_mesh in stream_class");
        }
        substream.psd = in.Numbers(psd, "psd");
        const std::size_t needed = substream.psdMesh.size() - 1;
        if (substream.psd.size() != needed) {
            in.Fail(psd, "psd has " + std::to_string(substream.psd.size()) +
                             " fractions; the psd_mesh of " + substream.id + " has " +
                             std::to_string(substream.psdMesh.size()) + " boundaries, so " +
                             std::to_string(needed) + " are needed");
        }
        double sum = 0.0;
        for (std::size_t i = 0; i < substream.psd.size(); ++i) {
            if (substream.psd[i] < 0.0) {
                in.Fail(psd[i], "psd fractions must not be negative");
            }
            sum += substream.psd[i];
        }
        if (std::fabs(sum - 1.0) > kPsdSumTolerance) {
            std::ostringstream text;
            text << "psd fractions add up to " << sum << ", not 1";
            in.Fail(psd, text.str());
        }
    }
}

void ReadFeed(const YamlReader& in, const YAML::Node& node, FeedCase& result) {
    in.CheckMap(node, "feed", {"temperature", "pressure", "substreams"});
    const YAML::Node temperature = in.Required(node, "temperature", "feed");
    result.temperature = in.Number(temperature, "the feed temperature");
    if (result.temperature <= 0.0) {
        in.Fail(temperature, "the feed temperature must be above 0 K");
    }
    const YAML::Node pressure = in.Required(node, "pressure", "feed");
    result.pressure = in.Number(pressure, "the feed pressure");
    if (result.pressure <= 0.0) {
        in.Fail(pressure, "the feed pressure must be above 0 Pa");
    }
    const YAML::Node substreams = in.Required(node, "substreams", "feed");
    if (!substreams.IsMap()) {
        in.Fail(substreams, "feed substreams must be a map from substream ID to its feed");
    }
    std::vector<std::string> ids;
    for (const SubstreamCase& substream : result.substreams) {
        ids.push_back(substream.id);
    }
    std::set<std::string> seen;
    double totalFlow = 0.0;
    for (const auto& entry : substreams) {
        const std::string id = in.Text(entry.first, "a substream ID");
        if (!seen.insert(id).second) {
            in.Fail(entry.first, "duplicate key " + Quoted(id) + " in feed substreams");
        }
        const auto found = std::find(ids.begin(), ids.end(), id);
        if (found == ids.end()) {
            in.Fail(entry.first,
                    "feed substream " + Quoted(id) + " is not a substream of stream_class");
        }
        SubstreamCase& substream = result.substreams[found - ids.begin()];
        ReadFeedSubstream(in, entry.second, result, substream);
        for (const auto& flow : substream.massFlows) {
            totalFlow += flow.second;
        }
    }
    for (const SubstreamCase& substream : result.substreams) {
        if (!substream.psdMesh.empty() && substream.psd.empty() && !substream.massFlows.empty()) {
            const bool flowing = std::any_of(substream.massFlows.begin(), substream.massFlows.end(),
                                             [](const auto& flow) { return flow.second > 0.0; });
            if (flowing) {
                in.Fail(substreams[substream.id], "feed substream " + Quoted(substream.id) +
                                                      " carries solids and has a psd_mesh: give "
                                                      "its psd");
            }
        }
    }
    if (!(totalFlow > 0.0)) {
        in.Fail(substreams, "the feed has no flow");
    }
}

}  // namespace

std::vector<std::string_view> RootKeys(std::initializer_list<std::string_view> own) {
    std::vector<std::string_view> keys = {"unit",       "title",        "block",
                                          "components", "stream_class", "feed"};
    keys.insert(keys.end(), own.begin(), own.end());
    return keys;
}

void ReadFeedCase(const YamlReader& reader, const YAML::Node& root, FeedCase& feed) {
    if (const YAML::Node title = root["title"]) {
        feed.title = reader.Text(title, "title");
    }
    if (const YAML::Node block = root["block"]) {
        feed.blockId = reader.Identifier(block, "block");
    }
    ReadComponents(reader, reader.Required(root, "components", "the case file"), feed);
    ReadStreamClass(reader, reader.Required(root, "stream_class", "the case file"), feed);
    ReadFeed(reader, reader.Required(root, "feed", "the case file"), feed);
}

}  // namespace brixel::cli
