#include "cli/growth_case.h"

#include <array>
#include <string_view>

#include "cli/feed_reader.h"

namespace brixel::cli {

namespace {

// The growth laws by name, in the library's numbering from 1.
constexpr std::array<std::string_view, 7> kMethods = {
    "diameter",   "diameter-weighted", "volume",      "volume-weighted",
    "mass-share", "surface-share",     "number-share"};

int ReadMethod(const YamlReader& in, const YAML::Node& node) {
    const std::string name = in.Text(node, "method");
    for (std::size_t i = 0; i < kMethods.size(); ++i) {
        if (kMethods[i] == name) {
            return static_cast<int>(i) + 1;
        }
    }
    in.Fail(node, "unknown method " + Quoted(name) +
                      " (known: " + JoinQuoted({kMethods.begin(), kMethods.end()}) + ")");
}

void ReadGrowth(const YamlReader& in, const YAML::Node& node, GrowthCase& result) {
    in.CheckMap(node, "growth", {"method", "outlet_solids"});
    result.method = ReadMethod(in, in.Required(node, "method", "growth"));
    const YAML::Node solids = in.Required(node, "outlet_solids", "growth");
    result.outletSolids = in.Number(solids, "outlet_solids");
    if (!(result.outletSolids > 0.0)) {
        in.Fail(solids, "outlet_solids must be greater than 0 (kg/s)");
    }
}

// The growth model needs solids with a size distribution at the inlet.
void CheckFeedSolids(const YamlReader& in, const YAML::Node& root, const GrowthCase& input) {
    double solids = 0.0;
    bool psd = false;
    for (const SubstreamCase& substream : input.substreams) {
        if (substream.psdMesh.empty()) {
            continue;
        }
        psd = true;
        for (const auto& flow : substream.massFlows) {
            solids += flow.second;
        }
    }
    if (!psd) {
        in.Fail(root["stream_class"], "the growth model needs a substream with a psd_mesh");
    }
    if (!(solids > 0.0)) {
        in.Fail(root["feed"], "the growth model needs solids flow in a substream with a PSD");
    }
}

}  // namespace

CaseRunner ReadGrowthKind(const YamlReader& reader, const YAML::Node& root) {
    reader.CheckMap(root, "the case file", RootKeys({"growth"}));
    GrowthCase input;
    input.blockId = "ADJPSD";
    ReadFeedCase(reader, root, input);
    ReadGrowth(reader, reader.Required(root, "growth", "the case file"), input);
    CheckFeedSolids(reader, root, input);
    return [input = std::move(input)] { return RunGrowthCase(input); };
}

}  // namespace brixel::cli
