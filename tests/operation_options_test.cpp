// The operations' options read from the values of section System, as the window and
// the command line both read them.
#include "settings/operation_options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace mirvex {
namespace {

using Settings = std::map<std::string, std::string, std::less<>>;

SettingLookup From(const Settings& settings) {
  return [&settings](std::string_view key) {
    auto entry = settings.find(key);
    return entry == settings.end() ? std::string() : entry->second;
  };
}

TEST(OperationOptions, ConversionTakesEveryKeyIntoItsField) {
  Settings settings = {{"RusTransl", "1"}, {"TypeObj", "1"},   {"AutoSet", "1"},   {"KolSt", "3"},
                       {"TypeSt", "2"},    {"PodpSt", "4"},    {"Podpis", "1"},    {"PovObj", "1"},
                       {"RazmObj", "2.5"}, {"PrivazkaMap", "1"}, {"PrK1", "60.5"}, {"PrK2", "54"},
                       {"PrK3", "84"},     {"PrK4", "60"},     {"UgolPovorot", "-0.8"}};
  ConversionOptions options = ConversionOptionsFrom(From(settings), "header");
  EXPECT_EQ(options.header_template, "header");
  EXPECT_TRUE(options.transliterate_labels && options.section_from_mif && options.column_count_from_header &&
              options.no_labels && options.raise_large_objects && options.georeference.enabled);
  EXPECT_EQ(options.column_count, 3);
  EXPECT_EQ(options.type_column, 2);
  EXPECT_EQ(options.label_column, 4);
  EXPECT_EQ(options.size_threshold, 2.5);
  EXPECT_EQ(options.georeference.lower_left_longitude, 60.5);
  EXPECT_EQ(options.georeference.lower_left_latitude, 54);
  EXPECT_EQ(options.georeference.upper_right_longitude, 84);
  EXPECT_EQ(options.georeference.upper_right_latitude, 60);
  EXPECT_EQ(options.georeference.rotation_degrees, -0.8);

  // Missing keys: unticked boxes, no usable count, columns that read as empty.
  ConversionOptions empty = ConversionOptionsFrom(From({}), "");
  EXPECT_FALSE(empty.transliterate_labels || empty.section_from_mif || empty.column_count_from_header ||
               empty.no_labels || empty.raise_large_objects || empty.georeference.enabled);
  EXPECT_EQ(empty.column_count, 0);
  EXPECT_EQ(empty.type_column, kNoColumn);
}

TEST(OperationOptions, ColumnsAndCountsAsTheWindowReadsThem) {
  struct Case {
    const char* text;
    int column;                // TypeSt, PodpSt
    std::int64_t count;        // KolSt
  };
  const Case cases[] = {
      {"1", 1, 1},   {"2.5", 2, 0},  {"3.5", 4, 0},       {"50", 50, 50}, {"51", kNoColumn, 51},
      {"-1", kNoColumn, 0},          {"abc", kNoColumn, 0}, {" 7 ", 7, 7}, {"1e300", kNoColumn, 1'000'000'000'000'000},
  };
  for (const Case& c : cases) {
    Settings settings = {{"TypeSt", c.text}, {"PodpSt", c.text}, {"KolSt", c.text}};
    ConversionOptions options = ConversionOptionsFrom(From(settings), "");
    EXPECT_EQ(options.type_column, c.column) << c.text;
    EXPECT_EQ(options.label_column, c.column) << c.text;
    EXPECT_EQ(options.column_count, c.count) << c.text;
  }
}

TEST(OperationOptions, CropBoundsAreDegreesAndMinutesAndAnEmptyOneIsMissing) {
  Settings settings = {{"Koord2", "36.30"}, {"Koord3", "50.38"}, {"Koord4", "-5.30"}, {"Koord5", ""}};
  CropOptions options = CropOptionsFrom(From(settings));
  EXPECT_DOUBLE_EQ(*options.west, 36.5);
  EXPECT_DOUBLE_EQ(*options.north, 50 + 38.0 / 60);
  EXPECT_DOUBLE_EQ(*options.east, -4.5);
  EXPECT_FALSE(options.south.has_value());
}

TEST(OperationOptions, CropClipsOnlyWhenItsBoxIsTicked) {
  struct Case {
    const char* stored;
    bool clip;
  };
  for (const Case& c : {Case{"1", true}, Case{"0", false}, Case{"", false}, Case{"2", false}, Case{"1.4", true}}) {
    Settings settings = {{"CropClip", c.stored}};
    EXPECT_EQ(CropOptionsFrom(From(settings)).clip_objects, c.clip) << '"' << c.stored << '"';
  }
}

}  // namespace
}  // namespace mirvex
