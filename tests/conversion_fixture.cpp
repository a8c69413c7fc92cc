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
  controls.SetText(Control::kCombo1, dir.File("map.mif"));
  controls.SetText(Control::kCombo2, dir.File("map.mid"));
  controls.SetText(Control::kCombo3, dir.File("map.mp"));
  controls.SetText(Control::kText24, "[IMG ID]\r\n[END-IMG ID]");
  controls.SetText(Control::kText16, "2");
  controls.SetText(Control::kText9, "1");
  controls.SetText(Control::kText15, "2");
  controls.SetText(Control::kText17, "2.033");
}

void ConversionFixture::SetDictionary(const std::vector<DictionaryEntry>& entries) {
  WriteFile(dir.path() / "object.txt", DictionaryBytes(entries));
}

void ConversionFixture::RemoveDictionary() { std::filesystem::remove(dir.path() / "object.txt"); }

OperationStatus ConversionFixture::Run(const std::string& mif, const std::string& mid, bool raw) {
  WriteFile(controls.Text(Control::kCombo1), raw ? mif : Ru(mif));
  WriteFile(controls.Text(Control::kCombo2), raw ? mid : Ru(mid));
  OperationContext context{host, controls, state, dir.File("")};
  result = Convert(context);
  return result.status;
}

std::string ConversionFixture::Sections() const {
  std::string output = Cp1251ToUtf8(Output());
  std::string header = controls.Text(Control::kText24) + "\r\n";
  return output.substr(0, header.size()) == header ? output.substr(header.size()) : output;
}

bool ConversionFixture::OutputExists() const {
  return std::filesystem::exists(std::filesystem::path(controls.Text(Control::kCombo3)));
}

std::string Section(std::initializer_list<std::string> lines) {
  std::string text = "\r\n";
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace mirvex::test
