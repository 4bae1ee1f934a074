// The command line that pack, check, extract and info share: "--opt=value"
// and "--opt value", "--" before an operand that starts with "-", --help, and
// the refusals of a wrong command line, with exit code 2 and the command's
// own --help named.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    RunTool({"mkdir", "-p", dir.Native("src")});
    WriteNativeFile(dir.Native("src/a.txt"), "a\n");
  }

  TempFolder dir;
};

TEST_F(CommandLine, EveryCommandReadsOptionsAlike) {
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    const char* text;  // in standard output for exit code 0, else in standard error
  };
  const Row rows[] = {
      {{"pack", "--stub=stub.exe", "--caption=Setup", "--password=secret", "--codepage=1250",
        "-o", "out.exe", "src"}, 0, ""},
      {{"pack", "--stub", "stub.exe", "--", "src", "-odd.exe"}, 0, ""},
      {{"info", "--codepage=1250", "out.exe"}, 0, "caption:               \"Setup\"\n"},
      {{"info", "--", "-odd.exe"}, 0, "file: -odd.exe ("},
      {{"check", "--password=secret", "--codepage=1250", "out.exe"}, 0,
       "out.exe: 1 entry, the stub extracts every one\n"},
      {{"check", "--", "-odd.exe"}, 0, "-odd.exe: 1 entry, the stub extracts every one\n"},
      {{"extract", "--overwrite=skip", "--password=secret", "--codepage=1250", "out.exe", "x"}, 0,
       "password prompt: answered with a --password\n"},
      {{"extract", "-q", "--", "-odd.exe", "-x"}, 0, ""},
      {{"pack", "--help"}, 0, "usage: mksfx pack "},
      {{"info", "-h"}, 0, "usage: mksfx info "},
      {{"check", "out.exe", "--help"}, 0, "usage: mksfx check "},
      {{"extract", "--help"}, 0, "usage: mksfx extract "},
      {{"pack", "--force=yes", "src", "new.exe"}, 2, "mksfx: --force takes no value\n"},
      {{"info", "--json=yes", "out.exe"}, 2, "mksfx: --json takes no value\n"},
      {{"extract", "--quiet=yes", "out.exe", "x"}, 2, "mksfx: --quiet takes no value\n"},
      {{"check", "--help=yes"}, 2, "mksfx: --help takes no value\n"},
      {{"check", "out.exe", "--password"}, 2, "mksfx: --password needs a value\n"},
      {{"extract", "out.exe", "x", "--select"}, 2, "mksfx: --select needs a value\n"},
      {{"pack", "--colour", "src", "new.exe"}, 2, "mksfx: unknown option --colour (see mksfx pack --help)\n"},
      {{"info", "--colour=red", "out.exe"}, 2, "mksfx: unknown option --colour (see mksfx info --help)\n"},
      {{"check", "-x", "out.exe"}, 2, "mksfx: unknown option -x (see mksfx check --help)\n"},
      {{"extract", "--colour", "out.exe", "x"}, 2,
       "mksfx: unknown option --colour (see mksfx extract --help)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    RunResult r = Mksfx(row.args, dir.Native());
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
    EXPECT_NE((row.exitCode ? r.err : r.out).find(row.text), std::string::npos) << r.out << r.err;
  }
  EXPECT_EQ(dir.Read("x/a.txt"), "a\n");
  EXPECT_EQ(dir.Read("-x/a.txt"), "a\n");
  EXPECT_FALSE(dir.Exists("new.exe"));
}

}  // namespace
