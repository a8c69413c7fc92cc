#include "settings/system_keys.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/control_table.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

using test::CrLf;
using test::ScratchDir;
using test::WriteFile;

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

TEST(SystemKeys, CheckBoxTakesTheRoundedLeadingNumber) {
  struct Case {
    std::string stored;
    int expected;
  };
  const std::vector<Case> cases = {
      {"1", 1},   {"0", 0},    {"", 0},        {"2.5", 2},     {"1.5", 2},
      {"0.5", 0}, {"abc", 0},  {" 1 ", 1},     {"1abc", 1},    {"-1", -1},
      {"1e300", INT_MAX},      {"-1e300", INT_MIN},
  };
  const SystemKey& podpis = *FindSystemKey("Podpis");
  for (const Case& c : cases) {
    ControlTable controls;
    controls.SetCheck(Control::kCheck5, 7);
    ApplySetting(controls, podpis, c.stored);
    EXPECT_EQ(controls.Check(Control::kCheck5), c.expected) << '"' << c.stored << '"';
  }
}

TEST(SystemKeys, LoadFillsEveryControlAndMissingKeysClearIt) {
  ScratchDir dir;
  std::string path = dir.File("mirvex.ini");
  WriteFile(path, CrLf({"[System]", "rustransl=1", "AutoSet=0", "KolSt=5", "PodpSt=\" 2.50 \"",
                        "TestMap=Line", "PathCount=2", "[Path1]", "RazmObj=9"}));
  ControlTable controls;
  controls.SetText(Control::kText17, "old");
  controls.SetText(Control::kText23, "old");
  controls.SetCheck(Control::kCheck3, 1);
  controls.SetCheck(Control::kCheck5, 1);
  LoadSystemControls(path, controls);
  EXPECT_EQ(controls.Check(Control::kCheck1), 1);
  EXPECT_EQ(controls.Check(Control::kCheck3), 0);
  EXPECT_EQ(controls.Check(Control::kCheck5), 0);
  EXPECT_EQ(controls.Text(Control::kText16), "5");
  EXPECT_EQ(controls.Text(Control::kText15), " 2.50 ");
  EXPECT_EQ(controls.Text(Control::kCombo4), "Line");
  EXPECT_EQ(controls.Text(Control::kText17), "");
  EXPECT_EQ(controls.Text(Control::kText23), "");
}

}  // namespace
}  // namespace mirvex
