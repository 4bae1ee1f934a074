// Where pack writes and what it takes: an existing OUTPUT is replaced only
// when nothing is lost by it, a single ZIP-format INPUT is taken over only
// when it says it is an archive, OUTPUT "-" and --password-file "-" go
// through the standard streams, and the stub comes from --stub, else
// $MKSFX_STUB, else mksfx itself.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class PackTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    WriteNativeFile(dir.Native("a.txt"), "some text\n");
    WriteNativeFile(dir.Native("b.txt"), "other text\n");
    ASSERT_EQ(RunTool({"zip", "-q", dir.Native("in.zip"), "a.txt"}, dir.Native()).exitCode, 0);
  }

  RunResult Pack(std::vector<std::string> args) {
    args.insert(args.begin(), {"pack", "--stub", "stub.exe"});
    return Mksfx(args, dir.Native());
  }

  TempFolder dir;
};

// In turn on one file: kept, replaced with --force, then replaced as the
// self-extractor it now is; an empty file is replaced, a program ("MZ"
// with no archive the stub would find) is kept.
TEST_F(PackTarget, OnlyEmptyFilesAndSelfExtractorsAreReplacedWithoutForce) {
  WriteNativeFile(dir.Native("notes.txt"), "my notes\n");
  WriteNativeFile(dir.Native("empty.exe"), "");
  WriteNativeFile(dir.Native("program.exe"), FakeStub(kShortStubSize));
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    std::string entries;  // of OUTPUT afterwards, when replaced
  };
  const Row rows[] = {
      {{"a.txt", "notes.txt"}, 1, ""},
      {{"--force", "a.txt", "notes.txt"}, 0, "a.txt "},
      {{"b.txt", "notes.txt"}, 0, "b.txt "},
      {{"a.txt", "empty.exe"}, 0, "a.txt "},
      {{"a.txt", "program.exe"}, 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    RunResult r = Pack(row.args);
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
    EXPECT_EQ(row.exitCode ? "" : EntryNames(dir.Native(row.args.back())), row.entries);
  }
  EXPECT_EQ(dir.Read("program.exe"), FakeStub(kShortStubSize));
  EXPECT_EQ(Pack({"a.txt", "program.exe"}).err,
            "mksfx: program.exe: exists and is not a self-extractor; mksfx does not replace it (was OUTPUT "
            "forgotten?).  Name a new OUTPUT, or give --force to replace it\n");
}

// Named *.zip in any case (self-extractors and the corpus's .jar with
// --archive are taken over in the older tests); other ZIP-format files are
// packed as files with a note.
TEST_F(PackTarget, SingleZipFormatInputIsTakenOverOnlyWhenItSaysSo) {
  for (const char* copy : {"IN.ZIP", "report.docx"}) RunTool({"cp", dir.Native("in.zip"), dir.Native(copy)});
  struct Row {
    std::vector<std::string> args;
    std::string entries;
    std::string err;
  };
  const Row rows[] = {
      {{"IN.ZIP"}, "a.txt ", ""},
      {{"report.docx"}, "report.docx ",
       "mksfx: note: report.docx is a ZIP archive but is packed as a file; --archive takes over its entries\n"},
      {{"--archive", "a.txt", "b.txt"}, "", "mksfx: --archive takes over the entries of one INPUT archive; "
                                            "give only that INPUT\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.back());
    RunTool({"rm", "-f", dir.Native("out.exe")});
    std::vector<std::string> args = row.args;
    args.push_back("out.exe");
    RunResult r = Pack(args);
    EXPECT_EQ(r.err, row.err);
    EXPECT_EQ(r.exitCode, row.entries.empty() ? 2 : 0);
    EXPECT_EQ(r.exitCode ? "" : EntryNames(dir.Native("out.exe")), row.entries);
  }
}
TEST_F(PackTarget, StandardOutputAndStandardInput) {
  WriteNativeFile(dir.Native("pw.txt"), "secret\n");
  const std::string epoch = "SOURCE_DATE_EPOCH=1600000000 ";
  const std::string mksfx = std::string(MKSFX_BINARY) + " pack --stub stub.exe ";
  RunResult file = RunTool({"sh", "-c", epoch + mksfx + "--password-file pw.txt a.txt file.exe"}, dir.Native());
  ASSERT_EQ(file.exitCode, 0) << file.err;
  // The same bytes through both streams; what follows the first line of the
  // password stays unread.
  RunResult piped = RunTool({"sh", "-c", "printf 'secret\\nmore' | " + epoch + mksfx + "--password-file - a.txt -"},
                            dir.Native());
  EXPECT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_TRUE(piped.out == dir.Read("file.exe"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.txt", "b.txt", "file.exe", "in.zip", "pw.txt", "stub.exe"}));

  // Never onto a terminal.
  RunResult terminal = RunTool({"script", "-qec", mksfx + "a.txt -", "/dev/null"}, dir.Native());
  EXPECT_EQ(terminal.exitCode, 2);
  EXPECT_NE(terminal.out.find("mksfx: OUTPUT - writes the self-extractor to standard output, which is a "
                              "terminal"), std::string::npos) << terminal.out;

  // A refusal writes nothing to standard output.
  RunResult refused = Pack({"missing.txt", "-"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.out, "");
}

// A copy of mksfx alone packs with the stub built into it; an empty
// $MKSFX_STUB counts as none; --stub wins over $MKSFX_STUB (which alone is
// taken, as the refusal tests show).
TEST_F(PackTarget, StubFromOptionThenEnvironmentThenBuiltIn) {
  RunTool({"mkdir", dir.Native("bin")});
  RunTool({"cp", MKSFX_BINARY, dir.Native("bin/mksfx")});
  std::string builtIn = ReadNativeFile(EMBEDDED_STUB), option = dir.Read("stub.exe"), other = option;
  other[100] = 'Z';
  WriteNativeFile(dir.Native("environment.exe"), other);
  ASSERT_FALSE(builtIn.empty());
  struct Row {
    std::vector<std::string> args;
    std::string stub;
  };
  const Row rows[] = {
      {{"-u", "MKSFX_STUB", dir.Native("bin/mksfx"), "pack"}, builtIn},
      {{"MKSFX_STUB=", dir.Native("bin/mksfx"), "pack"}, builtIn},
      {{"MKSFX_STUB=environment.exe", dir.Native("bin/mksfx"), "pack", "--stub", "stub.exe"}, option},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[0]);
    std::vector<std::string> argv = {"env"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    argv.insert(argv.end(), {"a.txt", "out.exe"});
    ASSERT_EQ(RunTool(argv, dir.Native()).exitCode, 0);
    EXPECT_TRUE(dir.Read("out.exe").compare(0, row.stub.size(), row.stub) == 0);
  }
}

}  // namespace
