// The whole brixel command on a case file: the bytes are the file. Every input must end with
// a report or a message, within the time and memory the fuzzer allows.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& CasePath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/brixel-fuzz-case-XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0) {
            std::abort();
        }
        close(descriptor);
        std::atexit([] { std::remove(CasePath().c_str()); });
        return pattern;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(CasePath().c_str(), "wb");
    if (!file) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
    std::ostringstream out;
    std::ostringstream err;
    const int code = brixel::cli::RunCommand({"run", CasePath()}, out, err);
    // The command's own promises: a known exit code, stdout empty unless a run completed, a
    // message on stderr when it did not.
    const bool completed = code == 0 || code == 1;
    if (code < 0 || code > 3 || (!completed && !out.str().empty()) ||
        (!completed && err.str().empty()) || (completed && out.str().empty())) {
        std::abort();
    }
    return 0;
}
