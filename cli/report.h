#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace brixel::cli {

// Writes a stream's table: one column per substream, component flows, total flow and state.
void PrintStreamTable(std::ostream& out, const std::string& title, int64_t streamBead);

// Writes a titled list of lines, or "(none)".
void PrintLines(std::ostream& out, const std::string& title, const std::vector<std::string>& lines);

}  // namespace brixel::cli
