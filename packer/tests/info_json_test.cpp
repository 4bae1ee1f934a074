// mksfx info --json read back by Python's json module: the settings, the
// entries with their fields, names that need escaping, and stub problems.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// Python's summary of the document info --json prints for `sfx`.
std::string Summary(const TempFolder& dir, const std::string& sfx) {
  RunResult info = Mksfx({"info", "--json", dir.Native(sfx)});
  EXPECT_EQ(info.exitCode, 0) << info.err;
  WriteNativeFile(dir.Native("info.json"), info.out);
  RunResult r = RunTool(
      {"python3", "-c",
       "import json, sys\n"
       "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
       "s = d['settings']\n"
       "print(json.dumps([d['codepage'], d['block'] is not None, d['signed'], s['caption'], s['overwrite'],\n"
       "                  s['auto_extract'], s['info_text'],\n"
       "                  [[e['name'], e['method'], e['uncompressed_size'], e['encrypted'], len(e['crc32']),\n"
       "                    e['offset'] >= d['first_local_header']] for e in d['entries']],\n"
       "                  [p['entry'] for p in d['stub_problems']]]))\n",
       dir.Native("info.json")});
  EXPECT_EQ(r.exitCode, 0) << r.err << info.out;
  return r.out;
}

TEST(InfoJson, ParsesAndHoldsTheEntries) {
  TempFolder dir;
  WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
  dir.MakeFolder("src");
  WriteNativeFile(dir.Native("src/a.txt"), "hello");
  WriteNativeFile(dir.Native("pw"), "secret");
  ASSERT_EQ(Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--caption", "Setup \"1\"", "--overwrite", "skip",
                   "--password-file", dir.Native("pw"), dir.Native("src"), dir.Native("tree.exe")})
                .exitCode,
            0);
  EXPECT_EQ(Summary(dir, "tree.exe"),
            "[1252, true, null, \"Setup \\\"1\\\"\", \"skip\", false, null, "
            "[[\"a.txt\", \"stored\", 5, true, 8, true]], []]\n");

  // Names the stub refuses, taken over as they are: escaped, the UTF-8 name
  // read byte by byte in Windows-1252 as the stub reads it.
  Fixture({"stored", dir.Native("odd.zip"), "quote\".txt", "tab\there", "caf\xC3\xA9"});
  RunResult r = Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--force", "--no-block",
                       dir.Native("odd.zip"), dir.Native("odd.exe")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Summary(dir, "odd.exe"),
            "[1252, false, null, null, \"ask\", false, null, "
            "[[\"quote\\\".txt\", \"stored\", 18, false, 8, true], "
            "[\"tab\\there\", \"stored\", 16, false, 8, true], "
            "[\"caf\\u00c3\\u00a9\", \"stored\", 13, false, 8, true]], "
            "[\"quote\\\".txt\", \"tab\\there\"]]\n");
}

}  // namespace
