// The security directory of a Windows image, read as the loader maps it.
#include "certificate_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/pe_format.h"
#include "common/zip_format.h"
#include "errors.h"

namespace {

// The loader maps an image's headers, the first page of its file, at the
// image's base; the stub reads its directory there, and so does the stand-in
// that mksfx replays the stub's start-up on.  A file shorter than the page
// reads as zeros past its end.
const size_t kMappedHeaderSize = 4096;
// The DOS header's own size: a new header inside it is no image the
// stand-in maps.
const uint32_t kDosHeaderSize = 0x40;
// One directory entry: a 32-bit position and a 32-bit size.
const uint32_t kDirectoryEntrySize = 8;

const uint8_t kPeSignature[4] = {'P', 'E', 0, 0};

CertificateTable ParseHeaders(std::vector<uint8_t> page) {
  page.resize(kMappedHeaderSize, 0);
  CertificateTable table;
  if (page[0] != 'M' || page[1] != 'Z') return table;
  uint32_t pe = Read32(&page[kDosNewHeaderOffset]);
  if (pe < kDosHeaderSize || pe > kMappedHeaderSize - kPeOptionalHeader - 2 ||
      std::memcmp(&page[pe], kPeSignature, sizeof kPeSignature) != 0)
    return table;
  uint16_t magic = Read16(&page[pe + kPeOptionalHeader]);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return table;
  uint32_t directory = magic == kPe32Magic ? kPe32SecurityDirectory : kPe32PlusSecurityDirectory;
  if (pe > kMappedHeaderSize - directory - kDirectoryEntrySize) return table;
  table.pos = Read32(&page[pe + directory]);
  // Like the stub, only the position counts: 0 names no table.
  table.size = table.pos ? Read32(&page[pe + directory + 4]) : 0;
  table.pe32Plus = magic == kPe32PlusMagic;
  return table;
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
  return text;
}

}  // namespace

CertificateTable ReadCertificateTable(const InputFile& file) {
  CertificateTable table = ParseHeaders(file.ReadSome(0, kMappedHeaderSize));
  if (!table.pos) return CertificateTable();
  if (table.pos % kCertificateAlignment != 0)
    throw Refusal(file.Path() + ": damaged signature: the security directory places the " +
                  DescribeTable(table) + ", off the " + std::to_string(kCertificateAlignment) +
                  "-byte alignment every signer keeps");
  if (table.pos > file.Size())
    throw Refusal(file.Path() + ": damaged signature: the security directory places the " +
                  DescribeTable(table) + ", past the end of the file (" +
                  std::to_string(file.Size()) + " bytes); was it cut short?");
  return table;
}

uint64_t ArchiveEnd(const InputFile& file) {
  CertificateTable table = ReadCertificateTable(file);
  return table.pos ? table.pos : file.Size();
}

CertificateTable EndAtCertificateTable(InputFile& file) {
  file.EndAt(ArchiveEnd(file));
  return ReadCertificateTable(file);
}

bool IsSignedImage(const std::vector<uint8_t>& stub) {
  return ParseHeaders(std::vector<uint8_t>(stub.begin(),
                                           stub.begin() + (long)std::min(stub.size(), kMappedHeaderSize)))
             .pos != 0;
}

void RefuseSigned64BitImage(const InputFile& file) {
  CertificateTable table = ReadCertificateTable(file);
  if (table.pos && table.pe32Plus)
    throw Refusal(file.Path() + ": a signed 64-bit (PE32+) program: the stub is a 32-bit program, "
                  "so no self-extractor is one, and its start-up cannot be replayed here without "
                  "reading the " + DescribeTable(table) + "; mksfx pack " + file.Path() +
                  " OUTPUT takes over the archive in front of the table");
}

std::string DescribeTable(const CertificateTable& table) {
  return "certificate table at " + Hex(table.pos) + ", " + std::to_string(table.size) + " bytes";
}
