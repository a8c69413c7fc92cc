// Finding things in a Garmin text map by what a map compiler says about them: the
// header's identity, and the section and line of a line number, a coordinate, or a
// kind of broken line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirvex {

// The [IMG ID] block's keys that name the map (values trimmed, empty when missing).
struct TextMapHeader {
  std::string id;
  std::string name;
  std::string code_page;
};

// Reads the header of a text map up to [END-IMG ID] or the first object section; keys
// in any letter case. False when the file cannot be opened.
bool ReadTextMapHeader(std::string_view path, TextMapHeader& header);

// A place in a text map: the section (numbered from 1 in the order of the file, every
// [RGNnn] counted; 0 for a line outside every section, such as the header), its kind
// ("RGN80") and the line (numbered from 1).
struct MapPlace {
  int section = 0;
  std::string kind;
  std::int64_t line = 0;
  bool operator==(const MapPlace&) const = default;
};

enum class PlaceQuery {
  kLine,                  // the section holding `line`
  kCoordinate,            // the sections with a vertex nearest to latitude/longitude
  kBrokenCoordinates,     // Data/Origin lines that are no list of number pairs; with
                          // a `token`, only those with that text as a coordinate
  kBadType,               // Type lines that are no number, or none its section can hold
  kCoordinateOutOfRange,  // pairs beyond ±90 degrees latitude or ±180 longitude, or
                          // no finite number (1e400, NaN)
};

struct PlaceRequest {
  PlaceQuery query = PlaceQuery::kLine;
  std::int64_t line = 0;
  double latitude = 0;
  double longitude = 0;
  std::string token;
  // Filled by LocateInTextMap, in the order of the file, at most kMaxPlaces.
  std::vector<MapPlace> found;
  // Places beyond kMaxPlaces that were not kept.
  std::int64_t more = 0;
};

inline constexpr std::size_t kMaxPlaces = 20;
// How far (in degrees) a vertex may lie from a reported coordinate and still be taken
// for it: compilers round coordinates to their own units (about 2 m) before they print them.
inline constexpr double kCoordinateTolerance = 0.00005;

enum class LocateEnd { kRead, kUnreadable, kStopped };

// Answers every request in one pass over the map. `keep_going`, when given, is asked
// now and then (every 64K lines) and ends the pass early when it says false.
// kUnreadable when the map cannot be read to its end; the requests then hold what was
// found so far.
LocateEnd LocateInTextMap(std::string_view path, std::vector<PlaceRequest>& requests,
                          const std::function<bool()>& keep_going = {});

// The same over a map held in memory (tests).
void LocateInTextMapBytes(std::string bytes, std::vector<PlaceRequest>& requests);

// True when the text after "Type=" is a number (decimal or 0x...) that a section of
// the kind ("RGN10", "RGN20", "RGN40", "RGN80") can carry: an extended type
// (0x10000 and above) with a subtype up to 0x1f; a polyline type up to 0x3f and a
// polygon type up to 0x7f (either also written shifted by a byte, 0x1600); a point
// type below 0x100, or with a subtype up to 0x1f.
bool TypeFitsSection(std::string_view kind, std::string_view type_text);

// The coordinate pairs of a Data or Origin line's value, "(lat,lon),(lat,lon)". False
// when the value is no such list: empty, a pair without its second number, a
// coordinate that is no number. A number too large for a double gives an infinite
// coordinate, "nan" and "inf" (any letter case) a NaN or infinite one.
bool ParseCoordinatePairs(std::string_view value, std::vector<std::pair<double, double>>& pairs);

}  // namespace mirvex
