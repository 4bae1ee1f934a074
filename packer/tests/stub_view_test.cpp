// What pack refuses and check reports because the stub would get it wrong
// although a reader of the central directory would not: names that land on
// one file on Windows; local headers that say otherwise; --run's warnings.
#include <gtest/gtest.h>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

// Steps from a name to the file Windows opens, named by pack and check (a
// file beside a folder of its name: the corpus tests).
TEST(StubView, NamesThatLandOnOneFileAreRefused) {
  StubFolder dir;
  const std::tuple<std::vector<std::string>, std::string, std::string> rows[] = {  // names, entry reported, reason
      {{"t.txt", "./t.txt"}, "./t.txt", "the same name as \"t.txt\" on Windows, which skips \".\" and empty folder names"},
      {{"Docs/Read.me", "docs\\read.me "}, "docs\\read.me ",
       "the same name as \"Docs/Read.me\" on Windows, which reads \"\\\" as \"/\", drops trailing dots and blanks "
       "and ignores case"},
      {{"x/", "x/y.txt", "X/z.txt"}, "", ""},
      {{"a", "a/"}, "a", "a file of the same name as the folder entry \"a/\""},
  };
  for (const auto& [names, reported, reason] : rows) {
    SCOPED_TRACE(::testing::PrintToString(names));
    std::vector<std::string> args = {"stored", dir.Native("in.zip")};
    args.insert(args.end(), names.begin(), names.end());
    Fixture(args);
    RunResult r = dir.Pack({"in.zip", "out.exe"});
    ASSERT_EQ(dir.Pack({"--force", "in.zip", "forced.exe"}).exitCode, 0);
    RunResult c = Mksfx({"check", "forced.exe"}, dir.Native());
    EXPECT_EQ(r.exitCode, reported.empty() ? 0 : 1) << r.err;
    EXPECT_EQ(c.exitCode, r.exitCode) << c.out;
    if (reported.empty()) continue;
    EXPECT_TRUE(Has(r.err, "entries: " + reason + "\n    \"" + reported + "\"")) << r.err;
    EXPECT_TRUE(Has(c.out, "\"" + reported + "\": " + reason + "\n")) << c.out;
  }
  dir.Write("in/0/x", "text");  // folder inputs through the same rule
  dir.Write("in/1/x/y.txt", "text");
  EXPECT_TRUE(Has(dir.Pack({"in/0", "in/1", "folders.exe"}).err, "\n  \"x\": a file of the same name as a folder"));
}

// A block with a damaged "MPU" is none to the stub, which still finds the
// archive; an encryption bit in a local header alone is a damaged archive.
TEST(StubView, HeadersAndBlockAreReadAsTheStubReadsThem) {
  StubFolder dir;
  std::string zip = BuildZip({File("a.txt", "a"), File("b.txt", "longer than a header")});
  dir.Write("in.zip", zip);
  ASSERT_EQ(dir.Pack({"--caption", "Kept", "in.zip", "block.exe"}).exitCode, 0);
  std::string sfx = dir.Read("block.exe");
  ASSERT_EQ(sfx.substr(kImageSize, 3), "MPU");
  sfx[kImageSize + 2] = 'X';
  dir.Write("block.exe", sfx);
  EXPECT_EQ(Mksfx({"check", "block.exe"}, dir.Native()).out, "block.exe: 2 entries, the stub extracts every one\n");
  EXPECT_TRUE(Has(Mksfx({"info", "block.exe"}, dir.Native()).out, "configuration block: none; the stub uses its defaults"));

  zip[zip.find("PK\x03\x04", 1) + 6] |= 1;  // b.txt's local header alone
  dir.Write("in.zip", zip);
  EXPECT_TRUE(Has(dir.Pack({"in.zip", "out.exe"}).err,
                  "entries: encrypted in its local header but not in the central directory: the stub asks for "
                  "a password, and after three wrong ones ends its walk\n    \"b.txt\""));
  ASSERT_EQ(dir.Pack({"--force", "in.zip", "out.exe"}).exitCode, 0);
  RunResult c = Mksfx({"check", "out.exe"}, dir.Native());
  EXPECT_TRUE(Has(c.out, "\"b.txt\": encrypted in its local header but not in the central directory: the stub asks "
                         "for a password, and after three wrong ones ends its walk\nout.exe: 2 entries, 1 problem; "
                         "the data of 1 encrypted entry unchecked")) << c.out;
}

// --run warns where "><" in the parameters reaches the program as more than
// one argument or ends in the folder's backslash before a closing quote.
TEST(StubView, RunParametersWarnWhereTheFolderBreaksThem) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  const std::pair<const char*, std::string> rows[] = {  // command, warning
      {"setup.exe|/a \"x\" /d ><data", "mksfx: warning: --run: \"><\" stands unquoted in the parameters"},
      {"setup.exe|/d \"><\"", "mksfx: warning: --run: '\"><\"' in the parameters ends in the destination folder's "
                              "trailing backslash"},
      {"setup.exe|/d \"><data\" /q", ""},
      {"><setup.exe|/q", ""},
  };
  for (const auto& [command, warning] : rows) {
    RunResult r = dir.Pack({"--run", command, "a.txt", "out.exe"});
    EXPECT_EQ(r.err.substr(0, warning.empty() ? std::string::npos : warning.size()), warning) << command;
  }
}

// Where and why the stub's walk ends is read from the stub's own state after
// its list-only walk; each way it ends, made in a packed self-extractor.
TEST(StubView, CheckSaysWhereAndWhyTheWalkEnds) {
  StubFolder dir;
  dir.Write("in.zip", BuildZip({File("a.txt", "a"), File("b.txt", "bb")}));
  ASSERT_EQ(dir.Pack({"in.zip", "ok.exe"}).exitCode, 0);
  const std::string sfx = dir.Read("ok.exe");
  const size_t first = sfx.find("PK\x03\x04"), second = sfx.find("PK\x03\x04", first + 1);
  const std::pair<void (*)(std::string&, size_t, size_t), const char*> rows[] = {
      {[](std::string& s, size_t a, size_t) { s[a + 18] = 0, s[a + 19] = 0, s[a + 20] = 0, s[a + 21] = '\x80'; },
       "claims 2 GiB or more of data, where the stub's walk ends"},
      {[](std::string& s, size_t a, size_t) { s[a + 19] = s[a + 20] = '\xFF', s[a + 21] = 0x7F; },
       "ends past 2 GiB, where the stub's walk ends"},
      {[](std::string& s, size_t a, size_t) { s[a + 18] = 2; }, "which holds no local header or signed data descriptor"},
      {[](std::string& s, size_t, size_t b) { s[b + 30] = 0; }, "with \"Invalid file name\": its name is empty"},
      {[](std::string& s, size_t, size_t b) { s[b + 26] = (char)200; }, "is cut short"},
      {[](std::string& s, size_t, size_t b) { s[b + 6] |= 8, s[b + 18] = 0; },
       "\"b.txt\": sizes only in a data descriptor: the stub fails it and ends its walk here"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.second);
    std::string damaged = sfx;
    row.first(damaged, first, second);
    dir.Write("damaged.exe", damaged);
    RunResult c = Mksfx({"check", "damaged.exe"}, dir.Native());
    EXPECT_EQ(c.exitCode, 1);
    EXPECT_TRUE(Has(c.out, row.second)) << c.out;
  }
}

}  // namespace
