// Results that cannot be written, and inputs that go away: a write that fails part way
// (a file-size limit in a child process), a result path that is a folder, empty or in
// a missing folder, and an input removed after its existence check. Every operation
// must report the failure, show no completion, keep the earlier result byte for byte
// and leave no temporary file behind.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/platform.h"
#include "dictionary/object_dictionary.h"
#include "operations/crop.h"
#include "operations/test_map.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "tests/conversion_fixture.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

// What an operation returned and showed.
struct Outcome {
  bool succeeded = false;
  int beeps = 0;
  bool progress_shown = false;
  std::vector<RecordedMessage> messages;
};

Outcome FromHost(bool succeeded, const RecordingHost& host) {
  return {succeeded, host.beeps, host.bar_max != 0, host.messages};
}

// The outcome travels from the child as texts with their lengths before them.
void Put(std::string& out, const std::string& text) { out += std::to_string(text.size()) + ':' + text; }

std::string Take(std::string_view& in) {
  std::size_t colon = in.find(':');
  if (colon == std::string_view::npos) return {};
  std::size_t length = std::stoul(std::string(in.substr(0, colon)));
  std::string text(in.substr(colon + 1, length));
  in.remove_prefix(std::min(in.size(), colon + 1 + length));
  return text;
}

std::string Encode(const Outcome& outcome) {
  std::string out;
  Put(out, std::to_string(outcome.succeeded) + std::to_string(outcome.progress_shown));
  Put(out, std::to_string(outcome.beeps));
  for (const RecordedMessage& message : outcome.messages) {
    Put(out, std::to_string(static_cast<int>(message.icon)));
    Put(out, message.title);
    Put(out, message.text);
  }
  return out;
}

Outcome Decode(std::string_view in) {
  Outcome outcome;
  std::string flags = Take(in);
  outcome.succeeded = flags.size() == 2 && flags[0] == '1';
  outcome.progress_shown = flags.size() == 2 && flags[1] == '1';
  outcome.beeps = std::stoi("0" + Take(in));
  while (!in.empty()) {
    auto icon = static_cast<MessageIcon>(std::stoi("0" + Take(in)));
    std::string title = Take(in);
    outcome.messages.push_back({Take(in), title, icon});
  }
  return outcome;
}

// Runs the operation in a child process whose current folder is `folder` (where a
// temporary file for an empty path would go) and whose files may not grow past
// `limit` bytes: a write beyond it fails (SIGXFSZ ignored) instead of ending the
// process. The test process keeps its own limits.
Outcome RunInChild(const fs::path& folder, rlim_t limit, const std::function<Outcome()>& operation) {
  int channel[2];
  if (pipe(channel) != 0) {
    ADD_FAILURE() << "pipe";
    return {};
  }
  pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit file_size{};
    getrlimit(RLIMIT_FSIZE, &file_size);
    file_size.rlim_cur = limit;
    int code = setrlimit(RLIMIT_FSIZE, &file_size) == 0 && chdir(folder.c_str()) == 0 ? 0 : 3;
    std::string bytes = code == 0 ? Encode(operation()) : std::string();
    for (std::size_t at = 0; at < bytes.size();) {
      ssize_t n = write(channel[1], bytes.data() + at, bytes.size() - at);
      if (n <= 0) _exit(4);
      at += static_cast<std::size_t>(n);
    }
    _exit(code);  // no destructor of the test process runs here
  }
  close(channel[1]);
  std::string bytes;
  char chunk[4096];
  for (ssize_t n; (n = read(channel[0], chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<std::size_t>(n));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  return Decode(bytes);
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// One operation: the file it writes, what it needs beside it, and how it runs on a
// target path. `limit` cuts its write part way.
struct Operation {
  const char* name;
  const char* result;
  rlim_t limit;
  void (*prepare)(const ScratchDir& dir);
  Outcome (*run)(const ScratchDir& dir, const std::string& target);
  bool uses_host;
};

void PrintTo(const Operation& operation, std::ostream* out) { *out << operation.name; }

constexpr int kObjects = 20000;  // maps of about 1.5 MB, beyond the 1 MiB write buffer

std::string DictionaryOf(std::initializer_list<const char*> names) {
  std::vector<DictionaryEntry> entries;
  for (const char* name : names) entries.push_back({name, "0x10", "0x2f06", 0});
  return DictionaryBytes(entries);
}

Outcome StoreInDictionary(const std::string& target, const char* name) {
  RecordingHost host;
  ObjectRecord record;
  SetField(record.ObjectName, Ru(name));
  SetField(record.ObjectType, "0x0a");
  record.Level = 3;
  record.Reserved1.fill('r');  // so the bytes written differ all along the record
  return FromHost(StoreObjectRecord(host, target, record) == StoreResult::kStored, host);
}

// Runs an operation and records what it showed.
template <typename Run>
Outcome Recorded(Run run) {
  RecordingHost host;
  return FromHost(run(host), host);
}

// The conversion of map.mif with map.mid (type column 1, label column 2) into `result`.
ConversionPaths ConversionOf(const ScratchDir& dir, const std::string& result) {
  return ConversionPaths{dir.File("map.mif"), dir.File("map.mid"), result};
}
ConversionOptions TwoColumns() {
  ConversionOptions options;
  options.column_count = 2;
  options.type_column = 1;
  options.label_column = 2;
  return options;
}
// North 57, south 55, west 65, east 70.
const CropOptions kCropRectangle{65, 57, 70, 55};

const Operation kOperations[] = {
    {"Conversion", "map.mp", 256 << 10,
     [](const ScratchDir& dir) {
       WriteFile(dir.path() / "object.txt", DictionaryOf({"Неопределенный тип объекта", "Школа"}));
       WriteFile(dir.path() / "map.mif",
                 "Data\r\n\r\n" + Repeat("Point 65.5 57.25\r\n    Symbol (35,0,12)\r\n", kObjects));
       WriteFile(dir.path() / "map.mid", Repeat(Ru("\"Школа\",\"S\"\r\n"), kObjects));
     },
     [](const ScratchDir& dir, const std::string& target) {
       return Recorded([&](Host& host) {
         return Convert(ConversionOf(dir, target), TwoColumns(), dir.File(""), host).status ==
                OperationStatus::kCompleted;
       });
     },
     true},
    {"Crop", "cut.mp", 256 << 10,
     [](const ScratchDir& dir) {
       std::string object = CrLf({"[RGN40]", "Type=0x01", "Data0=(56,66),(56.5,67)", "[END-RGN40]"});
       WriteFile(dir.path() / "map.mp", CrLf({"[IMG ID]", "[END-IMG ID]"}) + Repeat(object, kObjects));
     },
     [](const ScratchDir& dir, const std::string& target) {
       return Recorded([&](Host& host) {
         return CropMap(CropPaths{dir.File("map.mp"), target}, kCropRectangle, dir.File(""), host) ==
                OperationStatus::kCompleted;
       });
     },
     true},
    {"TestMap", "test.mp", 256 << 10, [](const ScratchDir&) {},
     [](const ScratchDir& dir, const std::string& target) {
       return Recorded(
           [&](Host& host) { return WriteTestMap(target, dir.File(""), host) == OperationStatus::kCompleted; });
     },
     true},
    {"Template", "config.ini", 4096, [](const ScratchDir&) {},
     [](const ScratchDir&, const std::string& target) {
       return Outcome{WriteTemplate(target, Repeat("Level0=22\r\n", 1000)), 0, false, {}};
     },
     false},
    // WriteSetting is this write on the program folder's mirvex.ini.
    {"Setting", "mirvex.ini", 4096, [](const ScratchDir&) {},
     [](const ScratchDir&, const std::string& target) {
       return Outcome{WritePrivateProfile(target, "System", "KolSt", "7"), 0, false, {}};
     },
     false},
    // Three records; the new one would be the fourth, cut 100 bytes in.
    {"DictionaryNewRecord", "object.txt", 3 * kRecordLength + 100, [](const ScratchDir&) {},
     [](const ScratchDir&, const std::string& target) { return StoreInDictionary(target, "Река"); }, true},
    // The second record rewritten in place, cut 253 bytes in.
    {"DictionaryRecordInPlace", "object.txt", 800, [](const ScratchDir&) {},
     [](const ScratchDir&, const std::string& target) { return StoreInDictionary(target, "Школа"); }, true},
};

// The earlier result: a dictionary of three records, for the others text a parser
// would accept.
std::string EarlierResult(const Operation& operation) {
  if (std::string(operation.result) == "object.txt") return DictionaryOf({"Дорога", "Школа", "Озеро"});
  if (std::string(operation.result) == "mirvex.ini") {
    return "[System]\r\n" + Repeat("PathEdit1=C:\\maps\\a.mp\r\n", 400);
  }
  return "earlier result\r\n";
}

void ExpectFailureReported(const Operation& operation, const Outcome& outcome, const std::string& target) {
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_EQ(outcome.beeps, 0);
  for (const RecordedMessage& message : outcome.messages) {
    EXPECT_NE(message.icon, MessageIcon::kNone) << "completion shown: " << Cp1251ToUtf8(message.text);
  }
  if (!operation.uses_host) return;
  ASSERT_FALSE(outcome.messages.empty());
  EXPECT_EQ(outcome.messages.back().icon, MessageIcon::kExclamation);
  const std::string& text = outcome.messages.back().text;
  EXPECT_NE(text.find(target), std::string::npos) << Cp1251ToUtf8(text);
}

class WriteFault : public testing::TestWithParam<Operation> {};

TEST_P(WriteFault, FailingPartWayKeepsTheEarlierResultAndNoTemporaryFile) {
  const Operation& operation = GetParam();
  ScratchDir dir;
  operation.prepare(dir);
  const std::string target = dir.File(operation.result);
  const std::string earlier = EarlierResult(operation);
  WriteFile(target, earlier);
  const std::set<std::string> before = Names(dir.path());

  Outcome outcome = RunInChild(dir.path(), operation.limit, [&] { return operation.run(dir, target); });
  ExpectFailureReported(operation, outcome, target);
  if (operation.uses_host && !outcome.messages.empty()) {
    EXPECT_NE(outcome.messages.back().text.find(Ru("Прежний файл оставлен без изменений.")), std::string::npos)
        << Cp1251ToUtf8(outcome.messages.back().text);
  }
  EXPECT_EQ(ReadFile(target), earlier);
  EXPECT_EQ(Names(dir.path()), before);

  // The same operation without the limit succeeds: the limit was the only obstacle.
  EXPECT_TRUE(RunInChild(dir.path(), RLIM_INFINITY, [&] { return operation.run(dir, target); }).succeeded);
  EXPECT_NE(ReadFile(target), earlier);
}

// A target that cannot be a result: it is refused before any input is read, and
// nothing appears in its folder, in the current folder or in its place.
TEST_P(WriteFault, UnusableTargetIsRefusedAndNothingIsCreated) {
  const Operation& operation = GetParam();
  struct Target {
    const char* what;
    std::string path;
  };
  ScratchDir dir;
  operation.prepare(dir);
  const std::string earlier = EarlierResult(operation);
  WriteFile(dir.File(operation.result), earlier);
  fs::create_directory(dir.path() / "folder");
  const std::set<std::string> before = Names(dir.path());
  for (const Target& target : {Target{"a folder", dir.File("folder")}, Target{"an empty path", ""},
                               Target{"a missing folder", dir.File("absent") + "/" + operation.result}}) {
    SCOPED_TRACE(target.what);
    Outcome outcome = RunInChild(dir.path(), RLIM_INFINITY, [&] { return operation.run(dir, target.path); });
    ExpectFailureReported(operation, outcome, target.path);
    EXPECT_FALSE(outcome.progress_shown);
    EXPECT_EQ(Names(dir.path()), before);
    EXPECT_TRUE(fs::is_empty(dir.path() / "folder"));
    EXPECT_EQ(ReadFile(dir.File(operation.result)), earlier);
  }
}

// A result that is a link to a file kept elsewhere: the file it points to gets the
// result and the link stays a link.
TEST_P(WriteFault, LinkedTargetIsWrittenWhereTheLinkPoints) {
  const Operation& operation = GetParam();
  ScratchDir dir;
  operation.prepare(dir);
  fs::create_directory(dir.path() / "elsewhere");
  const fs::path linked = dir.path() / "elsewhere" / operation.result;
  const std::string earlier = EarlierResult(operation);
  WriteFile(linked, earlier);
  fs::create_symlink(linked, dir.path() / operation.result);

  EXPECT_TRUE(operation.run(dir, dir.File(operation.result)).succeeded);
  EXPECT_TRUE(fs::is_symlink(dir.path() / operation.result));
  EXPECT_NE(ReadFile(linked), earlier);
  EXPECT_EQ(Names(dir.path() / "elsewhere"), (std::set<std::string>{operation.result}));
}

INSTANTIATE_TEST_SUITE_P(Operations, WriteFault, testing::ValuesIn(kOperations),
                         [](const testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

// A host that removes a file at its first message: the conversion reports a missing
// dictionary after it checked that its inputs exist and before it opens them.
class VanishingInput : public RecordingHost {
 public:
  explicit VanishingInput(fs::path victim) : victim_(std::move(victim)) {}
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    if (!fired_) fs::remove(victim_);
    fired_ = true;
    RecordingHost::ShowMessage(text, title, icon);
  }
  bool fired() const { return fired_; }

 private:
  fs::path victim_;
  bool fired_ = false;
};

TEST(InputVanishes, AfterTheExistenceCheckIsReportedAsMissing) {
  const Operation& conversion = kOperations[0];
  for (const char* victim : {"map.mif", "map.mid"}) {
    SCOPED_TRACE(victim);
    ScratchDir dir;
    conversion.prepare(dir);
    fs::remove(dir.path() / "object.txt");
    std::set<std::string> after = Names(dir.path());
    after.erase(victim);
    VanishingInput host(dir.path() / victim);
    ConversionOptions options = TwoColumns();
    options.section_from_mif = true;  // so the run goes on without the dictionary
    bool completed =
        Convert(ConversionOf(dir, dir.File("result.mp")), options, dir.File(""), host).status ==
        OperationStatus::kCompleted;
    ASSERT_TRUE(host.fired());
    EXPECT_FALSE(completed);
    ASSERT_EQ(host.messages.size(), 2u);  // the dictionary, then the input
    EXPECT_EQ(host.messages[1].text, Ru("Файл не найден") + "\r\n" + dir.File(victim));
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(Names(dir.path()), after);
  }
}

// A host whose user asks the running operation to stop.
class StoppingHost : public RecordingHost {
 public:
  bool StopRequested() override { return true; }
};

// A run the user stops leaves the earlier result as it was, removes its temporary file
// and shows nothing: no failure message, no completion, no beep.
TEST(StopRequested, EndsTheRunAndKeepsTheEarlierResult) {
  for (bool crop : {false, true}) {
    SCOPED_TRACE(crop ? "crop" : "conversion");
    ScratchDir dir;
    (crop ? kOperations[1] : kOperations[0]).prepare(dir);
    WriteFile(dir.path() / "result.mp", "earlier result\r\n");
    const std::set<std::string> before = Names(dir.path());
    StoppingHost host;
    OperationStatus status =
        crop ? CropMap(CropPaths{dir.File("map.mp"), dir.File("result.mp")}, kCropRectangle, dir.File(""), host)
             : Convert(ConversionOf(dir, dir.File("result.mp")), TwoColumns(), dir.File(""), host).status;
    EXPECT_EQ(status, OperationStatus::kStopped);
    EXPECT_EQ(ReadFile(dir.path() / "result.mp"), "earlier result\r\n");
    EXPECT_EQ(Names(dir.path()), before);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.beeps, 0);
  }
}

TEST(ProgramFileAsResult, IsRefusedBeforeAnythingIsWritten) {
  for (const Operation& operation : {kOperations[0], kOperations[1], kOperations[2]}) {
    for (const char* name : {"object.txt", "mirvex.ini", "config.ini", "point.dat"}) {
      SCOPED_TRACE(std::string(operation.name) + " -> " + name);
      ScratchDir dir;
      operation.prepare(dir);
      if (!fs::exists(dir.path() / name)) WriteFile(dir.path() / name, "program file\r\n");
      const std::string bytes = ReadFile(dir.path() / name);
      const std::set<std::string> before = Names(dir.path());
      Outcome outcome = operation.run(dir, dir.File(name));
      ExpectFailureReported(operation, outcome, dir.File(name));
      EXPECT_NE(outcome.messages.back().text.find(Ru("файл самой программы")), std::string::npos);
      EXPECT_FALSE(outcome.progress_shown);
      EXPECT_EQ(ReadFile(dir.path() / name), bytes);
      EXPECT_EQ(Names(dir.path()), before);
    }
  }
}

// A run ended by a signal while its result is half written: the temporary file goes,
// the earlier result stays, and the program ends by that signal.
TEST(Interrupted, RunRemovesItsTemporaryFileAndEndsByTheSignal) {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    ScratchDir dir;
    WriteFile(dir.path() / "result.mp", "earlier result\r\n");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemoveTempFilesOnInterrupt();
      ResultFile result;
      if (!result.Open(dir.File("result.mp"))) _exit(3);
      result.Write(std::string(3 << 20, 'x'));  // past the buffer: bytes on disk
      raise(signal_number);
      _exit(4);  // never reached
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"result.mp"}));
    EXPECT_EQ(ReadFile(dir.path() / "result.mp"), "earlier result\r\n");
  }
}

// /proc/self/mem opens like a file, but reading it from its start fails (EIO): an
// input on a medium that stops answering part way.
TEST(InputReadError, IsReportedAndTheEarlierResultStays) {
  const std::string kUnreadableInput = "/proc/self/mem";
  struct Case {
    const char* name;
    std::string ConversionPaths::*input;  // the input that fails; none: the map to crop
  };
  for (const Case& c : {Case{"MIF", &ConversionPaths::mif}, Case{"MID", &ConversionPaths::mid},
                        Case{"map to crop", nullptr}}) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    (c.input ? kOperations[0] : kOperations[1]).prepare(dir);
    WriteFile(dir.path() / "result.mp", "earlier result\r\n");
    const std::set<std::string> before = Names(dir.path());
    RecordingHost host;
    bool completed = false;
    if (c.input) {
      ConversionPaths paths = ConversionOf(dir, dir.File("result.mp"));
      paths.*c.input = kUnreadableInput;
      ConversionOptions options = TwoColumns();
      options.section_from_mif = true;
      completed = Convert(paths, options, dir.File(""), host).status == OperationStatus::kCompleted;
    } else {
      CropPaths paths{kUnreadableInput, dir.File("result.mp")};
      completed = CropMap(paths, kCropRectangle, dir.File(""), host) == OperationStatus::kCompleted;
    }
    EXPECT_FALSE(completed);
    EXPECT_EQ(host.beeps, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find(Ru("Не удалось прочитать файл до конца")), std::string::npos);
    EXPECT_NE(host.messages[0].text.find(kUnreadableInput), std::string::npos);
    EXPECT_EQ(ReadFile(dir.path() / "result.mp"), "earlier result\r\n");
    EXPECT_EQ(Names(dir.path()), before);
  }
}

}  // namespace
}  // namespace mirvex::test
