#include "brixel/messages/error_print.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "brixel/messages/history.h"

namespace {

constexpr int kErrorLevel = 2;
constexpr int kWarningLevel = 3;
constexpr int kInfoLevel = 4;

// Print level assumed when no status block is bound: the host's ordinary level.
constexpr int64_t kDefaultPrintLevel = 4;
// Fixed trailing words of the host's level check; their meaning lies with the host.
constexpr int64_t kLevelCheckWords[4] = {99999999, 0, 0, 2};

using brixel::records::kCharactersPerWord;
constexpr int kTagWords = brixel::records::kIdChars / kCharactersPerWord;
constexpr int kErrorLineChars = brixel::records::kErrorLineWords * kCharactersPerWord;
constexpr std::string_view kIndent = "      ";  // 6 blanks open every error and history line
constexpr int kStatusBlockWords = 8;

// Longest run of blanks one tab stop may add.
constexpr std::size_t kMaxTabPad = 54;

}  // namespace

namespace brixel {

std::vector<std::string> WrapText(std::string& text, std::size_t width) {
    width = std::max<std::size_t>(width, 1);
    std::vector<std::string> lines;
    while (text.size() > width) {
        std::size_t cut = width;
        for (std::size_t position = width; position >= 1; --position) {
            if (text[position] == ' ') {
                cut = position;
                break;
            }
        }
        lines.push_back(text.substr(0, cut));
        const std::size_t next = text.find_first_not_of(' ', cut);
        text.erase(0, next == std::string::npos ? text.size() : next);
    }
    return lines;
}

std::string LayoutTabbedLine(const std::string& text, const int* tabs) {
    std::size_t nextStop = 0;
    auto takeStop = [&]() -> int64_t { return tabs ? tabs[nextStop++] : 0; };
    // Anything past a full history line is cut when the line is written.
    const int64_t indent = std::clamp<int64_t>(takeStop(), 0, records::kHistoryChars);
    std::string line(static_cast<std::size_t>(indent), ' ');
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\t', start);
        const std::size_t length = end == std::string::npos ? std::string::npos : end - start;
        const std::string field = text.substr(start, length);
        if (!field.empty()) {
            line += field;
            const int64_t stop = takeStop();
            const int64_t current = static_cast<int64_t>(line.size());
            if (current >= stop) {
                line += ' ';
            } else {
                line.append(std::min(static_cast<std::size_t>(stop - current), kMaxTabPad), ' ');
            }
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return line;
}

}  // namespace brixel

CErrorPrint::CErrorPrint() = default;

CErrorPrint::CErrorPrint(int64_t* statusBlock) : m_pIscp(statusBlock) {}

CErrorPrint::~CErrorPrint() = default;

bool CErrorPrint::CheckErrorPrint(CString tag, bool calculation, int level, int code) {
    m_nLevel = level;
    m_bCalculation = calculation;

    // Padded here so that the host never reads past the text.
    std::string name = tag.MakeUpper().Left(brixel::records::kIdChars).str();
    name.resize(brixel::records::kIdChars, ' ');
    const int64_t nameLength = brixel::records::kIdChars;
    std::array<int64_t, kTagWords> packedTag{};
    HostStringToHollerith(name.c_str(), &nameLength, packedTag.data());

    const int64_t hostLevel = level;
    const int64_t hostCode = code;
    const int64_t printLevel =
        m_pIscp ? m_pIscp[brixel::records::kStatusPrintLevel] : kDefaultPrintLevel;
    return HostErrorLevelCheck(packedTag.data(), &hostLevel, &hostCode, &printLevel,
                               &kLevelCheckWords[0], &kLevelCheckWords[1], &kLevelCheckWords[2],
                               &kLevelCheckWords[3]) != 0;
}

void CErrorPrint::AddErrorText(int line, CString text) {
    if (m_nLevel < kWarningLevel) {
        (m_bCalculation ? m_bCalculationErrors : m_bValidationErrors) = true;
    } else if (m_nLevel == kWarningLevel) {
        m_bWarnings = true;
    }

    int64_t lines = 0;
    int64_t* buffer = HostErrorBuffer(&lines);
    if (!buffer || line < 1 || line > lines) {
        return;
    }
    std::string content =
        std::string(kIndent) + text.MakeUpper().Left(brixel::records::kErrorTextChars).str();
    content.resize(kErrorLineChars, ' ');
    const int64_t length = kErrorLineChars;
    HostStringToHollerith(
        content.c_str(), &length,
        buffer + static_cast<int64_t>(line - 1) * brixel::records::kErrorLineWords);
}

void CErrorPrint::PrintError(int n) {
    int64_t lines = 0;
    if (!HostErrorBuffer(&lines)) {
        return;
    }
    const int64_t count = std::min<int64_t>(n, lines);
    if (count < 1) {
        return;
    }
    HostPrintErrors(&count);
}

void CErrorPrint::WriteHis(CString text) {
    const std::string line = (CString(kIndent) + text).MakeUpper().str();
    const std::size_t characters =
        std::min<std::size_t>(line.size(), brixel::records::kHistoryChars);
    const int words = static_cast<int>((line.size() + kCharactersPerWord - 1) / kCharactersPerWord);
    brixel::WriteHistoryRecord(
        line.substr(0, characters),
        std::min(words, brixel::records::kHistoryChars / kCharactersPerWord));
}

void CErrorPrint::WriteHisTab(CString text, int* tabs) {
    WriteHis(CString(brixel::LayoutTabbedLine(text.str(), tabs)));
}

void CErrorPrint::RaiseCalculationError(uint32_t code, CString text, CString tag,
                                        bool collectOnly) {
    m_bCalculationErrors = true;
    Raise(m_saPendingCalcErrors, true, kErrorLevel, code, std::move(text), std::move(tag),
          collectOnly);
}

void CErrorPrint::RaiseValidationError(uint32_t code, CString text, CString tag, bool collectOnly) {
    m_bValidationErrors = true;
    Raise(m_saPendingValErrors, false, kErrorLevel, code, std::move(text), std::move(tag),
          collectOnly);
}

void CErrorPrint::RaiseWarning(uint32_t code, CString text, CString tag, bool collectOnly) {
    m_bWarnings = true;
    if (Raise(m_saPendingWarnings, true, kWarningLevel, code, std::move(text), std::move(tag),
              collectOnly) &&
        m_pIscp) {
        m_pIscp[brixel::records::kStatusOutcome] = brixel::records::kOutcomeWarning;
    }
}

void CErrorPrint::RaiseInfoMsg(uint32_t code, CString text, CString tag, bool collectOnly) {
    Raise(m_saPendingInfo, true, kInfoLevel, code, std::move(text), std::move(tag), collectOnly);
}

bool CErrorPrint::Raise(CStringArray& pending, bool calculation, int level, uint32_t code,
                        CString text, CString tag, bool collectOnly) {
    if (!m_bOutputEnabled) {
        return false;
    }
    std::string lastPiece = text.str();
    const int pendingBefore = pending.GetSize();
    for (const std::string& line : brixel::WrapText(lastPiece, brixel::records::kErrorTextChars)) {
        pending.Add(CString(line));
    }
    if (collectOnly) {
        pending.Add(CString(lastPiece));
        return false;
    }
    if (tag.IsEmpty()) {
        tag = m_strTag;
    }
    // Codes travel as the host's int; every code the library raises is far below 2^31.
    if (!CheckErrorPrint(tag, calculation, level, static_cast<int>(code))) {
        // A declined message takes its own wrapped lines with it, so that they do not show
        // up in front of the next message of this kind; earlier collected messages stay.
        if (pending.GetSize() > pendingBefore) {
            pending.RemoveAt(pendingBefore, pending.GetSize() - pendingBefore);
        }
        return false;
    }

    std::vector<CString> lines;
    lines.reserve(static_cast<std::size_t>(pending.GetSize()) + 1);
    for (int i = 0; i < pending.GetSize(); ++i) {
        lines.push_back(pending[i]);
    }
    lines.emplace_back(lastPiece);
    pending.RemoveAll();

    // A message longer than the buffer goes out in several prints rather than losing lines.
    int64_t capacity = 0;
    if (!HostErrorBuffer(&capacity) || capacity < 1) {
        return true;
    }
    const std::size_t chunk = static_cast<std::size_t>(capacity);
    for (std::size_t first = 0; first < lines.size(); first += chunk) {
        const std::size_t count = std::min(chunk, lines.size() - first);
        for (std::size_t i = 0; i < count; ++i) {
            AddErrorText(static_cast<int>(i + 1), lines[first + i]);
        }
        PrintError(static_cast<int>(count));
    }
    return true;
}

bool CErrorPrint::HasValidationErrors() const {
    return m_bValidationErrors;
}
bool CErrorPrint::HasCalculationErrors() const {
    return m_bCalculationErrors;
}
bool CErrorPrint::HasWarnings() const {
    return m_bWarnings;
}

void CErrorPrint::ClearValidationErrors() {
    m_bValidationErrors = false;
}
void CErrorPrint::ClearCalculationErrors() {
    m_bCalculationErrors = false;
}
void CErrorPrint::ClearWarnings() {
    m_bWarnings = false;
}

int64_t* CErrorPrint::GetIscp() const {
    return m_pIscp;
}

// The host's status block has kStatusBlockWords words; a word beyond it is not the block's
// and is neither read nor written.
int CErrorPrint::GetIscpOf(int i) const {
    if (!m_pIscp || i < 0 || i >= kStatusBlockWords) {
        return 0;
    }
    return static_cast<int>(m_pIscp[i]);
}

void CErrorPrint::SetIscpOf(int i, int64_t value) {
    if (!m_pIscp || i < 0 || i >= kStatusBlockWords) {
        return;
    }
    m_pIscp[i] = value;
}

void CErrorPrint::SetIscp(int64_t* statusBlock) {
    m_pIscp = statusBlock;
}
void CErrorPrint::EnableOutput(bool enable) {
    m_bOutputEnabled = enable;
}
void CErrorPrint::SetTag(const CString& tag) {
    m_strTag = tag;
}
void CErrorPrint::SetCalculationPhase(bool calculation) {
    m_bCalculation = calculation;
}
