#pragma once

#include <ostream>
#include <string>

#include "cli/case_kind.h"

namespace brixel::cli {

// The files a run was asked to write besides its text report; empty: not asked for.
struct OutputRequest {
    std::string plotsDirectory;  // --plots: every figure as NAME.svg and NAME.png
    std::string jsonFile;        // --json
    std::string csvDirectory;    // --csv
    std::string htmlFile;        // --html

    bool Any() const {
        return !plotsDirectory.empty() || !jsonFile.empty() || !csvDirectory.empty() ||
               !htmlFile.empty();
    }
};

// Writes every output asked for. A file is replaced only once its new content is complete
// (written beside it, then renamed), so a failure never leaves a half-written one. Each problem
// is told on `err`; the result is kExitCalculated when all went well, kExitBadInput when a path
// cannot be used (a directory that cannot be created, a file where a directory is wanted or
// the other way round, no permission), kExitInternalFailure when writing failed (a full disk,
// an I/O error, the drawing library).
int WriteOutputs(const RunResult& result, const std::string& source, const OutputRequest& request,
                 std::ostream& err);

}  // namespace brixel::cli
