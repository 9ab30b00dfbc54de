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
using Prints = std::vector<Lines>;
namespace records = brixel::records;

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

int64_t ErrorBufferLines() {
    int64_t lines = 0;
    HostErrorBuffer(&lines);
    return lines;
}

class ErrorPrintTest : public ::testing::Test {
  protected:
    ErrorPrintTest() : block_(host_.AddBlock("SEP1", {}, {})), msg_(block_.statusBlock.data()) {
        msg_.EnableOutput(true);
    }

    // The printed messages, one entry per print, trailing blanks removed.
    Prints Printed() const {
        Prints prints;
        for (const auto& print : host_.Prints()) {
            prints.emplace_back();
            for (const auto& line : print) {
                prints.back().push_back(TrimRight(line));
            }
        }
        return prints;
    }

    int64_t Outcome() const { return block_.statusBlock[records::kStatusOutcome]; }

    SubstituteHost host_;
    brixel::host::Block& block_;
    CErrorPrint msg_;
};

TEST_F(ErrorPrintTest, TextIsWrappedUpperCasedIndentedAndPadded) {
    const std::string text =
        "Cut size adjustment did not converge within the iteration limit; the separation "
        "function keeps its last cut size and the outlet PSD may be inaccurate.";
    msg_.RaiseCalculationError(7, text, "solsep", false);
    msg_.RaiseCalculationError(1, std::string(72, 'a'), "", false);
    msg_.RaiseCalculationError(2, std::string(73, 'b'), "", false);  // a word is cut
    EXPECT_EQ(
        Printed(),
        (Prints{{"      CUT SIZE ADJUSTMENT DID NOT CONVERGE WITHIN THE ITERATION LIMIT; THE",
                 "      SEPARATION FUNCTION KEEPS ITS LAST CUT SIZE AND THE OUTLET PSD MAY BE",
                 "      INACCURATE."},
                {"      " + std::string(72, 'A')},
                {"      " + std::string(72, 'B'), "      B"}}));

    msg_.RaiseInfoMsg(1, "mixed Case 1.5e-3 m", "", false);
    const std::string line = "      MIXED CASE 1.5E-3 M";
    EXPECT_EQ(host_.ErrorBufferLine(1), line + std::string(80 - line.size(), ' '));
}

TEST_F(ErrorPrintTest, CollectedLinesPrintWithTheNextShownMessageOfTheirKind) {
    msg_.RaiseWarning(11, "first collected warning", "", true);
    msg_.RaiseWarning(12, "second collected warning", "", true);
    msg_.RaiseValidationError(1, "collected validation error", "", true);
    EXPECT_TRUE(host_.Prints().empty());
    EXPECT_TRUE(host_.LevelChecks().empty());
    EXPECT_EQ(Outcome(), records::kOutcomePreset);

    msg_.ClearValidationErrors();  // clears the flag, not the pending lines
    EXPECT_FALSE(msg_.HasValidationErrors());
    msg_.RaiseCalculationError(2, "calculation error", "", false);
    msg_.RaiseValidationError(3, "validation error", "", false);
    msg_.RaiseWarning(13, "the warning itself", "", false);

    EXPECT_EQ(Printed(), (Prints{{"      CALCULATION ERROR"},
                                 {"      COLLECTED VALIDATION ERROR", "      VALIDATION ERROR"},
                                 {"      FIRST COLLECTED WARNING", "      SECOND COLLECTED WARNING",
                                  "      THE WARNING ITSELF"}}));
    EXPECT_EQ(host_.LevelChecks().size(), 3u);
    EXPECT_EQ(Outcome(), records::kOutcomeWarning);
}

TEST_F(ErrorPrintTest, DisabledOutputSetsFlagsOnly) {
    msg_.EnableOutput(false);
    msg_.RaiseCalculationError(1, "not shown", "", true);
    msg_.RaiseWarning(3, "not shown", "", false);
    EXPECT_TRUE(msg_.HasCalculationErrors() && msg_.HasWarnings());
    EXPECT_TRUE(host_.Prints().empty());
    EXPECT_TRUE(host_.LevelChecks().empty());
    EXPECT_EQ(Outcome(), records::kOutcomePreset);

    msg_.EnableOutput(true);  // nothing was collected while output was off
    msg_.RaiseCalculationError(5, "shown", "", false);
    EXPECT_EQ(Printed(), (Prints{{"      SHOWN"}}));
}

TEST_F(ErrorPrintTest, LevelCheckReceivesTagKindCodeAndPrintLevelAndFlagsFollowTheKind) {
    block_.statusBlock[records::kStatusPrintLevel] = 6;
    msg_.RaiseInfoMsg(24, "i", "", false);
    EXPECT_FALSE(msg_.HasCalculationErrors() || msg_.HasValidationErrors() || msg_.HasWarnings());
    msg_.RaiseWarning(23, "w", "", false);
    EXPECT_TRUE(msg_.HasWarnings());
    EXPECT_FALSE(msg_.HasCalculationErrors() || msg_.HasValidationErrors());
    msg_.RaiseValidationError(22, "v", "", false);
    EXPECT_TRUE(msg_.HasValidationErrors());
    EXPECT_FALSE(msg_.HasCalculationErrors());
    msg_.SetTag("dilconv");
    msg_.RaiseCalculationError(21, "c", "", false);
    msg_.RaiseCalculationError(20, "c", "baseunit-long", false);

    const auto& checks = host_.LevelChecks();
    ASSERT_EQ(checks.size(), 5u);
    const int64_t levels[] = {4, 3, 2, 2, 2};
    const char* tags[] = {"ERRORPRI", "ERRORPRI", "ERRORPRI", "DILCONV", "BASEUNIT"};
    for (std::size_t i = 0; i < checks.size(); ++i) {
        EXPECT_EQ(checks[i].level, levels[i]) << i;
        EXPECT_EQ(checks[i].code, static_cast<int64_t>(24 - i)) << i;
        EXPECT_EQ(checks[i].tag, tags[i]) << i;  // "ERRORPRINT" cut to the 8 a tag holds
        EXPECT_EQ(checks[i].printLevel, 6);
        EXPECT_EQ(checks[i].words, (std::array<int64_t, 4>{99999999, 0, 0, 2}));
    }
}

TEST_F(ErrorPrintTest, DeclinedMessageIsDroppedAndSetsNoWarningOutcome) {
    host_.SetLevelCheck([](const LevelCheckCall& call) { return call.code != 99; });
    msg_.RaiseWarning(1, "collected before", "", true);
    msg_.RaiseWarning(99, std::string(72, 'd') + " declined tail", "", false);
    EXPECT_TRUE(host_.Prints().empty());
    EXPECT_TRUE(msg_.HasWarnings());
    EXPECT_EQ(Outcome(), records::kOutcomePreset);
    msg_.RaiseCalculationError(2, "error", "", false);
    EXPECT_EQ(Outcome(), records::kOutcomePreset);

    msg_.RaiseWarning(3, "next warning", "", false);
    EXPECT_EQ(Printed(),
              (Prints{{"      ERROR"}, {"      COLLECTED BEFORE", "      NEXT WARNING"}}));
    EXPECT_EQ(Outcome(), records::kOutcomeWarning);
}

TEST_F(ErrorPrintTest, MessageLongerThanTheBufferPrintsInChunks) {
    const int64_t capacity = ErrorBufferLines();
    ASSERT_GT(capacity, 0);
    std::string text;
    Lines all;
    for (std::size_t i = 0; i < static_cast<std::size_t>(capacity) + 2; ++i) {
        // Full lines of exactly 72 characters: "L", six digits, 65 filler characters.
        std::string line = "L" + std::to_string(1000000 + i).substr(1) + std::string(65, 'f');
        text += (i ? " " : "") + line;
        for (auto& ch : line) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        all.push_back("      " + line);
    }
    msg_.RaiseCalculationError(1, text, "", false);
    const Lines first(all.begin(), all.begin() + capacity);
    EXPECT_EQ(Printed(), (Prints{first, Lines(all.begin() + capacity, all.end())}));
}

TEST_F(ErrorPrintTest, DirectMessageSetsTheFlagOfItsLevelAndPhase) {
    ASSERT_TRUE(msg_.CheckErrorPrint("baseunit", true, 4, 1));
    msg_.AddErrorText(1, "SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.");
    msg_.AddErrorText(2, "INLET STREAMS WILL BE PQ-FLASHED.");
    msg_.PrintError(2);
    EXPECT_EQ(Printed(), (Prints{{"      SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.",
                                  "      INLET STREAMS WILL BE PQ-FLASHED."}}));
    EXPECT_EQ(host_.LevelChecks().back().tag, "BASEUNIT");
    EXPECT_FALSE(msg_.HasCalculationErrors());  // level 4 sets no flag

    msg_.CheckErrorPrint("T", false, 2, 1);
    msg_.AddErrorText(1, "validation");
    EXPECT_TRUE(msg_.HasValidationErrors());
    EXPECT_FALSE(msg_.HasCalculationErrors());
    msg_.CheckErrorPrint("T", true, 2, 1);
    msg_.AddErrorText(1, "calculation");
    EXPECT_TRUE(msg_.HasCalculationErrors());
}

TEST_F(ErrorPrintTest, LinesAndTextOutsideTheBufferAreIgnored) {
    const int64_t capacity = ErrorBufferLines();
    msg_.CheckErrorPrint("T", true, 4, 1);
    msg_.AddErrorText(1, std::string(72, 'c') + "overflow");
    EXPECT_EQ(host_.ErrorBufferLine(1), "      " + std::string(72, 'C') + "  ");
    msg_.AddErrorText(0, "line zero");
    msg_.AddErrorText(-3, "negative");
    msg_.AddErrorText(static_cast<int>(capacity) + 1, "past the end");
    EXPECT_EQ(TrimRight(host_.ErrorBufferLine(static_cast<int>(capacity))), "");

    msg_.PrintError(0);
    msg_.PrintError(-1);
    EXPECT_TRUE(host_.Prints().empty());
    msg_.PrintError(static_cast<int>(capacity) + 5);
    ASSERT_EQ(host_.Prints().size(), 1u);
    EXPECT_EQ(host_.Prints()[0].size(), static_cast<std::size_t>(capacity));
}

TEST_F(ErrorPrintTest, HistoryLines) {
    msg_.WriteHis("Aborting calculation due to errors.");
    msg_.WriteHis("");
    msg_.WriteHis(std::string(70, 'h') + "0123456789");
    int tabs[] = {1, 13, 24, 40, 56};
    msg_.WriteHisTab("d50\tValue\tunit\tx", tabs);
    msg_.WriteHisTab("a\tb", nullptr);
    EXPECT_EQ(host_.HistoryLines(),
              (Lines{"      ABORTING CALCULATION DUE TO ERRORS.", "",
                     "      " + std::string(70, 'H') + "0123",
                     "       D50         VALUE      UNIT            X", "      A B"}));
}

TEST_F(ErrorPrintTest, StatusWordsOutsideTheBlockAreIgnored) {
    msg_.SetIscpOf(1, 3);
    EXPECT_EQ(block_.statusBlock[1], 3);
    const auto before = block_.statusBlock;
    msg_.SetIscpOf(8, 5);
    msg_.SetIscpOf(-1, 5);
    EXPECT_EQ(block_.statusBlock, before);
    EXPECT_EQ(msg_.GetIscpOf(8), 0);
    EXPECT_EQ(msg_.GetIscpOf(-1), 0);
}

TEST(ErrorPrintWithoutStatusBlock, UsesPrintLevel4AndNeverTouchesAStatusWord) {
    SubstituteHost host;
    CErrorPrint msg;
    EXPECT_EQ(msg.GetIscp(), nullptr);
    EXPECT_EQ(msg.GetIscpOf(0), 0);
    msg.SetIscpOf(4, -9990);
    msg.RaiseWarning(1, "off", "", false);  // output is off until a model turns it on
    EXPECT_TRUE(host.LevelChecks().empty());

    msg.EnableOutput(true);
    msg.RaiseWarning(2, "warning", "", false);
    ASSERT_EQ(host.LevelChecks().size(), 1u);
    EXPECT_EQ(host.LevelChecks()[0].printLevel, 4);
    ASSERT_EQ(host.PrintedLines().size(), 1u);
    EXPECT_EQ(TrimRight(host.PrintedLines()[0]), "      WARNING");

    int64_t block[8] = {5, 0, 0, 0, -9999, 0, 0, 0};
    msg.SetIscp(block);
    msg.RaiseWarning(3, "bound now", "", false);
    EXPECT_EQ(host.LevelChecks().back().printLevel, 5);
    EXPECT_EQ(block[4], -9990);
}

}  // namespace
