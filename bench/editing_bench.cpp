// Times "Редактировать объекты" (collecting the distinct descriptions of a MID and
// showing the known ones as dictionary lines) on a generated MID of 100,000 rows and a
// dictionary of 10,000 records. Usage: mirvex_bench_editing [ROWS] [RECORDS]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/cp1251.h"
#include "base/null_host.h"
#include "base/platform.h"
#include "dictionary/object_record.h"
#include "ui/main_window.h"

namespace fs = std::filesystem;

namespace {

class SilentHost : public mirvex::NullHostOf<mirvex::ui::WindowHost> {
 public:
  void ShowMessage(const std::string&, const std::string&, mirvex::MessageIcon) override { ++messages; }
  bool OpenDocument(const std::string&) override { return false; }
  void Quit() override {}
  int messages = 0;
};

std::string Description(int n) { return mirvex::Ru("Объект номер ") + std::to_string(n); }

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  int records = argc > 2 ? std::atoi(argv[2]) : 10000;
  fs::path home = fs::temp_directory_path() / "mirvex-bench-editing";
  fs::remove_all(home);
  fs::create_directories(home);

  // The dictionary knows every other description; the MID repeats each about ten times.
  std::mt19937 random(20261208);
  {
    std::ofstream dictionary(home / "object.txt", std::ios::binary);
    for (int n = 0; n < records; ++n) {
      dictionary << mirvex::RecordBytes(Description(2 * n), "0x20", "0x01", static_cast<std::uint8_t>(n % 4));
    }
    std::ofstream mid(home / "map.mid", std::ios::binary);
    std::uniform_int_distribution<int> pick(0, 2 * records - 1);
    for (int row = 0; row < rows; ++row) {
      mid << '"' << Description(pick(random)) << "\",\"" << mirvex::Ru("Подпись ") << row << "\"," << row << "\r\n";
    }
  }

  SilentHost host;
  mirvex::ui::MainWindow window(host, mirvex::PathText(home));
  window.Load();
  window.controls().column_count_from_header.SetCheck(0);
  window.controls().column_count.SetText("3");
  window.controls().type_column.SetText("1");
  window.controls().mid_path.SetText(mirvex::PathText(home / "map.mid"));
  auto start = std::chrono::steady_clock::now();
  window.OnEditObjectsClicked();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::size_t shown = window.controls().object_list.items().size();
  std::size_t known = 0;
  for (const std::string& line : window.controls().object_list.items()) known += line[0] == '[' || line[0] == 'L';
  std::printf("Редактировать объекты: %d строк MID, %d записей словаря\n", rows, records);
  std::printf("  %.3f с; в списке %zu описаний, из них %zu из словаря; сообщений: %d\n", seconds, shown, known,
              host.messages);
  fs::remove_all(home);
  return 0;
}
