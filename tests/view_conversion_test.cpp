// The map view shows what the conversion writes: for every MIF the tests, the sample
// and the conversion's fuzz corpus hold, under several sets of options and two
// dictionaries, the view reads the objects the conversion writes, section by section,
// and knows every label it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/convert_target.h"
#include "fuzz/view_conversion_check.h"
#include "tests/test_support.h"

namespace mirvex {
namespace {

namespace fs = std::filesystem;

struct Pair {
  std::string name;
  std::string mif, mid;  // bytes
};

std::vector<Pair> MapsToCompare() {
  std::vector<Pair> pairs;
  fs::path data = MIRVEX_TEST_DATA;
  fs::path source = fs::path(MIRVEX_SOURCE_DATA).parent_path();
  for (const fs::path& root : {data, fs::path(MIRVEX_SOURCE_DATA) / "sample"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      std::string extension = entry.path().extension().string();
      if (extension != ".mif" && extension != ".MIF") continue;
      for (const char* mid_extension : {".mid", ".MID"}) {
        fs::path mid = fs::path(entry.path()).replace_extension(mid_extension);
        if (!fs::exists(mid)) continue;
        pairs.push_back({entry.path().filename().string(), test::ReadFile(entry.path()), test::ReadFile(mid)});
        break;
      }
    }
  }
  for (const char* corpus : {"convert", "map_view"}) {
    for (const auto& entry : fs::directory_iterator(source / "fuzz" / "corpus" / corpus)) {
      std::string input = test::ReadFile(entry.path());
      std::string_view rest = input;
      if (!rest.empty()) rest.remove_prefix(1);  // the harness's options byte
      std::string_view mif = fuzz::SplitAt(rest, fuzz::kMidSeparator);
      std::string_view mid = fuzz::SplitAt(rest, "\n#MP#\n");
      pairs.push_back({std::string(corpus) + "/" + entry.path().filename().string(), std::string(mif),
                       std::string(mid)});
    }
  }
  return pairs;
}

std::vector<ConversionOptions> OptionSets() {
  std::vector<ConversionOptions> sets;
  ConversionOptions base;
  base.column_count_from_header = true;
  base.column_count = 2;
  base.type_column = 1;
  base.label_column = 2;
  sets.push_back(base);                // the dictionary decides the sections
  ConversionOptions from_mif = base;  // the section follows the MIF object
  from_mif.section_from_mif = true;
  sets.push_back(from_mif);
  ConversionOptions latin = base;  // labels transliterated, large objects raised
  latin.transliterate_labels = true;
  latin.raise_large_objects = true;
  latin.size_threshold = 0.01;
  sets.push_back(latin);
  ConversionOptions fixed = from_mif;  // a fixed column count, no labels but the texts'
  fixed.column_count_from_header = false;
  fixed.column_count = 3;
  fixed.no_labels = true;
  sets.push_back(fixed);
  return sets;
}

TEST(ViewMatchesConversion, OnEveryMapOfTheTestsTheSampleAndTheFuzzCorpus) {
  test::ScratchDir dir;
  std::vector<std::string> broken;
  std::string current;
  fuzz::FailureSink() = [&](const std::string& rule) { broken.push_back(current + ": " + rule); };
  const std::string dictionaries[] = {test::ReadFile(fs::path(MIRVEX_SOURCE_DATA) / "object.txt"),
                                      fuzz::convert_target::DictionaryBytes()};
  std::size_t compared = 0;
  for (const Pair& pair : MapsToCompare()) {
    test::WriteFile(dir.path() / "map.mif", pair.mif);
    test::WriteFile(dir.path() / "map.mid", pair.mid);
    for (std::size_t d = 0; d < std::size(dictionaries); ++d) {
      test::WriteFile(dir.path() / "object.txt", dictionaries[d]);
      int set = 0;
      for (const ConversionOptions& options : OptionSets()) {
        current = pair.name + " (dictionary " + std::to_string(d) + ", options " + std::to_string(set++) + ")";
        fuzz::CheckViewMatchesConversion(dir.File("map.mif"), dir.File("map.mid"), dir.File("map.mp"), options,
                                         dir.File(""));
        ++compared;
      }
    }
  }
  fuzz::FailureSink() = nullptr;
  EXPECT_EQ(broken, std::vector<std::string>{});
  EXPECT_GT(compared, 40u);
}

}  // namespace
}  // namespace mirvex
