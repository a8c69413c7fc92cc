// Writes a MapInfo map of a chosen size for the benchmark, the same bytes for the same
// seed, in one of two layouts, and two program folders beside it: one with an empty
// dictionary and one with 10,000 records.
//
// four-column (the default): regions of one to three parts with 12 to 60 vertices,
//   plain and multiple polylines, points and text objects with fixed style lines; a
//   MID of four columns (type, name, id, note) whose every description is in the
//   dictionary; the options name the columns (KolSt=4).
// mapinfo: the map as MapInfo itself exports it: regions of one or two closed rings
//   with 8 to 40 vertices and their real centre, polylines (a quarter of them
//   Pline Multiple), points and text objects, varied pens, brushes and symbols; a MID
//   of three typed columns (description, name, number) whose descriptions are mostly
//   the dictionary's and sometimes not, names with commas and doubled quotation marks;
//   the options take the column count from the header (AutoSet=1).
// spread: the MapInfo layout's objects spread evenly over 30 by 20 degrees, each
//   within 0.05 degrees of its own random centre: 35 % regions of one ring (one in
//   five has two) with 8 to 40 vertices and their centre, 40 % polylines of 2 to 40
//   vertices (15 % of them Pline Multiple 2), 22 % points and 3 % text objects; the
//   section follows the MIF object (TypeObj=1), so the dictionary gives only the points'
//   types. A map view sees few objects share a cell, the opposite of the dense layouts.
//
// All write CR LF line ends, title-case keywords, six decimals and cp1251 text. The
// program is standalone: it encodes the text and the dictionary records itself.
//
// --coordsys gauss-kruger writes the same objects and the same MID in metres of
// Gauss-Krüger zone 7 on Pulkovo 1942 with two decimals (see Placement), for the cost
// of transforming every vertex into WGS 84; wgs84 (the default) writes the degrees.
//
// Prints the map's object and vertex counts ("objects=N", "vertices=N") on its output.
//
// Usage: mirvex_bench_generate [--layout four-column|mapinfo|spread] [--coordsys wgs84|gauss-kruger]
//                              OUTPUT_DIR [SIZE_MB [SEED]]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kDescriptions = 10000;
constexpr double kPi = 3.14159265358979323846;

// UTF-8 to cp1251 for the Russian text of this file: ASCII, А..я, Ё and ё; anything
// else becomes "?".
std::string Cp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
      if (code >= 0x410 && code <= 0x44F) out += static_cast<char>(0xC0 + (code - 0x410));
      else if (code == 0x401) out += static_cast<char>(0xA8);
      else if (code == 0x451) out += static_cast<char>(0xB8);
      else out += '?';
      continue;
    }
    out += '?';
  }
  return out;
}

// One record of object.txt, 547 bytes: the name (200 bytes), the region code (6) and
// the type (6), each padded with blanks; the level as one byte; two reserved fields
// (100 and 10 bytes) and the filler, all zero.
constexpr std::size_t kRecordLength = 547;
std::string DictionaryRecord(std::string_view name, std::string_view region, std::string_view type,
                             std::uint8_t level) {
  std::string record(kRecordLength, '\0');
  auto field = [&record](std::size_t offset, std::size_t width, std::string_view text) {
    for (std::size_t i = 0; i < width; ++i) record[offset + i] = i < text.size() ? text[i] : ' ';
  };
  field(0, 200, name);
  field(200, 6, region);
  field(206, 6, type);
  record[212] = static_cast<char>(level);
  return record;
}

const char* const kKinds[] = {"Дорога", "Улица", "Река", "Ручей", "Лес", "Озеро", "Болото", "Поле",
                              "Школа", "Магазин", "Церковь", "Остановка", "Дом", "Сад", "Парк", "Мост"};
const char* const kRegions[] = {"0x20", "0x20", "0x20", "0x20", "0x80", "0x80", "0x80", "0x80",
                                "0x10", "0x10", "0x10", "0x10", "0x80", "0x80", "0x80", "0x10"};
const char* const kTypes[] = {"0x02", "0x06", "0x1f", "0x18", "0x50", "0x3c", "0x51", "0x4e",
                              "0x2c05", "0x2e00", "0x6404", "0x2f08", "0x13", "0x4e", "0x17", "0x6401"};
const char* const kNames[] = {"Лесная", "Садовая", "Центральная", "Речная", "Полевая", "Школьная",
                              "Новая", "Заречная", "Луговая", "Мира", "Победы", "Северная"};

// Description n of the dictionary: kind n % 16, numbered 1..625 within the kind.
std::string Description(int n) { return Cp1251(kKinds[n % 16]) + " " + std::to_string(n / 16 + 1); }

// The area of a layout's object centres in degrees.
struct Area {
  double west, east, south, north;
};

// How a longitude/latitude pair of the generator is written into the MIF: in degrees
// with six decimals on WGS 84, or in metres with two decimals of Gauss-Krüger zone 7 on
// Pulkovo 1942. For the metres the layout's area is first stretched linearly into the
// zone, 36..42 E and 50..60 N, along each axis that lies outside it, then placed
// linearly: x = 7500000 + (lon - 39) * 62800, y = lat * 111200. That is not the
// projection itself, only plausible metres inside the zone, so the conversion has
// real work to do for every vertex.
//
// The map's size is counted in the bytes its degree text would take: for one seed and
// size both systems hold the same objects and the same MID.
class Placement {
 public:
  Placement(bool gauss_kruger, Area area) : gauss_kruger_(gauss_kruger) {
    if (area.west < kZone.west || area.east > kZone.east) {
      lon_scale_ = (kZone.east - kZone.west) / (area.east - area.west);
      lon_offset_ = kZone.west - area.west * lon_scale_;
    }
    if (area.south < kZone.south || area.north > kZone.north) {
      lat_scale_ = (kZone.north - kZone.south) / (area.north - area.south);
      lat_offset_ = kZone.south - area.south * lat_scale_;
    }
  }

  const char* CoordSysLine() const {
    return gauss_kruger_ ? "CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0\r\n"
                         : "CoordSys Earth Projection 1, 104\r\n";
  }

  // Appends "x y", the degrees with `decimals` decimals or the metres with two.
  void Append(std::string& text, double lon, double lat, int decimals = 6) {
    char buffer[96];
    int n = std::snprintf(buffer, sizeof buffer, "%.*f %.*f", decimals, lon, decimals, lat);
    if (gauss_kruger_) {
      int degree_bytes = n;
      double x = 7500000 + (lon * lon_scale_ + lon_offset_ - 39) * 62800;
      double y = (lat * lat_scale_ + lat_offset_) * 111200;
      n = std::snprintf(buffer, sizeof buffer, "%.2f %.2f", x, y);
      size_difference_ += degree_bytes - n;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }

  // The bytes just emitted as the degree text counts them: `written` plus what the
  // degrees would have taken beyond the metres since the last call.
  std::uint64_t CountedBytes(std::size_t written) {
    auto counted = static_cast<std::uint64_t>(static_cast<std::int64_t>(written) + size_difference_);
    size_difference_ = 0;
    return counted;
  }

 private:
  static constexpr Area kZone = {36, 42, 50, 60};
  bool gauss_kruger_;
  double lon_scale_ = 1, lon_offset_ = 0, lat_scale_ = 1, lat_offset_ = 0;
  std::int64_t size_difference_ = 0;
};

// What a generated map holds, for the per-vertex figures of a benchmark: the objects
// and the positions the conversion reads as vertices (those of the regions' rings and
// the polylines, and one of each point and text object; a region's centre is none).
struct MapCounts {
  std::uint64_t objects = 0;
  std::uint64_t vertices = 0;
};

// The map of the four-column layout; its bytes for a seed are those the benchmark has
// always measured, so older results stay comparable.
class FourColumnWriter {
 public:
  FourColumnWriter(const fs::path& folder, std::uint64_t target_bytes, unsigned seed, bool gauss_kruger)
      : random_(seed), target_(target_bytes), placement_(gauss_kruger, Area{30, 40, 50, 56}) {
    mif_.open(folder / "map.mif", std::ios::binary);
    mid_.open(folder / "map.mid", std::ios::binary);
    mif_ << "Version 300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\n" << placement_.CoordSysLine()
         << "Columns 4\r\n  Type Char(60)\r\n  Name Char(60)\r\n"
            "  Id Integer\r\n  Note Char(40)\r\nData\r\n\r\n";
  }

  const MapCounts& counts() const { return counts_; }

  void Run() {
    while (written_ < target_) {
      int kind = Pick(0, 99);
      if (kind < 30) Region();
      else if (kind < 55) Polyline(false);
      else if (kind < 65) Polyline(true);
      else if (kind < 95) Point();
      else Text();
    }
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  double Coordinate(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }

  void Emit(std::string& text) {
    mif_ << text;
    written_ += placement_.CountedBytes(text.size());
    text.clear();
    ++counts_.objects;
  }

  void Vertex(double x, double y) {
    placement_.Append(line_, x, y);
    line_ += "\r\n";
    ++counts_.vertices;
  }

  void Part(int vertices) {
    double x = Coordinate(30, 40), y = Coordinate(50, 56);
    for (int i = 0; i < vertices; ++i) Vertex(x + Coordinate(-0.01, 0.01), y + Coordinate(-0.01, 0.01));
  }

  void Record(int description_kind_from, int description_kind_to) {
    int n = Pick(0, kDescriptions / 16 - 1) * 16 + Pick(description_kind_from, description_kind_to);
    mid_ << '"' << Description(n) << "\",\"" << Cp1251(kNames[Pick(0, 11)]) << "\"," << ++id_ << ",\""
         << Cp1251("примечание") << "\"\r\n";
  }

  void Region() {
    int parts = Pick(1, 3);
    line_ += "Region  " + std::to_string(parts) + "\r\n";
    for (int p = 0; p < parts; ++p) {
      int vertices = Pick(12, 60);
      line_ += "  " + std::to_string(vertices) + "\r\n";
      Part(vertices);
    }
    line_ += "    Pen (1,2,0)\r\n    Brush (2,16777215,16777215)\r\n    Center ";
    placement_.Append(line_, 35.5, 53.1, 1);
    line_ += "\r\n";
    Emit(line_);
    Record(4, 7);
  }

  void Polyline(bool multiple) {
    if (multiple) {
      int parts = Pick(2, 3);
      line_ += "Pline Multiple " + std::to_string(parts) + "\r\n";
      for (int p = 0; p < parts; ++p) {
        int vertices = Pick(2, 40);
        line_ += "  " + std::to_string(vertices) + "\r\n";
        Part(vertices);
      }
    } else {
      int vertices = Pick(2, 50);
      line_ += "Pline " + std::to_string(vertices) + "\r\n";
      Part(vertices);
    }
    line_ += "    Pen (1,2,0)\r\n";
    Emit(line_);
    Record(0, 3);
  }

  void Point() {
    // The latitude is drawn first, as the arguments of one call always were here.
    double y = Coordinate(50, 56);
    double x = Coordinate(30, 40);
    line_ += "Point ";
    placement_.Append(line_, x, y);
    line_ += "\r\n    Symbol (35,0,12)\r\n";
    ++counts_.vertices;
    Emit(line_);
    Record(8, 11);
  }

  void Text() {
    double x = Coordinate(30, 40), y = Coordinate(50, 56);
    line_ += "Text\r\n    \"" + Cp1251(kNames[Pick(0, 11)]) + "\"\r\n    ";
    placement_.Append(line_, x, y);
    line_ += ' ';
    placement_.Append(line_, x + 0.01, y + 0.005);
    line_ += "\r\n    Font (\"Arial\",0,0,0)\r\n";
    ++counts_.vertices;
    Emit(line_);
    Record(8, 11);
  }

  std::mt19937_64 random_;
  std::uint64_t target_;
  std::uint64_t written_ = 0;
  std::uint64_t id_ = 0;
  Placement placement_;
  MapCounts counts_;
  std::ofstream mif_;
  std::ofstream mid_;
  std::string line_;
};

// The map of the MapInfo layout. Its random numbers are drawn with plain arithmetic on
// the generator's output, so the bytes do not depend on the standard library.
class MapInfoWriter {
 public:
  MapInfoWriter(const fs::path& folder, std::uint64_t target_bytes, unsigned seed, bool spread, bool gauss_kruger)
      : random_(seed),
        target_(target_bytes),
        spread_(spread),
        placement_(gauss_kruger, spread ? Area{20, 50, 45, 65} : Area{30, 40, 50, 56}) {
    mif_.open(folder / "map.mif", std::ios::binary);
    mid_.open(folder / "map.mid", std::ios::binary);
    mif_ << "Version   300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\n" << placement_.CoordSysLine()
         << "Columns 3\r\n  Descr Char(100)\r\n  Name Char(80)\r\n"
            "  Number Integer\r\nData\r\n\r\n";
  }

  const MapCounts& counts() const { return counts_; }

  void Run() {
    while (written_ < target_) {
      int kind = Pick(0, 99);
      if (spread_) {
        if (kind < 35) Region();
        else if (kind < 75) Polyline(Pick(0, 99) < 15);
        else if (kind < 97) Point();
        else Text();
        continue;
      }
      if (kind < 35) Region();
      else if (kind < 65) Polyline(false);
      else if (kind < 75) Polyline(true);
      else if (kind < 97) Point();
      else Text();
    }
  }

 private:
  // Kinds of the dictionary by the object they describe.
  static constexpr int kAreaKinds[] = {4, 5, 6, 7, 12, 13, 14};
  static constexpr int kLineKinds[] = {0, 1, 2, 3};
  static constexpr int kPointKinds[] = {8, 9, 10, 11, 15};
  // Descriptions the dictionary does not hold: their lookups miss.
  static constexpr const char* kUnknownKinds[] = {"Строение", "Ограда", "Тропа", "Овраг", "Колодец"};

  int Pick(int low, int high) {
    return low + static_cast<int>(random_() % static_cast<std::uint64_t>(high - low + 1));
  }
  double Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(random_() >> 11) * 0x1.0p-53;
  }
  template <std::size_t N>
  int PickOf(const int (&values)[N]) {
    return values[Pick(0, static_cast<int>(N) - 1)];
  }

  void Emit() {
    mif_ << text_;
    written_ += placement_.CountedBytes(text_.size());
    text_.clear();
    ++counts_.objects;
  }

  void Pair(double x, double y) {
    placement_.Append(text_, x, y);
    text_ += "\r\n";
    ++counts_.vertices;
  }

  // A closed ring around a centre: the angles go once round, the last vertex repeats
  // the first, as MapInfo writes a ring.
  void Ring(double cx, double cy, double radius, int vertices) {
    text_ += "  " + std::to_string(vertices) + "\r\n";
    double first_x = 0, first_y = 0;
    for (int i = 0; i + 1 < vertices; ++i) {
      double angle = (i + Uniform(0, 0.8)) * 2 * kPi / (vertices - 1);
      double r = radius * Uniform(0.7, 1.0);
      double x = cx + r * std::cos(angle), y = cy + 0.6 * r * std::sin(angle);
      if (i == 0) first_x = x, first_y = y;
      Pair(x, y);
      ExtendBox(x, y);
    }
    Pair(first_x, first_y);
  }

  // A line that wanders from its start in steps of up to ~150 m.
  void Walk(double x, double y, int vertices) {
    double heading = Uniform(0, 2 * kPi);
    for (int i = 0; i < vertices; ++i) {
      Pair(x, y);
      heading += Uniform(-0.6, 0.6);
      // A spread object stays within 0.05 degrees of its start.
      double step = spread_ ? Uniform(0.0002, 0.00125) : Uniform(0.0002, 0.002);
      x += step * std::cos(heading);
      y += 0.6 * step * std::sin(heading);
    }
  }

  // An object's centre: in the dense layout's 10 by 6 degrees, or anywhere in 30 by 20.
  void Centre(double& x, double& y) {
    if (spread_) {
      x = Uniform(20, 50), y = Uniform(45, 65);
    } else {
      x = Uniform(30, 40), y = Uniform(50, 56);
    }
  }

  void ExtendBox(double x, double y) {
    box_[0] = std::min(box_[0], x), box_[1] = std::min(box_[1], y);
    box_[2] = std::max(box_[2], x), box_[3] = std::max(box_[3], y);
  }

  void Pen() {
    static const char* const kPens[] = {"    Pen (1,2,0)\r\n", "    Pen (2,2,255)\r\n", "    Pen (1,2,8421504)\r\n",
                                        "    Pen (3,2,16711680)\r\n", "    Pen (1,3,0)\r\n"};
    text_ += kPens[Pick(0, 4)];
  }

  void Region() {
    int rings = spread_ ? (Pick(0, 4) == 0 ? 2 : 1) : Pick(1, 2);
    text_ += "Region  " + std::to_string(rings) + "\r\n";
    double cx = 0, cy = 0;
    Centre(cx, cy);
    double radius = spread_ ? Uniform(0.005, 0.05) : Uniform(0.0005, 0.01);
    box_[0] = box_[1] = 1e9;
    box_[2] = box_[3] = -1e9;
    Ring(cx, cy, radius, Pick(8, 40));
    // The second ring is a hole inside the first.
    if (rings == 2) Ring(cx, cy, radius * Uniform(0.2, 0.5), Pick(8, 40));
    Pen();
    static const char* const kBrushes[] = {"    Brush (2,16777215,16777215)\r\n", "    Brush (2,65280,16777215)\r\n",
                                           "    Brush (1,0,16777215)\r\n", "    Brush (2,12632256,16777215)\r\n"};
    text_ += kBrushes[Pick(0, 3)];
    text_ += "    Center ";
    placement_.Append(text_, (box_[0] + box_[2]) / 2, (box_[1] + box_[3]) / 2);
    text_ += "\r\n";
    Emit();
    Record(kAreaKinds);
  }

  void Polyline(bool multiple) {
    double x = 0, y = 0;
    Centre(x, y);
    if (multiple) {
      int sections = spread_ ? 2 : Pick(2, 4);
      text_ += "Pline Multiple " + std::to_string(sections) + "\r\n";
      for (int s = 0; s < sections; ++s) {
        int vertices = Pick(2, 40);
        text_ += "  " + std::to_string(vertices) + "\r\n";
        Walk(x + Uniform(-0.005, 0.005), y + Uniform(-0.005, 0.005), vertices);
      }
    } else {
      int vertices = Pick(2, 40);
      text_ += "Pline " + std::to_string(vertices) + "\r\n";
      Walk(x, y, vertices);
    }
    Pen();
    Emit();
    Record(kLineKinds);
  }

  void Point() {
    double x = 0, y = 0;
    Centre(x, y);
    text_ += "Point ";
    placement_.Append(text_, x, y);
    text_ += "\r\n";
    ++counts_.vertices;
    static const char* const kSymbols[] = {"    Symbol (35,0,12)\r\n", "    Symbol (34,255,10)\r\n",
                                           "    Symbol (32,16711680,8)\r\n", "    Symbol (36,32768,14)\r\n"};
    text_ += kSymbols[Pick(0, 3)];
    Emit();
    Record(kPointKinds);
  }

  void Text() {
    double x = 0, y = 0;
    Centre(x, y);
    // The box's height is drawn before its width, as the arguments of one call always were here.
    double y2 = y + Uniform(0.001, 0.005);
    double x2 = x + Uniform(0.002, 0.02);
    text_ += "Text\r\n    \"" + Cp1251(kNames[Pick(0, 11)]) + "\"\r\n    ";
    placement_.Append(text_, x, y);
    text_ += ' ';
    placement_.Append(text_, x2, y2);
    text_ += "\r\n    Font (\"Arial\",0,0,0)\r\n";
    ++counts_.vertices;
    Emit();
    Record(kPointKinds);
  }

  // The object's MID record: a description of a fitting kind (one in twenty is not in
  // the dictionary), a name (sometimes empty, with a comma or with quotation marks,
  // doubled inside the quotes) and the object's number.
  template <std::size_t N>
  void Record(const int (&kinds)[N]) {
    std::string description;
    if (Pick(0, 19) == 0) {
      description = Cp1251(kUnknownKinds[Pick(0, 4)]) + " " + std::to_string(Pick(1, 625));
    } else {
      description = Description(Pick(0, kDescriptions / 16 - 1) * 16 + PickOf(kinds));
    }
    std::string name = Cp1251(kNames[Pick(0, 11)]);
    int form = Pick(0, 99);
    if (form < 10) name.clear();
    else if (form < 20) name = Cp1251("ул. ") + name;
    else if (form < 25) name += ", " + std::to_string(Pick(1, 120));
    else if (form < 27) name = Cp1251("Кафе \"\"") + name + "\"\"";
    record_ = '"' + description + "\",\"" + name + "\"," + std::to_string(++number_) + "\r\n";
    mid_ << record_;
  }

  std::mt19937_64 random_;
  std::uint64_t target_;
  bool spread_;
  std::uint64_t written_ = 0;
  std::uint64_t number_ = 0;
  double box_[4] = {};
  Placement placement_;
  MapCounts counts_;
  std::ofstream mif_;
  std::ofstream mid_;
  std::string text_;
  std::string record_;
};

// A program folder: the options of the layout and a dictionary, empty or of 10,000
// records (and the default-type record) covering every description of the map.
void WriteHome(const fs::path& home, const std::string& options, bool with_dictionary) {
  fs::create_directories(home);
  std::ofstream(home / "mirvex.ini", std::ios::binary) << options;
  std::ofstream dictionary(home / "object.txt", std::ios::binary);
  if (!with_dictionary) return;
  for (int n = -1; n < kDescriptions; ++n) {
    dictionary << DictionaryRecord(n < 0 ? Cp1251("Неопределенный тип объекта") : Description(n),
                                   n < 0 ? "0x10" : kRegions[n % 16], n < 0 ? "0x2800" : kTypes[n % 16],
                                   static_cast<std::uint8_t>(n < 0 ? 0 : n % 3));
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: mirvex_bench_generate [--layout four-column|mapinfo|spread] [--coordsys wgs84|gauss-kruger] "
               "OUTPUT_DIR [SIZE_MB [SEED]]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string layout = "four-column";
  std::string coordsys = "wgs84";
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "--layout" && i + 1 < argc) {
      layout = argv[++i];
    } else if (argument.rfind("--layout=", 0) == 0) {
      layout = std::string(argument.substr(9));
    } else if (argument == "--coordsys" && i + 1 < argc) {
      coordsys = argv[++i];
    } else if (argument.rfind("--coordsys=", 0) == 0) {
      coordsys = std::string(argument.substr(11));
    } else if (argument.rfind("--", 0) == 0) {
      return Usage();
    } else {
      positional.emplace_back(argument);
    }
  }
  if (positional.empty() || positional.size() > 3 || (layout != "four-column" && layout != "mapinfo" && layout != "spread") ||
      (coordsys != "wgs84" && coordsys != "gauss-kruger")) {
    return Usage();
  }
  bool gauss_kruger = coordsys == "gauss-kruger";
  fs::path folder = positional[0];
  std::uint64_t megabytes = positional.size() > 1 ? std::strtoull(positional[1].c_str(), nullptr, 10) : 200;
  unsigned seed = positional.size() > 2 ? static_cast<unsigned>(std::strtoul(positional[2].c_str(), nullptr, 10))
                                        : 20261208;
  fs::create_directories(folder);
  const std::string area = "Koord2=33.00\r\nKoord3=55.00\r\nKoord4=37.00\r\nKoord5=51.00\r\n";
  std::string options;
  MapCounts counts;
  if (layout == "spread") {
    MapInfoWriter writer(folder, megabytes << 20, seed, /*spread=*/true, gauss_kruger);
    writer.Run();
    counts = writer.counts();
    // The section follows the MIF object; the column count comes from the header.
    options = std::string("[System]\r\nKolSt=3\r\nTypeSt=1\r\nPodpSt=2\r\nAutoSet=1\r\nTypeObj=1\r\nRazmObj=2.033\r\n") +
              "Koord2=30.00\r\nKoord3=60.00\r\nKoord4=40.00\r\nKoord5=50.00\r\n";
  } else if (layout == "mapinfo") {
    MapInfoWriter writer(folder, megabytes << 20, seed, /*spread=*/false, gauss_kruger);
    writer.Run();
    counts = writer.counts();
    // The dictionary decides the sections; the column count comes from the header.
    options = "[System]\r\nKolSt=3\r\nTypeSt=1\r\nPodpSt=2\r\nAutoSet=1\r\nTypeObj=0\r\nRazmObj=2.033\r\n" + area;
  } else {
    FourColumnWriter writer(folder, megabytes << 20, seed, gauss_kruger);
    writer.Run();
    counts = writer.counts();
    options = "[System]\r\nKolSt=4\r\nTypeSt=1\r\nPodpSt=2\r\nAutoSet=0\r\nTypeObj=0\r\nRazmObj=2.033\r\n" + area;
  }
  WriteHome(folder / "home-empty", options, false);
  WriteHome(folder / "home-full", options, true);
  std::printf("objects=%llu\nvertices=%llu\n", static_cast<unsigned long long>(counts.objects),
              static_cast<unsigned long long>(counts.vertices));
  return 0;
}
