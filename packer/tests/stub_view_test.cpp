// What pack refuses and check reports because the stub would get it wrong
// although a reader of the central directory would not: names that land on
// one file on Windows; local headers that say otherwise; --run's warnings.
#include <gtest/gtest.h>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

class StubView : public ::testing::Test {
 protected:
  void SetUp() override { WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize)); }

  RunResult Pack(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"pack", "--stub", dir.Native("stub.exe")};
    all.insert(all.end(), args.begin(), args.end());
    return Mksfx(all);
  }

  TempFolder dir;
};

// Steps from a name to the file Windows opens, alone and together, named in
// the message; folders go through the same rule (more in the folder tests).
TEST_F(StubView, NamesThatLandOnOneFileAreRefusedFromArchivesAndFolders) {
  struct Row {
    std::vector<std::string> names;
    const char* reported;  // the entry named first; nullptr: no collision
    std::string reason;    // names the other entry
  };
  const Row rows[] = {
      {{"x", "x/y.txt"}, "x", "a file of the same name as a folder holding \"x/y.txt\""},
      {{"t.txt", "./t.txt"}, "./t.txt",
       "the same name as \"t.txt\" on Windows, which skips \".\" and empty folder names"},
      {{"Docs/Read.me", "docs\\read.me "}, "docs\\read.me ",
       "the same name as \"Docs/Read.me\" on Windows, which reads \"\\\" as \"/\", drops trailing "
       "dots and blanks and ignores case"},
      {{"x/", "x/y.txt", "X/z.txt"}, nullptr, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.names));
    RunTool({"rm", "-f", dir.Native("out.exe")});
    std::vector<std::string> args = {"stored", dir.Native("in.zip")};
    args.insert(args.end(), row.names.begin(), row.names.end());
    Fixture(args);
    RunResult r = Pack({dir.Native("in.zip"), dir.Native("out.exe")});
    EXPECT_EQ(r.exitCode, row.reported ? 1 : 0) << r.err;
    ASSERT_EQ(Pack({"--force", dir.Native("in.zip"), dir.Native("forced.exe")}).exitCode, 0);
    RunResult c = Mksfx({"check", dir.Native("forced.exe")});
    EXPECT_EQ(c.exitCode, row.reported ? 1 : 0) << c.out;
    if (!row.reported) continue;
    std::string name = "\"" + std::string(row.reported) + "\"";
    EXPECT_NE(r.err.find("collide: " + row.reason + "\n    " + name), std::string::npos) << r.err;
    EXPECT_NE(c.out.find(name + ": " + row.reason + "\n"), std::string::npos) << c.out;
  }
  // One name per folder input: a file beside another input's folder of its
  // name collides; folders that differ in case are one.
  dir.Write("in/0/x", "text");
  dir.Write("in/1/x/y.txt", "text");
  dir.Write("in/2/X/z.txt", "text");
  RunResult r = Pack({dir.Native("in/0"), dir.Native("in/1"), dir.Native("folders.exe")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("\n  \"x\": a file of the same name as a folder holding \"x/y.txt\"\n"), std::string::npos)
      << r.err;
  EXPECT_EQ(Pack({dir.Native("in/1"), dir.Native("in/2"), dir.Native("folders.exe")}).exitCode, 0);
}

// The stub reads local headers: an encryption bit there alone is a damaged
// archive it stumbles on; local sizes 0xFFFFFFFF with the real ones in a
// ZIP64 extra are written anew in 32 bits.  Counts of one in the singular.
TEST_F(StubView, LocalHeadersAreReadAsTheStubReadsThem) {
  std::string zip = BuildZip({File("a.txt", "a"), File("b.txt", "longer than a header")});
  zip[zip.find("PK\x03\x04", 1) + 6] |= 1;  // b.txt's local header alone
  WriteNativeFile(dir.Native("in.zip"), zip);
  RunResult r = Pack({dir.Native("in.zip"), dir.Native("out.exe")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("but not by both (a damaged archive: the stub reads the local header)\n    \"b.txt\""),
            std::string::npos) << r.err;
  ASSERT_EQ(Pack({"--force", dir.Native("in.zip"), dir.Native("out.exe")}).exitCode, 0);
  RunResult c = Mksfx({"check", "out.exe"}, dir.Native());
  EXPECT_EQ(c.exitCode, 1);
  EXPECT_NE(c.out.find("\"b.txt\": encrypted in its local header but not in the central directory: the stub "
                       "asks for a password, and after three wrong ones ends its walk\nout.exe: 2 entries, 1 "
                       "problem; the data of 1 encrypted entry unchecked"), std::string::npos) << c.out;

  Fixture({"zip64-local", dir.Native("z64.zip")});
  r = Pack({dir.Native("z64.zip"), dir.Native("z64.exe")});
  EXPECT_EQ(r.err, "");
  c = Mksfx({"check", "z64.exe"}, dir.Native());
  EXPECT_EQ(c.exitCode, 0);
  EXPECT_EQ(c.out, "z64.exe: 1 entry, the stub extracts every one\n");
}

// A block whose "MPU" magic is damaged is no block to the stub: it takes its
// defaults and still walks from the first local header, which the length
// word in front of it places.  check replays the stub's own locator, so it
// agrees (the stub under Wine extracts every entry of such a file).
TEST_F(StubView, ADamagedBlockMagicIsReadAsTheStubReadsIt) {
  WriteNativeFile(dir.Native("in.zip"), BuildZip({File("a.txt", "a"), File("b.txt", "b")}));
  ASSERT_EQ(Pack({"--caption", "Kept", dir.Native("in.zip"), dir.Native("out.exe")}).exitCode, 0);
  std::string sfx = ReadNativeFile(dir.Native("out.exe"));
  ASSERT_EQ(sfx.substr(kImageSize, 3), "MPU");
  sfx[kImageSize + 2] = 'X';
  WriteNativeFile(dir.Native("out.exe"), sfx);
  RunResult c = Mksfx({"check", "out.exe"}, dir.Native());
  EXPECT_EQ(c.exitCode, 0) << c.out;
  EXPECT_EQ(c.out, "out.exe: 2 entries, the stub extracts every one\n");
  RunResult i = Mksfx({"info", "out.exe"}, dir.Native());
  EXPECT_NE(i.out.find("configuration block: none; the stub uses its defaults"), std::string::npos) << i.out;
}

// --run warns where "><" in the parameters reaches the program as more than
// one argument or ends in the folder's backslash before a closing quote.
TEST_F(StubView, RunParametersWarnWhereTheFolderBreaksThem) {
  Fixture({"stored", dir.Native("in.zip"), "a.txt"});
  const std::pair<const char*, std::string> rows[] = {  // command, warning
      {"setup.exe|/a \"x\" /d ><data", "mksfx: warning: --run: \"><\" stands unquoted in the parameters"},
      {"setup.exe|/d \"><\"", "mksfx: warning: --run: '\"><\"' in the parameters ends in the destination "
                              "folder's trailing backslash"},
      {"setup.exe|/d \"><data\" /q", ""},
      {"><setup.exe|/q", ""},
  };
  for (const auto& [command, warning] : rows) {
    SCOPED_TRACE(command);
    RunResult r = Pack({"--run", command, dir.Native("in.zip"), dir.Native("out.exe")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(warning.empty() ? r.err : r.err.substr(0, warning.size()), warning);
  }
}

}  // namespace
