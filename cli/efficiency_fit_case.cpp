#include "cli/efficiency_fit_case.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "brixel/exports/efficiency_exports.h"
#include "cli/host_values.h"
#include "host/substitute_host.h"

namespace brixel::cli {

namespace {

struct Method {
    std::string_view name;
    int64_t mode;
};
constexpr std::array<Method, 4> kMethods = {
    {{"linear", 0}, {"spline", 1}, {"transformed_spline", 2}, {"fit", 3}}};

// The fitting models by name, with their bits and parameter names (in output order).
struct Model {
    std::string_view name;
    int64_t bit;
    std::array<const char*, 4> parameters;  // null: entry not used
    std::array<const char*, 4> units;
};
constexpr std::array<Model, 5> kModels = {{
    {"rrsb", 1, {"x50", "m", "o", nullptr}, {"m", "", "", ""}},
    {"rogers", 2, {"x50", "m", "o", nullptr}, {"m", "", "", ""}},
    {"whiten", 4, {"x50", "alpha", "o", "beta"}, {"m", "", "", ""}},
    {"square", 8, {"x50", "m", "o", nullptr}, {"m", "", "", ""}},
    {"exponential", 16, {nullptr, "a", "b", "c"}, {"", "1/m", "m", ""}},
}};

std::string KnownModels() {
    std::string known;
    for (const Model& model : kModels) {
        known += (known.empty() ? "'" : ", '") + std::string(model.name) + "'";
    }
    return known;
}

std::vector<double> Points(const YamlReader& in, const YAML::Node& node, const char* what) {
    std::vector<double> values = in.Numbers(node, what);
    if (values.empty()) {
        in.Fail(node, std::string(what) + " must list at least one value");
    }
    return values;
}

void ReadMethod(const YamlReader& in, const YAML::Node& root, EfficiencyFitCase& input) {
    const YAML::Node method = in.Required(root, "method", "the case file");
    const std::string name = in.Text(method, "method");
    bool known = false;
    for (const Method& m : kMethods) {
        if (m.name == name) {
            input.mode = m.mode;
            known = true;
        }
    }
    if (!known) {
        in.Fail(method, "unknown method " + Quoted(name) +
                            " (known: 'linear', 'spline', 'transformed_spline', 'fit')");
    }
    if (const YAML::Node spline = root["spline"]) {
        const std::string routine = in.Text(spline, "spline");
        if (routine != "library" && routine != "host") {
            in.Fail(spline, "spline must be 'library' or 'host', not " + Quoted(routine));
        }
        if (input.mode != 1 && input.mode != 2) {
            in.Fail(spline, "spline applies to the methods 'spline' and 'transformed_spline'");
        }
        input.option = routine == "host" ? 1 : 0;
    }
    if (const YAML::Node models = root["models"]) {
        if (input.mode != 3) {
            in.Fail(models, "models apply to the method 'fit'");
        }
        if (!models.IsSequence() || models.size() == 0) {
            in.Fail(models, "models must list one or more of " + KnownModels());
        }
        for (const YAML::Node& item : models) {
            const std::string modelName = in.Text(item, "a model");
            bool found = false;
            for (const Model& model : kModels) {
                if (model.name == modelName) {
                    input.option |= model.bit;
                    found = true;
                }
            }
            if (!found) {
                in.Fail(item,
                        "unknown model " + Quoted(modelName) + " (known: " + KnownModels() + ")");
            }
        }
    } else if (input.mode == 3) {
        input.option = 31;  // every model
    }
}

void ReadPoints(const YamlReader& in, const YAML::Node& root, EfficiencyFitCase& input) {
    const YAML::Node points = in.Required(root, "points", "the case file");
    in.CheckMap(points, "points", {"size", "efficiency"});
    const YAML::Node sizes = in.Required(points, "size", "points");
    const YAML::Node efficiencies = in.Required(points, "efficiency", "points");
    input.sizes = Points(in, sizes, "size");
    input.efficiencies = Points(in, efficiencies, "efficiency");
    if (input.efficiencies.size() != input.sizes.size()) {
        in.Fail(efficiencies, "efficiency must give one value per size (" +
                                  std::to_string(input.sizes.size()) + ")");
    }
    for (std::size_t j = 0; j < input.sizes.size(); ++j) {
        if (!(input.sizes[j] > 0.0) || (j > 0 && !(input.sizes[j] > input.sizes[j - 1]))) {
            in.Fail(sizes, "size must hold positive sizes (m) in strictly ascending order");
        }
        if (!(input.efficiencies[j] >= 0.0 && input.efficiencies[j] <= 1.0)) {
            in.Fail(efficiencies, "efficiency must hold fractions between 0 and 1");
        }
    }
}

void ReadGrid(const YamlReader& in, const YAML::Node& root, EfficiencyFitCase& input) {
    const YAML::Node grid = in.Required(root, "grid", "the case file");
    in.CheckMap(grid, "grid", {"boundaries", "classes"});
    const YAML::Node boundaries = grid["boundaries"];
    const YAML::Node classes = grid["classes"];
    if (static_cast<bool>(boundaries) == static_cast<bool>(classes)) {
        in.Fail(grid, "grid needs exactly one of 'boundaries' and 'classes'");
    }
    const YAML::Node values = boundaries ? boundaries : classes;
    input.grid = Points(in, values, boundaries ? "boundaries" : "classes");
    for (std::size_t i = 1; i < input.grid.size(); ++i) {
        if (!(input.grid[i] > input.grid[i - 1])) {
            in.Fail(values, "grid values must be strictly ascending");
        }
    }
    if (boundaries && input.grid.size() < 2) {
        in.Fail(values, "boundaries must give at least two values");
    }
    input.classCount = static_cast<int64_t>(input.grid.size()) - (boundaries ? 1 : 0);
}

const Model* ModelOfBit(int64_t bit) {
    for (const Model& model : kModels) {
        if (model.bit == bit) {
            return &model;
        }
    }
    return nullptr;
}

double Given(double value) {
    return std::isfinite(value) && value < kHostMissing ? value
                                                        : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

CaseRunner ReadEfficiencyFitKind(const YamlReader& reader, const YAML::Node& root) {
    reader.CheckMap(root, "the case file",
                    {"unit", "title", "block", "method", "spline", "models", "points", "grid"});
    EfficiencyFitCase input;
    if (const YAML::Node title = root["title"]) {
        input.title = reader.Text(title, "title");
    }
    if (const YAML::Node block = root["block"]) {
        input.blockId = reader.Identifier(block, "block");
    }
    ReadMethod(reader, root, input);
    ReadPoints(reader, root, input);
    ReadGrid(reader, root, input);
    return [input = std::move(input)] { return RunEfficiencyFitCase(input); };
}

RunResult RunEfficiencyFitCase(const EfficiencyFitCase& input) {
    host::SubstituteHost simulator;
    host::Block& block = simulator.AddBlock(input.blockId, {}, {});
    const auto n = static_cast<int64_t>(input.sizes.size());
    const auto gridSize = static_cast<int64_t>(input.grid.size());
    std::vector<double> results(static_cast<std::size_t>(input.classCount),
                                std::numeric_limits<double>::quiet_NaN());
    int64_t model = 0;
    std::array<double, 4> parameters{};
    int64_t fallback = -1;
    BXUT_SEPEFFINT(&input.mode, &input.option, &n, input.sizes.data(), input.efficiencies.data(),
                   &gridSize, &input.classCount, input.grid.data(), results.data(), &model,
                   parameters.data(), &fallback, block.statusBlock.data());

    RunResult run = StartRun("efficiency_fit", input.title,
                             "grade-efficiency curve from measured points", input.blockId,
                             "grade efficiencies of a size grid by " +
                                 std::string(kMethods[static_cast<std::size_t>(input.mode)].name));
    run.values.push_back({"fallback code", static_cast<double>(fallback), ""});
    const Model* chosen = ModelOfBit(model);
    run.values.push_back(
        {"chosen model",
         chosen ? static_cast<double>(model) : std::numeric_limits<double>::quiet_NaN(), ""});
    if (chosen) {
        for (std::size_t k = 0; k < parameters.size(); ++k) {
            if (chosen->parameters[k]) {
                run.values.push_back({std::string(chosen->name) + " " + chosen->parameters[k],
                                      Given(parameters[k]), chosen->units[k]});
            }
        }
    }
    ResultTable curve{
        "efficiency", "Grade-efficiency curve", {"class size / m", "efficiency / -"}, {}};
    const bool boundaries = gridSize == input.classCount + 1;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const double size = boundaries ? 0.5 * (input.grid[i] + input.grid[i + 1]) : input.grid[i];
        curve.rows.push_back({size, results[i]});
    }
    run.tables.push_back(std::move(curve));
    ResultTable points{"points", "Measured points", {"size / m", "efficiency / -"}, {}};
    for (std::size_t j = 0; j < input.sizes.size(); ++j) {
        points.rows.push_back({input.sizes[j], input.efficiencies[j]});
    }
    run.tables.push_back(std::move(points));
    run.messages = simulator.PrintedLines();
    run.history = simulator.HistoryLines();
    run.valid = fallback != 3;
    run.status = fallback == 3 ? static_cast<long>(fallback) : 0;
    run.fallback = fallback == 1 || fallback == 2;
    run.outcome = fallback;
    return run;
}

}  // namespace brixel::cli
