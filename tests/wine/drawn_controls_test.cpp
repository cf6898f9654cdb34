// The controls the engine draws itself, made from definitions in a plain window and read back as
// a person (their pixels) and a screen reader (their accessible objects) would.
#include <gtest/gtest.h>
#include <oleacc.h>
#include <wincodec.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/forms/definition_text.h"
#include "dialogs/forms/form_model.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/drawn_controls.h"
#include "platform/win32/form_drawing.h"
#include "platform/win32/wic_picture_codecs.h"
#include "tests/fixture_files.h"

namespace kx {
namespace {

constexpr COLORREF kTeal = RGB(0, 128, 128);  // the test window's background
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kUnset = 0xFE000001;  // no COLORREF: a fallback that can't be mistaken

// ---- Pictures built here ----

void putLittleEndian(std::string& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
}

// A 24-bit BMP file, pixels given top row first.
std::string bmpFile(int width, int height, const std::function<COLORREF(int, int)>& pixel) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string bytes = "BM";
  putLittleEndian(bytes, 54 + stride * height, 4);
  putLittleEndian(bytes, 0, 4);
  putLittleEndian(bytes, 54, 4);
  for (const auto& [value, size] : std::vector<std::pair<uint32_t, int>>{{40, 4},
                                                                         {uint32_t(width), 4},
                                                                         {uint32_t(height), 4},
                                                                         {1, 2},
                                                                         {24, 2},
                                                                         {0, 4},
                                                                         {0, 4},
                                                                         {2835, 4},
                                                                         {2835, 4},
                                                                         {0, 4},
                                                                         {0, 4}}) {
    putLittleEndian(bytes, value, size);
  }
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF c = pixel(x, y);
      bytes += {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)),
                static_cast<char>(GetRValue(c))};
    }
    bytes.append(stride - width * 3, '\0');
  }
  return bytes;
}

// An ICO file with one 32-bit image, pixels given top row first. Pixels without alpha are
// masked out; with `alphaInColours` false the colours carry no alpha, only the mask tells.
std::string icoFile(int side, bool alphaInColours, const std::function<uint32_t(int, int)>& argb) {
  std::string image;
  for (const auto& [value, size] : std::vector<std::pair<uint32_t, int>>{{40, 4},
                                                                         {uint32_t(side), 4},
                                                                         {uint32_t(side * 2), 4},
                                                                         {1, 2},
                                                                         {32, 2},
                                                                         {0, 4},
                                                                         {0, 4},
                                                                         {0, 4},
                                                                         {0, 4},
                                                                         {0, 4},
                                                                         {0, 4}}) {
    putLittleEndian(image, value, size);
  }
  for (int y = side - 1; y >= 0; --y) {
    for (int x = 0; x < side; ++x) {
      putLittleEndian(image, alphaInColours ? argb(x, y) : argb(x, y) & 0xFFFFFF, 4);
    }
  }
  const int maskStride = (side + 31) / 32 * 4;
  for (int y = side - 1; y >= 0; --y) {
    std::string row(size_t(maskStride), '\0');
    for (int x = 0; x < side; ++x) {
      if (argb(x, y) >> 24 == 0) row[size_t(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
    image += row;
  }
  std::string bytes;
  putLittleEndian(bytes, 0, 2);
  putLittleEndian(bytes, 1, 2);
  putLittleEndian(bytes, 1, 2);
  bytes += {static_cast<char>(side), static_cast<char>(side), 0, 0};
  putLittleEndian(bytes, 1, 2);
  putLittleEndian(bytes, 32, 2);
  putLittleEndian(bytes, uint32_t(image.size()), 4);
  putLittleEndian(bytes, 22, 4);
  return bytes + image;
}

std::string hexOf(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

// A Picture.Data block holding a bitmap, in the text form of definitions.
std::string bitmapBlockText(const std::string& bmp) {
  std::string block = "\x07TBitmap";
  putLittleEndian(block, uint32_t(bmp.size()), 4);
  return "{" + hexOf(block + bmp) + "}";
}

std::string halvesRedBlue() {
  return bmpFile(8, 8, [](int x, int) { return x < 4 ? kRed : kBlue; });
}

// Pixels of a decoded picture, as premultiplied 0xAARRGGBB.
std::vector<uint32_t> pixelsOf(const PictureBitmap& picture) {
  DIBSECTION section{};
  GetObject(picture.bitmap, sizeof(section), &section);
  const auto* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
  return {bits, bits + size_t(picture.width) * picture.height};
}

// ---- The test window ----

struct Notification {
  HWND from;
  WORD code;
};

std::vector<Notification>* received = nullptr;

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static HBRUSH teal = CreateSolidBrush(kTeal);
  switch (message) {
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(teal);
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, teal);
      return 1;
    }
    case WM_COMMAND:
      if (received) {
        received->push_back({reinterpret_cast<HWND>(lParam), HIWORD(wParam)});
      }
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A definition's controls as drawn controls in a top-level window with a teal background.
class DrawnWindow {
 public:
  explicit DrawnWindow(const std::string& definition, FormScale scale = {}) {
    static const bool registered = [] {
      registerDrawnControlClasses(GetModuleHandleA(nullptr));
      WNDCLASSA windowClass{};
      windowClass.lpfnWndProc = testWindowProc;
      windowClass.hInstance = GetModuleHandleA(nullptr);
      windowClass.lpszClassName = "KxDrawnTest";
      return RegisterClassA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    // Screen readers' objects are handed over through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    form_ = DialogForm::fromDefinition(dfm::objectFromText(definition));
    EXPECT_TRUE(form_->skipped.empty()) << form_->skipped.front().property;
    // One top-level window for every test: under Wine without a window manager, hiding or
    // destroying a shown top-level window waits two seconds.
    static HWND host =
        CreateWindowExA(0, "KxDrawnTest", "Drawn controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    window_ = host;
    RECT frame{0, 0, scale(form_->host.integer("ClientWidth")),
               scale(form_->host.integer("ClientHeight"))};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    int id = 100;
    for (Control& control : form_->controls()) {
      DrawnControlState& state = states_.emplace_back();
      state.control = &control;
      state.scale = scale;
      state.pictures = &codecs_;
      HWND parent = control.parent() < 0 ? window_ : children_[size_t(control.parent())];
      children_.push_back(CreateWindowExA(
          0, drawnControlClass(control.className()), "", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
          scale(control.integer("Left")), scale(control.integer("Top")),
          scale(control.integer("Width")), scale(control.integer("Height")), parent,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), nullptr, &state));
      EXPECT_NE(children_.back(), nullptr) << control.name();
    }
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    pumpMessages();
    received = &notifications_;
  }
  DrawnWindow(const DrawnWindow&) = delete;
  DrawnWindow& operator=(const DrawnWindow&) = delete;
  ~DrawnWindow() {
    received = nullptr;
    for (size_t i = 0; i < children_.size(); ++i) {
      if (form_->controls()[i].parent() < 0) DestroyWindow(children_[i]);
    }
    pumpMessages();
    CoUninitialize();
  }

  HWND window() const { return window_; }
  DialogForm& form() { return *form_; }
  HWND child(std::string_view name) {
    for (size_t i = 0; i < form_->controls().size(); ++i) {
      if (form_->controls()[i].name() == name) return children_[i];
    }
    ADD_FAILURE() << "no control " << name;
    return nullptr;
  }
  DrawnControlState& state(std::string_view name) {
    for (size_t i = 0; i < form_->controls().size(); ++i) {
      if (form_->controls()[i].name() == name) return states_[i];
    }
    throw std::runtime_error("no control");
  }
  std::vector<Notification>& notifications() { return notifications_; }

  // The client area as it is on screen, 0x00RRGGBB per pixel, rows top first.
  struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    COLORREF at(int x, int y) const {
      const uint32_t p = pixels[size_t(y) * width + x];
      return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
  };
  Capture capture() {
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
    RECT client;
    GetClientRect(window_, &client);
    Capture shot{client.right, client.bottom, {}};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC screen = GetDC(window_);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    shot.pixels.assign(pixels, pixels + size_t(shot.width) * shot.height);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(window_, screen);
    DeleteObject(bitmap);
    return shot;
  }
  // A point of a control in the window's client coordinates.
  POINT at(std::string_view name, int x, int y) {
    POINT point{x, y};
    MapWindowPoints(child(name), window_, &point, 1);
    return point;
  }
  COLORREF colourAt(const Capture& shot, std::string_view name, int x, int y) {
    const POINT point = at(name, x, y);
    return shot.at(point.x, point.y);
  }

 private:
  std::unique_ptr<DialogForm> form_;
  WicPictureCodecs codecs_;
  std::deque<DrawnControlState> states_;
  std::vector<HWND> children_;
  HWND window_ = nullptr;
  std::vector<Notification> notifications_;
};

// ---- Colours, fonts and scale ----

TEST(FormDrawing, ColourFromText) {
  const COLORREF btnFace = GetSysColor(COLOR_BTNFACE);
  const struct {
    const char* text;
    COLORREF expected;
  } cases[] = {
      {"clBtnFace", btnFace},
      {"clbtnface", btnFace},
      {"clWindowText", GetSysColor(COLOR_WINDOWTEXT)},
      {"clMenuBar", GetSysColor(COLOR_MENUBAR)},
      {"clRed", kRed},
      {"clNavy", RGB(0, 0, 128)},
      {"clMoneyGreen", RGB(192, 220, 192)},
      {"clSkyBlue", RGB(166, 202, 240)},
      {"clCream", RGB(255, 251, 240)},
      {"clMedGray", RGB(160, 160, 164)},
      {"clLtGray", RGB(192, 192, 192)},
      {"clDkGray", RGB(128, 128, 128)},
      {"$000000FF", kRed},
      {"255", kRed},
      {"16711680", kBlue},
      {"0", RGB(0, 0, 0)},
      {"-16777201", btnFace},    // 0xFF00000F
      {"-2147483633", btnFace},  // 0x8000000F
      {"$FF000005", GetSysColor(COLOR_WINDOW)},
      {"clNone", kUnset},
      {"clDefault", kUnset},
      {"16777216", kUnset},   // 0x01000000: neither a colour nor a system colour
      {"-16777000", kUnset},  // a system colour index beyond the last
      {"clRedish", kUnset},
      {"", kUnset},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(colourFromText(c.text, kUnset), c.expected) << c.text;
  }
}

TEST(FormDrawing, EveryNamedColourOfTheFormModelIsKnown) {
  const PropertyDef* colour = controlKindOf("TShape").properties.front();
  for (const PropertyDef* def : controlKindOf("TShape").properties) {
    if (def->name == "Brush.Color") colour = def;
  }
  ASSERT_EQ(colour->name, "Brush.Color");
  ASSERT_GT(colour->names.size(), 50u);
  for (std::string_view name : colour->names) {
    const bool unset = name == "clNone" || name == "clDefault";
    EXPECT_EQ(colourFromText(name, kUnset) == kUnset, unset) << name;
  }
}

TEST(FormDrawing, ScaleRoundsToTheNearestPixel) {
  const struct {
    FormScale scale;
    int design;
    int expected;
  } cases[] = {
      {{96, 96}, 11, 11},   {{96, 144}, 11, 17}, {{96, 144}, 10, 15}, {{96, 120}, -3, -4},
      {{120, 96}, 100, 80}, {{96, 192}, 0, 0},   {{0, 144}, 7, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.scale(c.design), c.expected)
        << c.design << " at " << c.scale.designDpi << "->" << c.scale.screenDpi;
  }
}

TEST(FormDrawing, FontFromHeightElseSize) {
  const struct {
    const char* properties;
    FormScale scale;
    LONG height;
    LONG weight;
    bool italic;
    BYTE charset;
  } cases[] = {
      {"Font.Height = -11", {96, 96}, -11, FW_NORMAL, false, DEFAULT_CHARSET},
      {"Font.Height = -11", {96, 144}, -17, FW_NORMAL, false, DEFAULT_CHARSET},
      {"Font.Height = 16", {96, 144}, 24, FW_NORMAL, false, DEFAULT_CHARSET},
      {"Font.Height = 0\nFont.Size = 12", {96, 96}, -16, FW_NORMAL, false, DEFAULT_CHARSET},
      {"Font.Height = 0\nFont.Size = 12", {96, 144}, -24, FW_NORMAL, false, DEFAULT_CHARSET},
      {"Font.Height = 0\nFont.Size = 9", {120, 120}, -15, FW_NORMAL, false, DEFAULT_CHARSET},
      {"Font.Style = [fsBold, fsItalic]\nFont.Charset = RUSSIAN_CHARSET",
       {96, 96},
       -11,
       FW_BOLD,
       true,
       RUSSIAN_CHARSET},
  };
  for (const auto& c : cases) {
    const auto form = DialogForm::fromDefinition(dfm::objectFromText(
        std::string("object F: TPoolTemplate\n object P: TPanel\n  Font.Name = 'Arial'\n  ") +
        c.properties + "\n end\nend\n"));
    ASSERT_TRUE(form->skipped.empty()) << c.properties;
    HFONT font = createFont(form->controls()[0], c.scale);
    ASSERT_NE(font, nullptr);
    LOGFONTA logical{};
    GetObjectA(font, sizeof(logical), &logical);
    DeleteObject(font);
    EXPECT_EQ(logical.lfHeight, c.height) << c.properties;
    EXPECT_EQ(logical.lfWeight, c.weight) << c.properties;
    EXPECT_EQ(logical.lfItalic != 0, c.italic) << c.properties;
    EXPECT_EQ(logical.lfCharSet, c.charset) << c.properties;
    EXPECT_STREQ(logical.lfFaceName, "Arial");
  }
}

// ---- Pictures ----

TEST(FormDrawing, DecodesBitmapsIconsAndPng) {
  WicPictureCodecs codecs;
  const auto bitmap = decodePicture({"TBitmap", PictureKind::Bitmap, halvesRedBlue()}, codecs);
  ASSERT_TRUE(bitmap.has_value());
  EXPECT_EQ(bitmap->width, 8);
  EXPECT_EQ(bitmap->height, 8);
  auto pixels = pixelsOf(*bitmap);
  EXPECT_EQ(pixels[0], 0xFFFF0000u);          // top left, opaque red
  EXPECT_EQ(pixels[8 * 8 - 1], 0xFF0000FFu);  // bottom right, opaque blue

  // Half transparent green over a transparent right half: alpha premultiplied.
  const auto icon = decodePicture(
      {"TIcon", PictureKind::Icon,
       icoFile(16, true, [](int x, int) { return x < 8 ? 0x8000FF00u : 0x00FFFFFFu; })},
      codecs);
  ASSERT_TRUE(icon.has_value());
  EXPECT_EQ(icon->width, 16);
  pixels = pixelsOf(*icon);
  EXPECT_EQ(pixels[0], 0x80008000u);
  EXPECT_EQ(pixels[15], 0u);

  // Without alpha: the mask cuts out the right half.
  const auto masked = decodePicture(
      {"TIcon", PictureKind::Icon,
       icoFile(16, false, [](int x, int) { return x < 8 ? 0xFF0000FFu : 0x00FF0000u; })},
      codecs);
  ASSERT_TRUE(masked.has_value());
  pixels = pixelsOf(*masked);
  EXPECT_EQ(pixels[16 * 15], 0xFF0000FFu);
  EXPECT_EQ(pixels[16 * 15 + 15], 0u);

  const auto png = decodePicture(
      {"TPngImage", PictureKind::Png, test::fixtureFile("pictures/red-3x2.png")}, codecs);
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(png->width, 3);
  EXPECT_EQ(pixelsOf(*png)[0], 0xFFFF0000u);
}

TEST(FormDrawing, RefusesDamagedPictures) {
  WicPictureCodecs codecs;
  const std::string good = halvesRedBlue();
  std::string hugeWidth = good;
  hugeWidth[18] = '\xFF';
  hugeWidth[19] = '\xFF';
  hugeWidth[20] = '\xFF';
  std::string badDepth = good;
  badDepth[28] = 7;
  const struct {
    const char* what;
    Picture picture;
  } cases[] = {
      {"empty", {"TBitmap", PictureKind::Bitmap, ""}},
      {"pixels cut off", {"TBitmap", PictureKind::Bitmap, good.substr(0, good.size() - 10)}},
      {"header cut off", {"TBitmap", PictureKind::Bitmap, good.substr(0, 30)}},
      {"width beyond the data", {"TBitmap", PictureKind::Bitmap, hugeWidth}},
      {"seven bits a pixel", {"TBitmap", PictureKind::Bitmap, badDepth}},
      {"icon directory only", {"TIcon", PictureKind::Icon, std::string("\0\0\1\0\1\0", 6)}},
      {"bitmap called an icon", {"TIcon", PictureKind::Icon, good}},
      {"metafile", {"TMetafile", PictureKind::Metafile, "\x01\x00\x00\x00"}},
      {"JPEG that is not one", {"TJPEGImage", PictureKind::Jpeg, good}},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(decodePicture(c.picture, codecs).has_value()) << c.what;
  }
}

// ---- What a person sees ----

constexpr char kShapes[] = R"(object F: TPoolTemplate
  ClientWidth = 200
  ClientHeight = 100
  object Ellipse: TShape
    Left = 10
    Top = 10
    Width = 80
    Height = 60
    Shape = stEllipse
    Brush.Color = $000000FF
  end
  object Box: TShape
    Left = 100
    Top = 10
    Width = 60
    Height = 40
    Pen.Width = 3
    Pen.Color = clBlue
    Brush.Color = clYellow
  end
  object Clear: TShape
    Left = 100
    Top = 60
    Width = 30
    Height = 30
    Brush.Style = bsClear
  end
end
)";

TEST(DrawnControls, ShapesShowTheirColoursOverTheParent) {
  DrawnWindow window(kShapes);
  const auto shot = window.capture();
  EXPECT_EQ(window.colourAt(shot, "Ellipse", 40, 30), kRed);
  EXPECT_EQ(window.colourAt(shot, "Ellipse", 2, 2), kTeal);  // outside the ellipse
  EXPECT_EQ(window.colourAt(shot, "Ellipse", 77, 57), kTeal);
  EXPECT_EQ(window.colourAt(shot, "Ellipse", 40, 0), RGB(0, 0, 0));  // its outline, inside
  // A 3-pixel pen, drawn inside the control.
  for (int x : {0, 1, 2, 58, 59}) EXPECT_EQ(window.colourAt(shot, "Box", x, 20), kBlue) << x;
  EXPECT_EQ(window.colourAt(shot, "Box", 3, 20), RGB(255, 255, 0));
  EXPECT_EQ(window.colourAt(shot, "Clear", 15, 15), kTeal);
  EXPECT_EQ(window.colourAt(shot, "Clear", 0, 15), RGB(0, 0, 0));
}

TEST(DrawnControls, ShapesAndImagesReportClicks) {
  DrawnWindow window(kShapes);
  SendMessageA(window.child("Box"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageA(window.child("Box"), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  // Released outside: no click.
  SendMessageA(window.child("Ellipse"), WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
  ASSERT_EQ(window.notifications().size(), 1u);
  EXPECT_EQ(window.notifications()[0].from, window.child("Box"));
  EXPECT_EQ(window.notifications()[0].code, BN_CLICKED);
}

std::string gauges(const std::string& kind, int progress) {
  return R"(object F: TPoolTemplate
  ClientWidth = 240
  ClientHeight = 120
  object Gauge: TGauge
    Left = 10
    Top = 10
    Width = 202
    Height = 30
    ForeColor = clNavy
    Kind = )" +
         kind + "\n    Progress = " + std::to_string(progress) + R"(
  end
  object Vertical: TGauge
    Left = 10
    Top = 50
    Width = 20
    Height = 52
    Kind = gkVerticalBar
    MinValue = 100
    MaxValue = 300
    Progress = 150
    ForeColor = clRed
    ShowText = False
  end
end
)";
}

int countInRow(const DrawnWindow::Capture& shot, POINT from, int length, COLORREF colour) {
  int count = 0;
  for (int i = 0; i < length; ++i) count += shot.at(from.x + i, from.y) == colour;
  return count;
}

TEST(DrawnControls, GaugeFillsItsShareOfTheBar) {
  const struct {
    int progress;
    int filled;
  } cases[] = {{0, 0}, {40, 80}, {99, 198}, {100, 200}, {150, 200}, {-5, 0}};
  for (const auto& c : cases) {
    DrawnWindow window(gauges("gkHorizontalBar", c.progress));
    const auto shot = window.capture();
    // A row above the text; the border takes one pixel on each side.
    const int navy = countInRow(shot, window.at("Gauge", 1, 3), 200, RGB(0, 0, 128));
    EXPECT_NEAR(navy, c.filled, 1) << c.progress;
    EXPECT_EQ(countInRow(shot, window.at("Gauge", 1, 3), 200, RGB(255, 255, 255)), 200 - navy);
    EXPECT_EQ(window.colourAt(shot, "Gauge", 0, 15), RGB(0, 0, 0));  // border
    // A quarter of the vertical one, from the bottom: 50 inner pixels.
    int red = 0;
    for (int y = 1; y < 51; ++y) red += window.colourAt(shot, "Vertical", 10, y) == kRed;
    EXPECT_NEAR(red, 13, 1);
    EXPECT_EQ(window.colourAt(shot, "Vertical", 10, 49), kRed);
    EXPECT_EQ(window.colourAt(shot, "Vertical", 10, 2), RGB(255, 255, 255));
  }
}

TEST(DrawnControls, GaugeShowsItsPercentageInBothColours) {
  DrawnWindow window(gauges("gkHorizontalBar", 50));
  const auto shot = window.capture();
  // Text straddles the fill's edge: navy letters on white, white ones on navy.
  int navyInWhitePart = 0;
  int whiteInNavyPart = 0;
  for (int y = 4; y < 26; ++y) {
    const POINT left = window.at("Gauge", 80, y);
    const POINT right = window.at("Gauge", 102, y);
    whiteInNavyPart += countInRow(shot, left, 21, RGB(255, 255, 255));
    navyInWhitePart += countInRow(shot, right, 21, RGB(0, 0, 128));
  }
  EXPECT_GT(navyInWhitePart, 5);
  EXPECT_GT(whiteInNavyPart, 5);
  // Pie and needle kinds draw the share in the fore colour.
  for (const char* kind : {"gkPie", "gkNeedle"}) {
    DrawnWindow round(gauges(kind, 50));
    const auto roundShot = round.capture();
    int navy = 0;
    for (int y = 0; y < 30; ++y)
      navy += countInRow(roundShot, round.at("Gauge", 0, y), 202, RGB(0, 0, 128));
    EXPECT_GT(navy, 20) << kind;
  }
}

std::string images() {
  const std::string block = bitmapBlockText(halvesRedBlue());
  return R"(object F: TPoolTemplate
  ClientWidth = 200
  ClientHeight = 60
  object Natural: TImage
    Left = 10
    Top = 10
    Width = 30
    Height = 30
    Picture.Data = )" +
         block + R"(
  end
  object Twice: TImage
    Left = 50
    Top = 10
    Width = 16
    Height = 16
    Stretch = True
    Picture.Data = )" +
         block + R"(
  end
  object Fitted: TImage
    Left = 80
    Top = 10
    Width = 40
    Height = 20
    Stretch = True
    Proportional = True
    Center = True
    Hint = 'Company logo'
    Picture.Data = )" +
         block + R"(
  end
  object Keyed: TImage
    Left = 130
    Top = 10
    Width = 8
    Height = 8
    Transparent = True
    Picture.Data = )" +
         block + R"(
  end
end
)";
}

TEST(DrawnControls, ImagesKeepTheirColoursWhenScaled) {
  for (const FormScale scale : {FormScale{96, 96}, FormScale{96, 144}}) {
    DrawnWindow window(images(), scale);
    const auto shot = window.capture();
    const int s = scale(8);  // the picture's side at this scale
    EXPECT_EQ(window.colourAt(shot, "Natural", 0, 0), kRed);
    EXPECT_EQ(window.colourAt(shot, "Natural", s - 1, s - 1), kBlue);
    EXPECT_EQ(window.colourAt(shot, "Natural", s + 1, 2), kTeal);
    // Twice the size: the halves stay pure but for the pixels where they meet.
    const int twice = scale(16);
    for (int y = 0; y < twice; y += 3) {
      for (int x = 0; x < twice / 2 - 2; ++x) {
        EXPECT_EQ(window.colourAt(shot, "Twice", x, y), kRed) << x << "," << y;
        EXPECT_EQ(window.colourAt(shot, "Twice", twice - 1 - x, y), kBlue) << x << "," << y;
      }
    }
    // Fitted into 40 x 20 keeping its square shape, centred: teal on both sides.
    EXPECT_EQ(window.colourAt(shot, "Fitted", scale(5), scale(10)), kTeal);
    EXPECT_EQ(window.colourAt(shot, "Fitted", scale(12), scale(10)), kRed);
    EXPECT_EQ(window.colourAt(shot, "Fitted", scale(28), scale(10)), kBlue);
    EXPECT_EQ(window.colourAt(shot, "Fitted", scale(35), scale(10)), kTeal);
    // Transparent: the bottom left pixel's colour lets the background through.
    EXPECT_EQ(window.colourAt(shot, "Keyed", 0, 0), kTeal);
    EXPECT_EQ(window.colourAt(shot, "Keyed", scale(8) - 1, 0), kBlue);
  }
}

constexpr char kPanel[] = R"(object F: TPoolTemplate
  ClientWidth = 200
  ClientHeight = 100
  object Frame: TPanel
    Left = 10
    Top = 10
    Width = 150
    Height = 80
    Caption = '&Options'
    Color = clYellow
    BevelOuter = bvLowered
    object Inner: TShape
      Left = 100
      Top = 50
      Width = 20
      Height = 20
      Brush.Color = clLime
      Shape = stEllipse
    end
  end
  object Line: TBevel
    Left = 170
    Top = 10
    Width = 20
    Height = 40
  end
end
)";

TEST(DrawnControls, PanelHoldsItsChildrenAndPassesTheirNotifications) {
  DrawnWindow window(kPanel);
  const auto shot = window.capture();
  EXPECT_EQ(window.colourAt(shot, "Frame", 20, 20), RGB(255, 255, 0));
  EXPECT_EQ(window.colourAt(shot, "Frame", 0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(window.colourAt(shot, "Frame", 149, 79), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(window.colourAt(shot, "Inner", 10, 10), RGB(0, 255, 0));
  EXPECT_EQ(window.colourAt(shot, "Inner", 1, 1), RGB(255, 255, 0));  // the panel's colour
  // The caption, centred.
  int dark = 0;
  for (int y = 30; y < 50; ++y) {
    for (int x = 50; x < 100; ++x) {
      const COLORREF c = window.colourAt(shot, "Frame", x, y);
      dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
    }
  }
  EXPECT_GT(dark, 20);
  // A lowered box: shadow above, highlight below.
  EXPECT_EQ(window.colourAt(shot, "Line", 5, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(window.colourAt(shot, "Line", 5, 39), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(window.colourAt(shot, "Line", 10, 20), kTeal);

  SendMessageA(window.child("Inner"), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_EQ(window.notifications().size(), 1u);
  EXPECT_EQ(window.notifications()[0].from, window.child("Inner"));
  EXPECT_EQ(window.notifications()[0].code, BN_CLICKED);
}

std::string checkList(int items, int height) {
  std::string lines;
  for (int i = 1; i <= items; ++i) lines += " 'Item " + std::to_string(i) + "'";
  return R"(object F: TPoolTemplate
  ClientWidth = 200
  ClientHeight = 200
  object Components: TCheckListBox
    Left = 10
    Top = 10
    Width = 150
    Height = )" +
         std::to_string(height) + "\n    Hint = 'Components'\n    Items.Strings = (" + lines +
         ")\n  end\nend\n";
}

// Where a check list's item is on screen, as its screen-reader object says.
RECT itemOnScreen(HWND list, int index) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(list, OBJID_CLIENT, __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&accessible)))) {
    ADD_FAILURE() << "no accessible object";
    return {};
  }
  long left = 0, top = 0, width = 0, height = 0;
  VARIANT child{};
  child.vt = VT_I4;
  child.lVal = index + 1;
  EXPECT_EQ(accessible->accLocation(&left, &top, &width, &height, child), S_OK);
  accessible->Release();
  return {left, top, left + width, top + height};
}

// Dark pixels inside item `index`'s check box (a check mark).
int checkMarkPixels(DrawnWindow& window, const DrawnWindow::Capture& shot, int index) {
  const RECT item = itemOnScreen(window.child("Components"), index);
  POINT origin{item.left, item.top};
  ScreenToClient(window.window(), &origin);
  int dark = 0;
  for (int y = origin.y + 3; y < origin.y + (item.bottom - item.top) - 3; ++y) {
    for (int x = origin.x + 5; x < origin.x + 13; ++x) {
      const COLORREF c = shot.at(x, y);
      dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
    }
  }
  return dark;
}

TEST(DrawnControls, CheckListShowsChecksAndAnswersKeysAndClicks) {
  DrawnWindow window(checkList(3, 80));
  window.state("Components").checks = {false, true, false};
  refreshDrawnControl(window.child("Components"));
  auto shot = window.capture();
  EXPECT_EQ(checkMarkPixels(window, shot, 0), 0);
  EXPECT_GT(checkMarkPixels(window, shot, 1), 5);
  EXPECT_EQ(checkMarkPixels(window, shot, 2), 0);

  HWND list = window.child("Components");
  SetFocus(list);
  SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);  // selects the first
  SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(window.form().controls()[0].itemIndex(), 1);
  EXPECT_EQ(window.state("Components").checks, (std::vector<bool>{true, true, false}));
  // A click on the third item's box ticks it; a click on its text only selects.
  auto clickItem = [&](int index, int x) {
    const RECT item = itemOnScreen(list, index);
    POINT point{item.left + x, (item.top + item.bottom) / 2};
    ScreenToClient(list, &point);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  };
  clickItem(2, 60);
  EXPECT_EQ(window.form().controls()[0].itemIndex(), 2);
  EXPECT_EQ(window.state("Components").checks, (std::vector<bool>{true, true, false}));
  clickItem(2, 8);
  EXPECT_EQ(window.state("Components").checks, (std::vector<bool>{true, true, true}));
  shot = window.capture();
  EXPECT_GT(checkMarkPixels(window, shot, 0), 5);
  EXPECT_GT(checkMarkPixels(window, shot, 2), 5);

  std::vector<WORD> codes;
  for (const Notification& n : window.notifications()) {
    EXPECT_EQ(n.from, list);
    codes.push_back(n.code);
  }
  EXPECT_EQ(codes, (std::vector<WORD>{LBN_SELCHANGE, kCheckListCheckChanged, LBN_SELCHANGE,
                                      LBN_SELCHANGE, kCheckListCheckChanged}));
}

// ---- What a screen reader hears ----

struct Heard {
  long role = 0;
  std::string name;
  long state = 0;
  std::string value;
  long children = 0;
};

std::string narrow(BSTR text) {
  std::string result;
  if (text) {
    for (const wchar_t* c = text; *c; ++c) result += static_cast<char>(*c);
    SysFreeString(text);
  }
  return result;
}

Heard hear(HWND window, long child = CHILDID_SELF) {
  Heard heard;
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&accessible)))) {
    ADD_FAILURE() << "no accessible object";
    return heard;
  }
  VARIANT id{};
  id.vt = VT_I4;
  id.lVal = child;
  VARIANT role{};
  if (accessible->get_accRole(id, &role) == S_OK) heard.role = role.lVal;
  BSTR text = nullptr;
  if (accessible->get_accName(id, &text) == S_OK) heard.name = narrow(text);
  VARIANT state{};
  if (accessible->get_accState(id, &state) == S_OK) heard.state = state.lVal;
  text = nullptr;
  if (accessible->get_accValue(id, &text) == S_OK) heard.value = narrow(text);
  if (child == CHILDID_SELF) accessible->get_accChildCount(&heard.children);
  accessible->Release();
  return heard;
}

TEST(DrawnControls, ScreenReadersHearRoleNameStateAndValue) {
  DrawnWindow shapes(kShapes);
  DrawnWindow gauge(gauges("gkHorizontalBar", 40));
  DrawnWindow pictures(images());
  DrawnWindow panel(kPanel);
  DrawnWindow list(checkList(3, 80));
  EnableWindow(panel.child("Line"), FALSE);
  const struct {
    HWND window;
    long role;
    const char* name;
    const char* value;
  } cases[] = {
      {shapes.child("Ellipse"), ROLE_SYSTEM_GRAPHIC, "Ellipse", ""},
      {gauge.child("Gauge"), ROLE_SYSTEM_PROGRESSBAR, "Gauge", "40%"},
      {gauge.child("Vertical"), ROLE_SYSTEM_PROGRESSBAR, "Vertical", "25%"},
      {pictures.child("Fitted"), ROLE_SYSTEM_GRAPHIC, "Company logo", ""},
      {panel.child("Frame"), ROLE_SYSTEM_GROUPING, "Options", ""},
      {panel.child("Line"), ROLE_SYSTEM_SEPARATOR, "Line", ""},
      {list.child("Components"), ROLE_SYSTEM_LIST, "Components", ""},
  };
  for (const auto& c : cases) {
    const Heard heard = hear(c.window);
    EXPECT_EQ(heard.role, c.role) << c.name;
    EXPECT_EQ(heard.name, c.name);
    EXPECT_EQ(heard.value, c.value) << c.name;
  }
  EXPECT_TRUE(hear(panel.child("Line")).state & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_FALSE(hear(panel.child("Frame")).state & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_TRUE(hear(gauge.child("Gauge")).state & STATE_SYSTEM_READONLY);
}

TEST(DrawnControls, ScreenReadersHearCheckListItems) {
  DrawnWindow window(checkList(20, 60));
  HWND list = window.child("Components");
  window.state("Components").checks[1] = true;
  SetFocus(list);
  SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(hear(list).children, 20);
  const Heard second = hear(list, 2);
  EXPECT_EQ(second.role, ROLE_SYSTEM_CHECKBUTTON);
  EXPECT_EQ(second.name, "Item 2");
  EXPECT_TRUE(second.state & STATE_SYSTEM_CHECKED);
  EXPECT_TRUE(second.state & STATE_SYSTEM_SELECTED);
  EXPECT_TRUE(second.state & STATE_SYSTEM_FOCUSED);
  const Heard first = hear(list, 1);
  EXPECT_FALSE(first.state & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_SELECTED));
  EXPECT_TRUE(hear(list, 20).state & STATE_SYSTEM_OFFSCREEN);
  // End scrolls the last item into view and the first out of it.
  SendMessageA(list, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(window.form().controls()[0].itemIndex(), 19);
  EXPECT_FALSE(hear(list, 20).state & STATE_SYSTEM_OFFSCREEN);
  EXPECT_TRUE(hear(list, 1).state & STATE_SYSTEM_OFFSCREEN);
  SCROLLINFO scroll{sizeof(scroll), SIF_POS};
  GetScrollInfo(list, SB_VERT, &scroll);
  EXPECT_GT(scroll.nPos, 0);
}

std::vector<std::pair<DWORD, HWND>>* events = nullptr;

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                      DWORD) {
  if (events && object == OBJID_CLIENT && child == CHILDID_SELF) events->push_back({event, window});
}

TEST(DrawnControls, ChangesAreAnnounced) {
  DrawnWindow gauge(gauges("gkHorizontalBar", 40));
  DrawnWindow panel(kPanel);
  std::vector<std::pair<DWORD, HWND>> heard;
  events = &heard;
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
                                       onEvent, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  refreshDrawnControl(gauge.child("Gauge"));  // nothing changed: nothing said
  gauge.form().setPropertyText("Gauge", "Progress", "75");
  refreshDrawnControl(gauge.child("Gauge"));
  gauge.form().setPropertyText("Gauge", "Progress", "75");
  refreshDrawnControl(gauge.child("Gauge"));  // the same value again
  panel.form().setPropertyText("Frame", "Caption", "Choices");
  refreshDrawnControl(panel.child("Frame"));
  pumpMessages();
  UnhookWinEvent(hook);
  events = nullptr;
  const std::vector<std::pair<DWORD, HWND>> expected{
      {EVENT_OBJECT_VALUECHANGE, gauge.child("Gauge")},
      {EVENT_OBJECT_NAMECHANGE, panel.child("Frame")}};
  std::vector<std::pair<DWORD, HWND>> ours;
  for (const auto& e : heard) {
    if (e.second == gauge.child("Gauge") || e.second == panel.child("Frame")) ours.push_back(e);
  }
  EXPECT_EQ(ours, expected);
  EXPECT_EQ(hear(gauge.child("Gauge")).value, "75%");
  EXPECT_EQ(hear(panel.child("Frame")).name, "Choices");
}

// ---- One picture of every kind, for people to look at ----

bool savePng(const DrawnWindow::Capture& shot, const std::wstring& path) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.out()))) &&
         SUCCEEDED(factory->CreateStream(stream.out())) &&
         SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
         SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(frame.out(), nullptr)) &&
         SUCCEEDED(frame->Initialize(nullptr)) &&
         SUCCEEDED(frame->SetSize(shot.width, shot.height)) &&
         SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(
             shot.height, shot.width * 4, static_cast<UINT>(shot.pixels.size() * 4),
             reinterpret_cast<BYTE*>(const_cast<uint32_t*>(shot.pixels.data())))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

TEST(DrawnControls, ScreenshotOfEveryKind) {
  const std::string logo =
      bitmapBlockText(bmpFile(16, 16, [](int x, int y) { return RGB(x * 16, y * 16, 160); }));
  DrawnWindow window(R"(object F: TPoolTemplate
  ClientWidth = 560
  ClientHeight = 150
  object Shape1: TShape
    Left = 10
    Top = 10
    Width = 70
    Height = 50
    Shape = stRoundRect
    Brush.Color = clSkyBlue
    Pen.Color = clNavy
    Pen.Width = 2
  end
  object Shape2: TShape
    Left = 10
    Top = 70
    Width = 70
    Height = 70
    Shape = stCircle
    Brush.Color = clRed
    Brush.Style = bsDiagCross
  end
  object Bevel1: TBevel
    Left = 90
    Top = 10
    Width = 60
    Height = 60
    Shape = bsFrame
  end
  object Bevel2: TBevel
    Left = 90
    Top = 90
    Width = 60
    Height = 10
    Shape = bsTopLine
  end
  object Panel1: TPanel
    Left = 160
    Top = 10
    Width = 120
    Height = 130
    Caption = 'Panel'
    Color = clCream
    BevelInner = bvLowered
    BevelWidth = 2
    Alignment = taLeftJustify
    object Shape3: TShape
      Left = 70
      Top = 90
      Width = 30
      Height = 30
      Shape = stEllipse
      Brush.Color = clLime
    end
  end
  object Image1: TImage
    Left = 290
    Top = 10
    Width = 64
    Height = 64
    Stretch = True
    Picture.Data = )" +
                     logo + R"(
  end
  object Gauge1: TGauge
    Left = 290
    Top = 90
    Width = 120
    Height = 22
    ForeColor = clNavy
    Progress = 40
  end
  object Gauge2: TGauge
    Left = 360
    Top = 10
    Width = 60
    Height = 60
    Kind = gkPie
    ForeColor = clGreen
    Progress = 70
  end
  object Gauge3: TGauge
    Left = 290
    Top = 118
    Width = 60
    Height = 30
    Kind = gkNeedle
    Progress = 25
  end
  object CheckListBox1: TCheckListBox
    Left = 430
    Top = 10
    Width = 120
    Height = 130
    Items.Strings = ('Program files' 'Documentation' 'Examples' 'Source code' 'Fonts' 'Extras' 'More' 'Even more')
    ItemIndex = 1
  end
end
)");
  window.state("CheckListBox1").checks = {true, true, false, true};
  refreshDrawnControl(window.child("CheckListBox1"));
  SetFocus(window.child("CheckListBox1"));
  const auto shot = window.capture();
  CreateDirectoryA(KX_SOURCE_DIR "/build", nullptr);
  CreateDirectoryA(KX_SOURCE_DIR "/build/win64", nullptr);
  CreateDirectoryA(KX_SOURCE_DIR "/build/win64/tests", nullptr);
  const std::string path = KX_SOURCE_DIR "/build/win64/tests/drawn_controls.png";
  EXPECT_TRUE(savePng(shot, std::wstring(path.begin(), path.end())));
  // Not one blank area: every control put something other than the background there.
  const struct {
    const char* name;
    int x;
    int y;
  } marks[] = {{"Shape1", 35, 25}, {"Shape2", 35, 35},      {"Bevel1", 0, 30}, {"Bevel2", 30, 0},
               {"Panel1", 60, 60}, {"Image1", 32, 32},      {"Gauge1", 5, 11}, {"Gauge2", 30, 30},
               {"Gauge3", 30, 20}, {"CheckListBox1", 60, 5}};
  for (const auto& mark : marks) {
    EXPECT_NE(window.colourAt(shot, mark.name, mark.x, mark.y), kTeal) << mark.name;
  }
}

}  // namespace
}  // namespace kx
