// Where the program keeps its settings, template and dictionary.
#pragma once

#include <string>
#include <string_view>

namespace mirvex {

// The program folder (cp1251, no trailing separator). Beside the executable when the
// program runs from its own folder (a portable folder, the build tree) and that folder
// can be written; for an installed program (the executable in a "bin" folder next to
// "share/mirvex"), or an unwritable folder, the user's data folder
// ($XDG_DATA_HOME/mirvex, else ~/.local/share/mirvex). That folder is created and
// seeded with the shipped files it lacks; an existing file is never overwritten.
// `name_fits` (when given) tells whether the folder's name can be held in the
// program's cp1251 texts; when it cannot, the text returned names another folder.
std::string ProgramFolder(bool* name_fits = nullptr);

// The message for a program folder whose name does not fit (ProgramFolder's
// `name_fits` false), with the folder's text.
std::string ProgramFolderNameMessage(const std::string& folder);

// The folder of the shipped read-only files: share/mirvex of an installed program,
// else the executable's own folder.
std::string ShippedDataFolder();

// Copies each shipped file (mirvex.ini, config.ini, object.txt, the catalogues, the
// help) that `folder` lacks from `shipped`. Returns false when the folder cannot be made.
bool SeedProgramFolder(const std::string& folder, const std::string& shipped);

// True when `path` names one of the program folder's own files (its settings, the
// header template, the dictionary or a type catalogue), however spelled.
bool IsProgramFile(std::string_view program_prefix, std::string_view path);

}  // namespace mirvex
