// pack --elevate: the stub's manifest asks for administrator rights, patched
// in place, and info shows the level; --keep-settings keeps it as it keeps
// every other choice.  Stubs without the room are refused
// (pack_refusal_test.cpp); the real stub's room is proven by packing it
// (the sfx-elevate end-to-end case).
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const char kAsInvoker[] = "<requestedExecutionLevel level=\"asInvoker\"           />";
const char kAdministrator[] = "<requestedExecutionLevel level=\"requireAdministrator\"/>";

TEST(PackElevate, OnlyTheLevelChangesAndInfoShowsIt) {
  TempFolder dir;
  const size_t manifestAt = 1234;
  std::string stub = FakeStub(kShortStubSize);
  stub.replace(manifestAt, sizeof kAsInvoker - 1, kAsInvoker);
  dir.Write("stub.exe", stub);
  dir.Write("a.txt", "a");
  ASSERT_EQ(Mksfx({"pack", "--elevate", "--stub", dir.Native("stub.exe"), dir.Native("a.txt"),
                   dir.Native("elevated.exe")}).exitCode, 0);
  struct Row {
    const char* what;
    std::vector<std::string> options;
    std::string input;
    const char* manifest;
    const char* level;
    bool noted;  // the note that the input asked for administrator rights
  };
  const Row rows[] = {
      {"asInvoker", {}, "a.txt", kAsInvoker, "asInvoker\n", false},
      {"elevated", {"--elevate"}, "a.txt", kAdministrator,
       "requireAdministrator (Windows asks for administrator rights)\n", false},
      {"elevated input", {}, "elevated.exe", kAsInvoker, "asInvoker\n", true},
      {"elevated input, kept", {"--keep-settings"}, "elevated.exe", kAdministrator, "requireAdministrator", false},
      {"elevated input, kept, --no-elevate", {"--keep-settings", "--no-elevate"}, "elevated.exe", kAsInvoker,
       "asInvoker\n", false},
      {"elevated input, --elevate", {"--elevate"}, "elevated.exe", kAdministrator, "requireAdministrator", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), row.options.begin(), row.options.end());
    args.insert(args.end(), {dir.Native(row.input), dir.Native("out.exe")});
    RunResult r = Mksfx(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("asks for administrator rights; " + dir.Native("out.exe") + " does so only with "
                         "--elevate or --keep-settings") != std::string::npos, row.noted) << r.err;
    std::string expected = stub;
    expected.replace(manifestAt, sizeof kAsInvoker - 1, row.manifest);
    EXPECT_EQ(dir.Read("out.exe").compare(0, stub.size(), expected), 0);
    RunResult info = Mksfx({"info", dir.Native("out.exe")});
    EXPECT_NE(info.out.find(std::string("execution level: ") + row.level), std::string::npos) << info.out;
  }
}

// Each choice packed, then packed again with --keep-settings alone: info
// shows the same settings and execution level, byte for byte (the block is
// the same, so are the positions it shows).
TEST(PackElevate, KeepSettingsKeepsEveryChoice) {
  TempFolder dir;
  std::string stub = FakeStub(kShortStubSize);
  stub.replace(1234, sizeof kAsInvoker - 1, kAsInvoker);
  dir.Write("stub.exe", stub);
  dir.Write("a.txt", "a");
  const std::pair<std::vector<std::string>, const char*> rows[] = {  // options, a line info shows
      {{"--hide-run-checkbox", "--fixed-file-list", "--hide-overwrite-choice", "--overwrite", "skip", "--auto-extract",
        "--wait", "--caption", "c", "--default-folder", "d", "--run", "r", "--info-text", "t", "--info-caption", "i"},
       "wait for program:      yes"},
      {{"--elevate", "--temp-cleanup", "--run", "r.exe"}, "temporary folder:      yes"},
  };
  for (const auto& [options, line] : rows) {
    SCOPED_TRACE(::testing::PrintToString(options));
    std::vector<std::string> args = {"pack", "--stub", "stub.exe"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"a.txt", "first.exe"});
    ASSERT_EQ(Mksfx(args, dir.Native()).exitCode, 0);
    RunResult again = Mksfx({"pack", "--stub", "stub.exe", "--keep-settings", "first.exe", "kept.exe"}, dir.Native());
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.err, "");
    std::string first = Mksfx({"info", "first.exe"}, dir.Native()).out;
    std::string kept = Mksfx({"info", "kept.exe"}, dir.Native()).out;
    EXPECT_NE(first.find(line), std::string::npos) << first;
    EXPECT_EQ(kept.substr(kept.find('\n')), first.substr(first.find('\n')));
  }
}

}  // namespace
