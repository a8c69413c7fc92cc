// Whole conversions of small maps: the worked examples of the format, every option,
// and MIF/MID input as other programs write it.
#include <gtest/gtest.h>

#include <map>

#include "base/cp1251.h"
#include "mapinfo/mid_reader.h"
#include "settings/operation_options.h"
#include "tests/conversion_fixture.h"

namespace mirvex::test {
namespace {

const std::string kPointMif = CrLf({"Version 300", "Columns 2", "  Type Char(20)", "  Name Char(20)",
                                    "Data", "", "Point 65.5 57.25", "    Symbol (35,0,12)"});

TEST(Convert, PointOfTheDictionary) {
  ConversionFixture run;
  ASSERT_EQ(run.Run(kPointMif, CrLf({"\"Школа\",\"Shkola\""})), OperationStatus::kCompleted);
  EXPECT_EQ(run.Output(), "[IMG ID]\r\n[END-IMG ID]\r\n" +
                              Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=Shkola",
                                       "DirIndicator=1", "Data0=(57.25,65.5)", "[END-RGN10]"}));
  ASSERT_FALSE(run.host.messages.empty());
  EXPECT_EQ(Cp1251ToUtf8(run.host.messages.back().text), "               Конвертация завершена");
  EXPECT_EQ(Cp1251ToUtf8(run.host.messages.back().title), "Конвертация карты из формата MIF");
  EXPECT_EQ(run.host.messages.back().icon, MessageIcon::kNone);
  EXPECT_EQ(run.host.beeps, 1);
  EXPECT_EQ(run.host.percent, "100");
  EXPECT_EQ(run.result.counts.points, 1u);
}

TEST(Convert, PolylineTypeIsTrimmedAndEmptyLabelLeftOut) {
  ConversionFixture run;
  run.Run(CrLf({"Data", "", "Pline 3", "65.1 57.2", "65.2 57.3", "65.3 57.35", "    Pen (1,2,0)"}),
          CrLf({"\"Дорога\",\"\""}));
  EXPECT_EQ(run.Sections(), Section({"[RGN40]", "Levels=0", "Type=0x01",
                                     "Data0=(57.2,65.1),(57.3,65.2),(57.35,65.3)", "[END-RGN40]"}));
}

const std::string kTwoPartRegion =
    CrLf({"Data", "", "Region 2", "  4", "10 50", "11 50", "11 51", "10 50", "  3", "10.2 50.2",
          "10.4 50.2", "10.2 50.2", "    Pen (1,2,0)", "    Brush (2,16777215,16777215)",
          "    Center 10.5 50.5"});

TEST(Convert, RegionOfTwoPartsKeepsTheTypeBlanks) {
  ConversionFixture run;
  run.Run(kTwoPartRegion, CrLf({"\"Озеро\",\"Ozero\""}));
  EXPECT_EQ(run.Sections(), Section({"[RGN80]", "Levels=0", "Label=Ozero", "Type=0x3c  ",
                                     "Data0=(50,10),(50,11),(51,11),(50,10)",
                                     "Data0=(50.2,10.2),(50.2,10.4),(50.2,10.2)", "[END-RGN80]"}));
}

const std::string kTextMif = CrLf({"Data", "", "Text", "    \"Vokzal\"", "    65.5 57.25 65.6 57.3",
                                   "    Font (\"Arial\",0,0,0)", "    Angle 10"});
const std::string kTextSection = Section({"[RGN10]", "Levels=0", "Type=0x1500", "", "Label=Vokzal",
                                          "DirIndicator=1", "Data0=(57.25,65.5)", "[END-RGN10]"});

TEST(Convert, TextObjectTakesItsStringAsLabel) {
  ConversionFixture run;
  run.Run(kTextMif, CrLf({"\"Школа\",\"Other\""}));
  EXPECT_EQ(run.Sections(), kTextSection);
}

TEST(Convert, TextObjectKeepsItsLabelWithLabelsSwitchedOff) {
  ConversionFixture run;
  run.options.no_labels = true;
  run.Run(kTextMif, CrLf({"\"Школа\",\"Other\""}));
  EXPECT_EQ(run.Sections(), kTextSection);
}

TEST(Convert, TextStringOnTheTextLineAndHoldingAStyleWord) {
  ConversionFixture run;
  run.Run(CrLf({"Data", "", "Text \"Pension\"", "    65.5 57.25 65.6 57.3", "    Font (\"Arial\",0,0,0)"}),
          CrLf({"a,b"}));
  EXPECT_NE(run.Sections().find("Label=Pension\r\n"), std::string::npos);
}

// Objects after a text object whose string is rejected keep their own records.
TEST(Convert, RejectedTextStillTakesItsRecord) {
  ConversionFixture run;
  run.Run(CrLf({"Data", "", "Text", "    \"дом 5\"", "    1 2 3 4", "    Font (\"Arial\",0,0,0)",
                "Point 1 2", "    Symbol (35,0,12)"}),
          CrLf({"\"x\",\"first\"", "\"Школа\",\"second\""}));
  EXPECT_EQ(run.Sections(), Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=second",
                                     "DirIndicator=1", "Data0=(2,1)", "[END-RGN10]"}));
}

struct OptionCase {
  const char* name;
  bool ConversionOptions::*option;  // the option set for the case
  std::string mif;
  std::string mid;
  std::string expected;
};

void PrintTo(const OptionCase& option, std::ostream* out) { *out << option.name; }

class ConvertOption : public testing::TestWithParam<OptionCase> {};

TEST_P(ConvertOption, WritesTheExpectedSections) {
  const OptionCase& option = GetParam();
  ConversionFixture run;
  run.SetDictionary({{"Неопределенный тип объекта", "0x10", "0x2f00", 0},
                     {"Дорога", "0x20", "0x01", 2},
                     {"Лес", "0x80", "0x50", 0},
                     {"Школа", "0x10", "0x2f06", 0}});
  run.options.*option.option = true;
  ASSERT_EQ(run.Run(option.mif, option.mid), OperationStatus::kCompleted);
  EXPECT_EQ(run.Sections(), option.expected);
}

const std::string kLongRoad = CrLf({"Data", "", "Pline 2", "0 0", "3 4", "    Pen (1,2,0)"});

INSTANTIATE_TEST_SUITE_P(
    Options, ConvertOption,
    testing::Values(
        OptionCase{"Transliteration", &ConversionOptions::transliterate_labels, kLongRoad, CrLf({"\"Дорога\",\"Шоссе Юг\""}),
                   Section({"[RGN40]", "Levels=2", "Label=Shosse Yug", "Type=0x01", "Data0=(0,0),(4,3)",
                            "[END-RGN40]"})},
        // With the section fixed by the MIF object no lookup runs: level 0 and the
        // type of the record loaded at the start, the default-type record.
        OptionCase{"RegionTypeFromTheMif", &ConversionOptions::section_from_mif, kLongRoad, CrLf({"\"Дорога\",\"A\""}),
                   Section({"[RGN40]", "Levels=0", "Label=A", "Type=0x2f00", "Data0=(0,0),(4,3)",
                            "[END-RGN40]"})},
        // Size 1 + 5 exceeds 2.033: one level above the dictionary's 2.
        OptionCase{"LargeObjectRaised", &ConversionOptions::raise_large_objects, kLongRoad, CrLf({"\"Дорога\",\"A\""}),
                   Section({"[RGN40]", "Levels=3", "Label=A", "Type=0x01", "Data0=(0,0),(4,3)",
                            "[END-RGN40]"})},
        OptionCase{"LabelsOff", &ConversionOptions::no_labels, kLongRoad, CrLf({"\"Дорога\",\"A\""}),
                   Section({"[RGN40]", "Levels=2", "Type=0x01", "Data0=(0,0),(4,3)", "[END-RGN40]"})},
        // The dictionary moves a MIF point into the region section.
        OptionCase{"DictionaryDecidesTheSection", &ConversionOptions::column_count_from_header,
                   CrLf({"Data", "", "Point 1 2", "    Symbol (1,2,3)"}), CrLf({"\"Лес\",\"B\""}),
                   Section({"[RGN80]", "Levels=0", "Label=B", "Type=0x50  ", "Data0=(2,1)",
                            "[END-RGN80]"})}),
    [](const testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

TEST(Convert, GeoreferencingStretchesTheSheet) {
  ConversionFixture run;
  run.options.georeference.enabled = true;
  run.options.georeference.lower_left_longitude = 60;
  run.options.georeference.lower_left_latitude = 54;
  run.options.georeference.upper_right_longitude = 84;
  run.options.georeference.upper_right_latitude = 60;
  run.options.georeference.rotation_degrees = 0;
  run.Run(CrLf({"CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 500)", "Data", "", "Pline 2",
                "500 250", "1000 500", "    Pen (1,2,0)", "Point 0 0", "    Symbol (1,2,3)"}),
          CrLf({"\"Дорога\",\"\"", "\"Школа\",\"S\""}));
  EXPECT_EQ(run.Sections(),
            Section({"[RGN40]", "Levels=0", "Type=0x01", "Data0=(57,72),(60,84)", "[END-RGN40]"}) +
                Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=S", "DirIndicator=1",
                         "Data0=(54,60)", "[END-RGN10]"}));
}

// Without usable bounds nothing can be georeferenced: flat bounds, or none at all,
// stop the run before anything is written; the bounds of an earlier MIF are never used.
TEST(Convert, GeoreferencingWithFlatOrMissingBoundsStopsBeforeWriting) {
  const std::pair<const char*, const char*> cases[] = {
      {"CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 0)", "нулевую ширину или высоту"},
      {"CoordSys Earth Projection 1, 104", "не прочитаны"},
  };
  for (const auto& [header, says] : cases) {
    ConversionFixture run;
    run.options.georeference.enabled = true;
    EXPECT_EQ(run.Run(CrLf({header, "Data", "", "Point 1 2", "    Symbol (1,2,3)"}), CrLf({"a,b"})),
              OperationStatus::kFailed);
    EXPECT_FALSE(run.OutputExists());
    ASSERT_EQ(run.host.messages.size(), 1u);
    std::string message = Cp1251ToUtf8(run.host.messages[0].text);
    EXPECT_NE(message.find("Bounds"), std::string::npos);
    EXPECT_NE(message.find(says), std::string::npos) << message;
  }
}

// MIF written by other programs: LF line ends, upper-case keywords, counts on their
// own line, a Multipoint that is no Point.
TEST(Convert, MifAsOtherProgramsWriteIt) {
  ConversionFixture run;
  std::string mif =
      "VERSION 300\nCHARSET \"WindowsCyrillic\"\nDELIMITER \",\"\nCOLUMNS 2\n  kind Char(10)\n"
      "  name Char(10)\nDATA\n\nREGION 1\n  3\n1 2\n3 4\n5 6\n    PEN (1,2,0)\nPLINE\n2\n1 1\n2 2\n"
      "PLINE MULTIPLE 2\n  2\n1 1\n2 2\n  2\n3 3\n4 4\nNONE\nPOINT 7 8\n    SYMBOL (35,0,12)\n";
  run.Run(mif, "\"Озеро\",\"A\"\n\"Дорога\",\"B\"\n\"Дорога\",\"C\"\n\"x\",\"skipped\"\n\"Школа\",\"D\"\n");
  EXPECT_EQ(run.Sections(),
            Section({"[RGN80]", "Levels=0", "Label=A", "Type=0x3c  ", "Data0=(2,1),(4,3),(6,5)", "[END-RGN80]"}) +
                Section({"[RGN40]", "Levels=0", "Label=B", "Type=0x01", "Data0=(1,1),(2,2)", "[END-RGN40]"}) +
                Section({"[RGN40]", "Levels=0", "Label=C", "Type=0x01", "Data0=(1,1),(2,2)",
                         "Data0=(3,3),(4,4)", "[END-RGN40]"}) +
                Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=D", "DirIndicator=1", "Data0=(8,7)",
                         "[END-RGN10]"}));
}

// Each of these objects takes exactly one MID record, so the point after it gets the
// record "Школа".
struct PairingCase {
  const char* name;
  std::string object;
  std::string expected;  // sections the object itself writes
};

void PrintTo(const PairingCase& pairing, std::ostream* out) { *out << pairing.name; }

class ConvertPairing : public testing::TestWithParam<PairingCase> {};

TEST_P(ConvertPairing, NextObjectGetsTheNextRecord) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  run.Run("Data\r\n\r\n" + GetParam().object + CrLf({"Point 1 2", "    Symbol (1,2,3)"}),
          CrLf({"\"x\",\"own\"", "\"Школа\",\"next\""}));
  EXPECT_EQ(run.Sections(), GetParam().expected +
                                Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=next", "DirIndicator=1",
                                         "Data0=(2,1)", "[END-RGN10]"}));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ConvertPairing,
    testing::Values(
        PairingCase{"None", CrLf({"none"}), ""},
        PairingCase{"Line", CrLf({"Line 1 2 3 4", "    Pen (1,2,0)"}),
                    Section({"[RGN40]", "Levels=0", "Label=own", "Type=0x2f00", "Data0=(2,1),(4,3)",
                             "[END-RGN40]"})},
        PairingCase{"Arc", CrLf({"Arc 0 0 2 4", "  0 90", "    Pen (1,2,0)"}),
                    Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=own", "Data0=(2,1)", "[END-RGN10]"})},
        PairingCase{"Roundrect", CrLf({"Roundrect 0 0 2 4", "  0.5", "    Pen (1,2,0)"}),
                    Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=own", "Data0=(2,1)", "[END-RGN10]"})},
        PairingCase{"Multipoint", CrLf({"Multipoint 2", "5 6", "7 8", "    Symbol (1,2,3)"}),
                    Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=own", "Data0=(6,5)", "[END-RGN10]"}) +
                        Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=own", "Data0=(8,7)",
                                 "[END-RGN10]"})},
        PairingCase{"Collection", CrLf({"Collection 2", "  Region 1", "  3", "0 0", "1 0", "0 1",
                                        "    Pen (1,2,0)", "  Pline 2", "5 5", "6 6", "    Pen (1,2,0)"}),
                    Section({"[RGN80]", "Levels=0", "Label=own", "Type=0x2f00", "Data0=(0,0),(0,1),(1,0)",
                             "[END-RGN80]"}) +
                        Section({"[RGN40]", "Levels=0", "Label=own", "Type=0x2f00", "Data0=(5,5),(6,6)",
                                 "[END-RGN40]"})},
        PairingCase{"EmptyRegion", CrLf({"Region 0", "    Pen (1,2,0)"}), ""}),
    [](const testing::TestParamInfo<PairingCase>& info) { return info.param.name; });

// A coordinate written in number characters that is no finite decimal ("1e",
// "1.2.3", "--1", "1e999") leaves its object out (a map compiler refuses it, and it has
// no value to write instead); the object still takes its record, so the next object
// keeps its own, and the message after the run counts the objects left out. Numbers
// of any other decimal form are copied as the MIF has them.
TEST(Convert, CoordinatesThatAreNoNumberLeaveTheirObjectOut) {
  struct Case {
    const char* name;
    std::vector<std::string> object;
    std::string written;  // the object's section, empty when left out
  };
  const std::string next = Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=next", "DirIndicator=1",
                                    "Data0=(2,1)", "[END-RGN10]"});
  const Case cases[] = {
      {"exponent without digits", {"Pline 2", "36.5 50.1", "36.51 1e", "    Pen (1,2,0)"}, ""},
      {"two points and two signs", {"Pline 2", "1.2.3 --1", "36.5 50.1", "    Pen (1,2,0)"}, ""},
      {"beyond a double", {"Region 1", "  3", "36.52 1e999", "1 2", "3 4", "    Brush (2,1,0)"}, ""},
      {"in a second part", {"Pline Multiple 2", "  2", "1 1", "2 2", "  2", "3 3", "4 4e+", "    Pen (1,2,0)"}, ""},
      {"a point", {"Point 36.5 1e", "    Symbol (1,2,3)"}, ""},
      {"a line", {"Line 1 2 3 1e999", "    Pen (1,2,0)"}, ""},
      {"a rectangle", {"Rect 1 2 3 1.2.3", "    Pen (1,2,0)"}, ""},
      {"numbers of every form",
       {"Pline 3", "+1e1 .5", "7. -2.5E-3", "1e-400 0", "    Pen (1,2,0)"},
       Section({"[RGN40]", "Levels=0", "Label=own", "Type=0x2f00", "Data0=(.5,+1e1),(-2.5E-3,7.),(0,1e-400)",
                "[END-RGN40]"})},
  };
  for (const Case& c : cases) {
    ConversionFixture run;
    run.options.section_from_mif = true;
    std::string mif = "Data\r\n\r\n";
    for (const std::string& line : c.object) mif += line + "\r\n";
    mif += CrLf({"Point 1 2", "    Symbol (1,2,3)"});
    ASSERT_EQ(run.Run(mif, CrLf({"\"x\",\"own\"", "\"Школа\",\"next\""})), OperationStatus::kCompleted)
        << c.name;
    EXPECT_EQ(run.Sections(), c.written + next) << c.name;
    EXPECT_EQ(run.result.objects_without_numbers, c.written.empty() ? 1u : 0u) << c.name;
    bool reported = !run.host.messages.empty() &&
                    Cp1251ToUtf8(run.host.messages[0].text).starts_with("1 объект не записан: в его координатах");
    EXPECT_EQ(reported, c.written.empty()) << c.name;
  }
}

// The message names the count with its word in the right form and the first line.
TEST(Convert, ObjectsLeftOutForTheirCoordinatesAreCountedOnce) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  // A multipoint leaves out only its point that is no number: its points are objects.
  run.Run(CrLf({"Data", "", "Pline 2", "1 1", "2 2", "Pline 2", "1 1e", "2 1e", "    Pen (1,2,0)", "Multipoint 3",
                "5 6", "7 1.2.3", "8 9", "    Symbol (1,2,3)", "Point 1 1e", "    Symbol (1,2,3)"}),
          CrLf({"a,A", "b,B", "c,C", "d,D"}));
  EXPECT_EQ(run.result.objects_without_numbers, 3u);
  EXPECT_EQ(run.result.counts.points, 2u);
  EXPECT_EQ(run.result.counts.polylines, 1u);
  ASSERT_EQ(run.host.messages.size(), 2u);
  EXPECT_EQ(Cp1251ToUtf8(run.host.messages[0].text),
            "3 объекта не записаны: в их координатах есть текст, который не является числом (например, 1e, 1.2.3 "
            "или 1e999), компилятор карт его не примет. Первый такой текст - в строке 7 файла\r\n" +
                run.paths.mif);
}

TEST(Convert, EllipseFirstWritesTheObjectInProgress) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  run.Run(CrLf({"Data", "", "Pline 2", "1 1", "2 2", "Ellipse 0 0 4 2", "    Pen (1,2,0)"}),
          CrLf({"a,A", "b,B"}));
  EXPECT_EQ(run.Sections(),
            Section({"[RGN40]", "Levels=0", "Label=A", "Type=0x2f00", "Data0=(1,1),(2,2)", "[END-RGN40]"}) +
                Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=B", "Data0=(1,2)", "[END-RGN10]"}));
}

TEST(Convert, LastObjectWithoutStyleLineOrLineEndIsWritten) {
  ConversionFixture run;
  run.Run("Data\r\n\r\nPline 2\r\n1 1\r\n2 2", CrLf({"\"Дорога\",\"A\""}));
  EXPECT_EQ(run.Sections(),
            Section({"[RGN40]", "Levels=0", "Label=A", "Type=0x01", "Data0=(1,1),(2,2)", "[END-RGN40]"}));
}

TEST(Convert, FirstObjectKeptWithoutEmptyLineAfterData) {
  ConversionFixture run;
  run.Run(CrLf({"Data", "Point 65.5 57.25", "    Symbol (35,0,12)"}), CrLf({"\"Школа\",\"S\""}));
  EXPECT_NE(run.Sections().find("Data0=(57.25,65.5)"), std::string::npos);
}

TEST(Convert, ColumnNamedDatabaseDoesNotEndTheHeader) {
  ConversionFixture run;
  run.Run(CrLf({"Columns 2", "  Database Char(10)", "  Text Char(10)", "Data", "", "Point 1 2",
                "    Symbol (1,2,3)"}),
          CrLf({"\"Школа\",\"S\""}));
  EXPECT_EQ(run.result.counts.points, 1u);
  EXPECT_NE(run.Sections().find("Label=S"), std::string::npos);
}

TEST(Convert, LongLinesAndMalformedLinesNeverBreakTheMap) {
  ConversionFixture run;
  std::string long_label(20000, 'X');
  run.Run(CrLf({"Data", "", "Pline 3", "1 1", "garbage", "2 2", "    Pen (1,2,0)", "Region 1", "  0",
                "    Pen (1,2,0)"}),
          CrLf({"\"Дорога\",\"" + long_label + "\"", "\"Озеро\",\"R\""}));
  EXPECT_EQ(run.Sections(), Section({"[RGN40]", "Levels=0", "Label=" + long_label, "Type=0x01",
                                     "Data0=(1,1),(2,2)", "[END-RGN40]"}));
}

TEST(Convert, MifWithoutDataLineFailsAndKeepsAnEarlierResult) {
  ConversionFixture run;
  WriteFile(run.paths.result, "earlier map");
  EXPECT_EQ(run.Run(CrLf({"Version 300", "Columns 1"}), CrLf({"a"})), OperationStatus::kFailed);
  EXPECT_EQ(run.Output(), "earlier map");
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_EQ(run.host.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(run.host.beeps, 0);
}

TEST(Convert, MissingInputsAreReported) {
  ConversionFixture run;
  run.paths.mid = (run.dir.File("absent.mid"));
  WriteFile(run.paths.mif, "Data\r\n");
  EXPECT_EQ(Convert(run.paths, run.options, run.dir.File(""), run.host).status, OperationStatus::kFailed);
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_EQ(Cp1251ToUtf8(run.host.messages[0].text), "Файл не найден\r\n" + run.dir.File("absent.mid"));
  EXPECT_EQ(Cp1251ToUtf8(run.host.messages[0].title), "Информация");
  EXPECT_FALSE(run.OutputExists());
}

TEST(Convert, ResultThatIsAnInputIsRefused) {
  ConversionFixture run;
  std::string mif = CrLf({"Data", "", "Point 1 2", "    Symbol (1,2,3)"});
  // The same file under another spelling of its path.
  run.paths.result = (run.dir.File(".") + "/map.mif");
  EXPECT_EQ(run.Run(mif, CrLf({"a,b"})), OperationStatus::kFailed);
  EXPECT_EQ(ReadFile(run.dir.path() / "map.mif"), mif);
  ASSERT_EQ(run.host.messages.size(), 1u);
  EXPECT_EQ(run.host.messages[0].icon, MessageIcon::kExclamation);
}

// A result in a folder that does not exist: the message says so, and mentions no
// earlier file, there being none.
TEST(Convert, UnwritableResultIsAFailure) {
  ConversionFixture run;
  WriteFile(run.dir.path() / "a-file", "");
  for (const char* folder : {"no-such-folder", "a-file"}) {
    run.paths.result = (run.dir.File(folder) + "/map.mp");
    EXPECT_EQ(run.Run(kPointMif, CrLf({"a,b"})), OperationStatus::kFailed);
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(run.host.messages[0].icon, MessageIcon::kExclamation);
    EXPECT_EQ(Cp1251ToUtf8(run.host.messages[0].text),
              "Не удалось записать файл: папка не существует (создайте её или выберите другую)\r\n" +
                  run.paths.result);
    EXPECT_EQ(run.host.beeps, 0);
    run.host.messages.clear();
  }
}

TEST(Convert, MissingDictionaryReportedOnceAndStopsWhenItDecidesSections) {
  ConversionFixture run;
  run.RemoveDictionary();
  std::string mif = CrLf({"Data", "", "Point 1 2", "    Symbol (1,2,3)", "Point 3 4", "    Symbol (1,2,3)"});
  EXPECT_EQ(run.Run(mif, CrLf({"a,b", "c,d"})), OperationStatus::kFailed);
  EXPECT_EQ(run.host.messages.size(), 1u);
  EXPECT_FALSE(run.OutputExists());

  ConversionFixture fixed_sections;
  fixed_sections.RemoveDictionary();
  fixed_sections.options.section_from_mif = true;
  EXPECT_EQ(fixed_sections.Run(mif, CrLf({"a,b", "c,d"})), OperationStatus::kCompleted);
  EXPECT_EQ(fixed_sections.result.counts.points, 2u);
  // The "missing file" message, the untyped-objects warning and the completion.
  ASSERT_EQ(fixed_sections.host.messages.size(), 3u);
  EXPECT_EQ(fixed_sections.result.counts.untyped, 2u);
  EXPECT_NE(fixed_sections.Sections().find("Type=\r\n"), std::string::npos);
}

TEST(Convert, MidValuesAreCleanedAndUnquoted) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  run.Run(CrLf({"Data", "", "Point 1 2", "    Symbol (1,2,3)"}),
          "\"Школа\",\"Say \"\"hi\"\"\r\nthere\"\r\n");
  EXPECT_NE(run.Sections().find("Label=Say \"hi\"  there\r\n"), std::string::npos);
}

TEST(Convert, TypeWithNulBytesFallsBackToTheDefaultType) {
  ConversionFixture run;
  run.SetDictionary({{"Неопределенный тип объекта", "0x10", "0x2f00", 0}});
  std::string dictionary = ReadFile(run.dir.path() / "object.txt");
  ObjectRecord broken;
  SetField(broken.ObjectName, Ru("Дорога"));
  SetField(broken.RegionCode, "0x20");  // ObjectType stays all NUL bytes
  char bytes[kRecordLength];
  EncodeRecord(broken, bytes);
  WriteFile(run.dir.path() / "object.txt", dictionary + std::string(bytes, kRecordLength));
  run.Run(kLongRoad, CrLf({"\"Дорога\",\"A\""}));
  EXPECT_EQ(run.Sections(),
            Section({"[RGN40]", "Levels=0", "Label=A", "Type=0x2f00", "Data0=(0,0),(4,3)", "[END-RGN40]"}));
}

// A deleted description ("Нет", as "Удалить" stores it) stays out of the map in both
// modes, and nothing of its record reaches the region after it.
TEST(Convert, DeletedDescriptionIsLeftOutAndLendsNothingToTheNextObject) {
  const std::string mif = CrLf({"Data", "", "Point 1 2", "    Symbol (1,2,3)", "Region 1", "  3", "0 0", "1 0",
                                "0 1", "    Brush (2,0,0)"});
  const std::string region = Section({"[RGN80]", "Levels=0", "Label=Lake", "Type=0x3c  ",
                                      "Data0=(0,0),(0,1),(1,0)", "[END-RGN80]"});
  // With the section from the MIF a region takes the default type, never the record
  // a lookup read for the object before it.
  const std::string region_from_mif = Section({"[RGN80]", "Levels=0", "Label=Lake", "Type=0x2f00",
                                               "Data0=(0,0),(0,1),(1,0)", "[END-RGN80]"});
  for (int section_from_mif : {0, 1}) {
    SCOPED_TRACE(section_from_mif);
    ConversionFixture run;
    run.SetDictionary({{"Неопределенный тип объекта", "0x10", "0x2f00", 0},
                       {"Мусор", "Нет", "Нет", 4},
                       {"Озеро", "0x80", "0x3c  ", 0}});
    run.options.section_from_mif = section_from_mif;
    ASSERT_EQ(run.Run(mif, CrLf({"\"Мусор\",\"Junk\"", "\"Озеро\",\"Lake\""})), OperationStatus::kCompleted);
    EXPECT_EQ(run.Sections(), section_from_mif ? region_from_mif : region);
    EXPECT_EQ(run.result.counts.points, 0u);
    EXPECT_EQ(run.result.counts.retyped, 0u);
    EXPECT_EQ(run.host.messages.size(), 1u);  // the completion only
  }
}

TEST(Convert, WithSectionFromTheMifAPolylineNeverTakesAPointsType) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  run.Run(CrLf({"Data", "", "Point 1 2", "    Symbol (1,2,3)", "Pline 2", "0 0", "3 4", "    Pen (1,2,0)"}),
          CrLf({"\"Школа\",\"S\"", "\"Тропа\",\"T\""}));
  EXPECT_EQ(run.Sections(),
            Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=S", "DirIndicator=1", "Data0=(2,1)", "[END-RGN10]"}) +
                Section({"[RGN40]", "Levels=0", "Label=T", "Type=0x2f00", "Data0=(0,0),(4,3)", "[END-RGN40]"}));
}

// An object without a description looks nothing up: it gets the default type, not
// the record the object before it was looked up with.
TEST(Convert, ObjectWithoutDescriptionTakesTheDefaultTypeNotTheLastLookedUp) {
  ConversionFixture run;
  run.Run(CrLf({"Data", "", "Pline 2", "0 0", "3 4", "Pline 2", "1 1", "2 2"}),
          CrLf({"\"Дорога\",\"A\"", "\"\",\"B\""}));
  EXPECT_EQ(run.Sections(),
            Section({"[RGN40]", "Levels=0", "Label=A", "Type=0x01", "Data0=(0,0),(4,3)", "[END-RGN40]"}) +
                Section({"[RGN40]", "Levels=0", "Label=B", "Type=0x2f00", "Data0=(1,1),(2,2)", "[END-RGN40]"}));
}

// Only numbers follow "Type=": a word the dictionary holds as a type gives way to the
// default type, and the objects so written are counted in one message.
TEST(Convert, TypeThatIsNoNumberGivesWayToTheDefaultType) {
  struct Case {
    const char* type;
    bool number;
  };
  const Case cases[] = {{"0x2f06", true}, {"0X2F06", true}, {"47", true}, {"0x2f06  ", true},
                        {"Нет", false},   {"0x", false},    {"0xzz", false}, {"2f06", false},
                        {"-1", false},    {"0x2f 06", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsTypeNumber(Ru(c.type)), c.number) << c.type;
  }
  for (int section_from_mif : {0, 1}) {
    ConversionFixture run;
    run.SetDictionary({{"Неопределенный тип объекта", "0x10", "0x2f00", 0},
                       {"Школа", "0x10", "Школа", 0},
                       {"Дорога", "0x20", "дорога", 0}});
    run.options.section_from_mif = section_from_mif;
    ASSERT_EQ(run.Run(CrLf({"Data", "", "Point 1 2", "Pline 2", "0 0", "3 4", "Point 5 6"}),
                      CrLf({"\"Школа\",\"S\"", "\"Дорога\",\"R\"", "\"Школа\",\"U\""})),
              OperationStatus::kCompleted);
    EXPECT_EQ(run.Sections(),
              Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=S", "Data0=(2,1)", "[END-RGN10]"}) +
                  Section({"[RGN40]", "Levels=0", "Label=R", "Type=0x2f00", "Data0=(0,0),(4,3)", "[END-RGN40]"}) +
                  Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Label=U", "Data0=(6,5)", "[END-RGN10]"}));
    // With the section from the MIF the polyline takes the default type directly.
    EXPECT_EQ(run.result.counts.retyped, section_from_mif ? 2u : 3u);
    ASSERT_EQ(run.host.messages.size(), 2u);
    std::string message = Cp1251ToUtf8(run.host.messages[0].text);
    EXPECT_TRUE(message.starts_with(std::to_string(run.result.counts.retyped) + " объекта записаны с типом"))
        << message;
    // Each description once, with the type that is no number.
    EXPECT_TRUE(message.ends_with(section_from_mif ? "\r\nОписания: Школа (Школа)"
                                                   : "\r\nОписания: Школа (Школа), Дорога (дорога)"))
        << message;
  }
}

// A default-type record that was deleted gives no type either: such objects are
// written without one and counted, never with "Нет".
TEST(Convert, DeletedDefaultTypeIsNeverWritten) {
  ConversionFixture run;
  run.SetDictionary({{"Неопределенный тип объекта", "Нет", "Нет", 0}});
  run.options.section_from_mif = true;
  ASSERT_EQ(run.Run(CrLf({"Data", "", "Point 1 2"}), CrLf({"a,b"})), OperationStatus::kCompleted);
  EXPECT_EQ(run.Sections().find("Нет"), std::string::npos);
  EXPECT_EQ(run.result.counts.untyped, 1u);
}

TEST(Convert, ShortMidGivesEmptyFieldsAndIsReported) {
  ConversionFixture run;
  run.options.section_from_mif = true;
  run.Run(CrLf({"Data", "", "Point 1 2", "Point 3 4", "Point 5 6"}), CrLf({"a,first"}));
  EXPECT_EQ(run.result.counts.points, 3u);
  ASSERT_EQ(run.host.messages.size(), 2u);
  EXPECT_EQ(Cp1251ToUtf8(run.host.messages[0].text),
            "В файле MID меньше записей, чем объектов в файле MIF: 2 объекта без записи, их атрибуты пусты.\r\n" +
                run.paths.mid);
}

// The messages that count objects put the word, and the words that agree with it, in
// the form the number takes: one object, and five.
TEST(Convert, MessagesCountObjectsInTheFormOfTheirNumber) {
  struct Case {
    int objects;
    const char* missing_records;
    const char* retyped;
    const char* untyped;
  };
  const Case cases[] = {
      {1, "MIF: 1 объект без записи, его атрибуты пусты.",
       "1 объект записан с типом \"Неопределенный тип объекта\": его тип в словаре",
       "1 объект записан без типа: в словаре object.txt нет записи \"Неопределенный тип объекта\" с числовым "
       "типом, а его собственный тип не найден. Компилятор карт такой объект не примет."},
      {5, "MIF: 5 объектов без записи, их атрибуты пусты.",
       "5 объектов записаны с типом \"Неопределенный тип объекта\": их тип в словаре",
       "5 объектов записаны без типа: в словаре object.txt нет записи \"Неопределенный тип объекта\" с числовым "
       "типом, а их собственный тип не найден. Компилятор карт такие объекты не примет."},
  };
  for (const Case& c : cases) {
    std::string mif = "Data\r\n\r\n";
    for (int i = 0; i < c.objects; ++i) mif += "Point 1 2\r\n";
    auto texts = [](const ConversionFixture& run) {
      std::string all;
      for (const auto& message : run.host.messages) all += Cp1251ToUtf8(message.text) + "\n";
      return all;
    };
    // No record at all; descriptions whose type is a word; no default type.
    ConversionFixture missing;
    missing.options.section_from_mif = true;
    missing.Run(mif, "");
    EXPECT_NE(texts(missing).find(c.missing_records), std::string::npos) << texts(missing);
    ConversionFixture retyped;
    retyped.SetDictionary({{"Неопределенный тип объекта", "0x10", "0x2f00", 0}, {"Лес", "0x10", "Лес", 0}});
    std::string mid;
    for (int i = 0; i < c.objects; ++i) mid += "\"Лес\",\"L\"\r\n";
    retyped.Run(mif, mid);
    EXPECT_NE(texts(retyped).find(c.retyped), std::string::npos) << texts(retyped);
    ConversionFixture untyped;
    untyped.SetDictionary({{"Школа", "0x10", "0x2f06", 0}});
    untyped.options.section_from_mif = true;
    untyped.Run(mif, mid);
    EXPECT_NE(texts(untyped).find(c.untyped), std::string::npos) << texts(untyped);
  }
}

TEST(Convert, ColumnOutOfRangeOrBeyondTheRecordGivesAnEmptyValue) {
  // Label and type column; a column the two-column MID does not have must not show
  // what an earlier file left in the record.
  for (const char* column : {"51", "-1", "3"}) {
    ConversionFixture run;
    std::map<std::string, std::string, std::less<>> texts = {{"KolSt", "2"}, {"TypeSt", column}, {"PodpSt", column}};
    run.options = ConversionOptionsFrom(
        [&](std::string_view key) { return texts.contains(key) ? texts.find(key)->second : std::string(); },
        run.options.header_template);
    ASSERT_EQ(run.Run(kPointMif, CrLf({"\"Школа\",\"S\""})), OperationStatus::kCompleted);
    EXPECT_EQ(run.Sections(), Section({"[RGN10]", "Levels=0", "Type=0x2f00", "Data0=(57.25,65.5)", "[END-RGN10]"}))
        << column;
  }
}

TEST(Convert, UnusableColumnCountStillAdvancesOneLinePerRecord) {
  ConversionFixture run;
  run.options.column_count = ColumnCount("0");
  run.options.section_from_mif = true;
  EXPECT_EQ(run.Run(CrLf({"Data", "", "Point 1 2", "Point 3 4"}), CrLf({"a,b", "c,d"})),
            OperationStatus::kCompleted);
  EXPECT_EQ(run.result.counts.points, 2u);
}

TEST(Convert, DelimiterAndUtf8CharsetOfTheHeader) {
  ConversionFixture run;
  std::string mif = "Charset \"UTF-8\"\r\nDelimiter \";\"\r\nData\r\n\r\nText\r\n    \"Вокзал\"\r\n"
                    "    1 2 3 4\r\n    Font (\"Arial\",0,0,0)\r\nPoint 1 2\r\n";
  run.Run(mif, "x;y\r\nШкола;Поле, луг\r\n", /*raw=*/true);
  EXPECT_EQ(run.Sections(),
            Section({"[RGN10]", "Levels=0", "Type=0x1500", "", "Label=Вокзал", "DirIndicator=1", "Data0=(2,1)",
                     "[END-RGN10]"}) +
                Section({"[RGN10]", "Levels=0", "Type=0x2f06", "Label=Поле, луг", "DirIndicator=1",
                         "Data0=(2,1)", "[END-RGN10]"}));
}

TEST(Convert, ColumnCountFromTheHeader) {
  ConversionFixture run;
  run.options.column_count_from_header = true;
  run.options.column_count = 7;
  run.Run(CrLf({"Columns 3", "Data", "", "Point 1 2", "Point 3 4"}), CrLf({"a,A,1", "\"Школа\",B,2"}));
  EXPECT_EQ(run.result.header_column_count, "3");
  EXPECT_NE(run.Sections().find("Label=B"), std::string::npos);
}

}  // namespace
}  // namespace mirvex::test
