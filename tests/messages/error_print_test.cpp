#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "brixel/messages/error_print.h"
#include "host/substitute_host.h"

namespace {

using brixel::host::LevelCheckCall;
using brixel::host::SubstituteHost;
using Lines = std::vector<std::string>;

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

Lines TrimRight(const Lines& lines) {
    Lines out;
    for (const auto& line : lines) {
        out.push_back(TrimRight(line));
    }
    return out;
}

int64_t ErrorBufferLines() {
    int64_t lines = 0;
    HostErrorBuffer(&lines);
    return lines;
}

class ErrorPrintTest : public ::testing::Test {
  protected:
    ErrorPrintTest()
        : block_(host_.AddBlock("SEP1", {}, {})), messages_(block_.statusBlock.data()) {
        messages_.EnableOutput(true);
    }

    // The printed messages, one entry per print, trailing blanks removed.
    std::vector<Lines> Prints() const {
        std::vector<Lines> prints;
        for (const auto& print : host_.Prints()) {
            prints.push_back(TrimRight(print));
        }
        return prints;
    }

    int64_t Outcome() const { return block_.statusBlock[brixel::records::kStatusOutcome]; }

    SubstituteHost host_;
    brixel::host::Block& block_;
    CErrorPrint messages_;
};

TEST_F(ErrorPrintTest, LongCalculationErrorIsWrappedIntoOnePrint) {
    const std::string text =
        "Cut size adjustment did not converge within the iteration limit; the separation "
        "function keeps its last cut size and the outlet PSD may be inaccurate.";
    ASSERT_EQ(text.size(), 150u);

    messages_.RaiseCalculationError(7, text, "solsep", false);

    const Lines expected = {
        "      CUT SIZE ADJUSTMENT DID NOT CONVERGE WITHIN THE ITERATION LIMIT; THE",
        "      SEPARATION FUNCTION KEEPS ITS LAST CUT SIZE AND THE OUTLET PSD MAY BE",
        "      INACCURATE."};
    EXPECT_EQ(Prints(), std::vector<Lines>{expected});
    EXPECT_TRUE(messages_.HasCalculationErrors());
    EXPECT_FALSE(messages_.HasValidationErrors());
    EXPECT_FALSE(messages_.HasWarnings());
}

TEST_F(ErrorPrintTest, ErrorBufferLineIsIndentedUpperCasedAndPadded) {
    messages_.RaiseInfoMsg(1, "mixed Case 1.5e-3 m", "", false);
    const std::string line = "      MIXED CASE 1.5E-3 M";
    EXPECT_EQ(host_.ErrorBufferLine(1), line + Blanks(80 - line.size()));
}

TEST_F(ErrorPrintTest, SeventyTwoCharactersAreOneLineAndALongerWordIsCut) {
    const std::string exact(72, 'a');
    messages_.RaiseCalculationError(1, exact, "", false);
    const std::string word(73, 'b');
    messages_.RaiseCalculationError(2, word, "", false);

    EXPECT_EQ(Prints(), (std::vector<Lines>{{"      " + std::string(72, 'A')},
                                            {"      " + std::string(72, 'B'), "      B"}}));
}

TEST_F(ErrorPrintTest, ErrorTextBeyond72CharactersIsNotWritten) {
    messages_.CheckErrorPrint("TEST", true, 2, 1);
    messages_.AddErrorText(1, std::string(72, 'c') + "overflow");
    EXPECT_EQ(host_.ErrorBufferLine(1), "      " + std::string(72, 'C') + "  ");
}

TEST_F(ErrorPrintTest, CollectedWarningsPrintWithTheNextShownWarningInOrder) {
    messages_.RaiseWarning(11, "first collected warning", "", true);
    messages_.RaiseWarning(12, "second collected warning", "", true);
    EXPECT_TRUE(host_.Prints().empty());
    EXPECT_TRUE(host_.LevelChecks().empty());
    EXPECT_EQ(Outcome(), brixel::records::kOutcomePreset);

    messages_.RaiseWarning(13, "the warning itself", "", false);

    EXPECT_EQ(Prints(),
              (std::vector<Lines>{{"      FIRST COLLECTED WARNING",
                                   "      SECOND COLLECTED WARNING", "      THE WARNING ITSELF"}}));
    ASSERT_EQ(host_.LevelChecks().size(), 1u);
    EXPECT_EQ(host_.LevelChecks()[0].code, 13);
    EXPECT_EQ(Outcome(), brixel::records::kOutcomeWarning);
}

TEST_F(ErrorPrintTest, PendingListsAreKeptPerKind) {
    messages_.RaiseValidationError(1, "collected validation error", "", true);
    messages_.RaiseCalculationError(2, "calculation error", "", false);
    messages_.RaiseValidationError(3, "validation error", "", false);

    EXPECT_EQ(Prints(),
              (std::vector<Lines>{{"      CALCULATION ERROR"},
                                  {"      COLLECTED VALIDATION ERROR", "      VALIDATION ERROR"}}));
}

TEST_F(ErrorPrintTest, DisabledOutputSetsFlagsOnly) {
    messages_.EnableOutput(false);
    messages_.RaiseCalculationError(1, "not shown", "", false);
    messages_.RaiseValidationError(2, "not shown", "", false);
    messages_.RaiseWarning(3, "not shown", "", false);
    messages_.RaiseInfoMsg(4, "not shown", "", false);

    EXPECT_TRUE(messages_.HasCalculationErrors());
    EXPECT_TRUE(messages_.HasValidationErrors());
    EXPECT_TRUE(messages_.HasWarnings());
    EXPECT_TRUE(host_.Prints().empty());
    EXPECT_TRUE(host_.LevelChecks().empty());
    EXPECT_EQ(Outcome(), brixel::records::kOutcomePreset);

    // Nothing was collected while output was off.
    messages_.EnableOutput(true);
    messages_.RaiseCalculationError(5, "shown", "", false);
    EXPECT_EQ(Prints(), (std::vector<Lines>{{"      SHOWN"}}));
}

TEST_F(ErrorPrintTest, TagFallsBackToTheObjectsTag) {
    messages_.RaiseCalculationError(1, "x", "", false);
    messages_.SetTag("dilconv");
    messages_.RaiseCalculationError(2, "x", "", false);
    messages_.RaiseCalculationError(3, "x", "baseunit-long", false);

    ASSERT_EQ(host_.LevelChecks().size(), 3u);
    EXPECT_EQ(host_.LevelChecks()[0].tag, "ERRORPRI");  // "ERRORPRINT" cut to the 8 a tag holds
    EXPECT_EQ(host_.LevelChecks()[1].tag, "DILCONV");
    EXPECT_EQ(host_.LevelChecks()[2].tag, "BASEUNIT");
}

TEST_F(ErrorPrintTest, LevelCheckReceivesKindLevelCodeAndPrintLevel) {
    block_.statusBlock[brixel::records::kStatusPrintLevel] = 6;
    messages_.RaiseCalculationError(21, "c", "", false);
    messages_.RaiseValidationError(22, "v", "", false);
    messages_.RaiseWarning(23, "w", "", false);
    messages_.RaiseInfoMsg(24, "i", "", false);

    const auto& checks = host_.LevelChecks();
    ASSERT_EQ(checks.size(), 4u);
    const int64_t levels[] = {2, 2, 3, 4};
    for (std::size_t i = 0; i < checks.size(); ++i) {
        EXPECT_EQ(checks[i].level, levels[i]);
        EXPECT_EQ(checks[i].code, static_cast<int64_t>(21 + i));
        EXPECT_EQ(checks[i].printLevel, 6);
        EXPECT_EQ(checks[i].words, (std::array<int64_t, 4>{99999999, 0, 0, 2}));
    }
}

TEST_F(ErrorPrintTest, RaisedKindsSetTheirOwnFlags) {
    messages_.RaiseInfoMsg(1, "info", "", false);
    EXPECT_FALSE(messages_.HasCalculationErrors());
    EXPECT_FALSE(messages_.HasValidationErrors());
    EXPECT_FALSE(messages_.HasWarnings());

    messages_.RaiseValidationError(2, "validation", "", false);
    EXPECT_TRUE(messages_.HasValidationErrors());
    EXPECT_FALSE(messages_.HasCalculationErrors());

    messages_.RaiseWarning(3, "warning", "", false);
    EXPECT_TRUE(messages_.HasWarnings());
    EXPECT_FALSE(messages_.HasCalculationErrors());
}

TEST_F(ErrorPrintTest, ClearingAFlagKeepsPendingLines) {
    messages_.RaiseValidationError(1, "collected", "", true);
    messages_.ClearValidationErrors();
    EXPECT_FALSE(messages_.HasValidationErrors());

    messages_.RaiseValidationError(2, "shown", "", false);
    EXPECT_EQ(Prints(), (std::vector<Lines>{{"      COLLECTED", "      SHOWN"}}));

    messages_.ClearCalculationErrors();
    messages_.ClearWarnings();
    EXPECT_TRUE(messages_.HasValidationErrors());
}

TEST_F(ErrorPrintTest, DeclinedMessageIsDroppedWithItsWrappedLines) {
    host_.SetLevelCheck([](const LevelCheckCall& call) { return call.code != 99; });

    messages_.RaiseWarning(1, "collected before", "", true);
    messages_.RaiseWarning(99, std::string(72, 'd') + " declined tail", "", false);
    EXPECT_TRUE(host_.Prints().empty());
    EXPECT_TRUE(messages_.HasWarnings());
    EXPECT_EQ(Outcome(), brixel::records::kOutcomePreset);

    messages_.RaiseWarning(2, "next warning", "", false);
    EXPECT_EQ(Prints(), (std::vector<Lines>{{"      COLLECTED BEFORE", "      NEXT WARNING"}}));
    EXPECT_EQ(Outcome(), brixel::records::kOutcomeWarning);
}

TEST_F(ErrorPrintTest, MessageLongerThanTheBufferPrintsInChunks) {
    const int64_t capacity = ErrorBufferLines();
    ASSERT_GT(capacity, 0);
    const std::size_t total = static_cast<std::size_t>(capacity) + 2;
    std::string text;
    Lines expected;
    for (std::size_t i = 0; i < total; ++i) {
        // Full lines of exactly 72 characters: "L", six digits, 65 filler characters.
        std::string line = "L" + std::to_string(1000000 + i).substr(1) + std::string(65, 'f');
        text += (i ? " " : "") + line;
        expected.push_back("      " + line);
    }
    for (auto& line : expected) {
        for (auto& ch : line) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
    }

    messages_.RaiseCalculationError(1, text, "", false);

    const auto prints = Prints();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].size(), static_cast<std::size_t>(capacity));
    EXPECT_EQ(prints[1].size(), 2u);
    Lines all = prints[0];
    all.insert(all.end(), prints[1].begin(), prints[1].end());
    EXPECT_EQ(all, expected);
}

TEST_F(ErrorPrintTest, DirectMultiLineMessage) {
    ASSERT_TRUE(messages_.CheckErrorPrint("baseunit", true, 4, 1));
    messages_.AddErrorText(1, "SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.");
    messages_.AddErrorText(2, "INLET STREAMS WILL BE PQ-FLASHED.");
    messages_.PrintError(2);

    EXPECT_EQ(Prints(), (std::vector<Lines>{{"      SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.",
                                             "      INLET STREAMS WILL BE PQ-FLASHED."}}));
    EXPECT_EQ(host_.LevelChecks().back().tag, "BASEUNIT");
    EXPECT_FALSE(messages_.HasCalculationErrors());  // level 4 sets no flag
}

TEST_F(ErrorPrintTest, AddErrorTextSetsTheFlagOfTheStoredLevelAndPhase) {
    messages_.CheckErrorPrint("T", false, 2, 1);
    messages_.AddErrorText(1, "validation");
    EXPECT_TRUE(messages_.HasValidationErrors());
    EXPECT_FALSE(messages_.HasCalculationErrors());

    messages_.CheckErrorPrint("T", true, 2, 1);
    messages_.AddErrorText(1, "calculation");
    EXPECT_TRUE(messages_.HasCalculationErrors());

    messages_.CheckErrorPrint("T", true, 3, 1);
    messages_.AddErrorText(1, "warning");
    EXPECT_TRUE(messages_.HasWarnings());
}

TEST_F(ErrorPrintTest, LinesOutsideTheBufferAreIgnored) {
    const int64_t capacity = ErrorBufferLines();
    messages_.CheckErrorPrint("T", true, 4, 1);
    messages_.AddErrorText(1, "kept");
    messages_.AddErrorText(0, "line zero");
    messages_.AddErrorText(-3, "negative");
    messages_.AddErrorText(static_cast<int>(capacity) + 1, "past the end");
    EXPECT_EQ(TrimRight(host_.ErrorBufferLine(1)), "      KEPT");
    EXPECT_EQ(TrimRight(host_.ErrorBufferLine(static_cast<int>(capacity))), "");

    messages_.PrintError(0);
    messages_.PrintError(-1);
    EXPECT_TRUE(host_.Prints().empty());
    messages_.PrintError(static_cast<int>(capacity) + 5);
    ASSERT_EQ(host_.Prints().size(), 1u);
    EXPECT_EQ(host_.Prints()[0].size(), static_cast<std::size_t>(capacity));
}

TEST_F(ErrorPrintTest, WarningOutcomeOnlyWhenShown) {
    host_.SetLevelCheck([](const LevelCheckCall&) { return false; });
    messages_.RaiseWarning(1, "declined", "", false);
    EXPECT_EQ(Outcome(), brixel::records::kOutcomePreset);

    host_.SetLevelCheck([](const LevelCheckCall&) { return true; });
    messages_.RaiseCalculationError(2, "error", "", false);
    EXPECT_EQ(Outcome(), brixel::records::kOutcomePreset);
    messages_.RaiseWarning(3, "shown", "", false);
    EXPECT_EQ(Outcome(), brixel::records::kOutcomeWarning);
}

TEST_F(ErrorPrintTest, HistoryLineIsIndentedAndUpperCased) {
    messages_.WriteHis("Aborting calculation due to errors.");
    messages_.WriteHis("");
    messages_.WriteHis(std::string(70, 'h') + "0123456789");

    EXPECT_EQ(host_.HistoryLines(), (Lines{"      ABORTING CALCULATION DUE TO ERRORS.", "",
                                           "      " + std::string(70, 'H') + "0123"}));
}

TEST_F(ErrorPrintTest, TabulatedHistoryLine) {
    int tabs[] = {1, 13, 24, 40, 56};
    messages_.WriteHisTab("d50\tValue\tunit\tx", tabs);
    ASSERT_EQ(host_.HistoryLines().size(), 1u);
    EXPECT_EQ(host_.HistoryLines()[0],
              Blanks(7) + "D50" + Blanks(9) + "VALUE" + Blanks(6) + "UNIT" + Blanks(12) + "X");

    messages_.WriteHisTab("a\tb", nullptr);
    EXPECT_EQ(host_.HistoryLines()[1], "      A B");
}

TEST_F(ErrorPrintTest, StatusBlockWords) {
    EXPECT_EQ(messages_.GetIscp(), block_.statusBlock.data());
    messages_.SetIscpOf(1, 3);
    EXPECT_EQ(block_.statusBlock[1], 3);
    EXPECT_EQ(messages_.GetIscpOf(1), 3);

    const auto before = block_.statusBlock;
    messages_.SetIscpOf(8, 5);
    messages_.SetIscpOf(-1, 5);
    EXPECT_EQ(block_.statusBlock, before);
    EXPECT_EQ(messages_.GetIscpOf(8), 0);
    EXPECT_EQ(messages_.GetIscpOf(-1), 0);
}

TEST(ErrorPrintWithoutStatusBlock, UsesPrintLevel4AndNeverTouchesAStatusWord) {
    SubstituteHost host;
    CErrorPrint messages;
    EXPECT_EQ(messages.GetIscp(), nullptr);
    EXPECT_EQ(messages.GetIscpOf(0), 0);
    messages.SetIscpOf(4, -9990);

    // Output is off until a model turns it on.
    messages.RaiseWarning(1, "off", "", false);
    EXPECT_TRUE(host.LevelChecks().empty());

    messages.EnableOutput(true);
    messages.RaiseWarning(2, "warning", "", false);
    ASSERT_EQ(host.LevelChecks().size(), 1u);
    EXPECT_EQ(host.LevelChecks()[0].printLevel, 4);
    EXPECT_EQ(TrimRight(host.PrintedLines()), (Lines{"      WARNING"}));

    int64_t block[8] = {5, 0, 0, 0, -9999, 0, 0, 0};
    messages.SetIscp(block);
    messages.RaiseWarning(3, "bound now", "", false);
    EXPECT_EQ(host.LevelChecks().back().printLevel, 5);
    EXPECT_EQ(block[4], -9990);
}

}  // namespace
