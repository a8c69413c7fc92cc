// Dictionary editing in the window model on a program folder with object.txt and
// the three catalogues: the display line and the description read back from it, the
// MID column view and the editing mode, assignments, levels and deletes, and the object
// window.
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
    w().controls().column_count_from_header.SetCheck(0);
    w().controls().column_count.SetText("2");
    w().controls().type_column.SetText("1");
    w().controls().mif_path.SetText(dir.File("map.mif"));
    w().controls().mid_path.SetText(dir.File("map.mid"));
  }
  MainWindow& w() { return *window; }
  MainWindowControls& c() { return w().controls(); }
  void Mid(const std::vector<std::string>& rows) {
    std::string bytes;
    for (const std::string& row : rows) bytes += Ru(row) + "\r\n";
    WriteFile(dir.path() / "map.mid", bytes);
  }
  // Lines as the editing mode would have put them, the chosen ones selected.
  void Lines(const std::vector<std::string>& lines, const std::vector<int>& selected = {0}) {
    std::vector<std::string> items;
    for (const std::string& line : lines) items.push_back(Ru(line));
    c().object_list.SetItems(std::move(items));
    for (int i : selected) c().object_list.SetSelected(i, true);
  }
  std::vector<std::string> ObjectList() {
    std::vector<std::string> lines;
    for (const std::string& line : c().object_list.items()) lines.push_back(Cp1251ToUtf8(line));
    return lines;
  }
  std::string Text(const UiControl& control) { return Cp1251ToUtf8(control.text()); }
  std::string Dictionary() const { return ReadFile(dir.path() / "object.txt"); }
  std::size_t RecordCount() const { return Dictionary().size() / kRecordLength; }
  ObjectRecord Stored(const std::string& name) {
    test::RecordingHost quiet;
    return FindObjectRecord(quiet, DictionaryPath(w().program_prefix()), Ru(name));
  }
  void PickEntry(TypeCatalogue catalogue, int entry) {
    w().OnTypeCatalogueClicked(catalogue);
    c().type_list.SetListIndex(entry);
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

TEST(DisplayLine, DescriptionIsReadBackFromEveryShownFormAndRawLinesStayWhole) {
  const std::pair<const char*, const char*> cases[] = {
      {"[0x20] Дорога (0x01)", "Дорога "},
      {"L2--[0x20] Дорога (0x01)", "Дорога "},
      {"L12--[0x20] Река (0x02)", "Река "},
      {"[0x20] Мост (новый) (0x01)", "Мост (новый) "},
      {"[] Тропа ()", "Тропа "},
      {"L3--[] Тропа ()", "Тропа "},
      {"[Нет] Служебная линия (Нет)", "Служебная линия "},
      {"L1--[Нет] Лес (Нет)", "Лес "},
      {"[0x40] Дорога (0x01)", "Дорога "},
      {"Дорога", "Дорога"},
      {"[0x20]Дорога(0x01)", "[0x20]Дорога(0x01)"},  // no blanks around the name
      {"[0x20] Дорога", "[0x20] Дорога"},            // no type
      {"[0x20] Дорога (0x01) сев.", "[0x20] Дорога (0x01) сев."},
      {"Дом [кирпичный] (2 эт)", "Дом [кирпичный] (2 эт)"},  // "[" fifth, no level prefix
      {"Лес [у реки]", "Лес [у реки]"},
      {"L--[0x20] Дорога (0x01)", "L--[0x20] Дорога (0x01)"},
      {"", ""},
  };
  for (const auto& [line, description] : cases) {
    EXPECT_EQ(Cp1251ToUtf8(DescriptionOfLine(Ru(line))), description) << line;
  }
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
  e.c().column_count.SetText("3");
  e.Mid({"\"Озеро\",\"Пруд\",\"\"", "\"Лес \",\"Дубовая роща\",\"\""});
  e.c().crop_map_path.SetText("keep");
  e.w().OnColumnViewClicked();
  // Column 1 is 5 characters wide, column 2 twelve; column 3 is all empty (1 twip).
  std::string header = Blanks(4) + "1" + Blanks(4) + "|" + Blanks(12) + "2" + Blanks(12) + "|3|\r\n";
  std::string row1 = "Озеро| Пруд" + Blanks(16) + "| | \r\n";
  std::string row2 = "Лес " + Blanks(4) + "| Дубовая роща| | \r\n";  // the value as read, blank included
  EXPECT_EQ(e.Text(e.c().column_view), header + row1 + row2);
  EXPECT_EQ(e.Text(e.c().row_range), "1 >> 100");
  EXPECT_EQ(e.Text(e.c().crop_map_path), "keep");
  MainWindowControls& c = e.c();
  for (UiControl* control :
       {&c.columns_frame, &c.column_view, &c.row_range, &c.previous_rows_button, &c.next_rows_button}) {
    EXPECT_TRUE(control->visible()) << control->name();
  }
  EXPECT_TRUE(e.host.messages.empty());
}

TEST(ColumnView, PagesMoveByAHundredRowsAndStopAtTheFirst) {
  Editing e;
  e.c().column_count.SetText("3");
  std::vector<std::string> rows;
  for (int i = 1; i <= 150; ++i) rows.push_back("\"R" + std::to_string(i) + "\",\"x\",\"\"");
  e.Mid(rows);
  EXPECT_EQ(e.Text(e.c().previous_rows_button), "Предыдущие 100");
  EXPECT_EQ(e.Text(e.c().next_rows_button), "Следующие 100");
  auto lines = [&] { return LinesOf(e.c().column_view.text()); };

  e.w().OnColumnViewClicked();
  std::string first_page = e.c().column_view.text();
  EXPECT_EQ(lines().size(), 101u);  // header and 100 rows
  e.w().OnPreviousRowsClicked();
  EXPECT_EQ(e.c().column_view.text(), first_page);
  EXPECT_EQ(e.Text(e.c().row_range), "1 >> 100");

  e.w().OnNextRowsClicked();
  EXPECT_EQ(e.Text(e.c().row_range), "101 >> 200");
  ASSERT_EQ(lines().size(), 51u);
  EXPECT_EQ(lines()[1].substr(0, 5), "R101|");
  e.w().OnNextRowsClicked();
  EXPECT_EQ(e.Text(e.c().row_range), "201 >> 300");
  EXPECT_EQ(e.Text(e.c().column_view), "1|2|3|\r\n");  // no row on the page: every width stays 1
  e.w().OnPreviousRowsClicked();
  EXPECT_EQ(e.Text(e.c().row_range), "101 >> 200");
}

TEST(ColumnView, APageThatCannotBeShownIsNotTurned) {
  Editing e;
  std::vector<std::string> rows;
  for (int i = 1; i <= 250; ++i) rows.push_back("\"R" + std::to_string(i) + "\",\"x\"");
  e.Mid(rows);
  e.w().OnColumnViewClicked();
  e.c().mid_path.SetText(e.dir.File("missing.mid"));
  e.w().OnNextRowsClicked();
  EXPECT_EQ(e.host.messages.size(), 1u);
  EXPECT_EQ(e.Text(e.c().row_range), "1 >> 100");
  e.c().mid_path.SetText(e.dir.File("map.mid"));
  e.w().OnNextRowsClicked();
  EXPECT_EQ(e.Text(e.c().row_range), "101 >> 200");
  EXPECT_EQ(LinesOf(e.c().column_view.text())[1].substr(0, 5), "R101|");
}

TEST(MidBrowser, AColumnTheMidDoesNotHaveIsEmptyNotLeftOverFromAnEarlierRead) {
  Editing e;
  e.Mid({"\"Дорога\",\"a\",\"Лес\""});
  e.c().column_count.SetText("3");
  e.w().OnColumnViewClicked();  // the record now holds three columns
  e.c().column_count.SetText("2");
  e.c().type_column.SetText("3");
  e.w().OnEditObjectsClicked();
  EXPECT_TRUE(e.ObjectList().empty());
  e.c().column_count.SetText("2.5");  // not whole: rows are passed over, no field is read
  e.c().type_column.SetText("1");
  e.w().OnColumnViewClicked();
  EXPECT_EQ(e.Text(e.c().column_view).find("Дорога"), std::string::npos);
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
    e.c().column_count.SetText(c.count);
    e.c().type_column.SetText(c.type_column);
    e.w().OnColumnViewClicked();
    EXPECT_EQ(e.host.messages.size(), c.refused ? 1u : 0u) << c.count << " " << c.type_column;
    EXPECT_EQ(e.c().column_view.text().empty(), c.refused);
    e.w().OnEditObjectsClicked();
    EXPECT_EQ(e.host.messages.size(), c.refused ? 2u : 0u) << c.count << " " << c.type_column;
  }
}

TEST(EditingMode, ListsEachValueOnceAndShowsKnownOnesAsDisplayLines) {
  Editing e;
  e.Mid({"\"Дорога\",\"a\"", "\"Лес\",\"b\"", "\"Дорога\",\"c\"", "\"\",\"d\"", "\"Тропа\",\"e\"",
         "\"Тропа \",\"f\"", "\"Озеро\",\"g\"", "\"Река\",\"h\""});
  e.w().OnEditObjectsClicked();
  EXPECT_EQ(e.ObjectList(), (std::vector<std::string>{"[0x20] Дорога (0x01)", "[Нет] Лес (Нет)", "Тропа", "Тропа ",
                                                      "L2--[0x80] Озеро (0x3c)", "L12--[0x20] Река (0x02)"}));
  EXPECT_EQ(e.Text(e.c().default_type), "[0x10] Неопределенный тип объекта (0x2800)");  // level 3 not shown
  MainWindowControls& c = e.c();
  for (UiControl* control :
       {&c.default_type, &c.assign_default_type_button, &c.assign_type_button, &c.delete_objects_button,
        &c.level_button, &c.level_slider, &c.point_types_button, &c.line_types_button, &c.polygon_types_button,
        &c.transliterate_labels, &c.section_from_mif, &c.raise_large_objects}) {
    EXPECT_TRUE(control->enabled()) << control->name();
  }
  EXPECT_FALSE(e.c().georeference_frame.visible());
  EXPECT_TRUE(e.c().size_threshold.visible());
  EXPECT_TRUE(e.host.messages.empty());
}

TEST(EditingMode, ALookupReplacesTheFirstLineEqualToTheValue) {
  std::vector<DictionaryEntry> dictionary = kDictionary;
  dictionary.push_back({"[0x20] Дорога (0x01)", "0x10", "0x2f", 0});
  Editing e(DictionaryBytes(dictionary));
  e.Mid({"\"Дорога\",\"a\"", "\"[0x20] Дорога (0x01)\",\"b\""});
  e.w().OnEditObjectsClicked();
  // The second value equals the display line the first became, which is replaced.
  EXPECT_EQ(e.ObjectList(), (std::vector<std::string>{"[0x10] [0x20] Дорога (0x01) (0x2f)", "[0x20] Дорога (0x01)"}));
}

TEST(EditingMode, MissingDictionaryIsReportedOnceAndMissingDefaultShowsEmptyFields) {
  for (bool missing : {true, false}) {
    Editing e(DictionaryBytes({{"Дорога", "0x20", "0x01", 0}}));
    if (missing) fs::remove(e.dir.path() / "object.txt");
    e.Mid({"\"Дорога\",\"a\"", "\"Лес\",\"b\"", "\"Озеро\",\"c\""});
    e.w().OnEditObjectsClicked();
    EXPECT_EQ(e.host.messages.size(), missing ? 1u : 0u);
    EXPECT_EQ(e.ObjectList()[0], missing ? "Дорога" : "[0x20] Дорога (0x01)");
    EXPECT_EQ(e.Text(e.c().default_type), "[]  ()");
  }
}

struct AssignCase {
  const char* line;
  TypeCatalogue catalogue;
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
TEST(Assign, TypeGoesToTheDescriptionReadBackFromAnyShownFormAndKeepsItsLevel) {
  const AssignCase cases[] = {
      {"Тропа", TypeCatalogue::kLines, 1, "[0x20] Тропа (0x02)", "Тропа", "0x20", "0x02", 0, true},
      {"[0x20] Дорога (0x01)", TypeCatalogue::kPoints, 0, "[0x10] Дорога (0x0100)", "Дорога", "0x10", "0x0100", 0,
       false},
      {"L2--[0x80] Озеро (0x3c)", TypeCatalogue::kPolygons, 0, "L2--[0x80] Озеро (0x01)", "Озеро", "0x80", "0x01", 2,
       false},
      {"[0x20] Мост (новый) (0x01)", TypeCatalogue::kLines, 1, "[0x20] Мост (новый) (0x02)", "Мост (новый)", "0x20",
       "0x02", 0, false},
      // A deleted description gets its type back under its own name, whatever form its
      // line has; no record is ever named after a display line.
      {"[Нет] Лес (Нет)", TypeCatalogue::kLines, 1, "[0x20] Лес (0x02)", "Лес", "0x20", "0x02", 0, false},
      {"[Нет] Служебная линия (Нет)", TypeCatalogue::kLines, 1, "[0x20] Служебная линия (0x02)", "Служебная линия",
       "0x20", "0x02", 0, true},
      {"L3--[Нет] Просека (Нет)", TypeCatalogue::kLines, 1, "[0x20] Просека (0x02)", "Просека", "0x20", "0x02", 0,
       true},
      {"[0x40] Дорога (0x01)", TypeCatalogue::kLines, 1, "[0x20] Дорога (0x02)", "Дорога", "0x20", "0x02", 0, false},
      {"L1--[] Тропа ()", TypeCatalogue::kPolygons, 0, "[0x80] Тропа (0x01)", "Тропа", "0x80", "0x01", 0, true},
  };
  for (bool double_click : {false, true}) {
    for (const AssignCase& c : cases) {
      SCOPED_TRACE(std::string(c.line) + (double_click ? " (double click)" : ""));
      Editing e;
      e.Lines({c.line, "Другая"});
      e.w().edited_record().Level = 7;
      e.PickEntry(c.catalogue, c.entry);
      std::size_t before = e.RecordCount();
      double_click ? e.w().OnTypeListDoubleClicked() : e.w().OnAssignTypeClicked();
      EXPECT_EQ(e.ObjectList(), (std::vector<std::string>{c.shown, "Другая"}));
      ObjectRecord stored = e.Stored(c.name);
      EXPECT_EQ(Shown(stored.RegionCode), c.region);
      EXPECT_EQ(Shown(stored.ObjectType), c.type);
      EXPECT_EQ(stored.Level, c.level);
      EXPECT_EQ(e.RecordCount(), before + (c.added ? 1 : 0));
      if (std::string(c.line) != c.name) {
        EXPECT_EQ(Shown(e.Stored(c.line).ObjectName), "<unset>");
      }
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
    e.PickEntry(TypeCatalogue::kLines, entry);
    e.w().OnAssignTypeClicked();
    EXPECT_EQ(e.ObjectList()[0], shown);
  }
  EXPECT_EQ(e.c().type_list.items().size(), 5u);
}

// Names of a catalogue stand in one column whatever the length of the codes; the code
// read back from a padded entry is the code.
TEST(Assign, CatalogueNamesAlignWhateverTheCodeLength) {
  Editing e;
  WriteFile(e.dir.path() / "point.dat", Ru("0x0f    Родник\r\n0x2a0f    Кафе\r\n0x100    Город\r\n0x07\r\n"));
  e.w().OnTypeCatalogueClicked(TypeCatalogue::kPoints);
  const std::vector<std::string> shown = {"0x0f      Родник", "0x2a0f    Кафе", "0x100     Город", "0x07"};
  std::vector<std::string> items;
  for (const std::string& item : e.c().type_list.items()) items.push_back(Cp1251ToUtf8(item));
  EXPECT_EQ(items, shown);
  e.Lines({"Родник"});
  e.c().type_list.SetListIndex(0);
  e.w().OnAssignTypeClicked();
  EXPECT_EQ(e.ObjectList()[0], "[0x10] Родник (0x0f)");
}

TEST(Assign, WithoutACatalogueEntryNothingHappens) {
  Editing e;
  e.Lines({"Тропа"});
  e.w().OnTypeCatalogueClicked(TypeCatalogue::kLines);
  std::string before = e.Dictionary();
  e.w().OnAssignTypeClicked();
  e.w().OnAssignDefaultTypeClicked();
  EXPECT_EQ(e.ObjectList()[0], "Тропа");
  EXPECT_EQ(e.Text(e.c().default_type), "Неопределенный тип объекта");
  EXPECT_EQ(e.Dictionary(), before);
  EXPECT_TRUE(e.host.messages.empty());
}

TEST(Assign, SelectedLinesWithDifferentLevelsEachKeepTheirOwn) {
  Editing e;
  e.Lines({"Тропа", "Просека", "Болото"}, {0, 1});
  e.c().level_slider.SetValue(3);
  e.c().object_list.SetSelected(0, false);
  e.c().object_list.SetSelected(2, true);
  e.PickEntry(TypeCatalogue::kLines, 1);
  e.w().OnAssignTypeClicked();
  // Просека had level 3, Болото none; Тропа, not selected, keeps its line.
  EXPECT_EQ(e.ObjectList(),
            (std::vector<std::string>{"L3--[] Тропа ()", "L3--[0x20] Просека (0x02)", "[0x20] Болото (0x02)"}));
  EXPECT_EQ(e.Stored("Просека").Level, 3);
  EXPECT_EQ(e.Stored("Болото").Level, 0);
  // The level survives into object.txt's bytes: a fresh lookup reads it back.
  EXPECT_EQ(DisplayLine(e.Stored("Просека")), Ru("L3--[0x20] Просека (0x02)"));
}

TEST(Assign, DefaultTypeBoxShowsTheRecordWithoutItsLevel) {
  Editing e;
  e.Lines({"Тропа"});
  e.c().default_type.SetText(Ru("[0x10] Неопределенный тип объекта (0x2800)"));
  e.w().edited_record().Level = 7;  // left by an earlier action: not taken over
  e.PickEntry(TypeCatalogue::kPolygons, 0);
  e.w().OnAssignDefaultTypeClicked();
  EXPECT_EQ(e.Text(e.c().default_type), "[0x80] Неопределенный тип объекта (0x01)");
  EXPECT_EQ(e.Stored("Неопределенный тип объекта").Level, 3);
  EXPECT_EQ(e.ObjectList()[0], "Тропа");
}

TEST(Assign, NewRecordIntoAFullDictionaryIsRefusedAndItsLineStays) {
  std::string one = DictionaryBytes({{"Полный", "0x20", "0x01", 0}});
  std::string full;
  full.reserve(one.size() * kMaxRecords);
  for (std::uint64_t i = 0; i < kMaxRecords; ++i) full += one;
  Editing e(full);
  e.Lines({"Новая", "Полный"}, {0, 1});
  e.PickEntry(TypeCatalogue::kLines, 1);
  e.w().OnAssignTypeClicked();
  EXPECT_EQ(e.ObjectList(), (std::vector<std::string>{"Новая", "[0x20] Полный (0x02)"}));
  EXPECT_EQ(e.host.messages.size(), 1u);
  e.w().OnAssignDefaultTypeClicked();
  EXPECT_EQ(e.Text(e.c().default_type), "Неопределенный тип объекта");
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

TEST(LevelAndDelete, StartFromTheLineRecordOrANewOneNamedAfterItsDescription) {
  const LineEditCase cases[] = {
      {"Болото", 5, "L5--[] Болото ()", "Болото", "<unset>", "<unset>", 5, true},
      {"L2--[0x80] Озеро (0x3c)", 7, "L7--[0x80] Озеро (0x3c)", "Озеро", "0x80", "0x3c", 7, false},
      {"L2--[0x80] Озеро (0x3c)", 0, "[0x80] Озеро (0x3c)", "Озеро", "0x80", "0x3c", 0, false},
      {"L12--[0x20] Река (0x02)", 3, "L3--[0x20] Река (0x02)", "Река", "0x20", "0x02", 3, false},
      {"[Нет] Служебная линия (Нет)", 4, "L4--[] Служебная линия ()", "Служебная линия", "<unset>", "<unset>", 4,
       true},
      {"Болото", -1, "[Нет] Болото (Нет)", "Болото", "Нет", "Нет", 0, true},
      {"L2--[0x80] Озеро (0x3c)", -1, "L2--[Нет] Озеро (Нет)", "Озеро", "Нет", "Нет", 2, false},
      {"[0x20] Мост (новый) (0x01)", -1, "[Нет] Мост (новый) (Нет)", "Мост (новый)", "Нет", "Нет", 0, false},
  };
  for (const LineEditCase& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " " + std::to_string(c.level));
    Editing e;
    e.Lines({"Другая", c.line}, {});
    if (c.level >= 0) e.c().level_slider.SetValue(c.level);  // nothing selected yet: applies to nothing
    std::size_t before = e.RecordCount();
    e.c().object_list.SetSelected(1, true);
    c.level < 0 ? e.w().OnDeleteObjectsClicked() : e.w().OnLevelClicked();
    EXPECT_EQ(e.ObjectList(), (std::vector<std::string>{"Другая", c.shown}));
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
  e.w().OnLevelSliderMoved(6);
  EXPECT_EQ(e.Text(e.c().level_button), "Уровень 6");
  EXPECT_EQ(e.ObjectList()[0], "L2--[0x80] Озеро (0x3c)");
  EXPECT_EQ(e.Dictionary(), before);
  e.c().level_slider.SetValue(6);
  EXPECT_EQ(e.ObjectList()[0], "L6--[0x80] Озеро (0x3c)");
  EXPECT_EQ(e.Stored("Озеро").Level, 6);
}

TEST(LevelAndDelete, MissingDictionaryIsReportedOncePerActionAndLinesAreStillRewritten) {
  for (bool remove : {true, false}) {
    Editing e;
    fs::remove(e.dir.path() / "object.txt");
    e.c().level_slider.SetValue(1);
    e.Lines({"Тропа", "Просека", "Озеро"}, {0, 1, 2});
    remove ? e.w().OnDeleteObjectsClicked() : e.w().OnLevelClicked();
    EXPECT_EQ(e.host.messages.size(), 1u);
    // Each line starts from a cleared record named after it.
    std::vector<std::string> shown = remove ? std::vector<std::string>{"[Нет] Тропа (Нет)", "[Нет] Просека (Нет)",
                                                                       "[Нет] Озеро (Нет)"}
                                            : std::vector<std::string>{"L1--[] Тропа ()", "L1--[] Просека ()",
                                                                       "L1--[] Озеро ()"};
    EXPECT_EQ(e.ObjectList(), shown);
    EXPECT_FALSE(fs::exists(e.dir.path() / "object.txt"));
  }
}

struct ObjectWindowCase {
  const char* line;
  int pick_region;   // -1: the user picks none
  const char* typed;  // nullptr: the type is left alone
  const char* name;
  const char* opens;  // the region entry and the type shown on opening, without padding
  const char* opens_type;
  const char* shown;
  const char* region;
  const char* type;
  int level;
};

TEST(ObjectWindow, ClosingStoresTheControlsIntoTheLineRecord) {
  const ObjectWindowCase cases[] = {
      {"[Нет] Лес (Нет)", -1, nullptr, "Лес", "0x40", "Нет", "[Нет] Лес (Нет)", "Нет", "Нет", 0},
      {"[Нет] Лес (Нет)", 0, nullptr, "Лес", "0x40", "Нет", "[0x10] Лес (Нет)", "0x10", "Нет", 0},
      {"Болото", -1, "0x4c", "Болото", "0x40", "", "[0x40] Болото (0x4c)", "0x40", "0x4c", 0},
      {"L1--[] Тропа ()", -1, nullptr, "Тропа", "0x40", "", "L1--[0x40] Тропа ()", "0x40", "", 1},
      {"L2--[0x80] Озеро (0x3c)", -1, nullptr, "Озеро", "0x80", "0x3c", "L2--[0x80] Озеро (0x3c)", "0x80", "0x3c", 2},
      {"[0x20] Мост (новый) (0x01)", 3, "0x05", "Мост (новый)", "0x20", "0x01", "[0x80] Мост (новый) (0x05)", "0x80",
       "0x05", 0},
  };
  for (const ObjectWindowCase& c : cases) {
    SCOPED_TRACE(c.line);
    Editing e(DictionaryBytes(kDictionary) + NameOnlyRecord("Тропа", 1));
    e.Lines({c.line});
    std::string before = e.Dictionary();
    e.w().OnObjectListDoubleClicked(0);
    ASSERT_NE(e.w().object_window(), nullptr);
    ObjectWindow& object_window = *e.w().object_window();
    EXPECT_EQ(Cp1251ToUtf8(object_window.controls().object_name.text()), c.name);
    EXPECT_EQ(object_window.controls().object_region.text(), c.opens);
    EXPECT_EQ(Cp1251ToUtf8(object_window.controls().object_type.text()), c.opens_type);
    if (c.pick_region >= 0) object_window.controls().object_region.SetListIndex(c.pick_region);
    if (c.typed) object_window.controls().object_type.SetText(c.typed);
    e.w().OnObjectWindowClosed();
    EXPECT_EQ(e.w().object_window(), nullptr);
    EXPECT_EQ(e.ObjectList()[0], c.shown);
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

// What the type box may hold: a number, "Нет" or nothing is stored; anything else is
// refused with a message naming it, and the window stays open with the record untouched.
TEST(ObjectWindow, TypeThatIsNoNumberIsRefused) {
  struct Case {
    const char* typed;
    bool stored;
  };
  const Case cases[] = {{"0x1f", true}, {"31", true}, {"0X2A", true}, {"Нет", true}, {"", true},
                        {"0x1f0x", false}, {"лес", false}, {"0x", false}, {"1e3", false}, {"0x 1f", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Editing e;
    e.Lines({"[0x20] Дорога (0x01)"});
    std::string before = e.Dictionary();
    e.w().OnObjectListDoubleClicked(0);
    e.w().object_window()->controls().object_type.SetText(Ru(c.typed));
    EXPECT_EQ(e.w().OnObjectWindowClosing(), c.stored);
    if (c.stored) {
      e.w().OnObjectWindowClosed();  // the window is gone
      EXPECT_EQ(e.w().object_window(), nullptr);
      EXPECT_EQ(Shown(e.Stored("Дорога").ObjectType), c.typed);
      EXPECT_TRUE(e.host.messages.empty());
    } else {
      EXPECT_NE(e.w().object_window(), nullptr);
      EXPECT_EQ(e.Dictionary(), before);
      ASSERT_EQ(e.host.messages.size(), 1u);
      EXPECT_NE(Cp1251ToUtf8(e.host.messages[0].text).find(std::string("\"") + c.typed + "\""), std::string::npos);
    }
  }
  ObjectWindow fresh;
  EXPECT_EQ(fresh.MaxLength(fresh.controls().object_type), 6);
  EXPECT_EQ(fresh.MaxLength(fresh.controls().object_name), 200);
  EXPECT_EQ(fresh.MaxLength(fresh.controls().object_region), 0);
}

// Esc: the window goes and the record stays as the file had it, whatever was typed.
TEST(ObjectWindow, CancelStoresNothing) {
  Editing e;
  e.Lines({"[0x20] Дорога (0x01)"});
  std::string before = e.Dictionary();
  e.w().OnObjectListDoubleClicked(0);
  e.w().object_window()->controls().object_type.SetText("0x16");
  e.w().object_window()->controls().object_region.SetListIndex(3);
  e.w().OnObjectWindowCancelled();
  EXPECT_EQ(e.w().object_window(), nullptr);
  EXPECT_EQ(e.Dictionary(), before);
  EXPECT_EQ(e.ObjectList()[0], "[0x20] Дорога (0x01)");
  e.w().OnObjectWindowClosed();  // the main window closing later stores nothing more
  EXPECT_EQ(e.Dictionary(), before);
}

TEST(ObjectWindow, RenamingStoresANewRecordAndKeepsTheOldOne) {
  Editing e;
  e.Lines({"[0x20] Дорога (0x01)"});
  std::size_t before = e.RecordCount();
  e.w().OnObjectListDoubleClicked(0);
  UiControl& name = e.w().object_window()->controls().object_name;
  name.SetText(name.text() + Ru(" старая"));  // typed at the end of the name
  e.w().OnObjectWindowClosed();
  EXPECT_EQ(e.ObjectList()[0], "[0x20] Дорога старая (0x01)");
  EXPECT_EQ(e.RecordCount(), before + 1);
  EXPECT_EQ(Shown(e.Stored("Дорога").ObjectType), "0x01");
}

TEST(ObjectWindow, DoubleClickWhileOpenChangesTheRecordButNotTheControls) {
  Editing e;
  e.Lines({"[0x20] Дорога (0x01)", "Болото"});
  e.w().OnObjectListDoubleClicked(0);
  ObjectWindow* object_window = e.w().object_window();
  ASSERT_NE(object_window, nullptr);
  e.w().OnObjectListDoubleClicked(1);
  EXPECT_EQ(e.w().object_window(), object_window);
  EXPECT_EQ(Cp1251ToUtf8(object_window->controls().object_name.text()), "Дорога");
  EXPECT_EQ(Cp1251ToUtf8(std::string(TrimBlanks(FieldText(e.w().edited_record().ObjectName)))), "Болото");
  EXPECT_EQ(Cp1251ToUtf8(e.w().edited_line()), "Болото");
  // Closing stores what the controls show under the line clicked last.
  e.w().OnObjectWindowClosed();
  EXPECT_EQ(e.ObjectList(), (std::vector<std::string>{"[0x20] Дорога (0x01)", "[0x20] Дорога (0x01)"}));
  EXPECT_EQ(Shown(e.Stored("Болото").ObjectName), "<unset>");
}

}  // namespace
}  // namespace mirvex::ui
