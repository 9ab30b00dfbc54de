// Packed text (hol2s), history lines (WriteHistory) and the error function (FERF).
#include <cstdint>
#include <string>
#include <vector>

#include "brixel/exports/plex_exports.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    brixel::fuzz::FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    while (!in.Empty()) {
        switch (in.Below(3)) {
            case 0: {
                std::vector<int64_t> words(in.Below(24));
                for (int64_t& word : words) {
                    word = in.Take<int64_t>();
                }
                // The caller owns n + 1 bytes and at least n / 4 words; n may be any count.
                const int64_t n =
                    static_cast<int64_t>(in.Below(4 * words.size() + 1)) - (in.Byte() == 0 ? 5 : 0);
                std::vector<char> buffer(static_cast<std::size_t>(std::max<int64_t>(n, 0)) + 1);
                hol2s(words.empty() ? nullptr : words.data(), buffer.data(), n);
                hol2s(words.data(), nullptr, n);
                break;
            }
            case 1:
                WriteHistory(CString(in.Text(200).c_str()));
                break;
            default: {
                const double x = in.Real();
                (void)FERF(&x);
                (void)FERF(nullptr);
                break;
            }
        }
    }
    return 0;
}
