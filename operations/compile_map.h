// Compiling a Garmin text map into the receiver's .img files with mkgmap.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "operations/compile_places.h"
#include "operations/mkgmap_log.h"
#include "operations/options.h"

namespace mirvex {

struct CompileOptions {
  // The mkgmap command (looked up in PATH) or the path of mkgmap.jar (run with
  // `java -jar`); empty for the command "mkgmap".
  std::string mkgmap;
  // Options added after the program's own and before the map, separated by blanks; a
  // part in double quotation marks keeps its blanks.
  std::string extra_options;
  // Where the .img files go; empty for the map's own folder.
  std::string output_folder;
  // 0: a map is tiled when it is big (compile_tiles.h); otherwise any map larger than
  // this many bytes is tiled into tiles of about this size.
  std::uint64_t tile_bytes = 0;
};

struct CompileResult {
  OperationStatus status = OperationStatus::kFailed;
  // The files put into the output folder (.img, .tdb and mkgmap's log), cp1251 paths.
  std::vector<std::string> written;
  std::vector<LocatedProblem> problems;
  // A map compiled as tiles: how many, and how many mkgmap compiled at once; 0 for a
  // map compiled whole.
  int tiles = 0;
  int jobs = 0;
};

// The mkgmap options that come from the map's header: the code page (1251, the text
// of every map Mirvex writes, when the header names none), the map's 8-digit number
// from ID, a family id from ID (the ID itself up to 65535, else its remainder by
// 65536, else mkgmap's 6324), and the family name, series and description from Name
// (the map file's name without its extension when Name is empty).
struct MapIdentity {
  std::string code_page;
  std::string map_number;
  std::string family_id;
  std::string family_name;
};
MapIdentity IdentityFromHeader(std::string_view id, std::string_view name, std::string_view code_page,
                               std::string_view map_file_stem);

// The extra options split as CompileOptions says.
std::vector<std::string> SplitOptions(std::string_view text);

// The name of mkgmap's log kept in the output folder beside the .img files.
inline constexpr char kMkgmapLogName[] = "mkgmap.log";

// Compiles the map with mkgmap into the output folder, with a gmapsupp.img a receiver
// loads directly. mkgmap works in a temporary folder inside the output folder; the
// files it made replace those of the same name only once it has finished, so a
// failed or stopped run leaves the earlier .img files as they were. The map is given
// to mkgmap under a .mp name (linked, or copied, when it has another name, a name
// mkgmap may not read, or a header without CodePage). Coordinates beyond ±90/±180
// degrees, on which mkgmap never finishes, are reported before it runs. The report
// lists the files written or each problem with its section and line; mkgmap missing,
// or Java missing, is reported with what to install. kCompleted when the .img files
// were written and mkgmap reported no error: warnings and notes (messages after which
// the map is whole) are listed in the report of a completed compile.
CompileResult CompileMap(std::string_view map, const CompileOptions& options, Host& host);

// The report of a finished compile as the message shows it.
std::string CompileReport(std::string_view map, const CompileResult& result);

}  // namespace mirvex
