#include "brixel/platform/bstr.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "brixel/framework/status.h"

namespace {

TEST(SysStringTest, LengthPrefixNullAndOversizedArguments) {
    const OLECHAR text[] = {L'a', L'\0', L'b', L'c'};
    BSTR s = SysAllocStringLen(text, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 4u);
    EXPECT_EQ(SysStringByteLen(s), 4u * sizeof(OLECHAR));
    EXPECT_EQ(s[3], L'c');
    EXPECT_EQ(s[4], L'\0');  // terminated after the counted characters
    SysFreeString(s);
    BSTR upToNul = SysAllocString(text);
    EXPECT_EQ(SysStringLen(upToNul), 1u);
    SysFreeString(upToNul);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    SysFreeString(nullptr);
    BSTR zeros = SysAllocStringLen(nullptr, 3);
    ASSERT_EQ(SysStringLen(zeros), 3u);
    EXPECT_EQ(zeros[2], L'\0');
    SysFreeString(zeros);
    BSTR empty = SysAllocString(L"");
    ASSERT_NE(empty, nullptr);  // empty, but not null
    SysFreeString(empty);
    EXPECT_EQ(SysAllocStringLen(nullptr, UINT_MAX), nullptr);  // byte count must fit 32 bits
}

TEST(CComBSTRTest, CopiesAreDeepAndOwnershipMovesOnlyExplicitly) {
    CComBSTR original(L"mesh");
    CComBSTR copy(original);
    copy.m_str[0] = L'M';
    EXPECT_EQ(original, L"mesh");
    EXPECT_EQ(copy, L"Mesh");
    copy = original;  // frees the old copy
    copy = copy;      // NOLINT: self-assignment keeps the string
    EXPECT_EQ(copy, L"mesh");
    CComBSTR moved(std::move(copy));
    EXPECT_EQ(copy.m_str, nullptr);  // NOLINT: moved-from is defined as null
    EXPECT_EQ(moved, L"mesh");

    // Copy keeps embedded nulls; Attach and Detach hand ownership over.
    const OLECHAR text[] = {L'x', L'\0', L'y'};
    CComBSTR withNul(3, text);
    CComBSTR owner;
    owner.Attach(withNul.Copy());
    EXPECT_EQ(owner.Length(), 3u);
    EXPECT_EQ(owner, withNul);
    owner.Attach(SysAllocString(L"other"));  // the previous string is freed
    BSTR detached = owner.Detach();
    EXPECT_EQ(owner.m_str, nullptr);
    EXPECT_EQ(SysStringLen(detached), 5u);
    SysFreeString(detached);

    EXPECT_EQ(withNul.CopyTo(nullptr), brixel::kStatusNullPointer);
    BSTR target = nullptr;
    EXPECT_EQ(withNul.CopyTo(&target), brixel::kStatusOk);
    EXPECT_EQ(SysStringLen(target), 3u);
    SysFreeString(target);
}

TEST(CComBSTRTest, EqualityUsesLengthAndTreatsNullAsEmpty) {
    const CComBSTR null;
    const CComBSTR empty(L"");
    EXPECT_TRUE(null == empty);
    EXPECT_TRUE(null == nullptr);
    EXPECT_FALSE(empty == nullptr);
    const OLECHAR longer[] = {L'a', L'b', L'\0', L'c'};
    EXPECT_FALSE(CComBSTR(4, longer) == CComBSTR(L"ab"));
    EXPECT_FALSE(CComBSTR(L"ab") == L"aB");
}

TEST(CComBSTRTest, AppendCaseChangeAndOutArgument) {
    CComBSTR text;
    EXPECT_EQ(text.Append(L"ab"), brixel::kStatusOk);
    EXPECT_EQ(text.Append(text), brixel::kStatusOk);  // source freed only after copying
    text += L"c";
    EXPECT_EQ(text.Append("D\xB4"), brixel::kStatusOk);
    EXPECT_EQ(text.Append(static_cast<const OLECHAR*>(nullptr)), brixel::kStatusOk);
    EXPECT_EQ(text.Length(), 7u);
    EXPECT_EQ(text.m_str[6], static_cast<OLECHAR>(0xB4));

    CComBSTR mixed(L"Vapor_\u00e9z");
    mixed.ToUpper();
    EXPECT_EQ(mixed, L"VAPOR_\u00e9Z");  // ASCII letters only
    mixed.ToLower();
    EXPECT_EQ(mixed, L"vapor_\u00e9z");

    CComBSTR message;
    BSTR* out = &message;
    *out = SysAllocString(L"done");
    EXPECT_EQ(message, L"done");
}

TEST(NarrowConversionTest, BytesRoundTripAndWideCharactersBecomeQuestionMarks) {
    const std::string name = "Powell\xB4s Method";  // 0xB4 is not valid UTF-8 alone
    CComBSTR wide(name.c_str());
    EXPECT_EQ(wide.Length(), name.size());
    EXPECT_EQ(brixel::ToStdString(wide), name);
    EXPECT_EQ(brixel::ToCString(wide), CString(name));
    EXPECT_EQ(brixel::ToStdString(CComBSTR(L"a\u0394b")), "a?b");
    EXPECT_EQ(brixel::NarrowText(nullptr), "");
    EXPECT_EQ(brixel::ToStdString(nullptr), "");

    EXPECT_EQ(brixel::AllocBstr(static_cast<const char*>(nullptr)), nullptr);
    BSTR empty = brixel::AllocBstr("");
    ASSERT_NE(empty, nullptr);
    SysFreeString(empty);
    BSTR solid = brixel::AllocBstr(std::string_view("solid\0x", 7));
    EXPECT_EQ(SysStringLen(solid), 7u);
    EXPECT_TRUE(brixel::BstrEquals(solid, std::string_view("solid\0x", 7)));
    EXPECT_FALSE(brixel::BstrEquals(solid, "solid"));
    EXPECT_FALSE(brixel::BstrEquals(solid, std::string_view("Solid\0x", 7)));
    SysFreeString(solid);
    EXPECT_TRUE(brixel::BstrEquals(nullptr, ""));
}

}  // namespace
