// Splitting a Garmin text map into tiles: rectangles of longitude/latitude that hold
// similar amounts of the map, each written as a text map of its own that a map
// compiler takes alone. An object wholly inside a tile is written to it byte for byte;
// one that crosses tile edges is cut there, each piece keeping the object's keys.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "garmin/clip_rectangle.h"

namespace mirvex {

struct TilePlan {
  std::vector<ClipBox> tiles;   // together they cover every position of the map
  std::uint64_t map_bytes = 0;
  std::uint64_t objects = 0;
};

enum class TileReadEnd { kRead, kUnreadable, kStopped };

// Reads the map once and splits its extent into `tile_count` rectangles by a k-d split
// on the objects' positions (the middle of each object's extent), each rectangle
// holding about the same number of the map's bytes. `keep_going` is asked now and then.
TileReadEnd PlanTiles(std::string_view map, int tile_count, const std::function<bool()>& keep_going,
                      TilePlan& plan);

// The line each tile starts an object with, before the object's own lines: a comment
// naming the line of the original map the object began at, so a compiler's message
// about a tile's line can be told as the original's.
inline constexpr std::string_view kTileSourceMark = ";@";

struct TileFile {
  std::string path;             // cp1251
  std::string map_number;       // 8 digits: the map's ID plus the tile's number
  std::uint64_t objects = 0;    // objects and pieces written
};

// Writes tile i of the plan as `folder`/tile-NNN.mp (cp1251 folder) in one pass over
// the map: the map's header with ID the map's ID plus the tile's number (within 8
// digits), Name the map's name with the tile's number, and CodePage `code_page` when
// the header names none; then every object that lies in the tile, whole or cut at its
// edges. A point goes to the first tile holding it. On a failure to write,
// `failed_path` names the file.
TileReadEnd WriteTiles(std::string_view map, const TilePlan& plan, std::string_view folder,
                       std::string_view code_page, const std::function<bool()>& keep_going,
                       std::vector<TileFile>& files, std::string& failed_path);

// The line of the original map that line `tile_line` (from 1) of a tile written by
// WriteTiles stands for: the line itself for an object written whole, the object's
// first line for a piece. 0 when the tile cannot be read or the line is in its header.
std::int64_t OriginalLine(std::string_view tile_path, std::int64_t tile_line);

}  // namespace mirvex
