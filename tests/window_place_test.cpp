// Where windows open: inside the available area of a screen, whatever size was stored
// and whatever scale the screen has now.
#include "ui/window_place.h"

#include <gtest/gtest.h>

namespace mirvex::ui {
namespace {

const FrameMargins kFrame{4, 30, 4, 4};
const ScreenRect kScreen{0, 0, 1920, 1040};  // 1920 x 1080 less a task bar

void ExpectInside(const ScreenRect& inside, const FrameMargins& frame, const ScreenRect& area) {
  EXPECT_GE(inside.left - frame.left, area.left);
  EXPECT_GE(inside.top - frame.top, area.top);
  EXPECT_LE(inside.left + inside.width + frame.right, area.left + area.width);
  EXPECT_LE(inside.top + inside.height + frame.bottom, area.top + area.height);
}

TEST(WindowPlace, AWindowIsFittedIntoTheScreenWithItsFrame) {
  struct Case {
    const char* what;
    ScreenRect stored;
    ScreenRect area;
    ScreenRect expected;
  };
  const Case cases[] = {
      {"inside: kept", {100, 100, 1200, 760}, kScreen, {100, 100, 1200, 760}},
      {"larger than the screen", {50, 50, 2600, 1500}, kScreen, {4, 30, 1912, 1006}},
      {"stored at 100 %, now 150 %", {300, 200, 1800, 1140}, kScreen, {116, 30, 1800, 1006}},
      {"hanging off the right and the bottom", {1500, 900, 800, 600}, kScreen, {1116, 436, 800, 600}},
      {"title bar above the screen", {200, -20, 800, 600}, kScreen, {200, 30, 800, 600}},
      {"second screen to the left", {-1800, 100, 1200, 760}, {-1280, 0, 1280, 984}, {-1276, 100, 1200, 760}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScreenRect fitted = FitIntoArea(c.stored, kFrame, c.area);
    EXPECT_EQ(fitted, c.expected);
    ExpectInside(fitted, kFrame, c.area);
  }
}

TEST(WindowPlace, TheScreenHoldingMostOfAPlaceIsChosenAndOneOnNoScreenIsRefused) {
  const std::vector<ScreenRect> areas = {{0, 0, 1920, 1040}, {1920, 0, 1280, 984}};
  EXPECT_EQ(AreaHolding({100, 100, 800, 600}, areas), 0);
  EXPECT_EQ(AreaHolding({1800, 100, 800, 600}, areas), 1);  // more of it on the second
  EXPECT_EQ(AreaHolding({1500, 100, 800, 600}, areas), 0);
  EXPECT_EQ(AreaHolding({3150, 100, 800, 600}, areas), -1);  // 50 pixels: cannot be taken
  EXPECT_EQ(AreaHolding({-5000, -5000, 800, 600}, areas), -1);
  EXPECT_EQ(AreaHolding({100, 100, 800, 600}, {}), -1);
}

// Both bindings open the main window by this rule: the stored place on the screen that
// holds most of it, else the default size in the middle of the primary screen.
TEST(WindowPlace, TheMainWindowOpensAtItsStoredPlaceOrInTheMiddleOfThePrimaryScreen) {
  const std::vector<ScreenRect> areas = {kScreen, {1920, 0, 1280, 984}};
  struct Case {
    const char* what;
    std::optional<ScreenRect> stored;
    bool taken;
    ScreenRect expected;
  };
  const Case cases[] = {
      {"nothing stored", std::nullopt, false, {560, 220, 800, 600}},
      {"on the primary screen", ScreenRect{100, 100, 1200, 760}, true, {100, 100, 1200, 760}},
      {"mostly on the second screen: fitted there", ScreenRect{2600, 100, 800, 600}, true, {2396, 100, 800, 600}},
      {"larger than its screen", ScreenRect{50, 50, 2600, 1500}, true, {4, 30, 1912, 1006}},
      {"on no screen now", ScreenRect{-5000, -5000, 800, 600}, false, {560, 220, 800, 600}},
      {"a sliver that cannot be taken", ScreenRect{3150, 100, 800, 600}, false, {560, 220, 800, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<OpeningPlace> opening = PlaceToOpen(c.stored, 800, 600, kFrame, areas);
    ASSERT_TRUE(opening.has_value());
    EXPECT_EQ(opening->stored, c.taken);
    EXPECT_EQ(opening->inside, c.expected);
  }
  // A default larger than the screen shrinks to it as well.
  EXPECT_EQ(PlaceToOpen(std::nullopt, 4000, 3000, kFrame, areas)->inside, (ScreenRect{4, 30, 1912, 1006}));
  EXPECT_FALSE(PlaceToOpen(ScreenRect{100, 100, 800, 600}, 800, 600, kFrame, {}).has_value());
}

TEST(WindowPlace, ASecondWindowOpensBesideTheMainOneAndInsideTheScreen) {
  struct Case {
    const char* what;
    ScreenRect main;  // outer rectangle
    int width, height;
    ScreenRect expected;
  };
  const Case cases[] = {
      {"room on the right", {0, 0, 1000, 700}, 900, 650, {1004, 30, 900, 650}},
      {"room on the left only", {1000, 100, 900, 700}, 900, 650, {96, 130, 900, 650}},
      {"no room either side", {300, 0, 1300, 700}, 900, 650, {1016, 30, 900, 650}},
      {"larger than the screen (200 %)", {0, 0, 1000, 700}, 2600, 1300, {4, 30, 1912, 1006}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScreenRect placed = PlaceBeside(c.width, c.height, c.main, kFrame, kScreen);
    EXPECT_EQ(placed, c.expected);
    ExpectInside(placed, kFrame, kScreen);
  }
}

}  // namespace
}  // namespace mirvex::ui
