// When an extraction walk counts as complete: it must have met at least as
// many local headers as the central directory lists, wherever it stopped.
#include "support/engine_fixture.h"

namespace {

// Flag bit 3 and a compressed size and CRC of 0 in the local header, as a
// streaming writer leaves them; the sizes follow in a signed descriptor.
ZipEntry Streamed(const std::string& name, const std::string& data) {
  ZipEntry e = File(name, data);
  e.flags = 0x0008;
  e.compressedSize = 0;
  e.crc = 0;
  e.signedDescriptor = true;
  return e;
}

// A data descriptor without signature: crc-32, compressed and uncompressed size.
std::string UnsignedDescriptor(uint32_t crc, uint32_t size) {
  std::string d;
  for (uint32_t v : {crc, size, size})
    for (int i = 0; i < 4; ++i) d += (char)(v >> (8 * i));
  return d;
}

struct CompletenessRow {
  const char* what;
  std::vector<ZipEntry> entries;
  std::vector<std::string> written;   // files below the destination, in order
  std::vector<std::string> selected;  // items still selected afterwards
  bool succeeded;
};

std::vector<CompletenessRow> Rows() {
  ZipEntry nested = Streamed("outer.zip", BuildZip({File("inner.txt", "not an entry")}));
  ZipEntry known = File("last.txt", "data");
  known.flags = 0x0008;
  known.trailer = UnsignedDescriptor(Crc32("data"), 4);
  ZipEntry strayAfter = File("b.txt", "b");
  strayAfter.trailer = "stray bytes";
  ZipEntry emptyUnsigned = File("empty", "");
  emptyUnsigned.flags = 0x0008;
  emptyUnsigned.trailer = std::string(12, '\0');
  ZipEntry deflated = Streamed("packed", "deflated data");
  deflated.method = 8;
  return {
      {"a streamed entry holding an archive fails; nothing inside it is written",
       {File("a.txt", "a"), nested, File("later.txt", "l")},
       {"a.txt"},
       {"outer.zip"},
       false},
      {"a streamed deflated entry of unknown size fails",
       {deflated, File("later.txt", "l")},
       {},
       {"packed"},
       false},
      {"stray bytes after the last entry do not fail a complete walk",
       {File("a.txt", "a"), strayAfter},
       {"a.txt", "b.txt"},
       {},
       true},
      {"an unsigned descriptor after the last entry does not fail a complete walk",
       {File("a.txt", "a"), known},
       {"a.txt", "last.txt"},
       {},
       true},
      {"an empty streamed entry with a signed descriptor of 0 bytes is empty",
       {Streamed("empty", ""), File("after.txt", "x")},
       {"after.txt", "empty"},
       {},
       true},
      {"an empty streamed entry with twelve zero bytes is empty and is stepped over",
       {emptyUnsigned, File("after.txt", "x")},
       {"after.txt", "empty"},
       {},
       true},
  };
}

class WalkCompletenessTest : public EngineTest {};

TEST_F(WalkCompletenessTest, CompleteOnlyWhenEveryListedEntryWasMet) {
  std::vector<CompletenessRow> rows = Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    const CompletenessRow& row = rows[i];
    SCOPED_TRACE(row.what);
    scripted::messages.clear();
    LoadSfx(BuildSfx(row.entries, BlockFields()));
    std::string dest = "out" + std::to_string(i);
    ExtractAll(dest);
    std::vector<std::string> written;
    for (const std::string& p : temp.Tree())
      if (p.rfind(dest + "/", 0) == 0 && p != dest + "/") written.push_back(p.substr(dest.size() + 1));
    EXPECT_EQ(written, row.written);
    EXPECT_EQ(SelectedItems(dialog, IDC_MAIN_ENTRY_LIST), row.selected);
    EXPECT_EQ(Engine.ExtractionSucceeded, row.succeeded);
    ASSERT_FALSE(scripted::messages.empty());
    EXPECT_EQ(scripted::messages.back(), row.succeeded ? kAllDone : kSomeFailed) << scripted::MessageLog();
    CloseSfx();
  }
}

TEST_F(WalkCompletenessTest, EntryOfUnknownSizeIsNamedAndEndsTheList) {
  ZipEntry nested = Streamed("outer.zip", BuildZip({File("inner.txt", "i")}));
  LoadSfx(BuildSfx({nested, File("later.txt", "l")}, BlockFields()));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"outer.zip"});
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain();
  EXPECT_EQ(scripted::messages,
            (std::vector<RecordedMessage>{{"Cannot open file ...", "outer.zip", 0x10}, kSomeFailed}));
  EXPECT_FALSE(temp.Exists("out/outer.zip"));
}

TEST_F(WalkCompletenessTest, UnselectedEntryOfUnknownSizeStillHidesTheRest) {
  LoadSfx(BuildSfx({File("a.txt", "a"), Streamed("s", "data"), File("z.txt", "z")}, BlockFields()));
  ListEntries();
  SendMessageA(GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST), LB_SETSEL, TRUE, 0);  // a.txt only
  ExtractAgain();
  EXPECT_EQ(Out("a.txt"), "a");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kSomeFailed});
  EXPECT_FALSE(Engine.ExtractionSucceeded);
}

}  // namespace
