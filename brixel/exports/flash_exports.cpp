#include "brixel/exports/flash_exports.h"

#include <cstring>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"

namespace {

// Word positions in the host's stream-work data.
constexpr int kWorkRealBase = 0;     // HostStreamWorkCommon: base added to the array keys
constexpr int kWorkIntegerBase = 1;  // HostStreamWorkCommon: base added to the list key
constexpr int kWorkCount = 2;        // HostStreamWorkCommon: number of listed components
constexpr int kWorkBeta = 22;        // HostStreamWorkCommon: beta, a real stored in the word
constexpr int kWork2ArrayA = 15;     // HostStreamWorkCommon2 keys of the arrays
constexpr int kWork2ArrayC = 16;
constexpr int kWork2ArrayD = 17;
constexpr int kWork2ArrayB = 18;
constexpr int kWork2Components = 25;

}  // namespace

extern "C" void FlashResults(int64_t* count, int64_t** components, double** a, double** b,
                             double** c, double** d, double* beta) {
    const int64_t* work = HostStreamWorkCommon();
    const int64_t* work2 = HostStreamWorkCommon2();
    if (!work || !work2) {
        return;
    }
    if (count) {
        *count = work[kWorkCount];
    }
    if (components) {
        *components = brixel::plex::IntAt(work2[kWork2Components] + work[kWorkIntegerBase]);
    }
    const auto array = [&](int key) {
        return brixel::plex::RealAt(work2[key] + work[kWorkRealBase]);
    };
    if (a) {
        *a = array(kWork2ArrayA);
    }
    if (b) {
        *b = array(kWork2ArrayB);
    }
    if (c) {
        *c = array(kWork2ArrayC);
    }
    if (d) {
        *d = array(kWork2ArrayD);
    }
    if (beta) {
        std::memcpy(beta, &work[kWorkBeta], sizeof(double));
    }
}
