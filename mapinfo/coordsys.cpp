#include "mapinfo/coordsys.h"

#include <cmath>
#include <cstddef>

#include "base/cp1251.h"
#include "base/text.h"

namespace mirvex {

namespace {

// The parts of a clause: words, numbers, quoted strings and the punctuation between.
struct ClauseToken {
  enum class Kind { kWord, kNumber, kString, kComma, kBracket, kEnd } kind = Kind::kEnd;
  std::string_view text;
  double value = 0;
};

class ClauseTokens {
 public:
  explicit ClauseTokens(std::string_view text) : text_(text) {}

  ClauseToken Next() {
    while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
    ClauseToken token;
    if (at_ == text_.size()) return token;
    char c = text_[at_];
    std::size_t start = at_;
    if (c == ',') {
      ++at_;
      token.kind = ClauseToken::Kind::kComma;
    } else if (c == '(' || c == ')') {
      ++at_;
      token.kind = ClauseToken::Kind::kBracket;
    } else if (c == '"') {
      std::size_t close = text_.find('"', at_ + 1);
      if (close == std::string_view::npos) close = text_.size();
      token.kind = ClauseToken::Kind::kString;
      token.text = text_.substr(at_ + 1, close - at_ - 1);
      at_ = close < text_.size() ? close + 1 : close;
      return token;
    } else {
      while (at_ < text_.size() && !IsBlank(text_[at_]) && text_[at_] != ',' && text_[at_] != '(' &&
             text_[at_] != ')' && text_[at_] != '"') {
        ++at_;
      }
      token.kind = ParseDecimal(text_.substr(start, at_ - start), token.value) && std::isfinite(token.value)
                       ? ClauseToken::Kind::kNumber
                       : ClauseToken::Kind::kWord;
    }
    token.text = text_.substr(start, at_ - start);
    return token;
  }

  ClauseToken Peek() {
    std::size_t saved = at_;
    ClauseToken token = Next();
    at_ = saved;
    return token;
  }
  std::size_t position() const { return at_; }
  void Rewind(std::size_t position) { at_ = position; }

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  std::string_view text_;
  std::size_t at_ = 0;
};

struct UnitSize {
  std::string_view name;
  double metres;
};

// MapInfo's names of linear units.
constexpr UnitSize kUnits[] = {
    {"m", 1},          {"km", 1000},         {"cm", 0.01},          {"mm", 0.001},
    {"mi", 1609.344},  {"nmi", 1852},        {"in", 0.0254},        {"ft", 0.3048},
    {"yd", 0.9144},    {"survey ft", 1200.0 / 3937.0},              {"li", 0.201168},
    {"ch", 20.1168},   {"rd", 5.0292},
};

bool IsWord(const ClauseToken& token, std::string_view word) {
  return token.kind == ClauseToken::Kind::kWord && EqualsIgnoreAsciiCase(token.text, word);
}

std::string NumberPhrase(std::string_view what, double value) {
  return Ru(what) + " " + NumberText(value);
}

// Reads the comma-separated numbers that follow, stopping before a comma that
// precedes a quoted string. False when a comma is followed by nothing, a word or
// another comma.
bool ReadNumberList(ClauseTokens& tokens, std::vector<double>& numbers) {
  while (tokens.Peek().kind == ClauseToken::Kind::kComma) {
    std::size_t before_comma = tokens.position();
    tokens.Next();
    ClauseToken token = tokens.Next();
    if (token.kind == ClauseToken::Kind::kString) {
      tokens.Rewind(before_comma);
      return true;
    }
    if (token.kind != ClauseToken::Kind::kNumber) return false;
    numbers.push_back(token.value);
  }
  return true;
}

bool IsWhole(double value) { return value == std::floor(value) && std::fabs(value) < 1e9; }

}  // namespace

std::optional<int> ProjectionParameterCount(int projection) {
  switch (projection) {
    case 1:
      return 0;
    case 10: case 11: case 12: case 13: case 14: case 15: case 16: case 17:
      return 1;
    case 2: case 4: case 5: case 26: case 28: case 29:
      return 2;
    case 18: case 25: case 27: case 30:
      return 4;
    case 8: case 20: case 21: case 22: case 23: case 24: case 31:
      return 5;
    case 3: case 6: case 7: case 9: case 32:
      return 6;
    default:
      return std::nullopt;
  }
}

std::optional<MapInfoCoordSys> ParseCoordSys(std::string_view clause, std::string& problem) {
  MapInfoCoordSys coordsys;
  coordsys.clause = std::string(TrimBlanks(clause));
  ClauseTokens tokens(clause);
  const std::string malformed = Ru("предложение CoordSys не прочитано");
  ClauseToken token = tokens.Next();
  if (IsWord(token, "CoordSys")) token = tokens.Next();
  if (IsWord(token, "NonEarth")) {
    coordsys.kind = CoordSysKind::kNonEarth;
    return coordsys;
  }
  if (!IsWord(token, "Earth")) {
    problem = malformed;
    return std::nullopt;
  }
  coordsys.kind = CoordSysKind::kEarth;
  if (!IsWord(tokens.Next(), "Projection")) {
    problem = malformed;
    return std::nullopt;
  }
  ClauseToken projection = tokens.Next();
  if (projection.kind != ClauseToken::Kind::kNumber || !IsWhole(projection.value) || projection.value < 0) {
    problem = malformed;
    return std::nullopt;
  }
  // MapInfo adds 1000 when an affine clause follows, 2000 for bounds, 3000 for both.
  coordsys.projection = static_cast<int>(projection.value) % 1000;
  std::optional<int> parameter_count = ProjectionParameterCount(coordsys.projection);
  if (!parameter_count) {
    problem = NumberPhrase("неизвестный номер проекции", projection.value);
    return std::nullopt;
  }

  std::vector<double> numbers;  // the datum's number and, for 999 and 9999, its parameters
  if (!ReadNumberList(tokens, numbers) || numbers.empty() || !IsWhole(numbers[0])) {
    problem = malformed;
    return std::nullopt;
  }
  coordsys.datum_number = static_cast<int>(numbers[0]);
  if (coordsys.datum_number == 999 || coordsys.datum_number == 9999) {
    std::size_t needed = coordsys.datum_number == 999 ? 5 : 10;
    if (numbers.size() < needed) {
      problem = Ru("не хватает параметров датума ") + std::to_string(coordsys.datum_number);
      return std::nullopt;
    }
    MapInfoDatum& datum = coordsys.datum;
    datum.number = coordsys.datum_number;
    datum.ellipsoid = IsWhole(numbers[1]) ? static_cast<int>(numbers[1]) : -1;
    datum.dx = numbers[2];
    datum.dy = numbers[3];
    datum.dz = numbers[4];
    if (needed == 10) {
      datum.rx = numbers[5];
      datum.ry = numbers[6];
      datum.rz = numbers[7];
      datum.scale_ppm = numbers[8];
      datum.prime_meridian = numbers[9];
    }
    numbers.erase(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(needed));
  } else {
    const MapInfoDatum* datum = FindMapInfoDatum(coordsys.datum_number);
    if (datum == nullptr) {
      problem = NumberPhrase("неизвестный номер датума", numbers[0]);
      return std::nullopt;
    }
    coordsys.datum = *datum;
    numbers.erase(numbers.begin());
  }
  const MapInfoEllipsoid* ellipsoid = FindMapInfoEllipsoid(coordsys.datum.ellipsoid);
  if (ellipsoid == nullptr) {
    problem = Ru("неизвестный номер эллипсоида ") + std::to_string(coordsys.datum.ellipsoid);
    return std::nullopt;
  }
  coordsys.ellipsoid = *ellipsoid;
  if (coordsys.datum_number == kWebMercatorDatum) {
    // Datum 157 is how MapInfo writes web maps' Mercator: WGS 84 longitude/latitude
    // projected on the sphere of WGS 84's equatorial radius.
    coordsys.ellipsoid = MapInfoEllipsoid{coordsys.ellipsoid.number, "WGS 84 sphere", 6378137, 0};
  }

  // The units, a quoted name after a comma; longitude/latitude may leave them out.
  if (numbers.empty() && tokens.Peek().kind == ClauseToken::Kind::kComma) {
    tokens.Next();
    ClauseToken units = tokens.Next();
    if (units.kind != ClauseToken::Kind::kString) {
      problem = malformed;
      return std::nullopt;
    }
    coordsys.units = std::string(units.text);
    if (!ReadNumberList(tokens, numbers)) {
      problem = malformed;
      return std::nullopt;
    }
  }
  if (coordsys.projection != 1) {
    const UnitSize* size = nullptr;
    for (const UnitSize& unit : kUnits) {
      if (EqualsIgnoreAsciiCase(unit.name, coordsys.units)) size = &unit;
    }
    if (size == nullptr) {
      problem = coordsys.units.empty() ? Ru("не указаны единицы измерения")
                                       : Ru("неизвестная единица измерения \"") + coordsys.units + "\"";
      return std::nullopt;
    }
    coordsys.metres_per_unit = size->metres;
  }
  if (numbers.size() < static_cast<std::size_t>(*parameter_count)) {
    problem = Ru("не хватает параметров проекции: нужно ") + std::to_string(*parameter_count) + Ru(", указано ") +
              std::to_string(numbers.size());
    return std::nullopt;
  }
  coordsys.parameters = std::move(numbers);

  // What may follow: an affine clause and the bounds, in either order.
  for (token = tokens.Next(); token.kind != ClauseToken::Kind::kEnd; token = tokens.Next()) {
    if (IsWord(token, "Affine")) {
      if (!IsWord(tokens.Next(), "Units") || tokens.Next().kind != ClauseToken::Kind::kString) {
        problem = malformed;
        return std::nullopt;
      }
      std::vector<double> k;
      if (!ReadNumberList(tokens, k) || k.size() != 6) {
        problem = Ru("в предложении Affine нужно 6 коэффициентов");
        return std::nullopt;
      }
      if (k[0] * k[4] - k[1] * k[3] == 0) {
        problem = Ru("коэффициенты Affine не обратимы");
        return std::nullopt;
      }
      coordsys.affine = MapInfoAffine{k[0], k[1], k[2], k[3], k[4], k[5]};
    } else if (IsWord(token, "Bounds")) {
      // The bounds say where coordinates may lie; they do not move them, and a map
      // whose bounds are cut short is still read.
      while (tokens.Peek().kind != ClauseToken::Kind::kEnd && !IsWord(tokens.Peek(), "Affine")) tokens.Next();
    } else {
      problem = malformed;
      return std::nullopt;
    }
  }
  return coordsys;
}

bool DatumCoincidesWithWgs84(const MapInfoDatum& datum, const MapInfoEllipsoid& ellipsoid) {
  // WGS 84's and GRS 80's ellipsoids differ by 0.1 mm in the semi-minor axis; MapInfo
  // gives datum 0 a copy of WGS 84's 1 cm larger.
  return datum.dx == 0 && datum.dy == 0 && datum.dz == 0 && datum.rx == 0 && datum.ry == 0 && datum.rz == 0 &&
         datum.scale_ppm == 0 && std::fabs(ellipsoid.semi_major - 6378137.0) < 0.1;
}

bool IsWgs84LongitudeLatitude(const MapInfoCoordSys& coordsys) {
  return coordsys.kind == CoordSysKind::kEarth && coordsys.projection == 1 && !coordsys.affine &&
         coordsys.datum.prime_meridian == 0 && DatumCoincidesWithWgs84(coordsys.datum, coordsys.ellipsoid);
}

}  // namespace mirvex
