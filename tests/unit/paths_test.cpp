// Path strings and folders.
#include <gtest/gtest.h>

#include <string.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <string>

#include "extract/paths.h"
#include "support/exit_guard.h"
#include "support/test_files.h"
#include "support/test_platform.h"

namespace {

std::string Parent(const char* path) {
  char out[MAX_PATH + 1];
  return ParentFolder(path, out);
}

std::string NamePart(const char* path) {
  char out[256];
  return FileNamePart(path, out);
}

TEST(PathTextTest, ParentFolderExamples) {
  const struct {
    const char* path;
    const char* parent;
  } kRows[] = {
      {"C:\\dest\\sub\\file.txt", "C:\\dest\\sub"},
      {"C:\\file.txt", "C:\\"},
      {"C:\\dest\\", "C:\\dest"},
      {"C:file", "C:"},
      {"file.txt", ""},
      {"\\\\server\\share\\file", "\\\\server\\share"},
      {"C:\\", "C:\\"},
      {"docs/readme.txt", "docs"},
      {"a/b\\c", "a/b"},
      {"ab\\x", "ab"},  // a two-character first part is no drive
  };
  for (const auto& row : kRows) EXPECT_EQ(Parent(row.path), row.parent) << row.path;
}

TEST(PathTextTest, FileNamePartExamples) {
  EXPECT_EQ(NamePart("docs/readme.txt"), "readme.txt");
  EXPECT_EQ(NamePart("C:\\dest\\sub\\file.txt"), "file.txt");
  EXPECT_EQ(NamePart("C:file"), "file");
  EXPECT_EQ(NamePart("plain"), "plain");
  EXPECT_EQ(NamePart("C:\\dest\\"), "");
  // At most 255 characters.
  std::string longName(300, 'n');
  EXPECT_EQ(NamePart(("C:\\" + longName).c_str()), std::string(255, 'n'));
}

TEST(PathTextTest, TrailingBackslashes) {
  char text[16] = "C:\\dest";
  EXPECT_STREQ(AddTrailingBackslash(text), "C:\\dest\\");
  EXPECT_STREQ(AddTrailingBackslash(text), "C:\\dest\\");
  strcpy(text, "C:\\a\\\\");
  EXPECT_STREQ(RemoveTrailingBackslash(text), "C:\\a\\");  // one only
  EXPECT_STREQ(RemoveTrailingBackslash(text), "C:\\a");
  EXPECT_STREQ(RemoveTrailingBackslash(text), "C:\\a");
  strcpy(text, "");
  EXPECT_STREQ(AddTrailingBackslash(text), "\\");
  strcpy(text, "");
  EXPECT_STREQ(RemoveTrailingBackslash(text), "");
}

TEST(PathTextTest, BufferToStringStopsAtNulOrLength) {
  char out[16];
  EXPECT_STREQ(BufferToString("name\0rest", 9, out), "name");
  EXPECT_STREQ(BufferToString("abcdef", 3, out), "abc");
  EXPECT_STREQ(BufferToString("\0abc", 4, out), "");
  EXPECT_STREQ(BufferToString("abc", 0, out), "");
}

// Cut to the capacity, terminator included; the byte past it is a guard.
TEST(PathTextTest, AppendTextStaysInsideItsCapacity) {
  char text[9];
  memset(text, '#', sizeof text);
  EXPECT_EQ(AppendText(text, 0, 8, "abc"), 3);
  EXPECT_EQ(AppendText(text, 3, 8, "defghijk"), 7);
  EXPECT_STREQ(text, "abcdefg");
  EXPECT_EQ(text[8], '#');
}

TEST(PathTextTest, SlashesOfTheWholeTextAndLength) {
  std::string path = "a/" + std::string(300, 'x') + "/b";
  std::vector<char> text(path.begin(), path.end());
  text.push_back(0);
  SlashesToBackslashes(text.data());
  EXPECT_EQ(std::string(text.data()), "a\\" + std::string(300, 'x') + "\\b");
  EXPECT_EQ(StrLength(text.data()), 304);
  EXPECT_EQ(StrLength(""), 0);
}

class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_platform::Reset();
    GuardProcessExit();
  }
  std::string Win(const std::string& rel) { return temp.Win(rel); }
  TempFolder temp;
};

TEST_F(FolderTest, PathExistsForFilesAndFolders) {
  temp.Write("dest/file.txt", "x");
  char folder[MAX_PATH];
  strcpy(folder, (Win("dest") + "\\").c_str());
  EXPECT_TRUE(PathExists(folder));
  std::string slashed = Win("dest") + "/";
  strcpy(folder, slashed.c_str());
  EXPECT_FALSE(PathExists(folder));  // a trailing "/" is no folder search...
  EXPECT_EQ(std::string(folder), Win("dest") + "\\");  // ...and the text has changed
  strcpy(folder, (Win("dest") + "/file.txt").c_str());
  EXPECT_TRUE(PathExists(folder));
  EXPECT_EQ(std::string(folder), Win("dest") + "\\file.txt");
  strcpy(folder, Win("dest/missing.txt").c_str());
  EXPECT_FALSE(PathExists(folder));
  strcpy(folder, "");
  EXPECT_FALSE(PathExists(folder));
}

// The outcomes of a directory search, whatever call the test makes: a path
// ending in "\" exists only as a folder and keeps its "/"; any other path has
// its "/" turned into "\" and then exists as a file or a folder, unless it
// ends in "\"; wildcards match in the last component only.
TEST_F(FolderTest, PathExistsRules) {
  temp.Write("dest/file.txt", "x");
  temp.MakeFolder("dest/sub");
  const struct {
    const char* suffix;  // appended to the folder dest
    bool exists;
    const char* after;   // the text afterwards, when it changes
  } kRows[] = {
      {"", true, nullptr},
      {"/sub\\", true, nullptr},
      {"\\sub/", false, "\\sub\\"},
      {"\\file.txt\\", false, nullptr},
      {"\\file.txt/", false, "\\file.txt\\"},
      {"\\missing\\", false, nullptr},
      {"\\fi*", true, nullptr},
      {"/fil?.txt", true, "\\fil?.txt"},
      {"\\zz*", false, nullptr},
      {"*\\file.txt", false, nullptr},
      {"\\su*\\", false, nullptr},
  };
  for (const auto& row : kRows) {
    std::string given = Win("dest") + row.suffix;
    char path[MAX_PATH];
    strcpy(path, given.c_str());
    EXPECT_EQ(PathExists(path), row.exists) << given;
    EXPECT_EQ(std::string(path), row.after ? Win("dest") + row.after : given) << given;
  }
}

TEST_F(FolderTest, CreateFolderPathMakesParentsTopDown) {
  std::string target = Win("a") + "\\b\\c\\";
  CreateFolderPath(target.c_str());
  EXPECT_TRUE(temp.IsFolder("a"));
  EXPECT_TRUE(temp.IsFolder("a/b"));
  EXPECT_TRUE(temp.IsFolder("a/b/c"));
  // An existing folder and a second call change nothing.
  CreateFolderPath(target.c_str());
  EXPECT_EQ(temp.Tree(), (std::vector<std::string>{"a/", "a/b/", "a/b/c/"}));
}

// A drive, its root and the empty path are never made: no fatal report
// (the exit guard fails the test), and nothing appears on the drive.
TEST_F(FolderTest, CreateFolderPathLeavesDrivesAlone) {
  test_platform::MapDrive('C', temp.Native(""));
  CreateFolderPath("C:");
  CreateFolderPath("C:\\");
  CreateFolderPath("");
  EXPECT_TRUE(temp.Tree().empty());
}

using FolderDeathTest = FolderTest;

TEST_F(FolderDeathTest, FileInTheWayEndsWithTheFatalReport) {
  temp.Write("a", "a file where a folder is wanted");
  std::string target = Win("a") + "\\b";
  // Windows reports ERROR_PATH_NOT_FOUND (3) for a folder below a file.
  EXPECT_EXIT((ExpectProcessExit(), CreateFolderPath(target.c_str())), ::testing::ExitedWithCode(3), "Error: Error 3");
}

TEST_F(FolderDeathTest, PathWithoutAShorterParentFailsInsteadOfRecursing) {
  // "a:b" is its own parent: it must end with the report, not overflow the stack.
  auto endsWithReport = [](int status) {
#ifdef _WIN32
    return status != 0 && status != (int)0xC00000FD;  // not a stack overflow
#else
    return WIFEXITED(status) && WEXITSTATUS(status) != 0;
#endif
  };
  EXPECT_EXIT((ExpectProcessExit(), CreateFolderPath("a:b")), endsWithReport, "Error: Error ");
}

}  // namespace
