#include "settings/system_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/test_support.h"

namespace mirvex {
namespace {

TEST(SystemKeys, KeysInLoadOrderWithTheirKind) {
  std::string keys;
  for (const SystemKey& key : SystemKeys()) keys += std::string(key.key) + (key.is_check ? "=check " : " ");
  EXPECT_EQ(keys,
            "UgolPovorot TestMap PrivazkaMap=check PrK1 PrK2 PrK3 PrK4 Koord2 Koord3 Koord4 Koord5 "
            "PathEdit1 PathEdit2 RazmObj PovObj=check TypeObj=check RusTransl=check AutoSet=check KolSt "
            "TypeSt PodpSt Podpis=check ToWgs84=check CropClip=check ");
}

TEST(SystemKeys, FindIgnoresLetterCase) {
  ASSERT_NE(FindSystemKey("rustransl"), nullptr);
  EXPECT_STREQ(FindSystemKey("rustransl")->key, "RusTransl");
  EXPECT_EQ(FindSystemKey("PathCount"), nullptr);
  EXPECT_EQ(FindSystemKey("RusTransl "), nullptr);
}

// Only 0 and 1 are check box values; anything else a hand-edited file holds shows
// an unticked box.
TEST(SystemKeys, CheckBoxTakesTheRoundedLeadingNumber) {
  struct Case {
    std::string stored;
    int expected;
  };
  const std::vector<Case> cases = {
      {"1", 1},   {"0", 0},   {"", 0},     {"2.5", 0},  {"1.5", 0},  {"1.4", 1},
      {"0.5", 0}, {"abc", 0}, {" 1 ", 1},  {"1abc", 1}, {"-1", 0},   {"2", 0},
      {"1e300", 0},           {"-1e300", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckBoxValue(c.stored), c.expected) << '"' << c.stored << '"';
  }
}

}  // namespace
}  // namespace mirvex
