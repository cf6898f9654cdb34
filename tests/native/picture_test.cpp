// Pictures in definitions: the picture blocks and their decoding with libpng and libjpeg.
#include <gtest/gtest.h>

#include "dialogs/forms/definition_text.h"
#include "dialogs/forms/form_model.h"
#include "dialogs/forms/picture.h"
#include "platform/headless/picture_codecs.h"
#include "tests/fixture_files.h"

namespace kx {
namespace {

std::string shortString(const std::string& text) {
  return std::string(1, static_cast<char>(text.size())) + text;
}

std::string sized(const std::string& data) {
  const auto size = static_cast<uint32_t>(data.size());
  std::string prefix;
  for (int i = 0; i < 4; ++i) prefix.push_back(static_cast<char>(size >> (8 * i)));
  return prefix + data;
}

std::string hexOf(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

TEST(PictureBlocks, NameTheirClassBeforeTheirData) {
  const std::string png = test::fixtureFile("pictures/red-3x2.png");
  const std::string jpeg = test::fixtureFile("pictures/green-8x4.jpg");
  const std::string bmp("BM\x10\x00\x00\x00rest", 10);
  const std::string icon("\x00\x00\x01\x00", 4);
  struct Case {
    std::string block;
    PictureKind kind;
    std::string className;
    std::string data;
  };
  const std::vector<Case> cases = {
      {shortString("TBitmap") + sized(bmp), PictureKind::Bitmap, "TBitmap", bmp},
      {shortString("TJPEGImage") + sized(jpeg), PictureKind::Jpeg, "TJPEGImage", jpeg},
      {shortString("TPngImage") + png, PictureKind::Png, "TPngImage", png},
      {shortString("TPNGObject") + png, PictureKind::Png, "TPNGObject", png},
      {shortString("TIcon") + icon, PictureKind::Icon, "TIcon", icon},
      {shortString("TMetafile") + "EMF", PictureKind::Metafile, "TMetafile", "EMF"},
      {shortString("TGIFImage") + "GIF89a", PictureKind::Other, "TGIFImage", "GIF89a"},
      {png, PictureKind::Png, "", png},  // a block that starts with the picture itself
  };
  for (const Case& c : cases) {
    const auto picture = pictureFromBlock(c.block);
    ASSERT_TRUE(picture.has_value()) << c.className;
    EXPECT_EQ(picture->kind, c.kind);
    EXPECT_EQ(picture->className, c.className);
    EXPECT_EQ(picture->data, c.data);
  }
  EXPECT_FALSE(pictureFromBlock("").has_value());
  EXPECT_FALSE(pictureFromBlock(shortString("TBitmap") + std::string("\xFF\x00\x00\x00"
                                                                     "BM",
                                                                     6))
                   .has_value());
  EXPECT_FALSE(pictureFromBlock("\x09TPngI").has_value());
  EXPECT_EQ(glyphFromBlock(sized(bmp))->data, bmp);
  EXPECT_FALSE(glyphFromBlock("\x05").has_value());
}

TEST(PictureCodecs, DecodePicturesOfADefinition) {
  const std::string png = test::fixtureFile("pictures/red-3x2.png");
  const std::string jpeg = test::fixtureFile("pictures/green-8x4.jpg");
  const auto form = DialogForm::fromDefinition(
      dfm::objectFromText("object F: TForm\n"
                          "  object Logo: TImage\n    Picture.Data = {" +
                          hexOf(shortString("TPngImage") + png) +
                          "}\n  end\n"
                          "  object Photo: TImage\n    Picture.Data = {" +
                          hexOf(shortString("TJPEGImage") + sized(jpeg)) +
                          "}\n  end\n"
                          "end\n"));
  LibraryPictureCodecs codecs;

  const auto logo = pictureFromBlock(form->findControl("Logo")->dataBytes("Picture"));
  ASSERT_TRUE(logo.has_value());
  const auto red = codecs.decodePng(logo->data);
  ASSERT_TRUE(red.has_value());
  EXPECT_EQ(red->width, 3u);
  EXPECT_EQ(red->height, 2u);
  ASSERT_EQ(red->rgba.size(), 3u * 2 * 4);
  EXPECT_EQ(std::vector<uint8_t>(red->rgba.begin(), red->rgba.begin() + 4),
            (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<uint8_t>(red->rgba.end() - 4, red->rgba.end()),
            (std::vector<uint8_t>{0, 0, 255, 255}));

  const auto photo = pictureFromBlock(form->findControl("Photo")->dataBytes("Picture"));
  ASSERT_TRUE(photo.has_value());
  const auto green = codecs.decodeJpeg(photo->data);
  ASSERT_TRUE(green.has_value());
  EXPECT_EQ(green->width, 8u);
  EXPECT_EQ(green->height, 4u);
  EXPECT_LT(green->rgba[0], 16);
  EXPECT_GT(green->rgba[1], 176);
  EXPECT_LT(green->rgba[2], 16);
  EXPECT_EQ(green->rgba[3], 255);
}

TEST(PictureCodecs, RefuseBrokenAndOversizedPictures) {
  LibraryPictureCodecs codecs;
  const std::string png = test::fixtureFile("pictures/red-3x2.png");
  const std::string jpeg = test::fixtureFile("pictures/green-8x4.jpg");
  EXPECT_FALSE(codecs.decodePng(png.substr(0, png.size() / 2)).has_value());
  EXPECT_FALSE(codecs.decodeJpeg(jpeg.substr(0, 20)).has_value());
  EXPECT_FALSE(codecs.decodePng(jpeg).has_value());
  EXPECT_FALSE(codecs.decodeJpeg(png).has_value());
  EXPECT_FALSE(codecs.decodePng("").has_value());
  EXPECT_FALSE(codecs.decodeJpeg("").has_value());
  // A header that claims 100000 x 100000 pixels is refused before anything is allocated.
  EXPECT_FALSE(codecs.decodePng(test::fixtureFile("pictures/huge-header.png")).has_value());
}

}  // namespace
}  // namespace kx
