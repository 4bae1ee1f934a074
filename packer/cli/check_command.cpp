// mksfx check: a self-extractor walked as the stub will walk it, every entry
// decoded and its CRC compared, without writing anything.
#include <iostream>

#include "archive_layout.h"
#include "certificate_table.h"
#include "commands.h"
#include "entry_data.h"
#include "errors.h"
#include "finding_list.h"
#include "integrity/zipcrypto.h"
#include "option_parser.h"
#include "startup/startup.h"
#include "stub_compat.h"
#include "stub_locator.h"
#include "zip_crypto.h"
#include "common/zip_format.h"

namespace {

const char kCheckHelp[] =
    "usage: mksfx check [--codepage N] [--password P]... FILE\n"
    "\n"
    "Walks the self-extractor FILE as the stub will: finds the archive with the\n"
    "stub's own start-up code (in front of the certificate table when FILE is\n"
    "signed), follows its local headers, decodes every entry and compares its\n"
    "CRC.  Prints each entry the stub would refuse or fail and why, then a\n"
    "summary.  Nothing is written.\n"
    "\n"
    "  --password P   try P on encrypted entries (repeatable); without one their\n"
    "                 data are not checked.  P is UTF-8, as pack takes it\n"
    "  --codepage N   the Windows code page given to pack (default 1252): the\n"
    "                 stub's bytes of the passwords, and names shown in UTF-8\n"
    "\n"
    "Exit codes: 0 the stub extracts every entry, 1 it would refuse or fail on\n"
    "some (or finds no archive), 2 usage error.\n";

// Whether a password passes the stub's check of the encryption `header`; the
// keys of the first that does are left ready for the data.
bool OpenEncryption(const std::vector<uint8_t>& header, uint16_t flags, uint32_t crc,
                    uint32_t timeDate, const std::vector<std::string>& passwords) {
  EnsureCrcTable();
  for (const std::string& p : passwords) {
    uint8_t block[2 * kEncryptionHeaderLength];
    std::copy(header.begin(), header.end(), block + kEncryptionHeaderLength);
    if (CheckEncryptionHeader(block, kEncryptionHeaderLength, flags, crc, timeDate, p.c_str()))
      return true;
  }
  return false;
}

// What goes wrong when the stub decodes the entry behind the local header at
// `pos`, or nothing.  `skipped` is set for encrypted entries without a password.
DataCheck CheckData(const InputFile& file, uint64_t pos, const std::vector<std::string>& passwords,
                      bool& skipped) {
  std::vector<uint8_t> h = file.ReadAt(pos, kLocalHeaderSize);
  uint16_t flags = Read16(&h[kLocalFlags]);
  uint16_t method = Read16(&h[kLocalMethod]);
  uint32_t crc = Read32(&h[kLocalCrc]);
  uint32_t size = Read32(&h[kLocalCompressedSize]);
  uint32_t uncompressed = Read32(&h[kLocalUncompressedSize]);
  uint64_t dataPos = pos + kLocalHeaderSize + Read16(&h[kLocalNameLength]) +
                     Read16(&h[kLocalExtraLength]);
  if (method != kMethodStored && method != kMethodDeflated) return {};  // reported already
  if (dataPos + size > file.Size()) return {"data cut short by the end of the archive"};
  bool encrypted = flags & kFlagEncrypted;
  if (encrypted) {
    if (size < kEncryptionHeaderLength) return {};  // reported already
    if (passwords.empty()) {
      skipped = true;
      return {};
    }
    if (!OpenEncryption(file.ReadAt(dataPos, kEncryptionHeaderLength), flags, crc,
                        Read32(&h[kLocalTimeDate]), passwords))
      return {"no --password given fits"};
    dataPos += kEncryptionHeaderLength;
    size -= kEncryptionHeaderLength;
  }
  return CheckEntryData(file, dataPos, size, method, crc, uncompressed, encrypted);
}

// "1 entry", "2 entries".
std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void RequireSelfExtractor(const InputFile& file) {
  if (!StartsWithMz(file))
    throw Refusal(file.Path() + ": not a self-extractor (no Windows program in front of the "
                  "archive); mksfx pack " + file.Path() + " OUTPUT makes one");
}

int RunCheckCommand(const Arguments& args) {
  static const std::vector<OptionRow> kOptions = {{"--password", "", OptionKind::kValues},
                                                  {"--codepage", "", OptionKind::kValue}};
  CommandLine line = ParseCommandLine("check", kOptions, args);
  if (line.help) {
    std::cout << kCheckHelp;
    return kExitSuccess;
  }
  const CodePageTable* page = &CodePageOption(line);
  const std::vector<std::string>& positional = line.operands;
  if (positional.size() != 1) throw UsageError("check needs exactly one FILE (see mksfx check --help)");
  const std::vector<std::string> passwords = PasswordsInCodePage(line.Values("--password"), *page);
  InputFile file(positional[0]);
  RequireSelfExtractor(file);
  CertificateTable table = EndAtCertificateTable(file);
  StubLocation where = LocateLikeTheStub(file);
  ResetSettings();
  if (!where.archiveFound)
    throw Refusal(file.Path() + ": the stub would not find its archive and shows \"Cannot process file.\"");
  ArchiveLayout layout = ReadArchiveLayout(file);
  std::vector<EntryFinding> findings = FindStubProblems(file, layout, FindCodePage(kDefaultCodePage));
  if ((int64_t)layout.firstLocalPos != where.firstHeaderPos)
    findings.push_back({"", "the stub starts its walk elsewhere than at the first local header"});
  size_t unchecked = 0;
  for (const CentralEntry& e : layout.entries) {
    bool skipped = false;
    DataCheck data = CheckData(file, e.localPos, passwords, skipped);
    if (!data.problem.empty()) findings.push_back({e.name, data.problem, data.stubExtracts});
    unchecked += skipped;
  }
  PrintFindings(std::cout, findings, "", page);
  if (table.pos)
    std::cout << file.Path() << ": signed (" << DescribeTable(table) << "); the archive ends in front of it\n";
  std::cout << file.Path() << ": " << Count(layout.entries.size(), "entry", "entries") << ", "
            << (findings.empty() ? "the stub extracts every one" : Count(findings.size(), "problem", "problems"));
  if (unchecked)
    std::cout << "; the data of " << Count(unchecked, "encrypted entry", "encrypted entries")
              << " unchecked (no --password)";
  std::cout << "\n";
  return findings.empty() ? kExitSuccess : kExitRefused;
}
