#include "brixel/platform/safe_array.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <iterator>
#include <vector>

#include "brixel/framework/status.h"

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

long Lower(const SAFEARRAY* a, unsigned int dim = 1) {
    long bound = -999;
    EXPECT_EQ(SafeArrayGetLBound(a, dim, &bound), kStatusOk);
    return bound;
}

long Upper(const SAFEARRAY* a, unsigned int dim = 1) {
    long bound = -999;
    EXPECT_EQ(SafeArrayGetUBound(a, dim, &bound), kStatusOk);
    return bound;
}

TEST(SafeArrayTest, VectorWithNegativeLowerBoundChecksEveryIndex) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_R8, -2, 5);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Lower(a), -2);
    EXPECT_EQ(Upper(a), 2);
    for (long i = -2; i <= 2; ++i) {
        const double value = 10.0 * static_cast<double>(i);
        EXPECT_EQ(SafeArrayPutElement(a, &i, &value), kStatusOk);
    }
    double read = 0.0;
    for (const long bad : {-3L, 3L, LONG_MIN, LONG_MAX}) {
        EXPECT_EQ(SafeArrayGetElement(a, &bad, &read), kStatusInvalidArgument) << bad;
        EXPECT_EQ(SafeArrayPutElement(a, &bad, &read), kStatusInvalidArgument) << bad;
    }
    long bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(a, 0, &bound), kStatusInvalidArgument);
    const double* data = static_cast<const double*>(a->pvData);
    EXPECT_EQ(data[0], -20.0);  // element -2 comes first
    EXPECT_EQ(data[4], 20.0);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, TwoDimensionsStoreLeftMostIndexFastest) {
    // Three rows numbered from 1, two columns numbered from 0.
    const SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, 0}};
    SAFEARRAY* a = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Upper(a, 1), 3);
    EXPECT_EQ(Lower(a, 2), 0);
    EXPECT_EQ(a->rgsabound[0].cElements, 2u);  // the descriptor keeps the bounds reversed
    for (long row = 1; row <= 3; ++row) {
        for (long column = 0; column <= 1; ++column) {
            const long indices[2] = {row, column};
            const int32_t value = static_cast<int32_t>(10 * row + column);
            ASSERT_EQ(SafeArrayPutElement(a, indices, &value), kStatusOk);
        }
    }
    const int32_t* data = static_cast<const int32_t*>(a->pvData);
    EXPECT_EQ(std::vector<int32_t>(data, data + 6), (std::vector<int32_t>{10, 20, 30, 11, 21, 31}));
    int32_t read = 0;
    const long outside[2][2] = {{0, 1}, {3, 2}};
    for (const auto& indices : outside) {
        EXPECT_EQ(SafeArrayGetElement(a, indices, &read), kStatusInvalidArgument) << indices[0];
    }
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, StringElementsAreCopiedInAndOut) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const long zero = 0;
    const OLECHAR withNul[] = {L'a', L'\0', L'b'};
    BSTR source = SysAllocStringLen(withNul, 3);
    ASSERT_EQ(SafeArrayPutElement(a, &zero, source), kStatusOk);
    SysFreeString(source);  // the array keeps its own copy
    BSTR read = nullptr;
    ASSERT_EQ(SafeArrayGetElement(a, &zero, &read), kStatusOk);
    EXPECT_NE(read, static_cast<BSTR*>(a->pvData)[0]);
    EXPECT_EQ(SysStringLen(read), 3u);
    SysFreeString(read);

    // Overwriting frees the old element; the element itself can be put back.
    ASSERT_EQ(SafeArrayPutElement(a, &zero, CComBSTR(L"new").m_str), kStatusOk);
    ASSERT_EQ(SafeArrayPutElement(a, &zero, static_cast<BSTR*>(a->pvData)[0]), kStatusOk);
    EXPECT_EQ(CComBSTR(static_cast<BSTR*>(a->pvData)[0]), L"new");
    ASSERT_EQ(SafeArrayPutElement(a, &zero, nullptr), kStatusOk);  // null string
    EXPECT_EQ(SafeArrayGetElement(a, &zero, &read), kStatusOk);
    EXPECT_EQ(read, nullptr);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, VariantElementsAndNestedArraysAreDeepCopies) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 1, 2);
    const long zero = 0, one = 1, two = 2;
    {
        CComVariant text(L"inner");  // the array must keep its own copy
        ASSERT_EQ(SafeArrayPutElement(a, &one, &text), kStatusOk);
    }
    VARIANT read;  // treated as uninitialised by GetElement
    read.vt = VT_I4;
    ASSERT_EQ(SafeArrayGetElement(a, &one, &read), kStatusOk);
    EXPECT_NE(read.bstrVal, static_cast<VARIANT*>(a->pvData)[0].bstrVal);
    EXPECT_EQ(CComBSTR(read.bstrVal), L"inner");
    VariantClear(&read);

    SAFEARRAY* nested = SafeArrayCreateVector(VT_BSTR, 0, 1);
    SafeArrayPutElement(nested, &zero, CComBSTR(L"deep").m_str);
    CComVariant holder(nested);
    SafeArrayDestroy(nested);
    ASSERT_EQ(SafeArrayPutElement(a, &two, &holder), kStatusOk);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &copy), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
    const VARIANT& copied = static_cast<VARIANT*>(copy->pvData)[1];
    ASSERT_EQ(copied.vt, VT_ARRAY | VT_BSTR);
    CComBSTR deep;
    ASSERT_EQ(SafeArrayGetElement(copied.parray, &zero, &deep), kStatusOk);
    EXPECT_EQ(deep, L"deep");
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

TEST(SafeArrayTest, NullArgumentsAndBadCreation) {
    const SAFEARRAYBOUND one{1, 0};
    EXPECT_EQ(SafeArrayDestroy(nullptr), kStatusOk);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    long bound = 0;
    SAFEARRAY* copy = reinterpret_cast<SAFEARRAY*>(&bound);  // must be overwritten
    EXPECT_EQ(SafeArrayCopy(nullptr, &copy), kStatusOk);
    EXPECT_EQ(copy, nullptr);
    SAFEARRAY* a = SafeArrayCreateVector(VT_R8, 0, 1);
    const long zero = 0;
    double value = 0.0;
    const long nullStatuses[] = {SafeArrayGetLBound(nullptr, 1, &bound),
                                 SafeArrayGetElement(a, nullptr, &value),
                                 SafeArrayGetElement(a, &zero, nullptr),
                                 SafeArrayPutElement(a, &zero, nullptr),
                                 SafeArrayCopy(a, nullptr),
                                 SafeArrayAccessData(a, nullptr),
                                 SafeArrayRedim(a, nullptr),
                                 brixel::CreateSafeArray(VT_R8, 1, &one, nullptr)};
    for (std::size_t i = 0; i < std::size(nullStatuses); ++i) {
        EXPECT_EQ(nullStatuses[i], kStatusNullPointer) << "call " << i;
    }
    SafeArrayDestroy(a);

    const SAFEARRAYBOUND many[brixel::kSafeArrayMaxDimensions + 1] = {};
    const SAFEARRAYBOUND huge[2] = {{70000, 0}, {70000, 0}};  // beyond a 32-bit count
    const SAFEARRAY* refused[] = {
        SafeArrayCreate(VT_R8, 1, nullptr),
        SafeArrayCreate(VT_EMPTY, 1, &one),
        SafeArrayCreate(VT_ARRAY | VT_R8, 1, &one),
        SafeArrayCreate(VT_R8, 0, &one),
        SafeArrayCreate(VT_R8, brixel::kSafeArrayMaxDimensions + 1, many),
        SafeArrayCreate(VT_I2, 2, huge),
        SafeArrayCreateVector(VT_R8, LONG_MAX, 2),  // the upper bound must fit
        SafeArrayCreateVector(VT_R8, LONG_MIN, 0)};
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(refused[i], nullptr) << "case " << i;
    }
    SAFEARRAY* created = nullptr;
    EXPECT_EQ(brixel::CreateSafeArray(VT_NULL, 1, &one, &created), kStatusInvalidArgument);
    EXPECT_EQ(created, nullptr);
    SAFEARRAY* edge = SafeArrayCreateVector(VT_I2, LONG_MAX, 1);
    EXPECT_EQ(Upper(edge), LONG_MAX);
    SafeArrayDestroy(edge);
    SAFEARRAY* empty = SafeArrayCreateVector(VT_BSTR, 5, 0);
    EXPECT_EQ(Upper(empty), 4);  // an empty dimension ends one below its lower bound
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
    EXPECT_EQ(Lower(a), 0);
    const long zero = 0, three = 3;
    CComBSTR read;
    SafeArrayGetElement(a, &zero, &read);
    EXPECT_EQ(read, L"one");
    read.Empty();
    SafeArrayGetElement(a, &three, &read);
    EXPECT_EQ(read, nullptr);  // new elements start empty
    const SAFEARRAYBOUND none{0, 0};
    ASSERT_EQ(SafeArrayRedim(a, &none), kStatusOk);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
}

TEST(SafeArrayTest, CopyIsUnlockedAndRedimOfTwoDimensionsChangesTheRightMostOne) {
    const SAFEARRAYBOUND bounds[2] = {{2, -1}, {3, 5}};
    SAFEARRAY* a = SafeArrayCreate(VT_I8, 2, bounds);
    const long kept[2] = {0, 7};
    const long added[2] = {0, 8};
    const int64_t value = 1LL << 40;
    SafeArrayPutElement(a, kept, &value);
    SafeArrayLock(a);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &copy), kStatusOk);
    SafeArrayUnlock(a);
    EXPECT_EQ(SafeArrayDestroy(a), kStatusOk);
    EXPECT_EQ(copy->cLocks, 0u);
    EXPECT_EQ(Lower(copy, 1), -1);
    EXPECT_EQ(Lower(copy, 2), 5);
    const SAFEARRAYBOUND fourColumns{4, 5};
    ASSERT_EQ(SafeArrayRedim(copy, &fourColumns), kStatusOk);
    EXPECT_EQ(Upper(copy, 1), 0);
    EXPECT_EQ(Upper(copy, 2), 8);
    int64_t read = 0;
    SafeArrayGetElement(copy, kept, &read);
    EXPECT_EQ(read, value);
    SafeArrayGetElement(copy, added, &read);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(SafeArrayDestroy(copy), kStatusOk);
}

}  // namespace
