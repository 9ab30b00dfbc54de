#include "brixel/messages/history.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"

namespace brixel {

namespace {
using records::kCharactersPerWord;
constexpr int kHistoryWords = records::kHistoryChars / kCharactersPerWord;
}  // namespace

void WriteHistoryRecord(const std::string& text, int words) {
    const int64_t* globals = HostGlobals();
    if (!globals) {
        return;
    }
    const int64_t count = std::clamp(words, 1, kHistoryWords);
    // The host reads exactly `length` characters, so the text is padded here, not by it.
    std::string padded = words < 1
                             ? std::string()
                             : text.substr(0, static_cast<std::size_t>(count * kCharactersPerWord));
    padded.resize(static_cast<std::size_t>(count * kCharactersPerWord), ' ');
    const int64_t length = static_cast<int64_t>(padded.size());
    std::array<int64_t, kHistoryWords> packed{};
    HostStringToHollerith(padded.c_str(), &length, packed.data());
    const int64_t unit = globals[records::kGlobalHistoryUnit];
    HostWriteRecord(&unit, packed.data(), &count);
}

}  // namespace brixel
