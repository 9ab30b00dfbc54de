#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brixel/messages/error_print.h"

namespace {

using Lines = std::vector<std::string>;

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

TEST(WrapText, CutsAtTheLastBlankWithinTheWidthAndKeepsTheRest) {
    struct Case {
        std::string text;
        std::size_t width;
        Lines lines;
        std::string rest;
    };
    const Case cases[] = {
        {std::string(72, 'x'), 72, {}, std::string(72, 'x')},
        {"  leading and trailing  ", 72, {}, "  leading and trailing  "},
        {"abcd efgh ijkl mnop", 10, {"abcd efgh"}, "ijkl mnop"},
        {std::string(10, 'a') + " b", 10, {std::string(10, 'a')}, "b"},
        {std::string(73, 'w'), 72, {std::string(72, 'w')}, "w"},
        {" " + std::string(12, 'z'), 10, {" " + std::string(9, 'z')}, "zzz"},
        {"first    second   third", 8, {"first   ", "second  "}, "third"},
        {std::string(10, 'q') + "   ", 10, {std::string(10, 'q')}, ""},
        {"abc", 0, {"a", "b"}, "c"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(brixel::WrapText(text, c.width), c.lines) << '"' << c.text << '"';
        EXPECT_EQ(text, c.rest) << '"' << c.text << '"';
    }
}

TEST(LayoutTabbedLine, FieldsStartAtTheirTabStops) {
    struct Case {
        std::string text;
        std::vector<int> tabs;  // empty: no tab stops given
        std::string expected;
    };
    // First case worked by hand: 1 blank, "d50" padded to 13, "value" to 24, "unit" to 40,
    // "x" to 56.
    const Case cases[] = {
        {"d50\tvalue\tunit\tx",
         {1, 13, 24, 40, 56},
         Blanks(1) + "d50" + Blanks(9) + "value" + Blanks(6) + "unit" + Blanks(12) + "x" +
             Blanks(15)},
        {"abcd\tefghij", {0, 4, 6}, "abcd efghij "},  // a field reaching its stop
        {"\ta\t\tb\t", {0, 5, 10}, "a    b    "},     // empty fields take no stop
        {"a", {0, 100}, "a" + Blanks(54)},            // one pad adds at most 54 blanks
        {"one\ttwo", {}, "one two "},
        {"ab", {-5, 3}, "ab "},
        {"ab", {2000000000, 0}, Blanks(80) + "ab "},  // indent kept to one history line
    };
    for (const Case& c : cases) {
        EXPECT_EQ(brixel::LayoutTabbedLine(c.text, c.tabs.empty() ? nullptr : c.tabs.data()),
                  c.expected)
            << c.text;
    }
}

}  // namespace
