#include "cli/output_json.h"

#include <cmath>

#include "brixel/framework/status.h"
#include "cli/stream_quantities.h"

namespace brixel::cli {

namespace {

using Json = nlohmann::ordered_json;

Json Number(double value) {
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

Json Numbers(const std::vector<double>& values) {
    Json list = Json::array();
    for (const double value : values) {
        list.push_back(Number(value));
    }
    return list;
}

Json NamedValues(const std::vector<ResultValue>& values) {
    Json list = Json::array();
    for (const ResultValue& value : values) {
        list.push_back(
            {{"name", value.name}, {"value", Number(value.value)}, {"unit", value.unit}});
    }
    return list;
}

Json Streams(const RunResult& result) {
    Json list = Json::array();
    for (const auto& [port, stream] : result.streams) {
        Json entry = {{"port", port}};
        for (const StreamQuantity& quantity : kStreamQuantities) {
            entry[quantity.name] = Number(quantity.of(stream));
        }
        entry["psd"] = Numbers(stream.psd);
        list.push_back(std::move(entry));
    }
    return list;
}

Json Tables(const RunResult& result) {
    Json list = Json::array();
    for (const ResultTable& table : result.tables) {
        Json rows = Json::array();
        for (const std::vector<double>& row : table.rows) {
            rows.push_back(Numbers(row));
        }
        list.push_back({{"name", table.name},
                        {"title", table.title},
                        {"columns", table.columns},
                        {"rows", std::move(rows)}});
    }
    return list;
}

}  // namespace

Json ResultDocument(const RunResult& result, const std::string& source) {
    Json units = Json::object();
    for (const StreamQuantity& quantity : kStreamQuantities) {
        units[quantity.name] = quantity.unit;
    }
    units["psd"] = "-";
    return {
        {"schema", "brixel-result"},
        {"schema_version", kResultSchemaVersion},
        {"source", source},
        {"kind", result.kind},
        {"title", result.title},
        {"block", result.block},
        {"description", result.description},
        {"outcome",
         {{"calculated", !result.fallback},
          {"fallback", result.fallback},
          {"valid", result.valid},
          {"status", result.status},
          {"status_name", StatusName(result.status)},
          {"outcome_word", result.outcome}}},
        {"stream_units", std::move(units)},
        {"streams", Streams(result)},
        {"settings", NamedValues(result.settings)},
        {"values", NamedValues(result.values)},
        {"tables", Tables(result)},
        {"messages", result.messages},
        {"history", result.history},
    };
}

std::string FormatJson(const RunResult& result, const std::string& source) {
    // Invalid UTF-8 in a host message is replaced rather than failing the whole document.
    return ResultDocument(result, source)
               .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
           "\n";
}

}  // namespace brixel::cli
