// The shared corpus through pack: archives the stub extracts whole are packed
// as they are; archives it cannot fully extract are refused with the entry and
// the reason, and packed with --force for tests of the stub itself.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct CorpusRow {
  const char* file;
  const char* finding;  // nullptr: packs without --force
};

// Findings follow the stub's rules where they are stricter than the corpus
// notes: a method other than 0 and 8 ends the walk, the CRC comes from the
// local header, and only signed data descriptors are skipped.
const CorpusRow kRows[] = {
    {"zip/go/test.zip", nullptr},
    {"zip/go/crc32-not-streamed.zip", nullptr},
    {"zip/go/unix.zip", nullptr},
    {"zip/go/winxp.zip", nullptr},
    {"zip/go/dupdir.zip", nullptr},
    {"zip/go/symlink.zip", nullptr},
    {"zip/go/utf8-osx.zip", nullptr},
    {"zip/libarchive/test_compat_zip_3.zip", nullptr},
    {"zip/libarchive/test_compat_zip_6.zip", nullptr},
    {"zip/libarchive/test_read_format_zip_7z_deflate.zip", nullptr},
    {"zip/libarchive/test_read_format_zip_comment_stored_2.zip", nullptr},
    {"zip/libarchive/test_read_format_zip_nested.zip", nullptr},
    {"zip/libarchive/test_read_format_zip_jar.jar", nullptr},
    {"zip/libarchive/test_read_format_zip_traditional_encryption_data.zip", nullptr},
    {"zip/libarchive/test_read_format_zip_7075_utf8_paths.zip", nullptr},
    {"zip/libarchive/test_read_format_zip_filename_cp932.zip", nullptr},
    {"zip/go/dd.zip", "\"filename\": sizes only in a data descriptor"},
    {"zip/libarchive/test_read_format_zip_length_at_end.zip", "\"hello.txt\": sizes only in a data descriptor"},
    {"zip/libarchive/test_compat_zip_1.zip", "\"tmp.class\": not reached by the stub's walk"},
    {"zip/libarchive/test_read_format_zip.zip", "\"file2\": CRC only in a data descriptor"},
    {"zip/go/go-with-datadesc-sig.zip", "\"foo.txt\": sizes only in a data descriptor"},
    {"zip/go/go-no-datadesc-sig.zip", "\"bar.txt\": not reached by the stub's walk"},
    {"zip/libarchive/test_compat_zip_2.zip", "stops at input offset 0x23"},
    {"zip/libarchive/test_read_format_zip_7z_lzma.zip", "compression method 14"},
    {"zip/libarchive/test_read_format_zip_winzip_aes128.zip", "\"README\": compression method 99"},
    {"zip/libarchive/test_read_format_zip_symlink_unsupported_compression.zip",
     "\"second\": not reached"},
    {"zip/libarchive/test_read_format_zip_encryption_partially.zip", "\"foo.txt\": strong encryption"},
    {"zip/libarchive/test_read_format_zip_size_exceeds_declared_stored.zip",
     "\"first\": stored entry whose compressed and uncompressed sizes disagree"},
    {"zip/libarchive/test_read_format_zip_uncompressed_size_off_by_4gib.zip", "ZIP64 sizes"},
    {"zip/libarchive/test_read_format_zip_zip64a.zip", "\"-\": ZIP64 sizes"},
    {"zip/libarchive/test_read_format_zip_high_compression.zip", "\"char.bin\": sizes only"},
};

bool EveryLineStartsWith(const std::string& text, const std::string& prefix) {
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    if (text.compare(at, prefix.size(), prefix) != 0) return false;
    if (text.find('\n', at) == std::string::npos) break;
  }
  return true;
}

TEST(PackCorpus, EveryArchiveIsPackedOrRefusedWithItsReason) {
  TempDir dir;
  WriteBytes(dir / "stub.exe", FakeStub());
  for (const CorpusRow& row : kRows) {
    SCOPED_TRACE(row.file);
    RunTool({"rm", "-f", dir / "out.exe"});
    RunResult r = Mksfx({"pack", "--stub", dir / "stub.exe", CorpusFile(row.file), dir / "out.exe"});
    if (!row.finding) {
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(ReadBytes(dir / "out.exe").size(),
                kImageSize + 12 + ReadBytes(CorpusFile(row.file)).size());
      continue;
    }
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(row.finding), std::string::npos) << r.err;
    EXPECT_TRUE(EveryLineStartsWith(r.err, "mksfx: ")) << r.err;
    EXPECT_NE(r.err.find("--force packs it anyway"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(dir / "out.exe"));

    r = Mksfx({"pack", "--force", "--stub", dir / "stub.exe", CorpusFile(row.file), dir / "out.exe"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(row.finding), std::string::npos) << r.err;
    EXPECT_TRUE(EveryLineStartsWith(r.err, "mksfx: warning: ")) << r.err;
    EXPECT_TRUE(Exists(dir / "out.exe"));
  }
}

}  // namespace
