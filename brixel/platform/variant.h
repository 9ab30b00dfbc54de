#pragma once

#include <cstdint>

#include "brixel/framework/export.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/com_types.h"

struct SAFEARRAY;

// Type tag of a VARIANT and element type of a SAFEARRAY, with the platform's values.
using VARTYPE = unsigned short;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I2 = 2;          // iVal, short
constexpr VARTYPE VT_I4 = 3;          // lVal, 32 bits
constexpr VARTYPE VT_R4 = 4;          // fltVal
constexpr VARTYPE VT_R8 = 5;          // dblVal
constexpr VARTYPE VT_BSTR = 8;        // bstrVal, owned by the variant
constexpr VARTYPE VT_BOOL = 11;       // boolVal, VARIANT_TRUE or VARIANT_FALSE
constexpr VARTYPE VT_VARIANT = 12;    // only as array element type or with VT_BYREF
constexpr VARTYPE VT_I8 = 20;         // llVal
constexpr VARTYPE VT_INT = 22;        // intVal, 32 bits
constexpr VARTYPE VT_ARRAY = 0x2000;  // combined with the element type; parray owned
constexpr VARTYPE VT_BYREF = 0x4000;  // combined with a type; the pointee is not owned
constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

// Tagged value of the exported signatures. A plain aggregate as on the platform: call
// VariantInit before first use and VariantClear to release what it owns (a BSTR or an
// array). `long` is 64 bits here, so the 32-bit VT_I4 member is int32_t; a `long` value
// belongs in llVal with VT_I8.
struct VARIANT {
    VARTYPE vt;
    unsigned short wReserved1;
    unsigned short wReserved2;
    unsigned short wReserved3;
    union {
        int64_t llVal;
        int32_t lVal;
        int intVal;
        short iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        SAFEARRAY* parray;
        int64_t* pllVal;
        int32_t* plVal;
        int* pintVal;
        short* piVal;
        float* pfltVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        BSTR* pbstrVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
    };
};

// Sets VT_EMPTY and zeroes the value; the previous content is not released.
BRIXEL_API void VariantInit(VARIANT* value) noexcept;
// Releases an owned BSTR or array and leaves VT_EMPTY. Fails, leaving the variant as it
// was, for a null pointer, an unknown type tag or an array that is locked.
BRIXEL_API long VariantClear(VARIANT* value) noexcept;
// Deep copy: BSTR and array are duplicated, VT_BYREF pointers are copied as they are.
// target must hold a valid (initialised) variant: it is cleared first.
BRIXEL_API long VariantCopy(VARIANT* target, const VARIANT* source) noexcept;
// Converts between VT_EMPTY, VT_I2, VT_I4, VT_INT, VT_I8, VT_R4, VT_R8, VT_BOOL and VT_BSTR
// (numbers as decimal text, text parsed as a number or "True"/"False"). target may be
// source; otherwise it must be initialised and is cleared. Doubles become integers by
// rounding half to even. Status: kStatusInvalidArgument when the types cannot be converted
// or the text is not a number, kStatusFail when the value does not fit the target type.
BRIXEL_API long VariantChangeType(VARIANT* target, const VARIANT* source, unsigned short flags,
                                  VARTYPE type) noexcept;

// Owner of one VARIANT (usable wherever a VARIANT* is expected). Copies are deep; the
// destructor releases the content; Detach hands it away.
class BRIXEL_API CComVariant : public VARIANT {
  public:
    CComVariant() noexcept { VariantInit(this); }
    CComVariant(const CComVariant& other);
    CComVariant(const VARIANT& other);  // NOLINT: implicit like the platform
    CComVariant(CComVariant&& other) noexcept;
    CComVariant(double value) noexcept;            // NOLINT: VT_R8
    CComVariant(float value) noexcept;             // NOLINT: VT_R4
    CComVariant(int value) noexcept;               // NOLINT: VT_I4
    CComVariant(long value) noexcept;              // NOLINT: VT_I8, as long is 64 bits
    CComVariant(short value) noexcept;             // NOLINT: VT_I2
    CComVariant(bool value) noexcept;              // NOLINT: VT_BOOL
    CComVariant(const char* text);                 // NOLINT: VT_BSTR, bytes widened one to one
    CComVariant(const OLECHAR* text);              // NOLINT: VT_BSTR, copied up to the NUL
    CComVariant(const CComBSTR& text);             // NOLINT: VT_BSTR, length kept
    explicit CComVariant(const SAFEARRAY* array);  // VT_ARRAY | element type, deep copy
    ~CComVariant() { Clear(); }

    CComVariant& operator=(const CComVariant& other);
    CComVariant& operator=(const VARIANT& other);
    CComVariant& operator=(CComVariant&& other) noexcept;

    long Clear() noexcept { return VariantClear(this); }
    long Copy(const VARIANT* source) noexcept { return VariantCopy(this, source); }
    // Releases the content and takes over source's; source is left VT_EMPTY.
    long Attach(VARIANT* source) noexcept;
    // Clears target (it must be initialised), moves the content there; this is left empty.
    long Detach(VARIANT* target) noexcept;
    // Converts source (or this variant when null) into this variant.
    long ChangeType(VARTYPE type, const VARIANT* source = nullptr) noexcept;
};

namespace brixel {

// The number `value` holds, converted as VariantChangeType converts to VT_R8; false, with
// `number` unchanged, when it holds none. A VT_R8 is read without a conversion.
bool VariantNumber(const VARIANT& value, double& number) noexcept;

}  // namespace brixel
