#pragma once

#include <string>
#include <vector>

#include "cli/case_kind.h"

namespace brixel::cli {

struct CsvFile {
    std::string name;  // "streams.csv"
    std::string text;
};

// One file for the stream table, one for the scalar results (values.csv), one for the case's
// settings when it has any, and one per table (NAME.csv): a header row whose column names
// carry the SI unit ("pressure / Pa"), then numbers that read back to the same doubles. A value
// the run did not reach is an empty cell.
std::vector<CsvFile> CsvFilesOf(const RunResult& result);

// A number as the shortest text that reads back to the same double; "" for NaN or infinity.
std::string CsvNumber(double value);

}  // namespace brixel::cli
