#include "brixel/platform/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>

#include "brixel/framework/status.h"
#include "brixel/platform/safe_array.h"

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

VARIANT Typed(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

TEST(VariantTest, ClearReleasesOwnedValuesAndRefusesLockedOrUnknown) {
    VARIANT text = Typed(VT_BSTR);
    text.bstrVal = SysAllocString(L"owned");
    EXPECT_EQ(VariantClear(&text), kStatusOk);  // the leak check proves the string is freed
    EXPECT_EQ(text.vt, VT_EMPTY);

    VARIANT array = Typed(VT_ARRAY | VT_BSTR);
    array.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const long index = 1;
    SafeArrayPutElement(array.parray, &index, CComBSTR(L"x").m_str);
    SafeArrayLock(array.parray);
    EXPECT_EQ(VariantClear(&array), kStatusFail);
    EXPECT_EQ(array.vt, VT_ARRAY | VT_BSTR);  // untouched, still owns its array
    SafeArrayUnlock(array.parray);
    EXPECT_EQ(VariantClear(&array), kStatusOk);

    EXPECT_EQ(VariantClear(nullptr), kStatusNullPointer);
    VARIANT unknown = Typed(0x0FFE);
    EXPECT_EQ(VariantClear(&unknown), kStatusInvalidArgument);
    VARIANT alone = Typed(VT_VARIANT);  // only an element or a reference type
    EXPECT_EQ(VariantClear(&alone), kStatusInvalidArgument);
}

TEST(VariantTest, CopyIsDeepForStringsAndArraysButNotReferences) {
    CComVariant source(L"feed");
    CComVariant copy;
    ASSERT_EQ(VariantCopy(&copy, &source), kStatusOk);
    copy.bstrVal[0] = L'F';
    EXPECT_EQ(CComBSTR(source.bstrVal), L"feed");
    EXPECT_EQ(VariantCopy(&copy, &copy), kStatusOk);  // onto itself: nothing freed
    EXPECT_EQ(CComBSTR(copy.bstrVal), L"Feed");
    EXPECT_EQ(VariantCopy(nullptr, &copy), kStatusNullPointer);

    SAFEARRAY* values = SafeArrayCreateVector(VT_R8, 1, 2);
    const long one = 1;
    const double value = 4.5;
    SafeArrayPutElement(values, &one, &value);
    CComVariant arrayHolder(values);  // copies; the test still owns values
    EXPECT_EQ(SafeArrayDestroy(values), kStatusOk);
    CComVariant arrayCopy(arrayHolder);  // a shared array would be destroyed twice
    double read = 0.0;
    EXPECT_EQ(SafeArrayGetElement(arrayCopy.parray, &one, &read), kStatusOk);
    EXPECT_EQ(read, 4.5);

    double target = 2.0;
    VARIANT reference = Typed(VT_R8 | VT_BYREF);
    reference.pdblVal = &target;
    CComVariant refCopy(reference);
    EXPECT_EQ(refCopy.pdblVal, &target);
    EXPECT_EQ(refCopy.Clear(), kStatusOk);  // must not free a stack double
}

// Type and value, for the scalar kinds the conversions below produce.
bool Same(const VARIANT& a, const VARIANT& b) {
    if (a.vt != b.vt) {
        return false;
    }
    switch (a.vt) {
        case VT_R8:
            return a.dblVal == b.dblVal;
        case VT_I4:
            return a.lVal == b.lVal;
        case VT_BOOL:
            return a.boolVal == b.boolVal;
        case VT_BSTR:
            return CComBSTR(a.bstrVal) == CComBSTR(b.bstrVal);
        default:
            return false;
    }
}

TEST(VariantChangeTypeTest, ConversionsRoundHalfToEvenAndParseText) {
    // Reals round half to even.
    const struct {
        CComVariant in;
        VARTYPE to;
        CComVariant want;
    } cases[] = {{2.5, VT_I4, 2},      {3.5, VT_I4, 4},
                 {-2.5, VT_I4, -2},    {1.4999, VT_I4, 1},
                 {-0.6, VT_I4, -1},    {L" 1.5e3 ", VT_R8, 1500.0},
                 {true, VT_I4, -1},    {L"false", VT_BOOL, false},
                 {0.5, VT_BOOL, true}, {0.1, VT_BSTR, L"0.1"},
                 {{}, VT_R8, 0.0}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        CComVariant v(cases[i].in);
        EXPECT_EQ(v.ChangeType(cases[i].to), kStatusOk) << "case " << i;
        EXPECT_TRUE(Same(v, cases[i].want)) << "case " << i;
    }
    CComVariant large(9007199254740993L);
    ASSERT_EQ(large.ChangeType(VT_BSTR), kStatusOk);
    EXPECT_EQ(CComBSTR(large.bstrVal), L"9007199254740993");  // integers stay exact
}

TEST(VariantChangeTypeTest, FailedConversionLeavesTheValue) {
    const long kInvalid = kStatusInvalidArgument;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        CComVariant in;
        VARTYPE to;
        long status;
    } cases[] = {
        {3.0e9, VT_I4, kStatusFail}, {nan, VT_I8, kStatusFail}, {40000, VT_I2, kStatusFail},
        {L"abc", VT_R8, kInvalid},   {L"", VT_R8, kInvalid},    {L"1.5x", VT_R8, kInvalid},
        {L"0x10", VT_R8, kInvalid},  {L"inf", VT_R8, kInvalid}, {L"nan", VT_R8, kInvalid}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        CComVariant v(cases[i].in);
        EXPECT_EQ(v.ChangeType(cases[i].to), cases[i].status) << "case " << i;
        EXPECT_EQ(v.vt, cases[i].in.vt) << "case " << i;
    }
}

TEST(VariantChangeTypeTest, VariantNumberReadsNumbersAndTextAndRefusesTheRest) {
    double number = -1.0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(brixel::VariantNumber(CComVariant(nan), number));  // a stored NaN is a number
    EXPECT_TRUE(std::isnan(number));
    ASSERT_TRUE(brixel::VariantNumber(CComVariant(-2.5e-7), number));
    EXPECT_EQ(number, -2.5e-7);
    ASSERT_TRUE(brixel::VariantNumber(CComVariant(7), number));
    EXPECT_EQ(number, 7.0);
    ASSERT_TRUE(brixel::VariantNumber(CComVariant(L"1.25"), number));
    EXPECT_EQ(number, 1.25);
    // Text that is no number, and an array, leave the number as it was.
    EXPECT_FALSE(brixel::VariantNumber(CComVariant(L"1.5x"), number));
    SAFEARRAY* values = SafeArrayCreateVector(VT_R8, 0, 1);
    const CComVariant array(values);
    SafeArrayDestroy(values);
    EXPECT_FALSE(brixel::VariantNumber(array, number));
    EXPECT_EQ(number, 1.25);
}

TEST(VariantChangeTypeTest, SeparateTargetAndArrays) {
    const CComVariant source(7);
    CComVariant target(L"replaced");  // released by the conversion
    ASSERT_EQ(VariantChangeType(&target, &source, 0, VT_R8), kStatusOk);
    EXPECT_EQ(target.dblVal, 7.0);
    EXPECT_EQ(VariantChangeType(nullptr, &source, 0, VT_R8), kStatusNullPointer);

    SAFEARRAY* values = SafeArrayCreateVector(VT_R8, 0, 1);
    CComVariant array(values);
    SafeArrayDestroy(values);
    EXPECT_EQ(array.ChangeType(VT_R8), kStatusInvalidArgument);
    EXPECT_EQ(array.ChangeType(VT_ARRAY | VT_R8), kStatusOk);  // same type: a copy
}

TEST(CComVariantTest, ConstructorsSetTypeAndValue) {
    const CComVariant l(5000000000L);  // long is 64 bits: no truncation
    EXPECT_EQ(l.vt, VT_I8);
    EXPECT_EQ(l.llVal, 5000000000L);
    EXPECT_EQ(CComVariant(true).boolVal, VARIANT_TRUE);
    const CComVariant narrow("Density");
    EXPECT_EQ(brixel::ToStdString(narrow.bstrVal), "Density");
    const OLECHAR withNul[] = {L'p', L'\0', L'q'};
    const CComVariant kept(CComBSTR(3, withNul));
    EXPECT_EQ(SysStringLen(kept.bstrVal), 3u);
}

TEST(CComVariantTest, AttachDetachMoveOwnership) {
    VARIANT raw = Typed(VT_BSTR);
    raw.bstrVal = SysAllocString(L"moved");
    CComVariant owner(1.0);
    ASSERT_EQ(owner.Attach(&raw), kStatusOk);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    EXPECT_EQ(CComBSTR(owner.bstrVal), L"moved");
    VARIANT out = Typed(VT_EMPTY);
    ASSERT_EQ(owner.Detach(&out), kStatusOk);
    EXPECT_EQ(owner.vt, VT_EMPTY);
    EXPECT_EQ(out.vt, VT_BSTR);
    VariantClear(&out);

    CComVariant first(L"a");
    CComVariant second(std::move(first));
    EXPECT_EQ(first.vt, VT_EMPTY);  // NOLINT: moved-from is defined as empty
    first = second;
    EXPECT_NE(first.bstrVal, second.bstrVal);
    first = 3.0;  // releases the string
    EXPECT_EQ(first.vt, VT_R8);
}

}  // namespace
