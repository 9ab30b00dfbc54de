#pragma once

#include <ostream>

namespace brixel::cli {

// Builds the default case on a fresh substitute host (air with a little water vapour through
// a pass-through block), runs it through the unit lifecycle and writes the report.
// Returns the process exit code: 0 when the block calculated, 1 when it ended in fallback.
int RunDefaultCase(std::ostream& out);

}  // namespace brixel::cli
