#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brixel/messages/error_print.h"

namespace {

using Lines = std::vector<std::string>;

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

TEST(WrapText, TextOfAtMostTheWidthIsNotTouched) {
    std::string text(72, 'x');
    EXPECT_TRUE(brixel::WrapText(text, 72).empty());
    EXPECT_EQ(text, std::string(72, 'x'));

    std::string padded = "  leading and trailing  ";
    EXPECT_TRUE(brixel::WrapText(padded, 72).empty());
    EXPECT_EQ(padded, "  leading and trailing  ");
}

TEST(WrapText, CutsBeforeTheLastBlankWithinTheWidth) {
    // The blank at position 9 is the last one at or below the width of 10.
    std::string text = "abcd efgh ijkl mnop";
    EXPECT_EQ(brixel::WrapText(text, 10), (Lines{"abcd efgh"}));
    EXPECT_EQ(text, "ijkl mnop");
}

TEST(WrapText, BlankRightAtTheWidthEndsAFullLine) {
    std::string text = std::string(10, 'a') + " b";
    EXPECT_EQ(brixel::WrapText(text, 10), (Lines{std::string(10, 'a')}));
    EXPECT_EQ(text, "b");
}

TEST(WrapText, WordLongerThanTheWidthIsCutAtTheWidth) {
    std::string text(73, 'w');
    EXPECT_EQ(brixel::WrapText(text, 72), (Lines{std::string(72, 'w')}));
    EXPECT_EQ(text, "w");
}

TEST(WrapText, BlankAtPositionZeroIsNotACutPoint) {
    std::string text = " " + std::string(12, 'z');
    EXPECT_EQ(brixel::WrapText(text, 10), (Lines{" " + std::string(9, 'z')}));
    EXPECT_EQ(text, "zzz");
}

TEST(WrapText, LeadingBlanksOfTheRestAreRemoved) {
    // A cut at a blank keeps the blanks before it in the line; the rest loses its leading ones.
    std::string text = "first    second   third";
    EXPECT_EQ(brixel::WrapText(text, 8), (Lines{"first   ", "second  "}));
    EXPECT_EQ(text, "third");
}

TEST(WrapText, TrailingBlanksBeyondTheWidthLeaveAnEmptyLastPiece) {
    std::string text = std::string(10, 'q') + "   ";
    EXPECT_EQ(brixel::WrapText(text, 10), (Lines{std::string(10, 'q')}));
    EXPECT_EQ(text, "");
}

TEST(WrapText, ZeroWidthTerminatesOneCharacterPerLine) {
    std::string text = "abc";
    EXPECT_EQ(brixel::WrapText(text, 0), (Lines{"a", "b"}));
    EXPECT_EQ(text, "c");
}

TEST(LayoutTabbedLine, FieldsStartAtTheirTabStops) {
    const int tabs[] = {1, 13, 24, 40, 56};
    // Worked by hand: 1 blank, "d50" padded to 13, "value" to 24, "unit" to 40, "x" to 56.
    const std::string expected = Blanks(1) + "d50" + Blanks(9) + "value" + Blanks(6) + "unit" +
                                 Blanks(12) + "x" + Blanks(15);
    EXPECT_EQ(brixel::LayoutTabbedLine("d50\tvalue\tunit\tx", tabs), expected);
    EXPECT_EQ(expected.size(), 56u);
}

TEST(LayoutTabbedLine, FieldReachingItsStopGetsOneBlank) {
    const int tabs[] = {0, 4, 6};
    EXPECT_EQ(brixel::LayoutTabbedLine("abcd\tefghij", tabs), "abcd efghij ");
}

TEST(LayoutTabbedLine, EmptyFieldsTakeNoTabStop) {
    const int tabs[] = {0, 5, 10};
    EXPECT_EQ(brixel::LayoutTabbedLine("\ta\t\tb\t", tabs), "a    b    ");
}

TEST(LayoutTabbedLine, OnePadAddsAtMost54Blanks) {
    const int tabs[] = {0, 100};
    EXPECT_EQ(brixel::LayoutTabbedLine("a", tabs), "a" + Blanks(54));
}

TEST(LayoutTabbedLine, NullTabStopsSeparateFieldsByOneBlank) {
    EXPECT_EQ(brixel::LayoutTabbedLine("one\ttwo", nullptr), "one two ");
}

TEST(LayoutTabbedLine, OutOfRangeFirstStopIsHarmless) {
    const int negative[] = {-5, 3};
    EXPECT_EQ(brixel::LayoutTabbedLine("ab", negative), "ab ");
    const int huge[] = {2000000000, 0};
    // Only a full history line of indent is kept; the rest would be cut on writing anyway.
    EXPECT_EQ(brixel::LayoutTabbedLine("ab", huge), Blanks(80) + "ab ");
}

}  // namespace
