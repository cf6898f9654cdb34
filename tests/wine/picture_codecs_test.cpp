// The Windows Imaging Component decodes the pictures of definitions as libpng and libjpeg do.
#include <gtest/gtest.h>

#include "platform/win32/wic_picture_codecs.h"
#include "tests/fixture_files.h"

namespace kx {
namespace {

TEST(WicPictureCodecs, DecodesPngAndJpeg) {
  WicPictureCodecs codecs;
  const auto red = codecs.decodePng(test::fixtureFile("pictures/red-3x2.png"));
  ASSERT_TRUE(red.has_value());
  EXPECT_EQ(red->width, 3u);
  EXPECT_EQ(red->height, 2u);
  EXPECT_EQ(std::vector<uint8_t>(red->rgba.begin(), red->rgba.begin() + 4),
            (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<uint8_t>(red->rgba.end() - 4, red->rgba.end()),
            (std::vector<uint8_t>{0, 0, 255, 255}));
  const auto green = codecs.decodeJpeg(test::fixtureFile("pictures/green-8x4.jpg"));
  ASSERT_TRUE(green.has_value());
  EXPECT_EQ(green->width, 8u);
  EXPECT_GT(green->rgba[1], 176);
  EXPECT_LT(green->rgba[0], 16);
  EXPECT_FALSE(codecs.decodePng(test::fixtureFile("pictures/green-8x4.jpg")).has_value());
  EXPECT_FALSE(codecs.decodePng(test::fixtureFile("pictures/huge-header.png")).has_value());
}

}  // namespace
}  // namespace kx
