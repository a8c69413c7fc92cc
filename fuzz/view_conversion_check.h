// The map view against the conversion: for one MIF/MID pair and one set of options,
// the view must read, section by section, the objects the conversion writes, and know
// every label the conversion writes. Used by the map view's fuzz harness and a test
// over the maps the tests and the sample hold.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "base/files.h"
#include "fuzz/invariants.h"
#include "garmin/text_map_reader.h"
#include "mapview/map_storage.h"
#include "mapview/map_view.h"
#include "operations/convert.h"

namespace mirvex::fuzz {

// Objects per section ("10", "40", "80") and the labels of a text map.
struct MapContents {
  std::map<std::string, long long> sections;
  std::set<std::string> labels;
};

inline MapContents ContentsOfTextMap(std::string_view map) {
  MapContents contents;
  for (std::string_view line : Lines(map)) {
    TextMapLine read = ReadTextMapLine(line);
    if (read.kind == TextMapLineKind::kSection && read.object_section > 0) {
      ++contents.sections[std::to_string(read.object_section)];
    } else if (read.kind == TextMapLineKind::kKey && read.key_kind == TextMapKey::kLabel && !read.value.empty()) {
      contents.labels.insert(std::string(read.value));
    }
  }
  return contents;
}

// Converts `mif`/`mid` (files) with `options` and the dictionary of `program_prefix`
// into `result`, loads the MIF into a map view with the same options, and checks that
// the two agree. Nothing is checked when the conversion does not complete.
inline void CheckViewMatchesConversion(const std::string& mif, const std::string& mid, const std::string& result,
                                       const ConversionOptions& options, const std::string& program_prefix) {
  RecordingHost conversion_host;
  ConversionResult converted = Convert(ConversionPaths{mif, mid, result}, options, program_prefix, conversion_host);
  if (converted.status != OperationStatus::kCompleted) return;
  MapContents written = ContentsOfTextMap(ReadBytes(result));

  MapContents shown;
  mapview::MapView view;
  view.SetObjectWatcher([&](const mapview::MapObjectInfo& object) {
    ++shown.sections[object.kind == mapview::MapObjectKind::kRegion     ? "80"
                     : object.kind == mapview::MapObjectKind::kPolyline ? "40"
                                                                         : "10"];
    if (!object.label.empty()) shown.labels.insert(object.label);
  });
  RecordingHost view_host;
  view.LoadMif(mif, mid, options, program_prefix, view_host);
  Require(shown.sections == written.sections, "the view reads, section by section, the objects the conversion writes");
  Require(std::all_of(written.labels.begin(), written.labels.end(),
                      [&](const std::string& label) {
                        return shown.labels.count(label.substr(0, mapview::kTextLimit)) > 0;
                      }),
          "every label the conversion writes is a label the view shows");
}

}  // namespace mirvex::fuzz
