// --exclude on a tree of folders, --list-problems on refusals of folders and
// archives, and every choice of a kept configuration block turned back off.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// Each pattern of a row excludes other names ("/sub" and "cache" none: "/"
// anchors at the top, case counts).  A folder emptied is packed empty.
TEST(PackSelect, ExcludePatternsChooseWhatGoesIn) {
  StubFolder dir;
  RunTool({"sh", "-c", "mkdir -p src/docs/sub src/build src/lib src/.git src/Cache && cd src && touch a.txt a.pdb "
                       "docs/guide.md docs/sub/deep.md build/out.o lib/build .git/config Cache/x.txt"}, dir.Native());
  const std::pair<std::vector<std::string>, std::string> rows[] = {  // patterns, names left
      {{"*.md", "/lib/build", "/sub", "cache"}, ".git/config Cache/x.txt a.pdb a.txt build/out.o docs/sub/ lib/"},
      {{"docs/*.md", "build/"}, ".git/config Cache/x.txt a.pdb a.txt docs/sub/deep.md lib/build"},
      {{"build", "[!a-z]*"}, "a.pdb a.txt docs/guide.md docs/sub/deep.md lib/"},
      {{"[ab].*", "?.txt"}, ".git/config Cache/ build/out.o docs/guide.md docs/sub/deep.md lib/build"},
      {{"\\*.txt", "*.[!t]??"}, "Cache/x.txt a.txt build/out.o docs/guide.md docs/sub/deep.md lib/build"},
  };
  for (const auto& [patterns, names] : rows) {
    std::vector<std::string> args;
    for (const std::string& p : patterns) args.insert(args.end(), {"--exclude", p});
    args.insert(args.end(), {"src", "out.exe"});
    ASSERT_EQ(dir.Pack(args).exitCode, 0);
    EXPECT_EQ(EntryNames(dir.Native("out.exe")), names + " ") << ::testing::PrintToString(patterns);
  }
  EXPECT_NE(dir.Pack({"--exclude", "*", "src", "all.exe"}).err.find("nothing to pack"), std::string::npos);
  // A pattern of no name, and patterns for an archive's entries: usage errors.
  EXPECT_EQ(dir.Pack({"--exclude", "/", "src", "root.exe"}).exitCode, 2);
  EXPECT_EQ(dir.Pack({"--exclude", "a.txt", "out.exe", "zip.exe"}).exitCode, 2);
}

// The last of more refused names than a refusal shows, only with --list-problems.
TEST(PackSelect, ListProblemsNamesEveryRefusal) {
  StubFolder dir;
  for (int i = 0; i < 12; ++i) dir.Write("src/\xE5\x90\x8D" + std::to_string(i), "x");
  Fixture({"stored", dir.Native("unsafe.zip"), "../1", "../2", "../3", "../4", "../5"});
  for (const auto& [input, last] : {std::pair<std::string, std::string>{"src", "\"\xE5\x90\x8D" "9\""},
                                    {"unsafe.zip", "\"../5\""}}) {
    RunResult some = dir.Pack({input, "out.exe"}), all = dir.Pack({"--list-problems", input, "out.exe"});
    EXPECT_NE(some.err.find("and 2 more (--list-problems lists them all)"), std::string::npos) << some.err;
    EXPECT_EQ(some.err.find(last), std::string::npos) << some.err;
    EXPECT_EQ(all.err.find(" more"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find(last), std::string::npos) << all.err;
  }
}

// Every kept choice turned back gives the settings of no options.
TEST(PackSelect, KeptChoicesTurnBackOff) {
  StubFolder dir;
  dir.Write("a.txt", "a");
  ASSERT_EQ(dir.Pack({"--hide-run-checkbox", "--fixed-file-list", "--hide-overwrite-choice", "--auto-extract",
                      "--temp-cleanup", "--overwrite", "skip", "--caption", "Setup", "--run", "a.txt", "a.txt",
                      "on.exe"}).exitCode, 0);
  ASSERT_EQ(dir.Pack({"--keep-settings", "--show-run-checkbox", "--selectable-file-list", "--show-overwrite-choice",
                      "--no-auto-extract", "--no-wait", "--overwrite", "ask", "--caption", "", "--run", "", "on.exe", "off.exe"})
                .exitCode, 0);
  ASSERT_EQ(dir.Pack({"a.txt", "plain.exe"}).exitCode, 0);
  auto settings = [&](const char* sfx) {
    std::string info = Mksfx({"info", sfx}, dir.Native()).out;
    return info.substr(info.find("settings:"), info.find("entries:") - info.find("settings:"));
  };
  EXPECT_EQ(settings("off.exe"), settings("plain.exe"));
}

}  // namespace
