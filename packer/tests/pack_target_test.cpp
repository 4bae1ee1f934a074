// Where pack writes and what it takes: OUTPUT replaced only when nothing is
// lost, a single ZIP-format INPUT taken over only when it says so, OUTPUT and
// --password-file "-" through the standard streams, and the stub from
// --stub, else $MKSFX_STUB, else mksfx itself.
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

// In turn on one OUTPUT: kept, replaced with --force, then as the
// self-extractor it now is; an empty file is replaced, a program ("MZ", no
// archive) kept.  *.zip in any case is taken over (self-extractors and
// --archive in the older tests); other ZIP-format files are packed as files.
TEST_F(PackTarget, OutputIsReplacedAndInputTakenOverOnlyWhenSaid) {
  WriteNativeFile(dir.Native("notes.txt"), "my notes\n");
  WriteNativeFile(dir.Native("empty.exe"), "");
  WriteNativeFile(dir.Native("program.exe"), FakeStub(kShortStubSize));
  for (const char* copy : {"IN.ZIP", "report.docx"}) RunTool({"cp", dir.Native("in.zip"), dir.Native(copy)});
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    std::string entries;  // of OUTPUT afterwards, when written
    std::string err;
  };
  const Row rows[] = {
      {{"a.txt", "notes.txt"}, 1, "", "mksfx: notes.txt: exists and is not a self-extractor; mksfx does not "
                                      "replace it (was OUTPUT forgotten?).  Name a new OUTPUT, or give --force "
                                      "to replace it\n"},
      {{"--force", "a.txt", "notes.txt"}, 0, "a.txt ", ""},
      {{"b.txt", "notes.txt"}, 0, "b.txt ", ""},
      {{"a.txt", "empty.exe"}, 0, "a.txt ", ""},
      {{"a.txt", "program.exe"}, 1, "", "mksfx: program.exe: exists"},
      {{"IN.ZIP", "one.exe"}, 0, "a.txt ", ""},
      {{"report.docx", "two.exe"}, 0, "report.docx ",
       "mksfx: note: report.docx is a ZIP archive but is packed as a file; --archive takes over its entries\n"},
      {{"--archive", "a.txt", "b.txt", "three.exe"}, 2, "",
       "mksfx: --archive takes over the entries of one INPUT archive; give only that INPUT\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    RunResult r = Pack(row.args);
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
    EXPECT_EQ(r.err.substr(0, row.err.empty() ? std::string::npos : row.err.size()), row.err);
    EXPECT_EQ(row.exitCode ? "" : EntryNames(dir.Native(row.args.back())), row.entries);
  }
  EXPECT_EQ(dir.Read("program.exe"), FakeStub(kShortStubSize));
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
  EXPECT_TRUE(piped.out == dir.Read("file.exe")) << piped.err;
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.txt", "b.txt", "file.exe", "in.zip", "pw.txt", "stub.exe"}));

  RunResult terminal = RunTool({"script", "-qec", mksfx + "a.txt -", "/dev/null"}, dir.Native());
  EXPECT_EQ(terminal.exitCode, 2);  // never onto a terminal
  EXPECT_NE(terminal.out.find("to standard output, which is a terminal"), std::string::npos) << terminal.out;

  EXPECT_EQ(Pack({"missing.txt", "-"}).out, "");  // a refusal writes nothing there
}

// A copy of mksfx alone packs with its built-in stub, also with an empty
// $MKSFX_STUB; --stub wins over $MKSFX_STUB (taken alone: refusal tests).
TEST_F(PackTarget, StubFromOptionThenEnvironmentThenBuiltIn) {
  RunTool({"cp", MKSFX_BINARY, dir.Native("mksfx")});
  std::string builtIn = ReadNativeFile(EMBEDDED_STUB), other = dir.Read("stub.exe");
  ASSERT_FALSE(builtIn.empty());
  other[100] = 'Z';
  WriteNativeFile(dir.Native("environment.exe"), other);
  const std::pair<std::string, std::string> rows[] = {
      {"env -u MKSFX_STUB ./mksfx pack", builtIn},
      {"MKSFX_STUB= ./mksfx pack", builtIn},
      {"MKSFX_STUB=environment.exe ./mksfx pack --stub stub.exe", dir.Read("stub.exe")},
  };
  for (const auto& [command, stub] : rows) {
    SCOPED_TRACE(command);
    ASSERT_EQ(RunTool({"sh", "-c", command + " a.txt out.exe"}, dir.Native()).exitCode, 0);
    EXPECT_TRUE(dir.Read("out.exe").compare(0, stub.size(), stub) == 0);
  }
}

}  // namespace
