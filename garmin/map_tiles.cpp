#include "garmin/map_tiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <numbers>
#include <random>

#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "garmin/text_map_reader.h"

namespace mirvex {

namespace {

enum class ObjectKind { kNone, kPoint, kLine, kRegion };

// What an object section holds: a point ([RGN10], [RGN20], [POI]), a line ([RGN40],
// [POLYLINE]) or a region ([RGN80], [POLYGON]); kNone for any other section.
ObjectKind KindOfSection(std::string_view name) {
  auto is = [&](std::string_view word) { return EqualsIgnoreAsciiCase(name, word); };
  if (is("RGN10") || is("RGN20") || is("POI")) return ObjectKind::kPoint;
  if (is("RGN40") || is("POLYLINE")) return ObjectKind::kLine;
  if (is("RGN80") || is("POLYGON")) return ObjectKind::kRegion;
  return ObjectKind::kNone;
}

struct Extent {
  double west = std::numeric_limits<double>::infinity();
  double south = std::numeric_limits<double>::infinity();
  double east = -std::numeric_limits<double>::infinity();
  double north = -std::numeric_limits<double>::infinity();
  bool empty() const { return west > east; }
  void Add(double x, double y) {
    west = std::min(west, x);
    east = std::max(east, x);
    south = std::min(south, y);
    north = std::max(north, y);
  }
};

bool Holds(const ClipBox& box, double x, double y) {
  return x >= box.west && x <= box.east && y >= box.south && y <= box.north;
}

bool Holds(const ClipBox& box, const Extent& extent) {
  return extent.west >= box.west && extent.east <= box.east && extent.south >= box.south &&
         extent.north <= box.north;
}

bool Meets(const ClipBox& box, const Extent& extent) {
  return extent.west <= box.east && extent.east >= box.west && extent.south <= box.north &&
         extent.north >= box.south;
}

// One coordinate line of an object: its index (N of DataN), whether it is an OriginN
// line, and its positions.
struct CoordinateLine {
  int index = 0;
  bool origin = false;
  ClipPath path;
};

// The object being read: its lines as written, where it began, and its positions.
class ObjectBuffer {
 public:
  void Start(std::string_view section_line, std::int64_t line_number, ObjectKind kind) {
    text_.clear();
    line_ends_.clear();
    coordinate_lines_ = 0;
    first_line_ = line_number;
    kind_ = kind;
    extent_ = Extent();
    Add(section_line, nullptr);
  }
  // Adds a line; `line` is its reading when it is a coordinate line.
  void Add(std::string_view text, const TextMapLine* line) {
    text_.append(text);
    text_.append(kLineBreak);
    line_ends_.push_back(text_.size());
    is_coordinates_.resize(line_ends_.size());
    is_coordinates_.back() = line != nullptr;
    if (line == nullptr) return;
    if (coordinates_.size() <= coordinate_lines_) coordinates_.resize(coordinate_lines_ + 1);
    CoordinateLine& coordinates = coordinates_[coordinate_lines_++];
    coordinates.index = line->coordinate_index;
    coordinates.origin = line->origin;
    coordinates.path.clear();
    std::size_t at = 0;
    std::string_view latitude, longitude;
    while (NextCoordinatePair(line->value, at, latitude, longitude) == PairStep::kPair) {
      double y = Value(latitude), x = Value(longitude);
      coordinates.path.push_back({x, y});
      extent_.Add(x, y);
    }
  }
  ObjectKind kind() const { return kind_; }
  const Extent& extent() const { return extent_; }
  std::int64_t first_line() const { return first_line_; }
  std::string_view text() const { return text_; }
  std::size_t line_count() const { return line_ends_.size(); }
  std::string_view Line(std::size_t i) const {
    std::size_t begin = i == 0 ? 0 : line_ends_[i - 1];
    return std::string_view(text_).substr(begin, line_ends_[i] - begin - kLineBreak.size());
  }
  bool IsCoordinates(std::size_t i) const { return is_coordinates_[i]; }
  std::size_t coordinate_lines() const { return coordinate_lines_; }
  const CoordinateLine& Coordinates(std::size_t i) const { return coordinates_[i]; }
  const ClipPoint* FirstPosition() const {
    for (std::size_t i = 0; i < coordinate_lines_; ++i) {
      if (!coordinates_[i].path.empty()) return &coordinates_[i].path.front();
    }
    return nullptr;
  }

 private:
  std::string text_;
  std::vector<std::size_t> line_ends_;
  std::vector<bool> is_coordinates_;
  std::vector<CoordinateLine> coordinates_;  // reused from object to object
  std::size_t coordinate_lines_ = 0;
  std::int64_t first_line_ = 0;
  ObjectKind kind_ = ObjectKind::kNone;
  Extent extent_;
};

// Reads a text map a line at a time into the header, the other sections and the
// objects, each handed over once complete.
class TileMapReader {
 public:
  // `on_object(object)` for each object section; `on_other(line, in_header)` for every
  // other line outside objects.
  template <typename OnObject, typename OnOther>
  TileReadEnd Read(std::string_view map, const std::function<bool()>& keep_going, OnObject on_object,
                   OnOther on_other) {
    TextReader reader;
    if (!reader.Open(map)) return TileReadEnd::kUnreadable;
    std::string_view text;
    std::int64_t number = 0;
    bool in_object = false;
    bool in_header = true;
    while (reader.ReadLine(text)) {
      ++number;
      if ((number & 0xffff) == 0 && !keep_going()) return TileReadEnd::kStopped;
      TextMapLine line = ReadTextMapLine(text);
      if (line.kind == TextMapLineKind::kSection) {
        ObjectKind kind = KindOfSection(line.name);
        if (in_object) on_object(object_);
        in_object = kind != ObjectKind::kNone;
        if (in_object) {
          in_header = false;
          object_.Start(text, number, kind);
          continue;
        }
        if (!EqualsIgnoreAsciiCase(line.name, "IMG ID")) in_header = false;
        on_other(text, in_header);
        continue;
      }
      if (in_object) {
        bool coordinates = line.kind == TextMapLineKind::kKey && line.key_kind == TextMapKey::kCoordinates;
        object_.Add(text, coordinates ? &line : nullptr);
        if (line.kind == TextMapLineKind::kSectionEnd) {
          on_object(object_);
          in_object = false;
        }
        continue;
      }
      on_other(text, in_header);
      if (line.kind == TextMapLineKind::kSectionEnd && EqualsIgnoreAsciiCase(line.name, "END-IMG ID")) {
        in_header = false;
      }
    }
    if (in_object) on_object(object_);
    return reader.ReadFailed() ? TileReadEnd::kUnreadable : TileReadEnd::kRead;
  }

 private:
  ObjectBuffer object_;
};

// A sampled object: the middle of its extent and its bytes in the map.
struct Sample {
  double x = 0, y = 0;
  double bytes = 0;
};

// Splits `box` into `count` rectangles over the samples, each side of a cut holding
// its share of the samples' bytes; the cut runs across the longer side (a degree of
// longitude counted shorter by the cosine of the latitude).
void SplitTiles(const ClipBox& box, std::vector<Sample>::iterator begin, std::vector<Sample>::iterator end, int count,
                std::vector<ClipBox>& tiles) {
  if (count <= 1) {
    tiles.push_back(box);
    return;
  }
  double middle_latitude = (box.south + box.north) / 2 * std::numbers::pi / 180;
  bool across_longitude = (box.east - box.west) * std::cos(middle_latitude) >= box.north - box.south;
  auto key = [&](const Sample& s) { return across_longitude ? s.x : s.y; };
  std::sort(begin, end, [&](const Sample& a, const Sample& b) { return key(a) < key(b); });
  int first = count / 2;
  double total = 0;
  for (auto it = begin; it != end; ++it) total += it->bytes;
  double wanted = total * first / count;
  double low = across_longitude ? box.west : box.south, high = across_longitude ? box.east : box.north;
  double cut = low + (high - low) * first / count;  // without samples, an even cut
  auto split = begin;
  double sum = 0;
  for (auto it = begin; it != end; ++it) {
    sum += it->bytes;
    if (sum >= wanted) {
      cut = key(*it);
      split = it + 1;
      break;
    }
  }
  // A cut on the box's own edge would leave an empty rectangle.
  if (!(cut > low && cut < high)) {
    cut = low + (high - low) * first / count;
    split = std::partition_point(begin, end, [&](const Sample& s) { return key(s) <= cut; });
  }
  ClipBox near = box, far = box;
  if (across_longitude) {
    near.east = far.west = cut;
  } else {
    near.north = far.south = cut;
  }
  SplitTiles(near, begin, split, first, tiles);
  SplitTiles(far, split, end, count - first, tiles);
}

std::string TileNumberText(std::size_t index) {
  std::string number = std::to_string(index + 1);
  return std::string(number.size() < 3 ? 3 - number.size() : 0, '0') + number;
}

// The tile's header: the map's, with ID and Name its own.
std::string TileHeader(const std::vector<std::string>& header, std::size_t index, std::string_view code_page,
                       std::string& map_number) {
  std::int64_t base = 0;
  std::string name;
  bool has_code_page = false;
  for (const std::string& text : header) {
    TextMapLine line = ReadTextMapLine(text);
    if (line.kind != TextMapLineKind::kKey) continue;
    if (EqualsIgnoreAsciiCase(line.key, "ID")) base = static_cast<std::int64_t>(Value(line.value));
    if (EqualsIgnoreAsciiCase(line.key, "Name")) name = std::string(TrimBlanks(line.value));
    has_code_page = has_code_page || EqualsIgnoreAsciiCase(line.key, "CodePage");
  }
  if (base <= 0 || base > 99999999) base = 63240000;
  std::int64_t id = (base + static_cast<std::int64_t>(index) + 1) % 100000000;
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08lld", static_cast<long long>(id));
  map_number = digits;
  std::string tile_name = (name.empty() ? std::string("Mirvex") : name) + " " + TileNumberText(index);
  std::string out;
  bool id_written = false, name_written = false;
  for (const std::string& text : header) {
    TextMapLine line = ReadTextMapLine(text);
    if (line.kind == TextMapLineKind::kKey && EqualsIgnoreAsciiCase(line.key, "ID")) {
      out += "ID=" + map_number + std::string(kLineBreak);
      id_written = true;
    } else if (line.kind == TextMapLineKind::kKey && EqualsIgnoreAsciiCase(line.key, "Name")) {
      out += "Name=" + tile_name + std::string(kLineBreak);
      name_written = true;
    } else if (line.kind == TextMapLineKind::kSectionEnd && EqualsIgnoreAsciiCase(line.name, "END-IMG ID")) {
      if (!id_written) out += "ID=" + map_number + std::string(kLineBreak);
      if (!name_written) out += "Name=" + tile_name + std::string(kLineBreak);
      if (!has_code_page) out += "CodePage=" + std::string(code_page) + std::string(kLineBreak);
      id_written = name_written = true;
      out += text + std::string(kLineBreak);
    } else {
      out += text + std::string(kLineBreak);
    }
  }
  return out;
}

void AppendPath(std::string& out, const CoordinateLine& line, const ClipPath& path) {
  out += line.origin ? "Origin" : "Data";
  out += std::to_string(line.index);
  out += '=';
  AppendPairList(out, path);
  out += kLineBreak;
}

// The object's pieces inside one tile, as the coordinate lines that replace its own;
// empty when nothing of it lies there.
std::string PiecesInTile(const ObjectBuffer& object, const ClipBox& tile) {
  std::string out;
  if (object.kind() == ObjectKind::kLine) {
    for (std::size_t i = 0; i < object.coordinate_lines(); ++i) {
      const CoordinateLine& line = object.Coordinates(i);
      for (const ClipPath& piece : ClipPolyline(line.path, tile)) AppendPath(out, line, piece);
    }
    return out;
  }
  // A region: the rings of each level together, holes kept.
  std::vector<bool> done(object.coordinate_lines());
  for (std::size_t i = 0; i < object.coordinate_lines(); ++i) {
    if (done[i]) continue;
    std::vector<ClipPath> rings;
    for (std::size_t j = i; j < object.coordinate_lines(); ++j) {
      const CoordinateLine& line = object.Coordinates(j);
      if (done[j] || line.index != object.Coordinates(i).index || line.origin != object.Coordinates(i).origin) continue;
      done[j] = true;
      rings.push_back(line.path);
    }
    for (const ClippedPolygon& polygon : ClipRegion(rings, tile)) {
      AppendPath(out, object.Coordinates(i), polygon.outer);
      for (const ClipPath& hole : polygon.holes) AppendPath(out, object.Coordinates(i), hole);
    }
  }
  return out;
}

}  // namespace

TileReadEnd PlanTiles(std::string_view map, int tile_count, const std::function<bool()>& keep_going,
                      TilePlan& plan) {
  // A bounded sample of the objects stands for all of them: the plan's memory does not
  // grow with the map.
  constexpr std::size_t kSampleLimit = 1 << 18;
  std::vector<Sample> samples;
  std::mt19937_64 random(20261210);
  Extent extent;
  plan = TilePlan();
  TileMapReader reader;
  TileReadEnd end = reader.Read(
      map, keep_going,
      [&](const ObjectBuffer& object) {
        plan.map_bytes += object.text().size();
        if (object.extent().empty()) return;
        ++plan.objects;
        const Extent& e = object.extent();
        extent.Add(e.west, e.south);
        extent.Add(e.east, e.north);
        Sample sample{(e.west + e.east) / 2, (e.south + e.north) / 2, static_cast<double>(object.text().size())};
        if (samples.size() < kSampleLimit) {
          samples.push_back(sample);
        } else if (std::uint64_t slot = random() % plan.objects; slot < kSampleLimit) {
          samples[slot] = sample;
        }
      },
      [&](std::string_view text, bool) { plan.map_bytes += text.size() + kLineBreak.size(); });
  if (end != TileReadEnd::kRead) return end;
  if (extent.empty()) extent.Add(0, 0);
  // A margin around the map keeps every position strictly inside the outer tiles.
  double margin = 1e-7;
  ClipBox whole{extent.west - margin, extent.south - margin, extent.east + margin, extent.north + margin};
  SplitTiles(whole, samples.begin(), samples.end(), std::max(1, tile_count), plan.tiles);
  return TileReadEnd::kRead;
}

TileReadEnd WriteTiles(std::string_view map, const TilePlan& plan, std::string_view folder,
                       std::string_view code_page, const std::function<bool()>& keep_going,
                       std::vector<TileFile>& files, std::string& failed_path) {
  files.assign(plan.tiles.size(), TileFile());
  // Many tiles are written side by side: each takes a small buffer.
  constexpr std::size_t kTileBuffer = 64 * 1024;
  std::vector<std::unique_ptr<ResultFile>> out(plan.tiles.size());
  for (std::size_t i = 0; i < plan.tiles.size(); ++i) {
    files[i].path = std::string(folder) + kPathSeparator + "tile-" + TileNumberText(i) + ".mp";
    out[i] = std::make_unique<ResultFile>();
    if (!out[i]->Open(files[i].path, kTileBuffer)) {
      failed_path = files[i].path;
      return TileReadEnd::kUnreadable;
    }
  }
  std::vector<std::string> header;
  bool header_written = false;
  auto write_headers = [&] {
    if (header_written) return;
    header_written = true;
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i]->Write(TileHeader(header, i, code_page, files[i].map_number));
    }
  };
  std::string mark;
  TileMapReader reader;
  TileReadEnd end = reader.Read(
      map, keep_going,
      [&](const ObjectBuffer& object) {
        write_headers();
        auto write = [&](std::size_t tile, std::string_view body, bool whole) {
          mark.assign(kTileSourceMark);
          mark += std::to_string(object.first_line());
          if (!whole) mark += " piece";
          out[tile]->WriteLine(mark);
          out[tile]->Write(body);
          ++files[tile].objects;
        };
        if (object.extent().empty()) {
          // No position to place it by (no coordinates, or none that read): the first
          // tile takes it as it stands, so the compiler reports it as it would in the
          // whole map rather than the object vanishing without a word.
          if (!out.empty()) write(0, object.text(), true);
          return;
        }
        if (object.kind() == ObjectKind::kPoint) {
          const ClipPoint* at = object.FirstPosition();
          for (std::size_t t = 0; t < plan.tiles.size(); ++t) {
            if (Holds(plan.tiles[t], at->x, at->y)) {
              write(t, object.text(), true);
              return;
            }
          }
          return;
        }
        for (std::size_t t = 0; t < plan.tiles.size(); ++t) {
          if (Holds(plan.tiles[t], object.extent())) {
            write(t, object.text(), true);
            return;
          }
        }
        for (std::size_t t = 0; t < plan.tiles.size(); ++t) {
          if (!Meets(plan.tiles[t], object.extent())) continue;
          std::string pieces = PiecesInTile(object, plan.tiles[t]);
          if (pieces.empty()) continue;
          // The object's own lines, its coordinate lines replaced by the pieces where
          // the first of them stood.
          std::string body;
          bool placed = false;
          for (std::size_t i = 0; i < object.line_count(); ++i) {
            if (!object.IsCoordinates(i)) {
              body.append(object.Line(i)).append(kLineBreak);
            } else if (!placed) {
              body += pieces;
              placed = true;
            }
          }
          write(t, body, false);
        }
      },
      [&](std::string_view text, bool in_header) {
        if (in_header) {
          header.emplace_back(text);
          return;
        }
        // Sections that hold no object go to every tile; blank lines between objects
        // to none.
        if (TrimBlanks(text).empty()) return;
        write_headers();
        for (auto& file : out) file->WriteLine(text);
      });
  write_headers();
  if (end != TileReadEnd::kRead) return end;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!out[i]->Commit()) {
      failed_path = files[i].path;
      return TileReadEnd::kUnreadable;
    }
  }
  return TileReadEnd::kRead;
}

std::int64_t OriginalLine(std::string_view tile_path, std::int64_t tile_line) {
  TextReader reader;
  if (!reader.Open(tile_path)) return 0;
  std::string_view text;
  std::int64_t number = 0, mark_line = 0, source = 0;
  bool piece = false;
  while (number < tile_line && reader.ReadLine(text)) {
    ++number;
    if (text.substr(0, kTileSourceMark.size()) != kTileSourceMark) continue;
    std::string_view rest = text.substr(kTileSourceMark.size());
    source = static_cast<std::int64_t>(Value(rest));
    piece = rest.find("piece") != std::string_view::npos;
    mark_line = number;
  }
  if (number < tile_line || mark_line == 0) return 0;
  if (tile_line == mark_line) return source;
  return piece ? source : source + (tile_line - mark_line - 1);
}

}  // namespace mirvex
