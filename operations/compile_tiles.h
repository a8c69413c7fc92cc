// A big map is compiled as tiles: split into rectangles of similar size (garmin/map_tiles.h),
// each a map of its own, compiled by mkgmap side by side on the machine's cores into one
// gmapsupp.img, with the overview map and .tdb a desktop map manager installs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "garmin/map_tiles.h"

namespace mirvex {

// A map up to this size compiles as one map, as it always has; a larger one is tiled.
inline constexpr std::uint64_t kTilingThreshold = std::uint64_t{24} << 20;
// The text a tile is planned to hold: its compiled regions stay far below mkgmap's
// 16 MiB a tile, and its Java heap modest.
inline constexpr std::uint64_t kTileBytes = std::uint64_t{16} << 20;
// The Java heap a tile takes, per byte of its text.
inline constexpr std::uint64_t kHeapPerTileByte = 48;

struct TilingChoice {
  int tiles = 1;                  // 1: the map is compiled whole
  int jobs = 1;                   // mkgmap's --max-jobs
  std::uint64_t heap_megabytes = 0;  // Java's -Xmx; 0: Java's own choice
};

// The tiles, the parallel jobs and the heap for a map of `map_bytes` on a machine with
// `cores` and `available_memory` bytes free (0: unknown). `tile_bytes` other than 0
// tiles any map larger than it into tiles of about that size (tests use it on small
// maps).
TilingChoice ChooseTiling(std::uint64_t map_bytes, unsigned cores, std::uint64_t available_memory,
                          std::uint64_t tile_bytes = 0);

// The mkgmap arguments after the program's own options for the tiles: the overview map
// and .tdb, the parallel jobs, then each tile's number and file.
std::vector<std::string> TileArguments(const std::vector<TileFile>& tiles, std::string_view overview_number,
                                       int jobs);

// Counts the tiles mkgmap has finished from its log. mkgmap starts a tile ("tile-003.mp:
// Started loading") when one of its jobs is free, so a tile is done once as many more
// have started as there are jobs; all are done when it combines the maps.
class TileProgress {
 public:
  TileProgress(int tiles, int jobs) : tiles_(tiles), jobs_(jobs) {}
  void Line(std::string_view line);
  int done() const;

 private:
  int tiles_;
  int jobs_;
  int started_ = 0;
  bool combining_ = false;
};

}  // namespace mirvex
