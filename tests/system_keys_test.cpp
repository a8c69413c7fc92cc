#include "settings/system_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/control_table.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

TEST(SystemKeys, KeysMirrorTheirControlsInLoadOrder) {
  std::string pairs;
  for (const SystemKey& key : SystemKeys()) {
    std::string control = ControlName(key.control);
    EXPECT_EQ(key.is_check, control.starts_with("Check")) << key.key;
    pairs += std::string(key.key) + "=" + control + " ";
  }
  EXPECT_EQ(pairs,
            "UgolPovorot=Text23 TestMap=Combo4 PrivazkaMap=Check6 PrK1=Text19 PrK2=Text20 "
            "PrK3=Text21 PrK4=Text22 Koord2=Text2 Koord3=Text3 Koord4=Text4 Koord5=Text5 "
            "PathEdit1=Text1 PathEdit2=Text6 RazmObj=Text17 PovObj=Check4 TypeObj=Check2 "
            "RusTransl=Check1 AutoSet=Check3 KolSt=Text16 TypeSt=Text9 PodpSt=Text15 "
            "Podpis=Check5 ");
}

TEST(SystemKeys, FindIgnoresLetterCase) {
  ASSERT_NE(FindSystemKey("rustransl"), nullptr);
  EXPECT_EQ(FindSystemKey("rustransl")->control, Control::kCheck1);
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
  const SystemKey& podpis = *FindSystemKey("Podpis");
  for (const Case& c : cases) {
    ControlTable controls;
    controls.SetCheck(Control::kCheck5, 7);
    ApplySetting(controls, podpis, c.stored);
    EXPECT_EQ(controls.Check(Control::kCheck5), c.expected) << '"' << c.stored << '"';
  }
}

}  // namespace
}  // namespace mirvex
