// Finding the archive inside an input file.
#include "archive_layout.h"

#include <algorithm>
#include <cstring>

#include "certificate_table.h"
#include "errors.h"
#include "common/zip_format.h"

namespace {

// Each candidate base costs a read of the directory region; a directory whose
// stored size and offset are both wrong is rare enough to try only a few.
const size_t kMaxBaseCandidates = 64;

bool HasSignature(const uint8_t* p, uint32_t signature) { return Read32(p) == signature; }

std::vector<size_t> FindSignatures(const std::vector<uint8_t>& bytes, uint32_t signature) {
  std::vector<size_t> at;
  for (size_t i = 0; i + 4 <= bytes.size(); ++i)
    if (HasSignature(&bytes[i], signature)) at.push_back(i);
  return at;
}

struct EndRecord {
  uint64_t pos;
  uint16_t entries;
  uint32_t centralSize;
  uint32_t centralOffset;
  uint16_t commentLength;
};

// A ZIP64 archive is one with a ZIP64 end record and its locator in front
// of the classic end record.  Counts of 0xFFFF and sizes of 0xFFFFFFFF alone
// are ordinary values: an archive of 65,535 entries is no ZIP64 archive.
void RefuseZip64AndSpanning(const InputFile& file, const EndRecord& end, const uint8_t* rec) {
  if (end.pos >= kZip64LocatorSize) {
    std::vector<uint8_t> loc = file.ReadAt(end.pos - kZip64LocatorSize, 4);
    if (HasSignature(loc.data(), kZip64LocatorSignature))
      throw Refusal(file.Path() + ": ZIP64 archive (a ZIP64 end record and its locator); the "
                    "stub reads only 32-bit ZIP records");
  }
  if (Read16(rec + kEndDiskNumber) != 0 || Read16(rec + kEndCentralDisk) != 0 ||
      Read16(rec + kEndEntriesOnDisk) != end.entries)
    throw Refusal(file.Path() + ": the archive spans several disks; mksfx needs a single-file archive");
  if (end.entries == 0) throw Refusal(file.Path() + ": the archive has no entries");
}

// Parses the central headers `bytes` holds; false unless it holds nothing
// else.
bool ParseCentral(const std::vector<uint8_t>& bytes, uint64_t centralPos, uint64_t base,
                  std::vector<CentralEntry>& entries, const std::string& path) {
  entries.clear();
  size_t at = 0;
  while (at < bytes.size()) {
    if (at + kCentralHeaderSize > bytes.size()) return false;
    const uint8_t* h = &bytes[at];
    if (!HasSignature(h, kCentralHeaderSignature)) return false;
    size_t variable = (size_t)Read16(h + kCentralNameLength) +
                      Read16(h + kCentralExtraLength) + Read16(h + kCentralCommentLength);
    if (at + kCentralHeaderSize + variable > bytes.size()) return false;
    CentralEntry e;
    e.headerPos = centralPos + at;
    e.name.assign((const char*)h + kCentralHeaderSize, Read16(h + kCentralNameLength));
    e.flags = Read16(h + kCentralFlags);
    e.method = Read16(h + kCentralMethod);
    e.crc = Read32(h + kCentralCrc);
    e.compressedSize = Read32(h + kCentralCompressedSize);
    e.uncompressedSize = Read32(h + kCentralUncompressedSize);
    uint32_t offset = Read32(h + kCentralLocalOffset);
    if (offset == kZip64Value || Read16(h + kCentralDiskStart) == kZip64Count)
      throw Refusal(path + ": entry \"" + e.name +
                    "\" keeps its offset in a ZIP64 field; the stub reads only 32-bit offsets");
    e.zip64Sizes = e.compressedSize == kZip64Value || e.uncompressedSize == kZip64Value;
    e.localPos = offset + base;
    entries.push_back(e);
    at += kCentralHeaderSize + variable;
  }
  return at == bytes.size();
}

// Local headers found where the entries say; the better of two readings of
// the same directory is the one whose offsets all land on local headers.
bool LocalHeadersInPlace(const InputFile& file, const std::vector<CentralEntry>& entries,
                         uint64_t centralPos) {
  for (const CentralEntry& e : entries) {
    if (e.localPos + kLocalHeaderSize > centralPos) return false;
    std::vector<uint8_t> sig = file.ReadAt(e.localPos, 4);
    if (!HasSignature(sig.data(), kLocalHeaderSignature)) return false;
  }
  return true;
}

// Reads the directory as if the archive began `base` bytes into the file.
// 0: not a directory there; 1: a directory whose offsets miss local headers;
// 2: a directory with every local header in place.
// `mismatch` receives the first reading whose headers parse but whose number
// differs from the end record's count.
int TryBase(const InputFile& file, const EndRecord& end, uint64_t base, ArchiveLayout& layout,
            std::string& mismatch) {
  uint64_t centralPos = end.centralOffset + base;
  if (centralPos + 4 > end.pos) return 0;
  if (!HasSignature(file.ReadAt(centralPos, 4).data(), kCentralHeaderSignature)) return 0;
  std::vector<uint8_t> central = file.ReadAt(centralPos, (size_t)(end.pos - centralPos));
  std::vector<CentralEntry> entries;
  if (!ParseCentral(central, centralPos, base, entries, file.Path())) return 0;
  if (entries.size() != end.entries) {
    if (mismatch.empty())
      mismatch = "the end record counts " + std::to_string(end.entries) +
                 " entries, the central directory holds " + std::to_string(entries.size());
    return 0;
  }
  layout.base = base;
  layout.centralPos = centralPos;
  layout.centralSize = central.size();
  layout.central = std::move(central);
  layout.entries = std::move(entries);
  return LocalHeadersInPlace(file, layout.entries, centralPos) ? 2 : 1;
}

// The bases in order of likelihood: offsets counted from the file's start,
// the prefix implied by the stored directory size, then any central header
// signature near the end.  The first with every local header in place wins,
// else the first that reads as a directory.
bool ReadDirectory(const InputFile& file, const EndRecord& end, ArchiveLayout& layout,
                   std::string& mismatch) {
  std::vector<uint64_t> bases = {0};
  if (end.pos >= (uint64_t)end.centralSize + end.centralOffset)
    bases.push_back(end.pos - end.centralSize - end.centralOffset);
  bool found = false;
  bool searched = false;
  for (size_t i = 0; i < bases.size(); ++i) {
    ArchiveLayout candidate;
    int result = TryBase(file, end, bases[i], candidate, mismatch);
    if (result == 2) {
      layout = std::move(candidate);
      return true;
    }
    if (result == 1 && !found) {
      layout = std::move(candidate);
      found = true;
    }
    if (i + 1 == bases.size() && !searched) {
      searched = true;
      uint64_t from = end.pos > kCentralSearchLimit ? end.pos - kCentralSearchLimit : 0;
      from = std::max<uint64_t>(from, end.centralOffset);
      if (from >= end.pos) continue;
      std::vector<uint8_t> region = file.ReadAt(from, (size_t)(end.pos - from));
      for (size_t at : FindSignatures(region, kCentralHeaderSignature)) {
        if (bases.size() >= kMaxBaseCandidates) break;
        bases.push_back(from + at - end.centralOffset);
      }
    }
  }
  // A directory read at a guessed base with its local headers out of place
  // explains less than an end record whose count is simply wrong.
  return found && mismatch.empty();
}

}  // namespace

bool LooksLikeArchive(const InputFile& input) {
  std::vector<uint8_t> head = input.ReadSome(0, 4);
  if (head.size() == 4 && HasSignature(head.data(), kLocalHeaderSignature)) return true;
  // A damaged signature decides nothing here: the file is searched to its
  // end, and refused for it only when it looks like an archive there.
  uint64_t end = input.Size();
  try {
    end = ArchiveEnd(input);
  } catch (const Refusal&) {
  }
  uint64_t from = end > kEndSearchSize ? end - kEndSearchSize : 0;
  return !FindSignatures(input.ReadAt(from, (size_t)(end - from)), kEndRecordSignature).empty();
}

ArchiveLayout ReadArchiveLayout(const InputFile& file) {
  // The file ends here for the archive, whatever follows.
  uint64_t size = ArchiveEnd(file);
  uint64_t tailPos = size > kEndSearchSize ? size - kEndSearchSize : 0;
  std::vector<uint8_t> tail = file.ReadAt(tailPos, (size_t)(size - tailPos));
  std::vector<size_t> candidates = FindSignatures(tail, kEndRecordSignature);

  // The stub takes the lowest record whose comment ends exactly at the end of
  // the archive; only when none does (bytes appended after the archive) is the
  // highest record whose comment fits taken, and the bytes after it dropped.
  std::vector<size_t> order, exact;
  for (size_t i : candidates)
    if (i + kEndRecordSize <= tail.size() &&
        i + kEndRecordSize + Read16(&tail[i] + kEndCommentLength) == tail.size())
      exact.push_back(i);
  if (!exact.empty()) order.push_back(exact[0]);
  else order.assign(candidates.rbegin(), candidates.rend());
  for (size_t i : order) {
    if (i + kEndRecordSize > tail.size()) continue;
    const uint8_t* rec = &tail[i];
    EndRecord end = {tailPos + i, Read16(rec + kEndEntriesTotal),
                     Read32(rec + kEndCentralSize), Read32(rec + kEndCentralOffset),
                     Read16(rec + kEndCommentLength)};
    if (i + kEndRecordSize + end.commentLength > tail.size()) continue;
    ArchiveLayout layout;
    try {
      RefuseZip64AndSpanning(file, end, rec);
      std::string mismatch;
      if (!ReadDirectory(file, end, layout, mismatch))
        throw Refusal(file.Path() + ": " + (mismatch.empty() ? "the central directory is damaged "
                      "or not where the end record places it" : mismatch));
    } catch (const Refusal& refusal) {
      if (exact.size() < 2) throw;
      throw Refusal(file.Path() + ": the stub would not find this archive's end record: of the " +
                    std::to_string(exact.size()) + " records that end at the end of the file it "
                    "takes the first, at offset " + std::to_string(end.pos) + ", and there: " +
                    std::string(refusal.what()).substr(file.Path().size() + 2));
    }
    layout.endRecordPos = end.pos;
    layout.archiveEnd = end.pos + kEndRecordSize + end.commentLength;
    layout.endRecord.assign(rec, rec + kEndRecordSize + end.commentLength);
    layout.trailingBytes = size - layout.archiveEnd;
    // A higher signature inside this record's comment is only text; one
    // after the archive's end may be the real record, damaged.
    if (candidates.back() + tailPos >= layout.archiveEnd)
      throw Refusal(file.Path() + ": more than one end of central directory record; "
                    "cannot tell which one is the archive's");
    layout.firstLocalPos = layout.entries[0].localPos;
    for (const CentralEntry& e : layout.entries)
      layout.firstLocalPos = std::min(layout.firstLocalPos, e.localPos);
    return layout;
  }
  throw Refusal(file.Path() + ": not a ZIP archive (no end of central directory record)");
}

void RebaseDirectory(ArchiveLayout& layout, int64_t shift) {
  size_t at = 0;
  for (size_t i = 0; i < layout.entries.size(); ++i) {
    uint8_t* h = &layout.central[at];
    Write32(h + kCentralLocalOffset,
                 (uint32_t)((int64_t)layout.entries[i].localPos + shift));
    at += kCentralHeaderSize + Read16(h + kCentralNameLength) +
          Read16(h + kCentralExtraLength) + Read16(h + kCentralCommentLength);
  }
  uint8_t* rec = layout.endRecord.data();
  Write16(rec + kEndEntriesOnDisk, (uint16_t)layout.entries.size());
  Write32(rec + kEndCentralSize, (uint32_t)layout.centralSize);
  Write32(rec + kEndCentralOffset, (uint32_t)((int64_t)layout.centralPos + shift));
}

LocalHeaderRecord LocalHeaderAt(const InputFile& file, uint64_t pos) {
  LocalHeaderRecord h;
  std::vector<uint8_t> bytes = file.ReadAt(pos, kLocalHeaderSize);
  std::memcpy(&h, bytes.data(), sizeof h);
  return h;
}
