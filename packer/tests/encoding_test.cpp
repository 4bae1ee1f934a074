// Texts, passwords and names in UTF-8 on the command line, in files and on
// the terminal, in the stub's code page in the self-extractor; names of DOS
// archives read as code page 437; names printed escaped.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

class Encoding : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    dir.Write("src/a.txt", "a");
  }

  RunResult Pack(const std::vector<std::string>& options, const std::string& input) {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {input, dir.Native("out.exe")});
    RunTool({"rm", "-rf", dir.Native("out.exe"), dir.Native("x")});
    return Mksfx(args);
  }

  TempFolder dir;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Texts in Windows-1252 (their bytes in the block tests), read back by info
// in UTF-8; every text the page cannot hold is named, as are non-UTF-8 ones.
TEST_F(Encoding, TextsAreConvertedToTheCodePageAndShownInUtf8) {
  ASSERT_EQ(Pack({"--caption", "Prod\xC3\xBC" "ct", "--default-folder", "C:\\\xC3\x86", "--run", "\xC3\xA9.exe|><"},
                 dir.Native("src")).exitCode, 0);
  std::string info = Mksfx({"info", dir.Native("out.exe")}).out;
  for (const char* line : {"caption:               \"Prod\xC3\xBC" "ct\"", "default folder:        \"C:\\\xC3\x86\"",
                           "run command:           \"\xC3\xA9.exe|><\""})
    EXPECT_TRUE(Has(info, line)) << info;

  RunResult r = Pack({"--caption", "\xE4\xB8\xAD", "--info-text", "a\xE2\x98\x83", "--info-caption", "\xE9"},
                     dir.Native("src"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.err, "mksfx: Windows code page 1252 cannot hold these texts (another --codepage may):\n"
                         "  --caption: U+4E2D (\xE4\xB8\xAD)\n  --info-text: U+2603 (\xE2\x98\x83)\n"))
      << r.err;
  EXPECT_TRUE(Has(r.err, "  --info-caption: not valid UTF-8\n")) << r.err;
}

// Another page for a caption and a password, through --codepage of pack,
// info, check and extract (the default page's password in the folder round
// trip); a password without bytes in the page is named, not tried.
TEST_F(Encoding, CodePageOfTextsAndPasswords) {
  const std::string password = "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C";
  WriteNativeFile(dir.Native("pw"), password + "\n");
  ASSERT_EQ(Pack({"--codepage", "1251", "--caption", "\xD0\x9F", "--password-file", dir.Native("pw")},
                 dir.Native("src")).exitCode, 0);
  EXPECT_TRUE(Has(Mksfx({"info", "--codepage", "1251", dir.Native("out.exe")}).out, "caption:               \"\xD0\x9F\""));
  RunResult c = Mksfx({"check", "--codepage", "1251", "--password", password, dir.Native("out.exe")});
  EXPECT_EQ(c.exitCode, 0) << c.out << c.err;
  RunResult x = Mksfx({"extract", "--codepage", "1251", "--password", password, dir.Native("out.exe"),
                       dir.Native("x")});
  EXPECT_EQ(x.exitCode, 0) << x.out << x.err;
  EXPECT_EQ(dir.Read("x/a.txt"), "a");
  c = Mksfx({"check", "--password", password, dir.Native("out.exe")});
  EXPECT_EQ(c.exitCode, 1);
  EXPECT_EQ(c.err, "mksfx: --password: the character U+043F has no byte in Windows code page 1252\n");
}

// Without the UTF-8 flag an MS-DOS host's name is code page 437 (0xE9 is
// U+0398; into Windows-1252 and from a Windows host through the corpus);
// a self-extractor's names are the stub's bytes already.
TEST_F(Encoding, NamesOfDosArchivesAreReadAsCodePage437) {
  WriteNativeFile(dir.Native("in.zip"), BuildZip({File("\xE9.txt", "theta")}));
  ASSERT_EQ(Pack({"--codepage", "1253"}, dir.Native("in.zip")).exitCode, 0);
  EXPECT_TRUE(Has(Mksfx({"info", "--codepage", "1253", dir.Native("out.exe")}).out, "  \xCE\x98.txt\n"));
  RunTool({"mv", dir.Native("out.exe"), dir.Native("again.exe")});
  ASSERT_EQ(Pack({"--codepage", "1253"}, dir.Native("again.exe")).exitCode, 0);
  EXPECT_EQ(Mksfx({"extract", "-q", "--codepage", "1253", dir.Native("out.exe"), dir.Native("x")}).exitCode, 0);
  EXPECT_EQ(dir.Read("x/\xCE\x98.txt"), "theta");
}

// A line for every file written, not only those the stub's status line
// shows; control characters escaped (ESC through every command, U+0081 that
// Windows-1252 leaves undefined), letters beside them printed as they are.
TEST_F(Encoding, ExtractPrintsEveryFileAndNamesEscaped) {
  WriteNativeFile(dir.Native("src/\xC3\xA9\xC2\x81.txt"), "c");
  RunTool({"sh", "-c", "mkdir src/many && cd src/many && seq 3000 | xargs touch"}, dir.Native());
  ASSERT_EQ(Pack({"-1"}, dir.Native("src")).exitCode, 0);
  RunResult x = Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")});
  EXPECT_EQ(x.exitCode, 0) << x.out;
  EXPECT_EQ(std::count(x.out.begin(), x.out.end(), '\n'), 3003);  // "extracting PATH" each, the message
  EXPECT_TRUE(Has(x.out, "extracting " + dir.Native("x/\xC3\xA9\\u0081.txt\n")));
  EXPECT_TRUE(dir.Exists("x/\xC3\xA9\xC2\x81.txt"));
  EXPECT_TRUE(Has(Mksfx({"info", dir.Native("out.exe")}).out, " \xC3\xA9\\u0081.txt\n"));

  Fixture({"stored", dir.Native("esc.zip"), "e\x1B]0;t\x07.txt"});
  RunResult r = Pack({}, dir.Native("esc.zip"));
  ASSERT_EQ(Pack({"--force"}, dir.Native("esc.zip")).exitCode, 0);
  for (const RunResult& o : {r, Mksfx({"info", dir.Native("out.exe")}), Mksfx({"check", dir.Native("out.exe")}),
                             Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")})}) {
    EXPECT_FALSE(Has(o.out + o.err, "\x1B")) << o.out << o.err;
    EXPECT_TRUE(Has(o.out + o.err, "e\\x1B]0;t\\x07.txt")) << o.out << o.err;
  }
}

}  // namespace
