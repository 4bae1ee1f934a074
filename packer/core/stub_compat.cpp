// The stub's view of an archive: a walk over local headers as it makes it,
// compared with what the central directory promises.
#include "stub_compat.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "name_collisions.h"
#include "extract/device_names.h"
#include "extract/extract.h"
#include "common/zip_format.h"

namespace {

// The file type bits of the Unix mode that Unix hosts keep in the external
// attributes' high 16 bits.
const uint32_t kUnixFileType = 0170000;
const uint32_t kUnixSymbolicLink = 0120000;

struct LocalView {
  uint64_t pos = 0;
  bool complete = false;  // all 30 bytes and the name could be read
  uint16_t flags = 0, method = 0, nameLength = 0, extraLength = 0;
  uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
  std::string name;
  uint64_t dataPos = 0;
  uint64_t dataEnd = 0;
};

LocalView ReadLocal(const InputFile& file, uint64_t pos) {
  LocalView v;
  v.pos = pos;
  std::vector<uint8_t> h = file.ReadSome(pos, kLocalHeaderSize);
  if (h.size() < kLocalHeaderSize) return v;
  v.flags = Read16(&h[kLocalFlags]);
  v.method = Read16(&h[kLocalMethod]);
  v.crc = Read32(&h[kLocalCrc]);
  v.compressedSize = Read32(&h[kLocalCompressedSize]);
  v.uncompressedSize = Read32(&h[kLocalUncompressedSize]);
  v.nameLength = Read16(&h[kLocalNameLength]);
  v.extraLength = Read16(&h[kLocalExtraLength]);
  std::vector<uint8_t> name = file.ReadSome(pos + kLocalHeaderSize, v.nameLength);
  if (name.size() < v.nameLength) return v;
  v.name.assign(name.begin(), name.end());
  v.dataPos = pos + kLocalHeaderSize + v.nameLength + v.extraLength;
  v.dataEnd = v.dataPos + v.compressedSize;
  v.complete = true;
  return v;
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
  return text;
}

// What the stub's walk meets, in order: local header positions.  It reads a
// header where the signature is PK\3\4 or 00 00 00 50, steps over signed data
// descriptors, and ends at anything else.
struct Walk {
  std::vector<LocalView> headers;
  uint64_t stopPos = 0;
  std::string stopReason;
};

Walk WalkLikeTheStub(const InputFile& file, const ArchiveLayout& layout) {
  Walk walk;
  uint64_t pos = layout.firstLocalPos;
  for (;;) {
    std::vector<uint8_t> sig = file.ReadSome(pos, 4);
    uint32_t s = sig.size() == 4 ? Read32(sig.data()) : 0;
    if (s == kDataDescriptorSignature) {
      pos += kDataDescriptorSize;
      continue;
    }
    walk.stopPos = pos;
    if (s != kLocalHeaderSignature && s != kSplitHeaderSignature) {
      if (pos != layout.centralPos)
        walk.stopReason = "the stub's walk over local headers stops at input offset " + Hex(pos) +
                          ", which holds no local header or signed data descriptor";
      return walk;
    }
    LocalView v = ReadLocal(file, pos);
    walk.headers.push_back(v);
    if (!v.complete) {
      walk.stopReason = "local header at input offset " + Hex(pos) + " is cut short";
      return walk;
    }
    // The stub ends the walk at these entries; nothing after them is reached.
    if (v.name.empty() || v.name[0] == '\0' || (v.method != kMethodStored &&
                                                v.method != kMethodDeflated)) {
      walk.stopReason = "the stub's walk ends at the entry at input offset " + Hex(pos);
      return walk;
    }
    if (v.compressedSize == kZip64Value || v.dataEnd > layout.centralPos) {
      walk.stopReason = "the entry at input offset " + Hex(pos) + " claims data past the "
                        "central directory";
      return walk;
    }
    // A streamed entry of size 0 is empty only when a descriptor saying so
    // follows at once: signed (skipped as a record) or twelve zero bytes.
    if ((v.flags & kFlagDataDescriptor) && v.compressedSize == 0) {
      // Bytes past the end of the file read as zero, as the stub's do.
      std::vector<uint8_t> d = file.ReadSome(v.dataPos, kDataDescriptorSize);
      d.resize(kDataDescriptorSize);
      bool signedZero = Read32(d.data()) == kDataDescriptorSignature &&
                        Read32(&d[8]) == 0 && Read32(&d[12]) == 0;
      bool unsignedZero = std::all_of(d.begin(), d.begin() + 12, [](uint8_t b) { return b == 0; });
      if (!signedZero && !unsignedZero) {
        walk.stopReason = "the entry at input offset " + Hex(pos) + " keeps its size only in a "
                          "data descriptor: the stub fails it and ends its walk there";
        return walk;
      }
      pos = v.dataPos + (signedZero ? 0 : 12);
      continue;
    }
    pos = v.dataEnd;
  }
}

// `reasons`: why the stub fails the entry; `notes`: how what it writes
// differs from the entry, which it extracts all the same.
void CheckEntry(const CentralEntry& c, const LocalView& l, std::vector<std::string>& reasons,
                std::vector<std::string>& notes) {
  if (l.method != kMethodStored && l.method != kMethodDeflated)
    reasons.push_back("compression method " + std::to_string(l.method) +
                      ": the stub extracts only stored (0) and deflated (8) data and ends "
                      "its walk here");
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
  else if (l.compressedSize != c.compressedSize) {
    if ((l.flags & kFlagDataDescriptor) && l.compressedSize == 0)
      reasons.push_back("sizes only in a data descriptor: the stub's walk ends here");
    else
      reasons.push_back("local header says " + std::to_string(l.compressedSize) +
                        " compressed bytes, the central directory " +
                        std::to_string(c.compressedSize));
  }
  if (l.crc != c.crc) {
    if ((l.flags & kFlagDataDescriptor) && l.crc == 0)
      reasons.push_back("CRC only in a data descriptor: the stub checks the local header's CRC");
    else
      reasons.push_back("local header CRC " + Hex(l.crc) + " differs from the central directory's " +
                        Hex(c.crc) + "; the stub checks the local one");
  }
  bool encrypted = l.flags & kFlagEncrypted;
  if (encrypted && l.compressedSize < kEncryptionHeaderLength)
    reasons.push_back("encrypted entry shorter than its 12-byte encryption header");
  else if (l.method == kMethodStored && l.compressedSize != kZip64Value &&
           !((l.flags ^ c.flags) & kFlagEncrypted) &&
           l.compressedSize - (encrypted ? kEncryptionHeaderLength : 0) != l.uncompressedSize &&
           !(l.flags & kFlagDataDescriptor && l.compressedSize == 0))
    notes.push_back("stored entry whose compressed and uncompressed sizes disagree");
  std::string nameProblem = EntryNameProblem(l.name);
  if (!nameProblem.empty()) reasons.push_back(nameProblem);
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
  const uint8_t* h = &layout.central[entry.headerPos - layout.centralPos];
  return h[kCentralVersionMadeBy + 1] == kHostUnix &&
         (Read32(h + kCentralExternalAttributes) >> 16 & kUnixFileType) == kUnixSymbolicLink;
}

std::vector<EntryFinding> FindStubProblems(const InputFile& file, const ArchiveLayout& layout,
                                           const CodePageTable* names) {
  std::vector<EntryFinding> findings;
  Walk walk = WalkLikeTheStub(file, layout);
  std::map<uint64_t, const LocalView*> walked;
  for (const LocalView& v : walk.headers) walked[v.pos] = &v;

  std::vector<const CentralEntry*> byPosition;
  for (const CentralEntry& e : layout.entries) byPosition.push_back(&e);
  std::stable_sort(byPosition.begin(), byPosition.end(),
                   [](const CentralEntry* a, const CentralEntry* b) { return a->localPos < b->localPos; });

  std::map<uint64_t, int> listed;
  std::vector<const CentralEntry*> named;  // once per local header, names the stub writes
  std::vector<std::string> shown;
  for (const CentralEntry* c : byPosition) {
    if (++listed[c->localPos] == 2)
      findings.push_back({c->name, "shares its local header with another entry"});
    auto hit = walked.find(c->localPos);
    if (hit == walked.end()) {
      findings.push_back({c->name, "not reached by the stub's walk over local headers"});
      continue;
    }
    const LocalView& l = *hit->second;
    if (!l.complete) {
      findings.push_back({c->name, "local header cut short"});
      continue;
    }
    std::vector<std::string> reasons, notes;
    CheckEntry(*c, l, reasons, notes);
    if (IsSymbolicLink(layout, *c))
      notes.push_back("symbolic link: the stub cannot make links and writes a small file "
                      "holding the link's target instead");
    for (const std::string& r : reasons) findings.push_back({c->name, r});
    for (const std::string& n : notes) findings.push_back({c->name, n, true});
    if (names && listed[c->localPos] == 1 && EntryNameProblem(l.name).empty()) {
      named.push_back(c);
      shown.push_back(FromCodePage(l.name, *names));
    }
  }
  for (const NameCollision& n : FindNameCollisions(shown))
    findings.push_back({named[n.entry]->name, n.reason});
  for (const LocalView& v : walk.headers)
    if (!listed.count(v.pos))
      findings.push_back({v.complete ? v.name : "",
                          "local header at input offset " + Hex(v.pos) +
                              " that the central directory does not list; the stub would "
                              "extract it"});
  if (!walk.stopReason.empty() && walk.headers.size() < layout.entries.size())
    findings.push_back({"", walk.stopReason});
  return findings;
}
