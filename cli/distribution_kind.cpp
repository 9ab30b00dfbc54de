#include "cli/distribution_kind.h"

#include <array>
#include <string_view>

#include "cli/feed_reader.h"

namespace brixel::cli {

namespace {

struct TypeName {
    std::string_view name;
    int code;
};
constexpr std::array<TypeName, 4> kTypes = {
    {{"GGS", 1}, {"RRSB", 2}, {"log-normal", 3}, {"normal", 4}}};
constexpr std::array<std::string_view, 3> kMethods = {"linear", "spline", "rrsb-spline"};

double Positive(const YamlReader& in, const YAML::Node& node, const std::string& what) {
    const double value = in.Number(node, what);
    if (!(value > 0.0)) {
        in.Fail(node, what + " must be greater than 0");
    }
    return value;
}

bool Flag(const YamlReader& in, const YAML::Node& node, const std::string& what) {
    const std::string text = in.Text(node, what);
    if (text != "true" && text != "false") {
        in.Fail(node, what + " must be true or false");
    }
    return text == "true";
}

DistributionFunctionCase ReadFunction(const YamlReader& in, const YAML::Node& node) {
    in.CheckMap(node, "a distribution function",
                {"type", "D50", "D63", "Xmax", "steepness", "m", "n", "sigma", "fraction"});
    DistributionFunctionCase function;
    const YAML::Node type = in.Required(node, "type", "a distribution function");
    const std::string name = in.Text(type, "the distribution type");
    for (const TypeName& known : kTypes) {
        if (known.name == name) {
            function.type = known.code;
        }
    }
    if (function.type == 0) {
        in.Fail(type, "unknown distribution type " + Quoted(name) +
                          " (known: 'GGS', 'RRSB', 'log-normal', 'normal')");
    }
    const auto size = [&](const char* key, double& value) {
        if (const YAML::Node item = node[key]) {
            value = Positive(in, item, key);
        }
    };
    size("D50", function.d50);
    size("D63", function.d63);
    size("Xmax", function.xmax);
    size("m", function.ggsExponent);
    size("n", function.rrsbDispersion);
    size("sigma", function.sigma);
    if (const YAML::Node item = node["steepness"]) {
        function.steepness = in.Number(item, "steepness");
        if (!(function.steepness > 0.0 && function.steepness < 1.0)) {
            in.Fail(item, "steepness (x25/x75) must lie between 0 and 1");
        }
    }
    if (const YAML::Node item = node["fraction"]) {
        function.fraction = in.Number(item, "fraction");
        if (function.fraction < 0.0 || function.fraction > 1.0) {
            in.Fail(item, "fraction must lie between 0 and 1");
        }
    }
    return function;
}

void ReadTable(const YamlReader& in, const YAML::Node& node, DistributionCase& result) {
    in.CheckMap(node, "table", {"lower", "upper", "weights", "method"});
    result.tableLower = in.Number(in.Required(node, "lower", "table"), "lower");
    const YAML::Node upper = in.Required(node, "upper", "table");
    result.tableUpper = in.Numbers(upper, "upper");
    const YAML::Node weights = in.Required(node, "weights", "table");
    result.tableWeights = in.Numbers(weights, "weights");
    if (result.tableUpper.empty()) {
        in.Fail(upper, "upper needs at least one size");
    }
    if (result.tableWeights.size() != result.tableUpper.size()) {
        in.Fail(weights, "weights needs one value per upper size");
    }
    double previous = result.tableLower;
    for (std::size_t j = 0; j < result.tableUpper.size(); ++j) {
        if (result.tableLower < 0.0 || result.tableUpper[j] <= previous) {
            in.Fail(upper[j], "table sizes must not be negative and must increase (m)");
        }
        previous = result.tableUpper[j];
        if (result.tableWeights[j] < 0.0) {
            in.Fail(weights[j], "weights must not be negative");
        }
    }
    if (const YAML::Node method = node["method"]) {
        const std::string name = in.Text(method, "method");
        int code = -1;
        for (std::size_t i = 0; i < kMethods.size(); ++i) {
            code = kMethods[i] == name ? static_cast<int>(i) : code;
        }
        if (code < 0) {
            in.Fail(method, "unknown method " + Quoted(name) +
                                " (known: 'linear', 'spline', 'rrsb-spline')");
        }
        result.tableMethod = code;
    }
}

void ReadDistribution(const YamlReader& in, const YAML::Node& node, DistributionCase& result) {
    in.CheckMap(node, "distribution",
                {"functions", "table", "bypass", "movement_matrix", "estimate"});
    const YAML::Node functions = node["functions"];
    const YAML::Node table = node["table"];
    if (!functions == !table) {
        in.Fail(node, "distribution needs either functions or a table");
    }
    if (functions) {
        if (!functions.IsSequence() || functions.size() == 0) {
            in.Fail(functions, "functions must be a non-empty list");
        }
        for (const YAML::Node& function : functions) {
            result.functions.push_back(ReadFunction(in, function));
        }
    } else {
        ReadTable(in, table, result);
    }
    if (const YAML::Node bypass = node["bypass"]) {
        result.bypass = in.Number(bypass, "bypass");
        if (result.bypass < 0.0 || result.bypass > 1.0) {
            in.Fail(bypass, "bypass must lie between 0 and 1");
        }
    }
    if (const YAML::Node matrix = node["movement_matrix"]) {
        result.movementMatrix = Flag(in, matrix, "movement_matrix");
    }
    if (const YAML::Node estimate = node["estimate"]) {
        result.estimate = Flag(in, estimate, "estimate");
    }
}

}  // namespace

CaseRunner ReadDistributionKind(const YamlReader& reader, const YAML::Node& root) {
    reader.CheckMap(root, "the case file", RootKeys({"distribution"}));
    DistributionCase input;
    input.blockId = "DISPRP";
    ReadFeedCase(reader, root, input);
    ReadDistribution(reader, reader.Required(root, "distribution", "the case file"), input);
    return [input = std::move(input)] { return RunDistributionCase(input); };
}

}  // namespace brixel::cli
