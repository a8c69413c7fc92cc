// Writes a realistic MapInfo map of a chosen size for the benchmark, the same bytes
// for the same seed: regions of several parts with dozens of vertices, plain and
// multiple polylines, points and text objects, each with the style lines MapInfo
// writes; a MID of four columns with cp1251 Russian descriptions and labels; and two
// program folders, one with an empty dictionary and one with 10,000 records that
// cover every description.
//
// Usage: mirvex_bench_generate OUTPUT_DIR [SIZE_MB [SEED]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "dictionary/object_record.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDescriptions = 10000;

const char* const kKinds[] = {"Дорога", "Улица", "Река", "Ручей", "Лес", "Озеро", "Болото", "Поле",
                              "Школа", "Магазин", "Церковь", "Остановка", "Дом", "Сад", "Парк", "Мост"};
const char* const kRegions[] = {"0x20", "0x20", "0x20", "0x20", "0x80", "0x80", "0x80", "0x80",
                                "0x10", "0x10", "0x10", "0x10", "0x80", "0x80", "0x80", "0x10"};
const char* const kTypes[] = {"0x02", "0x06", "0x1f", "0x18", "0x50", "0x3c", "0x51", "0x4e",
                              "0x2c05", "0x2e00", "0x6404", "0x2f08", "0x13", "0x4e", "0x17", "0x6401"};
const char* const kNames[] = {"Лесная", "Садовая", "Центральная", "Речная", "Полевая", "Школьная",
                              "Новая", "Заречная", "Луговая", "Мира", "Победы", "Северная"};

std::string Description(int n) { return mirvex::Ru(kKinds[n % 16]) + " " + std::to_string(n / 16 + 1); }

class Writer {
 public:
  Writer(const fs::path& folder, std::uint64_t target_bytes, unsigned seed)
      : random_(seed), target_(target_bytes) {
    mif_.open(folder / "map.mif", std::ios::binary);
    mid_.open(folder / "map.mid", std::ios::binary);
    mif_ << "Version 300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\n"
            "CoordSys Earth Projection 1, 104\r\nColumns 4\r\n  Type Char(60)\r\n  Name Char(60)\r\n"
            "  Id Integer\r\n  Note Char(40)\r\nData\r\n\r\n";
  }

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
    written_ += text.size();
    text.clear();
  }

  void Vertex(double x, double y) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%.6f %.6f\r\n", x, y);
    line_.append(buffer, static_cast<std::size_t>(n));
  }

  void Part(int vertices) {
    double x = Coordinate(30, 40), y = Coordinate(50, 56);
    for (int i = 0; i < vertices; ++i) Vertex(x + Coordinate(-0.01, 0.01), y + Coordinate(-0.01, 0.01));
  }

  void Record(int description_kind_from, int description_kind_to) {
    int n = Pick(0, kDescriptions / 16 - 1) * 16 + Pick(description_kind_from, description_kind_to);
    mid_ << '"' << Description(n) << "\",\"" << mirvex::Ru(kNames[Pick(0, 11)]) << "\"," << ++id_ << ",\""
         << mirvex::Ru("примечание") << "\"\r\n";
  }

  void Region() {
    int parts = Pick(1, 3);
    line_ += "Region  " + std::to_string(parts) + "\r\n";
    for (int p = 0; p < parts; ++p) {
      int vertices = Pick(12, 60);
      line_ += "  " + std::to_string(vertices) + "\r\n";
      Part(vertices);
    }
    line_ += "    Pen (1,2,0)\r\n    Brush (2,16777215,16777215)\r\n    Center 35.5 53.1\r\n";
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
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "Point %.6f %.6f\r\n", Coordinate(30, 40), Coordinate(50, 56));
    line_ += buffer;
    line_ += "    Symbol (35,0,12)\r\n";
    Emit(line_);
    Record(8, 11);
  }

  void Text() {
    double x = Coordinate(30, 40), y = Coordinate(50, 56);
    char buffer[120];
    std::snprintf(buffer, sizeof buffer, "    %.6f %.6f %.6f %.6f\r\n", x, y, x + 0.01, y + 0.005);
    line_ += "Text\r\n    \"" + mirvex::Ru(kNames[Pick(0, 11)]) + "\"\r\n" + buffer;
    line_ += "    Font (\"Arial\",0,0,0)\r\n";
    Emit(line_);
    Record(8, 11);
  }

  std::mt19937_64 random_;
  std::uint64_t target_;
  std::uint64_t written_ = 0;
  std::uint64_t id_ = 0;
  std::ofstream mif_;
  std::ofstream mid_;
  std::string line_;
};

void WriteHome(const fs::path& home, bool with_dictionary) {
  fs::create_directories(home);
  std::ofstream(home / "mirvex.ini", std::ios::binary)
      << "[System]\r\nKolSt=4\r\nTypeSt=1\r\nPodpSt=2\r\nAutoSet=0\r\nTypeObj=0\r\nRazmObj=2.033\r\n"
         "Koord2=33.00\r\nKoord3=55.00\r\nKoord4=37.00\r\nKoord5=51.00\r\n";
  std::ofstream dictionary(home / "object.txt", std::ios::binary);
  if (!with_dictionary) return;
  for (int n = -1; n < kDescriptions; ++n) {
    dictionary << mirvex::RecordBytes(n < 0 ? mirvex::Ru("Неопределенный тип объекта") : Description(n),
                                      n < 0 ? "0x10" : kRegions[n % 16], n < 0 ? "0x2800" : kTypes[n % 16],
                                      static_cast<std::uint8_t>(n < 0 ? 0 : n % 3));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mirvex_bench_generate OUTPUT_DIR [SIZE_MB [SEED]]\n");
    return 2;
  }
  fs::path folder = argv[1];
  std::uint64_t megabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200;
  unsigned seed = argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 20261208;
  fs::create_directories(folder);
  Writer(folder, megabytes << 20, seed).Run();
  WriteHome(folder / "home-empty", false);
  WriteHome(folder / "home-full", true);
  return 0;
}
