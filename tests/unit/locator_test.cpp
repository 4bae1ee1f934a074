// Finding the archive and the configuration block from the end of the file.
#include "common/pe_format.h"
#include "support/engine_fixture.h"
#include "support/test_platform.h"

namespace {

// The two-line text follows the caption; death tests match the first line.
const char kNotFound[] = "Error\\.\\.\\.: Cannot process file\\.";

std::vector<ZipEntry> TwoFiles() {
  ZipEntry a, b;
  a.name = "a.txt";
  a.data = "alpha";
  b.name = "dir/b.txt";
  b.data = "bravo bravo";
  return {a, b};
}

#define EXPECT_NOT_FOUND(sfx)                                                                  \
  EXPECT_EXIT((ExpectProcessExit(), LoadSfx(sfx)), ::testing::ExitedWithCode(kExitCannotProcess), \
              kNotFound)

using LocatorTest = EngineTest;
using LocatorDeathTest = EngineTest;

TEST_F(LocatorTest, FindsTheBlockInFrontOfTheFirstLocalHeader) {
  BlockFields block;
  block.caption = "Setup";
  std::string stub = FakeStub(0x5400);
  LoadSfx(BuildSfx(TwoFiles(), block, stub));
  std::string blockBytes = BuildBlock(block);
  EXPECT_EQ(Engine.BlockLength, blockBytes.size());
  EXPECT_EQ(Engine.ArchiveStart, (int32_t)(stub.size() + blockBytes.size()));
  EXPECT_STREQ(Engine.SfxSettings.Caption, "Setup");
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"a.txt", "dir/b.txt"}));
}

TEST_F(LocatorTest, FindsAStubShorterThanItsBudget) {
  // Without padding the block sits below 0x5400 and is found only through
  // the block length in front of the archive.
  BlockFields block;
  block.caption = "Short";
  std::vector<ZipEntry> entries = TwoFiles();
  entries[1].data = std::string(0x800, 'z');  // the whole file must pass 0x5400 bytes
  LoadSfx(BuildSfx(entries, block, FakeStub(0x5000)));
  EXPECT_STREQ(Engine.SfxSettings.Caption, "Short");
  EXPECT_EQ(ListEntries().size(), 2u);
}

TEST_F(LocatorTest, EndRecordBehindTheLongestCommentIsFound) {
  ZipOptions options;
  options.comment = std::string(65535, 'c');
  LoadSfx(BuildSfx(TwoFiles(), BlockFields(), FakeStub(), options));
  EXPECT_EQ(ListEntries().size(), 2u);
  EXPECT_TRUE(scripted::messages.empty()) << scripted::MessageLog();
}

TEST_F(LocatorTest, RecordLikeBytesInsideTheCommentArePassedOver) {
  // A fake end record in the comment whose own comment length does not
  // reach the end of the file, and whose directory offset leads nowhere.
  std::string fake("PK\x05\x06\0\0\0\0\x01\0\x01\0\x2E\0\0\0\x10\0\0\0\x50\0", 22);
  ZipOptions options;
  options.comment = "before " + fake + " after";
  LoadSfx(BuildSfx(TwoFiles(), BlockFields(), FakeStub(), options));
  EXPECT_EQ(ListEntries().size(), 2u);
}

TEST_F(LocatorTest, EntriesWithFileCommentsAreSteppedOver) {
  std::vector<ZipEntry> entries = TwoFiles();
  entries[0].centralComment = "first comment";
  entries[1].centralComment = std::string(300, 'x');
  BlockFields block;
  block.caption = "Commented";
  LoadSfx(BuildSfx(entries, block));
  EXPECT_STREQ(Engine.SfxSettings.Caption, "Commented");
}

TEST_F(LocatorTest, EmptyArchiveIsFoundAndListsNothing) {
  // No header is examined; the smallest offset is whatever the 46-byte read
  // left at bytes 42-45, here zero, so no block search happens and the block
  // is read at its default place behind the padded stub.
  BlockFields block;
  block.caption = "Empty";
  LoadSfx(BuildSfx({}, block));
  EXPECT_STREQ(Engine.SfxSettings.Caption, "Empty");
  EXPECT_TRUE(ListEntries().empty());
  ASSERT_EQ(scripted::messages.size(), 1u);
  EXPECT_EQ(scripted::messages[0].caption, "Error...");
}

// The archive ends where the certificate table that the image's headers name
// begins.  Host only: under Windows the engine reads the headers the loader
// mapped for the test program, not the file's.
TEST_F(LocatorTest, ArchiveEndsWhereTheHeadersPlaceTheCertificateTable) {
  SKIP_UNLESS_OBSERVABLE();
  struct Row {
    const char* what;
    uint32_t peAt;
    uint16_t magic;
    bool table;  // a table behind the archive; else the directory names a place inside it
  };
  const Row rows[] = {
      {"PE32 headers at 0x40, signed", 0x40, kPe32Magic, true},
      {"PE32 headers at 3,936: the directory in the page's last 8 bytes", 3936, kPe32Magic, true},
      {"an unknown optional-header magic: no directory, no table", 0x40, 0x107, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::string sfx = BuildSfx(TwoFiles(), BlockFields());
    auto put = [&sfx](size_t at, uint32_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) sfx[at + i] = (char)(value >> 8 * i);
    };
    put(kDosNewHeaderOffset, r.peAt, 4);
    sfx.replace(r.peAt, 4, std::string("PE\0\0", 4));
    put(r.peAt + kPeOptionalHeader, r.magic, 2);
    put(r.peAt + kPe32SecurityDirectory, (uint32_t)sfx.size() - (r.table ? 0 : 10), 4);
    if (r.table) sfx += "certificate table";
    LoadSfx(sfx);
    EXPECT_EQ(ListEntries().size(), 2u);
  }
}

TEST_F(LocatorTest, ArchiveAtOffsetZeroKeepsTheDefaultStart) {
  // Smallest local header offset 0: no block search, archive expected at 0x5400.
  ZipEntry big;
  big.name = "big.bin";
  big.data = std::string(0x6000, 'b');
  LoadSfx(BuildZip({big}));
  EXPECT_EQ(Engine.ArchiveStart, 0x5400);
  EXPECT_EQ(Engine.BlockLength, 0);
}

TEST_F(LocatorTest, MagicInAnotherCaseIsNoBlock) {
  std::string stub = FakeStub(0x5400);
  BlockFields block;
  block.caption = "Lower";
  std::string sfx = BuildSfx(TwoFiles(), block, stub);
  sfx[0x5400] = 'm';
  sfx[0x5401] = 'p';
  sfx[0x5402] = 'u';
  LoadSfx(sfx);
  // Defaults stand; the archive is still found behind the unread block.
  EXPECT_FALSE(Engine.SfxSettings.HasCaption);
  EXPECT_EQ(Engine.ArchiveStart, (int32_t)(0x5400 + BuildBlock(block).size()));
  EXPECT_EQ(ListEntries().size(), 2u);
}

TEST_F(LocatorTest, FileOfExactlyTheBudgetIsNotSearched) {
  LoadSfx(FakeStub(0x5400));
  EXPECT_EQ(Engine.ArchiveStart, 0x5400);
  EXPECT_EQ(Engine.BlockLength, 0);
  EXPECT_TRUE(Engine.SfxSettings.ShowRunCheckBox);
  EXPECT_EQ(Engine.SfxSettings.OverwriteButtonId, 503);
  EXPECT_TRUE(scripted::messages.empty());
}

TEST_F(LocatorTest, SeekBeyondTheEndSucceedsAndReadsNothing) {
  OpenSfx(FakeStub(100));
  EXPECT_EQ(SeekArchive(5000, FILE_BEGIN), 5000);
  EXPECT_EQ(Engine.FilePos, 5000);
  char buffer[8];
  DWORD got = 99;
  ReadFile(Engine.ArchiveFile, buffer, sizeof buffer, &got, nullptr);
  EXPECT_EQ(got, 0u);
}

TEST_F(LocatorTest, FilePosDescribesTheLastSeekNotLaterReads) {
  OpenSfx(FakeStub(100));
  SeekArchive(10, FILE_BEGIN);
  char buffer[7];
  DWORD got;
  ReadFile(Engine.ArchiveFile, buffer, sizeof buffer, &got, nullptr);
  EXPECT_EQ(Engine.FilePos, 10);
  EXPECT_EQ(SeekArchive(0, FILE_CURRENT), 17);
  EXPECT_EQ(SeekArchive(-4, FILE_END), 96);
  EXPECT_EQ(SeekArchive(-200, FILE_BEGIN), -1);
  EXPECT_EQ(Engine.FilePos, -1);
}

// Failures end the process after the message, with the exit code of a file
// that cannot be processed; nothing else runs.
TEST_F(LocatorDeathTest, StubAloneLongerThanItsBudget) {
  EXPECT_NOT_FOUND(FakeStub(0x6000));
}

TEST_F(LocatorDeathTest, BytesAfterTheEndRecordHideTheArchive) {
  // The end record and its comment must end exactly at the end of the file.
  std::string sfx = BuildSfx(TwoFiles(), BlockFields()) + "trailing junk";
  EXPECT_NOT_FOUND(sfx);
}

TEST_F(LocatorDeathTest, EndRecordsHiddenInEachOtherAreRefused) {
  // Two end records both ending at the end of the file: the lower one is
  // taken, and its directory does not hold.
  std::string sfx = BuildSfxFromArchive(CorpusFile("zip/go/comment-truncated.zip"));
  EXPECT_NOT_FOUND(sfx);
}

TEST_F(LocatorDeathTest, WindowOfAtMost22Bytes) {
  EXPECT_NOT_FOUND(FakeStub(0x5400 + 22));
}

TEST_F(LocatorDeathTest, DamagedCentralDirectory) {
  std::string sfx = BuildSfx(TwoFiles(), BlockFields());
  size_t central = sfx.rfind(std::string("PK\x01\x02", 4));
  sfx[central + 3] = 9;  // the second header loses its signature
  EXPECT_NOT_FOUND(sfx);
}

TEST_F(LocatorDeathTest, OffsetsCountedFromTheArchiveInsteadOfTheFile) {
  std::string sfx = FakeStub() + BuildBlock(BlockFields()) + BuildZip(TwoFiles());
  EXPECT_NOT_FOUND(sfx);
}

TEST_F(LocatorDeathTest, LowestMatchingRecordWinsEvenWhenItsDirectoryIsBad) {
  // A record-like sequence inside an entry's data whose comment length
  // reaches exactly to the end of the file comes first and is the one used.
  std::vector<ZipEntry> entries = TwoFiles();
  std::string sfx = BuildSfx(entries, BlockFields());
  size_t dataAt = sfx.find("alpha");
  std::string fake("PK\x05\x06\0\0\0\0\x01\0\x01\0\x2E\0\0\0\x10\0\0\0", 20);
  uint32_t rest = (uint32_t)(sfx.size() - (dataAt + 22));
  fake += (char)(rest & 0xFF);
  fake += (char)(rest >> 8);
  entries[0].data = fake;  // same length in the archive, so offsets shift alike
  sfx = BuildSfx(entries, BlockFields());
  rest = (uint32_t)(sfx.size() - (dataAt + 22));
  sfx[dataAt + 20] = (char)(rest & 0xFF);
  sfx[dataAt + 21] = (char)(rest >> 8);
  EXPECT_NOT_FOUND(sfx);
}

}  // namespace
