// What pack refuses and check reports because the stub would get it wrong
// although a reader of the central directory would not: names that land on
// one file on Windows, from an archive as from folders; local headers that
// say otherwise than the directory.  And the words mksfx says it in.
#include <gtest/gtest.h>

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

// Each step from a name to the file Windows opens, alone and together (the
// last collision row: separators, a trailing blank and case); the message
// names the steps that made the two names one.
TEST_F(StubView, NamesThatLandOnOneFileAreRefusedFromArchivesAndFolders) {
  struct Row {
    std::vector<std::string> names;
    const char* reported;  // the entry named first; nullptr: no collision
    std::string reason;    // names the other entry
    bool inFolders;        // a Linux file system holds these names
  };
  const Row rows[] = {
      {{"x", "x/y.txt"}, "x", "a file of the same name as a folder holding \"x/y.txt\"", true},
      {{"t.txt", "t.txt."}, "t.txt.",
       "the same name as \"t.txt\" on Windows, which drops trailing dots and blanks", true},
      {{"t.txt", "./t.txt"}, "./t.txt",
       "the same name as \"t.txt\" on Windows, which skips \".\" and empty folder names", false},
      {{"d.txt", "d.txt"}, "d.txt", "the same name as \"d.txt\"", true},
      {{"Docs/Read.me", "docs\\read.me "}, "docs\\read.me ",
       "the same name as \"Docs/Read.me\" on Windows, which reads \"\\\" as \"/\", drops trailing "
       "dots and blanks and ignores case", true},
      {{"x/", "x/y.txt", "X/z.txt"}, nullptr, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.names));
    RunTool({"rm", "-rf", dir.Native("in"), dir.Native("out.exe"), dir.Native("folders.exe")});
    std::vector<std::string> args = {"stored", dir.Native("in.zip")};
    args.insert(args.end(), row.names.begin(), row.names.end());
    Fixture(args);
    RunResult r = Pack({dir.Native("in.zip"), dir.Native("out.exe")});
    EXPECT_EQ(r.exitCode, row.reported ? 1 : 0) << r.err;
    ASSERT_EQ(Pack({"--force", dir.Native("in.zip"), dir.Native("forced.exe")}).exitCode, 0);
    RunResult c = Mksfx({"check", dir.Native("forced.exe")});
    EXPECT_EQ(c.exitCode, row.reported ? 1 : 0) << c.out;
    std::string name = "\"" + std::string(row.reported ? row.reported : "") + "\"";
    if (row.reported) {
      EXPECT_NE(r.err.find("collide: " + row.reason + "\n    " + name), std::string::npos) << r.err;
      EXPECT_NE(c.out.find(name + ": " + row.reason + "\n"), std::string::npos) << c.out;
    }
    if (!row.inFolders) continue;
    // Each name from a folder input of its own, in order.
    args.clear();
    for (size_t i = 0; i < row.names.size(); ++i) {
      std::string folder = "in/" + std::to_string(i);
      if (row.names[i].back() == '/')
        dir.MakeFolder(folder + "/" + row.names[i]);
      else
        dir.Write(folder + "/" + row.names[i], "text");
      args.push_back(dir.Native(folder));
    }
    args.push_back(dir.Native("folders.exe"));
    r = Pack(args);
    EXPECT_EQ(r.exitCode, row.reported ? 1 : 0) << r.err;
    if (row.reported) {
      EXPECT_NE(r.err.find("\n  " + name + ": " + row.reason + "\n"), std::string::npos) << r.err;
    }
  }
}

// The stub reads local headers: an encryption bit there alone is a damaged
// archive it stumbles on; local sizes 0xFFFFFFFF with the real ones in a
// ZIP64 extra are written anew in 32 bits.  Counts of one in the singular.
TEST_F(StubView, LocalHeadersAreReadAsTheStubReadsThem) {
  Fixture({"local-encrypted", dir.Native("in.zip")});
  RunResult r = Pack({dir.Native("in.zip"), dir.Native("out.exe")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("1 of 2 entries are encrypted by their local header or by the central directory but "
                       "not by both (a damaged archive: the stub reads the local header)\n    \"b.txt\""),
            std::string::npos) << r.err;
  ASSERT_EQ(Pack({"--force", dir.Native("in.zip"), dir.Native("out.exe")}).exitCode, 0);
  RunResult c = Mksfx({"check", "out.exe"}, dir.Native());
  EXPECT_EQ(c.exitCode, 1);
  EXPECT_NE(c.out.find("\"b.txt\": encrypted in its local header but not in the central directory: the "
                       "stub asks for a password, and after three wrong ones ends its walk\n"),
            std::string::npos) << c.out;
  EXPECT_NE(c.out.find("out.exe: 2 entries, 1 problem; the data of 1 encrypted entry unchecked"),
            std::string::npos) << c.out;

  Fixture({"zip64-local", dir.Native("z64.zip")});
  r = Pack({dir.Native("z64.zip"), dir.Native("z64.exe")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  c = Mksfx({"check", "z64.exe"}, dir.Native());
  EXPECT_EQ(c.exitCode, 0);
  EXPECT_NE(c.out.find("z64.exe: 1 entry, the stub extracts every one\n"), std::string::npos) << c.out;
}

// --run warns where "><" in the parameters reaches the program as more than
// one argument or ends in the folder's backslash before a closing quote.
TEST_F(StubView, RunParametersWarnWhereTheFolderBreaksThem) {
  Fixture({"stored", dir.Native("in.zip"), "a.txt"});
  struct Row {
    const char* command;
    std::string warning;  // "": none
  };
  const Row rows[] = {
      {"setup.exe|/a \"x\" /d ><data", "mksfx: warning: --run: \"><\" stands unquoted in the parameters"},
      {"setup.exe|/d \"><\"", "mksfx: warning: --run: '\"><\"' in the parameters ends in the destination "
                              "folder's trailing backslash"},
      {"setup.exe|/d \"><data\" /q", ""},
      {"><setup.exe|/q", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    RunResult r = Pack({"--run", row.command, dir.Native("in.zip"), dir.Native("out.exe")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(row.warning.empty() ? r.err : r.err.substr(0, row.warning.size()), row.warning);
  }
}

}  // namespace
