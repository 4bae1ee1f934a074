// The stub's view of an archive: what its list-only walk read, compared with
// what the central directory promises, and each entry's data decoded by its
// own code.
#include "stub_compat.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "codepages.h"
#include "entry_coding.h"
#include "name_collisions.h"
#include "stub_engine.h"

namespace {

// The file type bits of the Unix mode that Unix hosts keep in the external
// attributes' high 16 bits.
const uint32_t kUnixFileType = 0170000;
const uint32_t kUnixSymbolicLink = 0120000;

// Why the walk ended where it did, in words; "" where it ended at the
// central directory, or after an entry whose own finding says why.
std::string EndOfWalk(const StubListing& l, const ArchiveLayout* layout) {
  const std::string at = Hex(l.endPos);
  switch (l.end) {
    case WalkEnd::kNoHeader:
      if (layout && l.endPos == layout->centralPos) return "";
      return "the stub's walk over local headers stops at input offset " + at +
             ", which holds no local header or signed data descriptor";
    case WalkEnd::kHeaderCutShort: return "local header at input offset " + at + " is cut short";
    case WalkEnd::kSizeTooLarge:
      return "the entry at input offset " + at + " claims 2 GiB or more of data, where the stub's walk ends";
    case WalkEnd::kNameCutShort: return "the name of the local header at input offset " + at + " is cut short";
    case WalkEnd::kEmptyName:
      return "the stub ends its walk at the entry at input offset " + at +
             " with \"Invalid file name\": its name is empty";
    case WalkEnd::kPast2GiB: return "the entry at input offset " + at + " ends past 2 GiB, where the stub's walk ends";
    default: return "";
  }
}

// Why the stub fails the entry behind the local header `l`, by the header
// alone: `nameProblem` of its name as the file holds it; `sizeUnknown` when
// the walk ended after it for want of its sizes.
void CheckLocal(const LocalHeaderRecord& l, const std::string& nameProblem, bool sizeUnknown,
                std::vector<std::string>& reasons) {
  if (!IsKnownMethod(l.method)) reasons.push_back(MethodProblem(l.method));
  if (sizeUnknown) reasons.push_back(kSizeUnknownProblem);
  if ((l.flags & kFlagEncrypted) && l.compressedSize < kEncryptionHeaderLength)
    reasons.push_back(kShortEncryptedProblem);
  if (!nameProblem.empty()) reasons.push_back(nameProblem);
}

// `reasons`: where the local header and the central directory's entry `c`
// disagree, so that readers of the directory expect what the stub does not
// do; `notes`: how what the stub writes differs from the entry.
void CheckAgainstCentral(const CentralEntry& c, const LocalHeaderRecord& l, bool sizeUnknown,
                         std::vector<std::string>& reasons, std::vector<std::string>& notes) {
  if ((l.flags | c.flags) & kFlagStrongEncryption) reasons.push_back(kStrongEncryptionProblem);
  // The stub reads the local flags alone; readers of the central directory
  // decide by it.  Bit 3 of an encrypted entry picks the header's check byte.
  if ((l.flags ^ c.flags) & kFlagEncrypted)
    reasons.push_back(l.flags & kFlagEncrypted ? kLocalOnlyEncryptionProblem : kCentralOnlyEncryptionProblem);
  else if ((l.flags & kFlagEncrypted) && ((l.flags ^ c.flags) & kFlagDataDescriptor))
    reasons.push_back("local header and central directory disagree on flag bit 3, which decides the "
                      "encryption header's check byte");
  if (c.flags & kFlagMaskedCentralDirectory) reasons.push_back(kMaskedDirectoryProblem);
  if (c.zip64Sizes || l.compressedSize == kZip64Value || l.uncompressedSize == kZip64Value)
    reasons.push_back(kZip64Problem);
  else if (l.compressedSize != c.compressedSize && !sizeUnknown)
    reasons.push_back("local header says " + std::to_string(l.compressedSize) +
                      " compressed bytes, the central directory " + std::to_string(c.compressedSize));
  if (l.crc32 != c.crc) {
    if ((l.flags & kFlagDataDescriptor) && l.crc32 == 0)
      reasons.push_back("CRC only in a data descriptor: the stub checks the local header's CRC");
    else
      reasons.push_back("local header CRC " + Hex(l.crc32) + " differs from the central directory's " +
                        Hex(c.crc) + "; the stub checks the local one");
  }
  bool encrypted = l.flags & kFlagEncrypted;
  if (l.method == kMethodStored && l.compressedSize >= (encrypted ? kEncryptionHeaderLength : 0) &&
      !((l.flags ^ c.flags) & kFlagEncrypted) && !sizeUnknown &&
      l.compressedSize - (encrypted ? kEncryptionHeaderLength : 0) != l.uncompressedSize)
    notes.push_back("stored entry whose compressed and uncompressed sizes disagree");
}

// Whether mksfx can tell the outcome of the path the stub makes for
// `name`.  The stub makes each folder with the folder as the path's last
// component, where Windows drops every trailing dot and blank, and opens the
// file (or tests a folder entry's path, which ends in a separator) with it
// as an inner component, where Windows drops one trailing dot; runs of
// separators and "." components past the first change which component is
// last.  Where these meet, the entry may be written elsewhere or not at all.
bool PathOutcomeKnown(const std::string& name) {
  size_t start = 0;
  for (size_t end; (end = name.find_first_of("/\\", start)) != std::string::npos; start = end + 1) {
    std::string c = name.substr(start, end - start);
    std::string asLast = c, asInner = c;
    while (!asLast.empty() && (asLast.back() == '.' || asLast.back() == ' ')) asLast.pop_back();
    if (!c.empty() && c.back() == '.') asInner.pop_back();
    if (c.empty() || (c == "." && start > 0) || (c != "." && asLast != asInner)) return false;
  }
  return true;
}

// Each entry as the stub's ExtractEntry takes it when it is selected alone:
// a refused name is skipped, a folder entry is made without its data, other
// data are decoded (with `passwords`) and their CRC decides.  A password
// that does not fit and an unknown method end an extraction of every entry:
// the entries after them are reported.
void JudgeEntries(const InputFile& file, const StubListing& listing, const std::vector<std::string>& names,
                  const std::vector<std::string>* passwords, StubJudgement& j) {
  const ListedEntry* endedAt = nullptr;
  std::unique_ptr<StubDecoder> decoder;  // opened at the first data to decode
  for (size_t i = 0; i < listing.items.size(); ++i) {
    const ListedEntry& e = listing.items[i];
    const LocalHeaderRecord& l = e.header;
    WalkedHeader& w = j.headers[i];
    if (endedAt)
      j.findings.push_back({names[i], "not extracted with every entry: the extraction ends before it, at "
                                      "input offset " + Hex(endedAt->headerPos)});
    bool sizeUnknown = listing.end == WalkEnd::kSizeUnknown && i + 1 == listing.items.size();
    if (sizeUnknown || l.nameLength > kLongestEntryName || EntryNameFault(e.name.c_str())) continue;
    bool known = IsKnownMethod(l.method);
    uint64_t dataPos = e.dataPos;
    int64_t size = l.compressedSize;
    bool encrypted = l.flags & kFlagEncrypted;
    if (encrypted && known) {
      if (!passwords || passwords->empty()) {
        j.unchecked += passwords != nullptr;
        w.judged = false;
        continue;
      }
      if (!PasswordFits(file, dataPos, l.flags, l.crc32, l.timeDate, *passwords)) {
        j.findings.push_back({names[i], "no --password given fits: the stub asks three times, then ends its walk"});
        if (!endedAt) endedAt = &e;
        continue;
      }
      dataPos += kEncryptionHeaderLength;
      size -= kEncryptionHeaderLength;
    }
    // Past the password stage, whatever it answers.
    if (!known) {
      if (!endedAt) endedAt = &e;
      continue;
    }
    if (!PathOutcomeKnown(e.name)) {
      if (passwords)
        j.findings.push_back({names[i], "a folder ending in a dot or blank, an empty folder name or an inner "
                                        "\".\": Windows reads the path otherwise where the stub makes its "
                                        "folders than where it opens the entry, which may be written "
                                        "elsewhere or not at all"});
      w.judged = false;
      continue;
    }
    char last = e.name.back();
    if (last == '/' || last == '\\') {
      w.extracted = true;
      continue;
    }
    if (!passwords) {
      w.judged = false;
      continue;
    }
    if (!decoder) decoder.reset(new StubDecoder(file.Path()));
    DataCheck data = decoder->Check(dataPos, (uint32_t)std::max<int64_t>(size, 0), l.method, l.crc32,
                                    l.uncompressedSize, encrypted);
    if (!data.problem.empty()) j.findings.push_back({names[i], data.problem});
    w.extracted = data.crcPasses;
  }
}

}  // namespace

bool IsSymbolicLink(const ArchiveLayout& layout, const CentralEntry& entry) {
  const uint8_t* h = CentralBytes(layout, entry);
  return h[kCentralVersionMadeBy + 1] == kHostUnix &&
         (Read32(h + kCentralExternalAttributes) >> 16 & kUnixFileType) == kUnixSymbolicLink;
}

StubJudgement JudgeLikeTheStub(const InputFile& file, uint64_t start, const ArchiveLayout* layout,
                               const CodePageTable* names, const std::vector<std::string>* passwords) {
  return JudgeListing(file, ListLikeTheStub(file, start), layout, names, passwords);
}

StubJudgement JudgeListing(const InputFile& file, const StubListing& listing, const ArchiveLayout* layout,
                           const CodePageTable* names, const std::vector<std::string>* passwords) {
  StubJudgement j;
  for (const std::string& message : listing.messages)
    j.findings.push_back({"", "the stub's walk shows \"" + message + "\""});

  // Central entries by their local header's position.
  std::multimap<uint64_t, const CentralEntry*> central;
  if (layout)
    for (const CentralEntry& e : layout->entries) central.insert({e.localPos, &e});

  std::vector<std::string> entryNames;          // each header's name in findings
  std::vector<const CentralEntry*> named;       // once per local header, names the stub writes
  std::vector<std::string> namesShown;
  for (size_t i = 0; i < listing.items.size(); ++i) {
    const ListedEntry& e = listing.items[i];
    bool sizeUnknown = listing.end == WalkEnd::kSizeUnknown && i + 1 == listing.items.size();
    j.headers.push_back({e.headerPos, e.name, true, false});
    auto hit = central.find(e.headerPos);
    const CentralEntry* c = hit == central.end() ? nullptr : hit->second;
    // The name as far as the file holds it: the list's is cut at a NUL and
    // to the stub's limit.
    std::vector<uint8_t> bytes = file.ReadSome(e.headerPos + kLocalHeaderSize, e.header.nameLength);
    std::string raw(bytes.begin(), bytes.end());
    std::string nameProblem = EntryNameProblem(raw);
    entryNames.push_back(c ? c->name : raw);
    std::vector<std::string> reasons, notes;
    CheckLocal(e.header, nameProblem, sizeUnknown, reasons);
    if (c) {
      CheckAgainstCentral(*c, e.header, sizeUnknown, reasons, notes);
      if (IsSymbolicLink(*layout, *c)) notes.push_back(kSymbolicLinkProblem);
      if (central.count(e.headerPos) > 1) reasons.push_back(kSharedHeaderProblem);
      if (names && nameProblem.empty()) {
        named.push_back(c);
        namesShown.push_back(FromCodePage(e.name, *names));
      }
    } else if (layout) {
      reasons.push_back("local header at input offset " + Hex(e.headerPos) +
                        " that the central directory does not list; the stub would extract it");
    }
    for (const std::string& r : reasons) j.findings.push_back({entryNames.back(), r});
    for (const std::string& n : notes) j.findings.push_back({entryNames.back(), n});
  }
  JudgeEntries(file, listing, entryNames, passwords, j);
  for (const NameCollision& n : FindNameCollisions(namesShown))
    j.findings.push_back({named[n.entry]->name, n.reason});
  if (layout) {
    std::set<uint64_t> walked;
    for (const ListedEntry& e : listing.items) walked.insert(e.headerPos);
    size_t reached = 0;
    for (const CentralEntry& e : layout->entries) {
      bool reachedThis = walked.count(e.localPos);
      reached += reachedThis;
      if (!reachedThis) j.findings.push_back({e.name, "not reached by the stub's walk over local headers"});
    }
    std::string end = EndOfWalk(listing, layout);
    if (!end.empty() && reached < layout->entries.size()) j.findings.push_back({"", end});
  }
  return j;
}

std::vector<EntryFinding> FindStubProblems(const InputFile& file, const ArchiveLayout& layout,
                                           const CodePageTable* names) {
  return JudgeLikeTheStub(file, layout.firstLocalPos, &layout, names, nullptr).findings;
}

StubView ViewLikeTheStub(InputFile& file, const CodePageTable* names, const std::vector<std::string>* passwords) {
  if (!StartsWithMz(file))
    throw Refusal(file.Path() + ": not a self-extractor (no Windows program in front of the archive); "
                  "mksfx pack " + file.Path() + " OUTPUT makes one");
  StubView v;
  v.table = EndAtCertificateTable(file);
  v.where = LocateLikeTheStub(file);
  if (!v.where.archiveFound)
    throw Refusal(file.Path() + ": the stub would not find its archive and shows \"Cannot process file.\"");
  try {
    v.layout.reset(new ArchiveLayout(ReadArchiveLayout(file)));
  } catch (const Refusal& refusal) {
    v.directoryProblem = refusal.what();
  }
  v.judged = JudgeLikeTheStub(file, (uint64_t)v.where.firstHeaderPos, v.layout.get(), names, passwords);
  return v;
}

std::string EntryTimeLikeTheStub(uint32_t timeDate) {
  const WORD date = (WORD)(timeDate >> 16), time = (WORD)timeDate;
  FILETIME local;
  if (!DosDateTimeToFileTime(date, time, &local)) return "";
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", (unsigned)(date >> 9) + 1980,
                (unsigned)(date >> 5) & 15, (unsigned)date & 31, (unsigned)time >> 11, (unsigned)(time >> 5) & 63,
                ((unsigned)time & 31) * 2);
  return text;
}
