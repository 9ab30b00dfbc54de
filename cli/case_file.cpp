#include "cli/case_file.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

#include "cli/feed_reader.h"
#include "cli/specification_names.h"

namespace brixel::cli {

namespace {

void ReadSpecifications(const YamlReader& in, const YAML::Node& node, SeparatorCase& result) {
    const SpecificationNames names = SpecificationNamesFor(result.liquidIsFluid);
    const SpecificationNames other = SpecificationNamesFor(!result.liquidIsFluid);
    const std::string fluid = result.liquidIsFluid ? "liquid" : "gas";
    const std::vector<std::string_view> allowed = {names.solidSplit, names.fluidSplit,
                                                   names.fluidLoad, names.solidLoad};
    if (!node.IsMap() || node.size() != 2) {
        in.Fail(node,
                "specifications must be a map of exactly two specification names and "
                "their values");
    }
    std::set<std::string> seen;
    for (const auto& entry : node) {
        const std::string name = in.Text(entry.first, "a specification name");
        if (!seen.insert(name).second) {
            in.Fail(entry.first, "duplicate key " + Quoted(name) + " in specifications");
        }
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            const bool ofOtherFluid =
                name == other.fluidSplit || name == other.fluidLoad || name == other.solidLoad;
            in.Fail(entry.first,
                    "unknown specification " + Quoted(name) +
                        (ofOtherFluid ? " for a " + fluid + " separator" : std::string()) +
                        " (allowed with fluid: " + fluid + ": " + JoinQuoted(allowed) + ")");
        }
        const double value = in.Number(entry.second, Quoted(name));
        if (value < 0.0) {
            in.Fail(entry.second, Quoted(name) + " must not be negative");
        }
        const bool split = name == names.solidSplit || name == names.fluidSplit;
        if (split && value > 1.0) {
            in.Fail(entry.second, Quoted(name) + " is a mass fraction: at most 1");
        }
        result.specifications.push_back({name, value});
    }
    const bool loads = seen.count(std::string(names.fluidLoad)) != 0 &&
                       seen.count(std::string(names.solidLoad)) != 0;
    if (loads) {
        in.Fail(node,
                "the loads of both outlets leave the split undefined: give at least one "
                "mass fraction");
    }
}

void ReadOutletState(const YamlReader& in, const YAML::Node& node, SeparatorCase& result) {
    const std::vector<std::string_view> allowed = {"temperature", "pressure", "heat duty",
                                                   "temperature change", "pressure change"};
    if (!node.IsMap() || node.size() < 1 || node.size() > 2) {
        in.Fail(node,
                "outlet_state must be a map of one or two state variables and their values "
                "(K, Pa, W)");
    }
    std::set<std::string> seen;
    for (const auto& entry : node) {
        const std::string name = in.Text(entry.first, "a state variable");
        if (!seen.insert(name).second) {
            in.Fail(entry.first, "duplicate key " + Quoted(name) + " in outlet_state");
        }
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            in.Fail(entry.first, "unknown state variable " + Quoted(name) +
                                     " (allowed: " + JoinQuoted(allowed) + ")");
        }
        const double value = in.Number(entry.second, Quoted(name));
        if ((name == "temperature" || name == "pressure") && value <= 0.0) {
            in.Fail(entry.second, Quoted(name) + " must be above 0");
        }
        result.outletState.push_back({name, value});
    }
    const bool temperatures = seen.count("temperature") + seen.count("temperature change") > 1;
    const bool pressures = seen.count("pressure") + seen.count("pressure change") > 1;
    if (temperatures || pressures) {
        in.Fail(node,
                "outlet_state fixes the same quantity twice: give one temperature kind and "
                "one pressure kind, or a heat duty");
    }
}

void ReadSeparator(const YamlReader& in, const YAML::Node& node, SeparatorCase& result) {
    in.CheckMap(node, "separator",
                {"fluid", "specifications", "sharpness", "offset", "class_attribute",
                 "outlet_state", "stream_curve"});
    const YAML::Node fluid = in.Required(node, "fluid", "separator");
    const std::string fluidName = in.Text(fluid, "fluid");
    if (fluidName != "gas" && fluidName != "liquid") {
        in.Fail(fluid, "fluid must be 'gas' or 'liquid', not " + Quoted(fluidName));
    }
    result.liquidIsFluid = fluidName == "liquid";
    ReadSpecifications(in, in.Required(node, "specifications", "separator"), result);
    if (const YAML::Node sharpness = node["sharpness"]) {
        result.sharpness = in.Number(sharpness, "sharpness");
        if (result.sharpness < 0.0 || result.sharpness > 1.0) {
            in.Fail(sharpness, "sharpness must lie between 0 and 1");
        }
    }
    if (const YAML::Node offset = node["offset"]) {
        result.offset = in.Number(offset, "offset");
        if (result.offset < 0.0 || result.offset >= 1.0) {
            in.Fail(offset, "offset must lie between 0 and 1 (1 excluded)");
        }
    }
    if (const YAML::Node attribute = node["class_attribute"]) {
        result.classAttribute = in.Text(attribute, "class_attribute");
        if (result.classAttribute != kClassBySize && result.classAttribute != kClassByVelocity) {
            in.Fail(attribute, "class_attribute must be " +
                                   JoinQuoted({kClassBySize, kClassByVelocity}) + ", not " +
                                   Quoted(result.classAttribute));
        }
    }
    if (const YAML::Node curve = node["stream_curve"]) {
        const std::string flag = in.Text(curve, "stream_curve");
        if (flag != "true" && flag != "false") {
            in.Fail(curve, "stream_curve must be true or false, not " + Quoted(flag));
        }
        result.streamCurve = flag == "true";
    }
    if (const YAML::Node state = node["outlet_state"]) {
        ReadOutletState(in, state, result);
    } else {
        result.outletState = {{"temperature change", 0.0}, {"pressure change", 0.0}};
    }
}

}  // namespace

SeparatorCase ReadSeparatorCase(const YamlReader& reader, const YAML::Node& root) {
    reader.CheckMap(root, "the case file", RootKeys({"separator"}));
    SeparatorCase result;
    ReadFeedCase(reader, root, result);
    ReadSeparator(reader, reader.Required(root, "separator", "the case file"), result);
    return result;
}

SeparatorCase ParseCase(const std::string& text, const std::string& name) {
    const YAML::Node root = LoadCaseDocument(text, name);
    const YamlReader reader(name);
    if (const YAML::Node unit = root.IsMap() ? root["unit"] : YAML::Node()) {
        if (reader.Text(unit, "unit") != "separator") {
            reader.Fail(unit, "this reader takes separator cases only");
        }
    }
    return ReadSeparatorCase(reader, root);
}

SeparatorCase LoadCaseFile(const std::string& path) {
    return ParseCase(ReadCaseText(path), path);
}

}  // namespace brixel::cli
