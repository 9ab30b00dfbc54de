#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brixel::cli {

// Exit codes of the command.
inline constexpr int kExitCalculated = 0;
inline constexpr int kExitFallback = 1;         // the run completed through the fallback exit
inline constexpr int kExitBadInput = 2;         // usage, case file or host set-up; nothing on `out`
inline constexpr int kExitInternalFailure = 3;  // an unexpected exception; nothing on `out`

// The brixel command without the process around it: `arguments` excludes the program name.
// The report goes to `out` in one piece once the run has completed; problems go to `err`.
int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace brixel::cli
