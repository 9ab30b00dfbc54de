#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace brixel::cli {

// A fresh directory for one test's files, removed with everything in it afterwards.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brixel-out-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch directory");
        }
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

struct CommandRun {
    int code = -1;
    std::string out;
    std::string err;
};

inline CommandRun RunBrixel(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    CommandRun run;
    run.code = RunCommand(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline std::string ExamplePath(const std::string& name) {
    return std::string(BRIXEL_EXAMPLES_DIR) + "/" + name;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Arguments that run `example` ("" for the built-in default case), then `extra`.
inline std::vector<std::string> CaseArguments(const std::string& example,
                                              const std::vector<std::string>& extra) {
    std::vector<std::string> arguments;
    if (!example.empty()) {
        arguments = {"run", ExamplePath(example)};
    }
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

}  // namespace brixel::cli
