#include "brixel/framework/flash_work.h"

#include <cstring>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"

namespace brixel {

bool ReadFlashWork(FlashWork& work) {
    const int64_t* common = HostStreamWorkCommon();
    const int64_t* common2 = HostStreamWorkCommon2();
    if (!common || !common2) {
        return false;
    }
    const auto array = [&](int key) {
        return plex::RealAt(common2[key] + common[records::kWorkRealBase]);
    };
    work.count = common[records::kWorkCount];
    work.components =
        plex::IntAt(common2[records::kWork2Components] + common[records::kWorkIntegerBase]);
    work.a = array(records::kWork2ArrayA);
    work.b = array(records::kWork2ArrayB);
    work.c = array(records::kWork2ArrayC);
    work.d = array(records::kWork2ArrayD);
    std::memcpy(&work.beta, &common[records::kWorkBeta], sizeof(double));
    return true;
}

}  // namespace brixel
