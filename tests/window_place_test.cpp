// Where the object window and the map window open beside the main window.
#include "ui/window_place.h"

#include <gtest/gtest.h>

namespace mirvex::test {
namespace {

using ui::PlaceBeside;
using ui::ScreenRect;

TEST(WindowPlace, BesideTheOwnerWithinTheFreeArea) {
  const ScreenRect work{0, 0, 1920, 1040};
  struct Case {
    const char* what;
    ScreenRect owner;
    int width, height;
    ScreenRect expected;
  };
  const Case cases[] = {
      {"room on the right", {100, 80, 1100, 800}, 400, 200, {1100, 80, 1500, 280}},
      {"room on the left only", {700, 80, 1900, 800}, 400, 200, {300, 80, 700, 280}},
      {"no room: over the owner's right edge", {0, 0, 1920, 1040}, 400, 200, {1520, 0, 1920, 200}},
      {"owner reaching past the screen", {1000, 100, 2600, 900}, 400, 200, {600, 100, 1000, 300}},
      {"owner low on the screen: moved up", {100, 900, 1100, 1040}, 400, 300, {1100, 740, 1500, 1040}},
      {"owner above the screen's top", {100, -50, 1100, 800}, 400, 200, {1100, 0, 1500, 200}},
      {"larger than the screen: top left kept in it", {0, 0, 1000, 500}, 2500, 1200, {0, 0, 2500, 1200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScreenRect place = PlaceBeside(c.owner, c.width, c.height, work);
    EXPECT_EQ(place.left, c.expected.left);
    EXPECT_EQ(place.top, c.expected.top);
    EXPECT_EQ(place.right, c.expected.right);
    EXPECT_EQ(place.bottom, c.expected.bottom);
  }
}

}  // namespace
}  // namespace mirvex::test
