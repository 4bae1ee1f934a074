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
      {"a.txt notes.txt", 1, "", "mksfx: notes.txt: exists and is not a self-extractor that mksfx wrote; mksfx "
                                 "does not replace it"},
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

// An existing OUTPUT is replaced without --force only when mksfx wrote it:
// a block laid out as mksfx lays one out, or no block behind this stub's
// image (either level).  A vendor's program with a ZIP appended, which the
// stub's own search takes for a self-extractor, stays byte for byte, and
// nothing of the stub's "Cannot process file." is printed.
TEST(PackTarget, OnlyWhatMksfxWroteIsReplaced) {
  TempFolder dir;
  const char kLevel[] = "<requestedExecutionLevel level=\"asInvoker\"           />";
  std::string stub = FakeStub(kShortStubSize);
  stub.replace(1000, sizeof kLevel - 1, kLevel);
  dir.Write("stub.exe", stub);
  dir.Write("other.exe", FakeStub(kShortStubSize + 8));
  dir.Write("a.txt", "a");
  // Blocks the stub reads (the magic where the length field in front of the
  // archive points), one laid out as mksfx lays one out and one whose
  // caption length says 5 bytes where 1 follows.
  const std::string laidOut = std::string("MPU\x03\x01\0\0\0\0\0x\x0D\0", 13);
  const std::string oddBlock = std::string("MPU\x03\x05\0\0\0\0\0x\x0D\0", 13);
  std::string pe = PeStub(0x10B);
  pe.resize(100000, 'p');
  const std::tuple<std::string, std::string, std::string, bool> rows[] = {
      // OUTPUT, how mksfx made it or the program a ZIP is appended to (zip -A), replaced
      {"vendor.exe", "", pe, false}, {"laid-out.exe", "", pe + laidOut, true},
      {"odd-block.exe", "", pe + oddBlock, false}, {"program.exe", "", FakeStub(kShortStubSize), false},
      {"ours.exe", "--stub stub.exe", "", true}, {"bare.exe", "--stub stub.exe --no-block", "", true},
      {"elevated.exe", "--stub stub.exe --no-block --elevate", "", true},
      {"older.exe", "--stub other.exe --no-block", "", false}};
  for (const auto& [name, options, program, replaced] : rows) {
    std::string command = program.empty() ? std::string(MKSFX_BINARY) + " pack " + options + " a.txt " + name
                                           : "zip -q in.zip a.txt && cat prog in.zip > " + name + " && zip -qA " + name;
    if (!program.empty()) dir.Write("prog", program);
    ASSERT_EQ(RunTool({"sh", "-c", command}, dir.Native()).exitCode, 0) << name;
    SCOPED_TRACE(name);
    const std::string before = dir.Read(name);
    RunResult r = Mksfx({"pack", "--stub", "stub.exe", "--caption", "new", "a.txt", name}, dir.Native());
    EXPECT_EQ(r.exitCode, replaced ? 0 : 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.Read(name) == before, !replaced);
    if (!replaced)
      EXPECT_EQ(r.err, "mksfx: " + name + ": exists and is not a self-extractor that mksfx wrote; mksfx does not "
                "replace it (was OUTPUT forgotten?).  Name a new OUTPUT, or give --force to replace it\n");
  }
  EXPECT_EQ(Mksfx({"pack", "--stub", "stub.exe", "--force", "a.txt", "vendor.exe"}, dir.Native()).exitCode, 0);
  EXPECT_EQ(EntryNames(dir.Native("vendor.exe")), "a.txt ");
}

// A *.zip INPUT, in any case, that holds no archive (a failed download) is
// refused unless --force, which packs it as a file; a real one is taken over.
TEST(PackTarget, ZipNamedInputsHoldAnArchive) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  dir.Write("release.zip", "<html><body>502 Bad Gateway</body></html>\n");
  dir.Write("RELEASE.ZIP", "<html></html>");
  dir.Write("empty.zip", "");
  ASSERT_EQ(RunTool({"zip", "-q", "real.zip", "a.txt"}, dir.Native()).exitCode, 0);
  const std::tuple<std::string, int, std::string> rows[] = {  // args, exit code, entries or the error
      {"release.zip", 1, "mksfx: release.zip: is named *.zip but holds no ZIP archive (a download that failed?); "
                         "give --force to pack it as a file\n"},
      {"RELEASE.ZIP", 1, "mksfx: RELEASE.ZIP: is named *.zip"},
      {"empty.zip", 1, "mksfx: empty.zip: is named *.zip"},
      {"a.txt release.zip", 1, "mksfx: release.zip: is named *.zip"},
      {"--force release.zip", 0, "release.zip "},
      {"--force empty.zip a.txt", 0, "a.txt empty.zip "},
      {"real.zip", 0, "a.txt "},
  };
  for (const auto& [args, exitCode, expected] : rows) {
    SCOPED_TRACE(args);
    RunResult r = RunTool({"sh", "-c", kPack + args + " out.exe"}, dir.Native());
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_EQ(exitCode ? r.err.substr(0, expected.size()) : EntryNames(dir.Native("out.exe")), expected);
    EXPECT_EQ(dir.Exists("out.exe"), exitCode == 0);
    RunTool({"rm", "-f", dir.Native("out.exe")});
  }
}

// Judged by its type alone, never opened: a FIFO, a device (through a link
// to /dev/null), a folder and a link to nothing are refused, also with
// --force, and stay what they were; a link to a self-extractor is followed
// and the file it leads to replaced, the link kept.
TEST(PackTarget, OutputsThatAreNoRegularFileAreRefused) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  dir.Write("notes.txt", "notes");
  const std::string setup = "mkfifo fifo && ln -s /dev/null null && ln -s nowhere dangling && mkdir folder && "
                            "ln -s release.exe link.exe && ln -s notes.txt text-link && " + kPack + "a.txt release.exe";
  ASSERT_EQ(RunTool({"sh", "-c", setup}, dir.Native()).exitCode, 0);
  const std::string release = dir.Read("release.exe");
  const std::tuple<std::string, int, std::string> rows[] = {  // OUTPUT, exit code, error
      {"fifo", 1, "mksfx: fifo: is not a regular file (a device, a FIFO or a socket); mksfx replaces only "
                  "regular files, also with --force.  Name a file, or \"-\" for standard output\n"},
      {"null", 1, "mksfx: null: is not a regular file"},
      {"folder", 1, "mksfx: folder: is a folder"},
      {"dangling", 1, "mksfx: dangling: is a symbolic link to nothing"},
      {"text-link", 1, "mksfx: text-link: exists and is not a self-extractor that mksfx wrote"},
      {"link.exe", 0, ""},
  };
  for (const auto& [output, exitCode, error] : rows) {
    for (const char* force : {"", "--force "}) {
      if (exitCode == 1 && *force && output == "text-link") continue;
      SCOPED_TRACE(output + " " + force);
      RunResult r = RunTool({"sh", "-c", "timeout 20 " + kPack + force + "--caption new a.txt " + output},
                            dir.Native());
      EXPECT_EQ(r.exitCode, exitCode) << r.err;
      EXPECT_EQ(r.err.substr(0, error.size()), error);
    }
  }
  RunResult types = RunTool({"sh", "-c", "test -p fifo && test -L null && test -L dangling && ! test -e nowhere && "
                                         "test -L link.exe && test -L text-link"}, dir.Native());
  EXPECT_EQ(types.exitCode, 0) << "a refused OUTPUT changed its type";
  EXPECT_NE(dir.Read("release.exe"), release);
  EXPECT_EQ(dir.Read("notes.txt"), "notes");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.txt", "dangling", "fifo", "folder", "link.exe", "notes.txt",
                                                   "null", "release.exe", "stub.exe", "text-link"}));
}

// A temporary output left by a run that was killed (its writer's lock gone)
// is removed by the next run into OUTPUT; one a live run holds, and names
// that are not OUTPUT's own, stay.
TEST(PackTarget, StaleTemporaryOutputsAreRemoved) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  for (const char* name : {"out.exe.tmpAbC123", "out.exe.tmpLive99", "out.exe.tmp12", "other.exe.tmpXyZ789"})
    dir.Write(name, "left behind");
  RunResult r = RunTool({"sh", "-c", "flock -o out.exe.tmpLive99 sleep 3 & sleep 0.5; " + kPack + "a.txt out.exe; "
                                     "s=$?; kill $!; exit $s"}, dir.Native());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "mksfx: note: removed out.exe.tmpAbC123, left behind by a run that did not finish\n");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.txt", "other.exe.tmpXyZ789", "out.exe", "out.exe.tmp12",
                                                   "out.exe.tmpLive99", "stub.exe"}));
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
