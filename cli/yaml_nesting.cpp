#include "cli/yaml_nesting.h"

#include <array>
#include <string_view>

#include "cli/yaml_reader.h"

namespace brixel::cli {

namespace {

constexpr std::size_t kLevels = static_cast<std::size_t>(kMaxNesting);

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Follows the structure of a YAML text line by line: the block collections open at each
// indentation (a stack of at most kMaxNesting columns), the flow brackets open inside them,
// and whatever runs across lines (a quoted scalar, a flow collection, a block scalar).
class NestingScan {
  public:
    NestingScan(const std::string& text, const std::string& name) : m_text(text), m_name(name) {}

    void Run() {
        std::size_t begin = 0;
        while (begin < m_text.size()) {
            std::size_t end = m_text.find('\n', begin);
            if (end == std::string::npos) {
                end = m_text.size();
            }
            Line(std::string_view(m_text).substr(begin, end - begin));
            ++m_line;
            begin = end + 1;
        }
    }

  private:
    struct Level {
        std::size_t column;
        bool sequence;
    };

    [[noreturn]] void TooDeep(std::size_t column) const {
        throw CaseFileError(m_name + ":" + std::to_string(m_line + 1) + ":" +
                            std::to_string(column + 1) + ": lists and maps nested deeper than " +
                            std::to_string(kMaxNesting) + " levels");
    }

    void Line(std::string_view line) {
        m_view = line;
        const bool marker = (line.substr(0, 3) == "---" || line.substr(0, 3) == "...") &&
                            (line.size() == 3 || IsBlank(line[3]));
        if (marker) {  // a new document, or the end of one: every level closes
            m_count = 0;
            m_flow = 0;
            m_quote = 0;
            m_inScalar = false;
            if (line[0] == '-') {
                Block(3);
            }
            return;
        }
        std::size_t start = 0;
        while (start < line.size() && IsBlank(line[start])) {
            ++start;
        }
        if (m_inScalar) {
            // Blank lines and lines indented past the parent belong to the block scalar.
            if (start == line.size() || m_scalarParent < 0 ||
                static_cast<std::ptrdiff_t>(start) > m_scalarParent) {
                return;
            }
            m_inScalar = false;
        }
        if (m_quote != 0 || m_flow > 0) {
            Inline(0, false);
        } else if (!(line.empty() || line[0] == '%')) {  // a directive holds no nodes
            Block(start);
        }
    }

    // The block structure of a line whose content starts at `at`, outside any flow or quote.
    void Block(std::size_t at) {
        while (at < m_view.size() && IsBlank(m_view[at])) {
            ++at;
        }
        if (at == m_view.size() || m_view[at] == '#') {
            return;
        }
        // "- - a: b" opens a sequence, a sequence and a map on one line.
        for (bool first = true;; first = false) {
            const bool sequence = IsIndicator(at, '-');
            if (!sequence && !IsKeyLine(at)) {
                if (IsIndicator(at, '?') || IsIndicator(at, ':')) {
                    at += 2;  // an explicit key or value: its node follows
                }
                break;
            }
            Open(at, sequence, first);
            if (!sequence) {
                break;
            }
            at += 2;
            while (at < m_view.size() && IsBlank(m_view[at])) {
                ++at;
            }
        }
        Inline(at, true);
    }

    bool IsIndicator(std::size_t at, char indicator) const {
        return at < m_view.size() && m_view[at] == indicator &&
               (at + 1 == m_view.size() || IsBlank(m_view[at + 1]));
    }

    // Inside a quoted scalar: whether the character at `i` ends it. Steps `i` over an escape
    // (\" in double quotes) or a doubled quote ('' in single quotes).
    bool ClosesQuote(std::size_t& i, char quote) const {
        const char c = m_view[i];
        if (quote == '"' && c == '\\') {
            ++i;
            return false;
        }
        if (c != quote) {
            return false;
        }
        if (quote == '\'' && i + 1 < m_view.size() && m_view[i + 1] == '\'') {
            ++i;
            return false;
        }
        return true;
    }

    // A "key: ..." line: a ':' followed by a blank or the end, outside quotes and before any
    // comment or flow bracket.
    bool IsKeyLine(std::size_t at) const {
        char quote = 0;
        for (std::size_t i = at; i < m_view.size(); ++i) {
            const char c = m_view[i];
            if (quote != 0) {
                if (ClosesQuote(i, quote)) {
                    quote = 0;
                }
            } else if (i == at && (c == '"' || c == '\'')) {
                quote = c;
            } else if (i == at && (c == '[' || c == '{')) {
                return false;
            } else if (c == '#' && i > at && IsBlank(m_view[i - 1])) {
                return false;
            } else if (c == ':' && (i + 1 == m_view.size() || IsBlank(m_view[i + 1]))) {
                return true;
            }
        }
        return false;
    }

    // A block collection at `column` on this line: a sibling of the open one at the same
    // column, a sequence under a map key at the same column, or a child level.
    void Open(std::size_t column, bool sequence, bool lineStart) {
        if (lineStart) {
            while (m_count > 0 && m_levels[m_count - 1].column > column) {
                --m_count;
            }
            if (m_count > 0 && m_levels[m_count - 1].column == column) {
                Level& top = m_levels[m_count - 1];
                if (top.sequence == sequence) {
                    return;
                }
                if (top.sequence) {  // the sequence under a key ends; the map goes on
                    --m_count;
                    if (m_count > 0 && m_levels[m_count - 1].column == column) {
                        return;
                    }
                }
            }
        }
        if (m_count == kLevels) {
            TooDeep(column);
        }
        m_levels[m_count++] = {column, sequence};
    }

    // The rest of a line from `at`: quotes, comments, flow brackets, a block scalar's header.
    // `node`: a node may start here (after an indicator, at the start of the content).
    void Inline(std::size_t at, bool node) {
        for (std::size_t i = at; i < m_view.size(); ++i) {
            const char c = m_view[i];
            if (m_quote != 0) {
                if (ClosesQuote(i, m_quote)) {
                    m_quote = 0;
                }
                continue;
            }
            const bool boundary = i == 0 || IsBlank(m_view[i - 1]);
            if (c == '#' && boundary) {
                return;
            }
            if (IsBlank(c)) {
                continue;
            }
            if (m_flow > 0) {
                if ((c == '"' || c == '\'') &&
                    (boundary ||
                     std::string_view("[{,:").find(m_view[i - 1]) != std::string_view::npos)) {
                    m_quote = c;
                } else if (c == '[' || c == '{') {
                    OpenFlow(i);
                } else if (c == ']' || c == '}') {
                    --m_flow;
                    node = false;
                }
                continue;
            }
            if (!node) {
                node = c == ':' && (i + 1 == m_view.size() || IsBlank(m_view[i + 1]));
                continue;
            }
            if (c == '"' || c == '\'') {
                m_quote = c;
                node = false;
            } else if (c == '[' || c == '{') {
                m_flowBase = m_count;
                OpenFlow(i);
            } else if (c == '|' || c == '>') {
                // The scalar's lines are those indented past its parent's column.
                m_inScalar = true;
                m_scalarParent =
                    m_count > 0 ? static_cast<std::ptrdiff_t>(m_levels[m_count - 1].column) : -1;
                return;
            } else if (c == '&' || c == '!') {
                while (i + 1 < m_view.size() && !IsBlank(m_view[i + 1])) {
                    ++i;  // an anchor or a tag: the node follows it
                }
            } else if (!IsIndicator(i, '-')) {
                node = false;  // a plain scalar
            }
        }
    }

    void OpenFlow(std::size_t column) {
        ++m_flow;
        if (m_flowBase + m_flow > kLevels) {
            TooDeep(column);
        }
    }

    const std::string& m_text;
    const std::string& m_name;
    std::string_view m_view;  // the current line
    std::size_t m_line = 0;
    std::array<Level, kLevels> m_levels{};
    std::size_t m_count = 0;     // open block levels
    std::size_t m_flow = 0;      // open flow brackets
    std::size_t m_flowBase = 0;  // block levels around the open flow collection
    char m_quote = 0;            // the quote of a scalar still open
    bool m_inScalar = false;     // inside a block scalar
    std::ptrdiff_t m_scalarParent = -1;
};

}  // namespace

void CheckNesting(const std::string& text, const std::string& name) {
    NestingScan(text, name).Run();
}

}  // namespace brixel::cli
