#include "brixel/exports/flash_exports.h"

#include "brixel/framework/flash_work.h"

extern "C" void FlashResults(int64_t* count, int64_t** components, double** a, double** b,
                             double** c, double** d, double* beta) {
    brixel::FlashWork work;
    if (!brixel::ReadFlashWork(work)) {
        return;
    }
    const auto put = [](auto* out, auto value) {
        if (out) {
            *out = value;
        }
    };
    put(count, work.count);
    put(components, work.components);
    put(a, work.a);
    put(b, work.b);
    put(c, work.c);
    put(d, work.d);
    put(beta, work.beta);
}
