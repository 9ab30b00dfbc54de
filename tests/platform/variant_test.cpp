#include "brixel/platform/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "brixel/framework/status.h"
#include "brixel/platform/safe_array.h"

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

TEST(VariantTest, ClearReleasesOwnedStringAndArray) {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"owned");
    EXPECT_EQ(VariantClear(&text), kStatusOk);  // the leak check proves the string is freed
    EXPECT_EQ(text.vt, VT_EMPTY);

    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_BSTR;
    array.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const long index = 1;
    SafeArrayPutElement(array.parray, &index, CComBSTR(L"x").m_str);
    EXPECT_EQ(VariantClear(&array), kStatusOk);
    EXPECT_EQ(array.vt, VT_EMPTY);
}

TEST(VariantTest, ClearRefusesLockedArrayAndBadArguments) {
    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_R8;
    array.parray = SafeArrayCreateVector(VT_R8, 0, 3);
    SafeArrayLock(array.parray);
    EXPECT_EQ(VariantClear(&array), kStatusFail);
    EXPECT_EQ(array.vt, VT_ARRAY | VT_R8);  // untouched, still owns its array
    SafeArrayUnlock(array.parray);
    EXPECT_EQ(VariantClear(&array), kStatusOk);

    EXPECT_EQ(VariantClear(nullptr), kStatusNullPointer);
    VARIANT unknown;
    VariantInit(&unknown);
    unknown.vt = 0x0FFE;
    EXPECT_EQ(VariantClear(&unknown), kStatusInvalidArgument);
    VARIANT alone;  // VT_VARIANT is only an element or a reference type
    VariantInit(&alone);
    alone.vt = VT_VARIANT;
    EXPECT_EQ(VariantClear(&alone), kStatusInvalidArgument);
}

TEST(VariantTest, CopyIsDeepForStringsAndArrays) {
    CComVariant source(L"feed");
    CComVariant copy;
    ASSERT_EQ(VariantCopy(&copy, &source), kStatusOk);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    copy.bstrVal[0] = L'F';
    EXPECT_EQ(CComBSTR(source.bstrVal), L"feed");

    SAFEARRAY* values = SafeArrayCreateVector(VT_R8, 1, 2);
    const long one = 1;
    const double value = 4.5;
    SafeArrayPutElement(values, &one, &value);
    CComVariant arrayHolder(values);  // copies; the test still owns values
    EXPECT_EQ(SafeArrayDestroy(values), kStatusOk);
    ASSERT_EQ(arrayHolder.vt, VT_ARRAY | VT_R8);
    CComVariant arrayCopy(arrayHolder);
    EXPECT_NE(arrayCopy.parray, arrayHolder.parray);
    double read = 0.0;
    EXPECT_EQ(SafeArrayGetElement(arrayCopy.parray, &one, &read), kStatusOk);
    EXPECT_EQ(read, 4.5);

    EXPECT_EQ(VariantCopy(&copy, &copy), kStatusOk);  // onto itself: nothing freed
    EXPECT_EQ(CComBSTR(copy.bstrVal), L"Feed");
    EXPECT_EQ(VariantCopy(nullptr, &copy), kStatusNullPointer);
}

TEST(VariantTest, ByReferenceIsCopiedAsPointerAndNotFreed) {
    double target = 2.0;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_R8 | VT_BYREF;
    reference.pdblVal = &target;
    CComVariant copy(reference);
    EXPECT_EQ(copy.pdblVal, &target);
    EXPECT_EQ(copy.Clear(), kStatusOk);  // must not free a stack double
}

TEST(VariantChangeTypeTest, RealToIntegerRoundsHalfToEvenAndChecksRange) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {1.4999, 1}, {-0.6, -1}};
    for (const auto& c : cases) {
        CComVariant v(c.in);
        ASSERT_EQ(v.ChangeType(VT_I4), kStatusOk) << c.in;
        EXPECT_EQ(v.vt, VT_I4);
        EXPECT_EQ(v.lVal, c.out) << c.in;
    }
    CComVariant tooBig(3.0e9);
    EXPECT_EQ(tooBig.ChangeType(VT_I4), kStatusFail);
    EXPECT_EQ(tooBig.vt, VT_R8);  // unchanged on failure
    CComVariant notANumber(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(notANumber.ChangeType(VT_I8), kStatusFail);
    CComVariant shortOverflow(40000);
    EXPECT_EQ(shortOverflow.ChangeType(VT_I2), kStatusFail);
}

TEST(VariantChangeTypeTest, TextAndBooleanConversions) {
    CComVariant number(L" 1.5e3 ");
    ASSERT_EQ(number.ChangeType(VT_R8), kStatusOk);  // the string is released in place
    EXPECT_EQ(number.dblVal, 1500.0);

    for (const OLECHAR* text : {L"abc", L"", L"1.5x", L"0x10", L"inf", L"nan"}) {
        CComVariant bad(text);
        EXPECT_EQ(bad.ChangeType(VT_R8), kStatusInvalidArgument);
        EXPECT_EQ(bad.vt, VT_BSTR);
    }

    CComVariant flag(true);
    ASSERT_EQ(flag.ChangeType(VT_I4), kStatusOk);
    EXPECT_EQ(flag.lVal, -1);
    CComVariant word(L"false");
    ASSERT_EQ(word.ChangeType(VT_BOOL), kStatusOk);
    EXPECT_EQ(word.boolVal, VARIANT_FALSE);
    CComVariant half(0.5);
    ASSERT_EQ(half.ChangeType(VT_BOOL), kStatusOk);
    EXPECT_EQ(half.boolVal, VARIANT_TRUE);

    CComVariant tenth(0.1);
    ASSERT_EQ(tenth.ChangeType(VT_BSTR), kStatusOk);
    EXPECT_EQ(CComBSTR(tenth.bstrVal), L"0.1");
    CComVariant large(static_cast<long>(9007199254740993));
    ASSERT_EQ(large.ChangeType(VT_BSTR), kStatusOk);
    EXPECT_EQ(CComBSTR(large.bstrVal), L"9007199254740993");  // integers stay exact

    CComVariant empty;
    ASSERT_EQ(empty.ChangeType(VT_R8), kStatusOk);
    EXPECT_EQ(empty.dblVal, 0.0);
}

TEST(VariantChangeTypeTest, SeparateTargetAndArrays) {
    const CComVariant source(7);
    CComVariant target(L"replaced");  // released by the conversion
    ASSERT_EQ(VariantChangeType(&target, &source, 0, VT_R8), kStatusOk);
    EXPECT_EQ(target.dblVal, 7.0);
    EXPECT_EQ(source.vt, VT_I4);

    SAFEARRAY* values = SafeArrayCreateVector(VT_R8, 0, 1);
    CComVariant array(values);
    SafeArrayDestroy(values);
    EXPECT_EQ(array.ChangeType(VT_R8), kStatusInvalidArgument);
    EXPECT_EQ(array.ChangeType(VT_ARRAY | VT_R8), kStatusOk);  // same type: a copy
    EXPECT_EQ(VariantChangeType(nullptr, &source, 0, VT_R8), kStatusNullPointer);
}

TEST(CComVariantTest, ConstructorsSetTypeAndValue) {
    EXPECT_EQ(CComVariant(2.5).vt, VT_R8);
    EXPECT_EQ(CComVariant(2.5f).vt, VT_R4);
    const CComVariant i(-7);
    EXPECT_EQ(i.vt, VT_I4);
    EXPECT_EQ(i.lVal, -7);
    const CComVariant l(5000000000L);  // long is 64 bits: no truncation
    EXPECT_EQ(l.vt, VT_I8);
    EXPECT_EQ(l.llVal, 5000000000L);
    const CComVariant b(true);
    EXPECT_EQ(b.vt, VT_BOOL);
    EXPECT_EQ(b.boolVal, VARIANT_TRUE);

    const CComVariant narrow("Density");
    EXPECT_EQ(narrow.vt, VT_BSTR);
    EXPECT_EQ(brixel::ToStdString(narrow.bstrVal), "Density");
    const OLECHAR withNul[] = {L'p', L'\0', L'q'};
    const CComVariant kept(CComBSTR(3, withNul));
    EXPECT_EQ(SysStringLen(kept.bstrVal), 3u);
}

TEST(CComVariantTest, AttachDetachMoveOwnership) {
    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_BSTR;
    raw.bstrVal = SysAllocString(L"moved");
    CComVariant owner(1.0);
    ASSERT_EQ(owner.Attach(&raw), kStatusOk);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    EXPECT_EQ(CComBSTR(owner.bstrVal), L"moved");

    VARIANT out;
    VariantInit(&out);
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
