// The map header template kept in config.ini.
#pragma once

#include <string>
#include <string_view>

namespace mirvex {

// The template the window starts with before config.ini is read: 21 lines, each
// ended by CR LF (cp1251).
const std::string& BuiltInTemplate();

// folder + separator + "config.ini".
std::string TemplatePath(std::string_view program_folder);

// Reads config.ini line by line, each line followed by CR LF (a final line end does
// not start an empty line); the built-in template when the file cannot be read.
std::string LoadTemplate(std::string_view config_path);

// Writes the template text followed by CR LF, replacing the file only when the whole
// text was written. False on failure.
bool WriteTemplate(std::string_view config_path, std::string_view text);

}  // namespace mirvex
