// The SAFEARRAY, VARIANT and BSTR layer: arrays of every element type and shape, element
// access at any index, copies, resizing, locks, and conversions between variant types.
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "brixel/platform/bstr.h"
#include "brixel/platform/safe_array.h"
#include "brixel/platform/variant.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2,      VT_I4, VT_R4,  VT_R8,
                              VT_BSTR,  VT_BOOL, VT_VARIANT, VT_I8, VT_INT, 99};

// A variant of a fuzzed type holding fuzzed bits (text for a BSTR).
void FillVariant(brixel::fuzz::FuzzInput& in, CComVariant& value) {
    const VARTYPE type = kTypes[in.Below(std::size(kTypes))];
    if (type == VT_BSTR) {
        value = CComVariant(in.Text(16).c_str());
        return;
    }
    value.Clear();
    if (type != VT_VARIANT && type != 99) {
        value.vt = type;
        value.llVal = in.Take<int64_t>();
        if (type == VT_R8) {
            value.dblVal = in.Real();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    brixel::fuzz::FuzzInput in(data, size);
    SAFEARRAYBOUND bounds[3];
    const unsigned int dims = static_cast<unsigned int>(in.Below(4));
    for (SAFEARRAYBOUND& bound : bounds) {
        bound.cElements = static_cast<uint32_t>(in.Below(6));
        bound.lLbound = static_cast<long>(in.Take<int32_t>() % 4);
    }
    const VARTYPE type = kTypes[in.Below(std::size(kTypes))];
    SAFEARRAY* array = SafeArrayCreate(type, dims, bounds);
    while (!in.Empty()) {
        long indices[3] = {static_cast<long>(in.Take<int8_t>()),
                           static_cast<long>(in.Take<int8_t>()),
                           static_cast<long>(in.Take<int8_t>())};
        switch (in.Below(10)) {
            case 0: {
                CComVariant value;
                FillVariant(in, value);
                double number = in.Real();
                CComBSTR text(in.Text(8).c_str());
                const void* element = type == VT_VARIANT ? static_cast<const void*>(&value)
                                      : type == VT_BSTR  ? static_cast<const void*>(text.m_str)
                                                         : &number;
                (void)SafeArrayPutElement(array, indices, element);
                break;
            }
            case 1: {
                if (type == VT_VARIANT) {
                    VARIANT value;
                    VariantInit(&value);
                    if (SafeArrayGetElement(array, indices, &value) == 0) {
                        VariantClear(&value);
                    }
                } else if (type == VT_BSTR) {
                    BSTR text = nullptr;
                    if (SafeArrayGetElement(array, indices, &text) == 0) {
                        SysFreeString(text);
                    }
                } else {
                    int64_t word = 0;
                    (void)SafeArrayGetElement(array, indices, &word);
                }
                break;
            }
            case 2: {
                SAFEARRAY* copy = nullptr;
                if (SafeArrayCopy(array, &copy) == 0) {
                    SafeArrayDestroy(copy);
                }
                break;
            }
            case 3: {
                SAFEARRAYBOUND bound{static_cast<uint32_t>(in.Below(8)), in.Take<int8_t>()};
                (void)SafeArrayRedim(array, &bound);
                break;
            }
            case 4: {
                void* storage = nullptr;
                if (SafeArrayAccessData(array, &storage) == 0) {
                    (void)SafeArrayDestroy(array);  // refused while locked
                    SafeArrayUnaccessData(array);
                }
                (void)SafeArrayUnlock(array);
                break;
            }
            case 5: {
                long bound = 0;
                const unsigned int dim = static_cast<unsigned int>(in.Below(5));
                (void)SafeArrayGetLBound(array, dim, &bound);
                (void)SafeArrayGetUBound(array, dim, &bound);
                VARTYPE held = 0;
                (void)SafeArrayGetVartype(array, &held);
                (void)SafeArrayGetElemsize(array);
                break;
            }
            case 6: {
                CComVariant source;
                FillVariant(in, source);
                CComVariant target;
                (void)VariantChangeType(&target, &source, 0, kTypes[in.Below(std::size(kTypes))]);
                (void)source.ChangeType(kTypes[in.Below(std::size(kTypes))]);
                break;
            }
            case 7: {
                CComVariant wrapped(array);
                CComVariant copy;
                (void)copy.Copy(&wrapped);
                VARIANT moved;
                VariantInit(&moved);
                (void)copy.Detach(&moved);
                VariantClear(&moved);
                break;
            }
            case 8: {
                const std::string text = in.Text(16);
                CComBSTR first(text.c_str());
                CComBSTR second(static_cast<unsigned int>(in.Below(first.Length() + 1)),
                                first.m_str);
                (void)first.Append(second);
                (void)first.ToUpper();
                BSTR copy = nullptr;
                (void)second.CopyTo(&copy);
                SysFreeString(copy);
                break;
            }
            default:
                if (in.Byte() == 0) {
                    SafeArrayDestroy(array);
                    array = SafeArrayCreateVector(type, in.Take<int8_t>(),
                                                  static_cast<uint32_t>(in.Below(6)));
                }
                break;
        }
    }
    SafeArrayDestroy(array);
    return 0;
}
