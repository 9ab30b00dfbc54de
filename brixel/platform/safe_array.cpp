#include "brixel/platform/safe_array_api.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

// The element type lives beside the descriptor, as the platform keeps it in front of it;
// the descriptor comes first so that a SAFEARRAY* converts back to its block.
struct ArrayBlock {
    SAFEARRAY array;
    VARTYPE type;
};
static_assert(std::is_standard_layout_v<ArrayBlock>);

// The platform's limit on nested locks.
constexpr uint32_t kMaxLocks = 65535;
constexpr uint64_t kMaxElements = UINT32_MAX;

bool IsOurs(const SAFEARRAY* array) {
    return (array->fFeatures & FADF_HAVEVARTYPE) != 0;
}

const ArrayBlock* BlockOf(const SAFEARRAY* array) {
    return reinterpret_cast<const ArrayBlock*>(array);
}

uint32_t ElementSize(VARTYPE type) {
    switch (type) {
        case VT_I2:
            return sizeof(short);
        case VT_I4:
            return sizeof(int32_t);
        case VT_INT:
            return sizeof(int);
        case VT_I8:
            return sizeof(int64_t);
        case VT_R4:
            return sizeof(float);
        case VT_R8:
            return sizeof(double);
        case VT_BOOL:
            return sizeof(VARIANT_BOOL);
        case VT_BSTR:
            return sizeof(BSTR);
        case VT_VARIANT:
            return sizeof(VARIANT);
        default:
            return 0;
    }
}

// The upper bound lLbound + cElements - 1 (lLbound - 1 when empty) must be a long.
bool BoundFits(const SAFEARRAYBOUND& bound) {
    if (bound.cElements == 0) {
        return bound.lLbound > LONG_MIN;
    }
    return bound.lLbound <= LONG_MAX - static_cast<long>(bound.cElements - 1);
}

// Bound of dimension dim (from 1, left-most first); the descriptor stores them reversed.
const SAFEARRAYBOUND& BoundOf(const SAFEARRAY* array, unsigned int dim) {
    return array->rgsabound[array->cDims - dim];
}

std::size_t TotalElements(const SAFEARRAY* array) {
    std::size_t total = 1;
    for (unsigned int i = 0; i < array->cDims; ++i) {
        total *= array->rgsabound[i].cElements;
    }
    return total;
}

BSTR* Strings(const SAFEARRAY* array) {
    return static_cast<BSTR*>(array->pvData);
}
VARIANT* Variants(const SAFEARRAY* array) {
    return static_cast<VARIANT*>(array->pvData);
}
std::byte* Bytes(const SAFEARRAY* array) {
    return static_cast<std::byte*>(array->pvData);
}

// Releases the strings or variant contents of elements [first, end) and zeroes them.
void ReleaseElements(SAFEARRAY* array, std::size_t first, std::size_t end) {
    for (std::size_t i = first; i < end; ++i) {
        if (array->fFeatures & FADF_BSTR) {
            SysFreeString(Strings(array)[i]);
            Strings(array)[i] = nullptr;
        } else if (array->fFeatures & FADF_VARIANT) {
            // A variant holding a locked array cannot be cleared; its lock holder keeps it.
            VariantClear(&Variants(array)[i]);
            VariantInit(&Variants(array)[i]);
        }
    }
}

// Position of an element from one index per dimension, dimension 1 running fastest.
long CellOffset(const SAFEARRAY* array, const long* indices, std::size_t& offset) {
    std::size_t stride = 1;
    offset = 0;
    for (unsigned int dim = 1; dim <= array->cDims; ++dim) {
        const SAFEARRAYBOUND& bound = BoundOf(array, dim);
        const long index = indices[dim - 1];
        const unsigned long position =
            static_cast<unsigned long>(index) - static_cast<unsigned long>(bound.lLbound);
        if (index < bound.lLbound || position >= bound.cElements) {
            return kStatusInvalidArgument;
        }
        offset += position * stride;
        stride *= bound.cElements;
    }
    return kStatusOk;
}

BSTR CopyString(BSTR text) {
    return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
}

}  // namespace

namespace brixel {

long CreateSafeArray(VARTYPE type, unsigned int dims, const SAFEARRAYBOUND* bounds,
                     SAFEARRAY** array) noexcept {
    if (!array) {
        return kStatusNullPointer;
    }
    *array = nullptr;
    if (!bounds) {
        return kStatusNullPointer;
    }
    const uint32_t size = ElementSize(type);
    if (size == 0 || dims == 0 || dims > kSafeArrayMaxDimensions) {
        return kStatusInvalidArgument;
    }
    uint64_t total = 1;
    for (unsigned int i = 0; i < dims; ++i) {
        if (!BoundFits(bounds[i])) {
            return kStatusInvalidArgument;
        }
        total *= bounds[i].cElements;
        if (total > kMaxElements) {
            return kStatusInvalidArgument;
        }
    }
    std::unique_ptr<ArrayBlock> block(new (std::nothrow) ArrayBlock{});
    if (!block) {
        return kStatusFail;
    }
    SAFEARRAY& created = block->array;
    block->type = type;
    created.cDims = static_cast<unsigned short>(dims);
    created.fFeatures = FADF_HAVEVARTYPE;
    if (type == VT_BSTR) {
        created.fFeatures |= FADF_BSTR;
    } else if (type == VT_VARIANT) {
        created.fFeatures |= FADF_VARIANT;
    }
    created.cbElements = size;
    for (unsigned int i = 0; i < dims; ++i) {
        created.rgsabound[dims - 1 - i] = bounds[i];
    }
    if (total > 0) {
        created.pvData = std::calloc(static_cast<std::size_t>(total), size);
        if (!created.pvData) {
            return kStatusFail;
        }
    }
    *array = &block.release()->array;
    return kStatusOk;
}

}  // namespace brixel

SAFEARRAY* SafeArrayCreate(VARTYPE type, unsigned int dims, const SAFEARRAYBOUND* bounds) noexcept {
    SAFEARRAY* array = nullptr;
    brixel::CreateSafeArray(type, dims, bounds, &array);
    return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, long lowerBound, uint32_t count) noexcept {
    const SAFEARRAYBOUND bound{count, lowerBound};
    return SafeArrayCreate(type, 1, &bound);
}

long SafeArrayDestroy(SAFEARRAY* array) noexcept {
    if (!array) {
        return kStatusOk;
    }
    if (!IsOurs(array)) {
        return kStatusInvalidArgument;
    }
    if (array->cLocks > 0) {
        return kStatusFail;
    }
    ReleaseElements(array, 0, TotalElements(array));
    std::free(array->pvData);
    std::unique_ptr<ArrayBlock> owner(reinterpret_cast<ArrayBlock*>(array));
    return kStatusOk;
}

unsigned int SafeArrayGetDim(const SAFEARRAY* array) noexcept {
    return array ? array->cDims : 0;
}

unsigned int SafeArrayGetElemsize(const SAFEARRAY* array) noexcept {
    return array ? array->cbElements : 0;
}

long SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* type) noexcept {
    if (!array || !type) {
        return kStatusNullPointer;
    }
    if (!IsOurs(array)) {
        return kStatusInvalidArgument;
    }
    *type = BlockOf(array)->type;
    return kStatusOk;
}

long SafeArrayGetLBound(const SAFEARRAY* array, unsigned int dim, long* lowerBound) noexcept {
    if (!array || !lowerBound) {
        return kStatusNullPointer;
    }
    if (dim < 1 || dim > array->cDims) {
        return kStatusInvalidArgument;
    }
    *lowerBound = BoundOf(array, dim).lLbound;
    return kStatusOk;
}

long SafeArrayGetUBound(const SAFEARRAY* array, unsigned int dim, long* upperBound) noexcept {
    if (!array || !upperBound) {
        return kStatusNullPointer;
    }
    if (dim < 1 || dim > array->cDims) {
        return kStatusInvalidArgument;
    }
    const SAFEARRAYBOUND& bound = BoundOf(array, dim);
    *upperBound = bound.lLbound + (static_cast<long>(bound.cElements) - 1);  // fits: BoundFits
    return kStatusOk;
}

long SafeArrayGetElement(const SAFEARRAY* array, const long* indices, void* value) noexcept {
    if (!array || !indices || !value) {
        return kStatusNullPointer;
    }
    std::size_t offset = 0;
    const long status = CellOffset(array, indices, offset);
    if (status != kStatusOk) {
        return status;
    }
    if (array->fFeatures & FADF_BSTR) {
        const BSTR stored = Strings(array)[offset];
        BSTR* out = static_cast<BSTR*>(value);
        *out = CopyString(stored);
        return stored && !*out ? kStatusFail : kStatusOk;
    }
    if (array->fFeatures & FADF_VARIANT) {
        VARIANT* out = static_cast<VARIANT*>(value);
        VariantInit(out);
        return VariantCopy(out, &Variants(array)[offset]);
    }
    std::memcpy(value, Bytes(array) + offset * array->cbElements, array->cbElements);
    return kStatusOk;
}

long SafeArrayPutElement(SAFEARRAY* array, const long* indices, const void* value) noexcept {
    if (!array || !indices || (!value && !(array->fFeatures & FADF_BSTR))) {
        return kStatusNullPointer;
    }
    std::size_t offset = 0;
    long status = CellOffset(array, indices, offset);
    if (status != kStatusOk) {
        return status;
    }
    if (array->fFeatures & FADF_BSTR) {
        // value is the string itself; the copy is made before the old one is freed, as
        // value may be that very string.
        const BSTR copy = CopyString(static_cast<BSTR>(const_cast<void*>(value)));
        if (value && !copy) {
            return kStatusFail;
        }
        SysFreeString(Strings(array)[offset]);
        Strings(array)[offset] = copy;
        return kStatusOk;
    }
    if (array->fFeatures & FADF_VARIANT) {
        VARIANT copy;
        VariantInit(&copy);
        status = VariantCopy(&copy, static_cast<const VARIANT*>(value));
        if (status == kStatusOk) {
            status = VariantClear(&Variants(array)[offset]);
        }
        if (status != kStatusOk) {
            VariantClear(&copy);
            return status;
        }
        Variants(array)[offset] = copy;
        return kStatusOk;
    }
    std::memcpy(Bytes(array) + offset * array->cbElements, value, array->cbElements);
    return kStatusOk;
}

long SafeArrayLock(SAFEARRAY* array) noexcept {
    if (!array) {
        return kStatusNullPointer;
    }
    if (array->cLocks >= kMaxLocks) {
        return kStatusFail;
    }
    ++array->cLocks;
    return kStatusOk;
}

long SafeArrayUnlock(SAFEARRAY* array) noexcept {
    if (!array) {
        return kStatusNullPointer;
    }
    if (array->cLocks == 0) {
        return kStatusFail;
    }
    --array->cLocks;
    return kStatusOk;
}

long SafeArrayAccessData(SAFEARRAY* array, void** data) noexcept {
    if (!array || !data) {
        return kStatusNullPointer;
    }
    const long status = SafeArrayLock(array);
    if (status == kStatusOk) {
        *data = array->pvData;
    }
    return status;
}

long SafeArrayUnaccessData(SAFEARRAY* array) noexcept {
    return SafeArrayUnlock(array);
}

long SafeArrayCopy(const SAFEARRAY* source, SAFEARRAY** copy) noexcept {
    if (!copy) {
        return kStatusNullPointer;
    }
    *copy = nullptr;
    if (!source) {
        return kStatusOk;
    }
    VARTYPE type = VT_EMPTY;
    long status = SafeArrayGetVartype(source, &type);
    if (status != kStatusOk) {
        return status;
    }
    SAFEARRAYBOUND bounds[brixel::kSafeArrayMaxDimensions];
    for (unsigned int dim = 1; dim <= source->cDims; ++dim) {
        bounds[dim - 1] = BoundOf(source, dim);
    }
    SAFEARRAY* created = nullptr;
    status = brixel::CreateSafeArray(type, source->cDims, bounds, &created);
    if (status != kStatusOk) {
        return status;
    }
    const std::size_t total = TotalElements(source);
    if (type == VT_BSTR) {
        for (std::size_t i = 0; i < total && status == kStatusOk; ++i) {
            Strings(created)[i] = CopyString(Strings(source)[i]);
            if (Strings(source)[i] && !Strings(created)[i]) {
                status = kStatusFail;
            }
        }
    } else if (type == VT_VARIANT) {
        for (std::size_t i = 0; i < total && status == kStatusOk; ++i) {
            status = VariantCopy(&Variants(created)[i], &Variants(source)[i]);
        }
    } else if (total > 0) {
        std::memcpy(created->pvData, source->pvData, total * source->cbElements);
    }
    if (status != kStatusOk) {
        SafeArrayDestroy(created);
        return status;
    }
    *copy = created;
    return kStatusOk;
}

long SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound) noexcept {
    if (!array || !bound) {
        return kStatusNullPointer;
    }
    if (!IsOurs(array) || !BoundFits(*bound)) {
        return kStatusInvalidArgument;
    }
    if (array->cLocks > 0) {
        return kStatusFail;
    }
    // Every dimension but the right-most, stored first, keeps its size.
    uint64_t slab = 1;
    for (unsigned int i = 1; i < array->cDims; ++i) {
        slab *= array->rgsabound[i].cElements;
    }
    const uint64_t newTotal = slab * bound->cElements;
    if (newTotal > kMaxElements) {
        return kStatusInvalidArgument;
    }
    const std::size_t oldTotal = TotalElements(array);
    const auto total = static_cast<std::size_t>(newTotal);
    if (total < oldTotal) {
        ReleaseElements(array, total, oldTotal);
    }
    if (total == 0) {
        std::free(array->pvData);
        array->pvData = nullptr;
    } else if (total != oldTotal) {
        void* resized = std::realloc(array->pvData, total * array->cbElements);
        if (!resized && total > oldTotal) {
            return kStatusFail;
        }
        // A failed shrink keeps the larger block, which still holds every element.
        if (resized) {
            array->pvData = resized;
        }
        if (total > oldTotal) {
            std::memset(Bytes(array) + oldTotal * array->cbElements, 0,
                        (total - oldTotal) * array->cbElements);
        }
    }
    array->rgsabound[0] = *bound;
    return kStatusOk;
}
