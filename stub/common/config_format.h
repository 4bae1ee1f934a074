// The configuration block between the stub and the archive, in one place for
// the stub's reader, mksfx's writer and reader and the test builders.
// Offsets in bytes from the block's first byte, numbers little-endian.
//
// Layout: "MPU", flags, L1, L2, L3 (one byte each), L4 (16-bit), L5, then the
// caption, default folder, run command, information text and information
// caption (L1..L5 bytes, no terminators), then a 16-bit block length equal to
// 12 + L1 + ... + L5, directly in front of the archive's first local header.
//
// A constant here costs the stub nothing until code uses it; the inline
// conversions compile to the comparisons the reader would write by hand.
#pragma once

#include <stdint.h>

// A self-extractor written without a configuration block has its archive
// here, right behind the stub padded to its full budget.
const int32_t kDefaultArchiveStart = 0x5400;

// The block's magic, its first three bytes, compared case-sensitively.
const char kBlockMagic[] = "MPU";
const int kBlockMagicSize = 3;
inline bool IsBlockMagic(const uint8_t* p) {
  return p[0] == kBlockMagic[0] && p[1] == kBlockMagic[1] && p[2] == kBlockMagic[2];
}

// The fixed part: the magic, the flags byte and the five text lengths.
const int kBlockFlags = 3;
const int kBlockCaptionLength = 4;      // L1, 8-bit
const int kBlockFolderLength = 5;       // L2, 8-bit
const int kBlockCommandLength = 6;      // L3, 8-bit
const int kBlockInfoLength = 7;         // L4, 16-bit
const int kBlockInfoCaptionLength = 9;  // L5, 8-bit
const int kBlockFixedSize = 10;

// The texts follow the fixed part in this order, without terminators.
enum BlockTextSlot { kCaptionText, kFolderText, kCommandText, kInfoText, kInfoCaptionText, kBlockTextCount };

// The trailing block length field, and the bytes the block length counts
// besides the texts.
const int kBlockLengthFieldSize = 2;
const int kBlockOverhead = kBlockFixedSize + kBlockLengthFieldSize;
static_assert(kBlockOverhead == 12, "the block length counts 12 bytes besides the texts");

// L1, L2, L3 and L5 are single bytes; L4 is 16-bit.  The block length field
// is 16-bit too: it bounds the texts and the overhead together.
const int kMaxShortTextLength = 0xFF;
const int kMaxInfoTextLength = 0xFFFF;
const int kMaxBlockLength = 0xFFFF;

// Flags byte of the configuration block.
const uint8_t kFlagShowRunCheckBox = 0x01;
const uint8_t kFlagSelectableFileList = 0x02;
const uint8_t kFlagHideOverwriteChoice = 0x04;
// A two-bit field: 0x08 overwrite, 0x10 skip existing; 0x00 and 0x18 ask.
const uint8_t kFlagOverwriteMask = 0x18;
const uint8_t kFlagOverwriteAlways = 0x08;
const uint8_t kFlagSkipExisting = 0x10;
const uint8_t kFlagAutoExtract = 0x40;
// Start the run command, wait for it to end and exit with its exit code.
const uint8_t kFlagWaitForProgram = 0x20;
// Extract into a fresh folder made inside the user's temporary folder, run
// the command there, wait for it, then remove what the extraction made.
// Implies kFlagWaitForProgram; a block with it names a run command.
const uint8_t kFlagTempCleanup = 0x80;

// The text that stands for the user's temporary folder when it is the whole
// default folder.
const char kTempFolderMark[] = "><";
