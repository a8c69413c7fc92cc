#include "garmin/test_map.h"

#include <string_view>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/text.h"

namespace mirvex {

namespace {

constexpr double kStartLat = 70;
constexpr double kStartLon = 60;
constexpr int kObjectsPerRow = 50;
constexpr int kLastAreaCode = 127;    // polygons and polylines
constexpr int kLastPointCode = 50000;

// A polygon is a rectangle this high (lat) and wide (lon); the next one of the row
// starts a gap further on, the next row a gap higher.
constexpr double kPolygonHeight = 0.007;
constexpr double kPolygonWidth = 0.005;
constexpr double kPolygonGap = 0.0005;
constexpr double kRowGap = 0.0001;
// The polylines start this far above the last polygon row; each runs one degree east.
constexpr double kPolylineOffset = 0.1;
constexpr double kPolylineLength = 1;
constexpr double kPointStep = 0.0003;

// The header: the lines of the map's [IMG ID] block, the second one empty.
std::string HeaderText() {
  static constexpr std::string_view kLines[] = {
      "", "[IMG ID]", "ID=10000001", "Name=Kolvar", "Datum=W84", "Elevation=M",
      "Preprocess=F", "BlockSize=512", "AlignMethod=0.0001", "TreSize=2000",
      "TreMargin=0.02000", "RgnLimit=500", "Levels=2", "Level0=24", "Level1=22",
      "Zoom0=0", "Zoom1=2", "[END-IMG ID]"};
  std::string text = Ru("; Файл конвертирован из формата MIF");
  for (std::string_view line : kLines) {
    text += kLineBreak;
    text += line;
  }
  return text;
}

// Collects the objects of the map and writes each with one line write. The running
// values are sums taken in a fixed order, so their rounding residues are part of the
// map's exact text.
class TestMapBuilder {
 public:
  explicit TestMapBuilder(ResultFile& file) : file_(file) {}

  void WritePolygons();
  void WritePolylines();
  void WritePoints();

 private:
  void AddPair(double lat, double lon);
  void WriteObject(std::string_view section, std::string_view end, int code);

  ResultFile& file_;
  double lat_ = kStartLat;
  double lon_ = kStartLon;
  double row_base_ = kStartLat;
  // Objects in the current row; shared by the polygons and the points, so the first
  // row of points completes the last row of polygons.
  int column_ = 0;
  std::string data_;
  std::string object_;
};

void TestMapBuilder::AddPair(double lat, double lon) {
  data_ += '(';
  AppendNumberText(data_, lat);
  data_ += ',';
  AppendNumberText(data_, lon);
  data_ += "),";
}

void TestMapBuilder::WriteObject(std::string_view section, std::string_view end, int code) {
  if (!data_.empty()) data_.pop_back();  // the "," after the last pair
  std::string hex = LowerHex(code);
  object_.clear();
  object_ += kLineBreak;
  object_ += section;
  object_ += kLineBreak;
  object_ += "Label=0x";
  object_ += hex;
  object_ += kLineBreak;
  object_ += "Type=0x";
  object_ += hex;
  object_ += kLineBreak;
  object_ += "Data0=";
  object_ += data_;
  object_ += kLineBreak;
  object_ += end;
  file_.WriteLine(object_);
  data_.clear();
}

void TestMapBuilder::WritePolygons() {
  for (int code = 0; code <= kLastAreaCode; ++code) {
    // The four corners, the ring left open.
    AddPair(lat_, lon_);
    lon_ = lon_ + kPolygonWidth;
    AddPair(lat_, lon_);
    lat_ = lat_ + kPolygonHeight;
    AddPair(lat_, lon_);
    lon_ = lon_ - kPolygonWidth;
    AddPair(lat_, lon_);
    WriteObject("[RGN80]", "[END-RGN80]", code);

    lon_ = lon_ + kPolygonWidth;
    lon_ = lon_ + kPolygonGap;
    lat_ = row_base_;
    ++column_;
    if (column_ == kObjectsPerRow) {
      lon_ = kStartLon;
      column_ = 0;
      lat_ = lat_ + kPolygonHeight;
      lat_ = lat_ + kRowGap;
      row_base_ = lat_;
    }
  }
}

void TestMapBuilder::WritePolylines() {
  // One line per row; the row base and the column count are left to the points.
  lat_ = lat_ + kPolylineOffset;
  lon_ = kStartLon;
  for (int code = 0; code <= kLastAreaCode; ++code) {
    AddPair(lat_, lon_);
    AddPair(lat_, lon_ + kPolylineLength);
    WriteObject("[RGN40]", "[END-RGN40]", code);
    lon_ = kStartLon;
    lat_ = lat_ + kRowGap;
  }
}

void TestMapBuilder::WritePoints() {
  lon_ = kStartLon;
  row_base_ = lat_;
  for (int code = 0; code <= kLastPointCode; ++code) {
    AddPair(lat_, lon_);
    WriteObject("[RGN10]", "[END-RGN10]", code);
    lon_ = lon_ + kPointStep;
    ++column_;
    lat_ = row_base_;
    if (column_ == kObjectsPerRow) {
      lon_ = kStartLon;
      column_ = 0;
      lat_ = lat_ + kRowGap;
      row_base_ = lat_;
    }
  }
}

}  // namespace

std::string LowerHex(std::int32_t d) {
  static constexpr char kDigits[] = "0123456789abcdef";
  auto value = static_cast<std::uint32_t>(d);
  char reversed[8];
  int count = 0;
  do {
    reversed[count++] = kDigits[value % 16];
    value /= 16;
  } while (value != 0);
  std::string text;
  while (count > 0) text += reversed[--count];
  return text;
}

void WriteTestMapContent(ResultFile& file) {
  file.WriteLine(HeaderText());
  TestMapBuilder builder(file);
  builder.WritePolygons();
  builder.WritePolylines();
  builder.WritePoints();
}

}  // namespace mirvex
