// HTML viewer links, page refresh targets and Flash movie stage sizes.
#include <gtest/gtest.h>

#include "dialogs/viewer_content.h"

namespace kx {
namespace {

TEST(ViewerLinks, ClassifiesClickedLinks) {
  struct Case {
    std::string link;
    LinkAction action;
    bool local;
    std::string name;
    std::string arguments;
  };
  const std::string longName(300, 'a');
  const std::vector<Case> cases = {
      {"setup.exe /silent now", LinkAction::RunProgram, true, "setup.exe", "/silent now"},
      {"C:\\Tools\\Tool.EXE", LinkAction::RunProgram, true, "C:\\Tools\\Tool.EXE", ""},
      {"chime.wav", LinkAction::PlaySound, true, "chime.wav", ""},
      {"page.htm?part=2", LinkAction::LeaveToViewer, true, "page.htm", "part=2"},
      {"run.exe?x y", LinkAction::LeaveToViewer, true, "run.exe?x", "y"},  // the blank wins
      {":odd", LinkAction::LeaveToViewer, true, ":odd", ""},
      {"file:///C:/Setup/run.exe", LinkAction::RunProgram, true, "file:///C:/Setup/run.exe", ""},
      {"http://example.com/file:x", LinkAction::LeaveToViewer, true, "http://example.com/file:x",
       ""},
      {"http://example.com/", LinkAction::OpenWithShell, false, "", ""},
      {"MailTo:someone@example.com", LinkAction::OpenWithShell, false, "", ""},
      {"https://secure.example.com/", LinkAction::LeaveToViewer, false, "", ""},
      {"ftp://example.com/", LinkAction::LeaveToViewer, false, "", ""},
      {longName + " arg", LinkAction::LeaveToViewer, true, longName.substr(0, 255), ""},
  };
  for (const Case& c : cases) {
    const LinkClick click = classifyLink(c.link);
    EXPECT_EQ(click.action, c.action) << c.link;
    EXPECT_EQ(click.local, c.local) << c.link;
    EXPECT_EQ(click.name, c.name) << c.link;
    EXPECT_EQ(click.arguments, c.arguments) << c.link;
  }
}

TEST(ViewerLinks, NormalisesPageRefreshTargets) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"file:///C|/Setup/page%20two.htm", "C:\\Setup\\page two.htm"},
      {"FILE://server/share/x.htm", "server\\share\\x.htm"},
      {"docs/next.htm", "docs\\next.htm"},
      {"next.htm", "next.htm"},
      {"a|b.htm", "a|b.htm"},          // without "/" nothing but percent codes changes
      {"page%2541.htm", "pageA.htm"},  // a decoded "%" is decoded again
      {"%41.htm", "%41.htm"},          // a "%" in front stops the decoding
      {"a%4", "a%4"},
      {"a%zz%41", "a%zz%41"},  // the first "%" decides
      {"x%2Fy", "x\\y"},       // a decoded "/" counts as one
  };
  for (const auto& [address, expected] : cases) {
    EXPECT_EQ(refreshTargetFile(address), expected) << address;
  }
}

// An uncompressed movie header with the frame rectangle written in `bits`-bit fields.
std::string movieHeader(unsigned bits, uint32_t xMax, uint32_t yMax) {
  std::string movie = std::string("FWS\x06\x00\x10\x00\x00", 8);
  std::vector<bool> stream;
  const auto put = [&](uint32_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) stream.push_back((value >> i) & 1);
  };
  put(bits, 5);
  for (uint32_t field : {0u, xMax, 0u, yMax}) put(field, bits);
  for (size_t i = 0; i < stream.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t k = 0; k < 8; ++k)
      byte = static_cast<uint8_t>(byte << 1 | (i + k < stream.size() && stream[i + k]));
    movie.push_back(static_cast<char>(byte));
  }
  return movie + "frames";
}

TEST(FlashMovies, ReadTheStageSizeFromTheHeader) {
  const auto size = movieStageSize(movieHeader(15, 11000, 8019));
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->width, 550u);
  EXPECT_EQ(size->height, 400u);  // integer division
  EXPECT_EQ(movieStageSize(movieHeader(31, 2000000000, 20))->width, 100000000u);
  EXPECT_FALSE(movieStageSize("FWS\x06").has_value());
  EXPECT_FALSE(movieStageSize(movieHeader(31, 1, 1).substr(0, 20)).has_value());
}

}  // namespace
}  // namespace kx
