// Encoding of the configuration block.
#include "config_block.h"

#include "errors.h"
#include "startup/startup.h"

static_assert(kBlockHeaderSize == (size_t)kBlockFixedSize, "the stub reads the same fixed part");

namespace {


// One text of the block: its name for messages, its bytes and its limit.
struct BlockText {
  const char* option;
  const std::string* text;
  size_t limit;
};

void CheckText(const BlockText& t) {
  if (t.text->size() > t.limit)
    throw Refusal(std::string(t.option) + " is " + std::to_string(t.text->size()) +
                  " bytes long; its length field holds at most " + std::to_string(t.limit));
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
  // Asking is the stub's default: both bits clear.
  if (s.overwrite == OverwriteChoice::kOverwrite) flags |= kFlagOverwriteAlways;
  if (s.overwrite == OverwriteChoice::kSkipExisting) flags |= kFlagSkipExisting;
  if (s.autoExtract) flags |= kFlagAutoExtract;
  return flags;
}

std::vector<uint8_t> BuildConfigurationBlock(const BlockSettings& s) {
  const BlockText texts[] = {
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

  std::vector<uint8_t> block(kBlockMagic, kBlockMagic + kBlockMagicSize);
  block.reserve(length);
  block.push_back(EncodeFlags(s));
  block.push_back((uint8_t)s.caption.size());
  block.push_back((uint8_t)s.defaultFolder.size());
  block.push_back((uint8_t)s.runCommand.size());
  block.push_back((uint8_t)(s.infoText.size() & 0xFF));
  block.push_back((uint8_t)(s.infoText.size() >> 8));
  block.push_back((uint8_t)s.infoCaption.size());
  for (const BlockText& t : texts) block.insert(block.end(), t.text->begin(), t.text->end());
  block.push_back((uint8_t)(length & 0xFF));
  block.push_back((uint8_t)(length >> 8));
  return block;
}

BlockSettings ParseConfigurationBlock(const std::vector<uint8_t>& b) {
  if (b.size() < kBlockOverhead || !IsBlockMagic(b.data()))
    throw Refusal("the configuration block is cut short or has no \"MPU\"");
  BlockSettings s;
  uint8_t flags = b[3];
  s.showRunCheckBox = flags & kFlagShowRunCheckBox;
  s.selectableFileList = flags & kFlagSelectableFileList;
  s.hideOverwriteChoice = flags & kFlagHideOverwriteChoice;
  uint8_t mode = flags & kFlagOverwriteMask;
  s.overwrite = mode == kFlagOverwriteAlways ? OverwriteChoice::kOverwrite
                : mode == kFlagSkipExisting  ? OverwriteChoice::kSkipExisting
                                             : OverwriteChoice::kAsk;
  s.autoExtract = flags & kFlagAutoExtract;
  size_t lengths[5] = {b[4], b[5], b[6], (size_t)(b[7] | b[8] << 8), b[9]};
  std::string* texts[5] = {&s.caption, &s.defaultFolder, &s.runCommand, &s.infoText, &s.infoCaption};
  size_t at = kBlockHeaderSize;
  for (int i = 0; i < 5; ++i) {
    if (at + lengths[i] + kBlockLengthFieldSize > b.size())
      throw Refusal("the configuration block is shorter than its text lengths say");
    texts[i]->assign((const char*)&b[at], lengths[i]);
    at += lengths[i];
  }
  return s;
}
