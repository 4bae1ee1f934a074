// The walk over local headers: which records it follows, where it ends, and
// what the list-only walk shows.
#include "support/engine_fixture.h"
#include "support/test_platform.h"

namespace {

using WalkRecordsTest = EngineTest;

TEST_F(WalkRecordsTest, ListOnlyWalkListsEveryEntrySortedAndSelectsNothing) {
  ZipEntry odd = File("zeta/", "");
  ZipEntry crypt = File("Beta.txt", "b");
  crypt.password = "pw";
  ZipEntry unknown = File("gamma.lz", "g");
  unknown.method = 14;
  LoadSfx(BuildSfx({File("alpha.txt", "a"), odd, crypt, unknown, File("alpha.txt", "again")}, BlockFields()));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"alpha.txt", "alpha.txt", "Beta.txt", "gamma.lz", "zeta/"}));
  EXPECT_TRUE(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST).empty());
  EXPECT_TRUE(scripted::messages.empty());
  EXPECT_FALSE(Engine.Busy);
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

TEST_F(WalkRecordsTest, ListOnlyWalkEmptiesTheListFirst) {
  LoadSfx(BuildSfx({File("one", "1")}, BlockFields()));
  ListEntries();
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"one"});
}

TEST_F(WalkRecordsTest, NoLocalHeaderAtTheStartListsNothing) {
  std::vector<ZipEntry> entries = {File("a", "a")};
  entries[0].signature = 0x04034B51;
  LoadSfx(BuildSfx(entries, BlockFields()));
  EXPECT_TRUE(ListEntries().empty());
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kNotProcessed});
}

TEST_F(WalkRecordsTest, HeaderStartingWith00000050IsTakenAsALocalHeader) {
  std::vector<ZipEntry> entries = {File("first", "1"), File("split", "22")};
  entries[1].signature = 0x50000000;
  LoadSfx(BuildSfx(entries, BlockFields()));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"first", "split"}));
}

TEST_F(WalkRecordsTest, SignedDescriptorsAreSkippedOneOrTwoInARow) {
  std::vector<ZipEntry> entries = {File("a", "aaa"), File("b", "bbb"), File("c", "ccc")};
  entries[0].signedDescriptor = true;
  entries[0].flags = 0x0008;
  entries[1].signedDescriptor = true;
  entries[1].descriptors = 2;
  LoadSfx(BuildSfx(entries, BlockFields()));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"a", "b", "c"}));
  ExtractAll();
  EXPECT_EQ(temp.Tree(), (std::vector<std::string>{"out/", "out/a", "out/b", "out/c", "sfx.exe"}));
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

TEST_F(WalkRecordsTest, DescriptorWithoutSignatureEndsTheWalk) {
  // The corpus archive: flag bit 3, sizes in the local headers, then a
  // 12-byte descriptor without signature after each entry.
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/go/go-no-datadesc-sig.zip")));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"foo.txt"});
}

TEST_F(WalkRecordsTest, EmptyNameStopsAListOnlyWalkWhereItIs) {
  for (std::string bad : {std::string(), std::string("\0tail", 5)}) {
    scripted::messages.clear();
    LoadSfx(BuildSfx({File("before", "1"), File(bad, "2"), File("after", "3")}, BlockFields()));
    EXPECT_EQ(ListEntries(), std::vector<std::string>{"before"});
    EXPECT_EQ(scripted::messages, (std::vector<RecordedMessage>{{"Error...", "Invalid filename.", 0x10}}));
    EXPECT_FALSE(Engine.Busy);
    CloseSfx();
  }
}

TEST_F(WalkRecordsTest, EmptyNameEndsAnExtractionWalkWithoutClosingMessage) {
  LoadSfx(BuildSfx({File("before", "1"), File("", "2"), File("after", "3")}, BlockFields()));
  ListEntries();
  scripted::messages.clear();
  // The list as it stood before: both real names selected.
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain();
  EXPECT_EQ(Out("before"), "1");
  EXPECT_FALSE(temp.Exists("out/after"));
  EXPECT_EQ(scripted::messages, (std::vector<RecordedMessage>{{"Error...", "Invalid filename.", 0x10}}));
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

TEST_F(WalkRecordsTest, NestedArchiveIsWrittenAsAFileAndNotWalkedInto) {
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/libarchive/test_read_format_zip_nested.zip")));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"file.txt", "small.zip"}));
}

TEST_F(WalkRecordsTest, JunkBetweenEntriesEndsTheWalk) {
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/libarchive/test_compat_zip_2.zip")));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"file1"});
}

TEST_F(WalkRecordsTest, SizesOnlyInADescriptorEndTheWalkAtThatEntry) {
  LoadSfx(BuildSfxFromArchive(CorpusFile("zip/go/go-with-datadesc-sig.zip")));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"foo.txt"});
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain();
  // foo.txt's size is known only to its descriptor: it fails, named, and
  // nothing is written for it.
  EXPECT_EQ(scripted::messages,
            (std::vector<RecordedMessage>{{"Cannot open file ...", "foo.txt", 0x10}, kSomeFailed}));
  EXPECT_FALSE(temp.Exists("out/foo.txt"));
}

TEST_F(WalkRecordsTest, HeaderCutShortByTheEndOfTheArchiveEndsTheWalk) {
  // The entry's size leads past the directory into the archive comment,
  // whose last 20 bytes begin like a local header.
  ZipOptions options;
  options.comment = std::string("PK\x03\x04", 4) + std::string(16, '\x01');
  std::string sfx = BuildSfx({File("whole", "12345")}, BlockFields(), FakeStub(), options);
  size_t header = sfx.find(std::string("PK\x03\x04", 4));
  uint32_t size = (uint32_t)(sfx.size() - 20 - (header + 30 + 5));
  for (int i = 0; i < 4; ++i) sfx[header + 18 + i] = (char)(size >> (8 * i));
  LoadSfx(sfx);
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"whole"});
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain();
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
}

TEST_F(WalkRecordsTest, NameCutShortByTheEndOfTheArchiveEndsTheWalk) {
  std::vector<ZipEntry> entries = {File("whole", "12345"), File("name", "")};
  entries[1].nameLength = 200;  // runs past the end of the file
  std::string sfx = BuildSfx(entries, BlockFields());
  ZipOptions options;
  std::string cut = sfx.substr(0, sfx.find(std::string("PK\x01\x02", 4)));
  options.base = (uint32_t)cut.size();
  LoadSfx(cut + BuildZip({}, options));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"whole"});
}

TEST_F(WalkRecordsTest, SizeBeyondAnySignedPositionEndsTheWalk) {
  // A compressed size of 0xFFFFFFFF (a ZIP64 marker) would step backwards.
  std::vector<ZipEntry> entries = {File("first", "1"), File("huge", "h"), File("after", "a")};
  entries[1].compressedSize = 0xFFFFFFFF;
  LoadSfx(BuildSfx(entries, BlockFields()));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"first"});
}

TEST_F(WalkRecordsTest, EntryCountingBackwardsCannotLoopForever) {
  // 0x7FFFFFF0 bytes of data: the next position is past the end of the file.
  std::vector<ZipEntry> entries = {File("first", "1"), File("far", "f")};
  entries[1].compressedSize = 0x7FFFFFF0;
  LoadSfx(BuildSfx(entries, BlockFields()));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"far", "first"}));
}

}  // namespace

namespace {

using HeapDeathTest = EngineTest;

TEST_F(HeapDeathTest, ExhaustedHeapEndsWithReport203) {
  SKIP_UNLESS_OBSERVABLE();
  LoadSfx(BuildSfx({File("a", "1")}, BlockFields()));
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  EXPECT_EXIT(
      {
        ExpectProcessExit();
        test_platform::FailAllocationsAfter(0);  // the copy buffer of the stored entry
        ExtractAgain();
      },
      ::testing::ExitedWithCode(203), "Error: Error 203");
}

}  // namespace
