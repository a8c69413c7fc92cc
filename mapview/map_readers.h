// How the map view reads its two formats: a MIF through the MIF object reader, each
// object decided as the conversion decides it, and a Garmin text map through the
// text-map reader. Each reads its file line by line from where the caller left it and
// hands every object to a MapSummaryBuilder.
// Internal to mapview/.
#pragma once

#include <cstdint>
#include <optional>

#include "base/progress.h"
#include "base/text_reader.h"
#include "dictionary/object_dictionary.h"
#include "mapinfo/mid_reader.h"
#include "mapinfo/mif_lines.h"
#include "operations/georef.h"
#include "operations/map_coordinates.h"
#include "mapview/map_view.h"
#include "operations/options.h"

namespace mirvex::mapview {

class MapSummaryBuilder;

// What a read could not take: lines that could not be parsed, and objects left out
// because a coordinate of theirs is no number (MIF maps only).
struct ReadTrouble {
  std::uint64_t unreadable = 0;
  std::uint64_t objects_without_numbers = 0;
  UntransformedObjects untransformed;  // MIF maps transformed into WGS 84 only
};

// Reads a MIF's header up to and including its Data line into `header`: false when
// there is no Data line.
bool ReadMifHeader(TextReader& mif, MifHeaderInfo& header);

// Reads the MIF's objects after its Data line, each with its MID record, as a
// conversion with `options` would, until the end or until `progress` is stopped.
ReadTrouble ReadMifObjects(TextReader& mif, MidReader& mid, MapSummaryBuilder& builder,
                           const ConversionOptions& options, const DictionaryImage* dictionary,
                           const std::optional<Georef>& georef, Wgs84Transform* to_wgs84, bool utf8,
                           std::int64_t column_count, ProgressReporter& progress, const ObjectWatcher& watcher);

// Reads a Garmin text map's objects until the end or until `progress` is stopped.
ReadTrouble ReadTextMapObjects(TextReader& map, MapSummaryBuilder& builder, ProgressReporter& progress,
                               const ObjectWatcher& watcher);

}  // namespace mirvex::mapview
