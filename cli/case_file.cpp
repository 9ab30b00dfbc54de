#include "cli/case_file.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <set>
#include <sstream>
#include <string_view>

#include "cli/specification_names.h"
#include "host/databank.h"

namespace brixel::cli {

namespace {

constexpr std::size_t kIdCharacters = 8;  // host IDs: 8 characters, packed into two words
constexpr double kHostMissing = 1e35;     // the host reads values this large as missing
// Fractions of a PSD written as decimals add up to 1 within rounding; more is a mistake.
constexpr double kPsdSumTolerance = 1e-6;

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string JoinQuoted(std::initializer_list<std::string_view> words) {
    std::string joined;
    for (const std::string_view word : words) {
        joined += (joined.empty() ? "" : ", ") + Quoted(word);
    }
    return joined;
}

// Reads one YAML document into a SeparatorCase; every method throws CaseFileError with the
// place of the offending node.
class CaseReader {
  public:
    explicit CaseReader(std::string file) : m_file(std::move(file)) {}

    SeparatorCase Read(const YAML::Node& root) const;
    [[noreturn]] void Fail(const YAML::Node& node, const std::string& what) const;

  private:
    // Checks that `node` is a map with unique keys out of `allowed`.
    void CheckMap(const YAML::Node& node, const std::string& context,
                  std::initializer_list<std::string_view> allowed) const;
    YAML::Node Required(const YAML::Node& map, const std::string& key,
                        const std::string& context) const;
    double Number(const YAML::Node& node, const std::string& what) const;
    std::string Text(const YAML::Node& node, const std::string& what) const;
    std::string Identifier(const YAML::Node& node, const std::string& what) const;
    std::vector<double> Numbers(const YAML::Node& node, const std::string& what) const;

    void ReadComponents(const YAML::Node& node, SeparatorCase& result) const;
    void ReadStreamClass(const YAML::Node& node, SeparatorCase& result) const;
    void ReadFeed(const YAML::Node& node, SeparatorCase& result) const;
    void ReadFeedSubstream(const YAML::Node& node, const SeparatorCase& result,
                           SubstreamCase& substream) const;
    void ReadSeparator(const YAML::Node& node, SeparatorCase& result) const;
    void ReadSpecifications(const YAML::Node& node, SeparatorCase& result) const;
    void ReadOutletState(const YAML::Node& node, SeparatorCase& result) const;

    std::string m_file;
};

void CaseReader::Fail(const YAML::Node& node, const std::string& what) const {
    const YAML::Mark mark = node.Mark();
    if (mark.is_null()) {
        throw CaseFileError(m_file + ": " + what);
    }
    throw CaseFileError(m_file + ":" + std::to_string(mark.line + 1) + ":" +
                        std::to_string(mark.column + 1) + ": " + what);
}

void CaseReader::CheckMap(const YAML::Node& node, const std::string& context,
                          std::initializer_list<std::string_view> allowed) const {
    if (!node.IsMap()) {
        Fail(node, context + " must be a map of keys and values");
    }
    std::set<std::string> seen;
    for (const auto& entry : node) {
        if (!entry.first.IsScalar()) {
            Fail(entry.first, "a key in " + context + " must be a plain name");
        }
        const std::string key = entry.first.Scalar();
        if (!seen.insert(key).second) {
            Fail(entry.first, "duplicate key " + Quoted(key) + " in " + context);
        }
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
            Fail(entry.first, "unknown key " + Quoted(key) + " in " + context +
                                  " (allowed: " + JoinQuoted(allowed) + ")");
        }
    }
}

YAML::Node CaseReader::Required(const YAML::Node& map, const std::string& key,
                                const std::string& context) const {
    const YAML::Node value = map[key];
    if (!value) {
        Fail(map, context + " lacks the key " + Quoted(key));
    }
    return value;
}

double CaseReader::Number(const YAML::Node& node, const std::string& what) const {
    if (!node.IsScalar()) {
        Fail(node, what + " must be a number");
    }
    const std::string& text = node.Scalar();
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == ".nan" || lower == "nan" || lower.find("inf") != std::string::npos) {
        Fail(node, what + " must be a finite number, not " + Quoted(text));
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) {
        Fail(node, what + " must be a number, not " + Quoted(text));
    }
    if (errno == ERANGE || !std::isfinite(value)) {
        Fail(node, what + " must be a finite number, not " + Quoted(text));
    }
    if (std::fabs(value) >= kHostMissing) {
        Fail(node, what + " must be below 1e35 in size: the host reads that as missing");
    }
    return value;
}

std::string CaseReader::Text(const YAML::Node& node, const std::string& what) const {
    if (!node.IsScalar()) {
        Fail(node, what + " must be a text");
    }
    return node.Scalar();
}

std::string CaseReader::Identifier(const YAML::Node& node, const std::string& what) const {
    const std::string text = Text(node, what);
    const bool plain = std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isupper(c) || std::isdigit(c) || c == '_' || c == '-';
    });
    if (text.empty() || text.size() > kIdCharacters || !plain) {
        Fail(node, what + " " + Quoted(text) +
                       " must be 1 to 8 characters of capital letters, digits, '_' or '-'");
    }
    return text;
}

std::vector<double> CaseReader::Numbers(const YAML::Node& node, const std::string& what) const {
    if (!node.IsSequence()) {
        Fail(node, what + " must be a list of numbers");
    }
    std::vector<double> values;
    for (const YAML::Node& element : node) {
        values.push_back(Number(element, "every element of " + what));
    }
    return values;
}

SeparatorCase CaseReader::Read(const YAML::Node& root) const {
    if (!root || root.IsNull()) {
        throw CaseFileError(m_file + ": the case file is empty");
    }
    CheckMap(root, "the case file",
             {"title", "block", "components", "stream_class", "feed", "separator"});
    SeparatorCase result;
    if (const YAML::Node title = root["title"]) {
        result.title = Text(title, "title");
    }
    if (const YAML::Node block = root["block"]) {
        result.blockId = Identifier(block, "block");
    }
    ReadComponents(Required(root, "components", "the case file"), result);
    ReadStreamClass(Required(root, "stream_class", "the case file"), result);
    ReadFeed(Required(root, "feed", "the case file"), result);
    ReadSeparator(Required(root, "separator", "the case file"), result);
    return result;
}

void CaseReader::ReadComponents(const YAML::Node& node, SeparatorCase& result) const {
    if (!node.IsSequence() || node.size() == 0) {
        Fail(node, "components must be a non-empty list of component IDs");
    }
    for (const YAML::Node& element : node) {
        const std::string id = Text(element, "a component ID");
        if (!host::databank::FindSubstance(id)) {
            Fail(element, "unknown component " + Quoted(id) +
                              ": the host's databank has WATER, N2, O2, AR, CO2, ETHANOL "
                              "(fluids) and SIO2, CACO3, AL2O3, NACL (solids)");
        }
        if (std::find(result.components.begin(), result.components.end(), id) !=
            result.components.end()) {
            Fail(element, "component " + Quoted(id) + " is listed twice");
        }
        result.components.push_back(id);
    }
}

void CaseReader::ReadStreamClass(const YAML::Node& node, SeparatorCase& result) const {
    CheckMap(node, "stream_class", {"type", "substreams"});
    if (const YAML::Node type = node["type"]) {
        result.streamClassType = Identifier(type, "the stream-class type");
    }
    const YAML::Node list = Required(node, "substreams", "stream_class");
    if (!list.IsSequence() || list.size() == 0) {
        Fail(list, "substreams must be a non-empty list");
    }
    for (const YAML::Node& entry : list) {
        CheckMap(entry, "a substream", {"id", "type", "psd_mesh"});
        SubstreamCase substream;
        const YAML::Node id = Required(entry, "id", "a substream");
        substream.id = Identifier(id, "the substream ID");
        for (const SubstreamCase& other : result.substreams) {
            if (other.id == substream.id) {
                Fail(id, "substream ID " + Quoted(substream.id) + " is used twice");
            }
        }
        const YAML::Node type = Required(entry, "type", "substream " + substream.id);
        substream.type = Text(type, "the substream type");
        const bool first = result.substreams.empty();
        if (substream.type != "MIXED" && substream.type != "CISOLID") {
            Fail(type,
                 "substream type must be 'MIXED' or 'CISOLID', not " + Quoted(substream.type));
        }
        if (first && substream.type != "MIXED") {
            Fail(type, "the first substream must be of type 'MIXED'");
        }
        if (!first && substream.type != "CISOLID") {
            Fail(type, "only the first substream is 'MIXED'; further ones are 'CISOLID'");
        }
        if (const YAML::Node mesh = entry["psd_mesh"]) {
            if (substream.type != "CISOLID") {
                Fail(mesh, "only a 'CISOLID' substream carries a psd_mesh");
            }
            substream.psdMesh = Numbers(mesh, "psd_mesh");
            if (substream.psdMesh.size() < 2) {
                Fail(mesh, "psd_mesh needs at least 2 boundaries (one interval)");
            }
            for (std::size_t i = 0; i < substream.psdMesh.size(); ++i) {
                if (substream.psdMesh[i] < 0.0) {
                    Fail(mesh[i], "psd_mesh boundaries must not be negative (m)");
                }
                if (i > 0 && substream.psdMesh[i] <= substream.psdMesh[i - 1]) {
                    Fail(mesh[i], "psd_mesh boundaries must increase strictly");
                }
            }
        }
        result.substreams.push_back(std::move(substream));
    }
}

void CaseReader::ReadFeed(const YAML::Node& node, SeparatorCase& result) const {
    CheckMap(node, "feed", {"temperature", "pressure", "substreams"});
    const YAML::Node temperature = Required(node, "temperature", "feed");
    result.temperature = Number(temperature, "the feed temperature");
    if (result.temperature <= 0.0) {
        Fail(temperature, "the feed temperature must be above 0 K");
    }
    const YAML::Node pressure = Required(node, "pressure", "feed");
    result.pressure = Number(pressure, "the feed pressure");
    if (result.pressure <= 0.0) {
        Fail(pressure, "the feed pressure must be above 0 Pa");
    }
    const YAML::Node substreams = Required(node, "substreams", "feed");
    if (!substreams.IsMap()) {
        Fail(substreams, "feed substreams must be a map from substream ID to its feed");
    }
    std::vector<std::string> ids;
    for (const SubstreamCase& substream : result.substreams) {
        ids.push_back(substream.id);
    }
    std::set<std::string> seen;
    double totalFlow = 0.0;
    for (const auto& entry : substreams) {
        const std::string id = Text(entry.first, "a substream ID");
        if (!seen.insert(id).second) {
            Fail(entry.first, "duplicate key " + Quoted(id) + " in feed substreams");
        }
        const auto found = std::find(ids.begin(), ids.end(), id);
        if (found == ids.end()) {
            Fail(entry.first,
                 "feed substream " + Quoted(id) + " is not a substream of stream_class");
        }
        SubstreamCase& substream = result.substreams[found - ids.begin()];
        ReadFeedSubstream(entry.second, result, substream);
        for (const auto& flow : substream.massFlows) {
            totalFlow += flow.second;
        }
    }
    for (const SubstreamCase& substream : result.substreams) {
        if (!substream.psdMesh.empty() && substream.psd.empty() && !substream.massFlows.empty()) {
            const bool flowing = std::any_of(substream.massFlows.begin(), substream.massFlows.end(),
                                             [](const auto& flow) { return flow.second > 0.0; });
            if (flowing) {
                Fail(substreams[substream.id], "feed substream " + Quoted(substream.id) +
                                                   " carries solids and has a psd_mesh: give "
                                                   "its psd");
            }
        }
    }
    if (!(totalFlow > 0.0)) {
        Fail(substreams, "the feed has no flow");
    }
}

void CaseReader::ReadFeedSubstream(const YAML::Node& node, const SeparatorCase& result,
                                   SubstreamCase& substream) const {
    const std::string context = "feed substream " + substream.id;
    CheckMap(node, context, {"flows", "psd"});
    const YAML::Node flows = Required(node, "flows", context);
    if (!flows.IsMap()) {
        Fail(flows, "flows must be a map from component ID to mass flow in kg/s");
    }
    std::set<std::string> seen;
    const bool solids = substream.type == "CISOLID";
    for (const auto& entry : flows) {
        const std::string id = Text(entry.first, "a component ID");
        if (!seen.insert(id).second) {
            Fail(entry.first, "duplicate key " + Quoted(id) + " in flows of " + substream.id);
        }
        if (std::find(result.components.begin(), result.components.end(), id) ==
            result.components.end()) {
            Fail(entry.first, "component " + Quoted(id) + " is not in the components list");
        }
        const bool solid = host::databank::FindSubstance(id)->solid != nullptr;
        if (solid && !solids) {
            Fail(entry.first,
                 Quoted(id) + " is a solid: its flow belongs in a 'CISOLID' substream");
        }
        if (!solid && solids) {
            Fail(entry.first,
                 Quoted(id) + " is a fluid: its flow belongs in the 'MIXED' substream");
        }
        const double flow = Number(entry.second, "the mass flow of " + id);
        if (flow < 0.0) {
            Fail(entry.second, "the mass flow of " + id + " must not be negative (kg/s)");
        }
        substream.massFlows.emplace_back(id, flow);
    }
    if (const YAML::Node psd = node["psd"]) {
        if (substream.psdMesh.empty()) {
            Fail(psd, "substream " + substream.id + " has no psd_mesh in stream_class");
        }
        substream.psd = Numbers(psd, "psd");
        const std::size_t needed = substream.psdMesh.size() - 1;
        if (substream.psd.size() != needed) {
            Fail(psd, "psd has " + std::to_string(substream.psd.size()) +
                          " fractions; the psd_mesh of " + substream.id + " has " +
                          std::to_string(substream.psdMesh.size()) + " boundaries, so " +
                          std::to_string(needed) + " are needed");
        }
        double sum = 0.0;
        for (std::size_t i = 0; i < substream.psd.size(); ++i) {
            if (substream.psd[i] < 0.0) {
                Fail(psd[i], "psd fractions must not be negative");
            }
            sum += substream.psd[i];
        }
        if (std::fabs(sum - 1.0) > kPsdSumTolerance) {
            std::ostringstream text;
            text << "psd fractions add up to " << sum << ", not 1";
            Fail(psd, text.str());
        }
    }
}

void CaseReader::ReadSeparator(const YAML::Node& node, SeparatorCase& result) const {
    CheckMap(node, "separator",
             {"fluid", "specifications", "sharpness", "offset", "class_attribute", "outlet_state"});
    const YAML::Node fluid = Required(node, "fluid", "separator");
    const std::string fluidName = Text(fluid, "fluid");
    if (fluidName != "gas" && fluidName != "liquid") {
        Fail(fluid, "fluid must be 'gas' or 'liquid', not " + Quoted(fluidName));
    }
    result.liquidIsFluid = fluidName == "liquid";
    ReadSpecifications(Required(node, "specifications", "separator"), result);
    if (const YAML::Node sharpness = node["sharpness"]) {
        result.sharpness = Number(sharpness, "sharpness");
        if (result.sharpness < 0.0 || result.sharpness > 1.0) {
            Fail(sharpness, "sharpness must lie between 0 and 1");
        }
    }
    if (const YAML::Node offset = node["offset"]) {
        result.offset = Number(offset, "offset");
        if (result.offset < 0.0 || result.offset >= 1.0) {
            Fail(offset, "offset must lie between 0 and 1 (1 excluded)");
        }
    }
    if (const YAML::Node attribute = node["class_attribute"]) {
        result.classAttribute = Text(attribute, "class_attribute");
        if (result.classAttribute != kClassBySize && result.classAttribute != kClassByVelocity) {
            Fail(attribute, "class_attribute must be " +
                                JoinQuoted({kClassBySize, kClassByVelocity}) + ", not " +
                                Quoted(result.classAttribute));
        }
    }
    if (const YAML::Node state = node["outlet_state"]) {
        ReadOutletState(state, result);
    } else {
        result.outletState = {{"temperature change", 0.0}, {"pressure change", 0.0}};
    }
}

void CaseReader::ReadSpecifications(const YAML::Node& node, SeparatorCase& result) const {
    const SpecificationNames names = SpecificationNamesFor(result.liquidIsFluid);
    const SpecificationNames other = SpecificationNamesFor(!result.liquidIsFluid);
    const std::string fluid = result.liquidIsFluid ? "liquid" : "gas";
    const std::initializer_list<std::string_view> allowed = {names.solidSplit, names.fluidSplit,
                                                             names.fluidLoad, names.solidLoad};
    if (!node.IsMap() || node.size() != 2) {
        Fail(node,
             "specifications must be a map of exactly two specification names and "
             "their values");
    }
    std::set<std::string> seen;
    for (const auto& entry : node) {
        const std::string name = Text(entry.first, "a specification name");
        if (!seen.insert(name).second) {
            Fail(entry.first, "duplicate key " + Quoted(name) + " in specifications");
        }
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            const bool ofOtherFluid =
                name == other.fluidSplit || name == other.fluidLoad || name == other.solidLoad;
            Fail(entry.first,
                 "unknown specification " + Quoted(name) +
                     (ofOtherFluid ? " for a " + fluid + " separator" : std::string()) +
                     " (allowed with fluid: " + fluid + ": " + JoinQuoted(allowed) + ")");
        }
        const double value = Number(entry.second, Quoted(name));
        if (value < 0.0) {
            Fail(entry.second, Quoted(name) + " must not be negative");
        }
        const bool split = name == names.solidSplit || name == names.fluidSplit;
        if (split && value > 1.0) {
            Fail(entry.second, Quoted(name) + " is a mass fraction: at most 1");
        }
        result.specifications.push_back({name, value});
    }
    const bool loads = seen.count(std::string(names.fluidLoad)) != 0 &&
                       seen.count(std::string(names.solidLoad)) != 0;
    if (loads) {
        Fail(node,
             "the loads of both outlets leave the split undefined: give at least one "
             "mass fraction");
    }
}

void CaseReader::ReadOutletState(const YAML::Node& node, SeparatorCase& result) const {
    const std::initializer_list<std::string_view> allowed = {
        "temperature", "pressure", "heat duty", "temperature change", "pressure change"};
    if (!node.IsMap() || node.size() < 1 || node.size() > 2) {
        Fail(node,
             "outlet_state must be a map of one or two state variables and their values "
             "(K, Pa, W)");
    }
    std::set<std::string> seen;
    for (const auto& entry : node) {
        const std::string name = Text(entry.first, "a state variable");
        if (!seen.insert(name).second) {
            Fail(entry.first, "duplicate key " + Quoted(name) + " in outlet_state");
        }
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            Fail(entry.first, "unknown state variable " + Quoted(name) +
                                  " (allowed: " + JoinQuoted(allowed) + ")");
        }
        const double value = Number(entry.second, Quoted(name));
        if ((name == "temperature" || name == "pressure") && value <= 0.0) {
            Fail(entry.second, Quoted(name) + " must be above 0");
        }
        result.outletState.push_back({name, value});
    }
    const bool temperatures = seen.count("temperature") + seen.count("temperature change") > 1;
    const bool pressures = seen.count("pressure") + seen.count("pressure change") > 1;
    if (temperatures || pressures) {
        Fail(node,
             "outlet_state fixes the same quantity twice: give one temperature kind and "
             "one pressure kind, or a heat duty");
    }
}

}  // namespace

SeparatorCase ParseCase(const std::string& text, const std::string& name) {
    std::vector<YAML::Node> documents;
    try {
        documents = YAML::LoadAll(text);
    } catch (const YAML::Exception& error) {
        if (error.mark.is_null()) {
            throw CaseFileError(name + ": " + error.msg);
        }
        throw CaseFileError(name + ":" + std::to_string(error.mark.line + 1) + ":" +
                            std::to_string(error.mark.column + 1) + ": " + error.msg);
    }
    const CaseReader reader(name);
    if (documents.size() > 1) {
        reader.Fail(documents[1], "a case file holds one YAML document");
    }
    return reader.Read(documents.empty() ? YAML::Node() : documents.front());
}

SeparatorCase LoadCaseFile(const std::string& path) {
    std::error_code ignored;
    std::ifstream file(path, std::ios::binary);
    if (!std::filesystem::is_regular_file(path, ignored) || !file) {
        throw CaseFileError(path + ": cannot open the case file");
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        throw CaseFileError(path + ": cannot read the case file");
    }
    return ParseCase(text.str(), path);
}

}  // namespace brixel::cli
