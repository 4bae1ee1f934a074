// Where a signer's certificate table lies in a Windows image, and so where
// the archive behind it ends.  Offsets in bytes, numbers little-endian.
#pragma once

#include <stdint.h>

#include "../platform/image_page.h"
#include "zip_format.h"

// A signer pads the file to this multiple before the table; mksfx pads its
// output so, so that the table starts right behind the archive.
const int32_t kCertificateAlignment = 8;

// The end rule: the archive behind an image ends where the certificate table
// that its security directory names begins (a signer enters the table's file
// position there; 0 in an unsigned image), else where the file ends.  This
// reads that position from `page`, the first page of a PE32 or PE32+ image
// as the loader maps it: the stub's own, or a file's whose headers
// SecurityDirectoryIn found (zeros name no table).
inline uint32_t CertificateTableIn(const uint8_t* page) {
  const uint8_t* pe = page + Read32(page + kDosNewHeaderOffset);
  bool pe32Plus = Read16(pe + kPeOptionalHeader) == kPe32PlusMagic;
  return Read32(pe + (pe32Plus ? kPe32PlusSecurityDirectory : kPe32SecurityDirectory));
}
