// Entry names from an untrusted archive never write outside the destination
// folder, never open a device or a stream, never overrun a buffer.
#include <stddef.h>
#include <string.h>

#include "extract/device_names.h"
#include "support/engine_fixture.h"
#include "support/test_platform.h"

namespace {

TEST(EntryNameTest, RefusedNames) {
  const char* kRefused[] = {
      "../escape.txt", "a/../../escape.txt", "a\\..\\..\\escape.txt", "..", "a/..", "a/.../b",
      "a/ ../b", "a/. ./b", "...", " ", "/etc/passwd", "\\windows\\win.ini", "C:evil.txt",
      "C:\\evil.txt", "file.txt:stream", "a/b:c/d", "CON", "con.txt", "Con .txt", "nul", "NUL.tar.gz",
      "aux", "prn.log", "COM1", "com9.txt", "LPT1", "lpt5.x", "conin$", "CONOUT$.txt", "dir/CON/x",
      "COM0", "lpt0.txt", "COM\xB9", "com\xB2.log", "LPT\xB3", "x/Lpt\xB9 .a/y",
      "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\there", "bell\x07"};
  for (const char* name : kRefused) EXPECT_NE(EntryNameFault(name), kNameSafe) << name;
}

TEST(EntryNameTest, AcceptedNames) {
  const char* kAccepted[] = {"readme.txt", "docs/", "docs/guide/intro.txt", "bin\\tool.exe", "./a.txt",
                             "a/./b", ".hidden", "a..b", "..a", "a..", "console.txt", "COM10",
                             "LPT\xB9" "0", "COM\xB4", "com", "nul_device", "conin", "x/aux1/y", "grüße.txt",
                             "\x95\x5C.txt", "name with spaces", "a//b"};
  for (const char* name : kAccepted) EXPECT_EQ(EntryNameFault(name), kNameSafe) << name;
}

TEST(DeviceNameTest, OnlyThePartBeforeTheFirstDotCountsWithoutCase) {
  struct Row {
    const char* component;
    int length;
    bool reserved;
  };
  const Row rows[] = {
      {"con", 3, true},        {"CONIN$", 6, true},    {"conout$.x", 9, true}, {"COM7  .txt", 10, true},
      {"lpt\xB2", 4, true},    {"COM1/x", 4, true},     {"COM1/x", 6, false},    {"CON", 2, false},
      {"CONIN", 5, false},     {"conout$x", 8, false}, {" CON", 4, false},      {"COMA", 4, false},
      {"", 0, false},          {"LPT\xB1", 4, false},  {"NUL..", 5, true},      {"AUX1", 4, false},
  };
  for (const Row& row : rows) EXPECT_EQ(IsReservedDeviceName(row.component, row.length), row.reserved) << row.component;
}

using WalkSafetyTest = EngineTest;

TEST_F(WalkSafetyTest, RefusedNamesWriteNothingStaySelectedAndTheWalkGoesOn) {
  LoadSfx(BuildSfx({File("../escape.txt", "bad"), File("ok1.txt", "1"), File("C:\\evil.txt", "bad"),
                    File("sub/../../up.txt", "bad"), File("CON", "bad"), File("ok2.txt", "2")},
                   BlockFields()));
  ExtractAll();
  EXPECT_EQ(temp.Tree(), (std::vector<std::string>{"out/", "out/ok1.txt", "out/ok2.txt", "sfx.exe"}));
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST),
            (std::vector<std::string>{"../escape.txt", "C:\\evil.txt", "CON", "sub/../../up.txt"}));
  std::vector<RecordedMessage> expected = {
      {"Cannot open file ...", "../escape.txt", 0x10}, {"Cannot open file ...", "C:\\evil.txt", 0x10},
      {"Cannot open file ...", "sub/../../up.txt", 0x10}, {"Cannot open file ...", "CON", 0x10}, kSomeFailed};
  EXPECT_EQ(scripted::messages, expected) << scripted::MessageLog();
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

TEST_F(WalkSafetyTest, RefusedEncryptedNameAsksForNoPassword) {
  ZipEntry e = File("../secret.txt", "s");
  e.password = "pw";
  LoadSfx(BuildSfx({e}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 0);
  EXPECT_EQ(scripted::messages.back(), kSomeFailed);
}

TEST_F(WalkSafetyTest, NameLongerThanItsBufferIsListedCutAndRefused) {
  std::string longName = std::string(300, 'n') + ".txt";
  LoadSfx(BuildSfx({File(longName, "long"), File("short.txt", "s")}, BlockFields()));
  std::vector<std::string> items = ListEntries();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], std::string(kLongestEntryName, 'n'));
  EXPECT_EQ(items[1], "short.txt");
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain();
  EXPECT_EQ(Out("short.txt"), "s");
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), std::vector<std::string>{std::string(kLongestEntryName, 'n')});
  EXPECT_EQ(scripted::messages.back(), kSomeFailed);
}

TEST_F(WalkSafetyTest, OutputPathLongerThanThePlatformTakesIsRefused) {
  // Folder + "\" + name must stay within 259 characters.
  std::string folder = temp.Win("out");
  std::string fits(259 - folder.size() - 1, 'f');
  std::string tooLong = "l/" + std::string(260 - folder.size() - 3, 'l');
  LoadSfx(BuildSfx({File(fits, "fits"), File(tooLong, "too long")}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(Out(fits), "fits");
  EXPECT_FALSE(temp.Exists("out/l"));  // refused before its folder is made
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), std::vector<std::string>{tooLong});
}

// At a drive root, the shortest destination, a name of kLongestEntryName
// bytes makes a path of 259 characters; one byte more is refused, never
// written under the name cut to its buffer.  Host only: the drive root is the
// stand-in's mapping of a letter to the test's folder; under Windows a test
// has no drive root of its own to write to.
TEST_F(WalkSafetyTest, LongestNameAtADriveRoot) {
  SKIP_UNLESS_OBSERVABLE();
  std::string fits = "d/" + std::string(kLongestEntryName - 2, 'f');
  std::string over = "e/" + std::string(kLongestEntryName - 1, 'o');
  LoadSfx(BuildSfx({File(fits, "fits"), File(over, "over")}, BlockFields()));
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  temp.MakeFolder("root");
  test_platform::MapDrive('C', temp.Native("root"));
  strcpy(Engine.DestFolder, "C:\\");
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  EXPECT_EQ(temp.Read("root/" + fits), "fits");
  EXPECT_FALSE(temp.Exists("root/e"));
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), std::vector<std::string>{over.substr(0, kLongestEntryName)});
}

// A destination of 261 characters fills its buffer but for the terminator:
// no path fits below it, and nothing is written past the buffer.
TEST_F(WalkSafetyTest, DestinationFillingItsBufferRefusesEveryEntry) {
  LoadSfx(BuildSfx({File("a.txt", "a")}, BlockFields()));
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  std::string dest = temp.Win("out") + "\\";
  dest += std::string(kDestFolderSize - 1 - dest.size(), 'd');
  strcpy(Engine.DestFolder, dest.c_str());
  // The byte behind the buffer, read and written as part of the engine's object.
  static_assert(offsetof(EngineState, DestFolder) + kDestFolderSize < sizeof(EngineState), "a byte behind");
  uint8_t& behind = ((uint8_t*)&Engine)[offsetof(EngineState, DestFolder) + kDestFolderSize];
  const uint8_t before = behind ^ 0x5A;
  behind = before;
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  EXPECT_EQ(behind, before);
  EXPECT_EQ(temp.Tree(), std::vector<std::string>{"sfx.exe"});
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), std::vector<std::string>{"a.txt"});
}

TEST_F(WalkSafetyTest, FolderDeeperThanCanBeMadeRefusesThatEntryOnly) {
  // A folder path beyond 247 characters cannot be created by the platform;
  // the entry is refused instead of ending the program.
  std::string folder = temp.Win("out");
  std::string deep(248 - folder.size() - 1, 'd');
  std::string deepest(247 - folder.size() - 1, 'e');  // exactly the longest
  LoadSfx(BuildSfx({File(deep + "/x", "x"), File(deepest + "/x", "x"), File("after.txt", "a")},
                   BlockFields()));
  ExtractAll();
  EXPECT_EQ(Out("after.txt"), "a");
  EXPECT_EQ(Out(deepest + "/x"), "x");
  EXPECT_FALSE(temp.Exists("out/" + deep));
  ASSERT_GE(scripted::messages.size(), 2u);
  EXPECT_EQ(scripted::messages[0].caption, "Error in directory ...");
  EXPECT_EQ(scripted::messages.back(), kSomeFailed);
}

TEST_F(WalkSafetyTest, DotComponentsThatStayInsideAreExtracted) {
  LoadSfx(BuildSfx({File("./a.txt", "a"), File("sub/./b.txt", "b"), File(".hidden", "h")}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(Out("a.txt"), "a");
  EXPECT_EQ(Out("sub/b.txt"), "b");
  EXPECT_EQ(Out(".hidden"), "h");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

TEST_F(WalkSafetyTest, SymlinkEntryIsAnOrdinaryFile) {
  // A Unix link stored as its target text stays a 9-byte file.
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/go/symlink.zip")));
  ExtractAll();
  EXPECT_EQ(Out("symlink"), "../target");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

}  // namespace
