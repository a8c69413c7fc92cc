#include "tests/conversion_fixture.h"

#include <filesystem>

namespace mirvex::test {

std::string DictionaryBytes(const std::vector<DictionaryEntry>& entries) {
  std::string bytes;
  for (const auto& entry : entries) {
    bytes += RecordBytes(Ru(entry.name), Ru(entry.region), Ru(entry.type), static_cast<std::uint8_t>(entry.level));
  }
  return bytes;
}

ConversionFixture::ConversionFixture() {
  SetDictionary({{"Неопределенный тип объекта", "0x10", "0x2f00", 0},
                 {"Школа", "0x10", "0x2f06", 0},
                 {"Дорога", "0x20", "0x01  ", 0},
                 {"Озеро", "0x80", "0x3c  ", 0}});
  paths = {dir.File("map.mif"), dir.File("map.mid"), dir.File("map.mp")};
  options.header_template = "[IMG ID]\r\n[END-IMG ID]";
  options.column_count = 2;
  options.type_column = 1;
  options.label_column = 2;
  options.size_threshold = 2.033;
}

void ConversionFixture::SetDictionary(const std::vector<DictionaryEntry>& entries) {
  WriteFile(dir.path() / "object.txt", DictionaryBytes(entries));
}

void ConversionFixture::RemoveDictionary() { std::filesystem::remove(dir.path() / "object.txt"); }

OperationStatus ConversionFixture::Run(const std::string& mif, const std::string& mid, bool raw) {
  WriteFile(paths.mif, raw ? mif : Ru(mif));
  WriteFile(paths.mid, raw ? mid : Ru(mid));
  result = Convert(paths, options, dir.File(""), host);
  return result.status;
}

std::string ConversionFixture::Sections() const {
  std::string output = Cp1251ToUtf8(Output());
  std::string header = options.header_template + "\r\n";
  return output.substr(0, header.size()) == header ? output.substr(header.size()) : output;
}

bool ConversionFixture::OutputExists() const {
  return std::filesystem::exists(std::filesystem::path(paths.result));
}

std::string Section(std::initializer_list<std::string> lines) {
  std::string text = "\r\n";
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace mirvex::test
