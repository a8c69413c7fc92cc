// The crop as a fuzz target: any text-map bytes cut to any rectangle, run twice
// through CropMap in a folder of its own.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "fuzz/invariants.h"
#include "garmin/map_crop.h"
#include "operations/crop.h"
#include "settings/operation_options.h"

namespace mirvex::fuzz {

namespace crop_target {

// The bound texts in the order west, north, east, south (Koord2..Koord5).
using BoundTexts = std::array<std::string, 4>;

struct Outcome {
  OperationStatus status = OperationStatus::kFailed;
  std::string map;  // empty when nothing was written
  std::vector<RecordingHost::Message> messages;
};

inline Outcome RunOnce(const ScratchFolder& folder, const BoundTexts& texts, bool clip = false) {
  std::error_code error;
  std::filesystem::remove(folder.File("cut.mp"), error);
  SettingLookup setting = [&](std::string_view key) {
    for (int i = 0; i < 4; ++i) {
      if (key == "Koord" + std::to_string(i + 2)) return texts[i];
    }
    return std::string(key == "CropClip" && clip ? "1" : "");
  };
  RecordingHost host;
  Outcome outcome;
  outcome.status =
      CropMap(CropPaths{folder.File("map.mp"), folder.File("cut.mp")}, CropOptionsFrom(setting), folder.File(""), host);
  outcome.messages = host.messages;
  bool completed = outcome.status == OperationStatus::kCompleted;
  std::vector<std::string> expected_names = {"map.mp"};
  if (completed) expected_names = {"cut.mp", "map.mp"};
  Require(folder.Names() == expected_names,
          "the cropped map exists exactly when the crop completed, and no temporary file stays");
  CheckOutcomeMessages(completed, host.messages);
  if (completed) outcome.map = ReadBytes(folder.File("cut.mp"));
  return outcome;
}

inline std::string_view WithoutLeadingBlanks(std::string_view line) {
  return line.substr(std::min(line.find_first_not_of(' '), line.size()));
}

inline bool IsWholeNumber(std::string_view text) {
  if (StartsWith(text, "-")) text.remove_prefix(1);
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// `clipped`: the crop cut its objects at the rectangle, whose edges then belong to it.
inline void CheckCut(std::string_view input, const BoundTexts& texts, std::string_view cut, bool clipped = false) {
  Require(OnlyCrLfBreaks(cut), "every line of the cropped map ends with CR LF");

  // The header (every line before the first object) is carried over line by line,
  // without leading blanks.
  std::string header = "\r\n";
  std::vector<std::string_view> lines = Lines(input);
  std::size_t first_object = 0;
  while (first_object < lines.size() && !StartsWithIgnoringCase(WithoutLeadingBlanks(lines[first_object]), "[RGN")) {
    header += WithoutLeadingBlanks(lines[first_object++]);
    header += "\r\n";
  }
  header += "\r\n";
  Require(StartsWith(cut, header), "the cropped map begins with the header of the map");
  std::vector<Section> sections = CheckSections(cut.substr(std::min(header.size(), cut.size())));

  std::size_t objects = 0;
  bool well_formed = true;
  for (std::size_t i = first_object; i < lines.size(); ++i) {
    std::string_view line = WithoutLeadingBlanks(lines[i]);
    for (std::string_view opening : {"[RGN10", "[RGN20", "[RGN40", "[RGN80"}) {
      if (StartsWithIgnoringCase(line, opening)) ++objects;
    }
    std::string_view pairs;
    if (IsCoordinateLine(line, nullptr, &pairs) && !IsPairList(pairs)) well_formed = false;
  }
  Require(sections.size() <= objects, "the crop writes no more objects than the map holds");

  CropBounds bounds;
  bounds.west = DegreesMinutes(texts[0]);
  bounds.north = DegreesMinutes(texts[1]);
  bounds.east = DegreesMinutes(texts[2]);
  bounds.south = DegreesMinutes(texts[3]);
  for (const Section& section : sections) {
    Require(CountKey(section, "Type") == 1 && CountKey(section, "Levels") == 1 && CountKey(section, "Label") <= 1,
            "a section has one Type, one Levels and at most one Label");
    std::size_t pair_count = 0, coordinate_lines = 0;
    for (std::string_view line : section.lines) {
      if (StartsWith(line, "Levels=")) Require(IsWholeNumber(line.substr(7)), "Levels is a whole number");
      std::string_view pairs;
      if (!IsCoordinateLine(line, nullptr, &pairs)) continue;
      ++coordinate_lines;
      // A map whose coordinate lines are lists of pairs is cut into lists of pairs,
      // each of them inside the rectangle.
      if (!well_formed) continue;
      Require(IsPairList(pairs), "a coordinate line of the cropped map is a list of (a,b) pairs");
      if (!IsPairList(pairs)) continue;
      for (const auto& [latitude, longitude] : Pairs(pairs)) {
        ++pair_count;
        if (clipped) {
          // A point on an edge is written with 15 significant digits: a bound computed
          // from degrees and minutes may differ from its text in the last of them.
          auto within = [](double value, double low, double high) {
            double slack = 1e-12 * std::max({1.0, std::fabs(low), std::fabs(high)});
            return value >= low - slack && value <= high + slack;
          };
          Require(within(Value(latitude), bounds.south, bounds.north) &&
                      within(Value(longitude), bounds.west, bounds.east),
                  "every pair of a cut object lies inside the rectangle or on its edge");
        } else {
          Require(InsideRectangle(bounds, Value(latitude), Value(longitude)),
                  "every pair kept lies inside the rectangle");
        }
      }
    }
    Require(coordinate_lines >= 1, "a section keeps some coordinates");
    if (well_formed) {
      Require(section.number != "40" || pair_count >= 2, "a polyline keeps at least two pairs");
      Require(section.number != "80" || pair_count >= 3, "a polygon keeps at least three pairs");
    }
  }
}

}  // namespace crop_target

// The input: the first line holds the four bounds separated by ";" (west, north,
// east, south, as typed: degrees, a point, minutes); the rest is the map.
inline void FuzzCrop(std::string_view input) {
  using namespace crop_target;
  static ScratchFolder folder("crop");
  std::string_view bound_line = SplitAt(input, "\n");
  BoundTexts texts;
  for (std::string& text : texts) text = SplitAt(bound_line, ";");
  const std::string_view map = input;
  WriteBytes(folder.File("map.mp"), map);

  Outcome first = RunOnce(folder, texts);
  if (first.status == OperationStatus::kCompleted) CheckCut(map, texts, first.map);
  Require(ReadBytes(folder.File("map.mp")) == map, "the crop leaves the map as it was");
  Outcome second = RunOnce(folder, texts);
  Require(second.status == first.status && second.map == first.map && second.messages == first.messages,
          "the same input crops to the same map and the same messages");
  Outcome clipped = RunOnce(folder, texts, true);
  Require(clipped.status == first.status, "cutting the objects at the edges does not change whether the crop completes");
  if (clipped.status == OperationStatus::kCompleted) CheckCut(map, texts, clipped.map, true);
}

}  // namespace mirvex::fuzz
