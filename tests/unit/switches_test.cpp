// The command line of a self-extractor (/S, /D=FOLDER) and the default
// folder the settings end with.  What /S does to a run, and the forms of /D=
// that scripts pass, are end-to-end cases (sfx-silent-*, sfx-destination-*).
#include <string.h>

#include "support/engine_fixture.h"
#include "support/test_platform.h"

namespace {

struct SwitchRow {
  const char* line;
  bool accepted;
  bool silent;
  const char* folder;  // what follows "/D=", nullptr for none
};

const SwitchRow kSwitchRows[] = {
    {"setup.exe", true, false, nullptr},
    {"\"C:\\My Downloads\\setup.exe\"", true, false, nullptr},
    {"\"C:\\My Downloads\\setup.exe\" /S", true, true, nullptr},
    {"setup.exe\t/S  ", true, true, nullptr},
    {"setup.exe /S /D=C:\\Program Files\\App", true, true, "C:\\Program Files\\App"},
    {"setup.exe /d=C:\\Out /S", true, false, "C:\\Out /S"},  // /D= takes the rest
    {"setup.exe /D=", true, false, ""},
    {"setup.exe /X", false, false, nullptr},
    {"setup.exe /Silent", false, false, nullptr},
    {"setup.exe /D C:\\Out", false, false, nullptr},
    {"setup.exe S", false, false, nullptr},
    {"setup.exe /X /S", false, true, nullptr},  // no box under /S, wherever it stands
};

class SwitchesTest : public EngineTest, public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(SwitchesTest, CommandLineGivesTheSwitches) {
  const SwitchRow& row = GetParam();
  EXPECT_EQ(ReadSwitches(row.line), row.accepted) << row.line;
  EXPECT_EQ(!!Engine.Silent, row.silent) << row.line;
  if (row.folder)
    EXPECT_STREQ(Engine.FolderSwitch, row.folder) << row.line;
  else
    EXPECT_EQ(Engine.FolderSwitch, nullptr) << row.line;
  EXPECT_EQ(Engine.ExitCode, row.accepted ? 0u : kExitBadSwitch) << row.line;
  // One box for an unknown switch (under /S the dialogs show none: the
  // end-to-end cases see to that).
  if (!row.silent) {
    EXPECT_EQ(scripted::messages.size(), row.accepted ? 0u : 1u) << row.line;
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, SwitchesTest, ::testing::ValuesIn(kSwitchRows));

std::string CurrentFolder() {
  std::string s = test_platform::CurrentFolder();
  if (s.back() != '\\') s += '\\';
  return s;
}

struct FolderRow {
  const char* block;     // the block's default folder, "" for none
  const char* line;      // the command line
  const char* expected;  // "*" stands for the current folder with its "\"
};

const FolderRow kFolderRows[] = {
    {"C:\\Program Files\\App", "setup.exe", "C:\\Program Files\\App"},
    {"", "setup.exe /S /D=\"D:\\With Blanks\"", "D:\\With Blanks"},
    {"", "setup.exe /D=D:\\Trailing Blanks  ", "D:\\Trailing Blanks"},
    {"", "setup.exe /D=D:\\a\\..\\b\\.\\c", "D:\\b\\c"},
    {"MyApp", "setup.exe", "*MyApp"},
    {"><sub", "setup.exe", "*><sub"},  // only "><" alone is the temporary folder
    {"%SFXTEST_ROOT%\\App", "setup.exe", "D:\\Env Root\\App"},
    {"", "setup.exe /D=%SFXTEST_ROOT%\\App", "D:\\Env Root\\App"},
    {"%SFXTEST_UNSET%\\App", "setup.exe", "*%SFXTEST_UNSET%\\App"},
    {"C:\\Block", "setup.exe /D=", ""},  // an empty folder: the current folder at Extract
};

class DefaultFolderTest : public EngineTest, public ::testing::WithParamInterface<FolderRow> {};

TEST_P(DefaultFolderTest, SwitchAndBlockGiveTheFolder) {
  const FolderRow& row = GetParam();
  test_platform::SetEnvironment("SFXTEST_ROOT", "D:\\Env Root");
  BlockFields block;
  block.folder = row.block;
  ASSERT_TRUE(ReadSwitches(row.line));
  LoadSfx(BuildSfx({File("a.txt", "a")}, block));
  std::string expected = row.expected;
  if (expected[0] == '*') expected = CurrentFolder() + expected.substr(1);
  EXPECT_TRUE(Engine.SfxSettings.HasDefaultFolder) << row.line;
  EXPECT_EQ(std::string(Engine.SfxSettings.DefaultFolder), expected) << row.block << " | " << row.line;
}

INSTANTIATE_TEST_SUITE_P(Folders, DefaultFolderTest, ::testing::ValuesIn(kFolderRows));

}  // namespace
