// Dictionary editing in the window model on a program folder with object.txt and
// the three catalogues: the display line and the description read back from it, the
// MID column view and the editing mode, assignments, levels and deletes, and Form2.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/platform.h"
#include "base/text.h"
#include "dictionary/display_line.h"
#include "dictionary/object_dictionary.h"
#include "tests/conversion_fixture.h"
#include "tests/qt/fake_host.h"
#include "tests/test_support.h"
#include "ui/main_window.h"

namespace mirvex::ui {
namespace {

namespace fs = std::filesystem;
using test::DictionaryBytes;
using test::DictionaryEntry;
using test::ReadFile;
using test::WriteFile;

// A field as the tests name it: its trimmed text, or "<unset>" when never written.
template <std::size_t N>
std::string Shown(const std::array<char, N>& field) {
  return field[0] == '\0' ? "<unset>" : Cp1251ToUtf8(TrimBlanks(FieldText(field)));
}

// A record with only a name and a level: region and type never written.
std::string NameOnlyRecord(const char* name, int level) {
  ObjectRecord record;
  SetField(record.ObjectName, Ru(name));
  record.Level = static_cast<std::uint8_t>(level);
  char bytes[kRecordLength];
  EncodeRecord(record, bytes);
  return std::string(bytes, kRecordLength);
}

const std::vector<DictionaryEntry> kDictionary = {
    {"Неопределенный тип объекта", "0x10", "0x2800", 3},
    {"Дорога", "0x20", "0x01", 0},
    {"Озеро", "0x80", "0x3c", 2},
    {"Лес", "Нет", "Нет", 0},
    {"Мост (новый)", "0x20", "0x01", 0},
    {"Река", "0x20", "0x02", 12},
};

// A program folder with the catalogues, object.txt, a two-column MIF and its MID, and
// the window on it (column count and type column typed, not read from the MIF).
struct Editing {
  explicit Editing(const std::string& dictionary = DictionaryBytes(kDictionary)) {
    for (const char* file : {"point.dat", "line.dat", "poligon.dat"}) {
      fs::copy_file(fs::path(MIRVEX_SOURCE_DATA) / file, dir.path() / file);
    }
    WriteFile(dir.path() / "object.txt", dictionary);
    WriteFile(dir.path() / "map.mif", "Version 300\r\nColumns 2\r\nData\r\n");
    window = std::make_unique<MainWindow>(host, PathText(dir.path()));
    window->Load();
    w().control("Check3").SetCheck(0);
    w().control("Text16").SetText("2");
    w().control("Text9").SetText("1");
    w().control("Combo1").SetText(dir.File("map.mif"));
    w().control("Combo2").SetText(dir.File("map.mid"));
  }
  MainWindow& w() { return *window; }
  UiControl& c(const char* name) { return w().control(name); }
  void Mid(const std::vector<std::string>& rows) {
    std::string bytes;
    for (const std::string& row : rows) bytes += Ru(row) + "\r\n";
    WriteFile(dir.path() / "map.mid", bytes);
  }
  // Lines as the editing mode would have put them, the chosen ones selected.
  void Lines(const std::vector<std::string>& lines, const std::vector<int>& selected = {0}) {
    std::vector<std::string> items;
    for (const std::string& line : lines) items.push_back(Ru(line));
    c("List1").SetItems(std::move(items));
    for (int i : selected) c("List1").SetSelected(i, true);
  }
  std::vector<std::string> List1() {
    std::vector<std::string> lines;
    for (const std::string& line : c("List1").items()) lines.push_back(Cp1251ToUtf8(line));
    return lines;
  }
  std::string Text(const char* name) { return Cp1251ToUtf8(c(name).text()); }
  std::string Dictionary() const { return ReadFile(dir.path() / "object.txt"); }
  std::size_t RecordCount() const { return Dictionary().size() / kRecordLength; }
  ObjectRecord Stored(const std::string& name) {
    test::RecordingHost quiet;
    return FindObjectRecord(quiet, DictionaryPath(w().program_prefix()), Ru(name));
  }
  void PickEntry(int catalogue, int entry) {
    w().Command7_Click(catalogue);
    c("List2").SetListIndex(entry);
  }

  test::ScratchDir dir;
  test::FakeWindowHost host;
  std::unique_ptr<MainWindow> window;
};

struct DisplayCase {
  const char* region;  // nullptr: never written
  const char* type;
  int level;
  const char* line;
};

TEST(DisplayLine, ShowsTrimmedFieldsWithTheLevelPrefixAndNoNulBytes) {
  const DisplayCase cases[] = {
      {"0x20  ", "0x01  ", 0, "[0x20] Дорога (0x01)"},
      {"0x20", "0x01", 2, "L2--[0x20] Дорога (0x01)"},
      {"0x20", "0x01", 9, "L9--[0x20] Дорога (0x01)"},
      {"0x20", "0x01", 12, "L12--[0x20] Дорога (0x01)"},
      {nullptr, nullptr, 0, "[] Дорога ()"},
      {nullptr, nullptr, 5, "L5--[] Дорога ()"},
  };
  for (const DisplayCase& c : cases) {
    ObjectRecord record;
    SetField(record.ObjectName, Ru("  Дорога"));
    if (c.region) SetField(record.RegionCode, c.region);
    if (c.type) SetField(record.ObjectType, c.type);
    record.Level = static_cast<std::uint8_t>(c.level);
    EXPECT_EQ(Cp1251ToUtf8(DisplayLine(record)), c.line);
  }
  ObjectRecord levelled;
  SetField(levelled.ObjectName, Ru("Дорога"));
  levelled.Level = 4;
  EXPECT_EQ(Cp1251ToUtf8(DisplayLineWithoutLevel(levelled)), "[] Дорога ()");
}

TEST(DisplayLine, DescriptionIsReadBackBetweenTheFirstBlankAndTheLastBracket) {
  const std::pair<const char*, const char*> cases[] = {
      {"[0x20] Дорога (0x01)", "Дорога "},
      {"L2--[0x20] Дорога (0x01)", "Дорога "},
      {"[0x20] Мост (новый) (0x01)", "Мост (новый) "},
      {"[] Тропа ()", "Тропа "},
      {"L12--[0x20] Река (0x02)", "L12--[0x20] Река (0x02)"},  // two-digit level: raw
      {"Дорога", "Дорога"},
      {"[0x20]Дорога(0x01)", "[0x20]Дорога(0x01)"},  // no blank
      {"[0x20] Дорога", "[0x20] Дорога"},            // no bracket
      {"Лес [у реки]", "Лес [у реки]"},              // "[" fifth, no "(" after the blank
  };
  for (const auto& [line, description] : cases) {
    EXPECT_EQ(Cp1251ToUtf8(DescriptionOfLine(Ru(line))), description) << line;
  }
}

TEST(DisplayLine, FindLastPositionGivesTheLastStartOrZero) {
  struct Case {
    int k;
    const char* text;
    const char* needle;
    int position;
  } cases[] = {
      {1, "abc(", "(", 4}, {1, "(abc", "(", 1}, {1, "a(b(c", "(", 4}, {1, "abc", "(", 0},
      {1, "", "(", 0},     {3, "ab", "(", 0},   {2, "a((", "((", 2},  {0, "a(", "(", 2},
      {-3, "a(", "(", 2},  // a length below the needle's never reads past the text
  };
  for (const Case& c : cases) EXPECT_EQ(FindLastPosition(c.k, c.text, c.needle), c.position) << c.text;
}

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// The lines of a text ended by CR LF.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(ColumnView, ColumnsAreAsWideAsTheirWidestValueOnThePage) {
  Editing e;
  e.c("Text16").SetText("3");
  e.Mid({"\"Озеро\",\"Пруд\",\"\"", "\"Лес \",\"Дубовая роща\",\"\""});
  e.c("Text1").SetText("keep");
  e.w().Command9_Click();
  // Column 1 is 5 characters wide, column 2 twelve; column 3 is all empty (1 twip).
  std::string header = Blanks(4) + "1" + Blanks(4) + "|" + Blanks(12) + "2" + Blanks(12) + "|3|\r\n";
  std::string row1 = "Озеро| Пруд" + Blanks(16) + "| | \r\n";
  std::string row2 = "Лес " + Blanks(4) + "| Дубовая роща| | \r\n";  // the value as read, blank included
  EXPECT_EQ(e.Text("Text7"), header + row1 + row2);
  EXPECT_EQ(e.Text("Text8"), "1 >> 100");
  EXPECT_EQ(e.Text("Text1"), "keep");
  for (const char* name : {"Frame8", "Text7", "Text8", "Command10_0", "Command10_1"}) {
    EXPECT_TRUE(e.c(name).visible()) << name;
  }
  EXPECT_TRUE(e.host.messages.empty());
}

TEST(ColumnView, PagesMoveByAHundredRowsAndStopAtTheFirst) {
  Editing e;
  e.c("Text16").SetText("3");
  std::vector<std::string> rows;
  for (int i = 1; i <= 150; ++i) rows.push_back("\"R" + std::to_string(i) + "\",\"x\",\"\"");
  e.Mid(rows);
  EXPECT_EQ(e.Text("Command10_0"), "Предыдущие 100");
  EXPECT_EQ(e.Text("Command10_1"), "Следующие 100");
  auto lines = [&] { return LinesOf(e.c("Text7").text()); };

  e.w().Command9_Click();
  std::string first_page = e.c("Text7").text();
  EXPECT_EQ(lines().size(), 101u);  // header and 100 rows
  e.w().Command10_Click(0);
  EXPECT_EQ(e.c("Text7").text(), first_page);
  EXPECT_EQ(e.Text("Text8"), "1 >> 100");

  e.w().Command10_Click(1);
  EXPECT_EQ(e.Text("Text8"), "101 >> 200");
  ASSERT_EQ(lines().size(), 51u);
  EXPECT_EQ(lines()[1].substr(0, 5), "R101|");
  e.w().Command10_Click(1);
  EXPECT_EQ(e.Text("Text8"), "201 >> 300");
  EXPECT_EQ(e.Text("Text7"), "1|2|3|\r\n");  // no row on the page: every width stays 1
  e.w().Command10_Click(0);
  EXPECT_EQ(e.Text("Text8"), "101 >> 200");
}

TEST(ColumnView, APageThatCannotBeShownIsNotTurned) {
  Editing e;
  std::vector<std::string> rows;
  for (int i = 1; i <= 250; ++i) rows.push_back("\"R" + std::to_string(i) + "\",\"x\"");
  e.Mid(rows);
  e.w().Command9_Click();
  e.c("Combo2").SetText(e.dir.File("missing.mid"));
  e.w().Command10_Click(1);
  EXPECT_EQ(e.host.messages.size(), 1u);
  EXPECT_EQ(e.Text("Text8"), "1 >> 100");
  e.c("Combo2").SetText(e.dir.File("map.mid"));
  e.w().Command10_Click(1);
  EXPECT_EQ(e.Text("Text8"), "101 >> 200");
  EXPECT_EQ(LinesOf(e.c("Text7").text())[1].substr(0, 5), "R101|");
}

TEST(MidBrowser, AColumnTheMidDoesNotHaveIsEmptyNotLeftOverFromAnEarlierRead) {
  Editing e;
  e.Mid({"\"Дорога\",\"a\",\"Лес\""});
  e.c("Text16").SetText("3");
  e.w().Command9_Click();  // the record now holds three columns
  e.c("Text16").SetText("2");
  e.c("Text9").SetText("3");
  e.w().Command41_Click();
  EXPECT_TRUE(e.List1().empty());
  e.c("Text16").SetText("2.5");  // not whole: rows are passed over, no field is read
  e.c("Text9").SetText("1");
  e.w().Command9_Click();
  EXPECT_EQ(e.Text("Text7").find("Дорога"), std::string::npos);
}

TEST(MidBrowser, ColumnCountAndTypeColumnOutsideTheRecordAreRefused) {
  struct Case {
    const char* count;
    const char* type_column;
    bool refused;
  } cases[] = {{"51", "1", true}, {"2", "51", true}, {"-1", "1", true}, {"2", "-1", true},
               {"50", "50", false}, {"2", "0", false}};
  for (const Case& c : cases) {
    Editing e;
    e.Mid({"\"Дорога\",\"a\""});
    e.c("Text16").SetText(c.count);
    e.c("Text9").SetText(c.type_column);
    e.w().Command9_Click();
    EXPECT_EQ(e.host.messages.size(), c.refused ? 1u : 0u) << c.count << " " << c.type_column;
    EXPECT_EQ(e.c("Text7").text().empty(), c.refused);
    e.w().Command41_Click();
    EXPECT_EQ(e.host.messages.size(), c.refused ? 2u : 0u) << c.count << " " << c.type_column;
  }
}

TEST(EditingMode, ListsEachValueOnceAndShowsKnownOnesAsDisplayLines) {
  Editing e;
  e.Mid({"\"Дорога\",\"a\"", "\"Лес\",\"b\"", "\"Дорога\",\"c\"", "\"\",\"d\"", "\"Тропа\",\"e\"",
         "\"Тропа \",\"f\"", "\"Озеро\",\"g\"", "\"Река\",\"h\""});
  e.w().Command41_Click();
  EXPECT_EQ(e.List1(), (std::vector<std::string>{"[0x20] Дорога (0x01)", "[Нет] Лес (Нет)", "Тропа", "Тропа ",
                                                 "L2--[0x80] Озеро (0x3c)", "L12--[0x20] Река (0x02)"}));
  EXPECT_EQ(e.Text("Text25"), "[0x10] Неопределенный тип объекта (0x2800)");  // level 3 not shown
  for (const char* name : {"Text25", "Command4_1", "Command6", "Command8", "Command11", "Slider1", "Command7_0",
                           "Command7_1", "Command7_3", "Check1", "Check2", "Check4"}) {
    EXPECT_TRUE(e.c(name).enabled()) << name;
  }
  EXPECT_FALSE(e.c("Frame9").visible());
  EXPECT_TRUE(e.c("Text17").visible());
  EXPECT_TRUE(e.host.messages.empty());
}

TEST(EditingMode, ALookupReplacesTheFirstLineEqualToTheValue) {
  std::vector<DictionaryEntry> dictionary = kDictionary;
  dictionary.push_back({"[0x20] Дорога (0x01)", "0x10", "0x2f", 0});
  Editing e(DictionaryBytes(dictionary));
  e.Mid({"\"Дорога\",\"a\"", "\"[0x20] Дорога (0x01)\",\"b\""});
  e.w().Command41_Click();
  // The second value equals the display line the first became, which is replaced.
  EXPECT_EQ(e.List1(), (std::vector<std::string>{"[0x10] [0x20] Дорога (0x01) (0x2f)", "[0x20] Дорога (0x01)"}));
}

TEST(EditingMode, MissingDictionaryIsReportedOnceAndMissingDefaultShowsEmptyFields) {
  for (bool missing : {true, false}) {
    Editing e(DictionaryBytes({{"Дорога", "0x20", "0x01", 0}}));
    if (missing) fs::remove(e.dir.path() / "object.txt");
    e.Mid({"\"Дорога\",\"a\"", "\"Лес\",\"b\"", "\"Озеро\",\"c\""});
    e.w().Command41_Click();
    EXPECT_EQ(e.host.messages.size(), missing ? 1u : 0u);
    EXPECT_EQ(e.List1()[0], missing ? "Дорога" : "[0x20] Дорога (0x01)");
    EXPECT_EQ(e.Text("Text25"), "[]  ()");
  }
}

struct AssignCase {
  const char* line;
  int catalogue;
  int entry;
  const char* shown;
  const char* name;
  const char* region;
  const char* type;
  int level;  // stored after the assignment
  bool added;
};

// An assignment changes name, region and type of the description's own record and
// keeps its level; a level an earlier action left behind never travels into it.
TEST(Assign, TypeGoesToTheNameReadBackOrToTheWholeLineAndKeepsItsLevel) {
  const AssignCase cases[] = {
      {"Тропа", 1, 1, "[0x20] Тропа (0x02)", "Тропа", "0x20", "0x02", 0, true},
      {"[0x20] Дорога (0x01)", 0, 0, "[0x10] Дорога (0x0100)", "Дорога", "0x10", "0x0100", 0, false},
      {"L2--[0x80] Озеро (0x3c)", 3, 0, "L2--[0x80] Озеро (0x01)", "Озеро", "0x80", "0x01", 2, false},
      {"[0x20] Мост (новый) (0x01)", 1, 1, "[0x20] Мост (новый) (0x02)", "Мост (новый)", "0x20", "0x02", 0, false},
      {"[Нет] Лес (Нет)", 1, 1, "[0x20] [Нет] Лес (Нет) (0x02)", "[Нет] Лес (Нет)", "0x20", "0x02", 0, true},
      {"[0x40] Дорога (0x01)", 1, 1, "[0x20] [0x40] Дорога (0x01) (0x02)", "[0x40] Дорога (0x01)", "0x20", "0x02",
       0, true},
  };
  for (bool double_click : {false, true}) {
    for (const AssignCase& c : cases) {
      SCOPED_TRACE(std::string(c.line) + (double_click ? " (double click)" : ""));
      Editing e;
      e.Lines({c.line, "Другая"});
      e.w().current_record().Level = 7;
      e.PickEntry(c.catalogue, c.entry);
      std::size_t before = e.RecordCount();
      double_click ? e.w().List2_DblClick() : e.w().Command6_Click();
      EXPECT_EQ(e.List1(), (std::vector<std::string>{c.shown, "Другая"}));
      ObjectRecord stored = e.Stored(c.name);
      EXPECT_EQ(Shown(stored.RegionCode), c.region);
      EXPECT_EQ(Shown(stored.ObjectType), c.type);
      EXPECT_EQ(stored.Level, c.level);
      EXPECT_EQ(e.RecordCount(), before + (c.added ? 1 : 0));
    }
  }
}

TEST(Assign, TypeCodeIsTheTextBeforeFourBlanksOrElseBeforeTheFirstBlank) {
  Editing e;
  WriteFile(e.dir.path() / "line.dat",
            Ru("0x05    Тропа\r\n0x06 Просека\r\n0x07\r\n\"0x08    Дорога, грунтовая\"\r\n0x09 a    b\r\n"));
  const std::pair<int, const char*> cases[] = {
      {0, "[0x20] Тропа (0x05)"}, {1, "[0x20] Тропа (0x06)"}, {2, "[0x20] Тропа (0x07)"},
      {3, "[0x20] Тропа (0x08)"}, {4, "[0x20] Тропа (0x09 a)"},
  };
  for (const auto& [entry, shown] : cases) {
    e.Lines({"Тропа"});
    e.PickEntry(1, entry);
    e.w().Command6_Click();
    EXPECT_EQ(e.List1()[0], shown);
  }
  EXPECT_EQ(e.c("List2").items().size(), 5u);
}

TEST(Assign, WithoutACatalogueEntryNothingHappens) {
  Editing e;
  e.Lines({"Тропа"});
  e.w().Command7_Click(1);
  std::string before = e.Dictionary();
  e.w().Command6_Click();
  e.w().Command4_1_Click();
  EXPECT_EQ(e.List1()[0], "Тропа");
  EXPECT_EQ(e.Text("Text25"), "Неопределенный тип объекта");
  EXPECT_EQ(e.Dictionary(), before);
  EXPECT_TRUE(e.host.messages.empty());
}

TEST(Assign, SelectedLinesWithDifferentLevelsEachKeepTheirOwn) {
  Editing e;
  e.Lines({"Тропа", "Просека", "Болото"}, {0, 1});
  e.c("Slider1").SetValue(3);
  e.c("List1").SetSelected(0, false);
  e.c("List1").SetSelected(2, true);
  e.PickEntry(1, 1);
  e.w().Command6_Click();
  // Просека had level 3, Болото none; Тропа, not selected, keeps its line.
  EXPECT_EQ(e.List1(), (std::vector<std::string>{"L3--[] Тропа ()", "L3--[0x20] Просека (0x02)",
                                                 "[0x20] Болото (0x02)"}));
  EXPECT_EQ(e.Stored("Просека").Level, 3);
  EXPECT_EQ(e.Stored("Болото").Level, 0);
  // The level survives into object.txt's bytes: a fresh lookup reads it back.
  EXPECT_EQ(DisplayLine(e.Stored("Просека")), Ru("L3--[0x20] Просека (0x02)"));
}

TEST(Assign, DefaultTypeBoxShowsTheRecordWithoutItsLevel) {
  Editing e;
  e.Lines({"Тропа"});
  e.c("Text25").SetText(Ru("[0x10] Неопределенный тип объекта (0x2800)"));
  e.w().current_record().Level = 7;  // left by an earlier action: not taken over
  e.PickEntry(3, 0);
  e.w().Command4_1_Click();
  EXPECT_EQ(e.Text("Text25"), "[0x80] Неопределенный тип объекта (0x01)");
  EXPECT_EQ(e.Stored("Неопределенный тип объекта").Level, 3);
  EXPECT_EQ(e.List1()[0], "Тропа");
}

TEST(Assign, NewRecordIntoAFullDictionaryIsRefusedAndItsLineStays) {
  std::string one = DictionaryBytes({{"Полный", "0x20", "0x01", 0}});
  std::string full;
  full.reserve(one.size() * kMaxRecords);
  for (std::uint64_t i = 0; i < kMaxRecords; ++i) full += one;
  Editing e(full);
  e.Lines({"Новая", "Полный"}, {0, 1});
  e.PickEntry(1, 1);
  e.w().Command6_Click();
  EXPECT_EQ(e.List1(), (std::vector<std::string>{"Новая", "[0x20] Полный (0x02)"}));
  EXPECT_EQ(e.host.messages.size(), 1u);
  e.w().Command4_1_Click();
  EXPECT_EQ(e.Text("Text25"), "Неопределенный тип объекта");
  EXPECT_EQ(e.host.messages.size(), 2u);
  EXPECT_EQ(e.Dictionary().size(), full.size());
}

struct LineEditCase {
  const char* line;
  int level;  // -1: delete
  const char* shown;
  const char* name;
  const char* region;
  const char* type;
  int stored_level;
  bool added;
};

TEST(LevelAndDelete, StartFromTheLineRecordOrANewOneNamedAfterTheLine) {
  const LineEditCase cases[] = {
      {"Болото", 5, "L5--[] Болото ()", "Болото", "<unset>", "<unset>", 5, true},
      {"L2--[0x80] Озеро (0x3c)", 7, "L7--[0x80] Озеро (0x3c)", "Озеро", "0x80", "0x3c", 7, false},
      {"L2--[0x80] Озеро (0x3c)", 0, "[0x80] Озеро (0x3c)", "Озеро", "0x80", "0x3c", 0, false},
      {"L12--[0x20] Река (0x02)", 3, "L3--[] L12--[0x20] Река (0x02) ()", "L12--[0x20] Река (0x02)", "<unset>",
       "<unset>", 3, true},
      {"Болото", -1, "[Нет] Болото (Нет)", "Болото", "Нет", "Нет", 0, true},
      {"L2--[0x80] Озеро (0x3c)", -1, "L2--[Нет] Озеро (Нет)", "Озеро", "Нет", "Нет", 2, false},
      {"[0x20] Мост (новый) (0x01)", -1, "[Нет] Мост (новый) (Нет)", "Мост (новый)", "Нет", "Нет", 0, false},
  };
  for (const LineEditCase& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " " + std::to_string(c.level));
    Editing e;
    e.Lines({"Другая", c.line}, {});
    if (c.level >= 0) e.c("Slider1").SetValue(c.level);  // nothing selected yet: applies to nothing
    std::size_t before = e.RecordCount();
    e.c("List1").SetSelected(1, true);
    c.level < 0 ? e.w().Command8_Click() : e.w().Command11_Click();
    EXPECT_EQ(e.List1(), (std::vector<std::string>{"Другая", c.shown}));
    ObjectRecord stored = e.Stored(c.name);
    EXPECT_EQ(Shown(stored.RegionCode), c.region);
    EXPECT_EQ(Shown(stored.ObjectType), c.type);
    EXPECT_EQ(stored.Level, c.stored_level);
    EXPECT_EQ(e.RecordCount(), before + (c.added ? 1 : 0));
  }
}

TEST(LevelAndDelete, ScrollingChangesTheCaptionOnlyAndTheFinalValueApplies) {
  Editing e;
  e.Lines({"L2--[0x80] Озеро (0x3c)"});
  std::string before = e.Dictionary();
  e.w().Slider1_Scroll(6);
  EXPECT_EQ(e.Text("Command11"), "Уровень 6");
  EXPECT_EQ(e.List1()[0], "L2--[0x80] Озеро (0x3c)");
  EXPECT_EQ(e.Dictionary(), before);
  e.c("Slider1").SetValue(6);
  EXPECT_EQ(e.List1()[0], "L6--[0x80] Озеро (0x3c)");
  EXPECT_EQ(e.Stored("Озеро").Level, 6);
}

TEST(LevelAndDelete, MissingDictionaryIsReportedOncePerActionAndLinesAreStillRewritten) {
  for (bool remove : {true, false}) {
    Editing e;
    fs::remove(e.dir.path() / "object.txt");
    e.c("Slider1").SetValue(1);
    e.Lines({"Тропа", "Просека", "Озеро"}, {0, 1, 2});
    remove ? e.w().Command8_Click() : e.w().Command11_Click();
    EXPECT_EQ(e.host.messages.size(), 1u);
    // Each line starts from a cleared record named after it.
    std::vector<std::string> shown = remove ? std::vector<std::string>{"[Нет] Тропа (Нет)", "[Нет] Просека (Нет)",
                                                                       "[Нет] Озеро (Нет)"}
                                            : std::vector<std::string>{"L1--[] Тропа ()", "L1--[] Просека ()",
                                                                       "L1--[] Озеро ()"};
    EXPECT_EQ(e.List1(), shown);
    EXPECT_FALSE(fs::exists(e.dir.path() / "object.txt"));
  }
}

struct Form2Case {
  const char* line;
  int pick_region;   // -1: the user picks none
  const char* typed;  // nullptr: the type is left alone
  const char* name;
  const char* opens;  // the region entry and the type shown on opening, without padding
  const char* text3;
  const char* shown;
  const char* region;
  const char* type;
  int level;
};

TEST(ObjectWindow, ClosingStoresTheControlsIntoTheLineRecord) {
  const Form2Case cases[] = {
      {"[Нет] Лес (Нет)", -1, nullptr, "Лес", "0x40", "Нет", "[Нет] Лес (Нет)", "Нет", "Нет", 0},
      {"[Нет] Лес (Нет)", 0, nullptr, "Лес", "0x40", "Нет", "[0x10] Лес (Нет)", "0x10", "Нет", 0},
      {"Болото", -1, "0x4c", "Болото", "0x40", "", "[0x40] Болото (0x4c)", "0x40", "0x4c", 0},
      {"L1--[] Тропа ()", -1, nullptr, "Тропа", "0x40", "", "L1--[0x40] Тропа ()", "0x40", "", 1},
      {"L2--[0x80] Озеро (0x3c)", -1, nullptr, "Озеро", "0x80", "0x3c", "L2--[0x80] Озеро (0x3c)", "0x80", "0x3c",
       2},
      {"[0x20] Мост (новый) (0x01)", 3, "0x05", "Мост (новый)", "0x20", "0x01", "[0x80] Мост (новый) (0x05)",
       "0x80", "0x05", 0},
  };
  for (const Form2Case& c : cases) {
    SCOPED_TRACE(c.line);
    Editing e(DictionaryBytes(kDictionary) + NameOnlyRecord("Тропа", 1));
    e.Lines({c.line});
    std::string before = e.Dictionary();
    e.w().List1_DblClick(0);
    ASSERT_NE(e.w().form2(), nullptr);
    ObjectWindow& form2 = *e.w().form2();
    EXPECT_EQ(Cp1251ToUtf8(form2.control("Text1").text()), c.name);
    EXPECT_EQ(form2.control("Combo1").text(), c.opens);
    EXPECT_EQ(Cp1251ToUtf8(form2.control("Text3").text()), c.text3);
    if (c.pick_region >= 0) form2.control("Combo1").SetListIndex(c.pick_region);
    if (c.typed) form2.control("Text3").SetText(c.typed);
    e.w().Form2_Unload();
    EXPECT_EQ(e.w().form2(), nullptr);
    EXPECT_EQ(e.List1()[0], c.shown);
    ObjectRecord stored = e.Stored(c.name);
    EXPECT_EQ(Shown(stored.RegionCode), c.region);
    EXPECT_EQ(Shown(stored.ObjectType), c.type);
    EXPECT_EQ(stored.Level, c.level);
    // Opening and closing without a change rewrites the record byte for byte.
    if (c.pick_region < 0 && !c.typed && c.level != 1) {
      EXPECT_EQ(e.Dictionary(), before);
    }
    EXPECT_TRUE(e.host.messages.empty());
  }
}

TEST(ObjectWindow, RenamingStoresANewRecordAndKeepsTheOldOne) {
  Editing e;
  e.Lines({"[0x20] Дорога (0x01)"});
  std::size_t before = e.RecordCount();
  e.w().List1_DblClick(0);
  UiControl& name = e.w().form2()->control("Text1");
  name.SetText(name.text() + Ru(" старая"));  // typed at the end of the name
  e.w().Form2_Unload();
  EXPECT_EQ(e.List1()[0], "[0x20] Дорога старая (0x01)");
  EXPECT_EQ(e.RecordCount(), before + 1);
  EXPECT_EQ(Shown(e.Stored("Дорога").ObjectType), "0x01");
}

TEST(ObjectWindow, DoubleClickWhileOpenChangesTheRecordButNotTheControls) {
  Editing e;
  e.Lines({"[0x20] Дорога (0x01)", "Болото"});
  e.w().List1_DblClick(0);
  ObjectWindow* form2 = e.w().form2();
  ASSERT_NE(form2, nullptr);
  e.w().List1_DblClick(1);
  EXPECT_EQ(e.w().form2(), form2);
  EXPECT_EQ(Cp1251ToUtf8(form2->control("Text1").text()), "Дорога");
  EXPECT_EQ(Cp1251ToUtf8(std::string(TrimBlanks(FieldText(e.w().current_record().ObjectName)))), "Болото");
  EXPECT_EQ(Cp1251ToUtf8(e.w().selected_line()), "Болото");
  // Closing stores what the controls show under the line clicked last.
  e.w().Form2_Unload();
  EXPECT_EQ(e.List1(), (std::vector<std::string>{"[0x20] Дорога (0x01)", "[0x20] Дорога (0x01)"}));
  EXPECT_EQ(Shown(e.Stored("Болото").ObjectName), "<unset>");
}

}  // namespace
}  // namespace mirvex::ui
