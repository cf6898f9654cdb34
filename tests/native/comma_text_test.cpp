#include "base/comma_text.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using Items = std::vector<std::string>;

struct WriteCase {
  Items items;
  std::string text;
};

TEST(CommaText, WritesItemsQuotingOnlyWhereNeeded) {
  const WriteCase cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"a", ""}, "a,"},
      {{"", "a"}, ",a"},
      {{"plain", "C:\\App"}, "plain,C:\\App"},
      {{"with blank"}, "\"with blank\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"line\r\nbreak"}, "\"line\r\nbreak\""},
      {{"a,b"}, "\"a,b\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"\""}, "\"\"\"\""},
      {{"x=1", "$A$"}, "x=1,$A$"},
      {{"\x7f\xe9"}, "\x7f\xe9"},
  };
  for (const auto& c : cases) EXPECT_EQ(writeCommaText(c.items), c.text) << c.text;
}

struct ReadCase {
  std::string text;
  Items items;
};

TEST(CommaText, ReadsItemsBlanksAndQuotes) {
  const ReadCase cases[] = {
      {"", {}},
      {"   ", {}},
      {"\"\"", {""}},
      {"a", {"a"}},
      {"a,b", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {",", {"", ""}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      // A comma followed only by blanks is not the last character: no empty item.
      {"a, ", {"a"}},
      {"  a , b", {"a", "b"}},
      // An unquoted blank ends an item and starts the next one.
      {"a b", {"a", "b"}},
      {"a\tb,c", {"a", "b", "c"}},
      {"\"a b\",c", {"a b", "c"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"a,b\"", {"a,b"}},
      {"\"\",\"\"", {"", ""}},
      // A missing closing quote ends the item at the end of the text.
      {"\"open, ended", {"open, ended"}},
      {"\"a\"b", {"a", "b"}},
      {"\"a\" ,b", {"a", "b"}},
      {"x=\"1\"", {"x=\"1\""}},
      // Outside quotes the text ends at a NUL, as it does when it crosses as a C string;
      // inside quotes a NUL belongs to the item.
      {std::string("a,b\0c", 5), {"a", "b"}},
      {std::string("a,\0c", 4), {"a", ""}},
      {std::string("\"x\0y\",b", 8), {std::string("x\0y", 3), "b"}},
      {std::string("\"x\"\0,b", 7), {"x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(readCommaText(c.text), c.items) << c.text;
}

TEST(CommaText, EveryListSurvivesWritingAndReading) {
  const Items lists[] = {
      {},
      {""},
      {"", ""},
      {"a", "", "b", ""},
      {" lead", "trail ", "\"", ",", "\"\"", "a\r\nb", "$X$", "=,\""},
  };
  for (const auto& list : lists) EXPECT_EQ(readCommaText(writeCommaText(list)), list);
}

TEST(CommaText, EveryByteValueSurvivesAloneAndAmongOthers) {
  Items all;
  for (int code = 0; code <= 255; ++code) {
    const std::string byte(1, static_cast<char>(code));
    Items list = {byte, "a" + byte + "b", byte + byte, "", "after"};
    EXPECT_EQ(readCommaText(writeCommaText(list)), list) << code;
    all.push_back(byte);
  }
  EXPECT_EQ(readCommaText(writeCommaText(all)), all);
  // The value of a variable list holding every byte value in one item.
  std::string every;
  for (int code = 0; code <= 255; ++code) every += static_cast<char>(code);
  const Items list = {"ALL", every, "AFTER", "z"};
  EXPECT_EQ(readCommaText(writeCommaText(list)), list);
}

TEST(CommaText, ValueLookupIgnoresCaseAndTakesTheFirstMatch) {
  const Items items = {"NoEquals", "SourceID=one", "sourceid=two", "TargetPath=a=b", "Empty="};
  EXPECT_EQ(commaTextValue(items, "SOURCEID"), "one");
  EXPECT_EQ(commaTextValue(items, "targetpath"), "a=b");
  EXPECT_EQ(commaTextValue(items, "Empty"), "");
  EXPECT_EQ(commaTextValue(items, "Missing"), "");
  EXPECT_EQ(commaTextValue(items, "NoEquals"), "");
  EXPECT_EQ(commaTextValue(items, "Source"), "");
}

}  // namespace
}  // namespace kx
