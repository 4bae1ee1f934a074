// The shared corpus through pack: archives the stub extracts whole are packed
// as they are; archives it can extract once their sizes stand in the local
// headers are written anew and extract whole; archives it cannot extract are
// refused once with the kind of entry and its names, and packed with --force
// for tests of the stub itself.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "test_support.h"

namespace {

enum class Outcome { kAsIs, kRewritten, kRefused };

struct CorpusRow {
  const char* file;
  Outcome outcome;
  const char* message;  // kRefused: in the refusal; with --force: in the warnings
  const char* forcedFinding;
};

const CorpusRow kRows[] = {
    {"zip/go/test.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/go/crc32-not-streamed.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/go/unix.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/go/winxp.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/libarchive/test_compat_zip_3.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/libarchive/test_compat_zip_6.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_comment_stored_2.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_nested.zip", Outcome::kAsIs, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_jar.jar", Outcome::kAsIs, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_traditional_encryption_data.zip", Outcome::kAsIs, nullptr, nullptr},
    // Sizes and CRC only in descriptors, signed or not, or ZIP64 local sizes
    // of small entries: the stub walks them once they are written anew.
    {"zip/go/dd.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_length_at_end.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/libarchive/test_compat_zip_1.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/go/go-with-datadesc-sig.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/go/go-no-datadesc-sig.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/libarchive/test_compat_zip_2.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_zip64a.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip_high_compression.zip", Outcome::kRewritten, nullptr, nullptr},
    // Names of a DOS host in code page 437 ("File 2 - \x94.txt"), converted.
    {"zip/libarchive/test_read_format_zip_7075_utf8_paths.zip", Outcome::kRewritten, nullptr, nullptr},
    {"zip/libarchive/test_read_format_zip.zip", Outcome::kRefused,
     "1 of 3 entries: data have CRC-32 3d66373a where 78787878 is claimed\n    \"file2\"",
     "\"file2\": CRC only in a data descriptor"},
    {"zip/libarchive/test_read_format_zip_7z_lzma.zip", Outcome::kRefused,
     "2 of 9 entries: compression method 14 (LZMA): the stub extracts only stored (0) and deflated (8) data",
     "compression method 14"},
    {"zip/libarchive/test_read_format_zip_winzip_aes128.zip", Outcome::kRefused,
     "1 of 1 entries: AES or strong encryption", "\"README\": compression method 99"},
    {"zip/libarchive/test_read_format_zip_symlink_unsupported_compression.zip", Outcome::kRefused,
     "1 of 2 entries: compression method 200 (unknown)", "\"second\": not extracted with every entry: the extraction ends"},
    {"zip/libarchive/test_read_format_zip_encryption_partially.zip", Outcome::kRefused,
     "1 of 2 entries: AES or strong encryption: the stub knows only the traditional ZIP "
     "encryption\n    \"foo.txt\"", "\"foo.txt\": AES or strong encryption"},
    {"zip/libarchive/test_read_format_zip_size_exceeds_declared_stored.zip", Outcome::kRefused,
     "1 of 2 entries: stored data of 20 bytes where 10 are claimed\n    \"first\"",
     "\"first\": stored entry whose compressed and uncompressed sizes disagree"},
    {"zip/libarchive/test_read_format_zip_size_exceeds_declared_deflate.zip", Outcome::kRefused,
     "1 of 2 entries: data give 262150 bytes where 10 are claimed\n    \"first\"",
     "\"first\": data give 262150 bytes where 10 are claimed"},
    // A macOS name in UTF-8 that Windows-1252 cannot hold.
    {"zip/go/utf8-osx.zip", Outcome::kRefused,
     "1 of 1 entries: the character U+4E16 has no byte in Windows code page 1252", "U+4E16"},
    // A file beside the folder of its name; links, which the stub writes as files.
    {"zip/go/dupdir.zip", Outcome::kRefused,
     "1 of 4 entries: a file of the same name as a folder holding \"a/b/c\"\n    \"a/b\"",
     "\"a/b\": a file of the same name as a folder holding \"a/b/c\""},
    {"zip/go/symlink.zip", Outcome::kRefused, "1 of 1 entries: a symbolic link", "\"symlink\": a symbolic link"},
    {"zip/libarchive/test_read_format_zip_7z_deflate.zip", Outcome::kRefused,
     "2 of 3 entries: a symbolic link", "\"libxkbcommon-x11.so\": a symbolic link"},
    // Shift-JIS names of a Windows host, read as code page 437: box drawing.
    {"zip/libarchive/test_read_format_zip_filename_cp932.zip", Outcome::kRefused,
     "2 of 2 entries: the character U+255B has no byte in Windows code page 1252", "U+255B"},
    {"zip/libarchive/test_read_format_zip_uncompressed_size_off_by_4gib.zip", Outcome::kRefused,
     "1 of 1 entries: ZIP64 sizes", "ZIP64 sizes"},
};

bool EveryLineStartsWith(const std::string& text, const std::string& prefix) {
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    if (text.compare(at, prefix.size(), prefix) != 0) return false;
    if (text.find('\n', at) == std::string::npos) break;
  }
  return true;
}

TEST(PackCorpus, EveryArchiveIsPackedRewrittenOrRefusedWithItsReason) {
  TempFolder dir;
  WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
  for (const CorpusRow& row : kRows) {
    SCOPED_TRACE(row.file);
    RunTool({"rm", "-rf", dir.Native("out.exe"), dir.Native("x")});
    // A single INPUT not named *.zip (the .jar) is an archive only when asked.
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe"), CorpusPath(row.file), "out.exe"};
    if (strstr(row.file, ".jar")) args.insert(args.begin() + 3, "--archive");
    RunResult r = Mksfx(args, dir.Native());
    if (row.outcome != Outcome::kRefused) {
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(r.err, "");
      if (row.outcome == Outcome::kAsIs) {
        EXPECT_EQ(ReadBytes(dir.Native("out.exe")).size(),
                  AlignedSize(kImageSize + 12 + ReadBytes(CorpusPath(row.file)).size()));
        continue;
      }
      RunResult x = Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")});
      EXPECT_EQ(x.exitCode, 0) << x.out << x.err;
      EXPECT_EQ(RunTool({"unzip", "-tq", dir.Native("out.exe")}).exitCode, 0);
      EXPECT_EQ(RunTool({"7z", "t", dir.Native("out.exe")}).exitCode, 0);
      continue;
    }
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("out.exe"));

    r = Mksfx({"pack", "--force", "--stub", dir.Native("stub.exe"), CorpusPath(row.file),
               dir.Native("out.exe")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(row.forcedFinding), std::string::npos) << r.err;
    // Each problem said once, per entry: not again as the refusal's summary.
    EXPECT_FALSE(std::regex_search(r.err, std::regex("[0-9]+ of [0-9]+ entries"))) << r.err;
    EXPECT_TRUE(EveryLineStartsWith(r.err, "mksfx: warning: ")) << r.err;
    EXPECT_TRUE(dir.Exists("out.exe"));
  }
}

}  // namespace
