#include "brixel/platform/cstring.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <stdexcept>
#include <string>

#include "brixel/platform/cstring_array.h"

namespace {

TEST(CStringTest, SubstringsClampOutOfRangePositions) {
    const CString text("abcde");
    const struct {
        CString got;
        const char* want;
    } cases[] = {{text.Mid(1, 2), "bc"}, {text.Mid(-3, 2), "ab"},       {text.Mid(9), ""},
                 {text.Mid(1, -1), ""},  {text.Mid(2, INT_MAX), "cde"}, {text.Left(100), "abcde"},
                 {text.Left(-1), ""},    {text.Right(9), "abcde"},      {text.Right(-1), ""}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
    }
    EXPECT_THROW(text.GetAt(5), std::out_of_range);
    EXPECT_THROW(text.GetAt(-1), std::out_of_range);
}

TEST(CStringTest, FindTrimAndCompare) {
    const CString text("abcdcd");
    EXPECT_EQ(text.Find("cd", 3), 4);
    EXPECT_EQ(text.Find('c', 10), -1);
    EXPECT_EQ(text.Find('a', -4), 0);
    EXPECT_EQ(text.Find(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(text.ReverseFind('c'), 4);
    EXPECT_EQ(text.ReverseFind('z'), -1);

    CString blanks(" \t PSD \n");
    EXPECT_EQ(blanks.Trim(), "PSD");
    CString padded("xxaxx");
    EXPECT_EQ(padded.TrimLeft('x'), "axx");
    EXPECT_EQ(padded.TrimRight('x'), "a");
    CString only("xxx");
    EXPECT_EQ(only.TrimRight('x'), "");

    EXPECT_EQ(CString("SubStream").CompareNoCase("substream"), 0);
    // '_' sits between 'Z' and 'a': lower-cased comparison puts it before letters.
    EXPECT_LT(CString("_").CompareNoCase("A"), 0);
    EXPECT_GT(CString("x").CompareNoCase(nullptr), 0);
}

TEST(CStringTest, FormatHasNoLengthLimitAndMayReadItself) {
    CString text;
    text.Format("%s|%d|%.3f", std::string(500, 'w').c_str(), -12, 0.5);
    EXPECT_EQ(text.GetLength(), 500 + 10);
    EXPECT_EQ(text.Right(10), "|-12|0.500");
    CString twice("ab");
    twice.AppendFormat("%s", twice.GetString());
    twice.Format("%s!", twice.GetString());
    EXPECT_EQ(twice, "abab!");
}

TEST(CStringTest, CaseChangeAndReplace) {
    CString text("Powell\xB4s method");
    text.MakeUpper();
    EXPECT_EQ(text, "POWELL\xB4S METHOD");  // bytes above 127 untouched
    CString repeated("aaa");
    EXPECT_EQ(repeated.Replace("a", "aa"), 3);  // replacements are not searched again
    EXPECT_EQ(repeated, "aaaaaa");
    EXPECT_EQ(repeated.Replace("", "b"), 0);
    EXPECT_EQ(repeated.Replace("aa", nullptr), 3);
    EXPECT_EQ(repeated, "");
}

TEST(CStringArrayTest, InsertRemoveAndOutOfRange) {
    CStringArray list;
    EXPECT_EQ(list.GetUpperBound(), -1);
    list.Add("b");
    list.InsertAt(0, "a");
    list.InsertAt(2, "d");  // at the end
    list.InsertAt(2, "c");
    ASSERT_EQ(list.GetSize(), 4);
    EXPECT_EQ(list[0] + list[1] + list[2] + list[3], "abcd");
    list.RemoveAt(1, 2);
    list.RemoveAt(1, 0);
    ASSERT_EQ(list.GetSize(), 2);
    EXPECT_EQ(list[1], "d");

    EXPECT_THROW(list.InsertAt(3, "x"), std::out_of_range);
    EXPECT_THROW(list.InsertAt(-1, "x"), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(2), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(0, 3), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(1, INT_MAX), std::out_of_range);  // no overflow of index+count
    EXPECT_THROW(list.GetAt(-1), std::out_of_range);
    EXPECT_THROW(list.SetAt(2, "x"), std::out_of_range);
    EXPECT_EQ(list.GetSize(), 2);
}

}  // namespace
