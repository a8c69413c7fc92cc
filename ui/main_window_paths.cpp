// The main window model's paths: the saved path triples (saved, deleted, listed) and
// the paths chosen in the file dialogs.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"
#include "settings/ini_file.h"
#include "ui/main_window.h"

namespace mirvex::ui {

std::vector<ConversionPaths> MainWindow::saved_triples() const {
  const auto& mif = controls_.mif_path.items();
  const auto& mid = controls_.mid_path.items();
  const auto& result = controls_.result_path.items();
  std::vector<ConversionPaths> triples;
  for (std::size_t i = 0; i < mif.size() && i < mid.size() && i < result.size(); ++i) {
    triples.push_back({mif[i], mid[i], result[i]});
  }
  return triples;
}

void MainWindow::OnCopyResultClicked() { controls_.crop_map_path.SetText(controls_.result_path.text()); }

void MainWindow::OnSavePathsClicked() {
  int n = PathCount(program_folder_) + 1;
  WriteSystem("PathCount", std::to_string(n));
  for (int list = 0; list < 3; ++list) {
    Store(kPathSections[list], PathKey(n), (controls_.*kPathCombos[list]).text());
  }
  for (MainControl combo : kPathCombos) (controls_.*combo).AddItem((controls_.*combo).text());
}

void MainWindow::OnDeletePathsClicked() {
  int count = PathCount(program_folder_);
  bool found = false;
  for (int i = 1; i <= count; ++i) {
    if (!found) {
      bool same = true;
      for (int list = 0; list < 3; ++list) {
        same = same &&
               ReadSetting(program_folder_, kPathSections[list], PathKey(i)) == (controls_.*kPathCombos[list]).text();
      }
      if (!same) continue;
      for (const char* section : kPathSections) Store(section, PathKey(i), "");
      found = true;
      WriteSystem("PathCount", std::to_string(count - 1));
      for (MainControl combo : kPathCombos) (controls_.*combo).RemoveItem(i - 1);
    } else {
      // The entries after the deleted one move down by one.
      for (const char* section : kPathSections) {
        Store(section, PathKey(i - 1), ReadSetting(program_folder_, section, PathKey(i)));
      }
    }
  }
  for (MainControl combo : kPathCombos) {
    (controls_.*combo).SetListIndex(-1);
    (controls_.*combo).SetText("");
  }
}

namespace {

// The folder part of a path ("" when it has none), and the path without its extension.
std::string_view FolderOf(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view WithoutExtension(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < FolderOf(path).size()) return path;
  return path.substr(0, dot);
}

bool FolderExists(std::string_view folder) {
  std::error_code error;
  return !folder.empty() && std::filesystem::is_directory(NativePath(folder), error);
}

}  // namespace

std::string MainWindow::FileDialogStart(const UiControl& box) const {
  const std::string& own = box.text();
  if (FolderExists(FolderOf(own))) return own;
  std::string_view mif_folder = FolderOf(controls_.mif_path.text());
  return FolderExists(mif_folder) ? std::string(mif_folder) : std::string();
}

void MainWindow::OnFileChosen(UiControl& box, std::string path, bool fits) {
  if (!fits) {
    ShowInformation(*this, Ru("В пути есть символы, которых нет в кодировке cp1251; выберите файл "
                              "с другим именем или в другой папке:") +
                               std::string(kLineBreak) + path);
    return;
  }
  // The test map replaces a file that exists: its name is taken as chosen.
  bool result_box = &box == &controls_.result_path || &box == &controls_.crop_result_path;
  if (result_box && WithoutExtension(path).size() == path.size()) path += ".mp";
  box.SetText(path);
  if (&box != &controls_.mif_path) return;
  std::string_view stem = WithoutExtension(path);
  if (controls_.mid_path.text().empty()) {
    for (const char* extension : {".mid", ".MID"}) {
      std::string mid = std::string(stem) + extension;
      if (FileExists(mid)) {
        controls_.mid_path.SetText(mid);
        break;
      }
    }
  }
  if (controls_.result_path.text().empty()) controls_.result_path.SetText(std::string(stem) + ".mp");
}

}  // namespace mirvex::ui
