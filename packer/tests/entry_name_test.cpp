// The names the stub refuses to write, so that pack refuses them first.
#include <gtest/gtest.h>

#include "stub_engine.h"
#include "stub_problems.h"
#include "test_support.h"

namespace {

TEST(EntryName, UnsafeNamesAreNamedWithTheirReason) {
  struct Row {
    std::string name;
    const char* reason;  // "" for a safe name
  };
  const Row rows[] = {
      {"a.txt", ""},
      {"docs/", ""},
      {"sub/deeper/file.txt", ""},
      {"arc\\test", ""},
      {"..a/b..", ""},
      {"console/con_x", ""},
      {"con.txt.bak/x", "reserved device name"},
      {"COM0", "reserved device name"},
      {"lpt\xB9.txt", "reserved device name"},
      {"COM10", ""},
      {"", "empty name"},
      {std::string("a\0b", 3), "NUL byte"},
      {"../x", "dots and blanks only"},
      {"a/../../x", "dots and blanks only"},
      {"a\\..\\x", "dots and blanks only"},
      {"..", "dots and blanks only"},
      {"a/.../b", "dots and blanks only"},
      {". ./b", "dots and blanks only"},
      {"./a", ""},
      {"CON .txt", "reserved device name"},
      {"/etc/passwd", "absolute path"},
      {"\\Windows\\x", "absolute path"},
      {"C:x", "drive letter or a colon"},
      {"C:\\x", "drive letter or a colon"},
      {"file.txt:stream", "drive letter or a colon"},
      {"CON", "reserved device name"},
      {"sub/nul.txt", "reserved device name"},
      {"lpt1", "reserved device name"},
      {"a?b", "character that Windows forbids"},
      {"a\x01" "b", "character that Windows forbids"},
      {"a|b", "character that Windows forbids"},
      {std::string(kLongestEntryName, 'n'), ""},
      {std::string(kLongestEntryName + 1, 'n'), "name longer than"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string problem = EntryNameProblem(row.name);
    if (*row.reason == 0)
      EXPECT_EQ(problem, "");
    else
      EXPECT_NE(problem.find(row.reason), std::string::npos) << problem;
  }
}

TEST(EntryName, PackRefusesUnsafeNamesUnlessForced) {
  TempFolder dir;
  WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
  Fixture({"stored", dir.Native("in.zip"), "good.txt", "../evil.txt", "C:evil.txt"});
  RunResult r =
      Mksfx({"pack", "--stub", dir.Native("stub.exe"), dir.Native("in.zip"), dir.Native("out.exe")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("1 of 3 entries: a name the stub refuses: a component of dots and blanks only, which "
                       "Windows reads as \"..\"\n    \"../evil.txt\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("1 of 3 entries: a name the stub refuses: a drive letter or a colon, which would also "
                       "name a data stream\n    \"C:evil.txt\""), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("good.txt"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.Exists("out.exe"));

  r = Mksfx({"pack", "--force", "--stub", dir.Native("stub.exe"), dir.Native("in.zip"),
             dir.Native("out.exe")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("mksfx: warning: \"../evil.txt\""), std::string::npos) << r.err;
  EXPECT_TRUE(dir.Exists("out.exe"));
}

}  // namespace
