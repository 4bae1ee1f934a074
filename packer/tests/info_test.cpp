// mksfx info: what the stub's own start-up code reads back from what pack
// wrote, and a non-zero exit where the stub would not find its archive;
// info --json read back by Python's json module.
#include <gtest/gtest.h>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

class Info : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    WriteNativeFile(dir.Native("a.txt"), "some text\n");
    WriteNativeFile(dir.Native("b.txt"), std::string(4000, 'b'));
    ASSERT_EQ(RunTool({"zip", "-q", dir.Native("in.zip"), "a.txt", "b.txt"}, dir.Native()).exitCode, 0);
  }

  RunResult PackAndInfo(const std::vector<std::string>& options, const std::string& archive = "") {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(archive.empty() ? dir.Native("in.zip") : archive);
    args.push_back(dir.Native("out.exe"));
    RunResult packed = Mksfx(args);
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    return Mksfx({"info", dir.Native("out.exe")});
  }

  TempFolder dir;
};

TEST_F(Info, ShowsEverySettingThatPackWrote) {
  struct Row {
    std::vector<std::string> options;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {{},
       {"configuration block: at 0x5400, 12 bytes\n", "first local header: 0x540C\n",
        "show run check box:    yes\n", "selectable file list:  yes\n",
        "hide overwrite choice: no\n", "overwrite mode:        ask (503)\n",
        "auto extract:          no\n", "wait for program:      no\n", "temporary folder:      no\n",
        "caption:               (none)\n",
        "default folder:        (none)\n", "run command:           (none)\n",
        "information caption:   (none)\n", "information text:      (none)\n"}},
      {{"--hide-run-checkbox", "--fixed-file-list", "--hide-overwrite-choice", "--overwrite",
        "overwrite", "--auto-extract"},
       {"show run check box:    no\n", "selectable file list:  no\n",
        "hide overwrite choice: yes\n", "overwrite mode:        overwrite (501)\n",
        "auto extract:          yes\n"}},
      {{"--overwrite", "skip"}, {"overwrite mode:        skip (502)\n"}},
      {{"--wait"}, {"wait for program:      yes\n", "temporary folder:      no\n"}},
      {{"--temp-cleanup", "--run", "a.txt"},
       {"wait for program:      yes\n", "temporary folder:      yes (removed afterwards)\n"}},
      {{"--caption", "Setup of Thing", "--default-folder", "><", "--run", "setup.exe|/S ><",
        "--info-caption", "Read me"},
       {"caption:               \"Setup of Thing\"\n",
        "default folder:        \"><\" (the user's temporary folder)\n",
        "run command:           \"setup.exe|/S ><\"\n", "information caption:   \"Read me\"\n",
        "information text:      (none)\n"}},
      {{"--default-folder", "><x"}, {"default folder:        \"><x\"\n"}},
      {{"--default-folder", "C:\\Program Files\\Thing"},
       {"default folder:        \"C:\\Program Files\\Thing\"\n"}},
      {{"--info-text", "First line\r\nSecond line"},
       {"information text:      23 bytes\n    | First line\n    | Second line\n"}},
      {{"--caption", std::string(255, 'c')}, {"caption:               \"" + std::string(255, 'c') + "\"\n"}},
      {{"--no-block"},
       {"configuration block: none; the stub uses its defaults\n", "first local header: 0x5400\n",
        "overwrite mode:        ask (503)\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.options));
    RunResult r = PackAndInfo(row.options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& line : row.lines) EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
    EXPECT_NE(r.out.find("stub problems: none\n"), std::string::npos) << r.out;
  }
}

// pack refuses the pair; a block written elsewhere may carry both.
TEST_F(Info, DefaultFolderBesideATemporaryFolderIsShownUnused) {
  PackAndInfo({"--default-folder", "C:\\x", "--run", "r.exe"});
  std::string sfx = dir.Read("out.exe");
  sfx[kImageSize + 3] |= 0x80;
  WriteNativeFile(dir.Native("out.exe"), sfx);
  RunResult r = Mksfx({"info", dir.Native("out.exe")});
  EXPECT_NE(r.out.find("default folder:        \"C:\\x\" (unused: the stub extracts into a fresh temporary "
                       "folder)\n"), std::string::npos) << r.out;
}

TEST_F(Info, LongestInformationTextIsReadWhole) {
  WriteNativeFile(dir.Native("info.txt"), std::string(0xFFFF - 12, 'i'));
  RunResult r = PackAndInfo({"--info-file", dir.Native("info.txt")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("configuration block: at 0x5400, 65535 bytes\n"), std::string::npos);
  EXPECT_NE(r.out.find("information text:      65523 bytes\n"), std::string::npos);
  EXPECT_NE(r.out.find("first local header: 0x153FF\n"), std::string::npos) << r.out;
}

TEST_F(Info, ListsEntriesWithMethodSizesCrcAndEncryption) {
  RunResult r = PackAndInfo(
      {}, CorpusPath("zip/libarchive/test_read_format_zip_traditional_encryption_data.zip"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("entries: 2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("deflated   8"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("495  a4d8fd47  yes        bar.txt\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("495  b493c7eb  yes        foo.txt\n"), std::string::npos) << r.out;

  r = PackAndInfo({});
  EXPECT_NE(r.out.find("  0x540C      stored     0          10            10"), std::string::npos) << r.out;
}

TEST_F(Info, ForcedArchivesShowWhatTheStubCannotExtract) {
  RunResult r = PackAndInfo({"--force"}, CorpusPath("zip/libarchive/test_read_format_zip.zip"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("stub problems: 2\n  \"file2\": sizes only in a data descriptor"),
            std::string::npos)
      << r.out;
}

// info and extract name the program the stub starts as the stub's own split
// gives it: at the first "|", every "><" the folder and a backslash, and
// nothing when a part passes 1,023 bytes.  info's folder is "<destination>".
TEST_F(Info, RunCommandIsShownAsTheStubSplitsIt) {
  auto repeat = [](const std::string& s, int n) {
    std::string r;
    while (n--) r += s;
    return r;
  };
  std::string dest = RunTool({"sh", "-c", "echo Z:$(pwd) | tr / '\\\\'"}, dir.Native()).out;
  dest = dest.substr(0, dest.size() - 1) + "\\x\\";
  const int fits = 1023 / (int)dest.size();  // "><" pairs extract's folder fills a part with
  struct Row {
    std::string run, info, extract;  // "": the stub shows "too long a command" and starts nothing
  } rows[] = {
      {"setup.exe|/q|/norestart", "\"setup.exe\" with parameters \"/q|/norestart\"",
       "\"setup.exe\" with parameters \"/q|/norestart\""},
      {"><a b.exe|\"><\"", "\"<destination>\\a b.exe\" with parameters \"\"<destination>\\\"\"",
       "\"" + dest + "a b.exe\" with parameters \"\"" + dest + "\"\""},
      {repeat("><", 73), "\"" + repeat("<destination>\\", 73) + "\"", ""},
      {repeat("><", 74), "nothing (too long a command)", ""},
      {"x|" + repeat("><", fits), "", "\"x\" with parameters \"" + repeat(dest, fits) + "\""},
      {"x|" + repeat("><", fits + 1), "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.run);
    RunResult info = PackAndInfo({"--run", row.run});
    if (!row.info.empty()) EXPECT_NE(info.out.find("the stub starts:     " + row.info + "\n"), std::string::npos) << info.out;
    RunTool({"rm", "-rf", dir.Native("x")});
    RunResult x = Mksfx({"extract", "-q", dir.Native("out.exe"), dir.Native("x")});
    EXPECT_EQ(x.exitCode, 0) << x.err;
    EXPECT_EQ(x.out, "Information: All files have been extracted.\n" +
                         (row.extract.empty() ? "Error...: The program to run after extraction has too long a command.\n"
                                              : "run after extraction: " + row.extract + " (not started by mksfx)\n"));
  }
}

TEST_F(Info, FilesWhereTheStubFindsNoArchiveExitNonZero) {
  // A stub followed by an archive whose offsets were not moved.
  WriteNativeFile(dir.Native("unadjusted.exe"), FakeStub(kImageSize + 100) + dir.Read("in.zip"));
  WriteNativeFile(dir.Native("noarchive.exe"), FakeStub(kImageSize + 5000));
  struct Row {
    std::string file;
    const char* message;
  };
  const Row rows[] = {
      {dir.Native("unadjusted.exe"), "would not find its archive and shows \"Cannot process file.\""},
      {dir.Native("noarchive.exe"), "would not find its archive"},
      {dir.Native("in.zip"), "not a self-extractor (no Windows program in front of the archive)"},
      {dir.Native("missing.exe"), "cannot open"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    RunResult r = Mksfx({"info", row.file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("mksfx: " + row.file + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    RunResult check = Mksfx({"check", row.file});  // says the same
    EXPECT_EQ(std::to_string(check.exitCode) + check.err, "1" + r.err);
  }
  EXPECT_EQ(Mksfx({"info"}).exitCode, 2);
}

// Python's summary of the document, with names the stub refuses (--force)
// escaped and UTF-8 read byte for byte in Windows-1252, as the stub reads it.
TEST_F(Info, JsonHoldsTheSettingsEntriesAndStubProblems) {
  WriteNativeFile(dir.Native("pw"), "secret");
  Fixture({"stored", dir.Native("odd.zip"), "quote\".txt", "tab\there", "caf\xC3\xA9"});
  const std::string summary =
      "import json, sys; d = json.load(sys.stdin); s = d['settings']\n"
      "print(json.dumps([d['codepage'], d['block'] is not None, d['signed'], s['caption'], s['overwrite'],\n"
      "  s['auto_extract'], s['wait_for_program'], s['temp_cleanup'], s['info_text'],\n"
      "  [[e['name'], e['method'], e['uncompressed_size'], e['encrypted'],\n"
      "  len(e['crc32']), e['offset'] >= d['first_local_header']] for e in d['entries']],\n"
      "  [p['entry'] for p in d['stub_problems']]]))\n";
  const std::tuple<std::vector<std::string>, std::string, std::string> rows[] = {
      {{"--caption", "Setup \"1\"", "--overwrite", "skip", "--wait", "--password-file", dir.Native("pw")},
       dir.Native("a.txt"),
       "[1252, true, null, \"Setup \\\"1\\\"\", \"skip\", false, true, false, null, "
       "[[\"a.txt\", \"stored\", 10, true, 8, true]], []]\n"},
      {{"--force", "--no-block"}, dir.Native("odd.zip"),
       "[1252, false, null, null, \"ask\", false, false, false, null, [[\"quote\\\".txt\", \"stored\", 18, false, 8, true], "
       "[\"tab\\there\", \"stored\", 16, false, 8, true], [\"caf\\u00c3\\u00a9\", \"stored\", 13, false, 8, true]], "
       "[\"quote\\\".txt\", \"tab\\there\"]]\n"},
  };
  for (const auto& [options, input, expected] : rows) {
    PackAndInfo(options, input);
    RunResult r = RunTool({"sh", "-c", std::string(MKSFX_BINARY) + " info --json out.exe | python3 -c \"$0\"", summary},
                          dir.Native());
    EXPECT_EQ(r.out, expected) << r.err;
  }
}

// Each entry's time as the stub sets it (the local header's DOS time, local
// time, no zone; null where the system refuses the fields), attributes and
// whether it is a folder; the version fields; check's verdict; and on every
// failure one document with the error on standard output when --json was
// asked, the exit code as without it.
TEST_F(Info, JsonForEveryOutcome) {
  dir.MakeFolder("tree/empty");
  ASSERT_EQ(RunTool({"sh", "-c", "SOURCE_DATE_EPOCH=1600000000 " + std::string(MKSFX_BINARY) +
                                     " pack --stub stub.exe a.txt tree tree.exe"}, dir.Native()).exitCode, 0);
  ZipEntry late = File("late.txt", "x"), folder = File("docs/", ""), up = File("../up.txt", "x");
  late.timeDate = 0x5B3DBF7D;    // 2025-09-29 23:59:58
  folder.timeDate = 0x01A10000;  // month 13: refused
  dir.Write("made.exe", BuildSfx({late, folder}, BlockFields()));
  dir.Write("up.exe", BuildSfx({up}, BlockFields()));
  const std::string summary =
      "import json, sys; d = json.load(sys.stdin); e = d.get('entries')\n"
      "print(json.dumps([d['mksfx_version'].count('.'), d['format_version'], d['command'], d['error'],\n"
      "  d['exit_code'], d.get('verdict'), d.get('findings')] +\n"
      "  [[e['name'], e['time'], e['attributes'], e['folder']] for e in (e if isinstance(e, list) else [])]))\n";
  const std::pair<std::string, std::string> rows[] = {  // arguments, summary and exit code
      {"info --json tree.exe", "[2, 2, \"info\", null, 0, null, null, [\"a.txt\", \"2020-09-13T12:26:40\", 32, false], "
                               "[\"empty/\", \"2020-09-13T12:26:40\", 16, true]]\n0\n"},
      {"info --json made.exe", "[2, 2, \"info\", null, 0, null, null, [\"late.txt\", \"2025-09-29T23:59:58\", 0, false], "
                               "[\"docs/\", null, 0, true]]\n0\n"},
      {"check --json made.exe", "[2, 2, \"check\", null, 0, \"ok\", []]\n0\n"},
      {"check --json up.exe", "[2, 2, \"check\", null, 1, \"problems\", [{\"entry\": \"../up.txt\", \"reason\": "},
      {"info --json missing.exe", "[2, 2, \"info\", \"missing.exe: cannot open: No such file or directory\", 1, null, "
                                  "null]\n1\n"},
      {"check --json a.txt", "[2, 2, \"check\", \"a.txt: not a self-extractor (no Windows program in front of the "
                             "archive); mksfx pack a.txt OUTPUT makes one\", 1, null, null]\n1\n"},
      {"check --colour --json tree.exe", "[2, 2, \"check\", \"unknown option --colour (see mksfx check --help)\", 2, "
                                         "null, null]\n2\n"},
  };
  for (const auto& [args, expected] : rows) {
    SCOPED_TRACE(args);
    const std::string mksfx = std::string(MKSFX_BINARY) + " " + args;
    RunResult r = RunTool({"sh", "-c", mksfx + " 2>/dev/null | python3 -c \"$0\"; " + mksfx + " >/dev/null 2>&1; echo $?",
                           summary}, dir.Native());
    EXPECT_EQ(r.out.substr(0, expected.size()), expected) << r.err;
  }
}

}  // namespace
