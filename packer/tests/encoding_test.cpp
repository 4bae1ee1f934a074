// Texts, passwords and names in UTF-8 on the command line, in files and on
// the terminal, in the stub's code page in the self-extractor; names of DOS
// archives read as code page 437; names printed escaped.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class Encoding : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    RunTool({"mkdir", "-p", dir.Native("src")});
    WriteNativeFile(dir.Native("src/a.txt"), "a");
  }

  RunResult Pack(const std::vector<std::string>& options, const std::string& input) {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {input, dir.Native("out.exe")});
    RunTool({"rm", "-rf", dir.Native("out.exe"), dir.Native("x")});
    return Mksfx(args);
  }

  std::string Block() {
    std::vector<uint8_t> out = ReadBytes(dir.Native("out.exe"));
    return out.size() < kImageSize ? "" : std::string(out.begin() + kImageSize, out.end());
  }

  TempFolder dir;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(Encoding, TextsAreConvertedToTheCodePageAndShownInUtf8) {
  WriteNativeFile(dir.Native("info.txt"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
  struct Row {
    std::vector<std::string> options;
    std::string inBlock;  // code page bytes; "" when refused
    std::string shown;    // in info's output, or in the refusal
  };
  const Row rows[] = {
      {{"--caption", "Prod\xC3\xBC" "ct"}, "Prod\xFC" "ct", "caption:               \"Prod\xC3\xBC" "ct\""},
      {{"--run", "\xC3\xA9.exe|><"}, "\xE9.exe|><", "run command:           \"\xC3\xA9.exe|><\""},
      {{"--default-folder", "C:\\\xC3\x86"}, "C:\\\xC6", "default folder:        \"C:\\\xC3\x86\""},
      {{"--info-file", dir.Native("info.txt"), "--info-caption", "\xC2\xBB"},
       "\xBB", "    | Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC\n"},
      {{"--codepage", "1251", "--caption", "\xD0\x9F"}, "\xCF", "caption:               \"\xD0\x9F\""},
      {{"--caption", "\xE4\xB8\xAD", "--info-text", "a\xE2\x98\x83", "--run", "ok"}, "",
       "mksfx: Windows code page 1252 cannot hold these texts (another --codepage may):\n"
       "  --caption: U+4E2D (\xE4\xB8\xAD)\n  --info-text: U+2603 (\xE2\x98\x83)\n"},
      {{"--info-caption", "\xE9"}, "", "  --info-caption: not valid UTF-8\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.options));
    RunResult r = Pack(row.options, dir.Native("src"));
    if (row.inBlock.empty()) {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_TRUE(Has(r.err, row.shown)) << r.err;
      EXPECT_FALSE(dir.Exists("out.exe"));
      continue;
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(Block().substr(0, 300), row.inBlock));
    std::vector<std::string> info = {"info", dir.Native("out.exe")};
    if (row.options[0] == "--codepage") info.insert(info.begin() + 1, {"--codepage", "1251"});
    RunResult i = Mksfx(info);
    EXPECT_TRUE(Has(i.out, row.shown)) << i.out;
  }
}

TEST_F(Encoding, PasswordsInUtf8PassCheckAndExtract) {
  struct Row {
    std::string codepage, password;
  };
  const Row rows[] = {{"1252", "p\xC3\xA4ss"}, {"1251", "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.codepage);
    WriteNativeFile(dir.Native("pw"), row.password + "\n");
    ASSERT_EQ(Pack({"--codepage", row.codepage, "--password-file", dir.Native("pw")}, dir.Native("src")).exitCode, 0);
    RunResult c = Mksfx({"check", "--codepage", row.codepage, "--password", row.password, dir.Native("out.exe")});
    EXPECT_EQ(c.exitCode, 0) << c.out << c.err;
    RunResult x = Mksfx({"extract", "--codepage", row.codepage, "--password", row.password,
                         dir.Native("out.exe"), dir.Native("x")});
    EXPECT_EQ(x.exitCode, 0) << x.out << x.err;
    EXPECT_EQ(ReadBytes(dir.Native("x/a.txt")).size(), 1u);
  }
  // The Cyrillic password has no bytes in the default page: named, not tried.
  RunResult c = Mksfx({"check", "--password", rows[1].password, dir.Native("out.exe")});
  EXPECT_EQ(c.exitCode, 1);
  EXPECT_EQ(c.err, "mksfx: --password: the character U+043F has no byte in Windows code page 1252\n");
}

// Without the UTF-8 flag a name is code page 437 unless a Unix system wrote
// it; a self-extractor's names are the stub's bytes already.
TEST_F(Encoding, NamesOfDosArchivesAreReadAsCodePage437) {
  struct Row {
    const char* what;
    std::string host, coding, name, codepage;
    std::string arrives;  // UTF-8 name written by extract; "" when refused
  };
  const Row rows[] = {
      {"MS-DOS", "0", "cp437", "R\xC3\xA9sum\xC3\xA9.txt", "1252", "R\xC3\xA9sum\xC3\xA9.txt"},
      {"NTFS", "11", "cp437", "\xC3\x86\xC3\xB1.txt", "1252", "\xC3\x86\xC3\xB1.txt"},
      {"MS-DOS, Greek page", "0", "cp437", "\xCE\x98.txt", "1253", "\xCE\x98.txt"},
      {"Unix, UTF-8 unflagged", "3", "utf-8", "\xC3\xA9t\xC3\xA9.txt", "1252", "\xC3\xA9t\xC3\xA9.txt"},
      {"MS-DOS, no byte in 1252", "0", "cp437", "\xCE\x98.txt", "1252", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fixture({"named", dir.Native("in.zip"), row.host, row.coding, row.name});
    RunResult r = Pack({"--codepage", row.codepage}, dir.Native("in.zip"));
    if (row.arrives.empty()) {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_TRUE(Has(r.err, "(the character U+0398 has no byte in Windows code page 1252)\n    \"" +
                                 row.name + "\"")) << r.err;
      continue;
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    RunResult i = Mksfx({"info", "--codepage", row.codepage, dir.Native("out.exe")});
    EXPECT_TRUE(Has(i.out, "  " + row.arrives + "\n")) << i.out;
    RunResult x = Mksfx({"extract", "-q", "--codepage", row.codepage, dir.Native("out.exe"), dir.Native("x")});
    EXPECT_EQ(x.exitCode, 0) << x.out;
    EXPECT_TRUE(dir.Exists("x/" + row.arrives));
    // Packed again, the self-extractor keeps its names.
    RunTool({"mv", dir.Native("out.exe"), dir.Native("again.exe")});
    ASSERT_EQ(Pack({"--codepage", row.codepage}, dir.Native("again.exe")).exitCode, 0);
    x = Mksfx({"extract", "-q", "--codepage", row.codepage, dir.Native("out.exe"), dir.Native("x")});
    EXPECT_TRUE(dir.Exists("x/" + row.arrives));
  }
}

TEST_F(Encoding, ExtractWritesUtf8NamesAndOneLinePerFile) {
  const char* names[] = {"Caf\xC3\xA9/\xC3\x9C" "ber.txt", "\xE2\x82\xAC uro.txt", "\xC5\x92uvre/a.txt"};
  for (const char* name : names) {
    std::string path = dir.Native(std::string("src/") + name);
    RunTool({"mkdir", "-p", path.substr(0, path.rfind('/'))});
    WriteNativeFile(path, name);
  }
  const int kMany = 3000;
  RunTool({"sh", "-c", "mkdir src/many && cd src/many && seq 3000 | xargs touch"}, dir.Native());
  ASSERT_EQ(Pack({"-1"}, dir.Native("src")).exitCode, 0);
  RunResult x = Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")});
  EXPECT_EQ(x.exitCode, 0) << x.out;
  EXPECT_EQ(RunTool({"diff", "-r", dir.Native("src"), dir.Native("x")}).exitCode, 0);
  size_t lines = 0;
  for (size_t at = x.out.find("extracting "); at != std::string::npos; at = x.out.find("extracting ", at + 1))
    ++lines;
  EXPECT_EQ(lines, kMany + 1 + sizeof names / sizeof names[0]);
  EXPECT_TRUE(Has(x.out, "extracting " + dir.Native("x/") + names[1] + "\n")) << x.out.substr(0, 2000);
}

// A name holding ESC (refused, or packed with --force) and one holding the
// C1 control U+0081 (byte 0x81, which Windows-1252 leaves undefined).
TEST_F(Encoding, ControlCharactersInNamesArePrintedEscaped) {
  WriteNativeFile(dir.Native("src/c\xC2\x81.txt"), "c");
  WriteNativeFile(dir.Native("src/e\x1B[2J.txt"), "e");
  RunResult r = Pack({}, dir.Native("src"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.err, "\"e\\x1B[2J.txt\": character that Windows forbids")) << r.err;
  RunTool({"rm", dir.Native("src/e\x1B[2J.txt")});
  ASSERT_EQ(Pack({}, dir.Native("src")).exitCode, 0);
  RunResult x = Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")});
  EXPECT_TRUE(Has(x.out, "extracting " + dir.Native("x/c\\u0081.txt\n"))) << x.out;
  EXPECT_TRUE(dir.Exists("x/c\xC2\x81.txt"));
  EXPECT_TRUE(Has(Mksfx({"info", dir.Native("out.exe")}).out, " c\\u0081.txt\n"));

  Fixture({"stored", dir.Native("esc.zip"), "e\x1B]0;t\x07.txt"});
  r = Pack({}, dir.Native("esc.zip"));
  EXPECT_TRUE(Has(r.err, "\n    \"e\\x1B]0;t\\x07.txt\"")) << r.err;
  ASSERT_EQ(Pack({"--force"}, dir.Native("esc.zip")).exitCode, 0);
  RunResult outputs[] = {r, Mksfx({"info", dir.Native("out.exe")}), Mksfx({"check", dir.Native("out.exe")}),
                         Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")})};
  for (const RunResult& o : outputs) {
    EXPECT_FALSE(Has(o.out + o.err, "\x1B")) << o.out << o.err;
    EXPECT_TRUE(Has(o.out + o.err, "e\\x1B]0;t\\x07.txt")) << o.out << o.err;
  }
}

}  // namespace
