// Reading what mkgmap writes while it compiles a text map: how far it has come, and
// each problem it reports with a hint where in the map the problem lies.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "garmin/map_locator.h"

namespace mirvex {

// What a message means for the map: kError, an object or the whole map is lost; kWarning
// (mkgmap's own warnings) and kNote (a message mkgmap logs as an error after which the
// map is still complete), the map is whole.
enum class ProblemLevel { kError, kWarning, kNote };

// What the problem is, as far as the program can tell it in the user's language.
enum class ProblemKind {
  kOther,             // only mkgmap's own words
  kPointWithoutData,  // a point without coordinates, skipped
  kTypeNotNumber,     // "Type=" is no number
  kInvalidType,       // a type the section's kind cannot carry
  kBrokenCoordinates, // a Data line that is no list of number pairs
  kMapRejected,       // mkgmap gave up on the map without saying why (a bad type, as a rule)
  kMapFailed,         // the same, and the map holds no such type: no guess why
  kMapTooBig,         // a section of the image beyond the size the format allows
  kObjectOutsideMap,  // an object left out as lying outside the map's area
  kObjectsDropped,    // objects left out as too many in one place
  kOverviewResolution,  // the overview's frame of the map written at a coarser resolution
  kOutOfMemory,
  kCoordinateOutOfRange,  // found before mkgmap ran: it never finishes such a map
  kNoImage,               // mkgmap ended without complaint but wrote no .img
  kUnknownCodePage,       // Java has no charset for the map's CodePage
};

struct CompileProblem {
  ProblemLevel level = ProblemLevel::kError;
  ProblemKind kind = ProblemKind::kOther;
  // mkgmap's message (English, cp1251), with the exception it names, if any.
  std::string text;
  // The file mkgmap names before its message (the map, or a tile of it), as written
  // in the log (cp1251); empty when it names none.
  std::string file;
  // Where to look for it in the map; `has_place` false when the message gives nothing
  // to look for.
  bool has_place = false;
  PlaceRequest place;
};

// Fed mkgmap's output a line at a time. The lines are those of mkgmap's log format
// ("2026/12/09 02:50:55 SEVERE (Class): file.mp: message", with or without the date)
// and of its summary; an exception and its stack trace follow the record they belong to.
// An exception that ends mkgmap outside every record ("Exception in thread ...") is an
// error of its own, its stack trace read and not reported. A record's level follows
// what its message does to the map (a table of mkgmap's messages), else the level
// mkgmap gave it; information is not reported. mkgmap's closing "Exiting ..." after a
// reason it logged adds no problem of its own.
class MkgmapLog {
 public:
  void Line(std::string_view line);
  // Closes the record in progress; call once after the last line.
  void Finish();

  // An estimate of the progress from the stages mkgmap announces (0..100), -1 before
  // the first.
  int percent() const { return percent_; }
  const std::vector<CompileProblem>& problems() const { return problems_; }
  // mkgmap's own launcher found no Java.
  bool java_missing() const { return java_missing_; }

 private:
  void StartRecord(ProblemLevel level, std::string_view source, std::string_view message);
  void CloseRecord();

  int percent_ = -1;
  std::vector<CompileProblem> problems_;
  bool java_missing_ = false;
  bool map_failed_ = false;
  // The map's failure is reported: by its own reason, or as rejected.
  bool map_failure_reported_ = false;
  // The error or warning whose exception and stack trace may follow.
  bool record_open_ = false;
  CompileProblem record_;
  bool in_stack_ = false;
};

// The problem in Russian: what is wrong and, when known, what to do.
std::string ProblemExplanation(const CompileProblem& problem);

}  // namespace mirvex
