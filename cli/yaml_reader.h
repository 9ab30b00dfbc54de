#pragma once

#include <yaml-cpp/yaml.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::cli {

// A case file that cannot be read, or that is malformed or inconsistent. what() is the whole
// message, "<file>:<line>:<column>: <what is wrong>" (1-based), or "<file>: <what>" when the
// problem has no place in the file.
class CaseFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Larger case files are refused: the largest sensible case (thousands of PSD classes) is a
// few hundred kB, and the YAML library holds the whole tree in memory.
inline constexpr std::size_t kMaxCaseFileBytes = 16u << 20;

std::string Quoted(std::string_view text);
std::string JoinQuoted(const std::vector<std::string_view>& words);

// The checked reads every case kind makes; each throws CaseFileError with the place of the
// offending node.
class YamlReader {
  public:
    explicit YamlReader(std::string file) : m_file(std::move(file)) {}

    const std::string& File() const { return m_file; }

    [[noreturn]] void Fail(const YAML::Node& node, const std::string& what) const;
    // Checks that `node` is a map with unique plain keys out of `allowed`.
    void CheckMap(const YAML::Node& node, const std::string& context,
                  const std::vector<std::string_view>& allowed) const;
    YAML::Node Required(const YAML::Node& map, const std::string& key,
                        const std::string& context) const;
    // A finite number below the host's missing value in size.
    double Number(const YAML::Node& node, const std::string& what) const;
    std::string Text(const YAML::Node& node, const std::string& what) const;
    // 1 to 8 characters of capital letters, digits, '_' or '-': a host ID.
    std::string Identifier(const YAML::Node& node, const std::string& what) const;
    std::vector<double> Numbers(const YAML::Node& node, const std::string& what) const;

  private:
    std::string m_file;
};

// The one YAML document of a case text; a second document, a syntax error or an empty text
// is a CaseFileError naming `name`.
YAML::Node LoadCaseDocument(const std::string& text, const std::string& name);
// The text of a case file, refused when it cannot be read or is larger than kMaxCaseFileBytes.
std::string ReadCaseText(const std::string& path);

}  // namespace brixel::cli
