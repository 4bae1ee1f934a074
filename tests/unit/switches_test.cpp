// The command line of a self-extractor (/S, /D=FOLDER) and the default
// folder the settings end with.  What /S does to a run, and the forms of /D=
// that scripts pass, are end-to-end cases (sfx-silent-*, sfx-destination-*).
#include <string.h>

#include <string>

#include "platform/ansi_text.h"
#include "common/fatal.h"
#include "support/engine_fixture.h"
#include "support/exit_guard.h"
#include "support/test_platform.h"

namespace {

typedef std::basic_string<WCHAR> WideText;

// The command line as GetCommandLineW gives it, from UTF-8.
WideText Wide(const std::string& utf8) {
  WideText wide;
  for (size_t at = 0; at < utf8.size();) {
    char32_t c = 0;
    if (!DecodeUtf8(utf8, at, c)) c = (unsigned char)utf8[at++];
    wide += (WCHAR)c;  // every row stays in the basic plane
  }
  return wide;
}

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
    {"setup.exe /D=C:\\\"Fleet Test\"\\Product", true, false, "C:\\\"Fleet Test\"\\Product"},
    {"setup.exe \"/S\" \"/D=C:\\My Folder\"", true, true, "C:\\My Folder\""},  // quotes end a switch
    // No folder at all (an unset variable in a batch file) is refused.
    {"setup.exe /D=", false, false, ""},
    {"setup.exe /S /D=  \"\" ", false, true, "  \"\" "},
    {"setup.exe /X", false, false, nullptr},
    {"setup.exe /Silent", false, false, nullptr},
    {"setup.exe /D C:\\Out", false, false, nullptr},
    {"setup.exe S", false, false, nullptr},
    {"setup.exe /X /S", false, true, nullptr},  // no box under /S, wherever it stands
};

class SwitchesTest : public EngineTest, public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(SwitchesTest, CommandLineGivesTheSwitches) {
  const SwitchRow& row = GetParam();
  const WideText line = Wide(row.line);
  EXPECT_EQ(ReadSwitches(line.c_str()), row.accepted) << row.line;
  EXPECT_EQ(!!Engine.Silent, row.silent) << row.line;
  if (row.folder)
    EXPECT_TRUE(Engine.FolderSwitch && WideText(Engine.FolderSwitch) == Wide(row.folder)) << row.line;
  else
    EXPECT_EQ(Engine.FolderSwitch, nullptr) << row.line;
  EXPECT_EQ(Engine.ExitCode, row.accepted ? 0u : kExitBadSwitch) << row.line;
  // One box for an unknown switch (under /S the dialogs show none: the
  // end-to-end cases see to that).
  if (!row.silent) {
    EXPECT_EQ(scripted::messages.size(), row.accepted ? 0u : 1u) << row.line;
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, SwitchesTest, ::testing::ValuesIn(kSwitchRows),
                         [](const auto& row) { return RowName(row.index, row.param.line); });

std::string CurrentFolder() {
  std::string s = test_platform::CurrentFolder();
  if (s.back() != '\\') s += '\\';
  return s;
}

struct FolderRow {
  const char* block;     // the block's default folder, "" for none
  const char* line;      // the command line
  const char* expected;  // "*" stands for the current folder with its "\"; nullptr: refused
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
    // Quotes go wherever they stand, as the system's command-line rules drop them.
    {"", "setup.exe /D=D:\\\"Fleet Test\"\\Product", "D:\\Fleet Test\\Product"},
    {"", "setup.exe /D=\"D:\\x\\q1\"\\sub", "D:\\x\\q1\\sub"},
    {"", "setup.exe /D=D:\\Caf\u00e9", "D:\\Caf\xe9"},  // in the page: its byte
    // A folder the ANSI page cannot name exactly ends the run before anything
    // is extracted (nullptr): never a best-fit look-alike ("Lodz").
    {"", "setup.exe /D=D:\\\u0141\u00f3d\u017a", nullptr},
    {"", "setup.exe /S /D=D:\\\u03a9mega", nullptr},
    {"%SFXTEST_GREEK%\\App", "setup.exe", nullptr},
};

class DefaultFolderTest : public EngineTest, public ::testing::WithParamInterface<FolderRow> {};

TEST_P(DefaultFolderTest, SwitchAndBlockGiveTheFolder) {
  const FolderRow& row = GetParam();
  test_platform::SetEnvironment("SFXTEST_ROOT", "D:\\Env Root");
  test_platform::SetEnvironment("SFXTEST_GREEK", "D:\\\u03a9mega");
  test_platform::UseLatinAnsiPage();
  BlockFields block;
  block.folder = row.block;
  const WideText line = Wide(row.line);
  ASSERT_TRUE(ReadSwitches(line.c_str()));
  const std::string sfx = BuildSfx({File("a.txt", "a")}, block);
  if (!row.expected) {
    EXPECT_EXIT((ExpectProcessExit(), LoadSfx(sfx)), ::testing::ExitedWithCode(kExitFolderFailed), "Error 1113");
    return;
  }
  LoadSfx(sfx);
  std::string expected = row.expected;
  if (expected[0] == '*') expected = CurrentFolder() + expected.substr(1);
  EXPECT_TRUE(Engine.SfxSettings.HasDefaultFolder) << row.line;
  EXPECT_EQ(std::string(Engine.SfxSettings.DefaultFolder), expected) << row.block << " | " << row.line;
}

INSTANTIATE_TEST_SUITE_P(Folders, DefaultFolderTest, ::testing::ValuesIn(kFolderRows), [](const auto& row) {
  return RowName(row.index, std::string(row.param.block) + " " + row.param.line);
});

}  // namespace
