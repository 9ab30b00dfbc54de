#pragma once

#include <cstdint>

#include "brixel/framework/export.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/com_types.h"
#include "brixel/platform/safe_array.h"
#include "brixel/platform/variant.h"

// String and array helpers of the property layer, used across the library.

// Equal length and characters, A-Z and a-z compared without regard to case; a null string
// equals an empty one.
BRIXEL_API bool compareBSTR(const BSTR a, const BSTR b);

// Whether text is an element of a one-dimensional string list (compareBSTR). False for a
// list without an array or with another number of dimensions.
BRIXEL_API bool IsInSafeArray(const BSTR text, const CComSafeArray<BSTR>& list);
// As above; on a match `position` receives its 0-based position (else it is left alone).
BRIXEL_API bool IsInSafeArray(const BSTR text, const CComSafeArray<BSTR>& list, int& position);
// The list inside a variant, which must be of type VT_ARRAY | VT_BSTR; false otherwise.
BRIXEL_API bool IsInSafeArray(const BSTR text, const VARIANT& list);

// 0-based position of the n-th smallest number in a one-dimensional array of variants, equal
// values counting once each, in position order. n = 0 gives 0; n < 0, n beyond the count of
// numbers or an array without one gives -1. Elements are read as doubles (converted when they
// hold another numeric type); an element that is no number throws the long value 0x80070057.
BRIXEL_API int GetIndexOfNSmallestValue(int n, const CComSafeArray<VARIANT>& values);

// Removes in place, from the parallel arrays of component numbers and values, every entry
// whose value is not above 1e-15 (NaN included), keeping the order of the others; count
// becomes the number kept (0 when it was below 1). Null arrays with count >= 1 throw the long
// value 0x80004003.
BRIXEL_API void PackComps(int64_t& count, int64_t* components, double* values);

namespace brixel {

// An equilibrium specification {property, "", "Overall"} for CalcEquilibrium: the overall value
// of a property the stream already holds. Throws the long value 0x80004005 when the list
// cannot be made.
BRIXEL_API CComSafeArray<BSTR> OverallSpecification(const wchar_t* property);

}  // namespace brixel
