#include "brixel/platform/variant.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

#include "brixel/framework/status.h"
#include "brixel/platform/safe_array.h"

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

bool IsScalarType(VARTYPE type) {
    switch (type) {
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_BSTR:
        case VT_BOOL:
        case VT_I8:
        case VT_INT:
            return true;
        default:
            return false;
    }
}

bool IsValidType(VARTYPE type) {
    if (type == VT_EMPTY || type == VT_NULL || IsScalarType(type)) {
        return true;
    }
    const VARTYPE base = type & VT_TYPEMASK;
    const VARTYPE flags = type & ~VT_TYPEMASK;
    const bool element = IsScalarType(base) || base == VT_VARIANT;
    return (flags == VT_ARRAY && element) || (flags == VT_BYREF && element) ||
           (flags == (VT_ARRAY | VT_BYREF) && element);
}

// A numeric reading of a variant: integers stay exact, reals keep their value.
struct Number {
    bool isInteger;
    int64_t integer;
    double real;
};

double AsDouble(const Number& n) {
    return n.isInteger ? static_cast<double>(n.integer) : n.real;
}

bool ParseNumber(BSTR text, Number& out) {
    const std::string narrow = brixel::ToStdString(text);
    const char* begin = narrow.c_str();
    while (*begin == ' ' || *begin == '\t') {
        ++begin;
    }
    // strtod also reads hexadecimal, "inf" and "nan", which are not numbers here.
    if (*begin == '\0' || narrow.find_first_of(std::string("xX\0", 3)) != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        return false;
    }
    out = {false, 0, value};
    return true;
}

bool ParseBoolean(BSTR text, bool& out) {
    CString narrow = brixel::ToCString(text);
    narrow.Trim();
    if (narrow.CompareNoCase("True") == 0) {
        out = true;
        return true;
    }
    if (narrow.CompareNoCase("False") == 0) {
        out = false;
        return true;
    }
    return false;
}

// Reads a scalar source as a number; false when it is not one.
bool ReadNumber(const VARIANT& source, Number& out) {
    switch (source.vt) {
        case VT_EMPTY:
            out = {true, 0, 0.0};
            return true;
        case VT_I2:
            out = {true, source.iVal, 0.0};
            return true;
        case VT_I4:
            out = {true, source.lVal, 0.0};
            return true;
        case VT_INT:
            out = {true, source.intVal, 0.0};
            return true;
        case VT_I8:
            out = {true, source.llVal, 0.0};
            return true;
        case VT_BOOL:
            out = {true, source.boolVal != VARIANT_FALSE ? VARIANT_TRUE : VARIANT_FALSE, 0.0};
            return true;
        case VT_R4:
            out = {false, 0, static_cast<double>(source.fltVal)};
            return true;
        case VT_R8:
            out = {false, 0, source.dblVal};
            return true;
        case VT_BSTR:
            return ParseNumber(source.bstrVal, out);
        default:
            return false;
    }
}

// Integer of a number within [low, high]; reals round half to even. False when it does
// not fit (NaN never fits).
bool ToInteger(const Number& n, int64_t low, int64_t high, int64_t& out) {
    if (n.isInteger) {
        if (n.integer < low || n.integer > high) {
            return false;
        }
        out = n.integer;
        return true;
    }
    const double rounded = std::nearbyint(n.real);
    // 2^63 is exactly representable; every double below it converts without overflow.
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) {
        return false;
    }
    const auto value = static_cast<int64_t>(rounded);
    if (value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

std::string FormatNumber(const Number& n) {
    char buffer[64];
    if (n.isInteger) {
        std::snprintf(buffer, sizeof(buffer), "%lld", static_cast<long long>(n.integer));
    } else {
        std::snprintf(buffer, sizeof(buffer), "%.15G", n.real);
    }
    return buffer;
}

long Convert(const VARIANT& source, VARTYPE type, VARIANT& out) {
    if (type == VT_EMPTY) {
        return kStatusOk;
    }
    if (type == VT_BSTR) {
        Number n{};
        if (source.vt == VT_BSTR || !ReadNumber(source, n)) {
            return kStatusInvalidArgument;
        }
        out.bstrVal =
            source.vt == VT_EMPTY ? brixel::AllocBstr("") : brixel::AllocBstr(FormatNumber(n));
        if (!out.bstrVal) {
            return kStatusFail;
        }
        out.vt = VT_BSTR;
        return kStatusOk;
    }
    Number n{};
    if (type == VT_BOOL && source.vt == VT_BSTR) {
        bool flag = false;
        if (ParseBoolean(source.bstrVal, flag)) {
            out.vt = VT_BOOL;
            out.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
            return kStatusOk;
        }
    }
    if (!ReadNumber(source, n)) {
        return kStatusInvalidArgument;
    }
    int64_t integer = 0;
    switch (type) {
        case VT_I2:
            if (!ToInteger(n, INT16_MIN, INT16_MAX, integer)) {
                return kStatusFail;
            }
            out.iVal = static_cast<short>(integer);
            break;
        case VT_I4:
            if (!ToInteger(n, INT32_MIN, INT32_MAX, integer)) {
                return kStatusFail;
            }
            out.lVal = static_cast<int32_t>(integer);
            break;
        case VT_INT:
            if (!ToInteger(n, INT32_MIN, INT32_MAX, integer)) {
                return kStatusFail;
            }
            out.intVal = static_cast<int>(integer);
            break;
        case VT_I8:
            if (!ToInteger(n, INT64_MIN, INT64_MAX, integer)) {
                return kStatusFail;
            }
            out.llVal = integer;
            break;
        case VT_R8:
            out.dblVal = AsDouble(n);
            break;
        case VT_R4: {
            const double value = AsDouble(n);
            if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
                return kStatusFail;
            }
            out.fltVal = static_cast<float>(value);
            break;
        }
        case VT_BOOL:
            out.boolVal = AsDouble(n) != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        default:
            return kStatusInvalidArgument;
    }
    out.vt = type;
    return kStatusOk;
}

}  // namespace

void VariantInit(VARIANT* value) noexcept {
    if (value) {
        value->vt = VT_EMPTY;
        value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
        value->llVal = 0;
    }
}

long VariantClear(VARIANT* value) noexcept {
    if (!value) {
        return kStatusNullPointer;
    }
    if (!IsValidType(value->vt)) {
        return kStatusInvalidArgument;
    }
    if (!(value->vt & VT_BYREF)) {
        if (value->vt & VT_ARRAY) {
            const long status = SafeArrayDestroy(value->parray);
            if (status != kStatusOk) {
                return status;
            }
        } else if (value->vt == VT_BSTR) {
            SysFreeString(value->bstrVal);
        }
    }
    VariantInit(value);
    return kStatusOk;
}

long VariantCopy(VARIANT* target, const VARIANT* source) noexcept {
    if (!target || !source) {
        return kStatusNullPointer;
    }
    if (target == source) {
        return kStatusOk;
    }
    if (!IsValidType(source->vt)) {
        return kStatusInvalidArgument;
    }
    const long cleared = VariantClear(target);
    if (cleared != kStatusOk) {
        return cleared;
    }
    VARIANT copy = *source;
    if (!(source->vt & VT_BYREF)) {
        if (source->vt & VT_ARRAY) {
            copy.parray = nullptr;
            const long status = SafeArrayCopy(source->parray, &copy.parray);
            if (status != kStatusOk) {
                return status;
            }
        } else if (source->vt == VT_BSTR && source->bstrVal) {
            copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (!copy.bstrVal) {
                return kStatusFail;
            }
        }
    }
    *target = copy;
    return kStatusOk;
}

long VariantChangeType(VARIANT* target, const VARIANT* source, unsigned short /*flags*/,
                       VARTYPE type) noexcept {
    if (!target || !source) {
        return kStatusNullPointer;
    }
    if (!IsValidType(source->vt) || !IsValidType(type)) {
        return kStatusInvalidArgument;
    }
    VARIANT result;
    VariantInit(&result);
    long status = kStatusOk;
    if (source->vt == type) {
        status = VariantCopy(&result, source);
    } else if ((source->vt & ~VT_TYPEMASK) != 0 || (type & ~VT_TYPEMASK) != 0 ||
               source->vt == VT_NULL || type == VT_NULL) {
        status = kStatusInvalidArgument;
    } else {
        status = Convert(*source, type, result);
    }
    if (status == kStatusOk) {
        status = VariantClear(target);
    }
    if (status != kStatusOk) {
        VariantClear(&result);
        return status;
    }
    *target = result;
    return kStatusOk;
}

// ---- CComVariant ----

CComVariant::CComVariant(const CComVariant& other) : CComVariant() {
    if (VariantCopy(this, &other) != kStatusOk) {
        throw std::bad_alloc();
    }
}

CComVariant::CComVariant(const VARIANT& other) : CComVariant() {
    if (VariantCopy(this, &other) != kStatusOk) {
        throw std::bad_alloc();
    }
}

CComVariant::CComVariant(CComVariant&& other) noexcept : VARIANT(other) {
    VariantInit(&other);
}

CComVariant::CComVariant(double value) noexcept : CComVariant() {
    vt = VT_R8;
    dblVal = value;
}

CComVariant::CComVariant(float value) noexcept : CComVariant() {
    vt = VT_R4;
    fltVal = value;
}

CComVariant::CComVariant(int value) noexcept : CComVariant() {
    vt = VT_I4;
    lVal = value;
}

CComVariant::CComVariant(long value) noexcept : CComVariant() {
    vt = VT_I8;
    llVal = value;
}

CComVariant::CComVariant(short value) noexcept : CComVariant() {
    vt = VT_I2;
    iVal = value;
}

CComVariant::CComVariant(bool value) noexcept : CComVariant() {
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

CComVariant::CComVariant(const char* text) : CComVariant() {
    bstrVal = brixel::AllocBstr(text);
    if (text && !bstrVal) {
        throw std::bad_alloc();
    }
    vt = VT_BSTR;
}

CComVariant::CComVariant(const OLECHAR* text) : CComVariant() {
    bstrVal = SysAllocString(text);
    if (text && !bstrVal) {
        throw std::bad_alloc();
    }
    vt = VT_BSTR;
}

CComVariant::CComVariant(const CComBSTR& text) : CComVariant() {
    bstrVal = text.Copy();
    vt = VT_BSTR;
}

CComVariant::CComVariant(const SAFEARRAY* array) : CComVariant() {
    VARTYPE element = VT_EMPTY;
    if (!array || SafeArrayGetVartype(array, &element) != kStatusOk) {
        return;
    }
    if (SafeArrayCopy(array, &parray) != kStatusOk) {
        throw std::bad_alloc();
    }
    vt = VT_ARRAY | element;
}

CComVariant& CComVariant::operator=(const CComVariant& other) {
    return *this = static_cast<const VARIANT&>(other);
}

CComVariant& CComVariant::operator=(const VARIANT& other) {
    if (this != &other) {
        CComVariant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CComVariant& CComVariant::operator=(CComVariant&& other) noexcept {
    if (this != &other) {
        // A content that cannot be released (a locked array) is left to its lock holder.
        Clear();
        static_cast<VARIANT&>(*this) = other;
        VariantInit(&other);
    }
    return *this;
}

long CComVariant::Attach(VARIANT* source) noexcept {
    if (!source) {
        return kStatusNullPointer;
    }
    if (source == this) {
        return kStatusOk;
    }
    const long status = Clear();
    if (status != kStatusOk) {
        return status;
    }
    static_cast<VARIANT&>(*this) = *source;
    VariantInit(source);
    return kStatusOk;
}

long CComVariant::Detach(VARIANT* target) noexcept {
    if (!target) {
        return kStatusNullPointer;
    }
    if (target == this) {
        return kStatusOk;
    }
    const long status = VariantClear(target);
    if (status != kStatusOk) {
        return status;
    }
    *target = *this;
    VariantInit(this);
    return kStatusOk;
}

long CComVariant::ChangeType(VARTYPE type, const VARIANT* source) noexcept {
    return VariantChangeType(this, source ? source : this, 0, type);
}

bool brixel::VariantNumber(const VARIANT& value, double& number) noexcept {
    if (value.vt == VT_R8) {
        number = value.dblVal;
        return true;
    }
    CComVariant converted;
    if (converted.ChangeType(VT_R8, &value) != kStatusOk) {
        return false;
    }
    number = converted.dblVal;
    return true;
}
