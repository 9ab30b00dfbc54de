#include "cli/yaml_reader.h"

#include <yaml-cpp/eventhandler.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <sstream>

#include "cli/host_values.h"
#include "cli/yaml_nesting.h"

namespace brixel::cli {

namespace {

constexpr std::size_t kIdCharacters = 8;  // host IDs: 8 characters, packed into two words

// [+-] digits [. digits] [e [+-] digits], with digits on at least one side of the point.
bool IsDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return i == text.size();
}

std::string Place(const std::string& file, const YAML::Mark& mark) {
    if (mark.is_null()) {
        return file;
    }
    return file + ":" + std::to_string(mark.line + 1) + ":" + std::to_string(mark.column + 1);
}

// Notes where a document starts and ignores its content: enough to tell whether a text holds
// a further document without building it.
class DocumentStart : public YAML::EventHandler {
  public:
    YAML::Mark mark = YAML::Mark::null_mark();  // of the document's first node

    void OnDocumentStart(const YAML::Mark&) override {}
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark& at, YAML::anchor_t) override { Note(at); }
    void OnAlias(const YAML::Mark& at, YAML::anchor_t) override { Note(at); }
    void OnScalar(const YAML::Mark& at, const std::string&, YAML::anchor_t,
                  const std::string&) override {
        Note(at);
    }
    void OnSequenceStart(const YAML::Mark& at, const std::string&, YAML::anchor_t,
                         YAML::EmitterStyle::value) override {
        Note(at);
    }
    void OnSequenceEnd() override {}
    void OnMapStart(const YAML::Mark& at, const std::string&, YAML::anchor_t,
                    YAML::EmitterStyle::value) override {
        Note(at);
    }
    void OnMapEnd() override {}

  private:
    void Note(const YAML::Mark& at) {
        if (mark.is_null()) {
            mark = at;
        }
    }
};

}  // namespace

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string JoinQuoted(const std::vector<std::string_view>& words) {
    std::string joined;
    for (const std::string_view word : words) {
        joined += (joined.empty() ? "" : ", ") + Quoted(word);
    }
    return joined;
}

void YamlReader::Fail(const YAML::Node& node, const std::string& what) const {
    throw CaseFileError(Place(m_file, node.Mark()) + ": " + what);
}

void YamlReader::CheckMap(const YAML::Node& node, const std::string& context,
                          const std::vector<std::string_view>& allowed) const {
    if (!node.IsMap()) {
        Fail(node, context + " must be a map of keys and values");
    }
    std::set<std::string> seen;
    for (const auto& entry : node) {
        if (!entry.first.IsScalar()) {
            Fail(entry.first, "a key in " + context + " must be a plain name");
        }
        const std::string key = entry.first.Scalar();
        if (!seen.insert(key).second) {
            Fail(entry.first, "duplicate key " + Quoted(key) + " in " + context);
        }
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
            Fail(entry.first, "unknown key " + Quoted(key) + " in " + context +
                                  " (allowed: " + JoinQuoted(allowed) + ")");
        }
    }
}

YAML::Node YamlReader::Required(const YAML::Node& map, const std::string& key,
                                const std::string& context) const {
    const YAML::Node value = map[key];
    if (!value) {
        Fail(map, context + " lacks the key " + Quoted(key));
    }
    return value;
}

namespace {

// The value of a plain decimal scalar that passes every check of YamlReader::Number; empty
// otherwise, when Number's own path finds the fault and words it. Long lists of numbers take
// this path alone, without building a message per element.
std::optional<double> PlainNumber(const YAML::Node& node) {
    if (!node.IsScalar() || node.Tag() != "?") {
        return std::nullopt;
    }
    const std::string& text = node.Scalar();
    if (!IsDecimalNumber(text)) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const bool whole = end == text.c_str() + text.size();
    const bool normal = value == 0.0 || std::fabs(value) >= std::numeric_limits<double>::min();
    if (!whole || errno != 0 || !normal || !(std::fabs(value) < kHostMissing)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

double YamlReader::Number(const YAML::Node& node, const std::string& what) const {
    if (const std::optional<double> value = PlainNumber(node)) {
        return *value;
    }
    if (!node.IsScalar()) {
        Fail(node, what + " must be a number");
    }
    const std::string& text = node.Scalar();
    // A quoted scalar is text however it reads ("320"), and only decimal notation is a
    // number here: the conversion would also take hexadecimal (0x140).
    if (node.Tag() != "?") {
        Fail(node, what + " must be a number, not the quoted text " + Quoted(text));
    }
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == ".nan" || lower == "nan" || lower.find("inf") != std::string::npos) {
        Fail(node, what + " must be a finite number, not " + Quoted(text));
    }
    if (!IsDecimalNumber(text)) {
        const bool hexadecimal = lower.find("0x") != std::string::npos;
        Fail(node,
             what + (hexadecimal ? " must be a decimal number, not " : " must be a number, not ") +
                 Quoted(text));
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) {
        Fail(node, what + " must be a number, not " + Quoted(text));
    }
    if (value != 0.0 ? std::fabs(value) < std::numeric_limits<double>::min() : errno == ERANGE) {
        Fail(node, what + " " + Quoted(text) +
                       " is subnormal (not 0, but below 2.2e-308 in size): give 0 or a larger "
                       "value");
    }
    if (errno == ERANGE || !std::isfinite(value)) {
        Fail(node, what + " must be a finite number, not " + Quoted(text));
    }
    if (std::fabs(value) >= kHostMissing) {
        Fail(node, what + " must be below 1e35 in size: the host reads that as missing");
    }
    return value;
}

std::string YamlReader::Text(const YAML::Node& node, const std::string& what) const {
    if (!node.IsScalar()) {
        Fail(node, what + " must be a text");
    }
    return node.Scalar();
}

std::string YamlReader::Identifier(const YAML::Node& node, const std::string& what) const {
    const std::string text = Text(node, what);
    const bool plain = std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isupper(c) || std::isdigit(c) || c == '_' || c == '-';
    });
    if (text.empty() || text.size() > kIdCharacters || !plain) {
        Fail(node, what + " " + Quoted(text) +
                       " must be 1 to 8 characters of capital letters, digits, '_' or '-'");
    }
    return text;
}

std::vector<double> YamlReader::Numbers(const YAML::Node& node, const std::string& what) const {
    if (!node.IsSequence()) {
        Fail(node, what + " must be a list of numbers");
    }
    std::vector<double> values;
    values.reserve(node.size());
    for (const YAML::Node& element : node) {
        const std::optional<double> value = PlainNumber(element);
        values.push_back(value ? *value : Number(element, "every element of " + what));
    }
    return values;
}

YAML::Node LoadCaseDocument(const std::string& text, const std::string& name) {
    CheckNesting(text, name);
    try {
        // The library's multi-document loader never returns on some stray tokens (a leading
        // ','): it keeps finding empty documents at the same place. So the first document is
        // built on its own, and a parser that only notes document starts looks once for a
        // second one.
        YAML::Node root = YAML::Load(text);
        std::istringstream stream(text);
        YAML::Parser parser(stream);
        DocumentStart first;
        DocumentStart second;
        if (parser.HandleNextDocument(first) && parser.HandleNextDocument(second)) {
            if (second.mark.pos == first.mark.pos) {
                throw CaseFileError(Place(name, second.mark) +
                                    ": unexpected text where the case file's map should start");
            }
            throw CaseFileError(Place(name, second.mark) + ": a case file holds one YAML document");
        }
        if (!root || root.IsNull()) {
            throw CaseFileError(name + ": the case file is empty");
        }
        return root;
    } catch (const YAML::Exception& error) {
        throw CaseFileError(Place(name, error.mark) + ": " + error.msg);
    }
}

std::string ReadCaseText(const std::string& path) {
    // Any readable file but a directory: a pipe or a process substitution serves as well.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        throw CaseFileError(path + ": cannot open the case file");
    }
    if (std::filesystem::is_directory(status)) {
        throw CaseFileError(path + ": is a directory, not a case file");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw CaseFileError(path + ": cannot open the case file");
    }
    std::string text;
    char buffer[1 << 16];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxCaseFileBytes) {
            throw CaseFileError(path + ": the case file is larger than " +
                                std::to_string(kMaxCaseFileBytes >> 20) + " MiB");
        }
    }
    if (file.bad()) {
        throw CaseFileError(path + ": cannot read the case file");
    }
    return text;
}

}  // namespace brixel::cli
