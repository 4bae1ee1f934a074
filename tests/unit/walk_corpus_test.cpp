// Archives written by other tools and collected from other projects' test
// suites, extracted through the whole walk: what is written, with which
// CRC, and how the walk ends.
#include "support/engine_fixture.h"

namespace {

const char kAllDoneText[] = "All files have been extracted.";
const char kSomeFailedText[] = "One or more file(s) could not be extracted.";
const char kUnknownText[] = "Unknown compression type";

struct CorpusRow {
  const char* archive;    // below tests/data/
  const char* password;   // answered at the first prompt
  // Every file ("name crc") and folder ("name/") below the destination.
  std::vector<std::string> tree;
  const char* lastMessage;  // text of the last message box, "" for none
};

class WalkCorpusTest : public EngineTest, public ::testing::WithParamInterface<CorpusRow> {
 protected:
  std::vector<std::string> OutTree() {
    std::vector<std::string> out;
    for (const std::string& p : temp.Tree()) {
      if (p.rfind("out/", 0) != 0 || p == "out/") continue;
      std::string rel = p.substr(4);
      if (rel.back() == '/') {
        out.push_back(rel);
      } else {
        char crc[9];
        snprintf(crc, sizeof crc, "%08x", Crc32(temp.Read(p)));
        out.push_back(rel + " " + crc);
      }
    }
    return out;
  }
};

TEST_P(WalkCorpusTest, ExtractsAsOurRulesSay) {
  const CorpusRow& row = GetParam();
  std::string bytes = ReadNativeFile(std::string(SFX_SOURCE_DIR) + "/tests/data/" + row.archive);
  LoadSfx(BuildSfxFromArchive(bytes));
  if (*row.password) scripted::passwords = {row.password};
  ExtractAll();
  EXPECT_EQ(OutTree(), row.tree);
  std::string last = scripted::messages.empty() ? "" : scripted::messages.back().text;
  EXPECT_EQ(last, row.lastMessage) << scripted::MessageLog();
  EXPECT_FALSE(Engine.Busy);
}

const CorpusRow kRows[] = {
    // Deflate and stored entries, comments, folders, 7-Zip's dynamic blocks.
    {"corpus/zip/go/test.zip", "", {"gophercolor16x16.png 54d531fe", "test.txt c3edd7c0"}, kAllDoneText},
    {"corpus/zip/go/crc32-not-streamed.zip", "", {"bar.txt 04a2b3e9", "foo.txt 7e3265a8"}, kAllDoneText},
    {"corpus/zip/go/winxp.zip",
     "",
     {"dir/", "dir/bar 7a7e9b9e", "dir/empty/", "hello 7d13fc8d", "readonly ba6e115a"},
     kAllDoneText},
    {"corpus/zip/go/unix.zip",
     "",
     {"dir/", "dir/bar 7a7e9b9e", "dir/empty/", "hello 7d13fc8d", "readonly ba6e115a"},
     kAllDoneText},
    {"corpus/zip/libarchive/test_read_format_zip_7z_deflate.zip",
     "",
     {"libxkbcommon-x11.so 7f49bce9", "libxkbcommon-x11.so.0 7f49bce9", "libxkbcommon-x11.so.0.0.0 b033ee81"},
     kAllDoneText},
    {"corpus/zip/libarchive/test_read_format_zip_comment_stored_2.zip",
     "",
     {"build.sh 7dea58ea", "file0 2b284d36"},
     kAllDoneText},
    {"corpus/zip/libarchive/test_read_format_zip_nested.zip",
     "",
     {"file.txt 93636dfb", "small.zip 6975f4bd"},
     kAllDoneText},
    {"corpus/zip/libarchive/test_compat_zip_8.zip", "", {"arc/", "arc/test a42058f9"}, kAllDoneText},
    {"corpus/zip/libarchive/test_read_format_zip_jar.jar", "", {"somedir/"}, kAllDoneText},
    // Flag bit 3 on encrypted entries: the check byte is the time's.
    {"corpus/zip/libarchive/test_read_format_zip_traditional_encryption_data.zip",
     "12345678",
     {"bar.txt a4d8fd47", "foo.txt b493c7eb"},
     kAllDoneText},
    {"tools/infozip-crypt.zip", "s3cret", {"plain.txt 060b3fa0", "text.txt 53ad0f3e"}, kAllDoneText},
    {"tools/7z-crypt.zip", "s3cret", {"plain.txt 060b3fa0", "text.txt 53ad0f3e"}, kAllDoneText},
    // Sizes only in data descriptors: the walk ends at the first such entry
    // with data, writes nothing for it and says so.
    {"corpus/zip/go/dd.zip", "", {}, kSomeFailedText},
    {"corpus/zip/libarchive/test_read_format_zip_length_at_end.zip", "", {}, kSomeFailedText},
    {"corpus/zip/libarchive/test_read_format_zip.zip", "", {"dir/", "file1 3d66373a"}, kSomeFailedText},
    // Entries the walk cannot get past end it, with a message; nothing is
    // written for them.
    {"corpus/zip/libarchive/test_read_format_zip_7z_lzma.zip",
     "",
     {"_installdir/", "_installdir/abc_tools/", "_installdir/abc_tools/2000.9-beta11/",
      "_installdir/abc_tools/2000.9-beta11/bin/"},
     kUnknownText},
    {"corpus/zip/libarchive/test_read_format_zip_symlink_unsupported_compression.zip", "", {}, kUnknownText},
    // A file where a folder is needed is reported, not crashed on.
    {"corpus/zip/libarchive/test_read_format_zip_msdos.zip",
     "",
     {"abc 00000000", "def 00000000", "ghi/", "jkl 00000000", "mno/"},
     kSomeFailedText},
    // Any encryption bit goes through the password check; a password that
    // does not fit ends the walk silently after three prompts.
    {"corpus/zip/libarchive/test_read_format_zip_encryption_partially.zip",
     "",
     {"bar.txt a1992ae8"},
     ""},
    {"corpus/zip/libarchive/test_read_format_zip_winzip_aes128.zip", "password", {}, ""},
};

INSTANTIATE_TEST_SUITE_P(Archives, WalkCorpusTest, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return RowName(row.index, row.param.archive); });

}  // namespace
