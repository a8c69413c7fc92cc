// A conversion run in-process on texts: a scratch program folder with a dictionary,
// the MIF and MID written from strings, the options set as a test needs them.
#pragma once

#include <string>
#include <vector>

#include "base/cp1251.h"
#include "dictionary/object_record.h"
#include "operations/convert.h"
#include "tests/test_support.h"

namespace mirvex::test {

struct DictionaryEntry {
  std::string name;  // UTF-8
  std::string region;
  std::string type;
  int level = 0;
};

// The bytes of an object.txt holding the entries (names in cp1251).
std::string DictionaryBytes(const std::vector<DictionaryEntry>& entries);

class ConversionFixture {
 public:
  ConversionFixture();

  // Replaces object.txt; with no call the dictionary holds Школа, Дорога, Озеро and
  // the default-type record.
  void SetDictionary(const std::vector<DictionaryEntry>& entries);
  void RemoveDictionary();

  // Runs the conversion of the MIF and MID texts (given as UTF-8, stored as cp1251
  // unless `raw` is set) and returns the status; `Output()` has the written map.
  OperationStatus Run(const std::string& mif, const std::string& mid, bool raw = false);

  // The map after the header, as text.
  std::string Sections() const;
  std::string Output() const { return ReadFile(paths.result); }
  bool OutputExists() const;

  ScratchDir dir;
  ConversionPaths paths;
  ConversionOptions options;
  RecordingHost host;
  ConversionResult result;
};

// The sections of a map, each line ended by CR LF, written as UTF-8 here.
std::string Section(std::initializer_list<std::string> lines);

}  // namespace mirvex::test
