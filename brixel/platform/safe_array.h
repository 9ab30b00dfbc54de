#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include "brixel/platform/safe_array_api.h"

// Owner of one SAFEARRAY of T (BSTR, VARIANT, double, float, short, int, long).
// Single indices are in the array's own bounds (GetLowerBound() .. GetUpperBound()), as on
// the platform. GetAt, SetAt and operator[] throw std::out_of_range for an index out of
// range, an array that is not one-dimensional or no array at all; the multi-dimensional
// accessors return the status of SafeArrayGetElement/PutElement instead. An object
// without an array reads as empty: count 0, lower bound 0, upper bound -1, 0 dimensions.
template <typename T>
class CComSafeArray {
  public:
    static constexpr VARTYPE kVarType = brixel::SafeArrayElement<T>::kVarType;

    CComSafeArray() noexcept = default;
    explicit CComSafeArray(uint32_t count, long lowerBound = 0) {
        ThrowOnFailure(Create(count, lowerBound));
    }
    // The pointer overloads are templates so that a literal 0 count is not also a null
    // pointer (which would make CComSafeArray(0) and Create(0, 0) ambiguous).
    template <std::same_as<SAFEARRAYBOUND> Bound>
    explicit CComSafeArray(const Bound* bounds, unsigned int dims = 1) {
        ThrowOnFailure(Create(bounds, dims));
    }
    explicit CComSafeArray(const SAFEARRAYBOUND& bound) : CComSafeArray(&bound, 1) {}
    // Deep copy of source; null gives an object without an array.
    template <std::same_as<SAFEARRAY> Array>
    explicit CComSafeArray(const Array* source) {
        if (source) {
            ThrowOnFailure(CopyFrom(source));
        }
    }
    CComSafeArray(const CComSafeArray& other) : CComSafeArray(other.m_psa) {}
    CComSafeArray(CComSafeArray&& other) noexcept
        : m_psa(other.m_psa), m_lockedArray(other.m_lockedArray) {
        other.m_psa = nullptr;
        other.m_lockedArray = nullptr;
    }
    ~CComSafeArray() { Destroy(); }

    CComSafeArray& operator=(const CComSafeArray& other) {
        if (this != &other) {
            *this = CComSafeArray(other);
        }
        return *this;
    }
    CComSafeArray& operator=(CComSafeArray&& other) noexcept {
        if (this != &other) {
            Destroy();
            m_psa = other.m_psa;
            m_lockedArray = other.m_lockedArray;
            other.m_psa = nullptr;
            other.m_lockedArray = nullptr;
        }
        return *this;
    }
    // Deep copy of source; null leaves no array.
    CComSafeArray& operator=(const SAFEARRAY* source) {
        if (!source) {
            Destroy();
        } else if (source != m_psa) {
            ThrowOnFailure(CopyFrom(source));
        }
        return *this;
    }

    // Replaces the current array by a new vector (or an array of the given bounds).
    long Create(uint32_t count = 0, long lowerBound = 0) {
        const SAFEARRAYBOUND bound{count, lowerBound};
        return Create(&bound, 1);
    }
    template <std::same_as<SAFEARRAYBOUND> Bound>
    long Create(const Bound* bounds, unsigned int dims = 1) {
        if (!bounds) {
            return brixel::kStatusNullPointer;
        }
        const long status = Destroy();
        if (status != brixel::kStatusOk) {
            return status;
        }
        SAFEARRAY* created = nullptr;
        const long createStatus = brixel::CreateSafeArray(kVarType, dims, bounds, &created);
        if (createStatus == brixel::kStatusOk) {
            TakeLocked(created);
        }
        return createStatus;
    }
    long Destroy() {
        if (!m_psa) {
            return brixel::kStatusOk;
        }
        const bool locked = m_psa == m_lockedArray;
        if (locked) {
            SafeArrayUnlock(m_psa);
        }
        const long status = SafeArrayDestroy(m_psa);
        if (status != brixel::kStatusOk) {
            if (locked) {
                SafeArrayLock(m_psa);
            }
            return status;
        }
        m_psa = nullptr;
        m_lockedArray = nullptr;
        return brixel::kStatusOk;
    }
    // Takes ownership of source (no copy). On failure the caller still owns it.
    long Attach(SAFEARRAY* source) {
        if (!source) {
            return brixel::kStatusNullPointer;
        }
        if (source == m_psa) {
            return brixel::kStatusOk;
        }
        VARTYPE type = VT_EMPTY;
        if (SafeArrayGetVartype(source, &type) != brixel::kStatusOk || type != kVarType) {
            return brixel::kStatusInvalidArgument;
        }
        const long status = Destroy();
        if (status != brixel::kStatusOk) {
            return status;
        }
        if (SafeArrayLock(source) != brixel::kStatusOk) {
            return brixel::kStatusFail;
        }
        m_psa = m_lockedArray = source;
        return brixel::kStatusOk;
    }
    // Hands the array to the caller, who must destroy it; this object becomes empty.
    SAFEARRAY* Detach() noexcept {
        if (m_psa && m_psa == m_lockedArray) {
            SafeArrayUnlock(m_psa);
        }
        SAFEARRAY* array = m_psa;
        m_psa = nullptr;
        m_lockedArray = nullptr;
        return array;
    }
    // Replaces the current array by a deep copy of source (which must hold T).
    long CopyFrom(const SAFEARRAY* source) {
        if (!source) {
            return brixel::kStatusNullPointer;
        }
        VARTYPE type = VT_EMPTY;
        if (SafeArrayGetVartype(source, &type) != brixel::kStatusOk || type != kVarType) {
            return brixel::kStatusInvalidArgument;
        }
        SAFEARRAY* copy = nullptr;
        long status = SafeArrayCopy(source, &copy);
        if (status == brixel::kStatusOk) {
            status = Destroy();
            if (status == brixel::kStatusOk) {
                TakeLocked(copy);
                return brixel::kStatusOk;
            }
            SafeArrayDestroy(copy);
        }
        return status;
    }
    // A deep copy that the caller owns.
    long CopyTo(SAFEARRAY** target) const {
        if (!target) {
            return brixel::kStatusNullPointer;
        }
        return SafeArrayCopy(m_psa, target);
    }

    // dim counts from 0 here; a dim beyond the array's throws std::out_of_range.
    uint32_t GetCount(unsigned int dim = 0) const {
        if (!m_psa) {
            return 0;
        }
        return static_cast<uint32_t>(GetUpperBound(dim) - GetLowerBound(dim) + 1);
    }
    long GetLowerBound(unsigned int dim = 0) const {
        long bound = 0;
        if (m_psa && SafeArrayGetLBound(m_psa, dim + 1, &bound) != brixel::kStatusOk) {
            throw std::out_of_range("CComSafeArray: dimension out of range");
        }
        return bound;
    }
    long GetUpperBound(unsigned int dim = 0) const {
        long bound = -1;
        if (m_psa && SafeArrayGetUBound(m_psa, dim + 1, &bound) != brixel::kStatusOk) {
            throw std::out_of_range("CComSafeArray: dimension out of range");
        }
        return bound;
    }
    unsigned int GetDimensions() const noexcept { return SafeArrayGetDim(m_psa); }
    VARTYPE GetType() const noexcept { return kVarType; }

    // The stored element itself (for BSTR the stored string, still owned by the array).
    T& GetAt(long index) const {
        const std::size_t offset = Offset(index);
        return Data()[offset];
    }
    template <std::integral Index>
    T& operator[](Index index) const {
        return GetAt(IndexOf(index));
    }
    // Replaces the element, releasing the old one. copy = false hands value's ownership to
    // the array (on success). BSTRs are copied up to their NUL, as the platform does, so
    // that any wide text serves; a null BSTR is stored as null.
    long SetAt(long index, const T& value, bool copy = true) {
        const std::size_t offset = Offset(index);
        T& slot = Data()[offset];
        if (&slot == &value) {
            return brixel::kStatusOk;
        }
        if constexpr (kVarType == VT_BSTR) {
            BSTR stored = copy ? SysAllocString(value) : value;
            if (copy && value && !stored) {
                return brixel::kStatusFail;
            }
            if (stored != slot) {
                SysFreeString(slot);
            }
            slot = stored;
        } else if constexpr (kVarType == VT_VARIANT) {
            VARIANT stored = value;
            if (copy) {
                VariantInit(&stored);
                const long status = VariantCopy(&stored, &value);
                if (status != brixel::kStatusOk) {
                    return status;
                }
            }
            const long status = VariantClear(&slot);
            if (status != brixel::kStatusOk) {
                if (copy) {
                    VariantClear(&stored);
                }
                return status;
            }
            slot = stored;
        } else {
            slot = value;
        }
        return brixel::kStatusOk;
    }
    // Appends to a vector (creating one with lower bound 0 when there is none).
    long Add(const T& value, bool copy = true) {
        if (!m_psa) {
            const long status = Create(0, 0);
            if (status != brixel::kStatusOk) {
                return status;
            }
        }
        if (GetDimensions() != 1) {
            return brixel::kStatusInvalidArgument;
        }
        const long lowerBound = GetLowerBound();
        const uint32_t count = GetCount();
        if (count == std::numeric_limits<uint32_t>::max()) {
            return brixel::kStatusFail;
        }
        long status = Resize(count + 1, lowerBound);
        if (status == brixel::kStatusOk) {
            status = SetAt(GetUpperBound(), value, copy);
            if (status != brixel::kStatusOk) {
                Resize(count, lowerBound);
            }
        }
        return status;
    }
    // New count and lower bound of the right-most dimension (lower bound 0 unless given, as
    // on the platform); kept elements keep their values. Creates a vector when there is no
    // array.
    long Resize(uint32_t count, long lowerBound = 0) {
        const SAFEARRAYBOUND bound{count, lowerBound};
        return Resize(&bound);
    }
    template <std::same_as<SAFEARRAYBOUND> Bound>
    long Resize(const Bound* bound) {
        if (!bound) {
            return brixel::kStatusNullPointer;
        }
        if (!m_psa) {
            return Create(bound, 1);
        }
        const bool locked = m_psa == m_lockedArray;
        if (locked) {
            SafeArrayUnlock(m_psa);
        }
        const long status = SafeArrayRedim(m_psa, bound);
        if (locked) {
            SafeArrayLock(m_psa);
        }
        return status;
    }
    // indices: one per dimension, dimension 1 first. MultiDimGetAt copies into value, which
    // is treated as uninitialised; for BSTR and VARIANT the copy belongs to the caller.
    long MultiDimGetAt(const long* indices, T& value) const {
        if (!m_psa) {
            return brixel::kStatusNullPointer;
        }
        return SafeArrayGetElement(m_psa, indices, &value);
    }
    long MultiDimSetAt(const long* indices, const T& value) {
        if (!m_psa) {
            return brixel::kStatusNullPointer;
        }
        if constexpr (kVarType == VT_BSTR) {
            return SafeArrayPutElement(m_psa, indices, value);
        } else {
            return SafeArrayPutElement(m_psa, indices, &value);
        }
    }

    // Address of the owned pointer, for out arguments: destroy the current array first.
    SAFEARRAY** GetSafeArrayPtr() noexcept { return &m_psa; }
    operator SAFEARRAY*() const noexcept { return m_psa; }  // NOLINT: platform surface

    SAFEARRAY* m_psa = nullptr;

  private:
    static void ThrowOnFailure(long status) {
        if (status == brixel::kStatusInvalidArgument || status == brixel::kStatusNullPointer) {
            throw std::invalid_argument("CComSafeArray: invalid bounds or element type");
        }
        if (status != brixel::kStatusOk) {
            throw std::bad_alloc();
        }
    }
    template <std::integral Index>
    static long IndexOf(Index index) {
        if (!std::in_range<long>(index)) {
            throw std::out_of_range("CComSafeArray: index out of range");
        }
        return static_cast<long>(index);
    }
    void TakeLocked(SAFEARRAY* array) noexcept {
        SafeArrayLock(array);  // cannot fail on a new array
        m_psa = m_lockedArray = array;
    }
    T* Data() const { return static_cast<T*>(m_psa->pvData); }
    std::size_t Offset(long index) const {
        if (!m_psa || m_psa->cDims != 1) {
            throw std::out_of_range("CComSafeArray: not a one-dimensional array");
        }
        const SAFEARRAYBOUND& bound = m_psa->rgsabound[0];
        // Unsigned difference: exact for index >= lLbound whatever the signs.
        const unsigned long position =
            static_cast<unsigned long>(index) - static_cast<unsigned long>(bound.lLbound);
        if (index < bound.lLbound || position >= bound.cElements) {
            throw std::out_of_range("CComSafeArray: index out of range");
        }
        return static_cast<std::size_t>(position);
    }

    // The array this object locked; a pointer stored through GetSafeArrayPtr or m_psa by
    // someone else is not locked and is destroyed without unlocking.
    SAFEARRAY* m_lockedArray = nullptr;
};
