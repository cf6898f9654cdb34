#include "base/message_table.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

std::string languageFile(int lines, const char* lineEnd = "\r\n") {
  std::string text;
  for (int n = 1; n <= lines; ++n) text += "line " + std::to_string(n) + lineEnd;
  return text;
}

TEST(MessageTable, HasNinetyFourDefaults) {
  const MessageTable table;
  int entries = 0;
  for (int n = 0; n <= 120; ++n) {
    if (MessageTable::isEntry(n)) ++entries;
    // Entry 54, the text of download status 0, is the one empty default.
    EXPECT_EQ(table.message(n).empty(), !MessageTable::isEntry(n) || n == 54) << n;
  }
  EXPECT_EQ(entries, 94);
  EXPECT_EQ(table.message(5), "Runtime error in install: ");
  EXPECT_EQ(table.message(24),
            "Kestrix\x99 is preparing the Kestrix\x99 Installation Wizard which will install this "
            "application. Please wait.");
  EXPECT_EQ(table.message(27), " Proxy Information (optional) ");
  EXPECT_EQ(table.message(112), "Unable to play Flash movie");
  EXPECT_EQ(table.message(91), "");
}

TEST(MessageTable, NinetyLinesEmptyTheLastFourEntries) {
  MessageTable table;
  table.loadMessages(languageFile(90));
  EXPECT_EQ(table.message(1), "line 1");
  EXPECT_EQ(table.message(90), "line 90");
  for (int n = 112; n <= 115; ++n) EXPECT_EQ(table.message(n), "") << n;
}

TEST(MessageTable, LinesBetweenNinetyOneAndOneHundredElevenAreIgnored) {
  MessageTable table;
  table.loadMessages(languageFile(100));
  EXPECT_EQ(table.message(100), "");
  EXPECT_EQ(table.message(91), "");
  table.loadMessages(languageFile(120, "\n"));
  EXPECT_EQ(table.message(111), "");
  EXPECT_EQ(table.message(112), "line 112");
  EXPECT_EQ(table.message(115), "line 115");
  EXPECT_EQ(table.message(116), "");
}

TEST(MessageTable, AShortFileEmptiesEverythingAfterIt) {
  MessageTable table;
  table.loadMessages("only\r\n\r\nthird");
  EXPECT_EQ(table.message(1), "only");
  EXPECT_EQ(table.message(2), "");
  EXPECT_EQ(table.message(3), "third");
  EXPECT_EQ(table.message(4), "");
  EXPECT_EQ(table.message(24), "");
}

}  // namespace
}  // namespace kx
