// The stub's view of an archive: its walk over local headers, read its way
// and checked against its own list, compared with what the central directory
// promises, and each entry's data decoded by its own code.
#include "stub_compat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "entry_coding.h"
#include "name_collisions.h"
#include "stub_walk.h"
#include "extract/device_names.h"
#include "common/zip_format.h"

namespace {

// The file type bits of the Unix mode that Unix hosts keep in the external
// attributes' high 16 bits.
const uint32_t kUnixFileType = 0170000;
const uint32_t kUnixSymbolicLink = 0120000;

// A local header as the stub reads it, and where it lies.
struct LocalView : LocalHeaderRecord {
  uint64_t pos = 0;
  std::string name;    // as far as the file holds it
  std::string listed;  // as the stub lists it: cut to its limit and at a NUL
  uint64_t dataPos = 0;
  bool sizeUnknown = false;  // streamed, no empty descriptor behind: the walk ends after it
};

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
  return text;
}

// The local headers the stub's walk lists, in order, read as the walk reads
// them: it steps over signed data descriptors and ends at anything but a
// local header, at a header or name cut short, at an empty name, after an
// entry of unknown size, and where a position would pass 2 GiB.
struct Walk {
  std::vector<LocalView> headers;
  std::string stopReason;
};

Walk WalkLikeTheStub(const InputFile& file, uint64_t start, const ArchiveLayout* layout) {
  Walk walk;
  uint64_t pos = start;
  for (;;) {
    std::vector<uint8_t> h = file.ReadSome(pos, kLocalHeaderSize);
    uint32_t s = h.size() >= 4 ? Read32(h.data()) : 0;
    if (s == kDataDescriptorSignature) {
      pos += kDataDescriptorSize;
      continue;
    }
    if (s != kLocalHeaderSignature && s != kSplitHeaderSignature) {
      if (!layout || pos != layout->centralPos)
        walk.stopReason = "the stub's walk over local headers stops at input offset " + Hex(pos) +
                          ", which holds no local header or signed data descriptor";
      return walk;
    }
    if (h.size() < (size_t)kLocalHeaderSize) {
      walk.stopReason = "local header at input offset " + Hex(pos) + " is cut short";
      return walk;
    }
    LocalView v;
    std::memcpy((LocalHeaderRecord*)&v, h.data(), sizeof(LocalHeaderRecord));
    v.pos = pos;
    if ((int32_t)v.compressedSize < 0) {
      walk.stopReason = "the entry at input offset " + Hex(pos) + " claims 2 GiB or more of data, "
                        "where the stub's walk ends";
      return walk;
    }
    std::vector<uint8_t> name = file.ReadSome(pos + kLocalHeaderSize, v.nameLength);
    v.name.assign(name.begin(), name.end());
    size_t cut = std::min((size_t)v.nameLength, (size_t)kLongestEntryName);
    if (name.size() < cut) {
      walk.stopReason = "the name of the local header at input offset " + Hex(pos) + " is cut short";
      return walk;
    }
    v.listed = v.name.substr(0, std::min(cut, v.name.find('\0')));
    if (v.listed.empty()) {
      walk.stopReason = "the stub ends its walk at the entry at input offset " + Hex(pos) +
                        " with \"Invalid file name\": its name is empty";
      return walk;
    }
    v.dataPos = pos + kLocalHeaderSize + v.nameLength + v.extraLength;
    uint64_t next = v.dataPos + v.compressedSize;
    // A streamed entry of size 0 is empty only when a descriptor saying so
    // follows at once: signed (stepped over as a record) or twelve zero
    // bytes.  Bytes past the end of the file read as zero, as the stub's do.
    if ((v.flags & kFlagDataDescriptor) && v.compressedSize == 0) {
      std::vector<uint8_t> d = file.ReadSome(v.dataPos, kDataDescriptorSize);
      d.resize(kDataDescriptorSize);
      bool signedZero = Read32(d.data()) == kDataDescriptorSignature && Read32(&d[8]) == 0 &&
                        Read32(&d[12]) == 0;
      bool unsignedZero = std::all_of(d.begin(), d.begin() + 12, [](uint8_t b) { return b == 0; });
      v.sizeUnknown = !signedZero && !unsignedZero;
      if (unsignedZero) next += 12;
    }
    walk.headers.push_back(v);
    if (v.sizeUnknown) return walk;
    if (next > (uint64_t)INT32_MAX) {
      walk.stopReason = "the entry at input offset " + Hex(pos) + " ends past 2 GiB, where the "
                        "stub's walk ends";
      return walk;
    }
    pos = next;
  }
}

// Why the stub fails the entry behind the local header `l`, by the header alone.
void CheckLocal(const LocalView& l, std::vector<std::string>& reasons) {
  if (l.method != kMethodStored && l.method != kMethodDeflated)
    reasons.push_back("compression method " + std::to_string(l.method) +
                      ": the stub extracts only stored (0) and deflated (8) data and ends "
                      "an extraction here");
  if (l.sizeUnknown)
    reasons.push_back("sizes only in a data descriptor: the stub fails it and ends its walk here");
  if ((l.flags & kFlagEncrypted) && l.compressedSize < kEncryptionHeaderLength)
    reasons.push_back("encrypted entry shorter than its 12-byte encryption header");
  std::string nameProblem = EntryNameProblem(l.name);
  if (!nameProblem.empty()) reasons.push_back(nameProblem);
}

// `reasons`: where the local header `l` and the central directory's entry
// `c` disagree, so that readers of the directory expect what the stub does
// not do; `notes`: how what the stub writes differs from the entry.
void CheckAgainstCentral(const CentralEntry& c, const LocalView& l, std::vector<std::string>& reasons,
                         std::vector<std::string>& notes) {
  if ((l.flags | c.flags) & kFlagStrongEncryption)
    reasons.push_back("strong encryption: the stub knows only the traditional ZIP encryption");
  // The stub reads the local flags alone; readers of the central directory
  // decide by it.  Bit 3 of an encrypted entry picks the header's check byte.
  if ((l.flags ^ c.flags) & kFlagEncrypted)
    reasons.push_back(l.flags & kFlagEncrypted
                          ? "encrypted in its local header but not in the central directory: the stub "
                            "asks for a password, and after three wrong ones ends its walk"
                          : "encrypted in the central directory but not in its local header: the stub "
                            "writes the encrypted bytes as they are");
  else if ((l.flags & kFlagEncrypted) && ((l.flags ^ c.flags) & kFlagDataDescriptor))
    reasons.push_back("local header and central directory disagree on flag bit 3, which decides the "
                      "encryption header's check byte");
  if (c.flags & kFlagMaskedCentralDirectory)
    reasons.push_back("encrypted central directory");
  if (c.zip64Sizes || l.compressedSize == kZip64Value || l.uncompressedSize == kZip64Value)
    reasons.push_back("ZIP64 sizes: the stub reads only 32-bit sizes");
  else if (l.compressedSize != c.compressedSize && !l.sizeUnknown)
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
      !((l.flags ^ c.flags) & kFlagEncrypted) && !l.sizeUnknown &&
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
void JudgeEntries(const InputFile& file, const std::vector<LocalView>& walked, const std::vector<std::string>& names,
                  const std::vector<std::string>* passwords, StubJudgement& j) {
  const LocalView* endedAt = nullptr;
  std::unique_ptr<StubDecoder> decoder;  // opened at the first data to decode
  for (size_t i = 0; i < walked.size(); ++i) {
    const LocalView& l = walked[i];
    WalkedHeader& w = j.headers[i];
    if (endedAt)
      j.findings.push_back({names[i], "not extracted with every entry: the extraction ends before it, at "
                                      "input offset " + Hex(endedAt->pos)});
    if (l.sizeUnknown || l.nameLength > kLongestEntryName || !IsSafeEntryName(l.listed.c_str())) continue;
    bool known = l.method == kMethodStored || l.method == kMethodDeflated;
    uint64_t dataPos = l.dataPos;
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
        if (!endedAt) endedAt = &l;
        continue;
      }
      dataPos += kEncryptionHeaderLength;
      size -= kEncryptionHeaderLength;
    }
    // Past the password stage, whatever it answers.
    if (!known) {
      if (!endedAt) endedAt = &l;
      continue;
    }
    if (!PathOutcomeKnown(l.listed)) {
      if (passwords)
        j.findings.push_back({names[i], "a folder ending in a dot or blank, an empty folder name or an inner "
                                        "\".\": Windows reads the path otherwise where the stub makes its "
                                        "folders than where it opens the entry, which may be written "
                                        "elsewhere or not at all"});
      w.judged = false;
      continue;
    }
    char last = l.listed.back();
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

// The reason for a name the stub's own check refuses; the check decides,
// this only puts it into words.
std::string DescribeUnsafeName(const std::string& name) {
  if (name[0] == '/' || name[0] == '\\') return "absolute path";
  if (name.find(':') != std::string::npos) return "drive letter or colon in the name";
  for (unsigned char ch : name)
    if (ch < 0x20 || std::string("<>\"|?*").find((char)ch) != std::string::npos)
      return "character that Windows forbids in file names";
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    if (part == "..") return "\"..\" in the path";
    if (!part.empty() && part != "." && part.find_first_not_of(". ") == std::string::npos)
      return "path component of dots and blanks only, which Windows reads as \"..\"";
    if (IsReservedDeviceName(part.data(), (int)part.size())) return "reserved device name \"" + part + "\"";
    start = end + 1;
  }
  return "a name the stub refuses to write";
}

}  // namespace

std::string EntryNameProblem(const std::string& name) {
  if (name.empty()) return "empty name: the stub ends its walk here";
  if (name.find('\0') != std::string::npos)
    return "name contains a NUL byte: the stub would cut it there";
  if (name.size() > (size_t)kLongestEntryName)
    return "name longer than " + std::to_string(kLongestEntryName) + " bytes, the stub's limit: "
           "even under a drive root (\"C:\\\") it would pass the 259 characters of a Windows path";
  if (IsSafeEntryName(name.c_str())) return "";
  return DescribeUnsafeName(name);
}

bool IsSymbolicLink(const ArchiveLayout& layout, const CentralEntry& entry) {
  const uint8_t* h = CentralBytes(layout, entry);
  return h[kCentralVersionMadeBy + 1] == kHostUnix &&
         (Read32(h + kCentralExternalAttributes) >> 16 & kUnixFileType) == kUnixSymbolicLink;
}

StubJudgement JudgeLikeTheStub(const InputFile& file, uint64_t start, const ArchiveLayout* layout,
                               const CodePageTable* names, const std::vector<std::string>* passwords) {
  StubJudgement j;
  Walk walk = WalkLikeTheStub(file, start, layout);
  std::vector<std::string> shown;
  std::vector<std::string> listed = ListLikeTheStub(file, start, &shown);
  for (const std::string& message : shown) j.findings.push_back({"", "the stub's walk shows \"" + message + "\""});
  if (listed.size() != walk.headers.size()) {
    j.findings.push_back({"", "the stub's walk lists " + std::to_string(listed.size()) + " entries where mksfx "
                              "reads " + std::to_string(walk.headers.size()) + " local headers; mksfx cannot "
                              "tell which it reaches"});
    walk.headers.resize(std::min(listed.size(), walk.headers.size()));
  }

  // Central entries by their local header's position.
  std::multimap<uint64_t, const CentralEntry*> central;
  if (layout)
    for (const CentralEntry& e : layout->entries) central.insert({e.localPos, &e});

  std::vector<std::string> entryNames;          // each header's name in findings
  std::vector<const CentralEntry*> named;       // once per local header, names the stub writes
  std::vector<std::string> namesShown;
  for (const LocalView& l : walk.headers) {
    j.headers.push_back({l.pos, l.listed, true, false});
    auto hit = central.find(l.pos);
    const CentralEntry* c = hit == central.end() ? nullptr : hit->second;
    entryNames.push_back(c ? c->name : l.name);
    std::vector<std::string> reasons, notes;
    CheckLocal(l, reasons);
    if (c) {
      CheckAgainstCentral(*c, l, reasons, notes);
      if (IsSymbolicLink(*layout, *c))
        notes.push_back("symbolic link: the stub cannot make links and writes a small file "
                        "holding the link's target instead");
      if (central.count(l.pos) > 1) reasons.push_back("shares its local header with another entry");
      if (names && EntryNameProblem(l.name).empty()) {
        named.push_back(c);
        namesShown.push_back(FromCodePage(l.name, *names));
      }
    } else if (layout) {
      reasons.push_back("local header at input offset " + Hex(l.pos) +
                        " that the central directory does not list; the stub would extract it");
    }
    for (const std::string& r : reasons) j.findings.push_back({entryNames.back(), r});
    for (const std::string& n : notes) j.findings.push_back({entryNames.back(), n});
  }
  JudgeEntries(file, walk.headers, entryNames, passwords, j);
  for (const NameCollision& n : FindNameCollisions(namesShown))
    j.findings.push_back({named[n.entry]->name, n.reason});
  if (layout) {
    std::set<uint64_t> walked;
    for (const LocalView& l : walk.headers) walked.insert(l.pos);
    size_t reached = 0;
    for (const CentralEntry& e : layout->entries) {
      bool reachedThis = walked.count(e.localPos);
      reached += reachedThis;
      if (!reachedThis) j.findings.push_back({e.name, "not reached by the stub's walk over local headers"});
    }
    if (!walk.stopReason.empty() && reached < layout->entries.size())
      j.findings.push_back({"", walk.stopReason});
  }
  return j;
}

std::vector<EntryFinding> FindStubProblems(const InputFile& file, const ArchiveLayout& layout,
                                           const CodePageTable* names) {
  return JudgeLikeTheStub(file, layout.firstLocalPos, &layout, names, nullptr).findings;
}
