// Encoding of the configuration block.
#include "config_block_codec.h"

#include "errors.h"

namespace {

// One text of the block: its name for messages, its bytes and its limit.
struct BlockText {
  const char* option;
  const std::string* text;
  size_t limit;
};

// Where each text's length field lies in the fixed part.
const int kLengthField[kBlockTextCount] = {kBlockCaptionLength, kBlockFolderLength, kBlockCommandLength,
                                           kBlockInfoLength, kBlockInfoCaptionLength};

void CheckText(const BlockText& t) {
  if (t.text->size() > t.limit)
    throw Refusal(std::string(t.option) + " has " + std::to_string(t.text->size()) +
                  " characters (a byte each in the code page); its length field holds at most " +
                  std::to_string(t.limit));
  if (t.text->find('\0') != std::string::npos)
    throw Refusal(std::string(t.option) +
                  " contains a NUL byte; the stub would cut the text there");
}

}  // namespace

uint8_t EncodeFlags(const BlockSettings& s) {
  uint8_t flags = 0;
  if (s.showRunCheckBox) flags |= kFlagShowRunCheckBox;
  if (s.selectableFileList) flags |= kFlagSelectableFileList;
  if (s.hideOverwriteChoice) flags |= kFlagHideOverwriteChoice;
  flags |= FlagsOfPolicy(s.overwrite);
  if (s.autoExtract) flags |= kFlagAutoExtract;
  if (s.waitForProgram || s.tempCleanup) flags |= kFlagWaitForProgram;
  if (s.tempCleanup) flags |= kFlagTempCleanup;
  return flags;
}

std::vector<uint8_t> BuildConfigurationBlock(const BlockSettings& s) {
  const BlockText texts[kBlockTextCount] = {
      {"--caption", &s.caption, kMaxShortTextLength},
      {"--default-folder", &s.defaultFolder, kMaxShortTextLength},
      {"--run", &s.runCommand, kMaxShortTextLength},
      {"the information text", &s.infoText, kMaxInfoTextLength},
      {"--info-caption", &s.infoCaption, kMaxShortTextLength},
  };
  size_t length = kBlockOverhead;
  for (const BlockText& t : texts) {
    CheckText(t);
    length += t.text->size();
  }
  if (length > kMaxBlockLength)
    throw Refusal("the configuration block would be " + std::to_string(length) +
                  " bytes long; its 16-bit length field holds at most " +
                  std::to_string(kMaxBlockLength) + " (shorten the information text)");

  std::vector<uint8_t> block(kBlockFixedSize);
  block.reserve(length);
  for (int i = 0; i < kBlockMagicSize; ++i) block[i] = (uint8_t)kBlockMagic[i];
  block[kBlockFlags] = EncodeFlags(s);
  for (int i = 0; i < kBlockTextCount; ++i) {
    size_t size = texts[i].text->size();
    block[kLengthField[i]] = (uint8_t)size;
    if (i == kInfoText) block[kLengthField[i] + 1] = (uint8_t)(size >> 8);
  }
  for (const BlockText& t : texts) block.insert(block.end(), t.text->begin(), t.text->end());
  block.push_back((uint8_t)(length & 0xFF));
  block.push_back((uint8_t)(length >> 8));
  return block;
}

bool IsPackedBlock(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < (size_t)kBlockOverhead || !IsBlockMagic(bytes.data())) return false;
  size_t length = kBlockOverhead;
  for (int i = 0; i < kBlockTextCount; ++i)
    length += bytes[kLengthField[i]] + (i == kInfoText ? bytes[kLengthField[i] + 1] << 8 : 0);
  size_t field = bytes[bytes.size() - 2] | bytes[bytes.size() - 1] << 8;
  return length == bytes.size() && field == length;
}
