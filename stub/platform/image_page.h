// What the Windows loader maps of a program: the headers in the first page of
// its file, at the image's base.  The stand-in's loader (GetModuleHandleA)
// and every tool that hands the engine a file's headers as its own map a
// page by these facts; the end rule reads the certificate table's position
// from such a page (common/pe_format.h).  Offsets in bytes, little-endian.
#pragma once

#include <stdint.h>

// The page the loader maps: an image's headers lie within it.
const uint32_t kMappedHeaderBytes = 4096;

// The DOS header opens with "MZ"; the 32-bit word at this offset is the
// position of the "PE\0\0" signature (the NT headers).
const int kDosMagicSize = 2;
inline bool IsDosMagic(const uint8_t* p) { return p[0] == 'M' && p[1] == 'Z'; }
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

inline uint32_t PageWord(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

// The position in `page` (an image file's first kMappedHeaderBytes, zeros
// past the file's end) of its security directory's entry: 0 when the page
// holds no headers the loader maps ("MZ", the "PE\0\0" signature at 0x40 or
// beyond, a PE32 or PE32+ optional header with the directory inside the
// page).  `pe32Plus` says which header it is.
inline uint32_t SecurityDirectoryIn(const uint8_t* page, bool* pe32Plus) {
  uint32_t pe = PageWord(page + kDosNewHeaderOffset);
  if (!IsDosMagic(page) || pe < 0x40 || pe > kMappedHeaderBytes - kPeOptionalHeader - 2 ||
      page[pe] != 'P' || page[pe + 1] != 'E' || page[pe + 2] || page[pe + 3])
    return 0;
  uint16_t magic = (uint16_t)(page[pe + kPeOptionalHeader] | page[pe + kPeOptionalHeader + 1] << 8);
  *pe32Plus = magic == kPe32PlusMagic;
  uint32_t directory = pe + (*pe32Plus ? kPe32PlusSecurityDirectory : kPe32SecurityDirectory);
  if ((magic != kPe32Magic && !*pe32Plus) || directory > kMappedHeaderBytes - 8) return 0;
  return directory;
}

// A file's first page (kMappedHeaderBytes, zeros past its end) made what the
// loader maps for the stub, a 32-bit program: left as it is when it holds
// PE32 headers, zeros when Windows could not have started the file as a
// 32-bit program, so that its security directory names nothing.
inline void MapAsImagePage(uint8_t* page) {
  bool pe32Plus = false;
  if (SecurityDirectoryIn(page, &pe32Plus) && !pe32Plus) return;
  for (uint32_t i = 0; i < kMappedHeaderBytes; ++i) page[i] = 0;
}
