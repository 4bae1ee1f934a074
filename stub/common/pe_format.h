// The few facts of the Windows image format that a self-extractor's readers
// need: where a signer's certificate table lies, and so where the archive
// ends.  Offsets in bytes, all numbers little-endian.
#pragma once

#include <stdint.h>

#include "../platform/image_page.h"
#include "zip_format.h"

// A signer pads the file to this multiple before the table; mksfx pads its
// output so, so that the table starts right behind the archive.
const int32_t kCertificateAlignment = 8;

// The end rule's reading of the headers: the file position of the
// certificate table that a 32-bit image's security directory names, 0 for
// none.  `page` is the image's first page as the loader maps it (the stub's
// own; for a file examined, made so by MapAsImagePage).
inline uint32_t CertificateTableIn(const uint8_t* page) {
  return Read32(page + Read32(page + kDosNewHeaderOffset) + kPe32SecurityDirectory);
}
