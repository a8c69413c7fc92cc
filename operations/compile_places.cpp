#include "operations/compile_places.h"

#include <cstddef>
#include <utility>

namespace mirvex {

namespace {

// The file name without its folder, in lower case, as tiles are known.
std::string TileKey(std::string_view file) {
  auto slash = file.find_last_of("/\\");
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  std::string key(file);
  for (char& c : key) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return key;
}

}  // namespace

void TileLineMap::Add(std::string_view tile, std::int64_t first_line, std::int64_t count, const MapPlace& origin) {
  if (count <= 0) return;
  tiles_[TileKey(tile)][first_line] = Run{count, origin};
}

std::optional<MapPlace> TileLineMap::Find(std::string_view file, std::int64_t line) const {
  auto tile = tiles_.find(TileKey(file));
  if (tile == tiles_.end()) return std::nullopt;
  // The last run that starts at or before the line.
  auto run = tile->second.upper_bound(line);
  if (run == tile->second.begin()) return std::nullopt;
  --run;
  std::int64_t offset = line - run->first;
  if (offset >= run->second.count) return std::nullopt;
  MapPlace place = run->second.origin;
  place.line += offset;
  return place;
}

LineOrigin TileLineMap::Origin() const {
  return [this](std::string_view file, std::int64_t line) { return Find(file, line); };
}

LineOrigin TilesOrigin(const std::vector<TileFile>& tiles) {
  std::vector<std::pair<std::string, std::string>> paths;
  for (const TileFile& tile : tiles) paths.emplace_back(TileKey(tile.path), tile.path);
  return [paths](std::string_view file, std::int64_t line) -> std::optional<MapPlace> {
    std::string key = TileKey(file);
    for (const auto& [name, path] : paths) {
      if (name == key) return MapPlace{0, "", OriginalLine(path, line)};
    }
    return std::nullopt;
  };
}

std::vector<LocatedProblem> PlaceProblems(std::string_view map, const std::vector<CompileProblem>& problems,
                                          const LineOrigin& origin, std::int64_t inserted_line,
                                          const std::function<bool()>& keep_going) {
  std::vector<LocatedProblem> located;
  std::vector<PlaceRequest> requests;
  // For each problem, its request's index, or -1 when it needs none.
  std::vector<std::ptrdiff_t> request_of;
  for (const CompileProblem& problem : problems) {
    LocatedProblem entry;
    entry.problem = problem;
    std::ptrdiff_t index = -1;
    if (problem.has_place) {
      std::optional<MapPlace> known;
      if (problem.place.query == PlaceQuery::kLine && origin) known = origin(problem.file, problem.place.line);
      if (known && known->section != 0) {
        entry.places.push_back(*known);
      } else {
        PlaceRequest request = problem.place;
        if (known) {
          request.line = known->line;
        } else if (request.query == PlaceQuery::kLine && inserted_line > 0 && request.line >= inserted_line) {
          // Line numbers of the copy with the added line are those of the map.
          request.line = request.line == inserted_line ? inserted_line - 1 : request.line - 1;
        }
        index = static_cast<std::ptrdiff_t>(requests.size());
        requests.push_back(std::move(request));
      }
    }
    request_of.push_back(index);
    located.push_back(std::move(entry));
  }
  bool read = requests.empty() || LocateInTextMap(map, requests, keep_going) == LocateEnd::kRead;
  for (std::size_t i = 0; i < located.size(); ++i) {
    if (request_of[i] < 0) continue;
    const PlaceRequest& request = requests[static_cast<std::size_t>(request_of[i])];
    located[i].places = request.found;
    located[i].more_places = request.more;
    CompileProblem& problem = located[i].problem;
    if (read && problem.kind == ProblemKind::kMapRejected && request.found.empty()) {
      // No type in the map is one mkgmap cannot use: the guess would mislead.
      problem.kind = ProblemKind::kMapFailed;
      problem.has_place = false;
    }
  }
  return located;
}

}  // namespace mirvex
