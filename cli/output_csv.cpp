#include "cli/output_csv.h"

#include <charconv>
#include <cmath>

#include "cli/stream_quantities.h"

namespace brixel::cli {

namespace {

// Quoted when the text would otherwise split the row.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

// "kg/s" becomes "(kg/s)" in a column name, as the tables write compound units.
std::string Column(const std::string& quantity, const std::string& unit) {
    const bool compound = unit.find_first_of("/ ") != std::string::npos;
    return quantity + " / " + (compound ? "(" + unit + ")" : unit);
}

std::string Row(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) {
            row += ',';
        }
        row += Field(fields[i]);
    }
    row += '\n';
    return row;
}

CsvFile StreamsFile(const RunResult& result) {
    std::vector<std::string> header = {"stream"};
    for (const StreamQuantity& quantity : kStreamQuantities) {
        header.push_back(Column(quantity.name, quantity.unit));
    }
    CsvFile file{"streams.csv", Row(header)};
    for (const auto& [port, stream] : result.streams) {
        std::vector<std::string> fields = {port};
        for (const StreamQuantity& quantity : kStreamQuantities) {
            fields.push_back(CsvNumber(quantity.of(stream)));
        }
        file.text += Row(fields);
    }
    return file;
}

CsvFile ValuesFile(const std::string& name, const std::vector<ResultValue>& values) {
    CsvFile file{name, Row({"quantity", "value", "unit"})};
    for (const ResultValue& value : values) {
        file.text += Row({value.name, CsvNumber(value.value), value.unit});
    }
    return file;
}

CsvFile TableFile(const ResultTable& table) {
    CsvFile file{table.name + ".csv", Row(table.columns)};
    for (const std::vector<double>& row : table.rows) {
        std::vector<std::string> fields;
        for (const double value : row) {
            fields.push_back(CsvNumber(value));
        }
        file.text += Row(fields);
    }
    return file;
}

}  // namespace

std::string CsvNumber(double value) {
    if (!std::isfinite(value)) {
        return "";
    }
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::vector<CsvFile> CsvFilesOf(const RunResult& result) {
    std::vector<CsvFile> files = {StreamsFile(result), ValuesFile("values.csv", result.values)};
    if (!result.settings.empty()) {
        files.push_back(ValuesFile("settings.csv", result.settings));
    }
    for (const ResultTable& table : result.tables) {
        CsvFile file = TableFile(table);
        // A table named like one of the files above keeps both.
        for (const CsvFile& earlier : files) {
            if (earlier.name == file.name) {
                file.name = "table_" + file.name;
            }
        }
        files.push_back(std::move(file));
    }
    return files;
}

}  // namespace brixel::cli
