// The few facts of the Windows image format that a self-extractor's readers
// need: where a signer's certificate table lies, and so where the archive
// ends.  Offsets in bytes, all numbers little-endian.
#pragma once

#include <stdint.h>

// The DOS header opens with "MZ"; the 32-bit word at this offset is the
// position of the "PE\0\0" signature (the NT headers).
const int32_t kDosNewHeaderOffset = 0x3C;

// From the PE signature: the 20-byte file header follows it, then the
// optional header, whose first word tells PE32 from PE32+.
const int32_t kPeOptionalHeader = 24;
const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;

// The security directory (data directory 4): the file position and size of
// the certificate table that Authenticode signing appends at the end of the
// file, 8-byte aligned.  The position is a file offset, not an address, and
// is 0 in an unsigned image.  Counted from the PE signature.
const int32_t kPe32SecurityDirectory = kPeOptionalHeader + 96 + 4 * 8;
const int32_t kPe32PlusSecurityDirectory = kPeOptionalHeader + 112 + 4 * 8;

// A signer pads the file to this multiple before the table; mksfx pads its
// output so, so that the table starts right behind the archive.
const int32_t kCertificateAlignment = 8;
