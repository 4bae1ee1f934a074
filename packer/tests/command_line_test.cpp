// The command line the four commands share: "--opt=value", "--" before an
// operand that starts with "-", --help, and wrong command lines refused with
// exit code 2 and the command's own --help named.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(CommandLine, OptionsAreReadAlike) {
  StubFolder dir;
  dir.Write("src/a.txt", "a\n");
  const std::tuple<std::vector<std::string>, int, const char*> rows[] = {  // exit 0: text in output, else error
      {{"pack", "--stub=stub.exe", "--caption=Setup", "-o", "out.exe", "src"}, 0, ""},
      {{"info", "out.exe"}, 0, "caption:               \"Setup\"\n"},
      {{"pack", "--stub", "stub.exe", "--", "src", "-odd.exe"}, 0, ""},
      {{"check", "--", "-odd.exe"}, 0, "-odd.exe: 1 entry, the stub extracts every one\n"},
      {{"check", "out.exe", "--help"}, 0, "usage: mksfx check "},
      {{"info", "--json=yes", "out.exe"}, 2, "mksfx: --json takes no value\n"},
      {{"check", "out.exe", "--password"}, 2, "mksfx: --password needs a value\n"},
      {{"extract", "--colour", "out.exe", "x"}, 2, "mksfx: unknown option --colour (see mksfx extract --help)\n"},
  };
  for (const auto& [args, exitCode, text] : rows) {
    SCOPED_TRACE(::testing::PrintToString(args));
    RunResult r = Mksfx(args, dir.Native());
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_NE((exitCode ? r.err : r.out).find(text), std::string::npos) << r.out << r.err;
  }
}

}  // namespace
