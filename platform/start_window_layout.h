#pragma once
// Geometry of the start-up windows: the splash picture and the "preparing" window.
#include <optional>

#include "platform/platform.h"

namespace kx {

// The preparing window's client area and its controls.
inline constexpr ScreenRect kPreparingClient{0, 0, 385, 89};
inline constexpr ScreenRect kPreparingText{72, 16, 297, 33};
inline constexpr ScreenRect kPreparingProgressBar{16, 56, 353, 17};

// Centred on the screen.
ScreenRect centred(int width, int height, int screenWidth, int screenHeight);

// Below and right of the splash's middle when there is a splash, pulled back to stay clear of
// the screen's right and bottom edges; centred without one.
ScreenRect preparingWindowPlacement(const std::optional<ScreenRect>& splash, int width, int height,
                                    int screenWidth, int screenHeight);

}  // namespace kx
