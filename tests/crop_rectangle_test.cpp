#include "ui/crop_rectangle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "garmin/map_crop.h"
#include "mapview/map_view.h"
#include "settings/operation_options.h"
#include "tests/map_view_fixture.h"

namespace mirvex::ui {
namespace {

using test::LoadedTextMap;
using test::TextObject;

TEST(CropRectangle, DegreesMinutesTextsReadBackToTheSameBound) {
  struct Case {
    double degrees;
    const char* text;  // nullptr: only the round trip is checked
  };
  const Case cases[] = {{60.5, "60.3000"}, {60, "60.0000"}, {-5.5, "-6.3000"}, {-4.5, "-5.3000"},
                        {-0.25, "-1.4500"}, {0.001, "0.0006"}, {59.99999, "60.0000"}, {-179.99, "-180.0060"},
                        {37.123456, nullptr}, {-71.987654, nullptr}, {0, "0.0000"}, {-60, "-60.0000"}};
  for (const Case& c : cases) {
    std::string text = DegreesMinutesText(c.degrees);
    if (c.text) {
      EXPECT_EQ(text, c.text) << c.degrees;
    }
    // The crop's reading gives the bound rounded to a hundredth of a minute.
    EXPECT_NEAR(DegreesMinutes(text), c.degrees, 0.005 / 60 + 1e-12) << text;
    EXPECT_NEAR(DegreesMinutes(text) * 6000, std::round(DegreesMinutes(text) * 6000), 1e-6) << text;
  }
}

TEST(CropRectangle, DrawnRectangleGivesTextsTheCropReadsBack) {
  // A map around negative degrees, so that the west and south bounds are below zero.
  LoadedTextMap map(TextObject("40", "", {{-3.2, -7.9}, {1.7, 2.4}}));
  mapview::MapView& view = map.view;
  CropRectangle crop(view);
  struct Drag {
    double x1, y1, x2, y2;
  };
  // The same rectangle drawn in each of the four directions.
  const Drag drags[] = {{120, 80, 530, 410}, {530, 410, 120, 80}, {530, 80, 120, 410}, {120, 410, 530, 80}};
  std::optional<CropBoundTexts> first;
  for (const Drag& d : drags) {
    CropBoundTexts texts = crop.SetFromScreen(d.x1, d.y1, d.x2, d.y2);
    if (first) {
      EXPECT_EQ(texts, *first);
    }
    first = texts;
    // The crop's own reading of the four boxes.
    CropOptions read = CropOptionsFrom([&](std::string_view key) -> std::string {
      if (key == "Koord2") return texts.west;
      if (key == "Koord3") return texts.north;
      if (key == "Koord4") return texts.east;
      if (key == "Koord5") return texts.south;
      return {};
    });
    ASSERT_TRUE(view.crop_rectangle());
    const CropBounds& held = *view.crop_rectangle();
    EXPECT_EQ(*read.west, held.west);
    EXPECT_EQ(*read.north, held.north);
    EXPECT_EQ(*read.east, held.east);
    EXPECT_EQ(*read.south, held.south);
    // ... and to a hundredth of a minute the corners that were drawn.
    mapview::MapPoint upper_left = view.ToMap(120, 80), lower_right = view.ToMap(530, 410);
    constexpr double kHundredth = 0.01 / 60;
    EXPECT_NEAR(held.west, upper_left.x, kHundredth / 2 + 1e-12);
    EXPECT_NEAR(held.north, upper_left.y, kHundredth / 2 + 1e-12);
    EXPECT_NEAR(held.east, lower_right.x, kHundredth / 2 + 1e-12);
    EXPECT_NEAR(held.south, lower_right.y, kHundredth / 2 + 1e-12);
    EXPECT_LT(held.west, 0);
  }
  EXPECT_EQ(crop.Texts(), *first);
}

// Values no map holds (a damaged file's) still give a text, never undefined arithmetic.
TEST(CropRectangle, AbsurdDegreesGiveATextAndNoOverflow) {
  for (double degrees : {1e300, -1e300, 1e12, -1e12}) {
    std::string text = DegreesMinutesText(degrees);
    EXPECT_FALSE(text.empty()) << degrees;
    EXPECT_EQ(text.find("nan"), std::string::npos) << degrees;
  }
}

TEST(CropRectangle, EmptyBoxLeavesNoRectangle) {
  mapview::MapView view;
  CropRectangle crop(view);
  EXPECT_TRUE(crop.SetTexts({"60.00", "60.00", "84.00", "54.00"}));
  EXPECT_EQ(view.crop_rectangle()->west, 60);
  EXPECT_EQ(view.crop_rectangle()->east, 84);
  EXPECT_FALSE(crop.SetTexts({"60.00", "", "84.00", "54.00"}));
  EXPECT_FALSE(view.crop_rectangle());
}

TEST(CropRectangle, EdgesCornersAndInsideAreFoundAndDragged) {
  LoadedTextMap map(TextObject("40", "", {{50, 30}, {52, 34}}));
  mapview::MapView& view = map.view;
  CropRectangle crop(view);
  crop.SetFromScreen(200, 100, 600, 500);
  struct Case {
    double x, y;
    RectanglePart part;
  };
  const Case cases[] = {
      {400, 300, RectanglePart::kInside},    {200, 300, RectanglePart::kWest},
      {603, 300, RectanglePart::kEast},      {400, 97, RectanglePart::kNorth},
      {400, 504, RectanglePart::kSouth},     {201, 101, RectanglePart::kNorthWest},
      {599, 102, RectanglePart::kNorthEast}, {198, 498, RectanglePart::kSouthWest},
      {600, 500, RectanglePart::kSouthEast}, {150, 300, RectanglePart::kNone},
      {400, 520, RectanglePart::kNone},      {700, 50, RectanglePart::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(crop.PartAt(c.x, c.y), c.part) << c.x << "," << c.y;
  }
  CropBounds before = *view.crop_rectangle();
  // Pulling the east edge 50 pixels right moves only the east bound.
  crop.Drag(RectanglePart::kEast, 50, 0);
  CropBounds after = *view.crop_rectangle();
  EXPECT_NEAR(after.east - before.east, 50 / (view.scale() * view.aspect()), 0.01 / 60);
  EXPECT_EQ(after.west, before.west);
  EXPECT_EQ(after.north, before.north);
  EXPECT_EQ(after.south, before.south);
  // Moving the inside keeps the size.
  before = after;
  crop.Drag(RectanglePart::kInside, -30, 20);
  after = *view.crop_rectangle();
  EXPECT_NEAR((after.east - after.west) - (before.east - before.west), 0, 0.02 / 60);
  EXPECT_NEAR(after.north - before.north, -20 / view.scale(), 0.01 / 60);
  // A west edge pulled past the east one becomes the east edge.
  before = after;
  crop.Drag(RectanglePart::kWest, 600, 0);
  after = *view.crop_rectangle();
  EXPECT_LT(after.west, after.east);
  EXPECT_NEAR(after.west, before.east, 0.01 / 60);
}

}  // namespace
}  // namespace mirvex::ui
