#include "operations/compile_tiles.h"

#include <algorithm>

namespace mirvex {

TilingChoice ChooseTiling(std::uint64_t map_bytes, unsigned cores, std::uint64_t available_memory,
                          std::uint64_t tile_bytes_wanted) {
  TilingChoice choice;
  std::uint64_t threshold = tile_bytes_wanted > 0 ? tile_bytes_wanted : kTilingThreshold;
  std::uint64_t planned = tile_bytes_wanted > 0 ? tile_bytes_wanted : kTileBytes;
  if (map_bytes <= threshold) return choice;
  choice.tiles = static_cast<int>(std::max<std::uint64_t>(2, (map_bytes + planned - 1) / planned));
  std::uint64_t tile_bytes = (map_bytes + static_cast<std::uint64_t>(choice.tiles) - 1) / choice.tiles;
  std::uint64_t tile_heap = tile_bytes * kHeapPerTileByte;
  choice.jobs = static_cast<int>(std::clamp<unsigned>(cores, 1u, static_cast<unsigned>(choice.tiles)));
  // No more jobs than the free memory holds heaps for; Java and mkgmap themselves take
  // a little besides.
  constexpr std::uint64_t kBaseHeap = std::uint64_t{256} << 20;
  if (available_memory > 0) {
    std::uint64_t usable = available_memory / 4 * 3;
    while (choice.jobs > 1 && kBaseHeap + tile_heap * static_cast<std::uint64_t>(choice.jobs) > usable) --choice.jobs;
  }
  choice.heap_megabytes = (kBaseHeap + tile_heap * static_cast<std::uint64_t>(choice.jobs)) >> 20;
  return choice;
}

std::vector<std::string> TileArguments(const std::vector<TileFile>& tiles, std::string_view overview_number,
                                       int jobs) {
  std::vector<std::string> arguments = {"--tdbfile", "--overview-mapname=" + std::string(overview_number),
                                        "--max-jobs=" + std::to_string(std::max(1, jobs))};
  for (const TileFile& tile : tiles) {
    arguments.push_back("--mapname=" + tile.map_number);
    std::string_view path = tile.path;
    std::size_t slash = path.find_last_of("/\\");
    arguments.emplace_back(slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  return arguments;
}

void TileProgress::Line(std::string_view line) {
  if (line.find("Started loading tile-") != std::string_view::npos) ++started_;
  if (line.find("Combining maps") != std::string_view::npos) combining_ = true;
}

int TileProgress::done() const {
  if (combining_) return tiles_;
  return std::clamp(started_ - jobs_, 0, tiles_);
}

}  // namespace mirvex
