#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "cli/feed_host.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {

// A scalar result; NaN when the run did not get to it.
struct ResultValue {
    std::string name;  // "pressure drop"
    double value = 0.0;
    std::string unit;  // SI; "" for a plain number
};

// A table of numbers: a curve, a PSD, a profile along a line.
struct ResultTable {
    std::string name;                  // a short key, fit for a file name: "profile"
    std::string title;                 // heading in the text report
    std::vector<std::string> columns;  // quantity / SI unit: "length / m"
    std::vector<std::vector<double>> rows;
};

// What one case run produced, whatever its kind: every report form is written from this.
struct RunResult {
    std::string kind;         // the case file's `unit:`
    std::string title;        // the case's title, or a description of the kind
    std::string block;        // block ID
    std::string description;  // what the block is, one line
    std::vector<std::pair<std::string, StreamSummary>> streams;  // port name, in port order
    std::vector<ResultValue> values;
    std::vector<ResultValue> settings;  // the case's own numbers a kind's report repeats
    std::vector<ResultTable> tables;
    std::vector<std::string> messages;  // the host's printed lines
    std::vector<std::string> history;   // the host's history lines
    bool valid = false;                 // the unit's validation passed
    long status = 0;                    // of Calculate (or of the failed validation)
    bool fallback = false;              // the run completed through the fallback exit
    int64_t outcome = 0;                // the block's outcome word
    // A kind whose text report has a layout of its own formats it here; empty: the shared one.
    std::function<std::string(const std::string& source)> ownTextReport;
};

// A run headed by its kind, the case's title (`untitled` when the case has none), its block
// and what the block is.
inline RunResult StartRun(std::string kind, const std::string& title, const char* untitled,
                          std::string block, std::string description) {
    RunResult run;
    run.kind = std::move(kind);
    run.title = title.empty() ? std::string(untitled) : title;
    run.block = std::move(block);
    run.description = std::move(description);
    return run;
}

using CaseRunner = std::function<RunResult()>;

// Reads and checks the whole case file first (every problem through reader.Fail), then
// returns the run: nothing runs before the file is known to be good.
using CaseKindReader = CaseRunner (*)(const YamlReader& reader, const YAML::Node& root);

}  // namespace brixel::cli
