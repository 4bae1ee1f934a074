// What pack refuses: a clear message starting with "mksfx: ", exit code 1
// (2 for a wrong command line), and no output file, not even a temporary
// one, while an output that existed before stays as it was.
#include <gtest/gtest.h>

#include <cstring>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

// The execution level of a stub with room to ask for administrator rights.
const char kRoomyLevel[] = "<requestedExecutionLevel level=\"asInvoker\"           />";

class PackRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    WriteNativeFile(dir.Native("a.txt"), "some text\n");
    ASSERT_EQ(RunTool({"zip", "-q", dir.Native("in.zip"), "a.txt"}, dir.Native()).exitCode, 0);
    // An earlier self-extractor, which OUTPUT would replace.
    ASSERT_EQ(Mksfx({"pack", "--stub", "stub.exe", "a.txt", "out.exe"}, dir.Native()).exitCode, 0);
    earlier = ReadBytes(dir.Native("out.exe"));
    before = dir.Names();
  }

  void ExpectRefused(const std::vector<std::string>& args, int exitCode, const std::string& message) {
    RunResult r = Mksfx(args, dir.Native());
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_EQ(r.err.compare(0, 7, "mksfx: "), 0) << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(dir.Names(), before);
    EXPECT_TRUE(ReadBytes(dir.Native("out.exe")) == earlier) << "the earlier output was touched";
  }

  TempFolder dir;
  std::vector<std::string> before;
  std::vector<uint8_t> earlier;
};

TEST_F(PackRefusal, StubsThatCannotCarryAnArchive) {
  struct Row {
    const char* what;
    std::string stub;
    std::vector<std::string> extra;
    const char* message;
  };
  std::string tooLarge = FakeStub(kImageSize + 1);
  std::string localSig = FakeStub(kShortStubSize), endSig = FakeStub(kShortStubSize);
  std::string notExe = FakeStub(kShortStubSize), fullWithTail = FakeStub(kImageSize);
  localSig.replace(500, 4, "PK\3\4", 4);
  endSig.replace(kShortStubSize - 4, 4, "PK\5\6", 4);
  notExe[0] = 'Z';
  std::string signedStub = PeStub(0x10B);
  SetTablePos(signedStub, 2048);
  std::string twoLevels = FakeStub(kShortStubSize);
  for (size_t at : {1000, 2000}) twoLevels.replace(at, sizeof kRoomyLevel - 1, kRoomyLevel);
  const Row rows[] = {
      {"too large", tooLarge, {}, "the stub is 21505 bytes long; it must fit in 21504"},
      {"local header signature", localSig, {}, "contains a local header signature"},
      {"end record signature", endSig, {}, "contains an end of central directory signature"},
      {"not an executable", notExe, {}, "not a Windows executable"},
      {"full budget, no zero tail, no block", fullWithTail, {"--no-block"},
       "last two bytes are not zero"},
      {"signed", signedStub, {}, "the stub is signed: its security directory names a certificate table"},
      {"no room to elevate", FakeStub(kShortStubSize), {"--elevate"},
       "--elevate: the stub's manifest must read '<requestedExecutionLevel level=\"asInvoker\"           "
       "/>' exactly once, with the blanks that leave room for \"requireAdministrator\"; this stub has "
       "it 0 times"},
      {"two levels to elevate", twoLevels, {"--elevate"}, "this stub has it 2 times"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteNativeFile(dir.Native("stub.exe"), row.stub);
    std::vector<std::string> args = {"pack", "--stub", "stub.exe"};
    args.insert(args.end(), row.extra.begin(), row.extra.end());
    args.insert(args.end(), {"in.zip", "out.exe"});
    ExpectRefused(args, 1, row.message);
  }
  // The same full-size stub is fine when a block follows: the block's own
  // length field stands where the stub reads it.
  EXPECT_EQ(Mksfx({"pack", "--stub", "stub.exe", "in.zip", "new.exe"}, dir.Native()).exitCode, 0);
}

TEST_F(PackRefusal, ArchivesThatCannotBeRebasedCorrectly) {
  Fixture({"empty", dir.Native("empty.zip")});
  Fixture({"multidisk", dir.Native("in.zip"), dir.Native("disks.zip")});
  Fixture({"decoy", dir.Native("decoy.zip")});
  Fixture({"huge", dir.Native("huge.zip")});
  WriteNativeFile(dir.Native("text.txt"), "not an archive at all");
  before = dir.Names();
  struct Row {
    std::string archive;
    const char* message;
  };
  const Row rows[] = {
      {"missing.zip", "missing.zip: cannot open"},
      {"empty.zip", "the archive has no entries"},
      {"disks.zip", "spans several disks"},
      {"decoy.zip", "the stub would not find this archive's end record"},
      {"huge.zip", "the stub reads at most 2147483647"},
      {CorpusPath("zip/go/zip64.zip"), "ZIP64 archive"},
      {CorpusPath("zip/libarchive/test_read_format_zip_with_invalid_traditional_eocd.zip"),
       "ZIP64 archive"},
      {CorpusPath("zip/go/comment-truncated.zip"), "more than one end of central directory"},
      {CorpusPath("zip/libarchive/test_read_format_zip_malformed1.zip"), "not a ZIP archive"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.archive);
    // --force covers what the stub cannot extract, never what cannot be written.
    ExpectRefused({"pack", "--force", "--stub", "stub.exe", row.archive, "out.exe"}, 1, row.message);
  }
}

// The stub scans its search window forward and takes the first end record
// signature whose comment reaches the end of the file: an information text
// can hold one that comes before the archive's own.
TEST_F(PackRefusal, TextThatTheStubWouldTakeForTheEndRecord) {
  WriteNativeFile(dir.Native("b.txt"), std::string(600, 'b'));
  ASSERT_EQ(RunTool({"zip", "-q0", dir.Native("big.zip"), "b.txt"}, dir.Native()).exitCode, 0);
  size_t zipSize = ReadBytes(dir.Native("big.zip")).size();
  std::string infoCaption = "c";
  // Comment length from the fake record, at 0x5420, to the end of the file,
  // which pack pads to a multiple of 8.
  auto reachOf = [&] { return AlignedSize(zipSize + 2 + infoCaption.size()); };
  while ((reachOf() & 0xFF) == 0) infoCaption += "c";
  size_t reach = reachOf();
  std::string fake = std::string("PK\x05\x06", 4) + std::string(16, 'x');
  fake += (char)(reach & 0xFF);
  fake += (char)(reach >> 8);
  WriteNativeFile(dir.Native("info.txt"), fake);
  before = dir.Names();
  ExpectRefused({"pack", "--stub", "stub.exe", "--info-file", "info.txt", "--info-caption",
                 infoCaption, "big.zip", "out.exe"},
                1, "the stub would not find this archive's end record");
  // Another comment length and the stub passes it over.
  fake[fake.size() - 2] = (char)((reach & 0xFF) == 1 ? 2 : 1);
  WriteNativeFile(dir.Native("info.txt"), fake);
  EXPECT_EQ(Mksfx({"pack", "--stub", "stub.exe", "--info-file", "info.txt", "--info-caption",
                   infoCaption, "big.zip", "new.exe"}, dir.Native()).exitCode, 0);
}

// A comment of 65,535 bytes leaves no room for padding: only the one
// caption length whose output needs none packs.
TEST_F(PackRefusal, CommentsWithNoRoomLeftToPad) {
  ZipOptions options;
  options.comment = std::string(0xFFFF, 'c');
  dir.Write("long.zip", BuildZip({File("a.txt", "a")}, options));
  size_t zipSize = dir.Read("long.zip").size();
  before = dir.Names();
  for (std::string caption; caption.size() < kOutputAlignment; caption += "c") {
    SCOPED_TRACE(caption.size());
    std::vector<std::string> args = {"pack", "--stub", "stub.exe", "--caption", caption, "long.zip"};
    if ((kImageSize + 12 + caption.size() + zipSize) % kOutputAlignment == 0) {
      args.push_back("new.exe");
      EXPECT_EQ(Mksfx(args, dir.Native()).exitCode, 0);
      RunTool({"rm", dir.Native("new.exe")});
      continue;
    }
    args.push_back("out.exe");
    ExpectRefused(args, 1, "the archive comment of 65535 bytes leaves no room for the ");
  }
}

TEST_F(PackRefusal, WrongCommandLines) {
  WriteNativeFile(dir.Native("info.txt"), "info");
  before = dir.Names();
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const Row rows[] = {
      {{"pack", "in.zip"}, "pack needs INPUT and OUTPUT"},
      {{"pack", "-o", "out.exe"}, "pack needs at least one INPUT"},
      {{"pack", "--colour", "in.zip", "out.exe"}, "unknown option --colour"},
      {{"pack", "in.zip", "out.exe", "--caption"}, "--caption needs a value"},
      {{"pack", "--overwrite", "always", "in.zip", "out.exe"}, "--overwrite takes ask, overwrite or skip"},
      {{"pack", "--auto-extract=yes", "in.zip", "out.exe"}, "--auto-extract takes no value"},
      {{"pack", "--no-block", "--caption", "x", "in.zip", "out.exe"}, "--caption needs a configuration block"},
      {{"pack", "--no-block", "--wait", "in.zip", "out.exe"}, "--wait needs a configuration block"},
      {{"pack", "--temp-cleanup", "--run", "r.exe", "--no-block", "in.zip", "out.exe"},
       "--temp-cleanup needs a configuration block"},
      {{"pack", "--temp-cleanup", "in.zip", "out.exe"},
       "--temp-cleanup needs a run command to start in the temporary folder and wait for: give --run"},
      {{"pack", "--run", "r.exe", "--temp-cleanup", "--run", "", "in.zip", "out.exe"},
       "--temp-cleanup needs a run command"},
      {{"pack", "--keep-settings", "--temp-cleanup", "out.exe", "new.exe"}, "--temp-cleanup needs a run command"},
      {{"pack", "--temp-cleanup", "--run", "r.exe", "--default-folder", "><", "in.zip", "out.exe"},
       "--temp-cleanup extracts into a fresh folder of its own, so a default folder would go unused"},
      {{"pack", "--info-text", "a", "--info-file", "info.txt", "in.zip", "out.exe"},
       "either --info-text or --info-file"},
      {{"unpack"}, "unknown command \"unpack\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    std::vector<std::string> args = row.args;
    if (args[0] == "pack") args.insert(args.begin() + 1, {"--stub", "stub.exe"});
    ExpectRefused(args, 2, row.message);
  }
  RunResult none = Mksfx({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("usage: mksfx COMMAND"), std::string::npos);
}

TEST_F(PackRefusal, HelpDocumentsEveryOption) {
  RunResult r = Mksfx({"pack", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* option :
       {"--stub", "--no-block", "--caption", "--default-folder", "\"><\"", "--run", "--info-text",
        "--info-file", "--info-caption", "--hide-run-checkbox", "--fixed-file-list", "--elevate",
        "--hide-overwrite-choice", "--overwrite", "--auto-extract", "--force", "0x5400", "--output",
        "-12", "--codepage", "--password-file", "--password-prompt", "--password", "--keep-settings",
        "SOURCE_DATE_EPOCH", "--wait", "--no-wait", "--temp-cleanup", "--no-temp-cleanup"})
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
  EXPECT_EQ(Mksfx({"--help"}).exitCode, 0);
  for (const char* command : {"info", "check", "extract"}) {
    RunResult help = Mksfx({command, "--help"});
    EXPECT_EQ(help.exitCode, 0) << command;
    EXPECT_EQ(help.out.compare(0, 13 + strlen(command), std::string("usage: mksfx ") + command), 0)
        << help.out;
  }
  EXPECT_EQ(Mksfx({"--version"}).out.compare(0, 6, "mksfx "), 0);
}

TEST_F(PackRefusal, DefaultStubComesFromTheEnvironment) {
  RunResult r = RunTool(
      {"env", "MKSFX_STUB=" + dir.Native("nothere.exe"), MKSFX_BINARY, "pack", "in.zip", "new.exe"}, dir.Native());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("nothere.exe: cannot open"), std::string::npos) << r.err;
  r = RunTool({"env", "MKSFX_STUB=" + dir.Native("stub.exe"), MKSFX_BINARY, "pack", "in.zip", "new.exe"},
              dir.Native());
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

}  // namespace
