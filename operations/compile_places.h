// The places in the user's map of the problems mkgmap reports: a line of the file
// mkgmap read taken back to the map's section and line, a coordinate or a broken line
// looked for in the map.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "garmin/map_locator.h"
#include "garmin/map_tiles.h"
#include "operations/mkgmap_log.h"

namespace mirvex {

// A problem mkgmap reported, with the places of the map it concerns.
struct LocatedProblem {
  CompileProblem problem;
  std::vector<MapPlace> places;
  std::int64_t more_places = 0;
};

// Where line `line` (from 1) of the file mkgmap names as `file` (as its log writes it,
// cp1251) lies in the user's map: its section, the section's kind and the map's line.
// A place with section 0 gives only the map's line, whose section is then found by
// reading the map. nullopt when the file is the map itself (or its copy), whose line is
// the map's own.
using LineOrigin = std::function<std::optional<MapPlace>(std::string_view file, std::int64_t line)>;

// A LineOrigin for maps cut into tiles: each tile's runs of lines and where they came
// from. A tile is known by its file name without the folder, in any letter case.
class TileLineMap {
 public:
  // Lines first_line .. first_line + count - 1 of `tile` are the map's lines from
  // `origin.line` on, in section `origin.section` (of kind `origin.kind`). Runs of one
  // tile must not overlap.
  void Add(std::string_view tile, std::int64_t first_line, std::int64_t count, const MapPlace& origin);
  // The map's place of that tile line; nullopt for a file or a line no run holds.
  std::optional<MapPlace> Find(std::string_view file, std::int64_t line) const;
  // Find as a LineOrigin; the map must outlive it.
  LineOrigin Origin() const;

 private:
  struct Run {
    std::int64_t count = 0;
    MapPlace origin;
  };
  // By tile name (lower case), then by the run's first line.
  std::map<std::string, std::map<std::int64_t, Run>> tiles_;
};

// A LineOrigin for the tiles WriteTiles wrote: a line of one of them is the map's line
// its source marks name (the section found by reading the map); a line of a tile's
// header is no place in the map (line 0). Each answer reads the tile up to the line.
LineOrigin TilesOrigin(const std::vector<TileFile>& tiles);

// The problems of a log with their places. A line reference goes through `origin`
// first; one it does not answer is a line of the map, or of mkgmap's copy of it with one
// line added at `inserted_line` (0: none). Every other request is answered by one pass
// over `map`; stopped (`keep_going` false) or unreadable, the problems keep the places
// found so far. A map rejected for a bad type it does not hold is reported without
// that guess.
std::vector<LocatedProblem> PlaceProblems(std::string_view map, const std::vector<CompileProblem>& problems,
                                          const LineOrigin& origin, std::int64_t inserted_line,
                                          const std::function<bool()>& keep_going = {});

}  // namespace mirvex
