#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <utility>

#include "brixel/framework/status.h"
#include "brixel/platform/safe_array.h"

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

TEST(CComSafeArrayTest, IndicesFollowTheArraysOwnBounds) {
    CComSafeArray<double> values(3, 1);
    EXPECT_EQ(values.GetUpperBound(), 3);
    values[1] = 0.5;
    values.SetAt(3, 2.5);
    EXPECT_EQ(values[std::size_t{3}], 2.5);
    EXPECT_THROW(values.GetAt(0), std::out_of_range);
    EXPECT_THROW(values.SetAt(4, 1.0), std::out_of_range);
    EXPECT_THROW(values[static_cast<std::size_t>(-1)], std::out_of_range);

    CComSafeArray<int> negative(2, -2);
    negative[-2] = 7;
    EXPECT_EQ(negative.GetAt(-2), 7);
    EXPECT_EQ(negative.GetAt(-1), 0);  // new elements start at zero
    EXPECT_THROW(negative.GetAt(0), std::out_of_range);
}

TEST(CComSafeArrayTest, WithoutArrayReadsAsEmptyAndAddCreatesAVector) {
    CComSafeArray<double> none;
    EXPECT_EQ(none.GetUpperBound(), -1);
    EXPECT_THROW(none.GetAt(0), std::out_of_range);
    double read = 0.0;
    const long zero = 0;
    EXPECT_EQ(none.MultiDimGetAt(&zero, read), kStatusNullPointer);
    EXPECT_EQ(none.Add(1.5), kStatusOk);
    EXPECT_EQ(none.Add(2.5), kStatusOk);
    EXPECT_EQ(none.GetLowerBound(), 0);
    EXPECT_EQ(none[1], 2.5);

    CComSafeArray<double> kept(1, 1);
    kept.Add(5.0);
    EXPECT_EQ(kept[2], 5.0);  // Add keeps the lower bound
}

TEST(CComSafeArrayTest, StringAndVariantElementsAreCopiedUnlessHandedOver) {
    CComSafeArray<BSTR> names;
    CComBSTR first(L"vapor");
    ASSERT_EQ(names.Add(first), kStatusOk);
    EXPECT_NE(names.GetAt(0), first.m_str);  // a copy
    // A reference to the stored string, not a new copy.
    EXPECT_EQ(&names.GetAt(0), static_cast<BSTR*>(names.m_psa->pvData));
    ASSERT_EQ(names.Add(SysAllocString(L"liquid"), false), kStatusOk);  // ownership handed over
    ASSERT_EQ(names.SetAt(0, CComBSTR(L"solid")), kStatusOk);           // frees "vapor"
    ASSERT_EQ(names.SetAt(1, nullptr), kStatusOk);                      // frees "liquid"
    EXPECT_EQ(names.GetAt(1), nullptr);
    ASSERT_EQ(names.SetAt(0, names.GetAt(0)), kStatusOk);  // onto itself
    EXPECT_EQ(CComBSTR(names[0]), L"solid");

    CComSafeArray<VARIANT> mesh(2);
    CComVariant value(L"1e-6");
    ASSERT_EQ(mesh.SetAt(0, value), kStatusOk);
    EXPECT_NE(mesh[0].bstrVal, value.bstrVal);
    VARIANT handed;
    VariantInit(&handed);
    handed.vt = VT_BSTR;
    handed.bstrVal = SysAllocString(L"given");
    ASSERT_EQ(mesh.SetAt(1, handed, false), kStatusOk);
    EXPECT_EQ(mesh[1].bstrVal, handed.bstrVal);                // now the array's to free
    ASSERT_EQ(mesh.SetAt(1, CComVariant(2.0e-6)), kStatusOk);  // frees "given"
}

TEST(CComSafeArrayTest, OwnedArrayIsLockedUntilDetached) {
    CComSafeArray<BSTR> names(1);
    names.SetAt(0, CComBSTR(L"kept"));
    // A stray destroy of an owned array is refused instead of freeing it twice.
    EXPECT_EQ(SafeArrayDestroy(names.m_psa), kStatusFail);
    SAFEARRAY* detached = names.Detach();
    EXPECT_EQ(names.m_psa, nullptr);
    EXPECT_EQ(detached->cLocks, 0u);
    EXPECT_EQ(SafeArrayDestroy(detached), kStatusOk);

    CComSafeArray<double> accessed(2);
    void* data = nullptr;
    SafeArrayAccessData(accessed, &data);
    EXPECT_EQ(accessed.Destroy(), kStatusFail);  // someone still holds the data
    EXPECT_EQ(accessed.m_psa->cLocks, 2u);       // and the owner's lock is back
    SafeArrayUnaccessData(accessed);
    EXPECT_EQ(accessed.Destroy(), kStatusOk);
    EXPECT_EQ(accessed.m_psa, nullptr);
}

TEST(CComSafeArrayTest, AttachTakesOwnershipOnlyOfTheRightType) {
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 1);
    CComSafeArray<double> values;
    EXPECT_EQ(values.Attach(strings), kStatusInvalidArgument);
    EXPECT_EQ(values.Attach(nullptr), kStatusNullPointer);
    EXPECT_EQ(SafeArrayDestroy(strings), kStatusOk);  // still the caller's
    SAFEARRAY* reals = SafeArrayCreateVector(VT_R8, 1, 2);
    ASSERT_EQ(values.Attach(reals), kStatusOk);  // the object destroys it
    EXPECT_EQ(values.GetLowerBound(), 1);
    EXPECT_THROW(CComSafeArray<BSTR>{values.m_psa}, std::invalid_argument);

    CComSafeArray<long> wide(1);
    EXPECT_EQ(wide.GetType(), VT_I8);
    EXPECT_EQ(SafeArrayGetElemsize(wide), sizeof(long));
}

TEST(CComSafeArrayTest, CopiesAreDeepAndMovesKeepTheLock) {
    CComSafeArray<BSTR> original;
    original.Add(CComBSTR(L"a"));
    original.Add(CComBSTR(L"b"));
    CComSafeArray<BSTR> copy(original);
    ASSERT_EQ(copy.GetCount(), 2u);
    copy.SetAt(1, CComBSTR(L"changed"));
    EXPECT_EQ(CComBSTR(original.GetAt(1)), L"b");
    copy = original;        // the previous copy is destroyed
    copy = original.m_psa;  // from a raw array: copied, not taken
    EXPECT_NE(copy.m_psa, original.m_psa);

    CComSafeArray<BSTR> moved(std::move(copy));
    EXPECT_EQ(copy.m_psa, nullptr);  // NOLINT: moved-from is defined as empty
    EXPECT_EQ(moved.m_psa->cLocks, 1u);
    moved = std::move(original);
    EXPECT_EQ(moved.GetCount(), 2u);
    EXPECT_EQ(moved.Destroy(), kStatusOk);
}

TEST(CComSafeArrayTest, TwoDimensionsWithMultiDimAccess) {
    // Two rows (density classes) from 0, three columns (size intervals) from 1.
    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 1}};
    CComSafeArray<double> table;
    ASSERT_EQ(table.Create(bounds, 2), kStatusOk);
    EXPECT_EQ(table.GetCount(1), 3u);
    EXPECT_EQ(table.GetLowerBound(1), 1);
    EXPECT_THROW(table.GetCount(2), std::out_of_range);
    EXPECT_THROW(table.GetAt(0), std::out_of_range);  // not one-dimensional
    const long indices[2] = {1, 3};
    const long outside[2] = {2, 1};
    double value = 0.0;
    ASSERT_EQ(table.MultiDimSetAt(indices, 3.1), kStatusOk);
    ASSERT_EQ(table.MultiDimGetAt(indices, value), kStatusOk);
    EXPECT_EQ(value, 3.1);
    EXPECT_EQ(table.MultiDimGetAt(outside, value), kStatusInvalidArgument);
    EXPECT_EQ(table.Create(bounds, 0), kStatusInvalidArgument);

    CComSafeArray<BSTR> labels(bounds, 2);
    CComBSTR text(L"row 1, column 3");
    ASSERT_EQ(labels.MultiDimSetAt(indices, text.m_str), kStatusOk);
    CComBSTR owned;  // the copy read back is ours to free
    ASSERT_EQ(labels.MultiDimGetAt(indices, owned.m_str), kStatusOk);
    EXPECT_EQ(owned, text);
}

TEST(CComSafeArrayTest, ResizeKeepsElementsAndResetsLowerBound) {
    CComSafeArray<double> values(2, 1);
    values[1] = 1.0;
    values[2] = 2.0;
    ASSERT_EQ(values.Resize(3), kStatusOk);
    EXPECT_EQ(values.GetLowerBound(), 0);  // as on the platform, unless one is given
    EXPECT_EQ(values[1], 2.0);
    EXPECT_EQ(values[2], 0.0);
    EXPECT_EQ(values.m_psa->cLocks, 1u);  // still owned and locked
    ASSERT_EQ(values.Resize(1, 1), kStatusOk);
    EXPECT_EQ(values[1], 1.0);
}

TEST(CComSafeArrayTest, ArrayStoredThroughOutPointerIsDestroyedWithoutUnlocking) {
    CComSafeArray<double> result;
    *result.GetSafeArrayPtr() = SafeArrayCreateVector(VT_R8, 0, 4);
    EXPECT_EQ(result.GetCount(), 4u);
    EXPECT_EQ(result.Destroy(), kStatusOk);  // the leak check proves it was released
    EXPECT_EQ(result.m_psa, nullptr);
}

}  // namespace
