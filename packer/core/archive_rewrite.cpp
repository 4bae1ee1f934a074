// Rewriting an input archive entry by entry.
#include "archive_rewrite.h"

#include <algorithm>
#include <map>

#include "entry_coding.h"
#include "errors.h"
#include "name_collisions.h"
#include "stub_compat.h"
#include "stub_engine.h"

namespace {

std::vector<const CentralEntry*> ByPosition(const ArchiveLayout& layout) {
  std::vector<const CentralEntry*> order;
  for (const CentralEntry& e : layout.entries) order.push_back(&e);
  std::stable_sort(order.begin(), order.end(), [](const CentralEntry* a, const CentralEntry* b) {
    return a->localPos < b->localPos;
  });
  return order;
}

bool HasHighBytes(const std::string& name) {
  return std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; });
}

enum class NameCoding { kAsStored, kUtf8, kZipPage };

// How a name is to be read.  Flag bit 11 means UTF-8.  Without it the ZIP
// format takes code page 437, as DOS and Windows archivers write (hosts 0
// FAT, 6 HPFS, 11 NTFS, 14 VFAT), and so does mksfx for every host but two:
// Unix and macOS writers store the system's bytes, taken as UTF-8 when they
// are well-formed UTF-8 and byte for byte otherwise.  A self-extractor's
// names are the bytes its stub reads already and stay as they are (mksfx
// writes them with host 0).  ASCII names read alike in every coding.
NameCoding CodingOf(const ArchiveLayout& layout, const CentralEntry& e, const RewriteOptions& o) {
  if (!HasHighBytes(e.name)) return NameCoding::kAsStored;
  if (e.flags & kFlagUtf8) return NameCoding::kUtf8;
  if (o.namesInPage) return NameCoding::kAsStored;
  uint8_t host = CentralBytes(layout, e)[kCentralVersionMadeBy + 1];
  if (host != kHostUnix && host != kHostMacOs) return NameCoding::kZipPage;
  return IsValidUtf8(e.name) ? NameCoding::kUtf8 : NameCoding::kAsStored;
}

// The name in UTF-8, for messages.
std::string ShownName(const ArchiveLayout& layout, const CentralEntry& e, const RewriteOptions& o) {
  switch (CodingOf(layout, e, o)) {
    case NameCoding::kUtf8: return e.name;
    case NameCoding::kZipPage: return FromCodePage(e.name, codepage_tables::kZipPage);
    default: return o.page ? FromCodePage(e.name, *o.page) : e.name;
  }
}

// The name as the stub will read it, or "" with `problem` set.
std::string StoredName(const ArchiveLayout& layout, const CentralEntry& e, const RewriteOptions& o,
                       std::string& problem) {
  std::string name = e.name;
  NameCoding coding = CodingOf(layout, e, o);
  if (coding != NameCoding::kAsStored && o.page &&
      !ToCodePage(ShownName(layout, e, o), *o.page, name, problem))
    return "";
  problem = EntryNameProblem(name);
  return problem.empty() ? name : "";
}

// Calls `block(id, bytes, length)` for each whole block of an extra field,
// its four-byte head included.
template <typename Block>
void ForEachExtra(const uint8_t* extra, size_t size, Block block) {
  for (size_t at = 0; at + 4 <= size;) {
    size_t length = 4 + Read16(extra + at + 2);
    if (at + length > size) return;
    block(Read16(extra + at), extra + at, length);
    at += length;
  }
}

// Extra fields without ZIP64 records: sizes and offsets are written 32-bit.
std::vector<uint8_t> WithoutZip64(const uint8_t* extra, size_t size) {
  std::vector<uint8_t> kept;
  ForEachExtra(extra, size, [&](uint16_t id, const uint8_t* b, size_t n) {
    if (id != kZip64ExtraId) kept.insert(kept.end(), b, b + n);
  });
  return kept;
}

// A local size of 0xFFFFFFFF stands for the one in the ZIP64 extra: there
// the uncompressed size comes first, then the compressed one, 8 bytes each,
// present only for a field that holds 0xFFFFFFFF.  Some writers give every
// entry the extra; sizes that fit in 32 bits replace the fields, larger ones
// leave them as they are.
void TakeZip64Sizes(const std::vector<uint8_t>& extra, uint32_t& uncompressed, uint32_t& compressed) {
  ForEachExtra(extra.data(), extra.size(), [&](uint16_t id, const uint8_t* b, size_t n) {
    if (id != kZip64ExtraId) return;
    size_t field = 4;
    for (uint32_t* size : {&uncompressed, &compressed}) {
      if (*size != kZip64Value) continue;
      if (field + 8 > n) return;
      uint64_t value = Read32(b + field) | (uint64_t)Read32(b + field + 4) << 32;
      if (value < kZip64Value) *size = (uint32_t)value;
      field += 8;
    }
  });
}

// Writes the encryption header and `size` bytes from `pos` encrypted.
void CopyEncrypted(const InputFile& file, uint64_t pos, uint64_t size, const std::string& password,
                   const std::vector<uint8_t>& plainHeader, PendingOutput& out) {
  EntryCipher cipher;
  out.Write(cipher.Start(password, plainHeader));
  for (uint64_t done = 0; done < size;) {
    std::vector<uint8_t> chunk = file.ReadAt(pos + done, (size_t)std::min<uint64_t>(kCopyChunkSize, size - done));
    cipher.Encrypt(chunk.data(), chunk.size());
    out.Write(chunk);
    done += chunk.size();
  }
}

// The first reason why `e` cannot be rewritten for the stub, or "" with
// `name` set to the name the stub will read.
std::string UnrewritableProblem(const InputFile& file, const ArchiveLayout& layout, const CentralEntry& e,
                                const RewriteOptions& o, std::map<uint64_t, int>& seen, std::string& name) {
  if (e.method == kMethodAes || (e.flags & kFlagStrongEncryption)) return kStrongEncryptionProblem;
  if (!IsKnownMethod(e.method)) return MethodProblem(e.method);
  if (e.zip64Sizes) return kZip64Problem;
  if (e.flags & kFlagMaskedCentralDirectory) return kMaskedDirectoryProblem;
  if (o.password && (e.flags & kFlagEncrypted)) return "encrypted already: mksfx does not encrypt it a second time";
  if ((e.flags & kFlagEncrypted) && e.compressedSize < kEncryptionHeaderLength) return kShortEncryptedProblem;
  std::string problem;
  name = StoredName(layout, e, o, problem);
  if (name.empty()) return problem;
  if (++seen[e.localPos] > 1) return kSharedHeaderProblem;
  // The local header as far as the central directory leaves room for it.
  bool headerFits = e.localPos + kLocalHeaderSize <= layout.centralPos;
  LocalHeaderRecord local = headerFits ? LocalHeaderAt(file, e.localPos) : LocalHeaderRecord();
  if (!headerFits || local.signature != kLocalHeaderSignature)
    return "no local header where the central directory places it";
  if ((local.flags ^ e.flags) & kFlagEncrypted)
    return local.flags & kFlagEncrypted ? kLocalOnlyEncryptionProblem : kCentralOnlyEncryptionProblem;
  return IsSymbolicLink(layout, e) ? kSymbolicLinkProblem : "";
}

}  // namespace

bool NeedsRewrite(const ArchiveLayout& layout, const RewriteOptions& o, const std::vector<EntryFinding>& walkFindings) {
  if (o.password || !walkFindings.empty()) return true;
  for (const CentralEntry& e : layout.entries)
    if (CodingOf(layout, e, o) != NameCoding::kAsStored) return true;
  return false;
}

void RefuseUnrewritable(const InputFile& file, const ArchiveLayout& layout, const RewriteOptions& o) {
  std::vector<EntryFinding> p;
  std::map<uint64_t, int> seen;
  const CodePageTable& page = o.page ? *o.page : *FindCodePage(kDefaultCodePage);
  std::vector<std::pair<const CentralEntry*, std::string>> writes;  // entries and their stored names
  for (const CentralEntry& e : layout.entries) {
    std::string name, problem = UnrewritableProblem(file, layout, e, o, seen, name);
    // Named in messages as shown.
    if (!problem.empty())
      p.push_back({ShownName(layout, e, o), problem});
    else
      writes.push_back({&e, name});
  }
  // The names as the stub will write them, read in the page it reads them in.
  std::vector<std::string> shown;
  for (const auto& w : writes) shown.push_back(FromCodePage(w.second, page));
  for (const NameCollision& c : FindNameCollisions(shown))
    p.push_back({ShownName(layout, *writes[c.entry].first, o), c.reason});
  RefuseEntries(file.Path(), layout.entries.size(), p, o.listAllProblems);
}

void RewriteEntries(const InputFile& file, const ArchiveLayout& layout, const RewriteOptions& o,
                    ZipWriter& writer, PendingOutput& out, void (*progress)(uint64_t, uint64_t)) {
  std::vector<EntryFinding> p;
  StubDecoder decoder(file.Path());
  uint64_t done = 0, total = layout.centralPos - layout.firstLocalPos;
  for (const CentralEntry* c : ByPosition(layout)) {
    LocalHeaderRecord local = LocalHeaderAt(file, c->localPos);
    uint64_t dataPos = LocalDataPos(local, c->localPos);
    if (dataPos + c->compressedSize > layout.centralPos) {
      p.push_back({c->name, "data that would reach into the central directory"});
      continue;
    }
    std::vector<uint8_t> extra = file.ReadAt(dataPos - local.extraLength, local.extraLength);
    bool encrypted = c->flags & kFlagEncrypted;
    // Sizes and CRC in a local header written without a descriptor must agree.
    uint32_t localCompressed = local.compressedSize, localUncompressed = local.uncompressedSize;
    TakeZip64Sizes(extra, localUncompressed, localCompressed);
    if (!(local.flags & kFlagDataDescriptor) &&
        (local.crc32 != c->crc || localCompressed != c->compressedSize ||
         localUncompressed != c->uncompressedSize)) {
      p.push_back({c->name, "a local header whose sizes or CRC differ from the central directory's"});
      continue;
    }
    if (!encrypted) {
      std::string bad = decoder.Check(dataPos, c->compressedSize, c->method, c->crc, c->uncompressedSize).problem;
      if (!bad.empty()) {
        p.push_back({c->name, bad});
        continue;
      }
    }
    const uint8_t* h = CentralBytes(layout, *c);
    ZipEntryHeader e;
    std::string problem;
    e.name = StoredName(layout, *c, o, problem);
    e.versionMadeBy = Read16(h + kCentralVersionMadeBy);
    e.versionNeeded = std::max<uint16_t>(Read16(h + kCentralVersionNeeded), 20);
    e.flags = (uint16_t)(c->flags & ~kFlagUtf8);
    e.method = c->method;
    e.timeDate = Read32(h + kCentralTimeDate);
    e.crc = c->crc;
    e.compressedSize = c->compressedSize;
    e.uncompressedSize = c->uncompressedSize;
    e.internalAttributes = Read16(h + kCentralInternalAttributes);
    e.externalAttributes = Read32(h + kCentralExternalAttributes);
    e.localExtra = WithoutZip64(extra.data(), extra.size());
    size_t centralNameLength = Read16(h + kCentralNameLength);
    size_t centralExtraLength = Read16(h + kCentralExtraLength);
    e.centralExtra = WithoutZip64(h + kCentralHeaderSize + centralNameLength, centralExtraLength);
    const uint8_t* comment = h + kCentralHeaderSize + centralNameLength + centralExtraLength;
    e.comment.assign(comment, comment + Read16(h + kCentralCommentLength));
    // An encrypted entry written with bit 3 carries the time's high byte as
    // its check byte; the stub reads it so only while bit 3 stays set.
    e.descriptor = encrypted && (c->flags & kFlagDataDescriptor);
    if (!e.descriptor) e.flags &= (uint16_t)~kFlagDataDescriptor;
    // Folder entries hold nothing to protect; archivers leave them plain.
    bool folder = !e.name.empty() && e.name.back() == '/' && c->uncompressedSize == 0;
    if (o.password && !folder) {
      e.flags |= kFlagEncrypted;
      e.compressedSize = c->compressedSize + kEncryptionHeaderLength;
      writer.Begin(e);
      CopyEncrypted(file, dataPos, c->compressedSize, *o.password,
                    NewEncryptionHeader(*o.password, e, *o.random), out);
    } else {
      writer.Begin(e);
      file.CopyTo(dataPos, c->compressedSize, out);
    }
    writer.End(e);
    done += dataPos + c->compressedSize - c->localPos;
    if (progress) progress(done, total);
  }
  RefuseEntries(file.Path(), layout.entries.size(), p, o.listAllProblems);
}
