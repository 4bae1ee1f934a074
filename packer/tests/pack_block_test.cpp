// The configuration block as pack writes it: every option's flag bit, every
// length field, the texts byte for byte, the block length in front of the
// first local header, and the limits of each length field.
#include <gtest/gtest.h>

#include "config_block_codec.h"
#include "test_support.h"

namespace {

class PackBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    WriteNativeFile(dir.Native("a.txt"), "some text\n");
    ASSERT_EQ(RunTool({"zip", "-q", dir.Native("in.zip"), "a.txt"}, dir.Native()).exitCode, 0);
  }

  RunResult Pack(const std::vector<std::string>& options, const std::string& input = "in.zip") {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(dir.Native(input));
    args.push_back(dir.Native("out.exe"));
    return Mksfx(args);
  }

  // The block as found at 0x5400, checked against its own length field and
  // the local header behind it.
  std::vector<uint8_t> PackedBlock(const std::vector<std::string>& options, const std::string& input = "in.zip") {
    RunResult r = Pack(options, input);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> out = ReadBytes(dir.Native("out.exe"));
    if (out.size() < kImageSize + 12) return {};
    size_t length = 12 + out[kImageSize + 4] + out[kImageSize + 5] + out[kImageSize + 6] +
                    Le16(out, kImageSize + 7) + out[kImageSize + 9];
    EXPECT_EQ(Le16(out, kImageSize + length - 2), length);
    EXPECT_EQ(Le32(out, kImageSize + length), 0x04034B50u) << "first local header";
    return std::vector<uint8_t>(out.begin() + kImageSize, out.begin() + kImageSize + length);
  }

  TempFolder dir;
};

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST_F(PackBlock, EachChoiceSetsItsFlagBits) {
  struct Row {
    std::vector<std::string> options;
    uint8_t flags;
  };
  const Row rows[] = {
      {{}, 0x03},
      {{"--hide-run-checkbox"}, 0x02},
      {{"--hide-run-checkbox", "--show-run-checkbox"}, 0x03},
      {{"--fixed-file-list"}, 0x01},
      {{"--fixed-file-list", "--selectable-file-list"}, 0x03},
      {{"--hide-overwrite-choice"}, 0x07},
      {{"--overwrite", "ask"}, 0x03},
      {{"--overwrite", "overwrite"}, 0x0B},
      {{"--overwrite=skip"}, 0x13},
      {{"--auto-extract"}, 0x43},
      {{"--hide-run-checkbox", "--fixed-file-list", "--hide-overwrite-choice", "--overwrite",
        "skip", "--auto-extract"},
       0x54},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.options));
    std::vector<uint8_t> block = PackedBlock(row.options);
    std::vector<uint8_t> expected = {'M', 'P', 'U', row.flags, 0, 0, 0, 0, 0, 0, 12, 0};
    EXPECT_EQ(block, expected);
  }
}

// 0x80 always comes with 0x20; --no-wait ends both, --no-temp-cleanup 0x80 alone.
TEST_F(PackBlock, WaitAndTemporaryFolderSetTheirBitsAndAreKept) {
  struct Row {
    std::vector<std::string> options, keptWith;  // keptWith: packed again with --keep-settings and these
    uint8_t flags;
  };
  const Row rows[] = {
      {{"--wait"}, {}, 0x23},
      {{"--temp-cleanup", "--run", "r.exe"}, {}, 0xA3},
      {{"--temp-cleanup", "--no-temp-cleanup"}, {}, 0x03},
      {{"--temp-cleanup", "--run", "r.exe"}, {"--caption", "kept"}, 0xA3},
      {{"--run", "r.exe"}, {"--temp-cleanup"}, 0xA3},
      {{"--temp-cleanup", "--run", "r.exe"}, {"--no-temp-cleanup"}, 0x23},
      {{"--temp-cleanup", "--run", "r.exe"}, {"--no-wait"}, 0x03},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.options) + ::testing::PrintToString(row.keptWith));
    std::vector<uint8_t> block = PackedBlock(row.options);
    if (!row.keptWith.empty()) {
      RunTool({"mv", dir.Native("out.exe"), dir.Native("first.exe")});
      std::vector<std::string> again = {"--keep-settings"};
      again.insert(again.end(), row.keptWith.begin(), row.keptWith.end());
      block = PackedBlock(again, "first.exe");
    }
    ASSERT_GT(block.size(), 3u);
    EXPECT_EQ(block[3], row.flags);
  }
}

TEST_F(PackBlock, TextsFollowInOrderWithTheirLengths) {
  std::vector<uint8_t> block =
      PackedBlock({"--caption", "Setup", "--default-folder", "><", "--run", "setup.exe|/S ><",
                   "--info-text", "Read me first.", "--info-caption", "Note"});
  std::vector<uint8_t> expected = {'M', 'P', 'U', 0x03, 5, 2, 15, 14, 0, 4};
  for (const char* text : {"Setup", "><", "setup.exe|/S ><", "Read me first.", "Note"}) {
    std::vector<uint8_t> t = Bytes(text);
    expected.insert(expected.end(), t.begin(), t.end());
  }
  size_t length = expected.size() + 2;
  expected.push_back((uint8_t)length);
  expected.push_back((uint8_t)(length >> 8));
  EXPECT_EQ(block, expected);
}

// The file is UTF-8; the block holds the text in Windows-1252, without the
// file's byte order mark.
TEST_F(PackBlock, InformationTextComesFromAFileInTheCodePage) {
  std::string text = "line one\r\nline two \x84\xE9\r\n";
  WriteNativeFile(dir.Native("info.txt"), "\xEF\xBB\xBFline one\r\nline two \xE2\x80\x9E\xC3\xA9\r\n");
  std::vector<uint8_t> block = PackedBlock({"--info-file", dir.Native("info.txt"), "--info-caption", "i"});
  ASSERT_EQ(block.size(), 12 + text.size() + 1);
  EXPECT_EQ(Le16(block, 7), text.size());
  EXPECT_EQ(std::string(block.begin() + 10, block.begin() + 10 + (long)text.size()), text);
}

TEST_F(PackBlock, ShortTextsTake255CharactersAndRefuse256) {
  for (const char* option : {"--caption", "--default-folder", "--run", "--info-caption"}) {
    SCOPED_TRACE(option);
    std::vector<uint8_t> block = PackedBlock({option, std::string(255, 'c')});
    EXPECT_EQ(block.size(), 12u + 255);
    RunTool({"rm", "-f", dir.Native("out.exe")});
    RunResult r = Pack({option, std::string(256, 'c')});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, std::string("mksfx: ") + option +
                         " has 256 characters (a byte each in the code page); its length field holds at most 255\n");
    EXPECT_FALSE(dir.Exists("out.exe"));
  }
}

TEST_F(PackBlock, InformationTextFillsTheBlockLengthAndNoMore) {
  const size_t longest = 0xFFFF - 12;
  WriteNativeFile(dir.Native("info.txt"), std::string(longest, 'i'));
  std::vector<uint8_t> block = PackedBlock({"--info-file", dir.Native("info.txt")});
  ASSERT_EQ(block.size(), 0xFFFFu);
  EXPECT_EQ(Le16(block, 7), longest);
  EXPECT_EQ(Le16(block, block.size() - 2), 0xFFFF);
  // Readers that use the central directory still find every entry.
  EXPECT_EQ(RunTool({"unzip", "-tq", dir.Native("out.exe")}).exitCode, 0);

  RunTool({"rm", "-f", dir.Native("out.exe")});
  RunResult r = Pack({"--info-file", dir.Native("info.txt"), "--caption", "x"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("the configuration block would be 65536 bytes long"), std::string::npos)
      << r.err;
  WriteNativeFile(dir.Native("info.txt"), std::string(0x10000, 'i'));
  r = Pack({"--info-file", dir.Native("info.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("the information text has 65536 characters"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.Exists("out.exe"));
}

TEST_F(PackBlock, TextsWithANulByteAreRefused) {
  WriteNativeFile(dir.Native("info.txt"), std::string("before\0after", 12));
  RunResult r = Pack({"--info-file", dir.Native("info.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("contains a NUL byte"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.Exists("out.exe"));
}

// The encoder directly, for the limits that the command line cannot reach.
TEST(ConfigurationBlock, LengthFieldsAreLittleEndianAndTheTotalIsChecked) {
  BlockSettings s;
  s.infoText = std::string(0x1234, 't');
  std::vector<uint8_t> block = BuildConfigurationBlock(s);
  EXPECT_EQ(block[7], 0x34);
  EXPECT_EQ(block[8], 0x12);
  EXPECT_EQ(block.size(), 12u + 0x1234);
  s.infoText = std::string(0xFFFF - 12 - 3 * 255, 't');
  s.caption = s.defaultFolder = s.runCommand = std::string(255, 'c');
  EXPECT_EQ(BuildConfigurationBlock(s).size(), 0xFFFFu);
  s.infoCaption = "x";
  EXPECT_ANY_THROW(BuildConfigurationBlock(s));
}

}  // namespace
