#pragma once

#include <cstdint>

#include "brixel/framework/export.h"
#include "brixel/framework/status.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/com_types.h"
#include "brixel/platform/variant.h"

// The C functions on arrays of the exported signatures, with the platform's layout rules:
// - Dimensions are numbered from 1 (left-most) in the functions below and from 0 in
//   CComSafeArray. Bounds passed to SafeArrayCreate and index arrays list dimension 1
//   first. SAFEARRAY::rgsabound stores them in reverse, as the platform does:
//   rgsabound[cDims - 1] is dimension 1 and rgsabound[0] the right-most dimension. Read
//   bounds through SafeArrayGetLBound/GetUBound or CComSafeArray, not through the field.
// - Elements are stored with the left-most index running fastest: element (i, j) of an
//   array with bounds {m, lb1}, {n, lb2} is at (i - lb1) + (j - lb2) * m.
// - An array owns its BSTR elements and the content of its VARIANT elements: destroying
//   the array or overwriting an element releases them.
// - Release rules: a SAFEARRAY handed to a function by value is released by that function;
//   one returned or stored through an out pointer belongs to the caller. CComSafeArray owns
//   its array (and keeps it locked while it does, as the platform does, so that a stray
//   SafeArrayDestroy on it is refused); Detach hands the array away unlocked.
//
// Status: kStatusOk; kStatusNullPointer for a null array, bound, index or out pointer;
// kStatusInvalidArgument for a dimension or index out of range or a wrong element type;
// kStatusFail otherwise (locked array, memory, lock count out of range).

namespace brixel {
// More dimensions than this are refused; the library uses one and two.
constexpr unsigned int kSafeArrayMaxDimensions = 8;
}  // namespace brixel

struct SAFEARRAYBOUND {
    uint32_t cElements;
    long lLbound;
};

constexpr unsigned short FADF_HAVEVARTYPE = 0x0080;
constexpr unsigned short FADF_BSTR = 0x0100;
constexpr unsigned short FADF_VARIANT = 0x0800;

struct SAFEARRAY {
    unsigned short cDims;
    unsigned short fFeatures;
    uint32_t cbElements;  // bytes per element
    uint32_t cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[brixel::kSafeArrayMaxDimensions];  // reversed, see above
};

// Element types: VT_I2, VT_I4, VT_INT, VT_I8, VT_R4, VT_R8, VT_BOOL, VT_BSTR, VT_VARIANT.
// Elements start zeroed (numbers 0, BSTRs null, VARIANTs VT_EMPTY). Null on a bad type,
// no or too many dimensions, a lower bound whose upper bound does not fit, more than 2^32-1
// elements in all, or no memory.
BRIXEL_API SAFEARRAY* SafeArrayCreate(VARTYPE type, unsigned int dims,
                                      const SAFEARRAYBOUND* bounds) noexcept;
BRIXEL_API SAFEARRAY* SafeArrayCreateVector(VARTYPE type, long lowerBound, uint32_t count) noexcept;
// Null is accepted (nothing to do). A locked array is refused with kStatusFail.
BRIXEL_API long SafeArrayDestroy(SAFEARRAY* array) noexcept;
BRIXEL_API unsigned int SafeArrayGetDim(const SAFEARRAY* array) noexcept;  // 0 for null
BRIXEL_API unsigned int SafeArrayGetElemsize(const SAFEARRAY* array) noexcept;
BRIXEL_API long SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* type) noexcept;
// dim counts from 1. The upper bound of an empty dimension is its lower bound - 1.
BRIXEL_API long SafeArrayGetLBound(const SAFEARRAY* array, unsigned int dim,
                                   long* lowerBound) noexcept;
BRIXEL_API long SafeArrayGetUBound(const SAFEARRAY* array, unsigned int dim,
                                   long* upperBound) noexcept;
// indices: one per dimension, dimension 1 first. The value is copied into *value: for a
// BSTR array value is a BSTR* that receives a new copy, for a VARIANT array a VARIANT* that
// receives a deep copy; in both cases the previous content of *value is not released (it
// is treated as uninitialised) and the copy belongs to the caller.
BRIXEL_API long SafeArrayGetElement(const SAFEARRAY* array, const long* indices,
                                    void* value) noexcept;
// The element is replaced by a copy of the value, releasing the old one. For a BSTR array
// value is the BSTR itself (not its address; null stores a null string); for a VARIANT
// array a VARIANT*; otherwise a pointer to the number.
BRIXEL_API long SafeArrayPutElement(SAFEARRAY* array, const long* indices,
                                    const void* value) noexcept;
// Lock and return the element storage; every AccessData needs one UnaccessData.
BRIXEL_API long SafeArrayAccessData(SAFEARRAY* array, void** data) noexcept;
BRIXEL_API long SafeArrayUnaccessData(SAFEARRAY* array) noexcept;
BRIXEL_API long SafeArrayLock(SAFEARRAY* array) noexcept;
BRIXEL_API long SafeArrayUnlock(SAFEARRAY* array) noexcept;  // kStatusFail when not locked
// Deep copy with the same type, bounds and dimensions, unlocked. A null source gives a
// null copy and kStatusOk.
BRIXEL_API long SafeArrayCopy(const SAFEARRAY* source, SAFEARRAY** copy) noexcept;
// New bound of the right-most dimension (the only one of a vector). Elements past the new
// end are released, new ones start zeroed; refused while the array is locked.
BRIXEL_API long SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound) noexcept;

namespace brixel {

// SafeArrayCreate with the reason of a failure: kStatusInvalidArgument for a bad type,
// dimension count or bounds, kStatusFail when memory runs out.
BRIXEL_API long CreateSafeArray(VARTYPE type, unsigned int dims, const SAFEARRAYBOUND* bounds,
                                SAFEARRAY** array) noexcept;

// Element type tag of each type CComSafeArray holds. `long` is 64 bits here (VT_I8).
template <typename T>
struct SafeArrayElement;
template <>
struct SafeArrayElement<BSTR> {
    static constexpr VARTYPE kVarType = VT_BSTR;
};
template <>
struct SafeArrayElement<VARIANT> {
    static constexpr VARTYPE kVarType = VT_VARIANT;
};
template <>
struct SafeArrayElement<double> {
    static constexpr VARTYPE kVarType = VT_R8;
};
template <>
struct SafeArrayElement<float> {
    static constexpr VARTYPE kVarType = VT_R4;
};
template <>
struct SafeArrayElement<short> {
    static constexpr VARTYPE kVarType = VT_I2;
};
template <>
struct SafeArrayElement<int> {
    static constexpr VARTYPE kVarType = VT_I4;
};
template <>
struct SafeArrayElement<long> {
    static constexpr VARTYPE kVarType = VT_I8;
};

}  // namespace brixel
