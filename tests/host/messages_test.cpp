#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "brixel/framework/records.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

namespace rec = brixel::records;

void WriteErrorLine(int line, const std::string& text) {
    const auto words = PackText(text, 80);
    std::copy(words.begin(), words.end(),
              HostErrorBuffer(nullptr) + (line - 1) * rec::kErrorLineWords);
}

void WriteHistory(const std::string& text, int64_t count) {
    const auto words = PackText(text, static_cast<int>(4 * count));
    const int64_t unit = HostGlobals()[rec::kGlobalHistoryUnit];
    HostWriteRecord(&unit, words.data(), &count);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::stringstream content;
    content << std::ifstream(path).rdbuf();
    return content.str();
}

TEST(PackedText, FourCharactersInTheLowBytesFirstCharacterLowest) {
    const auto words = PackText("ABCDEF", 8);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0], 0x44434241);  // 'D' 'C' 'B' 'A', upper 4 bytes zero
    EXPECT_EQ(words[1], 0x20204645);  // blank blank 'F' 'E'
    EXPECT_EQ(UnpackText(PackText("TOOLONGTEXT", 6).data(), 8), "TOOLON");
    EXPECT_EQ(UnpackText(nullptr, 8), "");

    int64_t hollerith[3] = {-1, -1, -1};
    const int64_t four = 4, five = 5;
    HostStringToHollerith("AB", &five, hollerith);
    EXPECT_EQ(hollerith[0], 0x20204241);
    EXPECT_EQ(hollerith[1], 0x20202020);
    EXPECT_EQ(hollerith[2], -1);  // ceil(5 / 4) words only
    HostStringToHollerith(nullptr, &five, hollerith);
    EXPECT_EQ(hollerith[0], 0x20202020);
    HostStringToHollerith("ABCDEFGH", &four, hollerith);
    EXPECT_EQ(hollerith[0], 0x44434241);
    HostStringToHollerith("ABCD", nullptr, hollerith);
    HostStringToHollerith("ABCD", &four, nullptr);
}

TEST_F(HostTest, LevelCheckShowsUpToThePrintLevelAndRecordsEveryCall) {
    const auto tag = PackText("BASEUNIT", 8);
    const int64_t info = 4, warning = 3, code = 17, printLevel = 3;
    const int64_t w[4] = {99999999, 0, 0, 2};
    auto ask = [&](const int64_t* level) {
        return HostErrorLevelCheck(tag.data(), level, &code, &printLevel, &w[0], &w[1], &w[2],
                                   &w[3]);
    };
    EXPECT_EQ(ask(&warning), 1);
    EXPECT_EQ(ask(&info), 0);
    ASSERT_EQ(host->LevelChecks().size(), 2u);
    EXPECT_EQ(host->LevelChecks()[1].words, (std::array<int64_t, 4>{99999999, 0, 0, 2}));
    EXPECT_FALSE(host->LevelChecks()[1].shown);

    host->SetLevelCheck([](const LevelCheckCall&) -> bool { throw std::runtime_error("no"); });
    EXPECT_EQ(ask(&warning), 0);  // a failing rule does not escape into the library
    host->SetLevelCheck(nullptr);
    EXPECT_EQ(HostErrorLevelCheck(tag.data(), &warning, &code, &printLevel, nullptr, nullptr,
                                  nullptr, nullptr),
              1);
}

TEST_F(HostTest, PrintCapturesBufferLinesAsOnePrint) {
    int64_t lines = 0;
    HostErrorBuffer(&lines);
    EXPECT_EQ(lines, 100);
    WriteErrorLine(1, "      FIRST LINE");
    WriteErrorLine(2, "      SECOND LINE  ");
    const int64_t one = 1, two = 2, negative = -3, tooMany = 500;
    HostPrintErrors(&two);
    ASSERT_EQ(host->Prints().size(), 1u);
    EXPECT_EQ(host->Prints()[0],
              (std::vector<std::string>{"      FIRST LINE", "      SECOND LINE"}));
    EXPECT_EQ(host->ErrorBufferLine(2), "      SECOND LINE" + std::string(63, ' '));
    EXPECT_THROW(host->ErrorBufferLine(101), std::out_of_range);

    HostPrintErrors(&one);
    HostPrintErrors(&negative);
    HostPrintErrors(nullptr);
    EXPECT_EQ(
        host->PrintedLines(),
        (std::vector<std::string>{"      FIRST LINE", "      SECOND LINE", "      FIRST LINE"}));
    HostPrintErrors(&tooMany);
    ASSERT_EQ(host->Prints().size(), 3u);
    EXPECT_EQ(host->Prints()[2].size(), 100u);
}

TEST_F(HostTest, CapturesAreClearedAndWrittenToFiles) {
    WriteHistory("      HISTORY ONE", 5);
    WriteHistory("ABCDEFGH", 1);  // only count * 4 characters
    const int64_t otherUnit = 6, count = 1;
    HostWriteRecord(&otherUnit, PackText("LOST", 4).data(), &count);  // not the history unit
    WriteErrorLine(1, "      MESSAGE ONE");
    HostPrintErrors(&count);
    const char* output = std::getenv("BRIXEL_TEST_OUTPUT");
    const auto folder = (output != nullptr ? std::filesystem::path(output)
                                           : std::filesystem::temp_directory_path()) /
                        "host_captures";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(host->WriteCaptures(folder.string()));
    EXPECT_EQ(ReadFile(folder / "history.txt"), "      HISTORY ONE\nABCD\n");
    EXPECT_EQ(ReadFile(folder / "messages.txt"), "      MESSAGE ONE\n");
    EXPECT_FALSE(host->WriteCaptures((folder / "no" / "such" / "folder").string()));

    host->ClearCaptures();
    EXPECT_TRUE(host->HistoryLines().empty());
    EXPECT_TRUE(host->Prints().empty());
}

TEST_F(ProcessTest, FlashIsRecordedAndRefusedWithoutTouchingTheStream) {
    int64_t realWork = 0, intWork = 0, status = 0;
    const int64_t substreams = 3;
    HostStreamReturn(&substreams, &realWork, &intWork);
    EXPECT_GE(realWork, 64);
    EXPECT_GE(intWork, 16);

    double* vector = host->StreamVector(stream);
    const std::vector<double> before(vector, vector + 38);
    const int64_t positions[3] = {1, 12, 26}, types[3] = {1, 2, 3};
    const int64_t kode = 2, phases = 2, phase = 1, iterations = 30, print = 3, zero = 0;
    const double tolerance = 1e-6, t = 350.0, p = 1e5, missing = 1e35;
    std::vector<double> realArray(static_cast<std::size_t>(realWork));
    std::vector<int64_t> intArray(static_cast<std::size_t>(intWork));
    HostFlash(vector, &substreams, positions, types, nullptr, &kode, &phases, &phase, &iterations,
              &tolerance, &t, &p, &missing, &print, &print, &zero, &zero, realArray.data(),
              intArray.data(), &status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(std::vector<double>(vector, vector + 38), before);
    ASSERT_EQ(host->FlashCalls().size(), 1u);  // the library's tests check what is recorded
    EXPECT_EQ(host->FlashCalls()[0].spec1, 350.0);

    HostStoreEquilibrium(&stream);
    EXPECT_EQ(host->StoredEquilibria(), (std::vector<int64_t>{stream}));
}

}  // namespace
}  // namespace brixel::host::testing
