#pragma once
// What dialog windows and the controls the engine draws itself share: fonts, colours and
// pictures taken from the form model, scaled from the form's design pixels per inch to the
// monitor's.
#include <windows.h>

#include <optional>
#include <string_view>

#include "dialogs/forms/form_model.h"
#include "dialogs/forms/picture.h"
#include "platform/platform.h"

namespace kx {

// Screen pixels per design pixel: the monitor's dots per inch over the form's PixelsPerInch.
struct FormScale {
  int designDpi = 96;
  int screenDpi = 96;
  // Rounded to the nearest pixel.
  int operator()(int designPixels) const;
};

// The holder's font (Font.Name, Font.Height, else Font.Size, Font.Style, Font.Charset) at
// `scale`. The caller deletes it.
HFONT createFont(const PropertyHolder& holder, const FormScale& scale);
// The holder's Font.Color.
COLORREF fontColour(const PropertyHolder& holder);
// A colour property's text: a named constant ("clBtnFace", "clRed") or a number; system colours
// (0xFF000000 or 0x80000000 with the system colour's index) as the system shows them now.
// clNone and clDefault give `fallback`.
COLORREF colourFromText(std::string_view text, COLORREF fallback);

// A decoded picture as a 32-bit top-down device-independent bitmap with alpha.
struct PictureBitmap {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  PictureBitmap() = default;
  PictureBitmap(const PictureBitmap&) = delete;
  PictureBitmap& operator=(const PictureBitmap&) = delete;
  PictureBitmap(PictureBitmap&& other) noexcept;
  PictureBitmap& operator=(PictureBitmap&& other) noexcept;
  ~PictureBitmap();
};

// Bitmaps, icons, PNG and JPEG pictures (through `codecs`); none for anything else or a picture
// that can't be decoded.
std::optional<PictureBitmap> decodePicture(const Picture& picture, PictureCodecs& codecs);
// Draws the picture into `target`, smoothly scaled when the sizes differ, blending its alpha.
void drawPicture(HDC dc, const PictureBitmap& picture, const RECT& target);

}  // namespace kx
