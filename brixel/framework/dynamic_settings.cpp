#include "brixel/framework/dynamic_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "brixel/framework/host_interface.h"

void GetDynextCmn(double* value1, double* value2, double* value3, double* value4, double* value5,
                  bool* flag0, bool* flag1, bool* flag2, bool* flag3, bool* flag4, bool* flag5,
                  bool* flag6, bool* flag7) {
    const std::array<bool*, 8> flags{flag0, flag1, flag2, flag3, flag4, flag5, flag6, flag7};
    for (bool* flag : flags) {
        if (flag) {
            *flag = false;
        }
    }
    std::array<double, 5> scratch{};
    std::array<double*, 5> values{value1, value2, value3, value4, value5};
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) {
            values[i] = &scratch[i];
        }
    }
    int64_t word = 0;
    HostInquireDynamic(values[0], values[1], values[2], values[3], values[4], &word);
    const auto bits = static_cast<uint64_t>(word);
    for (std::size_t k = 0; k < flags.size(); ++k) {
        if (flags[k] && ((bits >> k) & 1u) != 0) {
            *flags[k] = true;
        }
    }
}
