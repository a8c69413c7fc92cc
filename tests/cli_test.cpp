// The command line: its exit statuses, where messages go, and the program folder.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/cp1251.h"
#include "tests/conversion_fixture.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

class CliTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.path() / "object.txt", DictionaryBytes({{"Неопределенный тип объекта", "0x10", "0x2f00", 0},
                                                            {"Школа", "0x10", "0x2f06", 0}}));
    WriteFile(dir_.path() / "mirvex.ini", CrLf({"[System]", "KolSt=2", "TypeSt=1", "PodpSt=2", "TypeObj=0"}));
    WriteFile(dir_.path() / "config.ini", CrLf({"[IMG ID]", "ID=1", "[END-IMG ID]"}));
    WriteFile(dir_.path() / "map.mif", CrLf({"Columns 2", "Data", "", "Point 65.5 57.25", "    Symbol (35,0,12)"}));
    WriteFile(dir_.path() / "map.mid", Ru(CrLf({"\"Школа\",\"Школа 1\""})));
  }
  int Convert(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"convert", File("map.mif"), File("map.mid"), File("map.mp"),
                                          "--home", dir_.path().string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunMirvex(arguments, &out_, &err_);
  }
  std::string File(const char* name) { return (dir_.path() / name).string(); }

  ScratchDir dir_;
  std::string out_, err_;
};

#ifndef _WIN32
// Without a command mirvex starts the window program beside it; where no window can
// open, mirvex (no display named) or the window program (a display that does not
// answer) says why in Russian and ends with status 2, never with a crash. The window
// program started on its own behaves the same.
TEST(CliWindow, WithoutAUsableDisplayItSaysSoAndEndsWithStatusTwo) {
  struct Case {
    const char* name;
    const char* program;
    const char* environment;
    const char* says;
  };
  const Case cases[] = {
      {"mirvex, no display", MIRVEX_BINARY, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "Нет дисплея"},
      {"mirvex, display that does not answer", MIRVEX_BINARY, "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987",
       "Не удалось открыть окно"},
      {"mirvex-window, no display", MIRVEX_WINDOW_BINARY, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM",
       "Нет дисплея"},
      {"mirvex-window, display that does not answer", MIRVEX_WINDOW_BINARY,
       "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987", "Не удалось открыть окно"},
  };
  for (const Case& c : cases) {
    std::string out, err;
    EXPECT_EQ(RunProgram(c.program, {}, &out, &err, c.environment), 2) << c.name << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.name << err;
    EXPECT_NE(err.find("mirvex --help"), std::string::npos) << c.name;
    EXPECT_NE(err.find("DISPLAY"), std::string::npos) << c.name;
    EXPECT_TRUE(out.empty()) << c.name;
  }
}

// The command line runs where Qt is missing: it links no Qt library, while the window
// program, looked at the same way, does (so the check would see one).
TEST(CliWindow, OnlyTheWindowProgramLinksQt) {
  std::string mirvex, window;
  int status = RunProgram("ldd", {MIRVEX_BINARY}, &mirvex);
  if (status == 127) GTEST_SKIP() << "ldd is not installed";
  ASSERT_EQ(status, 0) << mirvex;
  ASSERT_EQ(RunProgram("ldd", {MIRVEX_WINDOW_BINARY}, &window), 0) << window;
  std::string lower = mirvex;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(lower.find("qt"), std::string::npos) << mirvex;
  EXPECT_NE(window.find("libQt6Widgets"), std::string::npos) << window;
}

// A copy of mirvex alone in a scratch folder, to see which window program it starts.
class CliWindowProgram : public testing::Test {
 protected:
  void SetUp() override { std::filesystem::copy_file(MIRVEX_BINARY, mirvex_); }
  // A stand-in for the window: says where it was started from and ends with status 7.
  void PlaceWindow(std::filesystem::perms permissions) {
    WriteFile(window_, "#!/bin/sh\necho \"window started as $0\" >&2\nexit 7\n");
    std::filesystem::permissions(window_, permissions);
  }
  int Run(const char* environment) { return RunProgram(mirvex_.string(), {}, &out_, &err_, environment); }

  static constexpr const char* kDisplay = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987";
  ScratchDir dir_;
  std::filesystem::path mirvex_ = dir_.path() / "mirvex";
  std::filesystem::path window_ = dir_.path() / "mirvex-window";
  std::string out_, err_;
};

TEST_F(CliWindowProgram, StartsTheWindowBesideItAndEndsWithItsStatus) {
  PlaceWindow(std::filesystem::perms::owner_all);
  EXPECT_EQ(Run(kDisplay), 7) << err_;
  EXPECT_EQ(err_, "window started as " + window_.string() + "\n");
  EXPECT_TRUE(out_.empty());
}

// Without a display nothing is started: mirvex says so itself.
TEST_F(CliWindowProgram, WithoutADisplayTheWindowIsNotStarted) {
  PlaceWindow(std::filesystem::perms::owner_all);
  EXPECT_EQ(Run("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"), 2);
  EXPECT_NE(err_.find("Нет дисплея"), std::string::npos) << err_;
  EXPECT_NE(err_.find("mirvex --help"), std::string::npos) << err_;
  EXPECT_EQ(err_.find("window started"), std::string::npos) << err_;
}

// A window program that is missing or cannot be run is named with the path looked for,
// and the way on is said: the whole package, or the commands.
TEST_F(CliWindowProgram, WithoutAWindowProgramItNamesThePathLookedForAndEndsWithStatusTwo) {
  struct Case {
    const char* name;
    bool placed;
    const char* says;
  };
  const Case cases[] = {
      {"missing", false, "Не найдена программа окна Mirvex: "},
      {"not executable", true, "Не удалось запустить программу окна Mirvex: "},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(window_);
    if (c.placed) PlaceWindow(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(Run(kDisplay), 2) << c.name << err_;
    EXPECT_NE(err_.find(std::string(c.says) + window_.string() + "\n"), std::string::npos) << c.name << err_;
    EXPECT_NE(err_.find("mirvex --help"), std::string::npos) << c.name << err_;
    EXPECT_EQ(err_.find("window started"), std::string::npos) << c.name << err_;
    EXPECT_TRUE(out_.empty()) << c.name;
  }
}

// Ctrl+C during a conversion asks the run to stop, as "Отмена" does in the window: the
// earlier result stays, no temporary file is left, the program says so and ends with
// status 1. The signal is sent once the run's temporary result exists.
TEST_F(CliTest, InterruptStopsTheRunCleanly) {
  std::string mif = CrLf({"Columns 2", "Data", "", "Pline 1500000"});
  mif.reserve(mif.size() + 1500000 * 22);
  for (int i = 0; i < 1500000; ++i) mif += "37.215119 54.199747\r\n";
  WriteFile(dir_.path() / "big.mif", mif);
  WriteFile(dir_.path() / "big.mid", "\"a\",\"b\"\r\n");
  WriteFile(dir_.path() / "map.mp", "earlier result\r\n");
  fs::path err = dir_.path() / "err.txt";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::freopen(err.c_str(), "w", stderr);
    std::freopen("/dev/null", "w", stdout);
    execl(MIRVEX_BINARY, MIRVEX_BINARY, "convert", File("big.mif").c_str(), File("big.mid").c_str(),
          File("map.mp").c_str(), "--home", dir_.path().c_str(), "--quiet", static_cast<char*>(nullptr));
    _exit(127);
  }
  auto temporary_exists = [&] {
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      if (entry.path().filename().string().find(".mirvex-") != std::string::npos) return true;
    }
    return false;
  };
  // Waits (up to a minute on a busy machine) for the run to write, or to end first.
  bool seen = false;
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 600000 && !seen && ended == 0; ++i) {
    seen = temporary_exists();
    if (!seen) {
      ended = waitpid(child, &status, WNOHANG);
      usleep(100);
    }
  }
  ASSERT_TRUE(seen) << "the run never wrote its temporary result";
  kill(child, SIGINT);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(ReadFile(err).find("Операция прервана"), std::string::npos) << ReadFile(err);
  EXPECT_EQ(ReadFile(dir_.path() / "map.mp"), "earlier result\r\n");
  EXPECT_FALSE(temporary_exists());
}

// mirvex-window --draw: a picture of a map without a window; a wrong command line is
// status 2, a map with nothing to draw status 1, and no picture is left either way.
TEST_F(CliTest, WindowProgramDrawsAMapToAPicture) {
  std::string out, err;
  fs::path picture = dir_.path() / "map.png";
  EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY, {"--draw", File("map.mif"), picture.string(), "--home", dir_.path().string(),
                                              "--size", "320x200"},
                       &out, &err),
            0)
      << err;
  std::string png = ReadFile(picture);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  fs::remove(picture);
  EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY, {"--draw", File("map.mif")}, &out, &err), 2);
  EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY, {"--draw", File("map.mif"), picture.string(), "--size", "10x10"}, &out, &err),
            2);
  WriteFile(dir_.path() / "empty.mp", "");
  EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY, {"--draw", File("empty.mp"), picture.string()}, &out, &err), 1);
  EXPECT_NE(err.find("Нечего рисовать"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(picture));

  // A picture that cannot be written whole (a file-size limit of 1 KiB) leaves the
  // earlier one as it was, and nothing else beside it.
  std::string earlier(4096, 'p');
  WriteFile(picture, earlier);
  EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY,
                       {"--draw", File("map.mif"), picture.string(), "--home", dir_.path().string(), "--size",
                        "320x200"},
                       &out, &err, "trap '' XFSZ; ulimit -f 2;"),
            1);
  EXPECT_NE(err.find("Не удалось записать рисунок"), std::string::npos) << err;
  EXPECT_EQ(ReadFile(picture), earlier);
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".mirvex-"), std::string::npos) << entry.path();
  }
}

// mirvex-window --help prints its options and ends, opening no window (the offscreen
// platform would keep an invisible one running); an unknown option ends with status 2
// and the usage on standard error.
TEST_F(CliTest, WindowProgramPrintsItsUsage) {
  const std::string environment = "env QT_QPA_PLATFORM=offscreen timeout 30";
  std::string out, err;
  for (const char* help : {"--help", "-h"}) {
    EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY, {help}, &out, &err, environment), 0) << help << err;
    for (const char* option : {"--draw INPUT OUT.png", "--size WxH", "--crop", "--home DIR", "--help"}) {
      EXPECT_NE(out.find(option), std::string::npos) << help << ": " << option << "\n" << out;
    }
    EXPECT_EQ(err, "");
  }
  EXPECT_EQ(RunProgram(MIRVEX_WINDOW_BINARY, {"--bogus"}, &out, &err, environment), 2);
  EXPECT_NE(err.find("неизвестный параметр: --bogus"), std::string::npos) << err;
  EXPECT_NE(err.find("--draw INPUT OUT.png"), std::string::npos) << err;
  EXPECT_EQ(out, "");
}

#endif  // the window program and Ctrl+C on Windows: platform_test.cpp and tests/windows/

TEST_F(CliTest, ConvertsWithTheProgramFolderSettings) {
  std::string settings = ReadFile(dir_.path() / "mirvex.ini");
  ASSERT_EQ(Convert({"--quiet"}), 0) << err_;
  EXPECT_EQ(Cp1251ToUtf8(ReadFile(dir_.path() / "map.mp")),
            CrLf({"[IMG ID]", "ID=1", "[END-IMG ID]", "", "", "[RGN10]", "Levels=0", "Type=0x2f06", "Label=Школа 1",
                  "DirIndicator=1", "Data0=(57.25,65.5)", "[END-RGN10]"}));
  EXPECT_NE(out_.find("Конвертация карты из формата MIF: Конвертация завершена\n"), std::string::npos);
  EXPECT_NE(out_.find("[RGN10] 1, [RGN40] 0, [RGN80] 0"), std::string::npos);
  EXPECT_EQ(err_, "");
  EXPECT_EQ(ReadFile(dir_.path() / "mirvex.ini"), settings);
}

TEST_F(CliTest, SetOverridesOneKey) {
  ASSERT_EQ(Convert({"--set", "Podpis=1", "--set", "rustransl=1"}), 0) << err_;
  std::string map = ReadFile(dir_.path() / "map.mp");
  EXPECT_NE(map.find("Label=\r\n"), std::string::npos);
}

TEST_F(CliTest, TransliterationFromTheCommandLine) {
  ASSERT_EQ(Convert({"--set", "RusTransl=1"}), 0) << err_;
  EXPECT_NE(ReadFile(dir_.path() / "map.mp").find("Label=Shkola 1\r\n"), std::string::npos);
}

// The summary says which coordinate system the map was in and whether it was
// transformed; --set ToWgs84=0 copies the numbers; a clause that cannot be transformed
// ends with status 1 and leaves the earlier result.
TEST_F(CliTest, CoordinateSystemFromTheCommandLine) {
  WriteFile(dir_.path() / "map.mif", CrLf({"CoordSys Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0",
                                           "Columns 2", "Data", "", "Point 7412088.83566 6181724.275974"}));
  ASSERT_EQ(Convert({"--quiet"}), 0) << err_;
  EXPECT_NE(ReadFile(dir_.path() / "map.mp").find("Data0=(55.7500215,37.5982342)"), std::string::npos);
  EXPECT_NE(out_.find("Координаты: Гаусс-Крюгер, зона 7, Пулково 1942 -> WGS 84 (пересчитаны)"), std::string::npos)
      << out_;

  ASSERT_EQ(Convert({"--quiet", "--set", "ToWgs84=0"}), 0) << err_;
  EXPECT_NE(ReadFile(dir_.path() / "map.mp").find("Data0=(6181724.275974,7412088.83566)"), std::string::npos);
  EXPECT_NE(out_.find("Координаты: Гаусс-Крюгер, зона 7, Пулково 1942 (скопированы как есть)"), std::string::npos)
      << out_;

  std::string earlier = ReadFile(dir_.path() / "map.mp");
  WriteFile(dir_.path() / "map.mif", CrLf({"CoordSys Earth Projection 77, 1001, \"m\", 39", "Columns 2", "Data", "",
                                           "Point 7412088.83566 6181724.275974"}));
  EXPECT_EQ(Convert({"--quiet"}), 1);
  EXPECT_NE(err_.find("неизвестный номер проекции 77"), std::string::npos) << err_;
  EXPECT_EQ(ReadFile(dir_.path() / "map.mp"), earlier);
}

// --set CropClip=1 cuts a line crossing the rectangle at its edge; without it the line,
// whose last pair lies outside, is left out.
TEST_F(CliTest, CropClipFromTheCommandLine) {
  WriteFile(dir_.path() / "crossing.mp",
            CrLf({"[IMG ID]", "ID=1", "[END-IMG ID]", "[RGN40]", "Type=0x01", "Data0=(56,68),(57,72)", "[END-RGN40]"}));
  auto crop = [&](std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"crop", File("crossing.mp"), File("cut.mp"), "--home", dir_.path().string(),
                                          "--quiet", "--set", "Koord2=65", "--set", "Koord3=57", "--set", "Koord4=70",
                                          "--set", "Koord5=55"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunMirvex(arguments, &out_, &err_);
  };
  ASSERT_EQ(crop({"--set", "CropClip=1"}), 0) << err_;
  EXPECT_NE(ReadFile(dir_.path() / "cut.mp").find("\r\nData0=(56,68),(56.5,70)\r\n"), std::string::npos)
      << ReadFile(dir_.path() / "cut.mp");
  for (const char* off : {"CropClip=0", "Koord2=65"}) {
    ASSERT_EQ(crop({"--set", off}), 0) << err_;
    EXPECT_EQ(ReadFile(dir_.path() / "cut.mp").find("RGN40"), std::string::npos) << off;
  }
}

TEST_F(CliTest, MissingInputIsAFailureOnStandardError) {
  std::filesystem::remove(dir_.path() / "map.mid");
  EXPECT_EQ(Convert(), 1);
  EXPECT_EQ(err_, "Информация: Файл не найден\n" + File("map.mid") + "\n");
  EXPECT_EQ(out_, "");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "map.mp"));
}

TEST_F(CliTest, UsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"unknown"},
      {"convert", "a.mif", "a.mid"},
      {"convert", "a.mif", "a.mid", "a.mp", "--set", "mif_path=x"},
      {"convert", "a.mif", "a.mid", "a.mp", "--set", "novalue"},
      {"convert", "a.mif", "a.mid", "a.mp", "--home"},
      {"convert", "a.mif", "a.mid", "a.mp", "--bogus"},
      // characters cp1251 lacks would turn into "?" and name another file
      {"convert", "a.mif", "a.mid", "café.mp"},
      {"testmap", "\xff\xfe.mp"},
  };
  for (const auto& arguments : cases) {
    EXPECT_EQ(RunMirvex(arguments, &out_, &err_), 2) << testing::PrintToString(arguments);
    EXPECT_NE(err_, "");
  }
}

TEST_F(CliTest, HelpNamesTheCommands) {
  EXPECT_EQ(RunMirvex({"--help"}, &out_), 0);
  EXPECT_NE(out_.find("convert MIF MID RESULT"), std::string::npos);
  // Every key --set takes is listed with its meaning, and each of them is taken.
  const std::string help = out_;
  for (const char* line : {"  RusTransl   1 - переводить подписи в латиницу", "  TypeSt      номер столбца MID",
                           "  UgolPovorot угол поворота", "  Koord5      (crop) южная граница"}) {
    EXPECT_NE(help.find(line), std::string::npos) << line << "\n" << help;
  }
  for (const char* key : {"RusTransl", "TypeObj", "AutoSet", "KolSt", "TypeSt", "PodpSt", "Podpis", "PovObj",
                          "RazmObj", "PrivazkaMap", "PrK1", "PrK2", "PrK3", "PrK4", "UgolPovorot", "Koord2",
                          "Koord3", "Koord4", "Koord5", "CropClip"}) {
    EXPECT_NE(help.find(std::string("\n  ") + key + " "), std::string::npos) << key;
    EXPECT_EQ(Convert({"--quiet", "--set", std::string(key) + "=0"}), 0) << key << err_;
  }
  EXPECT_EQ(RunMirvex({"convert", "--help"}, &out_), 0);
  EXPECT_NE(out_.find("--home"), std::string::npos);
}

}  // namespace
}  // namespace mirvex::test

namespace mirvex::test {
namespace {

TEST(CliTestMap, WritesAnExistingFileAndRefusesAMissingOne) {
  ScratchDir dir;
  std::string out, err;
  EXPECT_EQ(RunMirvex({"testmap", dir.File("absent.mp"), "--home", dir.path().string()}, &out, &err), 1);
  EXPECT_EQ(err, "Информация: Файл не найден\n" + dir.File("absent.mp") + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent.mp"));

  WriteFile(dir.path() / "test.mp", "");
  EXPECT_EQ(RunMirvex({"testmap", dir.File("test.mp"), "--home", dir.path().string()}, &out, &err), 0) << err;
  EXPECT_EQ(out, "Создание тестовой карты: Создание карты завершенно\n");
  EXPECT_EQ(std::filesystem::file_size(dir.path() / "test.mp"), 4550123u);
}

}  // namespace
}  // namespace mirvex::test
