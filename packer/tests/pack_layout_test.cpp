// Where pack puts things: the archive behind the padded stub and the block,
// every offset moved by the same distance, prefixes of every kind dropped,
// and the result readable by tools that share no code with mksfx.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

struct Listed {
  std::map<std::string, uint64_t> offsets;  // name -> local header position
  std::string testzip;
};

Listed ListArchive(const std::string& path) {
  Listed l;
  std::istringstream in(Fixture({"list", path}));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    if (name == "testzip") {
      fields >> l.testzip;
      continue;
    }
    uint64_t offset;
    fields >> offset;
    l.offsets[name] = offset;
  }
  return l;
}

uint64_t FirstOffset(const Listed& l) {
  uint64_t first = UINT64_MAX;
  for (auto& e : l.offsets) first = std::min(first, e.second);
  return first;
}

// unzip takes a prefixed archive whose offsets count from the file's start
// without a word; offsets that are off make it report "extra bytes".
void ExpectUnzipAccepts(const std::string& path) {
  RunResult r = RunTool({"unzip", "-tq", path});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("No errors detected"), std::string::npos) << r.out;
  EXPECT_EQ((r.out + r.err).find("extra bytes"), std::string::npos) << r.out << r.err;
}

// Contents as extracted, every offset moved by the first header's distance,
// and the stub's engine extracting what Python extracts.
void ExpectRebased(const std::string& input, const std::string& output, uint64_t firstHeader) {
  Listed in = ListArchive(input), out = ListArchive(output);
  ASSERT_FALSE(in.offsets.empty());
  EXPECT_EQ(out.testzip, "OK");
  ASSERT_EQ(in.offsets.size(), out.offsets.size());
  uint64_t inFirst = FirstOffset(in);
  for (auto& e : in.offsets)
    EXPECT_EQ(out.offsets[e.first], e.second - inFirst + firstHeader) << e.first;
  EXPECT_EQ(Fixture({"contents", input}), Fixture({"contents", output}));
  ExpectUnzipAccepts(output);
  // The stub's own start-up and walk, run on Linux, write the same files.
  TempFolder stub, python;
  RunResult walked = Mksfx({"extract", output, stub.Native()});
  EXPECT_EQ(walked.exitCode, 0) << walked.out << walked.err;
  ASSERT_EQ(RunTool({"python3", "-m", "zipfile", "-e", output, python.Native()}).exitCode, 0);
  RunResult diff = RunTool({"diff", "-r", stub.Native(), python.Native()});
  EXPECT_EQ(diff.exitCode, 0) << diff.out;
}

class PackLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    RunTool({"mkdir", "-p", dir.Native("src/sub/deeper")});
    WriteNativeFile(dir.Native("src/hello.txt"), "Hello, world.\r\nSecond line.\r\n");
    std::string binary;
    for (int i = 0; i < 5000; ++i) binary += (char)(i * 7 % 251);
    WriteNativeFile(dir.Native("src/binary.bin"), binary);
    WriteNativeFile(dir.Native("src/sub/deeper/nested.txt"), "nested text\n");
  }

  std::string Pack(const std::string& archive, std::vector<std::string> options = {}) {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(archive);
    args.push_back(dir.Native("out.exe"));
    RunResult r = Mksfx(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir.Native("out.exe");
  }

  TempFolder dir;
};

struct ToolRow {
  const char* tool;
  std::vector<std::string> command;  // run in src/, archive name appended by {out}
};

TEST_F(PackLayout, ArchivesOfEveryToolReadBackWithTheSameContents) {
  const std::string out = dir.Native("in.zip");
  const std::vector<ToolRow> rows = {
      {"zip", {"zip", "-qr", out, "hello.txt", "binary.bin", "sub"}},
      {"zip stored", {"zip", "-qr0", out, "hello.txt", "binary.bin", "sub"}},
      {"7z", {"7z", "a", "-tzip", "-bd", "-bso0", out, "hello.txt", "binary.bin", "sub"}},
      {"python", {"python3", "-c",
                  "import zipfile,sys\n"
                  "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                  "  [z.write(n) for n in ('hello.txt','binary.bin','sub/deeper/nested.txt')]",
                  out}},
  };
  for (const ToolRow& row : rows) {
    SCOPED_TRACE(row.tool);
    RunTool({"rm", "-f", out});
    RunResult made = RunTool(row.command, dir.Native("src"));
    ASSERT_EQ(made.exitCode, 0) << made.err;
    std::string sfx = Pack(out, {"--caption", "Tool test"});
    const size_t blockLength = 12 + 9;
    ExpectRebased(out, sfx, kImageSize + blockLength);
  }
}

TEST_F(PackLayout, BlocklessOutputIsThePaddedStubThenTheArchive) {
  ASSERT_EQ(RunTool({"zip", "-qr", dir.Native("in.zip"), "hello.txt", "sub"}, dir.Native("src")).exitCode, 0);
  std::string sfx = Pack(dir.Native("in.zip"), {"--no-block"});
  std::string stub = FakeStub(kShortStubSize);
  std::vector<uint8_t> input = ReadBytes(dir.Native("in.zip")), output = ReadBytes(sfx);
  ASSERT_EQ(output.size(), AlignedSize(kImageSize + input.size()));
  size_t padding = output.size() - kImageSize - input.size();
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), output.begin()));
  EXPECT_TRUE(std::all_of(output.begin() + stub.size(), output.begin() + kImageSize,
                          [](uint8_t b) { return b == 0; }));
  // Everything up to the central directory is copied unchanged.
  size_t end = input.size() - 22;
  uint32_t centralOffset = Le32(input, end + 16);
  EXPECT_TRUE(std::equal(input.begin(), input.begin() + centralOffset, output.begin() + kImageSize));
  EXPECT_EQ(Le32(output, output.size() - padding - 22 + 16), centralOffset + kImageSize);
  ExpectRebased(dir.Native("in.zip"), sfx, kImageSize);
}

TEST_F(PackLayout, StubOfTheFullBudgetEndingInZerosWorksWithoutBlock) {
  std::string stub = FakeStub(kImageSize);
  stub[kImageSize - 2] = stub[kImageSize - 1] = 0;
  WriteNativeFile(dir.Native("stub.exe"), stub);
  ASSERT_EQ(RunTool({"zip", "-qr", dir.Native("in.zip"), "hello.txt"}, dir.Native("src")).exitCode, 0);
  std::string sfx = Pack(dir.Native("in.zip"), {"--no-block"});
  ExpectRebased(dir.Native("in.zip"), sfx, kImageSize);
}

// Prefixes whose offsets count from the file's start, and prefixes whose
// offsets count from the archive's own first byte: the output starts the
// archive right behind the block either way.
TEST_F(PackLayout, PrefixedInputsAreRebasedFromTheirFirstLocalHeader) {
  ASSERT_EQ(RunTool({"zip", "-qr", dir.Native("plain.zip"), "hello.txt", "sub"}, dir.Native("src")).exitCode,
            0);
  std::string prefixed = FakeStub(1000) + dir.Read("plain.zip");
  WriteNativeFile(dir.Native("unadjusted.zip"), prefixed);
  WriteNativeFile(dir.Native("adjusted.zip"), prefixed);
  ASSERT_EQ(RunTool({"zip", "-qA", dir.Native("adjusted.zip")}).exitCode, 0);
  ASSERT_EQ(Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--caption", "first",
                   dir.Native("plain.zip"), dir.Native("earlier.exe")}).exitCode, 0);

  const std::vector<std::string> inputs = {
      dir.Native("unadjusted.zip"), dir.Native("adjusted.zip"), dir.Native("earlier.exe"),
      CorpusPath("zip/go/test-prefix.zip"),
      CorpusPath("zip/libarchive/test_read_format_zip_padded1.zip"),
      CorpusPath("zip/libarchive/test_read_format_zip_padded3.zip"),
      CorpusPath("zip/libarchive/test_compat_zip_4.zip"),
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    std::string sfx = Pack(input, {"--caption", "again"});
    ExpectRebased(input, sfx, kImageSize + 12 + 5);
  }
}

// test-baddirsz and test-badbase are test.zip with a wrong directory size in
// the end record; behind a prefix their offsets count from the archive, so
// neither the stored offset nor the size leads to the directory.  Packed, all
// of them give test.zip's self-extractor byte for byte.
TEST_F(PackLayout, WrongDirectorySizesAreCorrectedInTheOutput) {
  Pack(CorpusPath("zip/go/test.zip"), {"--no-block"});
  std::vector<uint8_t> expected = ReadBytes(dir.Native("out.exe"));
  for (const char* name : {"zip/go/test-baddirsz.zip", "zip/go/test-badbase.zip"}) {
    WriteNativeFile(dir.Native("prefixed.zip"), FakeStub(500) + CorpusFile(name));
    for (const std::string& input : {CorpusPath(name), dir.Native("prefixed.zip")}) {
      SCOPED_TRACE(input + " from " + name);
      Pack(input, {"--no-block"});
      EXPECT_TRUE(ReadBytes(dir.Native("out.exe")) == expected);
    }
  }
  ExpectUnzipAccepts(dir.Native("out.exe"));
}

TEST_F(PackLayout, TheLowestLocalHeaderStartsTheArchiveWhateverTheDirectoryOrder) {
  ASSERT_EQ(RunTool({"zip", "-qr", dir.Native("in.zip"), "hello.txt", "binary.bin", "sub"}, dir.Native("src"))
                .exitCode,
            0);
  Fixture({"reverse-cd", dir.Native("in.zip"), dir.Native("reversed.zip")});
  std::string sfx = Pack(dir.Native("reversed.zip"));
  ExpectRebased(dir.Native("reversed.zip"), sfx, kImageSize + 12);
}

TEST_F(PackLayout, BytesAfterTheEndRecordAreLeftOut) {
  std::string input = CorpusPath("zip/libarchive/test_read_format_zip_padded2.zip");
  RunResult r = Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--no-block", input, dir.Native("out.exe")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("mksfx: note: "), std::string::npos);
  EXPECT_NE(r.err.find("189 bytes after the end record"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(dir.Native("out.exe")).size(), AlignedSize(kImageSize + 499 - 189));
  ExpectRebased(input, dir.Native("out.exe"), kImageSize);
}

// The archive comment behind the end record that ends `file`.
std::string EndComment(const std::string& file) {
  for (size_t at = file.size() - 22 + 1; at-- > 0;)
    if (file.compare(at, 4, "PK\5\6", 4) == 0 &&
        at + 22 + (uint8_t)file[at + 20] + ((uint8_t)file[at + 21] << 8) == file.size())
      return file.substr(at + 22);
  return "(no end record ends the file)";
}

// Every way of packing ends the output on a multiple of 8, its comment padded
// with fewer than 8 zero bytes, where a signer then starts its table; an
// earlier padding is not carried into the next.
TEST_F(PackLayout, EveryOutputEndsOnAMultipleOfEightInItsComment) {
  const std::string comment = "made by the test";
  ZipOptions options;
  options.comment = comment;
  dir.Write("commented.zip", BuildZip({File("hello.txt", "Hello.\r\n"), File("data.bin", Pattern(3000))},
                                      options));
  ASSERT_EQ(Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--caption", "earlier",
                   dir.Native("commented.zip"), dir.Native("earlier.exe")}).exitCode, 0);
  struct Row {
    const char* way;
    std::vector<std::string> inputs;
    std::string comment;
  };
  const Row rows[] = {
      {"folders and files", {dir.Native("src")}, ""},
      {"an archive taken over", {dir.Native("commented.zip")}, comment},
      {"an archive written anew", {"--password", "secret", dir.Native("commented.zip")}, comment},
      {"a self-extractor", {dir.Native("earlier.exe")}, comment},
  };
  for (const Row& row : rows) {
    for (std::string caption; caption.size() < kOutputAlignment; caption += "c") {
      SCOPED_TRACE(row.way + std::string(", caption of ") + std::to_string(caption.size()));
      Pack(row.inputs.back(), [&] {
        std::vector<std::string> o(row.inputs.begin(), row.inputs.end() - 1);
        o.insert(o.end(), {"--caption", caption});
        return o;
      }());
      std::string out = dir.Read("out.exe");
      EXPECT_EQ(out.size() % kOutputAlignment, 0u);
      std::string padded = EndComment(out);
      EXPECT_EQ(padded.compare(0, row.comment.size(), row.comment), 0) << padded;
      EXPECT_LT(padded.size() - row.comment.size(), kOutputAlignment);
      EXPECT_EQ(padded.find_first_not_of('\0', row.comment.size()), std::string::npos);
    }
  }
}

TEST_F(PackLayout, ExistingOutputIsReplacedWholeAndNoTemporaryFileStays) {
  ASSERT_EQ(RunTool({"zip", "-qr", dir.Native("in.zip"), "hello.txt"}, dir.Native("src")).exitCode, 0);
  // An earlier, larger self-extractor: the one kind of file OUTPUT replaces.
  size_t earlier = ReadBytes(Pack(dir.Native("src"))).size();
  std::string sfx = Pack(dir.Native("in.zip"));
  EXPECT_LT(ReadBytes(sfx).size(), earlier);
  ExpectRebased(dir.Native("in.zip"), sfx, kImageSize + 12);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"in.zip", "out.exe", "src", "stub.exe"}));
}

}  // namespace
