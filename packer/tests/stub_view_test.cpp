// What pack refuses and check reports because the stub would get it wrong
// although a reader of the central directory would not: names that land on
// one file on Windows, from an archive as from folders; local headers that
// say otherwise than the directory; links.  And the words mksfx says it in.
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

TEST_F(StubView, NamesThatLandOnOneFileAreRefusedFromArchivesAndFolders) {
  struct Row {
    std::vector<std::string> names;
    const char* reported;  // the entry named first; nullptr: no collision
    std::string reason;    // names the other entry
    bool inFolders;        // a Linux file system holds these names
  };
  const Row rows[] = {
      {{"x", "x/y.txt"}, "x", "a file of the same name as a folder holding \"x/y.txt\"", true},
      {{"Case.txt", "case.txt"}, "case.txt",
       "the same name as \"Case.txt\" on Windows, which ignores case", true},
      {{"t.txt", "t.txt."}, "t.txt.",
       "the same name as \"t.txt\" on Windows, which drops trailing dots and blanks", true},
      {{"t.txt", "t.txt "}, "t.txt ",
       "the same name as \"t.txt\" on Windows, which drops trailing dots and blanks", true},
      {{"t.txt", "./t.txt"}, "./t.txt",
       "the same name as \"t.txt\" on Windows, which skips \".\" and empty folder names", false},
      {{"d.txt", "d.txt"}, "d.txt", "the same name as \"d.txt\"", true},
      {{"a/b.txt", "a\\b.txt"}, "a\\b.txt",
       "the same name as \"a/b.txt\" on Windows, which reads \"\\\" as \"/\"", true},
      {{"Docs/Read.me", "docs\\read.me."}, "docs\\read.me.",
       "the same name as \"Docs/Read.me\" on Windows, which reads \"\\\" as \"/\", drops trailing "
       "dots and blanks and ignores case", true},
      {{"x/", "x/y.txt", "X/z.txt"}, nullptr, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.names));
    RunTool({"rm", "-rf", dir.Native("in"), dir.Native("in.zip"), dir.Native("out.exe"),
             dir.Native("forced.exe")});
    std::vector<std::string> fixture = {"stored", dir.Native("in.zip")};
    fixture.insert(fixture.end(), row.names.begin(), row.names.end());
    Fixture(fixture);

    RunResult r = Pack({dir.Native("in.zip"), dir.Native("out.exe")});
    if (!row.reported) {
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(Mksfx({"check", dir.Native("out.exe")}).exitCode, 0);
    } else {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_NE(r.err.find("collide: " + row.reason + "\n    \"" + row.reported + "\""),
                std::string::npos) << r.err;
      EXPECT_FALSE(dir.Exists("out.exe"));
      EXPECT_EQ(Pack({"--force", dir.Native("in.zip"), dir.Native("forced.exe")}).exitCode, 0);
      RunResult c = Mksfx({"check", dir.Native("forced.exe")});
      EXPECT_EQ(c.exitCode, 1);
      EXPECT_NE(c.out.find("\"" + std::string(row.reported) + "\": " + row.reason + "\n"),
                std::string::npos) << c.out;
    }
    if (!row.inFolders) continue;
    // Each name from a folder input of its own, in order.
    std::vector<std::string> inputs;
    for (size_t i = 0; i < row.names.size(); ++i) {
      std::string folder = "in/" + std::to_string(i);
      const std::string& name = row.names[i];
      if (name.back() == '/')
        dir.MakeFolder(folder + "/" + name);
      else
        dir.Write(folder + "/" + name, "text");
      inputs.push_back(dir.Native(folder));
    }
    inputs.push_back(dir.Native("out.exe"));
    RunTool({"rm", "-f", dir.Native("out.exe")});
    r = Pack(inputs);
    if (!row.reported) {
      EXPECT_EQ(r.exitCode, 0) << r.err;
      continue;
    }
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("\n  \"" + std::string(row.reported) + "\": " + row.reason + "\n"),
              std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("out.exe"));
  }
}

TEST_F(StubView, ArchivesTheStubReadsOtherwiseThanTheirDirectory) {
  struct Row {
    const char* fixture;
    const char* refusal;  // nullptr: packed, and check finds nothing
    const char* finding;  // check's, of the archive packed with --force
  };
  const Row rows[] = {
      {"local-encrypted",
       "1 of 2 entries are encrypted by their local header or by the central directory but not by "
       "both (a damaged archive: the stub reads the local header)\n    \"b.txt\"",
       "\"b.txt\": encrypted in its local header but not in the central directory: the stub asks "
       "for a password, and after three wrong ones ends its walk\n"},
      {"symlink",
       "1 of 2 entries are symbolic links; the stub cannot make links and would write a small "
       "file holding the link's target\n    \"link\"",
       "\"link\": symbolic link: the stub cannot make links"},
      // Local sizes 0xFFFFFFFF with the real ones in a ZIP64 extra: written
      // anew with 32-bit sizes.
      {"zip64-local", nullptr, "out.exe: 2 entries, the stub extracts every one\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fixture);
    RunTool({"rm", "-f", dir.Native("out.exe")});
    Fixture({row.fixture, dir.Native("in.zip")});
    RunResult r = Pack({dir.Native("in.zip"), dir.Native("out.exe")});
    if (row.refusal) {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_NE(r.err.find(row.refusal), std::string::npos) << r.err;
      EXPECT_FALSE(dir.Exists("out.exe"));
      r = Pack({"--force", dir.Native("in.zip"), dir.Native("out.exe")});
    } else {
      EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(r.exitCode, 0) << r.err;
    RunResult c = Mksfx({"check", "out.exe"}, dir.Native());
    EXPECT_EQ(c.exitCode, row.refusal ? 1 : 0) << c.out;
    EXPECT_NE(c.out.find(row.finding), std::string::npos) << c.out;
  }
}

TEST_F(StubView, MessagesSayWhatTheStubDoes) {
  Fixture({"stored", dir.Native("in.zip"), "a.txt"});
  // A plain archive: check says what info says.
  RunResult check = Mksfx({"check", "in.zip"}, dir.Native());
  RunResult info = Mksfx({"info", "in.zip"}, dir.Native());
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.err, info.err);
  EXPECT_NE(check.err.find("in.zip: not a self-extractor"), std::string::npos) << check.err;

  // "><" in the parameters: the destination folder as it is, ending in "\".
  const std::string unquoted = "mksfx: warning: --run: \"><\" stands unquoted in the parameters";
  const std::string closing = "mksfx: warning: --run: '\"><\"' in the parameters ends in the "
                              "destination folder's trailing backslash";
  struct Row {
    const char* command;
    std::string warning;  // "": none
  };
  const Row rows[] = {
      {"setup.exe|/d ><", unquoted},
      {"setup.exe|/a \"x\" /d ><data", unquoted},
      {"setup.exe|/d \"><\"", closing},
      {"setup.exe|/d \"><data\" /q", ""},
      {"><setup.exe", ""},
      {"><setup.exe|/q", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    RunResult r = Pack({"--run", row.command, dir.Native("in.zip"), dir.Native("out.exe")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    if (row.warning.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_EQ(r.err.compare(0, row.warning.size(), row.warning), 0) << r.err;
    }
  }
  // Counts of one in the singular.
  EXPECT_NE(Mksfx({"check", "out.exe"}, dir.Native()).out.find("out.exe: 1 entry, the stub extracts"),
            std::string::npos);
  Fixture({"local-encrypted", dir.Native("two.zip")});
  ASSERT_EQ(Pack({"--force", dir.Native("two.zip"), dir.Native("two.exe")}).exitCode, 0);
  EXPECT_NE(Mksfx({"check", "two.exe"}, dir.Native())
                .out.find("two.exe: 2 entries, 1 problem; the data of 1 encrypted entry unchecked"),
            std::string::npos);
}

}  // namespace
