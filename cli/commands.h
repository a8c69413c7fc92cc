// The subcommands of the command line, registered in one table.
#pragma once

#include <string>
#include <vector>

namespace mirvex {

// Exit statuses: the operation ran to its completion message, it stopped on a
// reported failure, or the command line was wrong.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Options common to the commands, parsed from the arguments after the command name.
struct CommandLine {
  std::vector<std::string> positional;         // cp1251, as the program's texts
  std::string home;                            // --home, empty for the default
  std::vector<std::pair<std::string, std::string>> settings;  // --set KEY=VALUE
  std::string output;                          // --output, empty for the default
  bool saved = false;                          // --saved: every saved path triple
  bool quiet = false;
  bool help = false;
};

struct Command {
  const char* name;
  const char* synopsis;
  const char* description;
  int (*run)(const CommandLine& command_line);
};

const std::vector<Command>& Commands();

// Reports a usage error (a UTF-8 text) on standard error and returns kExitUsage.
int UsageError(const std::string& message);

int RunConvert(const CommandLine& command_line);
int RunCrop(const CommandLine& command_line);
int RunTestMap(const CommandLine& command_line);
int RunCompile(const CommandLine& command_line);
int RunBuild(const CommandLine& command_line);

}  // namespace mirvex
