#include "garmin/map_locator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <utility>

#include "base/text.h"
#include "base/text_reader.h"
#include "garmin/text_map_reader.h"

namespace mirvex {

namespace {

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A coordinate's number. A decimal beyond the range of a double reads as infinite, and
// the words "nan" and "inf" as what they name, so that the range check reports them
// rather than letting them pass as text the compiler might still read.
bool ParseNumber(std::string_view text, double& value) {
  text = TrimSpace(text);
  if (ParseDecimal(text, value)) return true;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !std::isfinite(value);
}

bool ParseTypeNumber(std::string_view text, std::int64_t& value) {
  text = TrimSpace(text);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

double Distance(double lat1, double lon1, double lat2, double lon2) {
  return std::max(std::fabs(lat1 - lat2), std::fabs(lon1 - lon2));
}

class Locator {
 public:
  explicit Locator(std::vector<PlaceRequest>& requests) : requests_(requests), best_(requests.size(), kNone) {
    for (PlaceRequest& request : requests_) {
      request.found.clear();
      request.more = 0;
    }
  }

  void Line(std::string_view text) {
    ++line_number_;
    TextMapLine line = ReadTextMapLine(text);
    if (line.kind == TextMapLineKind::kSection && line.object_section != 0) {
      ++section_;
      kind_ = std::string(line.name);
      for (char& c : kind_) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
      in_section_ = true;
    }
    MatchLine();
    if (line.kind == TextMapLineKind::kSectionEnd) in_section_ = false;
    if (!in_section_ || line.kind != TextMapLineKind::kKey) return;
    if (line.key_kind == TextMapKey::kType) {
      TypeLine(line.value);
    } else if (line.key_kind == TextMapKey::kCoordinates) {
      CoordinateLine(line.value);
    }
  }

  void Finish() {
    // Each coordinate request keeps the sections whose vertex lies nearest.
    for (std::size_t i = 0; i < requests_.size(); ++i) {
      if (requests_[i].query != PlaceQuery::kCoordinate) continue;
      std::vector<MapPlace> nearest;
      for (const auto& [distance, place] : candidates_[i]) {
        if (distance <= best_[i] + 1e-12) nearest.push_back(place);
      }
      requests_[i].found.clear();
      requests_[i].more = 0;
      for (const MapPlace& place : nearest) Add(requests_[i], place);
    }
  }

 private:
  static constexpr double kNone = std::numeric_limits<double>::infinity();

  MapPlace Here() const { return in_section_ ? MapPlace{section_, kind_, line_number_} : MapPlace{0, "", line_number_}; }

  static void Add(PlaceRequest& request, const MapPlace& place) {
    if (!request.found.empty() && request.found.back() == place) return;
    if (request.found.size() < kMaxPlaces) {
      request.found.push_back(place);
    } else {
      ++request.more;
    }
  }

  void MatchLine() {
    for (PlaceRequest& request : requests_) {
      if (request.query == PlaceQuery::kLine && request.line == line_number_) Add(request, Here());
    }
  }

  void TypeLine(std::string_view value) {
    bool fits = TypeFitsSection(kind_, value);
    for (PlaceRequest& request : requests_) {
      if (request.query == PlaceQuery::kBadType && !fits) Add(request, Here());
    }
  }

  void CoordinateLine(std::string_view value) {
    pairs_.clear();
    bool parsed = ParseCoordinatePairs(value, pairs_);
    for (std::size_t i = 0; i < requests_.size(); ++i) {
      PlaceRequest& request = requests_[i];
      switch (request.query) {
        case PlaceQuery::kBrokenCoordinates:
          if (!parsed && (request.token.empty() || HoldsCoordinateText(value, request.token))) Add(request, Here());
          break;
        case PlaceQuery::kCoordinateOutOfRange:
          for (const auto& [latitude, longitude] : pairs_) {
            // Written so that NaN, which compares false with everything, is out of range too.
            if (!(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180)) {
              Add(request, Here());
              break;
            }
          }
          break;
        case PlaceQuery::kCoordinate:
          for (const auto& [latitude, longitude] : pairs_) {
            double distance = Distance(latitude, longitude, request.latitude, request.longitude);
            if (distance > kCoordinateTolerance || distance > best_[i] + 1e-12) continue;
            best_[i] = std::min(best_[i], distance);
            auto& list = candidates_[i];
            MapPlace place = Here();
            if (list.empty() || !(list.back().second == place)) list.emplace_back(distance, place);
            else list.back().first = std::min(list.back().first, distance);
            // Only the nearest are kept; a list of ties stays short.
            if (list.size() > 4 * kMaxPlaces) {
              std::erase_if(list, [&](const auto& entry) { return entry.first > best_[i] + 1e-12; });
            }
          }
          break;
        case PlaceQuery::kLine:
        case PlaceQuery::kBadType:
          break;
      }
    }
  }

  // True when one of the comma- or bracket-separated pieces of the value is the token.
  static bool HoldsCoordinateText(std::string_view value, std::string_view token) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
      if (i == value.size() || value[i] == ',' || value[i] == '(' || value[i] == ')') {
        if (TrimSpace(value.substr(start, i - start)) == token) return true;
        start = i + 1;
      }
    }
    return false;
  }

  std::vector<PlaceRequest>& requests_;
  std::vector<double> best_;
  std::map<std::size_t, std::vector<std::pair<double, MapPlace>>> candidates_;
  std::vector<std::pair<double, double>> pairs_;
  std::int64_t line_number_ = 0;
  int section_ = 0;
  std::string kind_;
  bool in_section_ = false;
};

}  // namespace

bool ReadTextMapHeader(std::string_view path, TextMapHeader& header) {
  header = {};
  TextReader reader;
  if (!reader.Open(path)) return false;
  std::string_view text;
  bool in_header = false;
  while (reader.ReadLine(text)) {
    TextMapLine line = ReadTextMapLine(text);
    if (line.kind == TextMapLineKind::kSection || line.kind == TextMapLineKind::kSectionEnd) {
      if (EqualsIgnoreAsciiCase(line.name, "IMG ID")) {
        in_header = true;
        continue;
      }
      if (in_header || line.object_section != 0) break;
      continue;
    }
    if (!in_header || line.kind != TextMapLineKind::kKey) continue;
    std::string_view key = line.key;
    std::string value(TrimSpace(line.value));
    if (EqualsIgnoreAsciiCase(key, "ID")) header.id = value;
    if (EqualsIgnoreAsciiCase(key, "Name")) header.name = value;
    if (EqualsIgnoreAsciiCase(key, "CodePage")) header.code_page = value;
  }
  return true;
}

LocateEnd LocateInTextMap(std::string_view path, std::vector<PlaceRequest>& requests,
                          const std::function<bool()>& keep_going) {
  TextReader reader;
  if (!reader.Open(path)) return LocateEnd::kUnreadable;
  Locator locator(requests);
  std::string_view line;
  std::uint32_t count = 0;
  while (reader.ReadLine(line)) {
    locator.Line(line);
    if ((++count & 0xffff) == 0 && keep_going && !keep_going()) return LocateEnd::kStopped;
  }
  locator.Finish();
  return reader.ReadFailed() ? LocateEnd::kUnreadable : LocateEnd::kRead;
}

void LocateInTextMapBytes(std::string bytes, std::vector<PlaceRequest>& requests) {
  TextReader reader;
  reader.OpenBytes(std::move(bytes));
  Locator locator(requests);
  std::string_view line;
  while (reader.ReadLine(line)) locator.Line(line);
  locator.Finish();
}

bool TypeFitsSection(std::string_view kind, std::string_view type_text) {
  std::int64_t type = 0;
  if (!ParseTypeNumber(type_text, type)) return false;
  if (type >= 0x10000) return (type & 0xff) <= 0x1f;
  bool polyline = EqualsIgnoreAsciiCase(kind, "RGN40");
  bool polygon = EqualsIgnoreAsciiCase(kind, "RGN80");
  if (polyline || polygon) {
    if (type >= 0x100 && (type & 0xff) == 0) type >>= 8;
    return type <= (polyline ? 0x3f : 0x7f);
  }
  return type < 0x100 || (type & 0xff) <= 0x1f;
}

bool ParseCoordinatePairs(std::string_view value, std::vector<std::pair<double, double>>& pairs) {
  std::size_t at = 0;
  std::string_view latitude_text, longitude_text;
  while (true) {
    switch (NextCoordinatePair(value, at, latitude_text, longitude_text)) {
      case PairStep::kEnd:
        return !pairs.empty();
      case PairStep::kBroken:
        return false;
      case PairStep::kPair:
        break;
    }
    double latitude = 0, longitude = 0;
    if (!ParseNumber(latitude_text, latitude) || !ParseNumber(longitude_text, longitude)) return false;
    pairs.emplace_back(latitude, longitude);
  }
}

}  // namespace mirvex
