// Maps for the map view's tests: text-map objects written from (lat, lon) pairs, and
// a text map or a MIF/MID pair loaded into a view.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "mapview/map_view.h"
#include "operations/options.h"
#include "tests/test_support.h"

namespace mirvex::test {

// A text-map object: its section, label and (lat, lon) pairs.
inline std::string TextObject(const char* section, const std::string& label, const std::vector<std::pair<double, double>>& pairs) {
  std::string text = std::string("[RGN") + section + "]\r\nType=0x01\r\n";
  if (!label.empty()) text += "Label=" + label + "\r\n";
  text += "Data0=";
  char pair[80];
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    std::snprintf(pair, sizeof pair, "%s(%.17g,%.17g)", i ? "," : "", pairs[i].first, pairs[i].second);
    text += pair;
  }
  return text + "\r\n[END]\r\n";
}

inline const std::string kTextMapHeader = "[IMG ID]\r\nID=1\r\n[END-IMG ID]\r\n";

struct LoadedTextMap {
  ScratchDir dir;
  mapview::MapView view;
  RecordingHost host;
  mapview::LoadResult result;
  explicit LoadedTextMap(const std::string& body, int width = 800, int height = 600) {
    WriteFile(dir.File("map.mp"), kTextMapHeader + body);
    view.SetViewportSize(width, height);
    result = view.LoadTextMap(dir.File("map.mp"), host);
  }
};

// The map.mif and map.mid of `dir` loaded into an 800x600 view, the description in
// MID column `type_column` and the label in `label_column` of `column_count`.
struct LoadedMif {
  mapview::MapView view;
  RecordingHost host;
  mapview::LoadResult result;
  LoadedMif(const ScratchDir& dir, int column_count, int type_column, int label_column,
            std::size_t budget = mapview::MapView::kDefaultBudget) {
    ConversionOptions options;
    options.column_count = column_count;
    options.type_column = type_column;
    options.label_column = label_column;
    view.SetViewportSize(800, 600);
    view.SetMemoryBudget(budget);
    result = view.LoadMif(dir.File("map.mif"), dir.File("map.mid"), options, dir.File(""), host);
  }
};

}  // namespace mirvex::test
