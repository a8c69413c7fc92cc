#include "operations/mkgmap_log.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "base/cp1251.h"
#include "base/text.h"

namespace mirvex {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }
bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "2026/12/09 02:50:55 " at the start of a record.
bool SkipTimestamp(std::string_view& line) {
  constexpr std::string_view kShape = "dddd/dd/dd dd:dd:dd ";
  if (line.size() < kShape.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == 'd' ? !IsDigit(line[i]) : line[i] != kShape[i]) return false;
  }
  line.remove_prefix(kShape.size());
  return true;
}

enum class Level { kNone, kError, kWarning, kInfo };

// A record's level, the class that wrote it and its message: "SEVERE (Class): message"
// or "SEVERE: message".
Level ParseRecord(std::string_view line, std::string_view& source, std::string_view& message) {
  SkipTimestamp(line);
  struct Name {
    std::string_view word;
    Level level;
  };
  constexpr Name kLevels[] = {{"SEVERE", Level::kError},     {"ERROR", Level::kError},
                              {"WARNING", Level::kWarning},  {"DIAGNOSTIC", Level::kWarning},
                              {"INFO", Level::kInfo},        {"OVERRIDE", Level::kInfo},
                              {"CONFIG", Level::kInfo},      {"FINE", Level::kInfo},
                              {"FINER", Level::kInfo},       {"FINEST", Level::kInfo}};
  source = {};
  for (const Name& name : kLevels) {
    if (!StartsWith(line, name.word)) continue;
    std::string_view rest = line.substr(name.word.size());
    if (StartsWith(rest, " (")) {
      auto close = rest.find("): ");
      if (close == std::string_view::npos) return Level::kNone;
      source = rest.substr(2, close - 2);
      message = rest.substr(close + 3);
      return name.level;
    }
    if (StartsWith(rest, ": ")) {
      message = rest.substr(2);
      return name.level;
    }
  }
  return Level::kNone;
}

// The input file's name that mkgmap puts before the messages of a map or a tile
// ("map.mp: "): split off into `file`, the message returned without it.
std::string_view SplitFileTag(std::string_view message, std::string_view& file) {
  file = {};
  auto colon = message.find(": ");
  if (colon == std::string_view::npos) return message;
  std::string_view tag = message.substr(0, colon);
  for (std::string_view suffix : {".mp", ".MP", ".mp.gz"}) {
    if (tag.size() > suffix.size() && tag.substr(tag.size() - suffix.size()) == suffix) {
      file = tag;
      return message.substr(colon + 2);
    }
  }
  return message;
}

bool ReadNumber(std::string_view text, std::size_t at, double& value, std::size_t& end) {
  const char* first = text.data() + at;
  auto [stop, error] = std::from_chars(first, text.data() + text.size(), value);
  if (error != std::errc()) return false;
  end = static_cast<std::size_t>(stop - text.data());
  return true;
}

// "line 200", "line: 200", "line=200" anywhere in the message.
bool FindLineNumber(std::string_view message, std::int64_t& line) {
  for (std::size_t at = message.find("line"); at != std::string_view::npos; at = message.find("line", at + 1)) {
    if (at > 0 && std::isalpha(static_cast<unsigned char>(message[at - 1]))) continue;
    std::size_t pos = at + 4;
    while (pos < message.size() && (message[pos] == ' ' || message[pos] == ':' || message[pos] == '=')) ++pos;
    if (pos >= message.size() || !IsDigit(message[pos]) || pos == at + 4) continue;
    std::int64_t value = 0;
    auto [stop, error] = std::from_chars(message.data() + pos, message.data() + message.size(), value);
    if (error == std::errc() && value > 0) {
      line = value;
      return true;
    }
  }
  return false;
}

// A coordinate as mkgmap prints one: "mlat=50.621500&mlon=36.499614" (a link to a map
// on the web) or "(50.6215,36.4996)" with decimals in both numbers.
bool FindCoordinate(std::string_view message, double& latitude, double& longitude) {
  auto mlat = message.find("mlat=");
  auto mlon = message.find("mlon=");
  std::size_t end = 0;
  if (mlat != std::string_view::npos && mlon != std::string_view::npos &&
      ReadNumber(message, mlat + 5, latitude, end) && ReadNumber(message, mlon + 5, longitude, end)) {
    return true;
  }
  for (std::size_t open = message.find('('); open != std::string_view::npos; open = message.find('(', open + 1)) {
    std::size_t comma = 0, close = 0;
    if (!ReadNumber(message, open + 1, latitude, comma) || comma >= message.size() || message[comma] != ',') continue;
    std::size_t second = comma + 1;
    while (second < message.size() && message[second] == ' ') ++second;
    if (!ReadNumber(message, second, longitude, close) || close >= message.size() || message[close] != ')') continue;
    std::string_view pair = message.substr(open, close - open);
    if (std::count(pair.begin(), pair.end(), '.') == 2) return true;
  }
  return false;
}

// What mkgmap says as it goes through a map, and how far that is, in percent.
struct Stage {
  std::string_view words;
  int percent;
};
constexpr Stage kStages[] = {
    {"Started loading", 5},      {"Finished loading", 35}, {"Started making", 40}, {"Splitting area", 50},
    {"finished making map", 75}, {"Combining maps", 80},   {"overview-mapname", 90},
};

// What a message of mkgmap means for the map, by its words (all of `words`, and `also`
// when given). A message no rule names keeps the level of its record: SEVERE an error,
// WARNING a warning.
struct MessageRule {
  std::string_view words;
  std::string_view also;
  ProblemLevel level;
  ProblemKind kind;
};
constexpr MessageRule kMessageRules[] = {
    // Objects left out of the map.
    {"skipping POI without coordinates", {}, ProblemLevel::kError, ProblemKind::kPointWithoutData},
    {"type not numeric", {}, ProblemLevel::kError, ProblemKind::kTypeNotNumber},
    {"invalid type", {}, ProblemLevel::kError, ProblemKind::kInvalidType},
    {"is outside of the map area", {}, ProblemLevel::kError, ProblemKind::kObjectOutsideMap},
    {"Too many POIs near location", {}, ProblemLevel::kError, ProblemKind::kObjectsDropped},
    // The whole map lost: "The RGN section of the map or tile (map.mp) is too big."
    {"section of the map or tile", "is too big", ProblemLevel::kError, ProblemKind::kMapTooBig},
    {"The overview map is too big", {}, ProblemLevel::kError, ProblemKind::kMapTooBig},
    // Logged as SEVERE, yet every object is in the map: only the overview map's frame
    // of it is coarser. "Tile selection (0x4a) polygon for tile 10000001 cannot be
    // written in level 0 resolution 20, using 18 instead"
    {"Tile selection (0x4a) polygon", "instead", ProblemLevel::kNote, ProblemKind::kOverviewResolution},
};

// The class whose errors are the reason a map failed, logged as mkgmap gives it up.
constexpr std::string_view kMapMakerSource = "MapMaker";

}  // namespace

void MkgmapLog::StartRecord(ProblemLevel level, std::string_view source, std::string_view message) {
  std::string_view file;
  message = Trim(SplitFileTag(message, file));
  CompileProblem problem;
  problem.level = level;
  problem.text = Utf8ToCp1251(message);
  problem.file = Utf8ToCp1251(file);
  if (StartsWith(message, "Exiting - if you want to carry on regardless")) {
    // A map mkgmap gave up (a MapFailedException). When the reason was logged before,
    // this line adds nothing to it; when none was, this version of mkgmap failed while
    // reading the map, where a type it cannot use is the one reason it keeps silent about.
    map_failed_ = true;
    if (map_failure_reported_) return;
    map_failure_reported_ = true;
    problem.kind = ProblemKind::kMapRejected;
    problem.has_place = true;
    problem.place.query = PlaceQuery::kBadType;
  } else if (StartsWith(message, "Exiting due to unexpected error")) {
    // Only the end of the "Unexpected error" record before it.
    if (!problems_.empty()) return;
  } else {
    for (const MessageRule& rule : kMessageRules) {
      if (Contains(message, rule.words) && (rule.also.empty() || Contains(message, rule.also))) {
        problem.level = rule.level;
        problem.kind = rule.kind;
        break;
      }
    }
    if (problem.level == ProblemLevel::kError &&
        (problem.kind == ProblemKind::kMapTooBig || source == kMapMakerSource)) {
      map_failure_reported_ = true;
    }
    if (FindLineNumber(message, problem.place.line)) {
      problem.has_place = true;
      problem.place.query = PlaceQuery::kLine;
    } else if (FindCoordinate(message, problem.place.latitude, problem.place.longitude)) {
      problem.has_place = true;
      problem.place.query = PlaceQuery::kCoordinate;
    } else if (problem.kind == ProblemKind::kTypeNotNumber || problem.kind == ProblemKind::kInvalidType) {
      problem.has_place = true;
      problem.place.query = PlaceQuery::kBadType;
    }
  }
  record_ = std::move(problem);
  record_open_ = true;
  in_stack_ = false;
}

void MkgmapLog::CloseRecord() {
  if (!record_open_) return;
  record_open_ = false;
  problems_.push_back(std::move(record_));
  record_ = {};
}

void MkgmapLog::Line(std::string_view line) {
  line = Trim(line);
  if (line.empty()) return;
  std::string_view source, message;
  Level level = ParseRecord(line, source, message);
  if (level == Level::kNone && record_open_) {
    // The exception of an error record, its stack trace, and what caused it.
    if (StartsWith(line, "at ")) {
      in_stack_ = true;
      if (Contains(line, "PolishMapDataSource.coordsFromString") || Contains(line, "PolishMapDataSource.makeCoord")) {
        record_.kind = ProblemKind::kBrokenCoordinates;
        record_.has_place = true;
        record_.place.query = PlaceQuery::kBrokenCoordinates;
      }
      return;
    }
    if (StartsWith(line, "... ") && in_stack_) return;
    bool exception = StartsWith(line, "java.") || StartsWith(line, "Caused by: ") || StartsWith(line, "uk.me.");
    if (exception && !in_stack_) {
      record_.text += "; " + Utf8ToCp1251(line);
      // The text Java could not read as a number.
      constexpr std::string_view kInput = "For input string: \"";
      auto input = line.find(kInput);
      if (input != std::string_view::npos) {
        std::string_view token = line.substr(input + kInput.size());
        record_.place.token = Utf8ToCp1251(token.substr(0, token.find('"')));
      }
      return;
    }
    if (exception) return;
  }
  if (level != Level::kNone) CloseRecord();
  constexpr std::string_view kUncaught = "Exception in thread ";
  if (level == Level::kNone && StartsWith(line, kUncaught)) {
    // Java's own report of what ended mkgmap: the thread's name in quotes, then the
    // exception and its message.
    CloseRecord();
    std::string_view exception = line.substr(kUncaught.size());
    if (StartsWith(exception, "\"")) {
      auto close = exception.find("\" ", 1);
      if (close != std::string_view::npos) exception.remove_prefix(close + 2);
    }
    CompileProblem problem;
    problem.text = Utf8ToCp1251(exception);
    if (Contains(exception, "UnsupportedCharsetException") || Contains(exception, "IllegalCharsetNameException")) {
      problem.kind = ProblemKind::kUnknownCodePage;
    }
    record_ = std::move(problem);
    record_open_ = true;
    in_stack_ = false;
    return;
  }
  switch (level) {
    case Level::kError:
      StartRecord(ProblemLevel::kError, source, message);
      return;
    case Level::kWarning:
      StartRecord(ProblemLevel::kWarning, source, message);
      return;
    case Level::kInfo:
      for (const Stage& stage : kStages) {
        if (Contains(message, stage.words)) percent_ = std::max(percent_, stage.percent);
      }
      return;
    case Level::kNone:
      break;
  }
  CloseRecord();
  if (StartsWith(line, "No valid JVM found")) java_missing_ = true;
  constexpr std::string_view kFailedCount = "Number of MapFailedExceptions: ";
  if (StartsWith(line, kFailedCount) && Trim(line.substr(kFailedCount.size())) != "0") map_failed_ = true;
  if (StartsWith(line, "Out of memory")) {
    CompileProblem problem;
    problem.kind = ProblemKind::kOutOfMemory;
    problem.text = Utf8ToCp1251(line);
    problems_.push_back(std::move(problem));
  }
}

void MkgmapLog::Finish() {
  CloseRecord();
  // With --keep-going a rejected map is only counted.
  if (map_failed_ && !map_failure_reported_) {
    map_failure_reported_ = true;
    CompileProblem problem;
    problem.kind = ProblemKind::kMapRejected;
    problem.text = "Number of MapFailedExceptions > 0";
    problem.has_place = true;
    problem.place.query = PlaceQuery::kBadType;
    problems_.push_back(std::move(problem));
  }
}

std::string ProblemExplanation(const CompileProblem& problem) {
  switch (problem.kind) {
    case ProblemKind::kPointWithoutData:
      return Ru("у точки нет координат (строки Data0=), mkgmap её пропустил");
    case ProblemKind::kTypeNotNumber:
      return Ru("тип объекта (Type=) не число");
    case ProblemKind::kInvalidType:
      return Ru("такой тип объекта (Type=) не бывает у секции этого вида");
    case ProblemKind::kBrokenCoordinates:
      return Ru("строка координат пуста или испорчена: нужны пары (широта,долгота) через запятую");
    case ProblemKind::kMapRejected:
      return Ru("mkgmap отказался собирать карту; обычно причина - тип объекта (Type=), который не число "
                "или не подходит к секции");
    case ProblemKind::kMapFailed:
      return Ru("mkgmap отказался собирать карту и не сказал почему; подробности в журнале mkgmap");
    case ProblemKind::kMapTooBig:
      return Ru("карта слишком велика для одного файла IMG: разделите её на части меньшего размера");
    case ProblemKind::kObjectOutsideMap:
      return Ru("объект лежит за пределами области карты, mkgmap его пропустил");
    case ProblemKind::kObjectsDropped:
      return Ru("слишком много точек в одном месте, mkgmap пропустил лишние");
    case ProblemKind::kOverviewResolution:
      return Ru("рамка карты на обзорной карте записана с более грубым разрешением; карта собрана полностью");
    case ProblemKind::kOutOfMemory:
      return Ru("mkgmap не хватило памяти Java: добавьте в параметры mkgmap --max-jobs=1");
    case ProblemKind::kCoordinateOutOfRange:
      return Ru("координата за пределами ±90° широты или ±180° долготы (широта идёт первой); на такой карте "
                "mkgmap не останавливается, поэтому он не запускался");
    case ProblemKind::kNoImage:
      return Ru("mkgmap не записал ни одного файла IMG");
    case ProblemKind::kUnknownCodePage:
      return Ru("mkgmap не знает кодовую страницу карты: исправьте CodePage= в заголовке [IMG ID] "
                "(для русских подписей CodePage=1251)");
    case ProblemKind::kOther:
      break;
  }
  return {};
}

}  // namespace mirvex
