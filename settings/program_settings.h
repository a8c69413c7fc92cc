// The settings of a program folder as the operations start from them: section System
// of mirvex.ini, the saved path triples, section Mkgmap and the header template of
// config.ini. The window fills its controls from them and the command line runs with
// them, so every key is read one way.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "operations/compile_map.h"
#include "operations/convert.h"
#include "settings/operation_options.h"

namespace mirvex {

// The section of mirvex.ini with the options (the keys of SystemKeys) and PathCount.
inline constexpr std::string_view kSystemSection = "System";
// The section of mirvex.ini with the map compiler: Path (the mkgmap command or
// mkgmap.jar) and Options (more options for it).
inline constexpr std::string_view kCompilerSection = "Mkgmap";
// The sections holding the saved MIF, MID and result paths, each under the keys
// p1..pN (PathKey), N being PathCount of section System.
inline constexpr const char* kPathSections[] = {"Path1", "Path2", "Path3"};

std::string PathKey(int i);

// The number of saved path triples. A hand-edited count is kept within what a list of
// paths can sensibly hold, so a huge number cannot stall the start-up.
int PathCount(std::string_view program_folder);

// mkgmap and its options from the values of section Mkgmap (Path, Options); the output
// folder is left empty (the map's).
CompileOptions CompileOptionsFrom(const SettingLookup& compiler_setting);

struct ProgramSettings {
  std::string folder;  // cp1251, without a trailing separator
  // config.ini as the window shows it; the built-in template when it cannot be read.
  std::string header_template;
  // config.ini does not exist (the window then writes the built-in template there).
  bool template_missing = false;
  // The stored texts of the keys of SystemKeys(), by their key ("" when missing).
  std::map<std::string, std::string, std::less<>> system;
  // The saved path triples p1..pN, in their order.
  std::vector<ConversionPaths> saved_triples;
  // Path and Options of section Mkgmap.
  std::map<std::string, std::string, std::less<>> compiler;

  // The folder followed by the separator: object.txt is found there.
  std::string prefix() const;
  // The value of a System key as the window shows it: "1" or "0" for a check box (its
  // CheckBoxValue), the stored text for a text box; empty for a key that is no option.
  std::string Value(std::string_view key) const;
  // The stored text of a System key replaced for this run (the file is not written);
  // false for a key that is no option. Letter case is ignored.
  bool Override(std::string_view key, std::string value);

  ConversionOptions conversion_options() const;
  CropOptions crop_options() const;
  CompileOptions compile_options() const;
};

// Reads the settings of the program folder (cp1251, no trailing separator); writes
// nothing.
ProgramSettings ReadProgramSettings(std::string program_folder);

}  // namespace mirvex
