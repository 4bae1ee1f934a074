// The configuration block between the stub and the archive: what it holds,
// how mksfx encodes it, and how it is read back for checking.
//
// Layout: "MPU", flags, L1, L2, L3 (one byte each), L4 (16-bit), L5, then the
// caption, default folder, run command, information text and information
// caption (L1..L5 bytes, no terminators), then a 16-bit block length equal to
// 12 + L1 + ... + L5, directly in front of the archive's first local header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class OverwriteChoice { kAsk, kOverwrite, kSkipExisting };

// The defaults equal what the stub assumes when a file carries no block.
struct BlockSettings {
  bool showRunCheckBox = true;
  bool selectableFileList = true;
  bool hideOverwriteChoice = false;
  OverwriteChoice overwrite = OverwriteChoice::kAsk;
  bool autoExtract = false;
  std::string caption;
  std::string defaultFolder;  // "><" stands for the user's temporary folder
  std::string runCommand;     // program["|"parameters]; "><" = destination folder
  std::string infoText;
  std::string infoCaption;
};

// Magic, flags and the five length fields.
const size_t kBlockHeaderSize = 10;
// The trailing block length field.
const size_t kBlockLengthFieldSize = 2;
const size_t kBlockOverhead = kBlockHeaderSize + kBlockLengthFieldSize;
static_assert(kBlockOverhead == 12, "the block length counts 12 bytes besides the texts");

// L1, L2, L3 and L5 are single bytes; L4 is 16-bit.
const size_t kMaxShortTextLength = 0xFF;
const size_t kMaxInfoTextLength = 0xFFFF;
// The block length field is 16-bit: texts and overhead together.
const size_t kMaxBlockLength = 0xFFFF;

// The text that the stub replaces by the user's temporary folder when it is
// the whole default folder.
const char kTemporaryFolderMark[] = "><";

uint8_t EncodeFlags(const BlockSettings& settings);

// The whole block, block length included.  Throws Refusal naming the text or
// the total that does not fit its length field, or a text holding a NUL byte
// (the stub would end the text there).
std::vector<uint8_t> BuildConfigurationBlock(const BlockSettings& settings);

// The settings of a block as mksfx wrote it (for --keep-settings).  Throws
// Refusal when `block` is shorter than its length fields say.
BlockSettings ParseConfigurationBlock(const std::vector<uint8_t>& block);
