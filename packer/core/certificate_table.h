// Where an input's archive ends: in front of the certificate table that an
// Authenticode signer appends to a Windows image, else at the end of the
// file.  The stub follows the same rule on its own image; every reader of an
// input in mksfx follows it through ArchiveEnd, and nothing at or behind the
// table's start is read.  An archive hidden inside the table after signing
// (which leaves the signature valid) is so never taken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"

struct CertificateTable {
  uint64_t pos = 0;     // file position of the table; 0: the file names none
  uint32_t size = 0;    // bytes, as the security directory gives them
  bool pe32Plus = false;  // named by a 64-bit image's directory
};

// The table that the security directory of `file` names.  Only images whose
// headers lie within the first 4 KiB, the page the loader maps, name one:
// "MZ", the "PE\0\0" signature at the offset the DOS header gives (0x40 or
// more) and a PE32 or PE32+ optional header.  Throws Refusal for a damaged
// directory: a table that starts past the end of the file, or off the 8-byte
// alignment every signer keeps.
CertificateTable ReadCertificateTable(const InputFile& file);

// The position of the table `file` names, or the file's Size() when it names
// none.  Throws as ReadCertificateTable.  The same answer for a file whose
// reads already end there (InputFile::EndAt).
uint64_t ArchiveEnd(const InputFile& file);

// Bounds every later read of `file` by ArchiveEnd and returns the table.
CertificateTable EndAtCertificateTable(InputFile& file);

// Whether `file` starts with "MZ": a Windows program, as in front of the
// archive of every self-extractor.
bool StartsWithMz(const InputFile& file);

// Whether the image `stub` (its first bytes suffice) names a table.
bool IsSignedImage(const std::vector<uint8_t>& stub);

// Throws Refusal when the stub's start-up cannot be replayed on `file`
// without reading its certificate table: a signed 64-bit image, whose
// directory the stub, a 32-bit image reading its own, never looks at.
void RefuseSigned64BitImage(const InputFile& file);

// "certificate table at 0x6090, 1464 bytes", for messages.
std::string DescribeTable(const CertificateTable& table);
