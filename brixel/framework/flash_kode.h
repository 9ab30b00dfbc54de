#pragma once

namespace brixel {

// Flash specification codes of the host: the pair of values each flash is given.
enum FlashKode : int {
    kFlashPQ = 1,  // pressure, duty
    kFlashTP = 2,  // temperature, pressure
    kFlashPV = 3,  // pressure, vapour fraction
    kFlashTQ = 4,  // temperature, duty
    kFlashTV = 5,  // temperature, vapour fraction
};

}  // namespace brixel
