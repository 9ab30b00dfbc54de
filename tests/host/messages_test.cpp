#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "brixel/framework/records.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace rec = brixel::records;

void WriteErrorLine(int line, const std::string& text) {
    int64_t* buffer = HostErrorBuffer(nullptr);
    const auto words = Packed(text, 80);
    std::copy(words.begin(), words.end(), buffer + (line - 1) * rec::kErrorLineWords);
}

void WriteHistory(const std::string& text, int64_t count) {
    const auto words = Packed(text, static_cast<int>(4 * count));
    const int64_t unit = HostGlobals()[rec::kGlobalHistoryUnit];
    HostWriteRecord(&unit, words.data(), &count);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(PackedText, FourCharactersInTheLowBytesFirstCharacterLowest) {
    const auto words = PackText("ABCDEF", 8);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0], 0x44434241);  // 'D' 'C' 'B' 'A'
    EXPECT_EQ(words[1], 0x20204645);  // blank blank 'F' 'E'
    unsigned char bytes[8];
    std::memcpy(bytes, &words[0], 8);
    EXPECT_EQ(bytes[0], 'A');
    EXPECT_EQ(bytes[3], 'D');
    EXPECT_EQ(bytes[4], 0);  // upper 4 bytes zero
    EXPECT_EQ(PackText("TOOLONGTEXT", 6).size(), 2u);
    EXPECT_EQ(UnpackText(PackText("TOOLONGTEXT", 6).data(), 8), "TOOLON");
    EXPECT_TRUE(PackText("X", 0).empty());
    EXPECT_EQ(UnpackText(PackText("  A B  ", 8).data(), 8), "  A B");
    EXPECT_EQ(UnpackText(PackText("    ", 4).data(), 4), "");
    const int64_t zeros[2] = {0, 0};
    EXPECT_EQ(UnpackText(zeros, 8), "");
    EXPECT_EQ(UnpackText(nullptr, 8), "");
}

TEST(PackedText, StringToHollerithPadsShortTextAndBlanksNullText) {
    int64_t words[3] = {-1, -1, -1};
    const int64_t five = 5;
    HostStringToHollerith("AB", &five, words);
    EXPECT_EQ(words[0], 0x20204241);
    EXPECT_EQ(words[1], 0x20202020);
    EXPECT_EQ(words[2], -1);  // ceil(5 / 4) words only
    HostStringToHollerith(nullptr, &five, words);
    EXPECT_EQ(words[0], 0x20202020);
    const int64_t four = 4;
    HostStringToHollerith("ABCDEFGH", &four, words);
    EXPECT_EQ(words[0], 0x44434241);
    EXPECT_EQ(words[1], 0x20202020);
    const int64_t zero = 0;
    HostStringToHollerith("ABCD", &zero, words);
    HostStringToHollerith("ABCD", nullptr, words);
    HostStringToHollerith("ABCD", &four, nullptr);
    EXPECT_EQ(words[0], 0x44434241);
}

TEST_F(HostTest, LevelCheckShowsUpToThePrintLevelAndRecordsEveryCall) {
    const auto tag = Packed("BASEUNIT", 8);
    const int64_t info = 4, warning = 3, code = 17, printLevel = 3;
    const int64_t words[4] = {99999999, 0, 0, 2};
    EXPECT_EQ(HostErrorLevelCheck(tag.data(), &warning, &code, &printLevel, &words[0], &words[1],
                                  &words[2], &words[3]),
              1);
    EXPECT_EQ(HostErrorLevelCheck(tag.data(), &info, &code, &printLevel, &words[0], &words[1],
                                  &words[2], &words[3]),
              0);
    ASSERT_EQ(host->LevelChecks().size(), 2u);
    const LevelCheckCall& call = host->LevelChecks()[1];
    EXPECT_EQ(call.tag, "BASEUNIT");
    EXPECT_EQ(call.level, 4);
    EXPECT_EQ(call.code, 17);
    EXPECT_EQ(call.printLevel, 3);
    EXPECT_EQ(call.words, (std::array<int64_t, 4>{99999999, 0, 0, 2}));
    EXPECT_TRUE(host->LevelChecks()[0].shown);
    EXPECT_FALSE(call.shown);
}

TEST_F(HostTest, LevelCheckRuleCanBeReplacedAndRestored) {
    const auto tag = Packed("SOLSEP", 8);
    const int64_t level = 2, code = 1, printLevel = 4;
    auto ask = [&] {
        return HostErrorLevelCheck(tag.data(), &level, &code, &printLevel, nullptr, nullptr,
                                   nullptr, nullptr);
    };
    host->SetLevelCheck([](const LevelCheckCall& call) { return call.tag != "SOLSEP"; });
    EXPECT_EQ(ask(), 0);
    EXPECT_FALSE(host->LevelChecks().back().shown);
    host->SetLevelCheck([](const LevelCheckCall&) -> bool { throw std::runtime_error("no"); });
    EXPECT_EQ(ask(), 0);  // a failing rule does not escape into the library
    host->SetLevelCheck(nullptr);
    EXPECT_EQ(ask(), 1);
}

TEST_F(HostTest, PrintCapturesBufferLinesAsOnePrint) {
    int64_t lines = 0;
    HostErrorBuffer(&lines);
    EXPECT_EQ(lines, 100);
    EXPECT_EQ(host->ErrorBufferLine(1), std::string(80, ' '));
    WriteErrorLine(1, "      FIRST LINE");
    WriteErrorLine(2, "      SECOND LINE  ");
    const int64_t two = 2;
    HostPrintErrors(&two);
    ASSERT_EQ(host->Prints().size(), 1u);
    EXPECT_EQ(host->Prints()[0],
              (std::vector<std::string>{"      FIRST LINE", "      SECOND LINE"}));
    std::string padded = "      SECOND LINE";
    padded.resize(80, ' ');
    EXPECT_EQ(host->ErrorBufferLine(2), padded);
    EXPECT_THROW(host->ErrorBufferLine(101), std::out_of_range);

    const int64_t one = 1, none = 0, negative = -3, tooMany = 500;
    HostPrintErrors(&one);
    HostPrintErrors(&none);
    HostPrintErrors(&negative);
    HostPrintErrors(nullptr);
    ASSERT_EQ(host->Prints().size(), 2u);
    EXPECT_EQ(
        host->PrintedLines(),
        (std::vector<std::string>{"      FIRST LINE", "      SECOND LINE", "      FIRST LINE"}));
    HostPrintErrors(&tooMany);
    ASSERT_EQ(host->Prints().size(), 3u);
    EXPECT_EQ(host->Prints()[2].size(), 100u);
    EXPECT_EQ(host->Prints()[2][99], "");
}

TEST_F(HostTest, HistoryCapturesRecordsOnTheHistoryUnit) {
    WriteHistory("      ABORTING CALCULATION DUE TO ERRORS.", 20);
    WriteHistory("", 0);
    WriteHistory("ABCDEFGH", 1);              // only count * 4 characters
    WriteHistory(std::string(100, 'X'), 25);  // at most 20 words
    const int64_t otherUnit = 6, count = 1;
    const auto words = Packed("LOST", 4);
    HostWriteRecord(&otherUnit, words.data(), &count);
    EXPECT_EQ(host->HistoryLines(),
              (std::vector<std::string>{"      ABORTING CALCULATION DUE TO ERRORS.", "", "ABCD",
                                        std::string(80, 'X')}));
}

TEST_F(HostTest, CapturesAreClearedAndWrittenToFiles) {
    WriteHistory("      HISTORY ONE", 5);
    WriteErrorLine(1, "      MESSAGE ONE");
    const int64_t one = 1;
    HostPrintErrors(&one);
    const char* output = std::getenv("BRIXEL_TEST_OUTPUT");
    const auto folder = (output != nullptr ? std::filesystem::path(output)
                                           : std::filesystem::temp_directory_path()) /
                        "host_captures";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(host->WriteCaptures(folder.string()));
    EXPECT_EQ(ReadFile(folder / "history.txt"), "      HISTORY ONE\n");
    EXPECT_EQ(ReadFile(folder / "messages.txt"), "      MESSAGE ONE\n");
    EXPECT_FALSE(host->WriteCaptures((folder / "no" / "such" / "folder").string()));

    host->ClearCaptures();
    EXPECT_TRUE(host->HistoryLines().empty());
    EXPECT_TRUE(host->Prints().empty());
    EXPECT_TRUE(host->LevelChecks().empty());
}

TEST_F(ProcessTest, FlashIsRecordedAndRefusedWithoutTouchingTheStream) {
    int64_t realWork = 0, intWork = 0;
    const int64_t substreams = 3;
    HostStreamReturn(&substreams, &realWork, &intWork);
    EXPECT_GE(realWork, 64);
    EXPECT_GE(intWork, 16);

    double* vector = host->StreamVector(stream);
    const std::vector<double> before(vector, vector + 38);
    const int64_t positions[3] = {1, 12, 26}, types[3] = {1, 2, 3};
    const int64_t kode = 2, phaseCount = 2, phase = 1, iterations = 30, print = 3, print2 = 4;
    const int64_t zero = 0;
    const double tolerance = 1e-6, t = 350.0, p = 1e5, missing = 1e35;
    std::vector<double> realArray(static_cast<std::size_t>(realWork));
    std::vector<int64_t> intArray(static_cast<std::size_t>(intWork));
    int64_t status = 0;
    HostFlash(vector, &substreams, positions, types, nullptr, &kode, &phaseCount, &phase,
              &iterations, &tolerance, &t, &p, &missing, &print, &print2, &zero, &zero,
              realArray.data(), intArray.data(), &status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(std::vector<double>(vector, vector + 38), before);
    ASSERT_EQ(host->FlashCalls().size(), 1u);
    const FlashCall& call = host->FlashCalls()[0];
    EXPECT_EQ(call.kode, 2);
    EXPECT_EQ(call.spec1, 350.0);
    EXPECT_EQ(call.spec2, 1e5);
    EXPECT_EQ(call.spec3, 1e35);
    EXPECT_EQ(call.positions, (std::vector<int64_t>{1, 12, 26}));
    EXPECT_EQ(call.iterations, 30);
    EXPECT_EQ(call.tolerance, 1e-6);
    EXPECT_EQ(call.printLevel2, 4);

    HostStoreEquilibrium(&stream);
    EXPECT_EQ(host->StoredEquilibria(), (std::vector<int64_t>{stream}));
    EXPECT_EQ(HostStreamWorkCommon()[0], 0);
    EXPECT_EQ(HostStreamWorkCommon2()[31], 0);
}

}  // namespace
}  // namespace brixel::host::testing
