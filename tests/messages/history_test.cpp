#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brixel/messages/history.h"
#include "host/substitute_host.h"

namespace {

using Lines = std::vector<std::string>;

TEST(WriteHistoryRecord, WritesTheTextAsGivenUpToTheWordCount) {
    brixel::host::SubstituteHost host;
    brixel::WriteHistoryRecord("Mixed case kept", 20);
    brixel::WriteHistoryRecord(std::string(76, 'a') + "bcdefgh", 20);  // 83 characters
    brixel::WriteHistoryRecord("abcdefghij", 2);
    EXPECT_EQ(host.HistoryLines(),
              (Lines{"Mixed case kept", std::string(76, 'a') + "bcde", "abcdefgh"}));
}

TEST(WriteHistoryRecord, WordCountIsKeptWithinOneLineAndNoWordsGiveAnEmptyLine) {
    brixel::host::SubstituteHost host;
    brixel::WriteHistoryRecord(std::string(100, 'z'), 1000);
    brixel::WriteHistoryRecord("dropped", 0);
    brixel::WriteHistoryRecord("dropped", -4);
    EXPECT_EQ(host.HistoryLines(), (Lines{std::string(80, 'z'), "", ""}));
}

}  // namespace
