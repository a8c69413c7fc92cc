// Replays the inputs kept with the fuzz harnesses (their seeds, and every input that
// once broke a rule under fuzz/regressions) through the same checks, so that a fault
// fuzzing found stays mended in the ordinary test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/convert_target.h"
#include "fuzz/crop_target.h"
#include "fuzz/dictionary_target.h"
#include "fuzz/map_view_target.h"
#include "fuzz/ini_target.h"
#include "fuzz/mid_reader_target.h"
#include "fuzz/mif_header_target.h"
#include "tests/conversion_fixture.h"

namespace mirvex::fuzz {
namespace {

namespace fs = std::filesystem;

struct Harness {
  const char* name;
  void (*run)(std::string_view input);
};

void PrintTo(const Harness& harness, std::ostream* out) { *out << harness.name; }

const Harness kHarnesses[] = {
    {"convert", FuzzConvert}, {"mid_reader", FuzzMidReader}, {"mif_header", FuzzMifHeader},
    {"crop", FuzzCrop},       {"ini", FuzzIni},              {"dictionary", FuzzDictionary},
    {"map_view", FuzzMapView},
};

const fs::path kFuzzFolder = fs::path(MIRVEX_SOURCE_DATA).parent_path() / "fuzz";

// Runs every input of a folder; the rules each input broke, by file name.
std::vector<std::string> BrokenRules(const Harness& harness, const fs::path& folder, std::size_t& inputs) {
  std::vector<std::string> broken;
  std::string current;
  FailureSink() = [&](const std::string& rule) { broken.push_back(current + ": " + rule); };
  inputs = 0;
  if (fs::is_directory(folder)) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      current = entry.path().filename().string();
      harness.run(ReadBytes(entry.path()));
      ++inputs;
    }
  }
  FailureSink() = nullptr;
  return broken;
}

class FuzzReplay : public ::testing::TestWithParam<Harness> {};

TEST_P(FuzzReplay, SeedsKeepEveryRule) {
  std::size_t inputs = 0;
  EXPECT_EQ(BrokenRules(GetParam(), kFuzzFolder / "corpus" / GetParam().name, inputs), std::vector<std::string>{});
  EXPECT_GT(inputs, 0u);
}

TEST_P(FuzzReplay, InputsThatOnceBrokeARuleKeepEveryRule) {
  std::size_t inputs = 0;
  EXPECT_EQ(BrokenRules(GetParam(), kFuzzFolder / "regressions" / GetParam().name, inputs),
            std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Harnesses, FuzzReplay, ::testing::ValuesIn(kHarnesses),
                         [](const ::testing::TestParamInfo<Harness>& info) { return std::string(info.param.name); });

// The rule behind the first finding, stated on its own: a MIF vertex token is copied
// into the map only when it is written with a number's characters; one with other
// characters is written as the number it begins with. A line whose second token begins
// with no number ("7 (8") holds no position and is no vertex.
TEST(FuzzFindings, VertexTokenWithACommaBracketOrNulIsWrittenAsItsNumber) {
  using namespace std::string_literals;
  test::ConversionFixture run;
  ASSERT_EQ(run.Run("Data\r\nPline 4\r\n1,5 2\r\n3\0 4)\r\n-5.50 6e1\r\n7 (8\r\n"s, "\"Дорога\",\"\"\r\n"),
            OperationStatus::kCompleted);
  EXPECT_EQ(run.Sections(), test::Section({"[RGN40]", "Levels=0", "Type=0x01",
                                           "Data0=(2,1),(4,3),(6e1,-5.50)", "[END-RGN40]"}));
}

}  // namespace
}  // namespace mirvex::fuzz
