#include "settings/header_template.h"

#include <cstdio>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"

namespace mirvex {

const std::string& BuiltInTemplate() {
  static const std::string text = [] {
    const std::string lines[] = {
        Ru("; Файл конвертирован из формата MIF"),
        "",
        "[IMG ID]",
        "ID=10000001",
        "Name=Vorsk_obl",
        "Datum=W84",
        "Elevation=M",
        "Preprocess=F",
        "BlockSize=512",
        "AlignMethod=0.0001",
        "TreSize=2000",
        "TreMargin=0.02000",
        "RgnLimit=500",
        "Levels=3",
        "Level0=22",
        "Level1=20",
        "Level2=18",
        "Zoom0=0",
        "Zoom1=1",
        "Zoom2=2",
        "[END-IMG ID]",
    };
    std::string joined;
    for (const std::string& line : lines) {
      joined += line;
      joined += kLineBreak;
    }
    return joined;
  }();
  return text;
}

std::string TemplatePath(std::string_view program_folder) {
  std::string path(program_folder);
  path += kPathSeparator;
  path += "config.ini";
  return path;
}

std::string LoadTemplate(std::string_view config_path) {
  std::string bytes;
  // A half-read template shown in the window would be saved back at the first edit.
  if (ReadWholeFile(config_path, bytes) != ReadState::kRead) return BuiltInTemplate();

  // Every line gets CR LF, whatever ended it in the file (CR LF, LF or CR); a line end
  // at the very end of the file closes the last line and starts no empty one.
  std::string text;
  text.reserve(bytes.size() + 2);
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t stop = bytes.find_first_of("\r\n", start);
    if (stop == std::string::npos) stop = bytes.size();
    text.append(bytes, start, stop - start);
    text += kLineBreak;
    start = stop + 1;
    if (stop < bytes.size() && bytes[stop] == '\r' && start < bytes.size() &&
        bytes[start] == '\n') {
      ++start;
    }
  }
  return text;
}

bool WriteTemplate(std::string_view config_path, std::string_view text) {
  ResultFile result;
  if (!result.Open(config_path)) return false;
  result.WriteLine(text);
  return result.Commit();
}

}  // namespace mirvex
