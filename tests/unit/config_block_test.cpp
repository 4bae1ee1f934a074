// Reading the configuration block into the settings.
#include <stdio.h>

#include "support/engine_fixture.h"

namespace {

std::vector<ZipEntry> OneFile() {
  ZipEntry e;
  e.name = "readme.txt";
  e.data = "read me";
  return {e};
}

struct FlagsRow {
  uint8_t flags;
  bool showRun, selectable, hideOverwrite;
  int32_t buttonId;
  bool autoExtract, wait, tempCleanup;
};

// Bits 0 and 1 clear settings that default to TRUE, bits 2 and 6 set
// settings that default to FALSE, bits 3-4 pick the radio button; bit 5
// waits for the program, bit 7 extracts into a fresh temporary folder and
// waits too.
const FlagsRow kFlagRows[] = {
    {0x00, false, false, false, 503, false, false, false}, {0x03, true, true, false, 503, false, false, false},
    {0x01, true, false, false, 503, false, false, false},  {0x02, false, true, false, 503, false, false, false},
    {0x07, true, true, true, 503, false, false, false},    {0x0B, true, true, false, 501, false, false, false},
    {0x13, true, true, false, 502, false, false, false},   {0x1B, true, true, false, 503, false, false, false},
    {0x43, true, true, false, 503, true, false, false},    {0x23, true, true, false, 503, false, true, false},
    {0x83, true, true, false, 503, false, true, true},     {0xFF, true, true, true, 503, true, true, true},
    {0x48, false, false, false, 501, true, false, false},
};

class FlagsTest : public EngineTest, public ::testing::WithParamInterface<FlagsRow> {};

TEST_P(FlagsTest, FlagsByteGivesTheSettings) {
  const FlagsRow& row = GetParam();
  BlockFields block;
  block.flags = row.flags;
  LoadSfx(BuildSfx(OneFile(), block));
  EXPECT_EQ(!!Engine.SfxSettings.ShowRunCheckBox, row.showRun);
  EXPECT_EQ(!!Engine.SfxSettings.SelectableFileList, row.selectable);
  EXPECT_EQ(!!Engine.SfxSettings.HideOverwriteChoice, row.hideOverwrite);
  EXPECT_EQ(Engine.SfxSettings.OverwriteButtonId, row.buttonId);
  EXPECT_EQ(!!Engine.SfxSettings.AutoExtract, row.autoExtract);
  EXPECT_EQ(!!Engine.SfxSettings.WaitForProgram, row.wait);
  EXPECT_EQ(!!Engine.SfxSettings.TempCleanup, row.tempCleanup);
}

INSTANTIATE_TEST_SUITE_P(EveryBit, FlagsTest, ::testing::ValuesIn(kFlagRows), [](const auto& row) {
  char flags[8];
  snprintf(flags, sizeof flags, "0x%02X", row.param.flags);
  return RowName(row.index, flags);
});

using ConfigBlockTest = EngineTest;

TEST_F(ConfigBlockTest, TextsAndPresenceFlags) {
  BlockFields block;
  block.caption = "My caption";
  block.folder = "C:\\Target";
  block.command = "setup.exe|/quiet";
  block.infoText = "Read this first.";
  block.infoCaption = "Notice";
  LoadSfx(BuildSfx(OneFile(), block));
  const Settings& s = Engine.SfxSettings;
  EXPECT_TRUE(s.HasCaption && s.HasDefaultFolder && s.HasRunCommand && s.HasInfoText && s.HasInfoCaption);
  EXPECT_STREQ(s.Caption, "My caption");
  EXPECT_STREQ(s.DefaultFolder, "C:\\Target");
  EXPECT_STREQ(s.RunCommand, "setup.exe|/quiet");
  EXPECT_STREQ(s.InfoText, "Read this first.");
  EXPECT_STREQ(s.InfoCaption, "Notice");
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"readme.txt"});
}

TEST_F(ConfigBlockTest, EmptyTextsLeaveTheirFlagsClear) {
  LoadSfx(BuildSfx(OneFile(), BlockFields()));
  const Settings& s = Engine.SfxSettings;
  EXPECT_FALSE(s.HasCaption || s.HasDefaultFolder || s.HasRunCommand || s.HasInfoText || s.HasInfoCaption);
  EXPECT_STREQ(s.Caption, "");
  EXPECT_STREQ(s.RunCommand, "");
  EXPECT_EQ(s.InfoText, nullptr);
  EXPECT_EQ(s.InfoCaption, nullptr);
}

TEST_F(ConfigBlockTest, LongestShortTextsAreReadWhole) {
  BlockFields block;
  block.caption = std::string(255, 'C');
  block.command = std::string(255, 'R');
  block.infoCaption = std::string(255, 'I');
  LoadSfx(BuildSfx(OneFile(), block));
  EXPECT_EQ(std::string(Engine.SfxSettings.Caption), block.caption);
  EXPECT_EQ(std::string(Engine.SfxSettings.RunCommand), block.command);
  EXPECT_EQ(std::string(Engine.SfxSettings.InfoCaption), block.infoCaption);
  EXPECT_EQ(ListEntries().size(), 1u);
}

TEST_F(ConfigBlockTest, TempFolderMarkBecomesTheTemporaryFolder) {
  BlockFields block;
  block.folder = "><";
  LoadSfx(BuildSfx(OneFile(), block));
  char temp[MAX_PATH + 1];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_STREQ(Engine.SfxSettings.DefaultFolder, temp);
  EXPECT_EQ(Engine.SfxSettings.DefaultFolder[strlen(Engine.SfxSettings.DefaultFolder) - 1], '\\');
}

TEST_F(ConfigBlockTest, InformationCaptionWithoutText) {
  BlockFields block;
  block.infoCaption = "Only a caption";
  LoadSfx(BuildSfx(OneFile(), block));
  EXPECT_FALSE(Engine.SfxSettings.HasInfoText);
  EXPECT_TRUE(Engine.SfxSettings.HasInfoCaption);
  EXPECT_STREQ(Engine.SfxSettings.InfoCaption, "Only a caption");
}

TEST_F(ConfigBlockTest, LongestInformationTextIsReadWhole) {
  // 12 + 65,535 bytes do not fit the 16-bit block length: the locator cannot
  // find the block from the archive side, but it sits where the stub looks by
  // default, right behind the padded stub.
  BlockFields block;
  block.infoText = std::string(65535, 'i');
  block.infoText[0] = 'S';
  block.infoText[65534] = 'E';
  std::string stub = FakeStub(0x5400);
  LoadSfx(BuildSfx(OneFile(), block, stub));
  ASSERT_TRUE(Engine.SfxSettings.HasInfoText);
  EXPECT_EQ(std::string(Engine.SfxSettings.InfoText), block.infoText);
  EXPECT_EQ(Engine.ArchiveStart, (int32_t)(0x5400 + 12 + 65535));
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"readme.txt"});
}

TEST_F(ConfigBlockTest, BlockCutShortYieldsTheBytesThatArrived) {
  // The information text claims 256 bytes; the file ends 27 bytes later,
  // after an empty archive's end record.  The text holds exactly what
  // arrived, up to its first NUL, never stale memory.
  std::string head = FakeStub(0x5400) + kBlockMagic + std::string(1, '\x03') + std::string(3, '\0') +
                     std::string("\x00\x01", 2) + std::string(1, '\0') + "short";
  ZipOptions options;
  options.base = (uint32_t)head.size();
  LoadSfx(head + BuildZip({}, options));
  ASSERT_TRUE(Engine.SfxSettings.HasInfoText);
  EXPECT_STREQ(Engine.SfxSettings.InfoText, "shortPK\x05\x06");
}

// A self-extractor whose file ends `cut` bytes into its configuration block:
// the block is the tail of the archive comment, and the one directory entry's
// local header offset makes the locator find it there.  The locator reads
// the block length from the two bytes in front of that offset, so they are
// set to `cut` within the block (for a cut of 4, one byte is read: the flags
// byte, set to 4).  Returns the block as it was meant, patched, uncut.
std::string CutBlockSfx(size_t cut, std::string& block) {
  BlockFields fields;
  fields.flags = 0x44;  // hide the overwrite choice, extract at once
  fields.caption = "caption";
  fields.command = "run.exe";
  fields.infoText = "information";
  block = BuildBlock(fields);
  auto put = [](std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += (char)(v >> (8 * i));
  };
  if (cut == 4) block[3] = 4;
  if (cut >= 5) {
    block[cut - 2] = (char)cut;
    block[cut - 1] = (char)(cut >> 8);
  }
  std::string comment = "comment " + block.substr(0, cut);
  size_t centralAt = 0x5400, endAt = centralAt + 46 + 1;
  size_t fileSize = endAt + 22 + comment.size();
  uint32_t localAt = (uint32_t)(fileSize + (cut == 4 ? 1 : 0));
  std::string central;
  put(central, kCentralHeaderSignature, 4);
  central += std::string(38, '\0');
  central[28] = 1;  // name length
  put(central, localAt, 4);
  central += "a";
  std::string end;
  put(end, kEndRecordSignature, 4);
  put(end, 0, 4);
  put(end, 1, 2);
  put(end, 1, 2);
  put(end, 47, 4);
  put(end, (uint32_t)centralAt, 4);
  put(end, (uint32_t)comment.size(), 2);
  return FakeStub(0x5400) + central + end + comment;
}

TEST_F(ConfigBlockTest, BlockCutAtEveryLengthReadsOnlyWhatArrived) {
  for (size_t cut = 4; cut < 10 + 7 + 7 + 11; ++cut) {
    SCOPED_TRACE(cut);
    std::string block;
    std::string sfx = CutBlockSfx(cut, block);
    LoadSfx(sfx);
    int32_t blockAt = (int32_t)(sfx.size() - cut);
    const Settings& s = Engine.SfxSettings;
    if (cut < 10) {
      // A fixed part cut short is no block: every default stands.
      EXPECT_TRUE(s.ShowRunCheckBox && s.SelectableFileList);
      EXPECT_FALSE(s.HideOverwriteChoice || s.AutoExtract || s.HasCaption || s.HasDefaultFolder ||
                   s.HasRunCommand || s.HasInfoText || s.HasInfoCaption);
      EXPECT_EQ(s.OverwriteButtonId, 503);
      EXPECT_EQ(Engine.ArchiveStart, blockAt + (int32_t)(cut == 4 ? 4 : cut));
    } else {
      // Texts hold the bytes that arrived, up to their first NUL.
      auto arrived = [&](size_t at, size_t length) {
        std::string t = at < cut ? block.substr(at, std::min(length, cut - at)) : "";
        return t.substr(0, t.find('\0'));
      };
      uint8_t l1 = (uint8_t)block[4], l2 = (uint8_t)block[5], l3 = (uint8_t)block[6];
      EXPECT_TRUE(s.HideOverwriteChoice && s.AutoExtract);
      EXPECT_EQ(std::string(s.Caption), arrived(10, l1));
      EXPECT_EQ(std::string(s.RunCommand), arrived(10 + l1 + l2, l3));
      if (s.HasInfoText) {
        EXPECT_EQ(std::string(s.InfoText), arrived(10 + l1 + l2 + l3, 11));
      }
    }
    CloseSfx();
  }
}

TEST_F(ConfigBlockTest, NoBlockAtTheDefaultPlaceLeavesDefaults) {
  LoadSfx(BuildSfxWithoutBlock(OneFile()));
  EXPECT_EQ(Engine.ArchiveStart, 0x5400);
  EXPECT_FALSE(Engine.SfxSettings.HasCaption);
  EXPECT_EQ(ListEntries(), std::vector<std::string>{"readme.txt"});
}

}  // namespace
