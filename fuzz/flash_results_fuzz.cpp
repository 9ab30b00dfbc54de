// FlashResults after flashes of the host at fuzzed states and flows, reading every array it
// names within the count it gives.
#include <cstdint>

#include "brixel/exports/flash_exports.h"
#include "brixel/framework/brixel_base_unit.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/host_setup.h"

namespace {

class FlashUnit : public CBrixelBaseUnit {
  public:
    const char* GetModelName() const override { return "FUZZ"; }
    long WriteReport() override { return 0; }
};

void ReadResults(bool nulls) {
    int64_t count = -1;
    int64_t* components = nullptr;
    double* a = nullptr;
    double* b = nullptr;
    double* c = nullptr;
    double* d = nullptr;
    double beta = 0.0;
    FlashResults(&count, &components, &a, nulls ? nullptr : &b, &c, nulls ? nullptr : &d,
                 nulls ? nullptr : &beta);
    volatile double sum = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        sum = sum + static_cast<double>(components ? components[i] : 0) + (a ? a[i] : 0.0) +
              (c ? c[i] : 0.0);
        if (!nulls) {
            sum = sum + (b ? b[i] : 0.0) + (d ? d[i] : 0.0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    brixel::fuzz::FuzzInput in(data, size);
    brixel::fuzz::SmallHost small;
    brixel::host::Block& block = small.host.AddBlock("FUZZ", {small.feed}, {});
    FlashUnit unit;
    int64_t inlets = 1;
    int64_t outlets = 0;
    unit.SetStreamBeads(&inlets, block.inlets.data(), &outlets, block.outlets.data());
    int64_t unused = 0;
    unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
    ReadResults(false);
    while (!in.Empty()) {
        double* vector = small.host.StreamVector(small.feed);
        for (int c = 0; c < 3; ++c) {
            if (in.Byte() & 1) {
                vector[c] = in.Real();
            }
        }
        const int kode = static_cast<int>(in.Below(7));
        const double spec1 = in.Real();
        const double spec2 = in.Real();
        try {
            unit.FlashStream(static_cast<int>(small.feed), kode, spec1, spec2,
                             CBrixelBaseUnit::m_dblRMiss, in.Byte() & 1);
        } catch (long) {
            // a stream without a pressure for a TQ or TV flash: the documented throw
        }
        ReadResults(in.Byte() & 1);
    }
    return 0;
}
