// Where pack writes and what it takes: OUTPUT replaced only when nothing is
// lost, a ZIP-format INPUT taken over only when it says so, the standard
// streams for "-", and the stub from --stub, else $MKSFX_STUB, else mksfx.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string kPack = std::string(MKSFX_BINARY) + " pack --stub stub.exe ";

// A file kept unless --force, an empty one replaced, a program kept; *.zip in
// any case taken over, other ZIP-format files packed as files.
TEST(PackTarget, OutputIsReplacedAndInputTakenOverOnlyWhenSaid) {
  StubFolder dir;
  for (const char* name : {"a.txt", "b.txt", "notes.txt"}) dir.Write(name, name);
  dir.Write("empty.exe", "");
  dir.Write("program.exe", FakeStub(kShortStubSize));
  ASSERT_EQ(RunTool({"sh", "-c", "zip -q IN.ZIP a.txt && cp IN.ZIP report.docx"}, dir.Native()).exitCode, 0);
  const std::tuple<std::string, int, std::string, std::string> rows[] = {  // args, exit code, entries, error
      {"a.txt notes.txt", 1, "", "mksfx: notes.txt: exists and is not a self-extractor; mksfx does not replace it"},
      {"--force a.txt notes.txt", 0, "a.txt ", ""},
      {"a.txt empty.exe", 0, "a.txt ", ""},
      {"a.txt program.exe", 1, "", "mksfx: program.exe: exists"},
      {"IN.ZIP one.exe", 0, "a.txt ", ""},
      {"report.docx two.exe", 0, "report.docx ", "mksfx: note: report.docx is a ZIP archive but is packed as a file"},
      {"--archive a.txt b.txt three.exe", 2, "", "mksfx: --archive takes over the entries of one INPUT archive"},
  };
  for (const auto& [args, exitCode, entries, err] : rows) {
    SCOPED_TRACE(args);
    RunResult r = RunTool({"sh", "-c", kPack + args}, dir.Native());
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_EQ(r.err.substr(0, err.empty() ? std::string::npos : err.size()), err);
    EXPECT_EQ(exitCode ? "" : EntryNames(dir.Native(args.substr(args.rfind(' ') + 1))), entries);
  }
  EXPECT_EQ(dir.Read("program.exe"), FakeStub(kShortStubSize));
}

// The same bytes through both streams and a pipe as password file; what follows the password's first
// line stays unread; never onto a terminal; a refusal writes nothing there.
TEST(PackTarget, StandardOutputAndStandardInput) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  dir.Write("pw.txt", "secret\n");
  const std::string pack = "SOURCE_DATE_EPOCH=1600000000 " + kPack;
  ASSERT_EQ(RunTool({"sh", "-c", pack + "--password-file pw.txt a.txt file.exe"}, dir.Native()).exitCode, 0);
  RunResult piped = RunTool({"sh", "-c", "printf 'secret\\nmore' | " + pack + "--password-file - a.txt -"}, dir.Native());
  EXPECT_TRUE(piped.out == dir.Read("file.exe")) << piped.err;
  ASSERT_EQ(RunTool({"bash", "-c", pack + "--password-file <(printf secret) a.txt fifo.exe"}, dir.Native()).exitCode, 0);
  EXPECT_TRUE(dir.Read("fifo.exe") == dir.Read("file.exe"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.txt", "fifo.exe", "file.exe", "pw.txt", "stub.exe"}));
  RunResult terminal = RunTool({"script", "-qec", kPack + "a.txt -", "/dev/null"}, dir.Native());
  EXPECT_EQ(terminal.exitCode, 2);
  EXPECT_NE(terminal.out.find("to standard output, which is a terminal"), std::string::npos) << terminal.out;
  EXPECT_EQ(dir.Pack({"missing.txt", "-"}).out, "");
}

// A copy of mksfx alone packs with its built-in stub, also with an empty
// $MKSFX_STUB; --stub wins over $MKSFX_STUB.
TEST(PackTarget, StubFromOptionThenEnvironmentThenBuiltIn) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  RunTool({"cp", MKSFX_BINARY, dir.Native("mksfx")});
  std::string builtIn = ReadNativeFile(EMBEDDED_STUB);
  ASSERT_FALSE(builtIn.empty());
  const std::pair<std::string, std::string> rows[] = {
      {"env -u MKSFX_STUB ./mksfx pack", builtIn},
      {"MKSFX_STUB= ./mksfx pack", builtIn},
      {"MKSFX_STUB=a.txt ./mksfx pack --stub stub.exe", dir.Read("stub.exe")},
  };
  for (const auto& [command, stub] : rows) {
    ASSERT_EQ(RunTool({"sh", "-c", command + " a.txt out.exe"}, dir.Native()).exitCode, 0) << command;
    EXPECT_TRUE(dir.Read("out.exe").compare(0, stub.size(), stub) == 0) << command;
  }
}

}  // namespace
