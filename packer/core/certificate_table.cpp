// The security directory of a Windows image, read as the loader maps it.
#include "certificate_table.h"

#include <algorithm>
#include <cstdio>

#include "codepages.h"
#include "common/pe_format.h"
#include "common/zip_format.h"
#include "errors.h"

namespace {

CertificateTable ParseHeaders(std::vector<uint8_t> page) {
  page.resize(kMappedHeaderBytes, 0);
  CertificateTable table;
  uint32_t directory = SecurityDirectoryIn(page.data(), &table.pe32Plus);
  if (!directory) return CertificateTable();
  table.pos = CertificateTableIn(page.data());
  // Like the stub, only the position counts: 0 names no table.
  table.size = table.pos ? Read32(&page[directory + 4]) : 0;
  return table;
}

}  // namespace

CertificateTable ReadCertificateTable(const InputFile& file) {
  CertificateTable table = ParseHeaders(file.ReadSome(0, kMappedHeaderBytes));
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
  CertificateTable table = ReadCertificateTable(file);
  if (table.pos) file.EndAt(table.pos);
  return table;
}

bool IsSignedImage(const std::vector<uint8_t>& stub) {
  return ParseHeaders(std::vector<uint8_t>(stub.begin(),
                                           stub.begin() + (long)std::min(stub.size(), (size_t)kMappedHeaderBytes)))
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

bool StartsWithMz(const InputFile& file) {
  std::vector<uint8_t> head = file.ReadSome(0, kDosMagicSize);
  return head.size() == (size_t)kDosMagicSize && IsDosMagic(head.data());
}
