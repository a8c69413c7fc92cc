// The conversion as a fuzz target: any MIF and MID bytes under any combination of
// the conversion's options, run twice through Convert in a program folder of its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/cp1251.h"
#include "base/text.h"
#include "dictionary/object_record.h"
#include "fuzz/invariants.h"
#include "operations/convert.h"
#include "settings/operation_options.h"

namespace mirvex::fuzz {

// The input: one byte of options (bits 0..5: RusTransl, TypeObj, AutoSet, PovObj,
// Podpis, PrivazkaMap; bits 6-7 choose the column count KolSt), the MIF bytes, this
// separator, the MID bytes.
inline constexpr std::string_view kMidSeparator = "\n#MID#\n";

namespace convert_target {

struct Entry {
  const char* name;  // UTF-8
  const char* region;
  std::string_view type;
  std::uint8_t level;
};

// The names the sample maps use, with the odd records a hand-edited dictionary can
// hold: a type cut by a NUL byte, a type with a line break, the highest level.
inline std::string DictionaryBytes() {
  using namespace std::string_view_literals;
  static const Entry kEntries[] = {
      {"Неопределенный тип объекта", "0x10", "0x2800", 0},
      {"Город", "0x80", "0x01", 1},
      {"Лес", "0x80", "0x50", 0},
      {"Озеро", "0x80", "0x3c", 0},
      {"Болото", "0x80", "0x\0" "51"sv, 0},
      {"Парк", "0x80", "0x\r\n7"sv, 0},
      {"Кладбище", "0x80", "0x1a", 255},
      {"Дорога", "0x20", "0x02", 0},
      {"Улица", "0x20", "0x06", 2},
      {"Река", "0x20", "0x1f", 0},
      {"Школа", "0x10", "0x2c05", 0},
      {"Магазин", "0x10", "0x2e00", 0},
      {"Надпись", "0x10", "", 0},
      {"Служебная линия", "Нет", "Нет", 0},
  };
  std::string bytes;
  for (const Entry& entry : kEntries) bytes += RecordBytes(Ru(entry.name), Ru(entry.region), Ru(entry.type), entry.level);
  return bytes;
}

inline constexpr std::string_view kHeader = "[IMG ID]\r\n[END-IMG ID]";

struct Outcome {
  OperationStatus status = OperationStatus::kFailed;
  SectionCounts counts;
  std::string map;  // empty when no map was written
  std::vector<RecordingHost::Message> messages;
};

inline Outcome RunOnce(const ScratchFolder& folder, std::uint8_t options) {
  std::error_code error;
  std::filesystem::remove(folder.File("map.mp"), error);
  static const char* const kColumnCounts[] = {"2", "3", "1", "0.5"};
  static const char* const kChecks[] = {"RusTransl", "TypeObj", "AutoSet", "PovObj", "Podpis", "PrivazkaMap"};
  std::map<std::string, std::string, std::less<>> settings = {
      {"KolSt", kColumnCounts[options >> 6]}, {"TypeSt", "1"}, {"PodpSt", "2"}, {"RazmObj", "2.033"},
      {"PrK1", "60.00"}, {"PrK2", "60.00"}, {"PrK3", "84.00"}, {"PrK4", "54.00"}, {"UgolPovorot", "0"},
      {"ToWgs84", "1"}};
  for (int bit = 0; bit < 6; ++bit) settings[kChecks[bit]] = (options >> bit) & 1 ? "1" : "0";
  SettingLookup setting = [&](std::string_view key) { return settings.find(key)->second; };

  RecordingHost host;
  ConversionPaths paths{folder.File("map.mif"), folder.File("map.mid"), folder.File("map.mp")};
  ConversionResult result = Convert(paths, ConversionOptionsFrom(setting, std::string(kHeader)), folder.File(""), host);

  Outcome outcome;
  outcome.status = result.status;
  outcome.counts = result.counts;
  outcome.messages = host.messages;
  bool completed = result.status == OperationStatus::kCompleted;
  std::vector<std::string> expected_names = {"map.mid", "map.mif", "object.txt"};
  if (completed) expected_names = {"map.mid", "map.mif", "map.mp", "object.txt"};
  Require(folder.Names() == expected_names,
          "the map exists exactly when the conversion completed, and no temporary file stays");
  CheckOutcomeMessages(completed, host.messages);
  if (completed) outcome.map = ReadBytes(folder.File("map.mp"));
  return outcome;
}

inline void CheckMap(const Outcome& outcome) {
  std::string_view map = outcome.map;
  Require(map.find('\0') == std::string_view::npos, "the map holds no NUL byte");
  Require(OnlyCrLfBreaks(map), "every line of the map ends with CR LF");
  std::string header = std::string(kHeader) + "\r\n";
  Require(StartsWith(map, header), "the map begins with the header");
  std::vector<Section> sections = CheckSections(map.substr(std::min(header.size(), map.size())));
  SectionCounts seen;
  for (const Section& section : sections) {
    if (section.number == "10") ++seen.points;
    else if (section.number == "40") ++seen.polylines;
    else if (section.number == "80") ++seen.regions;
    else Require(false, "a conversion writes only [RGN10], [RGN40] and [RGN80]");
    Require(CountKey(section, "Type") == 1 && CountKey(section, "Levels") == 1 &&
                CountKey(section, "Label") <= 1 && CountKey(section, "Data0") >= 1,
            "a section has one Type, one Levels, at most one Label and some Data0 lines");
    for (std::string_view line : section.lines) {
      if (StartsWith(line, "Levels=")) {
        std::string_view level = line.substr(7);
        Require(!level.empty() && level.find_first_not_of("0123456789") == std::string_view::npos,
                "Levels is a whole number");
      }
      if (StartsWith(line, "Data")) {
        Require(StartsWith(line, "Data0=") && IsPairList(line.substr(6)),
                "a Data0 line is a list of (a,b) pairs");
        for (const auto& [latitude, longitude] : Pairs(line.substr(6))) {
          Require(IsFiniteDecimal(latitude) && IsFiniteDecimal(longitude),
                  "every coordinate written is a finite decimal a map compiler reads");
        }
      }
    }
  }
  Require(seen.points == outcome.counts.points && seen.polylines == outcome.counts.polylines &&
              seen.regions == outcome.counts.regions,
          "the counts reported are the sections written");
}

}  // namespace convert_target

inline void FuzzConvert(std::string_view input) {
  using namespace convert_target;
  static ScratchFolder folder("convert");
  static const bool dictionary_written = (WriteBytes(folder.File("object.txt"), DictionaryBytes()), true);
  (void)dictionary_written;

  std::uint8_t options = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);
  if (!input.empty()) input.remove_prefix(1);
  std::string_view mif = SplitAt(input, kMidSeparator);
  std::string_view mid = input;
  WriteBytes(folder.File("map.mif"), mif);
  WriteBytes(folder.File("map.mid"), mid);

  Outcome first = RunOnce(folder, options);
  if (first.status == OperationStatus::kCompleted) CheckMap(first);
  Require(ReadBytes(folder.File("map.mif")) == mif && ReadBytes(folder.File("map.mid")) == mid,
          "the conversion leaves its input files as they were");
  Outcome second = RunOnce(folder, options);
  Require(second.status == first.status && second.map == first.map && second.messages == first.messages,
          "the same input converts to the same map and the same messages");
}

}  // namespace mirvex::fuzz
