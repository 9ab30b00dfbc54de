#include "brixel/platform/safe_array.h"

#include <gtest/gtest.h>

#include <climits>

#include "brixel/framework/status.h"

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

TEST(SafeArrayTest, VectorWithNegativeLowerBoundChecksEveryIndex) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_R8, -2, 5);
    ASSERT_NE(a, nullptr);
    long lower = 0;
    long upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, &lower), kStatusOk);
    EXPECT_EQ(SafeArrayGetUBound(a, 1, &upper), kStatusOk);
    EXPECT_EQ(lower, -2);
    EXPECT_EQ(upper, 2);
    EXPECT_EQ(SafeArrayGetDim(a), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(a), sizeof(double));

    for (long i = -2; i <= 2; ++i) {
        const double value = 10.0 * static_cast<double>(i);
        EXPECT_EQ(SafeArrayPutElement(a, &i, &value), kStatusOk);
    }
    double read = 0.0;
    const long first = -2;
    EXPECT_EQ(SafeArrayGetElement(a, &first, &read), kStatusOk);
    EXPECT_EQ(read, -20.0);
    for (const long bad : {-3L, 3L, LONG_MIN, LONG_MAX}) {
        EXPECT_EQ(SafeArrayGetElement(a, &bad, &read), kStatusInvalidArgument) << bad;
        EXPECT_EQ(SafeArrayPutElement(a, &bad, &read), kStatusInvalidArgument) << bad;
    }
    EXPECT_EQ(SafeArrayGetLBound(a, 0, &lower), kStatusInvalidArgument);
    EXPECT_EQ(SafeArrayGetUBound(a, 2, &upper), kStatusInvalidArgument);
    // Element -2 is the first one in storage.
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, &data), kStatusOk);
    EXPECT_EQ(static_cast<double*>(data)[0], -20.0);
    EXPECT_EQ(static_cast<double*>(data)[4], 20.0);
    EXPECT_EQ(SafeArrayUnaccessData(a), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, TwoDimensionsStoreLeftMostIndexFastest) {
    // Three rows numbered from 1, two columns numbered from 0.
    const SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, 0}};
    SAFEARRAY* a = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(a, nullptr);
    long lower = 0;
    long upper = 0;
    SafeArrayGetLBound(a, 1, &lower);
    SafeArrayGetUBound(a, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 3);
    SafeArrayGetLBound(a, 2, &lower);
    SafeArrayGetUBound(a, 2, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 1);
    // The descriptor keeps the bounds reversed.
    EXPECT_EQ(a->rgsabound[0].cElements, 2u);
    EXPECT_EQ(a->rgsabound[1].cElements, 3u);

    for (long row = 1; row <= 3; ++row) {
        for (long column = 0; column <= 1; ++column) {
            const long indices[2] = {row, column};
            const int32_t value = static_cast<int32_t>(10 * row + column);
            ASSERT_EQ(SafeArrayPutElement(a, indices, &value), kStatusOk);
        }
    }
    const int32_t* data = static_cast<const int32_t*>(a->pvData);
    const int32_t expected[6] = {10, 20, 30, 11, 21, 31};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(data[k], expected[k]) << k;
    }
    const long outside[2] = {0, 1};  // row 0 is below the lower bound 1
    int32_t read = 0;
    EXPECT_EQ(SafeArrayGetElement(a, outside, &read), kStatusInvalidArgument);
    const long columnOutside[2] = {3, 2};
    EXPECT_EQ(SafeArrayGetElement(a, columnOutside, &read), kStatusInvalidArgument);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, StringElementsAreCopiedInAndOut) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const long zero = 0;
    const OLECHAR withNul[] = {L'a', L'\0', L'b'};
    BSTR source = SysAllocStringLen(withNul, 3);
    ASSERT_EQ(SafeArrayPutElement(a, &zero, source), kStatusOk);  // the BSTR itself
    BSTR stored = static_cast<BSTR*>(a->pvData)[0];
    EXPECT_NE(stored, source);
    SysFreeString(source);  // the array keeps its own copy

    BSTR read = nullptr;
    ASSERT_EQ(SafeArrayGetElement(a, &zero, &read), kStatusOk);
    EXPECT_NE(read, stored);
    EXPECT_EQ(SysStringLen(read), 3u);
    EXPECT_EQ(read[2], L'b');
    SysFreeString(read);

    // Overwriting frees the old element; the element itself can be put back.
    ASSERT_EQ(SafeArrayPutElement(a, &zero, CComBSTR(L"new").m_str), kStatusOk);
    ASSERT_EQ(SafeArrayPutElement(a, &zero, static_cast<BSTR*>(a->pvData)[0]), kStatusOk);
    EXPECT_EQ(CComBSTR(static_cast<BSTR*>(a->pvData)[0]), L"new");
    ASSERT_EQ(SafeArrayPutElement(a, &zero, nullptr), kStatusOk);  // null string
    EXPECT_EQ(static_cast<BSTR*>(a->pvData)[0], nullptr);
    const long one = 1;
    EXPECT_EQ(SafeArrayGetElement(a, &one, &read), kStatusOk);
    EXPECT_EQ(read, nullptr);
    ASSERT_EQ(SafeArrayPutElement(a, &one, CComBSTR(L"left").m_str), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);  // frees "left"
}

TEST(SafeArrayTest, VariantElementsAreDeepCopies) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 1, 2);
    const long one = 1;
    {
        CComVariant text(L"inner");
        ASSERT_EQ(SafeArrayPutElement(a, &one, &text), kStatusOk);
        EXPECT_NE(static_cast<VARIANT*>(a->pvData)[0].bstrVal, text.bstrVal);
    }
    VARIANT read;  // treated as uninitialised by GetElement
    read.vt = VT_I4;
    ASSERT_EQ(SafeArrayGetElement(a, &one, &read), kStatusOk);
    EXPECT_EQ(read.vt, VT_BSTR);
    EXPECT_NE(read.bstrVal, static_cast<VARIANT*>(a->pvData)[0].bstrVal);
    EXPECT_EQ(CComBSTR(read.bstrVal), L"inner");
    VariantClear(&read);

    // A nested array travels with the outer copy and is destroyed with it.
    SAFEARRAY* nested = SafeArrayCreateVector(VT_BSTR, 0, 1);
    const long zero = 0;
    SafeArrayPutElement(nested, &zero, CComBSTR(L"deep").m_str);
    CComVariant holder(nested);
    SafeArrayDestroy(nested);
    const long two = 2;
    ASSERT_EQ(SafeArrayPutElement(a, &two, &holder), kStatusOk);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &copy), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
    const VARIANT& copied = static_cast<VARIANT*>(copy->pvData)[1];
    ASSERT_EQ(copied.vt, VT_ARRAY | VT_BSTR);
    BSTR deep = nullptr;
    ASSERT_EQ(SafeArrayGetElement(copied.parray, &zero, &deep), kStatusOk);
    EXPECT_EQ(CComBSTR(deep), L"deep");
    SysFreeString(deep);
    EXPECT_EQ(SafeArrayDestroy(copy), kStatusOk);
}

TEST(SafeArrayTest, LockedArrayRefusesDestroyAndRedim) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_EQ(SafeArrayLock(a), kStatusOk);
    const long refused = SafeArrayDestroy(a);
    EXPECT_EQ(refused, kStatusFail);
    EXPECT_LT(refused, 0);  // a failure must read as negative in a 64-bit long
    const SAFEARRAYBOUND bigger{4, 0};
    EXPECT_EQ(SafeArrayRedim(a, &bigger), kStatusFail);
    EXPECT_EQ(SafeArrayUnlock(a), kStatusOk);
    EXPECT_EQ(SafeArrayUnlock(a), kStatusFail);  // not locked any more

    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, &data), kStatusOk);
    EXPECT_EQ(data, a->pvData);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusFail);  // access holds a lock
    EXPECT_EQ(SafeArrayUnaccessData(a), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, NullArguments) {
    EXPECT_EQ(SafeArrayDestroy(nullptr), kStatusOk);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    long bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), kStatusNullPointer);
    EXPECT_EQ(SafeArrayLock(nullptr), kStatusNullPointer);
    SAFEARRAY* copy = reinterpret_cast<SAFEARRAY*>(&bound);  // must be overwritten
    EXPECT_EQ(SafeArrayCopy(nullptr, &copy), kStatusOk);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 1, nullptr), nullptr);

    SAFEARRAY* a = SafeArrayCreateVector(VT_R8, 0, 1);
    const long zero = 0;
    double value = 0.0;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, nullptr), kStatusNullPointer);
    EXPECT_EQ(SafeArrayGetElement(a, nullptr, &value), kStatusNullPointer);
    EXPECT_EQ(SafeArrayGetElement(a, &zero, nullptr), kStatusNullPointer);
    EXPECT_EQ(SafeArrayPutElement(a, &zero, nullptr), kStatusNullPointer);
    EXPECT_EQ(SafeArrayCopy(a, nullptr), kStatusNullPointer);
    EXPECT_EQ(SafeArrayAccessData(a, nullptr), kStatusNullPointer);
    EXPECT_EQ(SafeArrayRedim(a, nullptr), kStatusNullPointer);
    VARTYPE type = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(a, &type), kStatusOk);
    EXPECT_EQ(type, VT_R8);
    EXPECT_EQ(SafeArrayGetVartype(a, nullptr), kStatusNullPointer);
    SafeArrayDestroy(a);
}

TEST(SafeArrayTest, CreateRefusesBadTypesDimensionsAndBounds) {
    const SAFEARRAYBOUND one{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &one), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_ARRAY | VT_R8, 1, &one), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 0, &one), nullptr);
    const SAFEARRAYBOUND many[brixel::kSafeArrayMaxDimensions + 1] = {};
    EXPECT_EQ(SafeArrayCreate(VT_R8, brixel::kSafeArrayMaxDimensions + 1, many), nullptr);
    // The upper bound must fit in a long.
    EXPECT_EQ(SafeArrayCreateVector(VT_R8, LONG_MAX, 2), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_R8, LONG_MIN, 0), nullptr);
    SAFEARRAY* edge = SafeArrayCreateVector(VT_I2, LONG_MAX, 1);
    ASSERT_NE(edge, nullptr);
    long upper = 0;
    SafeArrayGetUBound(edge, 1, &upper);
    EXPECT_EQ(upper, LONG_MAX);
    SafeArrayDestroy(edge);
    // 70000 x 70000 elements exceed the 32-bit element count.
    const SAFEARRAYBOUND huge[2] = {{70000, 0}, {70000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_I2, 2, huge), nullptr);

    SAFEARRAY* created = nullptr;
    EXPECT_EQ(brixel::CreateSafeArray(VT_NULL, 1, &one, &created), kStatusInvalidArgument);
    EXPECT_EQ(created, nullptr);
    EXPECT_EQ(brixel::CreateSafeArray(VT_R8, 1, &one, nullptr), kStatusNullPointer);

    SAFEARRAY* empty = SafeArrayCreateVector(VT_BSTR, 5, 0);
    ASSERT_NE(empty, nullptr);
    SafeArrayGetUBound(empty, 1, &upper);
    EXPECT_EQ(upper, 4);  // an empty dimension ends one below its lower bound
    SafeArrayDestroy(empty);
}

TEST(SafeArrayTest, RedimKeepsValuesAndReleasesDroppedStrings) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 1, 3);
    for (long i = 1; i <= 3; ++i) {
        SafeArrayPutElement(a, &i, CComBSTR(i == 1 ? L"one" : L"dropped").m_str);
    }
    const SAFEARRAYBOUND shorter{1, 1};
    ASSERT_EQ(SafeArrayRedim(a, &shorter), kStatusOk);  // the leak check covers "dropped"
    const SAFEARRAYBOUND longer{4, 0};
    ASSERT_EQ(SafeArrayRedim(a, &longer), kStatusOk);
    long lower = 1;
    SafeArrayGetLBound(a, 1, &lower);
    EXPECT_EQ(lower, 0);
    const long zero = 0;
    const long three = 3;
    BSTR read = nullptr;
    SafeArrayGetElement(a, &zero, &read);
    EXPECT_EQ(CComBSTR(read), L"one");
    SysFreeString(read);
    SafeArrayGetElement(a, &three, &read);
    EXPECT_EQ(read, nullptr);  // new elements start empty
    const SAFEARRAYBOUND none{0, 0};
    ASSERT_EQ(SafeArrayRedim(a, &none), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, RedimOfTwoDimensionsChangesTheRightMostOne) {
    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SAFEARRAY* a = SafeArrayCreate(VT_R8, 2, bounds);
    for (long row = 0; row < 2; ++row) {
        for (long column = 0; column < 2; ++column) {
            const long indices[2] = {row, column};
            const double value = static_cast<double>(10 * row + column);
            SafeArrayPutElement(a, indices, &value);
        }
    }
    const SAFEARRAYBOUND threeColumns{3, 0};
    ASSERT_EQ(SafeArrayRedim(a, &threeColumns), kStatusOk);
    long upper = 0;
    SafeArrayGetUBound(a, 1, &upper);
    EXPECT_EQ(upper, 1);
    SafeArrayGetUBound(a, 2, &upper);
    EXPECT_EQ(upper, 2);
    const long kept[2] = {1, 1};
    const long added[2] = {1, 2};
    double value = -1.0;
    SafeArrayGetElement(a, kept, &value);
    EXPECT_EQ(value, 11.0);
    SafeArrayGetElement(a, added, &value);
    EXPECT_EQ(value, 0.0);
    SafeArrayDestroy(a);
}

TEST(SafeArrayTest, CopyKeepsBoundsAndIsUnlocked) {
    const SAFEARRAYBOUND bounds[2] = {{2, -1}, {3, 5}};
    SAFEARRAY* a = SafeArrayCreate(VT_I8, 2, bounds);
    const long indices[2] = {0, 7};
    const int64_t value = 1LL << 40;
    SafeArrayPutElement(a, indices, &value);
    SafeArrayLock(a);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &copy), kStatusOk);
    EXPECT_EQ(copy->cLocks, 0u);
    long lower = 0;
    SafeArrayGetLBound(copy, 1, &lower);
    EXPECT_EQ(lower, -1);
    SafeArrayGetLBound(copy, 2, &lower);
    EXPECT_EQ(lower, 5);
    int64_t read = 0;
    SafeArrayGetElement(copy, indices, &read);
    EXPECT_EQ(read, value);
    EXPECT_EQ(SafeArrayDestroy(copy), kStatusOk);
    SafeArrayUnlock(a);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

}  // namespace
