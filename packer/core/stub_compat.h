// What the stub does with an archive, and why.  The stub's own code decides:
// its list-only walk tells which local headers it reaches and what it read
// there, its name check which names it writes, its decryption check and
// decoder (entry_coding.h) whether an entry's data pass.  This module puts
// the outcome into words (stub_problems.h) and compares what the walk read
// with what the central directory promises.
// The stub writes what it finds: a symbolic link becomes a file holding the
// link's target, and names that Windows takes for one file overwrite it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive_layout.h"
#include "common/zip_format.h"
#include "certificate_table.h"
#include "codepages.h"
#include "file_io.h"
#include "stub_locator.h"
#include "stub_problems.h"

// Hosts of "version made by" (its high byte) whose writers store names in
// the system's character set, UTF-8 today, without setting flag bit 11
// (Info-ZIP zip, bsdtar), and keep a Unix mode in the external attributes.
const uint8_t kHostUnix = 3;
const uint8_t kHostMacOs = 19;

// The stub's own list-only walk run on a file: the local headers it reaches
// from a start position, as its main dialog lists them, each with what the
// walk held when it listed it, and why the walk ended where it did.
// Nothing is written (stub_walk.cpp).
// An item the walk listed.
struct ListedEntry {
  std::string name;          // as the list holds it: cut at a NUL and to the stub's limit
  uint64_t headerPos = 0;    // its local header
  uint64_t dataPos = 0;      // its first data byte
  LocalHeaderRecord header;  // as the walk read it
};

// Why the walk ended, at `StubListing::endPos`.
enum class WalkEnd {
  kNoHeader,        // no local header or signed data descriptor there (the central directory, say)
  kHeaderCutShort,  // a local header cut short by the end of the file
  kSizeTooLarge,    // a compressed size of 2 GiB or more
  kNameCutShort,    // a name cut short by the end of the file
  kEmptyName,       // "Invalid file name"
  kSizeUnknown,     // after the last item, whose sizes are only in a data descriptor
  kPast2GiB,        // after the last item, whose data end past 2 GiB
};

struct StubListing {
  std::vector<ListedEntry> items;     // in walk order, the ordinal each item carries
  std::vector<std::string> messages;  // what the walk showed, "caption: text"
  WalkEnd end = WalkEnd::kNoHeader;
  uint64_t endPos = 0;                // the header where it ended
};

// The walk from `start` (the stub's positions are signed 32-bit: nothing
// past 2 GiB is listed).
StubListing ListLikeTheStub(const InputFile& file, uint64_t start);

// A local header the stub's walk reaches, in walk order.
struct WalkedHeader {
  uint64_t pos = 0;
  std::string name;        // as the stub lists it
  // Whether the stub, given the entry alone to extract into an empty folder,
  // writes it and its CRC passes; not `judged` where that depends on more
  // than the archive (encrypted data without a password, a folder path
  // that Windows reads two ways).
  bool judged = true;
  bool extracted = false;
};

struct StubJudgement {
  std::vector<EntryFinding> findings;
  std::vector<WalkedHeader> headers;
  size_t unchecked = 0;  // encrypted entries whose data no password was given for
};

// The walk from `start`, where the stub begins it.  With `layout`, compared
// with its central directory (null: an archive whose directory does not
// parse, judged by its local headers alone).  With `names`, the code page
// the stub reads names in, also the entries whose names name one file on
// Windows (name_collisions.h).  With `passwords`, every entry's data are
// decoded as an extraction of every entry would decode them, a password
// answering each prompt; without, the walk and the headers alone.
StubJudgement JudgeLikeTheStub(const InputFile& file, uint64_t start, const ArchiveLayout* layout,
                               const CodePageTable* names, const std::vector<std::string>* passwords);
// The same for a walk listed before: a listing judged twice (its headers,
// then its data) is walked once.
StubJudgement JudgeListing(const InputFile& file, const StubListing& listing, const ArchiveLayout* layout,
                           const CodePageTable* names, const std::vector<std::string>* passwords);

// A self-extractor as the stub takes it (check, info): its certificate
// table, where the stub's start-up finds the archive and the settings, the
// central directory (null where it does not parse, which `directoryProblem`
// says: the stub's walk needs none), and the walk judged from where the stub
// starts it.  Throws Refusal for a file that is no self-extractor (no "MZ")
// and one in which the stub finds no archive.
struct StubView {
  CertificateTable table;
  StubLocation where;
  std::unique_ptr<ArchiveLayout> layout;
  std::string directoryProblem;
  StubJudgement judged;
};
StubView ViewLikeTheStub(InputFile& file, const CodePageTable* names, const std::vector<std::string>* passwords);

// The findings of the walk and the headers alone, from the first local header.
std::vector<EntryFinding> FindStubProblems(const InputFile& file, const ArchiveLayout& layout,
                                           const CodePageTable* names = nullptr);

// Whether the entry is a symbolic link: written on a Unix host, its external
// attributes' high 16 bits holding the file type S_IFLNK.
bool IsSymbolicLink(const ArchiveLayout& layout, const CentralEntry& entry);

// The time the stub gives the file it extracts from an entry whose local
// header holds `timeDate`: the DOS fields as the system's
// DosDateTimeToFileTime takes them, read as local time, as
// "YYYY-MM-DDThh:mm:ss" (no zone); "" where the system refuses the fields
// and the file keeps the time it was written at.
std::string EntryTimeLikeTheStub(uint32_t timeDate);
