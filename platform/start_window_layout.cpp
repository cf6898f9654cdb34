#include "platform/start_window_layout.h"

#include <algorithm>

namespace kx {

ScreenRect centred(int width, int height, int screenWidth, int screenHeight) {
  return {(screenWidth - width) / 2, (screenHeight - height) / 2, width, height};
}

ScreenRect preparingWindowPlacement(const std::optional<ScreenRect>& splash, int width, int height,
                                    int screenWidth, int screenHeight) {
  if (!splash) return centred(width, height, screenWidth, screenHeight);
  const int left = splash->left + splash->width / 2 + 50;
  const int top = splash->top + splash->height + 25;
  return {std::min(left, screenWidth - width - 25), std::min(top, screenHeight - height - 45),
          width, height};
}

}  // namespace kx
