// The stub pack takes: --stub, else $MKSFX_STUB, else the one built into
// mksfx, so that a copy of mksfx alone packs.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(PackStubChoice, OptionThenEnvironmentThenBuiltIn) {
  TempFolder dir;
  RunTool({"mkdir", "-p", dir.Native("bin"), dir.Native("src")});
  RunTool({"cp", MKSFX_BINARY, dir.Native("bin/mksfx")});
  WriteNativeFile(dir.Native("src/a.txt"), "a");
  std::string option = FakeStub(kShortStubSize), environment = FakeStub(kShortStubSize + 8);
  WriteNativeFile(dir.Native("option.exe"), option);
  WriteNativeFile(dir.Native("environment.exe"), environment);
  std::vector<uint8_t> builtIn = ReadBytes(EMBEDDED_STUB);
  ASSERT_FALSE(builtIn.empty());
  struct Row {
    std::vector<std::string> env;
    std::vector<std::string> options;
    std::vector<uint8_t> stub;
  };
  const Row rows[] = {
      {{"-u", "MKSFX_STUB"}, {}, builtIn},
      {{"MKSFX_STUB="}, {}, builtIn},
      {{"MKSFX_STUB=" + dir.Native("environment.exe")}, {}, {environment.begin(), environment.end()}},
      {{"MKSFX_STUB=" + dir.Native("environment.exe")}, {"--stub", dir.Native("option.exe")},
       {option.begin(), option.end()}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.env.back());
    std::vector<std::string> argv = {"env"};
    argv.insert(argv.end(), row.env.begin(), row.env.end());
    argv.insert(argv.end(), {dir.Native("bin/mksfx"), "pack"});
    argv.insert(argv.end(), row.options.begin(), row.options.end());
    argv.insert(argv.end(), {dir.Native("src"), dir.Native("out.exe")});
    RunResult r = RunTool(argv);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> out = ReadBytes(dir.Native("out.exe"));
    ASSERT_GT(out.size(), row.stub.size());
    EXPECT_TRUE(std::equal(row.stub.begin(), row.stub.end(), out.begin()));
  }
}

}  // namespace
