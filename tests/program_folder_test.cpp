// The user's program folder, made from the shipped files when the program's own folder
// cannot hold its settings.
#include "base/program_folder.h"

#include <gtest/gtest.h>

#include "base/platform.h"
#include "tests/test_support.h"

namespace mirvex::test {
namespace {

namespace fs = std::filesystem;

const char* const kShipped[] = {"mirvex.ini", "config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"};

// Every shipped file reaches a fresh folder, the settings among them: without them
// the window's column numbers start empty and every object of the sample gets the
// default type.
TEST(ProgramFolder, FreshFolderGetsEveryShippedFile) {
  ScratchDir scratch;
  fs::path shipped = scratch.path() / "share";
  fs::create_directories(shipped / "help");
  for (const char* name : kShipped) WriteFile(shipped / name, std::string("shipped ") + name);
  WriteFile(shipped / "help" / "index.html", "help");
  fs::path user = scratch.path() / "user" / "Mirvex";

  ASSERT_TRUE(SeedProgramFolder(PathText(user), PathText(shipped)));
  for (const char* name : kShipped) EXPECT_EQ(ReadFile(user / name), std::string("shipped ") + name) << name;
  EXPECT_EQ(ReadFile(user / "help" / "index.html"), "help");
}

// A file the user already has is kept; only the missing ones are copied.
TEST(ProgramFolder, SeedingKeepsTheUsersFiles) {
  ScratchDir scratch;
  fs::path shipped = scratch.path() / "share";
  fs::create_directories(shipped);
  for (const char* name : kShipped) WriteFile(shipped / name, "shipped");
  fs::path user = scratch.path() / "user";
  fs::create_directories(user);
  WriteFile(user / "mirvex.ini", "[System]\r\nKolSt=7\r\n");
  WriteFile(user / "object.txt", "mine");

  ASSERT_TRUE(SeedProgramFolder(PathText(user), PathText(shipped)));
  EXPECT_EQ(ReadFile(user / "mirvex.ini"), "[System]\r\nKolSt=7\r\n");
  EXPECT_EQ(ReadFile(user / "object.txt"), "mine");
  EXPECT_EQ(ReadFile(user / "config.ini"), "shipped");
}

}  // namespace
}  // namespace mirvex::test
