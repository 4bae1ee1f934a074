// Archives as the world writes them, through pack: streamed writers leave
// sizes in descriptors, and the output must still extract whole with the
// stub's own walk; the end record is read as the stub reads it.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class PackInput : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    RunTool({"mkdir", "-p", dir.Native("src/sub/deep"), dir.Native("x")});
    WriteNativeFile(dir.Native("src/hello.txt"), "hello\n");
    WriteNativeFile(dir.Native("src/sub/empty"), "");
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + "\n";
    WriteNativeFile(dir.Native("src/sub/deep/lines.txt"), text);
  }

  RunResult Pack(const std::string& archive) {
    RunTool({"rm", "-rf", dir.Native("out.exe"), dir.Native("x")});
    return Mksfx({"pack", "--stub", dir.Native("stub.exe"), archive, dir.Native("out.exe")});
  }

  TempFolder dir;
};

// Every writer that cannot seek back: bit 3 and the sizes after the data.
TEST_F(PackInput, StreamedArchivesAreRewrittenAndExtractWhole) {
  struct Row {
    const char* writer;
    std::string command;  // run in src, writes ../in.zip
  };
  const Row rows[] = {
      {"bsdtar deflate", "bsdtar --format zip -cf - . | cat > ../in.zip"},
      {"bsdtar store", "bsdtar --format zip --options zip:compression=store -cf - . | cat > ../in.zip"},
      {"zip - piped", "zip -qr - . | cat > ../in.zip"},
      {"jar", "jar cfM ../in.zip hello.txt sub"},
      {"python to a pipe", "python3 " PACKER_FIXTURES " piped ../in.zip ."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.writer);
    RunTool({"rm", "-f", dir.Native("in.zip")});
    ASSERT_EQ(RunTool({"sh", "-c", row.command}, dir.Native("src")).exitCode, 0);
    RunResult r = Pack(dir.Native("in.zip"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    RunResult x = Mksfx({"extract", "-q", dir.Native("out.exe"), dir.Native("x")});
    EXPECT_EQ(x.exitCode, 0) << x.out;
    RunResult diff = RunTool({"diff", "-r", dir.Native("src"), dir.Native("x")});
    EXPECT_EQ(diff.exitCode, 0) << diff.out;
    EXPECT_EQ(RunTool({"unzip", "-tq", dir.Native("out.exe")}).exitCode, 0);
    EXPECT_EQ(RunTool({"7z", "t", dir.Native("out.exe")}).exitCode, 0);
    EXPECT_EQ(Mksfx({"check", dir.Native("out.exe")}).exitCode, 0);
  }
}

// UTF-8 names are written in the stub's code page (and extract names the
// files in UTF-8 again, as Wine does).
TEST_F(PackInput, Utf8NamesAreConvertedToTheCodePage) {
  ASSERT_EQ(RunTool({"python3", "-c",
                     "import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w'); "
                     "z.writestr('Caf\\u00e9/\\u00dcber.txt','x'); z.close()",
                     dir.Native("in.zip")}).exitCode, 0);
  ASSERT_EQ(Pack(dir.Native("in.zip")).exitCode, 0);
  EXPECT_EQ(Mksfx({"extract", "-q", dir.Native("out.exe"), dir.Native("x")}).exitCode, 0);
  EXPECT_EQ(ReadBytes(dir.Native("x/Caf\xC3\xA9/\xC3\x9C" "ber.txt")).size(), 1u);
  ASSERT_EQ(Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--codepage", "1251", dir.Native("in.zip"),
                   dir.Native("cyr.exe")}).exitCode, 1);
  // Info-ZIP zip on Unix writes UTF-8 names without the flag.
  WriteNativeFile(dir.Native("src/Caf\xC3\xA9.txt"), "y");
  RunTool({"rm", "-rf", dir.Native("in.zip")});
  ASSERT_EQ(RunTool({"zip", "-q", dir.Native("in.zip"), "Caf\xC3\xA9.txt"}, dir.Native("src")).exitCode, 0);
  ASSERT_EQ(Pack(dir.Native("in.zip")).exitCode, 0);
  EXPECT_EQ(Mksfx({"extract", "-q", dir.Native("out.exe"), dir.Native("x")}).exitCode, 0);
  EXPECT_EQ(ReadBytes(dir.Native("x/Caf\xC3\xA9.txt")).size(), 1u);
}

// The end record as the stub takes it: the lowest that ends exactly at the
// end of the file; 65,535 entries are no ZIP64; a count that disagrees with
// the directory is named as that.
TEST_F(PackInput, EndRecordsAreReadAsTheStubReadsThem) {
  ASSERT_EQ(RunTool({"zip", "-qr", dir.Native("in.zip"), "."}, dir.Native("src")).exitCode, 0);
  Fixture({"many", dir.Native("many.zip"), "65535"});
  Fixture({"recount", dir.Native("in.zip"), dir.Native("more.zip"), "1"});
  Fixture({"recount", dir.Native("in.zip"), dir.Native("fewer.zip"), "-1"});
  Fixture({"comment-copy", dir.Native("in.zip"), dir.Native("copy.zip")});
  struct Row {
    const char* archive;
    const char* refusal;  // nullptr: packed
  };
  const Row rows[] = {
      {"many.zip", nullptr},
      {"copy.zip", nullptr},
      {"more.zip", "the end record counts 6 entries, the central directory holds 5"},
      {"fewer.zip", "the end record counts 4 entries, the central directory holds 5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.archive);
    RunResult r = Pack(dir.Native(row.archive));
    EXPECT_EQ(r.exitCode, row.refusal ? 1 : 0) << r.err;
    if (row.refusal) {
      EXPECT_NE(r.err.find(row.refusal), std::string::npos) << r.err;
    }
  }
}

}  // namespace
