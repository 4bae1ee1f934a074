// Extraction walks: files, folders, existing files, damaged entries and the
// closing messages.
#include <filesystem>

#include "common/made_list.h"
#include "support/engine_fixture.h"
#include "support/inflate_stream_writer.h"
#include "support/test_platform.h"

namespace {

class WalkExtractTest : public EngineTest {
 protected:
  std::vector<std::string> OutTree() {
    std::vector<std::string> out;
    for (const std::string& p : temp.Tree())
      if (p.rfind("out/", 0) == 0 && p != "out/") out.push_back(p.substr(4));
    return out;
  }
};

TEST_F(WalkExtractTest, FilesAndFoldersAreWrittenUnderTheDestination) {
  LoadSfx(BuildSfx({File("readme.txt", "read me"), File("docs/", ""), File("docs/guide/intro.txt", "intro"),
                    File("bin\\tool.exe", "MZ tool")},
                   BlockFields()));
  ExtractAll();
  EXPECT_EQ(OutTree(), (std::vector<std::string>{"bin/", "bin/tool.exe", "docs/", "docs/guide/",
                                                 "docs/guide/intro.txt", "readme.txt"}));
  EXPECT_EQ(Out("docs/guide/intro.txt"), "intro");
  EXPECT_EQ(Out("bin/tool.exe"), "MZ tool");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
  EXPECT_TRUE(Engine.ExtractionSucceeded);
  EXPECT_FALSE(Engine.Busy);
  EXPECT_TRUE(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST).empty());
  // The status line keeps the last progress text, with "\" separators.
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_STATUS), "Extracting: " + temp.Win("out") + "\\bin\\tool.exe");
}

TEST_F(WalkExtractTest, FilesGetTheEntryTime) {
  ZipEntry e = File("dated.txt", "x");
  e.timeDate = 0x2A6453DD;
  LoadSfx(BuildSfx({e}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(LastWriteTime(temp.Win("out/dated.txt")), DosTimeAsUtc(0x2A64, 0x53DD));
}

TEST_F(WalkExtractTest, FolderEntryThatExistsAlreadyCountsAsDone) {
  temp.MakeFolder("out/docs");
  LoadSfx(BuildSfx({File("docs/", "")}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(OutTree(), std::vector<std::string>{"docs/"});
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
  EXPECT_TRUE(scripted::overwriteNames.empty());  // no prompt for a folder
}

TEST_F(WalkExtractTest, OnlySelectedEntriesAreExtracted) {
  LoadSfx(BuildSfx({File("a", "1"), File("b", "2"), File("c", "3")}, BlockFields()));
  ListEntries();
  SendMessageA(GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST), LB_SETSEL, TRUE, 1);
  ExtractAgain();
  EXPECT_EQ(OutTree(), std::vector<std::string>{"b"});
  EXPECT_TRUE(Engine.ExtractionSucceeded);
}

TEST_F(WalkExtractTest, NothingSelectedShowsNothing) {
  LoadSfx(BuildSfx({File("a", "1")}, BlockFields()));
  ListEntries();
  ExtractAgain();
  EXPECT_TRUE(OutTree().empty());
  EXPECT_TRUE(scripted::messages.empty());
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

TEST_F(WalkExtractTest, DuplicateNamesMapToSuccessiveItems) {
  LoadSfx(BuildSfx({File("same.txt", "first"), File("same.txt", "second")}, BlockFields()));
  Engine.OverwriteMode = kAskEachFile;
  scripted::overwrites = {{true, false}};
  ExtractAll();
  // Each entry found its own item; the second met the first's file.
  EXPECT_EQ(scripted::overwriteNames, std::vector<std::string>{OutWin("same.txt")});
  EXPECT_EQ(Out("same.txt"), "second");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

TEST_F(WalkExtractTest, EachEntryReachesItsOwnItemInAnyOrder) {
  // The second "b" must not find the first one's item, already deselected.
  LoadSfx(BuildSfx({File("b", "first"), File("a", "a"), File("b", "second")}, BlockFields()));
  Engine.OverwriteMode = kOverwriteAll;
  ExtractAll();
  EXPECT_TRUE(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST).empty());
  EXPECT_EQ(Out("b"), "second");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
  EXPECT_TRUE(Engine.ExtractionSucceeded);
}

TEST_F(WalkExtractTest, ListWithoutOrdinalsFallsBackToTheSearch) {
  // Items that carry no ordinals (all 0) are found by their names.
  LoadSfx(BuildSfx({File("one", "1"), File("two", "2")}, BlockFields()));
  HWND list = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) "two");
  SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) "one");
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain();
  EXPECT_EQ(Out("one"), "1");
  EXPECT_EQ(Out("two"), "2");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

TEST_F(WalkExtractTest, NamesDifferingInCaseFindTheirItemsInTurnAndShareOneFile) {
  // The list compares without regard to case: the second search starts after
  // the first hit and finds the other item.  The file system does too: the
  // second entry replaces the first's file, which keeps its first spelling,
  // and so does a folder.
  LoadSfx(BuildSfx({File("Same.txt", "first"), File("sAME.txt", "second"), File("Dir/a.txt", "a"),
                    File("DIR/b.txt", "b")},
                   BlockFields()));
  Engine.OverwriteMode = kOverwriteAll;
  ExtractAll();
  EXPECT_TRUE(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST).empty());
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
  EXPECT_EQ(OutTree(), (std::vector<std::string>{"Dir/", "Dir/a.txt", "Dir/b.txt", "Same.txt"}));
  EXPECT_EQ(Out("Same.txt"), "second");
}

struct OverwriteRow {
  const char* what;
  uint8_t mode;
  std::vector<OverwriteReply> replies;
  std::vector<std::string> prompted;  // ExistingFileName at each prompt, below out
  const char* a;                      // content of a.txt and b.txt afterwards
  const char* b;
  uint8_t modeAfter;
};

class OverwriteTest : public WalkExtractTest, public ::testing::WithParamInterface<OverwriteRow> {};

TEST_P(OverwriteTest, ExistingFiles) {
  const OverwriteRow& row = GetParam();
  temp.Write("out/a.txt", "old a");
  temp.Write("out/sub/b.txt", "old b");
  // sub/new.txt is created first: the existing sub/b.txt then lies in the
  // folder the walk has just written to.
  LoadSfx(BuildSfx({File("a.txt", "new a"), File("sub/new.txt", "new"), File("sub/b.txt", "new b"),
                    File("c.txt", "new c")},
                   BlockFields()));
  Engine.OverwriteMode = (OverwritePolicy)row.mode;
  scripted::overwrites.assign(row.replies.begin(), row.replies.end());
  ExtractAll();
  std::vector<std::string> prompted;
  for (const std::string& name : row.prompted) prompted.push_back(OutWin(name));
  EXPECT_EQ(scripted::overwriteNames, prompted) << row.what;
  EXPECT_EQ(Out("a.txt"), row.a) << row.what;
  EXPECT_EQ(Out("sub/b.txt"), row.b) << row.what;
  EXPECT_EQ(Out("c.txt"), "new c") << row.what;
  EXPECT_EQ(Out("sub/new.txt"), "new") << row.what;
  EXPECT_EQ(Engine.OverwriteMode, row.modeAfter) << row.what;
  // A file left alone counts as dealt with.
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone}) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    EveryMode, OverwriteTest,
    ::testing::Values(
        OverwriteRow{"overwrite", 0, {}, {}, "new a", "new b", 0},
        OverwriteRow{"unknown mode acts as overwrite", 7, {}, {}, "new a", "new b", 7},
        OverwriteRow{"skip", 1, {}, {}, "old a", "old b", 1},
        OverwriteRow{"ask: yes, no", 2, {{true, false}, {false, false}}, {"a.txt", "sub\\b.txt"}, "new a", "old b", 2},
        OverwriteRow{"ask: no, yes", 2, {{false, false}, {true, false}}, {"a.txt", "sub\\b.txt"}, "old a", "new b", 2},
        OverwriteRow{"ask: yes for all", 2, {{true, true}}, {"a.txt"}, "new a", "new b", 0},
        OverwriteRow{"ask: no for all", 2, {{false, true}}, {"a.txt"}, "old a", "old b", 1}),
    [](const auto& row) { return RowName(row.index, row.param.what); });

// The walk remembers the folder of the last file it created and makes no
// further test of it; a folder removed behind its back (here while a prompt
// is up) is made again for the next file.
TEST_F(WalkExtractTest, FolderRemovedBetweenTwoEntriesIsMadeAgain) {
  LoadSfx(BuildSfx({File("sub/deep/a", "alpha"), File("sub/deep/b", "bravo", "pw"), File("sub/deep/c", "charlie")},
                   BlockFields()));
  scripted::passwords = {"pw"};
  scripted::onPrompt = [&] { std::filesystem::remove_all(temp.Native("out/sub")); };
  ExtractAll();
  EXPECT_EQ(OutTree(), (std::vector<std::string>{"sub/", "sub/deep/", "sub/deep/b", "sub/deep/c"}));
  EXPECT_EQ(Out("sub/deep/b") + Out("sub/deep/c"), "bravocharlie");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

// The status line is brought up to date at most a few times a second, but
// whenever the walk stops for the user it names the last file begun, as if
// every file had been shown.
TEST_F(WalkExtractTest, StatusLineNamesTheLastFileBeforeEveryPrompt) {
  temp.Write("out/d", "old");
  LoadSfx(BuildSfx({File("a", "1"), File("b", "2"), File("c", "3"), File("d", "4"), File("e", "5", "pw")},
                   BlockFields()));
  Engine.OverwriteMode = kAskEachFile;
  scripted::overwrites = {{true, false}};
  scripted::passwords = {"pw"};
  std::vector<std::string> shown;
  scripted::onPrompt = [&] { shown.push_back(ControlText(dialog, IDC_MAIN_STATUS)); };
  ExtractAll();
  std::string out = "Extracting: " + temp.Win("out") + "\\";
  EXPECT_EQ(shown, (std::vector<std::string>{out + "c", out + "d"}));  // overwrite d, password for e
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_STATUS), out + "e");
  EXPECT_EQ(Out("d"), "4");
}

TEST_F(WalkExtractTest, CrcMismatchLeavesTheDamagedFileAndReports) {
  ZipEntry bad = File("bad.txt", "damaged content");
  bad.crc = 0x12345678;
  bad.timeDate = 0x2A6453DD;
  LoadSfx(BuildSfx({bad, File("good.txt", "good")}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(Out("bad.txt"), "damaged content");
  EXPECT_EQ(LastWriteTime(temp.Win("out/bad.txt")), DosTimeAsUtc(0x2A64, 0x53DD));
  EXPECT_EQ(Out("good.txt"), "good");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_STATUS), "One or more file(s) could not be extracted.");
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), std::vector<std::string>{"bad.txt"});
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

TEST_F(WalkExtractTest, SecondExtractionTouchesOnlyWhatIsStillSelected) {
  ZipEntry bad = File("bad.txt", "x");
  bad.crc = 1;
  LoadSfx(BuildSfx({bad, File("good.txt", "good")}, BlockFields()));
  ExtractAll();
  temp.Write("out/good.txt", "changed by the user");
  scripted::messages.clear();
  Engine.OverwriteMode = kOverwriteAll;
  ExtractAgain();
  EXPECT_EQ(Out("good.txt"), "changed by the user");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
}

TEST_F(WalkExtractTest, UnknownMethodTouchesNoFileAndEndsTheWalk) {
  // bzip2, LZMA, AES: an existing file keeps its bytes even with overwrite on.
  for (uint16_t method : {12, 14, 99}) {
    SCOPED_TRACE(method);
    scripted::messages.clear();
    temp.Write("out/kept.bin", "old bytes");
    ZipEntry packed = File("kept.bin", "not really");
    packed.method = method;
    ZipEntry fresh = packed;
    fresh.name = "new.bin";
    LoadSfx(BuildSfx({File("first.txt", "1"), method == 12 ? fresh : packed, File("never.txt", "n")},
                     BlockFields()));
    Engine.OverwriteMode = kOverwriteAll;
    ExtractAll();
    EXPECT_EQ(Out("first.txt"), "1");
    EXPECT_EQ(Out("kept.bin"), "old bytes");
    EXPECT_FALSE(temp.Exists("out/new.bin"));
    EXPECT_FALSE(temp.Exists("out/never.txt"));
    EXPECT_EQ(scripted::messages, (std::vector<RecordedMessage>{{"Error...", "Unknown compression type", 0x10}}));
    EXPECT_FALSE(Engine.ExtractionSucceeded);
    EXPECT_FALSE(Engine.Busy);
    CloseSfx();
  }
}

TEST_F(WalkExtractTest, DeflateStreamTheDecoderRefusesFailsWhateverTheCrc) {
  // Each entry is declared empty (CRC 0), so the nothing decoded matches it.
  struct Row {
    const char* what;
    std::string stream;
  };
  std::vector<uint8_t> overSubscribed(19, 0), none(19, 0);
  overSubscribed[16] = overSubscribed[17] = overSubscribed[18] = 1;
  const Row rows[] = {
      {"block type 3", DeflateWriter().Header(true, 3).Data()},
      {"over-subscribed code-length code",
       DeflateWriter().DynamicSpelled(true, 257, 1, overSubscribed, {}, {}, {}).Data()},
      {"empty code-length code", DeflateWriter().DynamicSpelled(true, 257, 1, none, {}, {}, {}).Data()},
      {"HLIT of 30", DeflateWriter().Header(true, 2).Bits(30, 5).Bits(0, 5).Bits(0, 4).Data()},
      {"no final block before the data end", DeflateWriter().Stored("", false).Data()},
  };
  std::vector<ZipEntry> entries;
  for (const Row& row : rows) {
    ZipEntry e = File(row.what, "");
    e.method = 8;
    e.compressed = row.stream;
    entries.push_back(e);
  }
  LoadSfx(BuildSfx(entries, BlockFields()));
  ExtractAll();
  // Every item stays selected, in the list's order.
  EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST),
            (std::vector<std::string>{rows[0].what, rows[2].what, rows[3].what, rows[4].what, rows[1].what}));
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
}

TEST_F(WalkExtractTest, FileEntryWhosePathIsAFolderFails) {
  struct Row {
    const char* what;
    std::vector<ZipEntry> entries;
    const char* clash;  // the file entry, and its path below the destination
  };
  std::vector<Row> rows = {
      {"a folder made by an earlier entry", {File("x/y", "y"), File("x", "x")}, "x"},
      {"a folder entry first", {File("d/", ""), File("d", "d")}, "d"},
#ifdef _WIN32
      {"a folder of another case", {File("Docs/readme", "r"), File("docs", "d")}, "docs"},
#endif
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].what);
    scripted::messages.clear();
    LoadSfx(BuildSfx(rows[i].entries, BlockFields()));
    Engine.OverwriteMode = kOverwriteAll;
    std::string dest = "out" + std::to_string(i);
    ExtractAll(dest);
    EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), std::vector<std::string>{rows[i].clash});
    EXPECT_EQ(scripted::messages,
              (std::vector<RecordedMessage>{
                  {"Cannot open file ...", temp.Win(dest) + "\\" + rows[i].clash, 0x10}, kSomeFailed}));
    EXPECT_FALSE(Engine.ExtractionSucceeded);
    CloseSfx();
  }
}

TEST_F(WalkExtractTest, AutoExtractSuppressesOnlyTheSuccessMessage) {
  BlockFields block;
  block.flags |= 0x40;
  LoadSfx(BuildSfx({File("a", "1")}, block));
  ExtractAll();
  EXPECT_TRUE(scripted::messages.empty());
  EXPECT_TRUE(Engine.ExtractionSucceeded);

  ZipEntry bad = File("b", "2");
  bad.crc = 5;
  CloseSfx();
  LoadSfx(BuildSfx({bad}, block));
  ExtractAll("out2");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
}

TEST_F(WalkExtractTest, FileThatCannotBeCreatedIsReportedAndTheWalkGoesOn) {
  // "a/b" is a file, so "a/b/c" cannot be created below it; the folder entry
  // "a/b/" finds a file, not a folder.
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/go/dupdir.zip")));
  ExtractAll();
  std::string out = temp.Win("out");
  EXPECT_EQ(scripted::messages,
            (std::vector<RecordedMessage>{{"Cannot open file ...", out + "\\a\\b\\", 0x10},
                                          {"Cannot open file ...", out + "\\a\\b\\c", 0x10},
                                          kSomeFailed}))
      << scripted::MessageLog();
  EXPECT_EQ(OutTree(), (std::vector<std::string>{"a/", "a/b"}));
}

TEST_F(WalkExtractTest, NoStatusLineChangesNothingElse) {
  DestroyEngineDialog(dialog);
  dialog = CreateEngineDialog(false);
  LoadSfx(BuildSfx({File("a", "1")}, BlockFields()));
  ExtractAll();
  EXPECT_EQ(Out("a"), "1");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

// The one message let through per file can start a second walk; it must
// return at once and leave the running walk undisturbed.
TEST_F(WalkExtractTest, SecondWalkCannotStartWhileOneRuns) {
  LoadSfx(BuildSfx({File("a", "1"), File("b", "2")}, BlockFields()));
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  struct Probe {
    HWND dialog;
    int calls = 0;
    bool busyInside = false;
  } probe{dialog};
  PostMessageCallback(
      dialog,
      [](void* p) {
        Probe& probe = *static_cast<Probe*>(p);
        ++probe.calls;
        probe.busyInside = Engine.Busy;
        EXPECT_TRUE(Engine.WalkRunning);
        WalkEntries(probe.dialog, IDC_MAIN_ENTRY_LIST, true);   // would empty the list
        WalkEntries(probe.dialog, IDC_MAIN_ENTRY_LIST, false);  // would extract again
      },
      &probe);
  ExtractAgain();
  EXPECT_EQ(probe.calls, 1);
  EXPECT_TRUE(probe.busyInside);
  EXPECT_EQ(ListItems(dialog, IDC_MAIN_ENTRY_LIST), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
  EXPECT_FALSE(Engine.WalkRunning);
}

TEST_F(WalkExtractTest, WalkStoppingBeforeTheDirectoryReportsFailure) {
  // Entries behind junk are never seen: the walk must not claim success.
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/libarchive/test_compat_zip_2.zip")));
  ExtractAll();
  EXPECT_EQ(Out("file1"), "");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

TEST_F(WalkExtractTest, RootFolderYieldsPathsOfTheFormDriveName) {
  SKIP_UNLESS_OBSERVABLE();
  test_platform::MapDrive('C', temp.Native("croot"));
  temp.Write("croot/pagefile.sys", "a drive root is never empty");
  LoadSfx(BuildSfx({File("name.txt", "at the root"), File("sub/x", "y")}, BlockFields()));
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  strcpy(Engine.DestFolder, "C:\\");
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  EXPECT_EQ(temp.Read("croot/name.txt"), "at the root");
  EXPECT_EQ(temp.Read("croot/sub/x"), "y");
  EXPECT_STREQ(Engine.DestFolder, "C:");
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_STATUS), "Extracting: C:\\sub\\x");
}

TEST_F(WalkExtractTest, FailedCloseIsReportedAndTheItemKeepsItsState) {
  SKIP_UNLESS_OBSERVABLE();
  LoadSfx(BuildSfx({File("a", "1")}, BlockFields()));
  test_platform::FailNextCloses(1);
  ExtractAll();
  EXPECT_EQ(scripted::messages,
            (std::vector<RecordedMessage>{{"Cannot close the file", temp.Win("out") + "\\a", 0x10}, kAllDone}));
}

// Setting a cursor is a round trip to the window system: the wait cursor goes
// up when an entry's output begins (again after a prompt's arrow) and stays
// up for every 32 KiB write of the entry.
TEST_F(WalkExtractTest, WaitCursorIsSetOncePerEntryAndIsUpForEveryWrite) {
  SKIP_UNLESS_OBSERVABLE();
  std::string data(100000, 'w');
  ZipEntry deflated = File("b.txt", data);
  deflated.method = kMethodDeflated;
  deflated.compressed = StoredDeflate(data);
  temp.Write("out/b.txt", "old");
  LoadSfx(BuildSfx({File("a.bin", data), deflated}, BlockFields()));
  Engine.OverwriteMode = kAskEachFile;
  scripted::overwrites = {{true, false}};
  std::vector<test_platform::Io> io;
  test_platform::RecordIo(&io);
  ExtractAll();
  test_platform::RecordIo(nullptr);
  std::vector<LPCSTR> cursors;
  for (const test_platform::Io& i : io)
    if (i.isWrite) cursors.push_back(i.cursor);
  EXPECT_EQ(Out("b.txt"), data);
  EXPECT_EQ(cursors, std::vector<LPCSTR>(8, IDC_WAIT));        // 4 writes of each entry
  EXPECT_EQ(test_platform::CursorChanges(), 3);                // wait; arrow for the prompt, wait
}

}  // namespace

// Extraction into a fresh temporary folder (flag 0x80): afterwards exactly
// what the extraction made is gone; what the program added stays, and with
// it the folders that hold it.
TEST_F(WalkExtractTest, TemporaryExtractionRemovesWhatItMade) {
  BlockFields block;
  block.flags = 0x83;
  block.command = "setup.exe";
  LoadSfx(BuildSfx({File("setup.exe", "x"), File("sub/deep/a.txt", "a"), File("kept/b.txt", "b")}, block));
  const std::string fresh = Engine.SfxSettings.DefaultFolder;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  ASSERT_EQ(fresh.rfind(temp, 0), 0u) << fresh;  // inside the temporary folder, never the folder itself
  ASSERT_GT(fresh.size(), strlen(temp));
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  strcpy(Engine.DestFolder, fresh.c_str());
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  ASSERT_TRUE(Engine.ExtractionSucceeded);
  const std::string added = fresh + "\\kept\\log.txt";
  CloseHandle(CreateFileA(added.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  RemoveMade();
  for (const char* gone : {"\\setup.exe", "\\sub", "\\kept\\b.txt"})
    EXPECT_EQ(GetFileAttributesA((fresh + gone).c_str()), INVALID_FILE_ATTRIBUTES) << gone;
  EXPECT_NE(GetFileAttributesA(added.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(added.c_str());
  RemoveDirectoryA((fresh + "\\kept").c_str());
  RemoveDirectoryA(fresh.c_str());
}
