// Texts, passwords and names: UTF-8 outside, the stub's code page inside,
// names of DOS archives read as code page 437, names printed escaped.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

bool Has(const RunResult& r, const std::string& part) { return ::Has(r.out + r.err, part); }

// Texts read back by info, in the default page and through --codepage of
// pack, info and check; every text the page cannot hold is named, as are
// non-UTF-8 texts and passwords.  (The caption in the dialog: an end-to-end case.)
TEST(Encoding, TextsAndPasswordsAreConvertedOrNamed) {
  StubFolder dir;
  const std::string password = "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C";
  dir.Write("pw", password + "\n");
  ASSERT_EQ(dir.Pack({"--default-folder", "C:\\\xC3\x86", "--run", "\xC3\xA9.exe|><", "pw", "out.exe"}).exitCode, 0);
  RunResult info = Mksfx({"info", "out.exe"}, dir.Native());
  EXPECT_TRUE(Has(info, "default folder:        \"C:\\\xC3\x86\"") && Has(info, "\"\xC3\xA9.exe|><\"")) << info.out;
  RunResult r = dir.Pack({"--caption", "\xE4\xB8\xAD", "--info-text", "a\xE2\x98\x83", "--info-caption", "\xE9",
                          "pw", "bad.exe"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r, "mksfx: Windows code page 1252 cannot hold these texts (another --codepage may):\n"
                     "  --caption: U+4E2D (\xE4\xB8\xAD)\n  --info-text: U+2603 (\xE2\x98\x83)\n"
                     "these texts are not valid UTF-8, which mksfx reads texts in:\n"
                     "  --info-caption: the byte 0xE9 at offset 0\n")) << r.err;
  r = dir.Pack({"--caption", "ok", "--run", "a\xC3", "pw", "bad.exe"});
  EXPECT_EQ(r.err, "mksfx: these texts are not valid UTF-8, which mksfx reads texts in:\n"
                   "  --run: the byte 0xC3 at offset 1\n");

  ASSERT_EQ(dir.Pack({"--codepage", "1251", "--caption", "\xD0\x9F", "--password-file", "pw", "pw", "cyr.exe"}).exitCode, 0);
  EXPECT_TRUE(Has(Mksfx({"info", "--codepage", "1251", "cyr.exe"}, dir.Native()), "caption:               \"\xD0\x9F\""));
  EXPECT_EQ(Mksfx({"check", "--codepage", "1251", "--password", password, "cyr.exe"}, dir.Native()).exitCode, 0);
  RunResult c = Mksfx({"check", "--password", password, "cyr.exe"}, dir.Native());
  EXPECT_EQ(c.exitCode, 1);
  EXPECT_EQ(c.err, "mksfx: --password: the character U+043F has no byte in Windows code page 1252\n");
}

// Names and texts are composed (NFC) before they meet the code page, as
// macOS-made (decomposed) trees need; where the page holds a character only
// decomposed (Windows-1258), its parts are written.  Both forms of a name
// are one name to the stub.
TEST(Encoding, DecomposedNamesAndTextsAreComposedFirst) {
  StubFolder dir;
  const std::tuple<int, std::string, std::string> rows[] = {  // page, file name, name info shows ("": refused)
      {1252, "cafe\xCC\x81.txt", "caf\xC3\xA9.txt"},              // e U+0301: U+00E9
      {1252, "\xE2\x84\xAB.txt", "\xC3\x85.txt"},                 // U+212B ANGSTROM SIGN: U+00C5
      {1252, "a\xCC\xA3\xCC\x82.txt", ""},                         // U+1EAD, not in the page
      {1252, "x\xCC\x81.txt", ""},                                   // no composite: U+0301 stays
      {1258, "\xE1\xBB\xA9.txt", "\xC6\xB0\xCC\x81.txt"},         // U+1EE9: U+01B0 U+0301
      {1258, "\xC6\xB0\xCC\x81.txt", "\xC6\xB0\xCC\x81.txt"},
  };
  for (const auto& [page, name, shown] : rows) {
    SCOPED_TRACE(name);
    dir.Write("in/" + name, "x");
    RunResult r = dir.Pack({"--codepage", std::to_string(page), "in/" + name, "out.exe"});
    EXPECT_EQ(r.exitCode, shown.empty() ? 1 : 0) << r.err;
    if (shown.empty())
      EXPECT_TRUE(Has(r, "has no byte in Windows code page " + std::to_string(page))) << r.err;
    else
      EXPECT_TRUE(Has(Mksfx({"info", "--codepage", std::to_string(page), "out.exe"}, dir.Native()), "  " + shown + "\n"));
    RunTool({"rm", "-rf", "in", "out.exe"}, dir.Native());
  }
  dir.Write("both/cafe\xCC\x81.txt", "nfd");
  dir.Write("both/caf\xC3\xA9.txt", "nfc");
  EXPECT_TRUE(Has(dir.Pack({"both", "out.exe"}), ": the same name as \"caf\xC3\xA9.txt\""));
  ASSERT_EQ(dir.Pack({"--caption", "Cafe\xCC\x81", "--password", "e\xCC\x81", "both/caf\xC3\xA9.txt", "out.exe"}).exitCode, 0);
  EXPECT_TRUE(Has(Mksfx({"info", "out.exe"}, dir.Native()), "caption:               \"Caf\xC3\xA9\""));
  EXPECT_EQ(Mksfx({"check", "--password", "\xC3\xA9", "out.exe"}, dir.Native()).exitCode, 0);
}

// --info-file and --password-file take a file, a pipe or "-" (standard
// input, for one of them) alike, and drop a UTF-8 byte order mark alike.
TEST(Encoding, TextFilesAndStandardInputFollowOneRule) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  const std::string pack = std::string(MKSFX_BINARY) + " pack --stub stub.exe ";
  const std::string bom = "\xEF\xBB\xBF";
  const std::tuple<std::string, std::string, int> rows[] = {  // standard input, options, exit code
      {"", "--info-file info.txt --password-file pw.txt", 0},
      {bom + "Hi\r\nthere", "--info-file - --password-file pw.txt", 0},
      {bom + "s\xC3\xA9" "cret\nrest", "--info-file info.txt --password-file -", 0},
      {"", "--info-file <(cat info.txt) --password-file <(cat pw.txt)", 0},
      {"x", "--info-file - --password-file -", 2},
  };
  dir.Write("info.txt", bom + "Hi\r\nthere");
  dir.Write("pw.txt", bom + "s\xC3\xA9" "cret\r\n");
  for (const auto& [input, options, exitCode] : rows) {
    SCOPED_TRACE(options);
    RunResult r = RunTool({"bash", "-c", "printf '%s' \"$0\" | " + pack + options + " a.txt out.exe", input},
                          dir.Native());
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    if (exitCode) {
      EXPECT_TRUE(Has(r, "--info-file - and --password-file - would both read standard input")) << r.err;
      continue;
    }
    EXPECT_TRUE(Has(Mksfx({"info", "out.exe"}, dir.Native()), "information text:      9 bytes\n    | Hi\n    | there\n"));
    EXPECT_EQ(Mksfx({"check", "--password", "s\xC3\xA9" "cret", "out.exe"}, dir.Native()).exitCode, 0);
  }
}

// Without the UTF-8 flag an MS-DOS host's name is code page 437 (0xE9 is
// U+0398); packed again, a self-extractor's names are the stub's bytes.
TEST(Encoding, NamesOfDosArchivesAreReadAsCodePage437) {
  StubFolder dir;
  dir.Write("in.zip", BuildZip({File("\xE9.txt", "theta")}));
  ASSERT_EQ(dir.Pack({"--codepage", "1253", "in.zip", "once.exe"}).exitCode, 0);
  ASSERT_EQ(dir.Pack({"--codepage", "1253", "once.exe", "twice.exe"}).exitCode, 0);
  EXPECT_TRUE(Has(Mksfx({"info", "--codepage", "1253", "twice.exe"}, dir.Native()), "  \xCE\x98.txt\n"));
}

// A line for every file written, not only those the stub's status line
// shows; control characters escaped (ESC by every command, U+0081 that
// Windows-1252 leaves undefined), letters beside them as they are.
TEST(Encoding, ExtractPrintsEveryFileAndNamesEscaped) {
  StubFolder dir;
  dir.Write("src/\xC3\xA9\xC2\x81.txt", "c");
  RunTool({"sh", "-c", "mkdir src/many && cd src/many && seq 3000 | xargs touch"}, dir.Native());
  ASSERT_EQ(dir.Pack({"-1", "src", "out.exe"}).exitCode, 0);
  RunResult x = Mksfx({"extract", "out.exe", "x"}, dir.Native());
  EXPECT_EQ(std::count(x.out.begin(), x.out.end(), '\n'), 3002);  // "extracting PATH" each, the message
  EXPECT_TRUE(Has(x, "extracting " + dir.Native("x/\xC3\xA9\\u0081.txt\n"))) << x.out;
  EXPECT_TRUE(dir.Exists("x/\xC3\xA9\xC2\x81.txt"));

  Fixture({"stored", dir.Native("esc.zip"), "e\x1B]0;t\x07.txt"});
  RunResult r = dir.Pack({"esc.zip", "esc.exe"});
  ASSERT_EQ(dir.Pack({"--force", "esc.zip", "esc.exe"}).exitCode, 0);
  for (const RunResult& o : {r, Mksfx({"info", "esc.exe"}, dir.Native()), Mksfx({"check", "esc.exe"}, dir.Native()),
                             Mksfx({"extract", "esc.exe", "y"}, dir.Native())})
    EXPECT_TRUE(!Has(o, "\x1B") && Has(o, "e\\x1B]0;t\\x07.txt")) << o.out << o.err;
}

// Names differing only in case land on one file, which keeps the spelling
// it has, as on Windows: mksfx extract keeps each folder's listing for the
// run, and that listing still holds a file that was there before the run.
TEST(Encoding, ExtractLandsNamesDifferingInCaseOnOneFile) {
  StubFolder dir;
  dir.Write("in.zip", BuildZip({File("Same.txt", "first"), File("sAME.txt", "second"), File("Dir/a.txt", "a"),
                                File("DIR/b.txt", "b"), File("old.TXT", "new")}));
  ASSERT_EQ(dir.Pack({"--force", "in.zip", "out.exe"}).exitCode, 0);
  dir.Write("x/OLD.txt", "old");
  EXPECT_EQ(Mksfx({"extract", "-q", "--overwrite", "overwrite", "out.exe", "x"}, dir.Native()).exitCode, 0);
  EXPECT_EQ(dir.Read("x/Same.txt"), "second");
  EXPECT_EQ(dir.Read("x/OLD.txt"), "new");
  RunResult tree = RunTool({"sh", "-c", "cd x && find . -type f | sort"}, dir.Native());
  EXPECT_EQ(tree.out, "./Dir/a.txt\n./Dir/b.txt\n./OLD.txt\n./Same.txt\n");

  // Greek folds too (Windows-1253 bytes, packed as they are).
  dir.Write("greek.zip", BuildZip({File("\xC1.txt", "upper"), File("\xE1.txt", "lower")}));
  ASSERT_EQ(dir.Pack({"--force", "greek.zip", "greek.exe"}).exitCode, 0);
  Mksfx({"extract", "-q", "--codepage", "1253", "--overwrite", "overwrite", "greek.exe", "g"}, dir.Native());
  EXPECT_EQ(RunTool({"ls", "g"}, dir.Native()).out, "\xCE\x91.txt\n");
}

}  // namespace
