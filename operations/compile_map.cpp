#include "operations/compile_map.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>

#include "base/cp1251.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/text_reader.h"
#include "operations/compile_tiles.h"
#include "garmin/map_locator.h"
#include "garmin/map_tiles.h"
#include "garmin/text_map_reader.h"

namespace mirvex {

namespace fs = std::filesystem;

namespace {

constexpr char kLogConfigName[] = "logging.properties";
constexpr char kLinkedMapName[] = "map.mp";
constexpr char kDefaultCodePage[] = "1251";

// mkgmap's log, one line a record in its own format: its warnings and errors, and the
// information of the parts that name its stages. The other parts' information (a line
// for every shape merged or line prepared: over a hundred thousand lines for a 60 MB
// map) would cost mkgmap a third of its time.
constexpr char kLogConfig[] =
    "handlers=java.util.logging.ConsoleHandler\n"
    "java.util.logging.ConsoleHandler.level=INFO\n"
    "java.util.logging.ConsoleHandler.formatter=uk.me.parabola.log.UsefulFormatter\n"
    ".level=WARNING\n"
    "uk.me.parabola.mkgmap.main.level=INFO\n"
    "uk.me.parabola.mkgmap.build.MapArea.level=INFO\n"
    "uk.me.parabola.mkgmap.build.MapBuilder.level=INFO\n"
    "uk.me.parabola.mkgmap.combiners.level=INFO\n"
    "uk.me.parabola.mkgmap.reader.polish.level=INFO\n";

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

bool PlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

std::string TitleText() { return Ru("Сборка IMG (mkgmap)"); }

std::string MkgmapMissingMessage(std::string_view program) {
  return Ru("Не найден компилятор карт mkgmap: ") + std::string(program) + std::string(kLineBreak) +
         MkgmapInstallAdvice();
}

std::string JarMissingMessage(std::string_view jar) {
  return Ru("Не найден файл mkgmap.jar: ") + std::string(jar) + std::string(kLineBreak) + MkgmapInstallAdvice();
}

std::string JavaMissingMessage() {
  return Ru("Не найдена Java, без которой mkgmap не работает.") + std::string(kLineBreak) + JavaInstallAdvice();
}

// The temporary folder mkgmap works in, inside the output folder (so its files are put
// in place by renaming), removed with everything left in it.
class WorkFolder {
 public:
  bool Create(const fs::path& parent) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      char name[32];
      std::snprintf(name, sizeof(name), ".mirvex-mkgmap-%08llx",
                    static_cast<unsigned long long>(random() & 0xffffffffULL));
      fs::path candidate = parent / name;
      std::error_code error;
      if (fs::create_directory(candidate, error)) {
        path_ = candidate;
        return true;
      }
      if (error) return false;
    }
    return false;
  }
  ~WorkFolder() {
    if (path_.empty()) return;
    std::error_code error;
    fs::remove_all(path_, error);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Copies the map with "CodePage=1251" added after its [IMG ID] line (mkgmap reads the
// map's text in the header's code page, and without one loses every Cyrillic label).
// `inserted_line` is the line the added one takes (0 when the map has no [IMG ID]).
// True for the line that opens the map's header, "[IMG ID]".
bool IsHeaderSectionLine(std::string_view text) {
  TextMapLine line = ReadTextMapLine(text);
  return line.kind == TextMapLineKind::kSection && EqualsIgnoreAsciiCase(line.name, "IMG ID");
}

bool CopyWithCodePage(std::string_view map, const fs::path& copy, std::int64_t& inserted_line) {
  TextReader reader;
  if (!reader.Open(map)) return false;
  ResultFile out;
  if (!out.Open(PathText(copy))) return false;
  inserted_line = 0;
  std::int64_t number = 0;
  std::string_view line;
  while (reader.ReadLine(line)) {
    ++number;
    out.WriteLine(line);
    if (inserted_line == 0 && IsHeaderSectionLine(line)) {
      out.WriteLine(std::string("CodePage=") + kDefaultCodePage);
      inserted_line = number + 1;
      ++number;
    }
  }
  if (reader.ReadFailed()) {
    out.Abandon();
    return false;
  }
  return out.Commit();
}

bool LinkOrCopy(std::string_view map, const fs::path& link) {
  std::error_code error;
  fs::create_hard_link(NativePath(map), link, error);
  if (!error) return true;
  return fs::copy_file(NativePath(map), link, error) && !error;
}

std::string StemOf(std::string_view map) {
  fs::path path = NativePath(map);
  return PathText(path.stem());
}

}  // namespace

MapIdentity IdentityFromHeader(std::string_view id, std::string_view name, std::string_view code_page,
                               std::string_view map_file_stem) {
  MapIdentity identity;
  std::int64_t page = 0;
  std::string_view page_text = TrimBlanks(code_page);
  auto [page_end, page_error] = std::from_chars(page_text.data(), page_text.data() + page_text.size(), page);
  bool page_ok = page_error == std::errc() && page_end == page_text.data() + page_text.size() && page > 0;
  identity.code_page = page_ok ? std::to_string(page) : kDefaultCodePage;

  std::int64_t number = 0;
  std::string_view id_text = TrimBlanks(id);
  auto [id_end, id_error] = std::from_chars(id_text.data(), id_text.data() + id_text.size(), number);
  bool id_ok = id_error == std::errc() && id_end == id_text.data() + id_text.size() && number > 0 &&
               number <= 99999999;
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%08lld", static_cast<long long>(id_ok ? number : 63240001));
  identity.map_number = digits;
  std::int64_t family = id_ok ? (number <= 65535 ? number : number % 65536) : 0;
  identity.family_id = std::to_string(family > 0 ? family : 6324);

  std::string_view shown = TrimBlanks(name);
  identity.family_name = std::string(shown.empty() ? map_file_stem : shown);
  if (identity.family_name.empty()) identity.family_name = "Mirvex";
  return identity;
}

std::vector<std::string> SplitOptions(std::string_view text) {
  std::vector<std::string> options;
  std::string current;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t' || c == '\r' || c == '\n') && !quoted) {
      if (any) options.push_back(std::move(current));
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) options.push_back(std::move(current));
  return options;
}

CompileResult CompileMap(std::string_view map, const CompileOptions& options, Host& host) {
  CompileResult result;
  if (!FileExists(map)) {
    ShowMissingFile(host, map);
    return result;
  }
  std::error_code error;
  fs::path map_path = fs::absolute(NativePath(map), error);
  fs::path output = options.output_folder.empty() ? map_path.parent_path()
                                                  : fs::absolute(NativePath(options.output_folder), error);
  // A folder made for this run goes again when nothing was put into it.
  struct RemoveWhenEmpty {
    fs::path folder;
    ~RemoveWhenEmpty() {
      std::error_code ignored;
      if (!folder.empty() && fs::is_empty(folder, ignored)) fs::remove(folder, ignored);
    }
  } made_output;
  if (!fs::exists(output, error)) made_output.folder = output;
  fs::create_directories(output, error);
  if (!fs::is_directory(output, error)) {
    ShowInformation(host, Ru("Не удалось создать папку для файлов IMG:") + std::string(kLineBreak) +
                              PathText(output));
    return result;
  }

  // mkgmap never finishes a map with a latitude beyond 90 degrees: such coordinates
  // are reported here instead.
  // The map is read whole twice (here, and for the places of mkgmap's problems): the
  // window stays responsive and "Отмена" works meanwhile.
  auto keep_going = [&host] {
    host.ProcessEvents();
    return !host.StopRequested();
  };
  std::vector<PlaceRequest> range(1);
  range[0].query = PlaceQuery::kCoordinateOutOfRange;
  switch (LocateInTextMap(map, range, keep_going)) {
    case LocateEnd::kRead:
      break;
    case LocateEnd::kUnreadable:
      ShowReadFailure(host, map);
      return result;
    case LocateEnd::kStopped:
      result.status = OperationStatus::kStopped;
      return result;
  }
  if (!range[0].found.empty()) {
    LocatedProblem out_of_range;
    out_of_range.problem.kind = ProblemKind::kCoordinateOutOfRange;
    out_of_range.places = range[0].found;
    out_of_range.more_places = range[0].more;
    result.problems.push_back(std::move(out_of_range));
    host.ShowMessage(CompileReport(map, result), TitleText(), MessageIcon::kExclamation);
    return result;
  }

  TextMapHeader header;
  ReadTextMapHeader(map, header);
  MapIdentity identity = IdentityFromHeader(header.id, header.name, header.code_page, StemOf(map));

  WorkFolder work;
  if (!work.Create(output)) {
    ShowWriteFailure(host, PathText(output));
    return result;
  }
  // A big map becomes tiles compiled side by side; a small one is given whole.
  std::error_code size_error;
  std::uint64_t map_bytes = fs::file_size(map_path, size_error);
  TilingChoice tiling = ChooseTiling(size_error ? 0 : map_bytes, std::thread::hardware_concurrency(),
                                     AvailableMemory(), options.tile_bytes);
  std::vector<TileFile> tiles;
  if (tiling.tiles > 1) {
    result.tiles = tiling.tiles;
    result.jobs = tiling.jobs;
    TilePlan plan;
    std::string failed;
    TileReadEnd end = PlanTiles(map, tiling.tiles, keep_going, plan);
    if (end == TileReadEnd::kRead) {
      end = WriteTiles(map, plan, PathText(work.path()), identity.code_page, keep_going, tiles, failed);
    }
    if (end == TileReadEnd::kStopped) {
      result.status = OperationStatus::kStopped;
      return result;
    }
    if (end == TileReadEnd::kUnreadable) {
      if (failed.empty()) ShowReadFailure(host, map);
      else ShowWriteFailure(host, failed);
      return result;
    }
  }
  // mkgmap takes only maps named *.mp, and reads its arguments in the system's
  // encoding: any other name is given to it as a link (or a copy) with a plain one.
  std::string input = PathText(map_path);
  std::int64_t inserted_line = 0;
  fs::path linked = work.path() / kLinkedMapName;
  auto ends_with = [&](std::string_view suffix) {
    return input.size() > suffix.size() && input.compare(input.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  bool plain_name = (ends_with(".mp") || ends_with(".MP")) && PlainAscii(input);
  if (!tiles.empty()) {
    // The tiles carry the code page in their headers.
  } else if (header.code_page.empty()) {
    if (!CopyWithCodePage(map, linked, inserted_line)) {
      ShowWriteFailure(host, PathText(linked));
      return result;
    }
    input = kLinkedMapName;
  } else if (!plain_name) {
    if (!LinkOrCopy(map, linked)) {
      ShowWriteFailure(host, PathText(linked));
      return result;
    }
    input = kLinkedMapName;
  }
  {
    ResultFile config;
    if (!config.Open(PathText(work.path() / kLogConfigName))) {
      ShowWriteFailure(host, PathText(work.path()));
      return result;
    }
    config.Write(kLogConfig);
    if (!config.Commit()) {
      ShowWriteFailure(host, PathText(work.path()));
      return result;
    }
  }

  std::string mkgmap(TrimBlanks(options.mkgmap));
  if (mkgmap.empty()) mkgmap = "mkgmap";
  bool jar = EndsWithIgnoreCase(mkgmap, ".jar");
  ChildProgram child;
  child.folder = PathText(work.path());
  std::string log_option = std::string("-Dlog.config=") + kLogConfigName;
  if (jar) {
    if (!FileExists(mkgmap)) {
      ShowInformation(host, JarMissingMessage(mkgmap));
      return result;
    }
    child.program = JavaProgram();
    child.arguments = {log_option, "-jar", PathText(fs::absolute(NativePath(mkgmap), error))};
    if (tiling.heap_megabytes > 0) {
      child.arguments.insert(child.arguments.begin(), "-Xmx" + std::to_string(tiling.heap_megabytes) + "m");
    }
  } else {
    // A command given with its folder runs from the work folder too.
    bool has_folder = mkgmap.find('/') != std::string::npos || mkgmap.find(kPathSeparator) != std::string::npos;
    child.program = has_folder ? PathText(fs::absolute(NativePath(mkgmap), error)) : mkgmap;
    // mkgmap's own launcher takes no Java options; Java reads this variable itself.
    const char* existing = std::getenv("JAVA_TOOL_OPTIONS");
    std::string tool_options = existing && *existing ? std::string(existing) + " " + log_option : log_option;
    if (tiling.heap_megabytes > 0) tool_options += " -Xmx" + std::to_string(tiling.heap_megabytes) + "m";
    child.environment.emplace_back("JAVA_TOOL_OPTIONS", tool_options);
  }
  for (std::string option : {std::string("--output-dir=."), "--code-page=" + identity.code_page,
                             "--mapname=" + identity.map_number, "--family-id=" + identity.family_id,
                             "--family-name=" + identity.family_name, "--series-name=" + identity.family_name,
                             "--description=" + identity.family_name, std::string("--gmapsupp")}) {
    child.arguments.push_back(std::move(option));
  }
  for (std::string& option : SplitOptions(options.extra_options)) child.arguments.push_back(std::move(option));
  if (tiles.empty()) {
    child.arguments.push_back(input);
  } else {
    child.arguments.push_back("--product-id=1");
    for (std::string& argument : TileArguments(tiles, identity.map_number, tiling.jobs)) {
      child.arguments.push_back(std::move(argument));
    }
  }

  host.SetProgressRange(0, 100);
  host.SetProgressValue(0);
  host.SetPercentCaption("0");
  MkgmapLog log;
  std::string log_text;
  std::string last_line;
  int shown_percent = 0;
  TileProgress tile_progress(static_cast<int>(tiles.size()), tiling.jobs);
  ChildResult run = RunChild(
      child,
      [&](std::string_view line) {
        log_text.append(line).append(kLineBreak);
        if (!TrimBlanks(line).empty()) last_line = std::string(line);
        log.Line(Cp1251ToUtf8(line));
        // Tiles count as the share of them finished; a whole map as mkgmap's stages.
        if (!tiles.empty()) tile_progress.Line(line);
        int percent = tiles.empty() ? log.percent() : tile_progress.done() * 100 / static_cast<int>(tiles.size());
        if (percent > shown_percent) {
          shown_percent = percent;
          host.SetProgressValue(shown_percent);
          host.SetPercentCaption(std::to_string(shown_percent));
        }
      },
      keep_going);
  if (run.end == ChildEnd::kStopped) {
    result.status = OperationStatus::kStopped;
    return result;
  }
  if (run.end == ChildEnd::kNotStarted) {
    ShowInformation(host, jar ? JavaMissingMessage() : MkgmapMissingMessage(mkgmap));
    return result;
  }
  log.Finish();
  if (log.java_missing()) {
    ShowInformation(host, JavaMissingMessage());
    return result;
  }

  // The log stays beside the images: it says more than the report can.
  std::string log_path = PathText(output / kMkgmapLogName);
  {
    ResultFile saved;
    if (saved.Open(log_path)) {
      saved.Write(log_text);
      if (saved.Commit()) result.written.push_back(log_path);
    }
  }

  // A line of a tile is told as the map's line it came from; a map given whole names
  // its own lines.
  result.problems =
      PlaceProblems(map, log.problems(), tiles.empty() ? LineOrigin() : TilesOrigin(tiles), inserted_line, keep_going);
  bool errors = false;
  for (const LocatedProblem& located : result.problems) {
    errors = errors || located.problem.level == ProblemLevel::kError;
  }
  if (run.status != 0 && !errors) {
    // mkgmap failed without a message of its own format: its last words say why.
    LocatedProblem unexplained;
    unexplained.problem.text = last_line.empty() ? "mkgmap exit status " + std::to_string(run.status) : last_line;
    result.problems.push_back(std::move(unexplained));
    errors = true;
  }

  // What mkgmap made goes into the output folder, each file replacing its namesake.
  bool images = false;
  if (run.status == 0) {
    std::vector<fs::path> made;
    for (const auto& entry : fs::directory_iterator(work.path(), error)) {
      std::string name = PathText(entry.path().filename());
      bool tile = name.rfind("tile-", 0) == 0 && EndsWithIgnoreCase(name, ".mp");
      if (name == kLogConfigName || name == kLinkedMapName || tile || !entry.is_regular_file(error)) continue;
      made.push_back(entry.path());
    }
    std::sort(made.begin(), made.end());
    for (const fs::path& file : made) {
      std::string target = PathText(output / file.filename());
      if (!MoveIntoPlace(PathText(file), target)) {
        ShowWriteFailure(host, target);
        return result;
      }
      result.written.push_back(target);
      images = images || EndsWithIgnoreCase(target, ".img");
    }
  }
  if (run.status == 0 && !images && !errors) {
    LocatedProblem nothing;
    nothing.problem.kind = ProblemKind::kNoImage;
    result.problems.push_back(std::move(nothing));
    errors = true;
  }
  result.status = images && !errors ? OperationStatus::kCompleted : OperationStatus::kFailed;
  host.SetProgressValue(100);
  host.SetPercentCaption("100");
  if (result.status == OperationStatus::kCompleted) host.Beep();
  host.ShowMessage(CompileReport(map, result), TitleText(),
                   result.status == OperationStatus::kCompleted ? MessageIcon::kNone : MessageIcon::kExclamation);
  return result;
}

namespace {

std::string PlaceText(const MapPlace& place) {
  if (place.section == 0) return Ru("строка ") + std::to_string(place.line) + Ru(" (вне секций объектов)");
  return Ru("секция ") + std::to_string(place.section) + " ([" + place.kind + "]), " + Ru("строка ") +
         std::to_string(place.line);
}

}  // namespace

std::string CompileReport(std::string_view map, const CompileResult& result) {
  const std::string br(kLineBreak);
  std::string report;
  std::vector<std::string> images;
  std::string log;
  for (const std::string& file : result.written) {
    if (EndsWithIgnoreCase(file, kMkgmapLogName)) log = file;
    else images.push_back(file);
  }
  if (result.status == OperationStatus::kCompleted) {
    report = Ru("Карта собрана: ");
  } else if (!images.empty()) {
    report = Ru("Карта собрана, но с ошибками: ");
  } else {
    report = Ru("Карта не собрана: ");
  }
  report += std::string(map) + br;
  if (result.tiles > 0) {
    report += Ru("Карта разделена на ") + std::to_string(result.tiles) +
              std::string(PluralForm(result.tiles, Ru(" часть"), Ru(" части"), Ru(" частей"))) + Ru(", mkgmap собирал по ") +
              std::to_string(result.jobs) + Ru(" одновременно; обзорная карта и файл .tdb - для установки на компьютер") +
              br;
  }
  if (!result.problems.empty()) {
    for (const LocatedProblem& located : result.problems) {
      const CompileProblem& problem = located.problem;
      std::string what = problem.level == ProblemLevel::kError   ? Ru("Ошибка")
                         : problem.level == ProblemLevel::kNote ? Ru("Примечание")
                                                                : Ru("Предупреждение");
      std::string explanation = ProblemExplanation(problem);
      std::string said = problem.text.empty() ? std::string() : "mkgmap: " + problem.text;
      std::string details = explanation.empty() ? said : said.empty() ? explanation : explanation + " (" + said + ")";
      if (located.places.empty()) {
        std::string where = problem.has_place ? Ru(" (место в карте не найдено)") : std::string();
        report += "  " + what + ": " + details + where + br;
      }
      for (const MapPlace& place : located.places) {
        report += "  " + what + ", " + PlaceText(place) + ": " + details + br;
      }
      if (located.more_places > 0) {
        report += Ru("  ... и ещё мест: ") + std::to_string(located.more_places) + br;
      }
    }
  }
  if (!images.empty()) report += Ru("Записаны файлы:") + br;
  for (const std::string& image : images) {
    report += "  " + image;
    if (EndsWithIgnoreCase(image, "gmapsupp.img")) {
      report += Ru(" - карта для приёмника: скопируйте её в папку Garmin приёмника или его карты памяти");
    }
    report += br;
  }
  if (images.empty()) report += Ru("Файлы IMG не записаны; прежние файлы в папке результата не тронуты.") + br;
  if (!log.empty()) report += Ru("Журнал mkgmap: ") + log + br;
  while (report.size() >= 2 && report.compare(report.size() - 2, 2, br) == 0) report.resize(report.size() - 2);
  return report;
}

}  // namespace mirvex
