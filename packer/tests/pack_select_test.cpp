// Choosing what goes in and what comes out: --exclude on a tree of folders,
// --list-problems on refusals of folders and of archives, and every choice
// of a kept configuration block turned back off.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class PackSelect : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    dir.MakeFolder("src");
  }

  RunResult Pack(const std::vector<std::string>& options, const std::string& input,
                 const std::string& output = "out.exe") {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {dir.Native(input), dir.Native(output)});
    return Mksfx(args);
  }

  TempFolder dir;
};

TEST_F(PackSelect, ExcludePatternsChooseWhatGoesIn) {
  RunTool({"sh", "-c", "mkdir -p docs/sub build lib .git Cache && touch a.txt a.pdb docs/guide.md docs/sub/deep.md "
                       "build/out.o lib/build .git/config Cache/x.txt"}, dir.Native("src"));
  const char kAll[] = ".git/config Cache/x.txt a.pdb a.txt build/out.o docs/guide.md docs/sub/deep.md lib/build";
  struct Row {
    std::vector<std::string> patterns;
    std::string names;
  };
  // Two patterns of a row exclude different names, so that each shows.
  const Row rows[] = {
      // Names at any depth; a folder emptied by them is packed empty.
      {{"*.md", "/lib/build"}, ".git/config Cache/x.txt a.pdb a.txt build/out.o docs/sub/ lib/"},
      {{"docs/*.md", "build/"}, ".git/config Cache/x.txt a.pdb a.txt docs/sub/deep.md lib/build"},
      {{"build", "[!a-z]*"}, "a.pdb a.txt docs/guide.md docs/sub/deep.md lib/"},
      // Anchored at the top only; case counts.
      {{"/sub", "cache"}, kAll},
      {{"[ab].*", "?.txt"}, ".git/config Cache/ build/out.o docs/guide.md docs/sub/deep.md lib/build"},
      {{"\\*.txt", "*.[!t]??"}, "Cache/x.txt a.txt build/out.o docs/guide.md docs/sub/deep.md lib/build"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> options;
    for (const std::string& p : row.patterns) options.insert(options.end(), {"--exclude", p});
    SCOPED_TRACE(::testing::PrintToString(row.patterns));
    RunResult r = Pack(options, "src");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(EntryNames(dir.Native("out.exe")), row.names + " ");
  }
  EXPECT_NE(Pack({"--exclude", "*"}, "src").err.find("nothing to pack"), std::string::npos);
  // A pattern of no name, and patterns for an archive's entries: usage errors.
  EXPECT_EQ(Pack({"--exclude", "/"}, "src").exitCode, 2);
  Fixture({"stored", dir.Native("in.zip"), "a.txt"});
  EXPECT_EQ(Pack({"--exclude", "a.txt"}, "in.zip").exitCode, 2);
}

// More refused names than a refusal shows by default, from a folder and an
// archive: the last one shows only with --list-problems.
TEST_F(PackSelect, ListProblemsNamesEveryRefusal) {
  for (int i = 0; i < 12; ++i) WriteNativeFile(dir.Native("src/\xE5\x90\x8D" + std::to_string(i)), "x");
  Fixture({"stored", dir.Native("unsafe.zip"), "../1", "../2", "../3", "../4", "../5"});
  for (const auto& [input, last] : {std::pair<std::string, std::string>{"src", "\"\xE5\x90\x8D" "9\""},
                                    {"unsafe.zip", "\"../5\""}}) {
    SCOPED_TRACE(input);
    RunResult some = Pack({}, input), all = Pack({"--list-problems"}, input);
    EXPECT_NE(some.err.find("and 2 more (--list-problems lists them all)"), std::string::npos) << some.err;
    EXPECT_EQ(some.err.find(last), std::string::npos) << some.err;
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(all.err.find(" more"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find(last), std::string::npos) << all.err;
  }
}

// Every choice a kept block holds, turned back: the settings equal those of
// a self-extractor packed without options.
TEST_F(PackSelect, KeptChoicesTurnBackOff) {
  WriteNativeFile(dir.Native("src/a.txt"), "a");
  ASSERT_EQ(Pack({"--hide-run-checkbox", "--fixed-file-list", "--hide-overwrite-choice", "--auto-extract",
                  "--overwrite", "skip", "--caption", "Setup", "--run", "a.txt"}, "src", "on.exe").exitCode, 0);
  ASSERT_EQ(Pack({"--keep-settings", "--show-run-checkbox", "--selectable-file-list", "--show-overwrite-choice",
                  "--no-auto-extract", "--overwrite", "ask", "--caption", "", "--run", ""}, "on.exe", "off.exe")
                .exitCode, 0);
  ASSERT_EQ(Pack({}, "src", "plain.exe").exitCode, 0);
  auto settings = [&](const char* sfx) {
    std::string info = Mksfx({"info", dir.Native(sfx)}).out;
    return info.substr(info.find("settings:"), info.find("entries:") - info.find("settings:"));
  };
  EXPECT_EQ(settings("off.exe"), settings("plain.exe"));
  EXPECT_NE(settings("off.exe").find("auto extract:          no"), std::string::npos);
}

}  // namespace
