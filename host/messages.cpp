#include <algorithm>

#include "host/substitute_host_impl.h"

namespace brixel::host {

using Impl = SubstituteHost::Impl;

bool Impl::CheckLevel(LevelCheckCall call) {
    call.shown = levelCheck ? levelCheck(call) : call.level <= call.printLevel;
    levelChecks.push_back(call);
    return call.shown;
}

// One print of error-buffer lines 1 ... n; n beyond the buffer prints the whole buffer.
void Impl::PrintErrors(int64_t lines) {
    if (lines <= 0) {
        return;
    }
    const int64_t count = std::min<int64_t>(lines, kErrorBufferLines);
    std::vector<std::string> printed;
    for (int64_t line = 1; line <= count; ++line) {
        printed.push_back(UnpackText(errorBuffer.data() + (line - 1) * records::kErrorLineWords,
                                     records::kHistoryChars));
    }
    prints.push_back(std::move(printed));
}

// Records for other units than the history file and the report are dropped.
void Impl::WriteRecord(int64_t unit, const int64_t* words, int64_t count) {
    const bool history = unit == globals[records::kGlobalHistoryUnit];
    if (!history && unit != globals[records::kGlobalReportUnit]) {
        return;
    }
    count = words == nullptr ? 0 : std::clamp<int64_t>(count, 0, records::kHistoryChars / 4);
    (history ? historyLines : reportLines)
        .push_back(UnpackText(words, static_cast<int>(4 * count)));
}

std::string Impl::ErrorLine(int line) const {
    std::string text = UnpackText(errorBuffer.data() + (line - 1) * records::kErrorLineWords,
                                  records::kHistoryChars);
    text.resize(records::kHistoryChars, ' ');
    return text;
}

}  // namespace brixel::host
