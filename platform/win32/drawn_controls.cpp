#include "platform/win32/drawn_controls.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <numbers>
#include <optional>
#include <string>

#include "dialogs/forms/picture.h"
#include "platform/win32/ansi_text.h"

namespace kx {
namespace {

enum class Kind { Shape, Bevel, Panel, Image, Gauge, CheckList };

struct KindClass {
  Kind kind;
  std::string_view controlClass;
  const char* windowClass;
};

constexpr KindClass kKindClasses[] = {
    {Kind::Shape, "TShape", "KxDrawnShape"}, {Kind::Bevel, "TBevel", "KxDrawnBevel"},
    {Kind::Panel, "TPanel", "KxDrawnPanel"}, {Kind::Image, "TImage", "KxDrawnImage"},
    {Kind::Gauge, "TGauge", "KxDrawnGauge"}, {Kind::CheckList, "TCheckListBox", "KxDrawnCheckList"},
};

class Accessible;

// What a drawn control's window keeps between messages.
struct Drawn {
  HWND window = nullptr;
  DrawnControlState* state = nullptr;
  Kind kind = Kind::Shape;
  HFONT font = nullptr;
  HBRUSH background = nullptr;  // panels: their colour, for the drawn controls inside them
  // Images: the decoded picture and the block it came from.
  std::string pictureBlock;
  std::optional<PictureBitmap> picture;
  // Check lists.
  int topItem = 0;
  int itemHeight = 16;
  // What screen readers were last told.
  int reportedPercent = -1;
  std::string reportedName;
  Accessible* accessible = nullptr;

  Control& control() const { return *state->control; }
  int scale(int designPixels) const { return state->scale(designPixels); }
};

Drawn* drawnOf(HWND window) {
  return reinterpret_cast<Drawn*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// ---- Reading the form model ----

Lines itemsOf(const Drawn& drawn) {
  return drawn.control().lines("Items");
}

int percentOf(const Control& control) {
  const int64_t low = control.integer("MinValue");
  const int64_t high = control.integer("MaxValue");
  if (high <= low) return 100;
  const int64_t progress = std::clamp<int64_t>(control.integer("Progress"), low, high);
  return static_cast<int>((progress - low) * 100 / (high - low));
}

// Checks kept for every item, and an item index that names one.
void fitChecks(Drawn& drawn) {
  drawn.state->checks.resize(itemsOf(drawn).size(), false);
}

// Name for screen readers: the caption where there is one, else the hint, else the name.
std::string accessibleName(const Control& control) {
  if (const auto caption = control.propertyText("Caption"); caption && !caption->empty()) {
    std::string text;
    for (size_t i = 0; i < caption->size(); ++i) {
      if ((*caption)[i] == '&' && i + 1 < caption->size()) ++i;  // accelerator marks
      text += (*caption)[i];
    }
    return text;
  }
  if (!control.hint().empty()) return control.hint();
  return control.name();
}

COLORREF colourOf(const Control& control, std::string_view property, COLORREF fallback) {
  return colourFromText(control.text(property), fallback);
}

// ---- Painting ----

// The parent's background, as it answers WM_CTLCOLORSTATIC for its static children.
void fillParentBackground(HWND window, HDC dc, const RECT& area) {
  HWND parent = GetParent(window);
  auto brush = reinterpret_cast<HBRUSH>(parent ? SendMessageA(parent, WM_CTLCOLORSTATIC,
                                                              reinterpret_cast<WPARAM>(dc),
                                                              reinterpret_cast<LPARAM>(window))
                                               : 0);
  FillRect(dc, &area, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() {
    if (object_) DeleteObject(object_);
  }
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  ~Selected() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

template <typename T, size_t N>
T lookup(const std::pair<std::string_view, T> (&table)[N], const std::string& name, T fallback) {
  for (const auto& [key, value] : table) {
    if (key == name) return value;
  }
  return fallback;
}

constexpr std::pair<std::string_view, int> kPenModes[] = {
    {"pmBlack", R2_BLACK},
    {"pmWhite", R2_WHITE},
    {"pmNop", R2_NOP},
    {"pmNot", R2_NOT},
    {"pmCopy", R2_COPYPEN},
    {"pmNotCopy", R2_NOTCOPYPEN},
    {"pmMergePenNot", R2_MERGEPENNOT},
    {"pmMaskPenNot", R2_MASKPENNOT},
    {"pmMergeNotPen", R2_MERGENOTPEN},
    {"pmMaskNotPen", R2_MASKNOTPEN},
    {"pmMerge", R2_MERGEPEN},
    {"pmNotMerge", R2_NOTMERGEPEN},
    {"pmMask", R2_MASKPEN},
    {"pmNotMask", R2_NOTMASKPEN},
    {"pmXor", R2_XORPEN},
    {"pmNotXor", R2_NOTXORPEN},
};

constexpr std::pair<std::string_view, int> kPenStyles[] = {
    // Solid pens are drawn inside the figure's rectangle, so they stay inside the control.
    {"psSolid", PS_INSIDEFRAME},
    {"psDash", PS_DASH},
    {"psDot", PS_DOT},
    {"psDashDot", PS_DASHDOT},
    {"psDashDotDot", PS_DASHDOTDOT},
    {"psClear", PS_NULL},
    {"psInsideFrame", PS_INSIDEFRAME},
};

constexpr std::pair<std::string_view, int> kHatches[] = {
    {"bsHorizontal", HS_HORIZONTAL}, {"bsVertical", HS_VERTICAL}, {"bsFDiagonal", HS_FDIAGONAL},
    {"bsBDiagonal", HS_BDIAGONAL},   {"bsCross", HS_CROSS},       {"bsDiagCross", HS_DIAGCROSS},
};

void paintShape(const Drawn& drawn, HDC dc, RECT area) {
  const Control& control = drawn.control();
  const std::string shape = control.text("Shape");
  const std::string penStyle = control.text("Pen.Style");
  const std::string brushStyle = control.text("Brush.Style");
  const int penWidth = std::max(1, drawn.scale(control.integer("Pen.Width")));
  const COLORREF brushColour = colourOf(control, "Brush.Color", RGB(255, 255, 255));
  GdiObject pen(penStyle == "psClear" ? nullptr
                                      : CreatePen(lookup(kPenStyles, penStyle, PS_SOLID), penWidth,
                                                  colourOf(control, "Pen.Color", RGB(0, 0, 0))));
  const int hatch = lookup(kHatches, brushStyle, -1);
  GdiObject brush(brushStyle == "bsClear" ? nullptr
                  : hatch >= 0            ? CreateHatchBrush(hatch, brushColour)
                                          : CreateSolidBrush(brushColour));
  Selected penChoice(dc, pen.get() ? pen.get() : GetStockObject(NULL_PEN));
  Selected brushChoice(dc, brush.get() ? brush.get() : GetStockObject(NULL_BRUSH));
  SetBkMode(dc, TRANSPARENT);
  SetROP2(dc, lookup(kPenModes, control.text("Pen.Mode"), R2_COPYPEN));
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  if (shape == "stSquare" || shape == "stRoundSquare" || shape == "stCircle") {
    const int side = std::min(width, height);
    area.left += (width - side) / 2;
    area.top += (height - side) / 2;
    area.right = area.left + side;
    area.bottom = area.top + side;
    width = height = side;
  }
  // Without a pen, figures are filled one pixel short of their right and bottom edges.
  const int right = area.right + (pen.get() ? 0 : 1);
  const int bottom = area.bottom + (pen.get() ? 0 : 1);
  if (shape == "stEllipse" || shape == "stCircle") {
    Ellipse(dc, area.left, area.top, right, bottom);
  } else if (shape == "stRoundRect" || shape == "stRoundSquare") {
    const int corner = std::min(width, height) / 4;
    RoundRect(dc, area.left, area.top, right, bottom, corner, corner);
  } else {
    Rectangle(dc, area.left, area.top, right, bottom);
  }
}

void paintBevel(const Drawn& drawn, HDC dc, RECT area) {
  const Control& control = drawn.control();
  const std::string shape = control.text("Shape");
  const bool raised = control.text("Style") == "bsRaised";
  if (shape == "bsSpacer") return;
  if (shape == "bsBox") {
    DrawEdge(dc, &area, raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    return;
  }
  const UINT edge = raised ? EDGE_BUMP : EDGE_ETCHED;
  if (shape == "bsFrame") {
    DrawEdge(dc, &area, edge, BF_RECT);
    return;
  }
  const UINT side = shape == "bsTopLine"      ? BF_TOP
                    : shape == "bsBottomLine" ? BF_BOTTOM
                    : shape == "bsLeftLine"   ? BF_LEFT
                                              : BF_RIGHT;
  DrawEdge(dc, &area, edge, side);
}

UINT bevelEdge(const std::string& cut) {
  if (cut == "bvLowered") return BDR_SUNKENOUTER;
  if (cut == "bvRaised") return BDR_RAISEDINNER;
  return 0;  // bvNone, bvSpace: room only
}

void drawBevelRing(HDC dc, RECT* area, const std::string& cut, int width) {
  if (cut == "bvNone") return;
  const UINT edge = bevelEdge(cut);
  for (int i = 0; i < width; ++i) {
    if (edge) DrawEdge(dc, area, edge, BF_RECT);
    InflateRect(area, -1, -1);
  }
}

UINT alignmentFlags(const std::string& alignment) {
  if (alignment == "taLeftJustify") return DT_LEFT;
  if (alignment == "taRightJustify") return DT_RIGHT;
  return DT_CENTER;
}

void drawCaption(const Drawn& drawn, HDC dc, RECT area, const std::string& text, UINT flags) {
  if (text.empty()) return;
  Selected font(dc, drawn.font);
  SetBkMode(dc, TRANSPARENT);
  const bool enabled = IsWindowEnabled(drawn.window);
  if (!enabled) {
    // Engraved, as the system shows disabled captions.
    RECT shadow = area;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &shadow, flags);
  }
  SetTextColor(dc, enabled ? fontColour(drawn.control()) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
}

void paintPanel(const Drawn& drawn, HDC dc, RECT area) {
  const Control& control = drawn.control();
  FillRect(dc, &area, drawn.background);
  if (control.text("BorderStyle") == "bsSingle") {
    FrameRect(dc, &area, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&area, -1, -1);
  }
  const int bevelWidth = std::max(1, drawn.scale(control.integer("BevelWidth")));
  drawBevelRing(dc, &area, control.text("BevelOuter"), bevelWidth);
  const int border = drawn.scale(control.integer("BorderWidth"));
  InflateRect(&area, -border, -border);
  drawBevelRing(dc, &area, control.text("BevelInner"), bevelWidth);
  drawCaption(drawn, dc, area, control.text("Caption"),
              alignmentFlags(control.text("Alignment")) | DT_VCENTER | DT_SINGLELINE);
}

// The bottom-left pixel's colour made transparent, as transparent bitmaps are drawn.
void keyOutCornerColour(PictureBitmap& picture) {
  DIBSECTION section{};
  if (GetObject(picture.bitmap, sizeof(section), &section) != sizeof(section)) return;
  GdiFlush();
  auto* pixels = static_cast<uint32_t*>(section.dsBm.bmBits);
  const size_t count = size_t(picture.width) * picture.height;
  const uint32_t key = pixels[count - picture.width];
  for (size_t i = 0; i < count; ++i) {
    if (pixels[i] == key) pixels[i] = 0;
  }
}

void loadPicture(Drawn& drawn) {
  std::string block = drawn.control().dataBytes("Picture");
  if (drawn.picture && block == drawn.pictureBlock) return;
  drawn.pictureBlock = std::move(block);
  drawn.picture.reset();
  const auto picture = pictureFromBlock(drawn.pictureBlock);
  if (!picture || !drawn.state->pictures) return;
  drawn.picture = decodePicture(*picture, *drawn.state->pictures);
  if (drawn.picture && picture->kind == PictureKind::Bitmap &&
      drawn.control().boolean("Transparent")) {
    keyOutCornerColour(*drawn.picture);
  }
}

// Where the picture goes: its own size at the form's scale, or stretched to the control,
// keeping its proportions when asked; at the top left or centred.
RECT pictureTarget(const Drawn& drawn, const RECT& area) {
  const Control& control = drawn.control();
  const double pictureWidth = drawn.scale(drawn.picture->width);
  const double pictureHeight = drawn.scale(drawn.picture->height);
  const double areaWidth = area.right - area.left;
  const double areaHeight = area.bottom - area.top;
  double width = pictureWidth;
  double height = pictureHeight;
  const bool stretch = control.boolean("Stretch");
  if (control.boolean("Proportional") &&
      (stretch || pictureWidth > areaWidth || pictureHeight > areaHeight)) {
    const double factor = std::min(areaWidth / pictureWidth, areaHeight / pictureHeight);
    width = pictureWidth * factor;
    height = pictureHeight * factor;
  } else if (stretch) {
    width = areaWidth;
    height = areaHeight;
  }
  RECT target{area.left, area.top, area.left + static_cast<LONG>(std::lround(width)),
              area.top + static_cast<LONG>(std::lround(height))};
  if (control.boolean("Center")) {
    OffsetRect(&target, static_cast<int>(std::lround((areaWidth - width) / 2)),
               static_cast<int>(std::lround((areaHeight - height) / 2)));
  }
  return target;
}

void paintImage(Drawn& drawn, HDC dc, const RECT& area) {
  loadPicture(drawn);
  if (!drawn.picture) return;
  const RECT target = pictureTarget(drawn, area);
  drawPicture(dc, *drawn.picture, target);
}

// The percentage over the gauge, readable over both parts: in the back colour over the
// filled region, in the fore colour elsewhere.
void drawGaugeText(const Drawn& drawn, HDC dc, const RECT& area, HRGN filled, COLORREF fore,
                   COLORREF back) {
  if (!drawn.control().boolean("ShowText")) return;
  const std::string text = std::to_string(percentOf(drawn.control())) + "%";
  Selected font(dc, drawn.font);
  SetBkMode(dc, TRANSPARENT);
  const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  RECT box = area;
  for (const int mode : {RGN_DIFF, RGN_AND}) {
    SaveDC(dc);
    ExtSelectClipRgn(dc, filled, mode);
    SetTextColor(dc, mode == RGN_DIFF ? fore : back);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, flags);
    RestoreDC(dc, -1);
  }
}

// A pie's or a needle dial's face and the share filled.
HRGN paintRoundGauge(const Drawn& drawn, HDC dc, const RECT& area, double fraction, COLORREF fore,
                     COLORREF back) {
  const Control& control = drawn.control();
  const bool pie = control.text("Kind") == "gkPie";
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const double pi = std::numbers::pi;
  GdiObject foreBrush(CreateSolidBrush(fore));
  GdiObject backBrush(CreateSolidBrush(back));
  GdiObject border(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  Selected pen(dc,
               control.text("BorderStyle") == "bsSingle" ? border.get() : GetStockObject(NULL_PEN));
  Selected brush(dc, backBrush.get());
  if (!pie) {
    // A half dial standing on the bottom edge; the needle turns from left to right.
    const int cx = (area.left + area.right) / 2;
    const int cy = area.bottom - 1;
    Pie(dc, area.left, area.top, area.right, area.bottom + height, area.right, cy, area.left, cy);
    GdiObject needle(CreatePen(PS_SOLID, std::max(1, drawn.scale(2)), fore));
    Selected needlePen(dc, needle.get());
    const double angle = pi - fraction * pi;
    MoveToEx(dc, cx, cy, nullptr);
    LineTo(dc, cx + static_cast<int>(std::lround(std::cos(angle) * width / 2)),
           cy - static_cast<int>(std::lround(std::sin(angle) * (height - 1))));
    return CreateRectRgn(0, 0, 0, 0);
  }
  Ellipse(dc, area.left, area.top, area.right, area.bottom);
  if (fraction <= 0) return CreateRectRgn(0, 0, 0, 0);
  SelectObject(dc, foreBrush.get());
  BeginPath(dc);
  if (fraction >= 1) {
    Ellipse(dc, area.left, area.top, area.right, area.bottom);
  } else {
    // Clockwise from twelve o'clock.
    const int cx = (area.left + area.right) / 2;
    const int cy = (area.top + area.bottom) / 2;
    const double angle = pi / 2 - fraction * 2 * pi;
    SetArcDirection(dc, AD_CLOCKWISE);
    Pie(dc, area.left, area.top, area.right, area.bottom, cx, area.top,
        cx + static_cast<int>(std::lround(std::cos(angle) * width)),
        cy - static_cast<int>(std::lround(std::sin(angle) * height)));
  }
  EndPath(dc);
  HRGN filled = PathToRegion(dc);
  FillRgn(dc, filled, static_cast<HBRUSH>(foreBrush.get()));
  return filled ? filled : CreateRectRgn(0, 0, 0, 0);
}

void paintGauge(const Drawn& drawn, HDC dc, RECT area) {
  const Control& control = drawn.control();
  const COLORREF fore = colourOf(control, "ForeColor", RGB(0, 0, 0));
  const COLORREF back = colourOf(control, "BackColor", RGB(255, 255, 255));
  const std::string kind = control.text("Kind");
  const double fraction = percentOf(control) / 100.0;
  if (kind == "gkPie" || kind == "gkNeedle") {
    HRGN filled = paintRoundGauge(drawn, dc, area, fraction, fore, back);
    drawGaugeText(drawn, dc, area, filled, fore, back);
    DeleteObject(filled);
    return;
  }
  if (control.text("BorderStyle") == "bsSingle") {
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&area, -1, -1);
  }
  GdiObject backBrush(CreateSolidBrush(back));
  FillRect(dc, &area, static_cast<HBRUSH>(backBrush.get()));
  RECT filled = area;  // gkText: nothing filled
  if (kind == "gkHorizontalBar") {
    filled.right = area.left + static_cast<LONG>(std::lround((area.right - area.left) * fraction));
  } else if (kind == "gkVerticalBar") {
    filled.top = area.bottom - static_cast<LONG>(std::lround((area.bottom - area.top) * fraction));
  } else {
    filled.right = filled.left;
  }
  GdiObject foreBrush(CreateSolidBrush(fore));
  FillRect(dc, &filled, static_cast<HBRUSH>(foreBrush.get()));
  HRGN region = CreateRectRgnIndirect(&filled);
  drawGaugeText(drawn, dc, area, region, fore, back);
  DeleteObject(region);
}

// ---- Check lists ----

int checkBoxSide(const Drawn& drawn) {
  return drawn.scale(13);
}

void measureItems(Drawn& drawn) {
  HDC dc = GetDC(drawn.window);
  Selected font(dc, drawn.font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  ReleaseDC(drawn.window, dc);
  drawn.itemHeight = std::max<int>(metrics.tmHeight + 2, checkBoxSide(drawn) + 2);
}

int visibleItems(const Drawn& drawn) {
  RECT client{};
  GetClientRect(drawn.window, &client);
  return std::max<int>(1, (client.bottom - client.top) / drawn.itemHeight);
}

void updateScrollBar(Drawn& drawn) {
  const int count = static_cast<int>(itemsOf(drawn).size());
  const int page = visibleItems(drawn);
  drawn.topItem = std::clamp(drawn.topItem, 0, std::max(0, count - page));
  SCROLLINFO info{sizeof(info),
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  std::max(0, count - 1),
                  static_cast<UINT>(page),
                  drawn.topItem,
                  0};
  SetScrollInfo(drawn.window, SB_VERT, &info, TRUE);
}

RECT itemRect(const Drawn& drawn, int item) {
  RECT client{};
  GetClientRect(drawn.window, &client);
  const int top = (item - drawn.topItem) * drawn.itemHeight;
  return {client.left, top, client.right, top + drawn.itemHeight};
}

RECT checkBoxRect(const Drawn& drawn, const RECT& item) {
  const int side = checkBoxSide(drawn);
  const int left = item.left + drawn.scale(2);
  const int top = item.top + (item.bottom - item.top - side) / 2;
  return {left, top, left + side, top + side};
}

void paintCheckList(const Drawn& drawn, HDC dc, const RECT& area) {
  const Control& control = drawn.control();
  // A list's own default colour is the window's; the model's default for Color is a form's.
  const std::string colour = control.text("Color");
  GdiObject background(CreateSolidBrush(colour == control.findProperty("Color")->defaultText
                                            ? GetSysColor(COLOR_WINDOW)
                                            : colourFromText(colour, GetSysColor(COLOR_WINDOW))));
  FillRect(dc, &area, static_cast<HBRUSH>(background.get()));
  const Lines items = itemsOf(drawn);
  const bool enabled = IsWindowEnabled(drawn.window);
  const bool focused = GetFocus() == drawn.window;
  const int selected = control.itemIndex();
  Selected font(dc, drawn.font);
  SetBkMode(dc, TRANSPARENT);
  const int last =
      std::min<int>(static_cast<int>(items.size()), drawn.topItem + visibleItems(drawn) + 1);
  for (int i = drawn.topItem; i < last; ++i) {
    const RECT row = itemRect(drawn, i);
    RECT box = checkBoxRect(drawn, row);
    UINT state = DFCS_BUTTONCHECK | (control.boolean("Flat") ? DFCS_FLAT : 0);
    if (drawn.state->checks[i]) state |= DFCS_CHECKED;
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
    RECT text{box.right + drawn.scale(4), row.top, row.right, row.bottom};
    const bool isSelected = i == selected;
    if (isSelected) {
      FillRect(dc, &text, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    }
    SetTextColor(dc, !enabled                ? GetSysColor(COLOR_GRAYTEXT)
                     : isSelected && focused ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                             : fontColour(control));
    RECT inner = text;
    inner.left += 2;
    DrawTextA(dc, items[i].c_str(), static_cast<int>(items[i].size()), &inner,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (isSelected && focused) DrawFocusRect(dc, &text);
  }
}

// ---- Painting entry ----

void paint(Drawn& drawn, HDC dc) {
  RECT client{};
  GetClientRect(drawn.window, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  // Drawn off screen first, so a progress refresh does not flicker.
  HDC memory = CreateCompatibleDC(dc);
  GdiObject bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  {
    Selected target(memory, bitmap.get());
    if (drawn.kind != Kind::Panel && drawn.kind != Kind::CheckList) {
      fillParentBackground(drawn.window, memory, client);
    }
    switch (drawn.kind) {
      case Kind::Shape:
        paintShape(drawn, memory, client);
        break;
      case Kind::Bevel:
        paintBevel(drawn, memory, client);
        break;
      case Kind::Panel:
        paintPanel(drawn, memory, client);
        break;
      case Kind::Image:
        paintImage(drawn, memory, client);
        break;
      case Kind::Gauge:
        paintGauge(drawn, memory, client);
        break;
      case Kind::CheckList:
        paintCheckList(drawn, memory, client);
        break;
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  }
  DeleteDC(memory);
}

// ---- Input ----

void announce(const Drawn& drawn, DWORD event, int item) {
  NotifyWinEvent(event, drawn.window, OBJID_CLIENT, item < 0 ? CHILDID_SELF : item + 1);
}

void notifyParent(const Drawn& drawn, WORD code) {
  SendMessageA(GetParent(drawn.window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(drawn.window), code),
               reinterpret_cast<LPARAM>(drawn.window));
}

void scrollTo(Drawn& drawn, int top) {
  if (top == drawn.topItem) return;
  drawn.topItem = top;
  updateScrollBar(drawn);
  InvalidateRect(drawn.window, nullptr, FALSE);
}

void select(Drawn& drawn, int index) {
  const int count = static_cast<int>(drawn.state->checks.size());
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  const int page = visibleItems(drawn);
  if (index < drawn.topItem) scrollTo(drawn, index);
  if (index >= drawn.topItem + page) scrollTo(drawn, index - page + 1);
  if (index == drawn.control().itemIndex()) return;
  drawn.control().setPropertyText("ItemIndex", std::to_string(index));
  InvalidateRect(drawn.window, nullptr, FALSE);
  announce(drawn, EVENT_OBJECT_SELECTION, index);
  if (GetFocus() == drawn.window) announce(drawn, EVENT_OBJECT_FOCUS, index);
  notifyParent(drawn, LBN_SELCHANGE);
}

void toggle(Drawn& drawn, int index) {
  if (index < 0 || index >= static_cast<int>(drawn.state->checks.size())) return;
  select(drawn, index);
  drawn.state->checks[index] = !drawn.state->checks[index];
  InvalidateRect(drawn.window, nullptr, FALSE);
  announce(drawn, EVENT_OBJECT_STATECHANGE, index);
  notifyParent(drawn, kCheckListCheckChanged);
}

bool checkListKey(Drawn& drawn, WPARAM key) {
  const int current = drawn.control().itemIndex();
  const int page = visibleItems(drawn);
  const int count = static_cast<int>(drawn.state->checks.size());
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      select(drawn, current < 0 ? 0 : current - 1);
      return true;
    case VK_DOWN:
    case VK_RIGHT:
      select(drawn, current + 1);
      return true;
    case VK_PRIOR:
      select(drawn, current - page + 1);
      return true;
    case VK_NEXT:
      select(drawn, std::max(current, 0) + page - 1);
      return true;
    case VK_HOME:
      select(drawn, 0);
      return true;
    case VK_END:
      select(drawn, count - 1);
      return true;
    case VK_SPACE:
      toggle(drawn, current < 0 ? 0 : current);
      return true;
    default:
      return false;
  }
}

void checkListClick(Drawn& drawn, POINT point) {
  SetFocus(drawn.window);
  const int index = drawn.topItem + point.y / drawn.itemHeight;
  if (point.y < 0 || index >= static_cast<int>(drawn.state->checks.size())) return;
  RECT box = checkBoxRect(drawn, itemRect(drawn, index));
  InflateRect(&box, 2, 2);
  if (PtInRect(&box, point)) {
    toggle(drawn, index);
  } else {
    select(drawn, index);
  }
}

void checkListScroll(Drawn& drawn, WORD request) {
  SCROLLINFO info{sizeof(info), SIF_ALL};
  GetScrollInfo(drawn.window, SB_VERT, &info);
  int top = drawn.topItem;
  switch (request) {
    case SB_LINEUP:
      --top;
      break;
    case SB_LINEDOWN:
      ++top;
      break;
    case SB_PAGEUP:
      top -= visibleItems(drawn);
      break;
    case SB_PAGEDOWN:
      top += visibleItems(drawn);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      top = info.nTrackPos;
      break;
    case SB_TOP:
      top = 0;
      break;
    case SB_BOTTOM:
      top = info.nMax;
      break;
    default:
      return;
  }
  const int count = static_cast<int>(drawn.state->checks.size());
  scrollTo(drawn, std::clamp(top, 0, std::max(0, count - visibleItems(drawn))));
}

// ---- Screen readers ----

long roleOf(Kind kind) {
  switch (kind) {
    case Kind::Shape:
    case Kind::Image:
      return ROLE_SYSTEM_GRAPHIC;
    case Kind::Bevel:
      return ROLE_SYSTEM_SEPARATOR;
    case Kind::Panel:
      return ROLE_SYSTEM_GROUPING;
    case Kind::Gauge:
      return ROLE_SYSTEM_PROGRESSBAR;
    case Kind::CheckList:
      return ROLE_SYSTEM_LIST;
  }
  return ROLE_SYSTEM_CLIENT;
}

BSTR bstrOf(const std::string& text) {
  const std::wstring wide = wideFromAnsi(text);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// Our answer for the control's client area: the system's standard object knows the window's
// place, focus and neighbours; the control's role, name, state, value and (for check lists)
// its items come from the form model.
class Accessible final : public IAccessible {
 public:
  Accessible(Drawn* drawn, IAccessible* standard) : drawn_(drawn), standard_(standard) {}
  Accessible(const Accessible&) = delete;
  Accessible& operator=(const Accessible&) = delete;

  // The window is gone: answer as a dead object from now on.
  void detach() { drawn_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
        IsEqualIID(id, __uuidof(IAccessible))) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      standard_->Release();
      delete this;
    }
    return left;
  }

  // IDispatch: screen readers call the interface directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    if (!drawn_) return RPC_E_DISCONNECTED;
    if (drawn_->kind == Kind::CheckList) {
      *count = static_cast<long>(itemsOf(*drawn_).size());
      return S_OK;
    }
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!drawn_) return RPC_E_DISCONNECTED;
    // Items are simple elements of this object.
    if (drawn_->kind == Kind::CheckList) return item(child) ? S_FALSE : E_INVALIDARG;
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    *name = bstrOf(*index < 0 ? accessibleName(drawn_->control()) : itemsOf(*drawn_)[*index]);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    if (*index >= 0 || drawn_->kind != Kind::Gauge) return DISP_E_MEMBERNOTFOUND;
    *value = bstrOf(std::to_string(percentOf(drawn_->control())) + "%");
    return *value ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    return standard_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = *index < 0 ? roleOf(drawn_->kind) : ROLE_SYSTEM_CHECKBUTTON;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    long flags = 0;
    if (*index < 0) {
      VARIANT self{};
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      VARIANT standard{};
      if (SUCCEEDED(standard_->get_accState(self, &standard)) && standard.vt == VT_I4) {
        flags = standard.lVal;
      }
      if (drawn_->kind == Kind::Gauge) flags |= STATE_SYSTEM_READONLY;
      if (drawn_->kind == Kind::CheckList) flags |= STATE_SYSTEM_FOCUSABLE;
    } else {
      const Drawn& drawn = *drawn_;
      flags = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
      if (drawn.state->checks[*index]) flags |= STATE_SYSTEM_CHECKED;
      if (drawn.control().itemIndex() == *index) {
        flags |= STATE_SYSTEM_SELECTED;
        if (GetFocus() == drawn.window) flags |= STATE_SYSTEM_FOCUSED;
      }
      if (*index < drawn.topItem || *index >= drawn.topItem + visibleItems(drawn)) {
        flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
      }
      if (!IsWindowEnabled(drawn.window)) flags |= STATE_SYSTEM_UNAVAILABLE;
    }
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    if (!drawn_) return RPC_E_DISCONNECTED;
    if (GetFocus() != drawn_->window) return S_FALSE;
    focus->vt = VT_I4;
    const int selected = drawn_->control().itemIndex();
    focus->lVal =
        drawn_->kind == Kind::CheckList && validItem(selected) ? selected + 1 : CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    if (!drawn_) return RPC_E_DISCONNECTED;
    const int selected = drawn_->control().itemIndex();
    if (drawn_->kind != Kind::CheckList || !validItem(selected)) return S_FALSE;
    selection->vt = VT_I4;
    selection->lVal = selected + 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    *action = nullptr;
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    if (*index < 0) return standard_->get_accDefaultAction(child, action);
    *action = SysAllocString(drawn_->state->checks[*index] ? L"Uncheck" : L"Check");
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    if (*index < 0) return standard_->accSelect(flags, child);
    if (flags & (SELFLAG_TAKEFOCUS)) SetFocus(drawn_->window);
    if (flags & (SELFLAG_TAKESELECTION | SELFLAG_ADDSELECTION)) select(*drawn_, *index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    if (*index < 0) return standard_->accLocation(left, top, width, height, child);
    RECT row = itemRect(*drawn_, *index);
    MapWindowPoints(drawn_->window, nullptr, reinterpret_cast<POINT*>(&row), 2);
    *left = row.left;
    *top = row.top;
    *width = row.right - row.left;
    *height = row.bottom - row.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(start);
    if (!index) return E_INVALIDARG;
    if (drawn_->kind != Kind::CheckList ||
        (*index < 0 && direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD)) {
      return standard_->accNavigate(direction, start, end);
    }
    const int count = static_cast<int>(itemsOf(*drawn_).size());
    int next = -1;
    switch (direction) {
      case NAVDIR_FIRSTCHILD:
        next = *index < 0 ? 0 : -1;
        break;
      case NAVDIR_LASTCHILD:
        next = *index < 0 ? count - 1 : -1;
        break;
      case NAVDIR_NEXT:
      case NAVDIR_DOWN:
        next = *index + 1;
        break;
      case NAVDIR_PREVIOUS:
      case NAVDIR_UP:
        next = *index - 1;
        break;
      default:
        break;
    }
    if (next < 0 || next >= count) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = next + 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    if (!child) return E_POINTER;
    VariantInit(child);
    if (!drawn_) return RPC_E_DISCONNECTED;
    const HRESULT standard = standard_->accHitTest(x, y, child);
    if (drawn_->kind != Kind::CheckList || standard != S_OK || child->vt != VT_I4 ||
        child->lVal != CHILDID_SELF) {
      return standard;
    }
    POINT point{x, y};
    ScreenToClient(drawn_->window, &point);
    const int index = drawn_->topItem + point.y / drawn_->itemHeight;
    if (point.y >= 0 && validItem(index)) child->lVal = index + 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!drawn_) return RPC_E_DISCONNECTED;
    const auto index = item(child);
    if (!index) return E_INVALIDARG;
    if (*index < 0) return standard_->accDoDefaultAction(child);
    toggle(*drawn_, *index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  bool validItem(int index) const {
    return index >= 0 && index < static_cast<int>(drawn_->state->checks.size());
  }
  // -1 for the control itself, else the item's index; none for a child id that names nothing.
  std::optional<int> item(const VARIANT& child) const {
    if (child.vt != VT_I4) return std::nullopt;
    if (child.lVal == CHILDID_SELF) return -1;
    if (drawn_->kind == Kind::CheckList && validItem(child.lVal - 1)) return child.lVal - 1;
    return std::nullopt;
  }

  LONG references_ = 1;
  Drawn* drawn_;
  IAccessible* standard_;
};

// The accessibility library is bound at run time from the system folder, so that the engine
// imports nothing a copy beside the setup could stand in for.
struct AccessibilityFunctions {
  decltype(&CreateStdAccessibleObject) createStandard = nullptr;
  decltype(&LresultFromObject) resultFromObject = nullptr;
};

const AccessibilityFunctions& accessibilityFunctions() {
  static const AccessibilityFunctions functions = [] {
    AccessibilityFunctions bound;
    if (HMODULE library = LoadLibraryExA("oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      bound.createStandard = reinterpret_cast<decltype(&CreateStdAccessibleObject)>(
          reinterpret_cast<void*>(GetProcAddress(library, "CreateStdAccessibleObject")));
      bound.resultFromObject = reinterpret_cast<decltype(&LresultFromObject)>(
          reinterpret_cast<void*>(GetProcAddress(library, "LresultFromObject")));
    }
    return bound;
  }();
  return functions;
}

LRESULT answerAccessibility(Drawn& drawn, WPARAM flags) {
  const AccessibilityFunctions& oleacc = accessibilityFunctions();
  if (!oleacc.createStandard || !oleacc.resultFromObject) return 0;
  if (!drawn.accessible) {
    IAccessible* standard = nullptr;
    if (FAILED(oleacc.createStandard(drawn.window, OBJID_CLIENT, __uuidof(IAccessible),
                                     reinterpret_cast<void**>(&standard)))) {
      return 0;
    }
    drawn.accessible = new (std::nothrow) Accessible(&drawn, standard);
    if (!drawn.accessible) {
      standard->Release();
      return 0;
    }
  }
  return oleacc.resultFromObject(__uuidof(IAccessible), flags, drawn.accessible);
}

void applyBorder(Drawn& drawn) {
  if (drawn.kind != Kind::CheckList) return;
  const LONG_PTR exStyle = GetWindowLongPtrA(drawn.window, GWL_EXSTYLE);
  const LONG_PTR wanted = drawn.control().text("BorderStyle") == "bsSingle"
                              ? exStyle | WS_EX_CLIENTEDGE
                              : exStyle & ~LONG_PTR{WS_EX_CLIENTEDGE};
  if (wanted == exStyle) return;
  SetWindowLongPtrA(drawn.window, GWL_EXSTYLE, wanted);
  SetWindowPos(drawn.window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// Everything that follows the form model: font, checks, scroll range, border.
void followModel(Drawn& drawn) {
  if (drawn.kind == Kind::Panel || drawn.kind == Kind::Gauge || drawn.kind == Kind::CheckList) {
    if (drawn.font) DeleteObject(drawn.font);
    drawn.font = createFont(drawn.control(), drawn.state->scale);
  }
  if (drawn.kind == Kind::Panel) {
    if (drawn.background) DeleteObject(drawn.background);
    drawn.background =
        CreateSolidBrush(colourOf(drawn.control(), "Color", GetSysColor(COLOR_BTNFACE)));
  }
  if (drawn.kind == Kind::CheckList) {
    fitChecks(drawn);
    applyBorder(drawn);
    measureItems(drawn);
    updateScrollBar(drawn);
  }
}

LRESULT CALLBACK drawnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* state = static_cast<DrawnControlState*>(create->lpCreateParams);
    if (!state || !state->control) return FALSE;
    auto drawn = std::make_unique<Drawn>();
    drawn->window = window;
    drawn->state = state;
    for (const KindClass& kind : kKindClasses) {
      if (state->control->isKind(kind.controlClass)) drawn->kind = kind.kind;
    }
    drawn->reportedPercent = percentOf(*state->control);
    drawn->reportedName = accessibleName(*state->control);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(drawn.release()));
    if (drawnOf(window)->kind == Kind::Panel) {
      // Controls inside a panel: not painted over, and reached by Tab.
      SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | WS_CLIPCHILDREN);
      SetWindowLongPtrA(window, GWL_EXSTYLE,
                        GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  Drawn* drawn = drawnOf(window);
  if (!drawn) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      followModel(*drawn);
      return 0;
    case WM_NCDESTROY:
      if (drawn->accessible) {
        drawn->accessible->detach();
        drawn->accessible->Release();
      }
      if (drawn->font) DeleteObject(drawn->font);
      if (drawn->background) DeleteObject(drawn->background);
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      delete drawn;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_ERASEBKGND:
      return 1;  // painting covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      paint(*drawn, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      paint(*drawn, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SIZE:
      if (drawn->kind == Kind::CheckList) updateScrollBar(*drawn);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_NCHITTEST:
      // A bevel is decoration: clicks go to what lies under it.
      if (drawn->kind == Kind::Bevel) return HTTRANSPARENT;
      break;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == OBJID_CLIENT) return answerAccessibility(*drawn, wParam);
      break;
    case WM_LBUTTONUP:
      if (drawn->kind == Kind::Shape || drawn->kind == Kind::Image || drawn->kind == Kind::Panel) {
        RECT client{};
        GetClientRect(window, &client);
        if (PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
          notifyParent(*drawn, BN_CLICKED);
        }
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // Drawn controls inside a panel show the panel's colour around them.
      if (drawn->kind == Kind::Panel && drawnOf(reinterpret_cast<HWND>(lParam))) {
        return reinterpret_cast<LRESULT>(drawn->background);
      }
      [[fallthrough]];
    // Other children of a panel report to the dialog, as if the panel were not there.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (drawn->kind == Kind::Panel) {
        return SendMessageA(GetParent(window), message, wParam, lParam);
      }
      if (message == WM_VSCROLL && drawn->kind == Kind::CheckList) {
        checkListScroll(*drawn, LOWORD(wParam));
        return 0;
      }
      break;
    default:
      break;
  }
  if (drawn->kind != Kind::CheckList) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, FALSE);
      if (message == WM_SETFOCUS)
        announce(*drawn, EVENT_OBJECT_FOCUS, drawn->control().itemIndex());
      return 0;
    case WM_KEYDOWN:
      if (checkListKey(*drawn, wParam)) return 0;
      break;
    case WM_CHAR:
      if (wParam == ' ') return 0;  // handled as a key
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      checkListClick(*drawn, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEWHEEL: {
      const int lines = -GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3;
      const int count = static_cast<int>(drawn->state->checks.size());
      scrollTo(*drawn,
               std::clamp(drawn->topItem + lines, 0, std::max(0, count - visibleItems(*drawn))));
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void registerDrawnControlClasses(HINSTANCE instance) {
  for (const KindClass& kind : kKindClasses) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | (kind.kind == Kind::CheckList ? CS_DBLCLKS : 0);
    windowClass.lpfnWndProc = drawnProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kind.windowClass;
    RegisterClassExA(&windowClass);
  }
}

const char* drawnControlClass(std::string_view kindClassName) {
  for (const KindClass& kind : kKindClasses) {
    if (controlKindOf(kindClassName).className == kind.controlClass) return kind.windowClass;
  }
  return nullptr;
}

void refreshDrawnControl(HWND control) {
  Drawn* drawn = drawnOf(control);
  if (!drawn) return;
  followModel(*drawn);
  InvalidateRect(control, nullptr, FALSE);
  const std::string name = accessibleName(drawn->control());
  if (name != drawn->reportedName) {
    drawn->reportedName = name;
    announce(*drawn, EVENT_OBJECT_NAMECHANGE, -1);
  }
  const int percent = percentOf(drawn->control());
  if (drawn->kind == Kind::Gauge && percent != drawn->reportedPercent) {
    drawn->reportedPercent = percent;
    announce(*drawn, EVENT_OBJECT_VALUECHANGE, -1);
  }
}

}  // namespace kx
