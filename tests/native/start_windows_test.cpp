#include "platform/start_window_layout.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

struct PlacementCase {
  const char* name;
  std::optional<ScreenRect> splash;
  int expectedLeft, expectedTop;
};

class PreparingPlacement : public ::testing::TestWithParam<PlacementCase> {};

// A 400 x 120 window on a 1024 x 768 screen.
TEST_P(PreparingPlacement, FollowsTheSplashAndStaysOnScreen) {
  const ScreenRect place = preparingWindowPlacement(GetParam().splash, 400, 120, 1024, 768);
  EXPECT_EQ(place.left, GetParam().expectedLeft);
  EXPECT_EQ(place.top, GetParam().expectedTop);
  EXPECT_EQ(place.width, 400);
  EXPECT_EQ(place.height, 120);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreparingPlacement,
    ::testing::Values(PlacementCase{"Centred", std::nullopt, 312, 324},
                      // 100 + 301 / 2 + 50 = 300; 50 + 200 + 25 = 275.
                      PlacementCase{"BelowSplash", ScreenRect{100, 50, 301, 200}, 300, 275},
                      // Pulled back to 1024 - 400 - 25 and 768 - 120 - 45.
                      PlacementCase{"PulledBack", ScreenRect{500, 400, 600, 300}, 599, 603}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kx
