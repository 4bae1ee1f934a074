// The records mksfx writes.
#include "zip_writer.h"

#include <ctime>

#include "errors.h"
#include "sfx_limits.h"
#include "common/pe_format.h"
#include "common/zip_format.h"

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back((uint8_t)v);
  b.push_back((uint8_t)(v >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}

void PutBytes(std::vector<uint8_t>& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
void PutBytes(std::vector<uint8_t>& b, const std::vector<uint8_t>& s) { b.insert(b.end(), s.begin(), s.end()); }

// The run of fields the local and the central header share, in their order:
// version needed, flags, method, time, CRC and both sizes.
void PutSharedFields(std::vector<uint8_t>& b, const ZipEntryHeader& e) {
  Put16(b, e.versionNeeded);
  Put16(b, e.flags);
  Put16(b, e.method);
  Put32(b, e.timeDate);
  Put32(b, e.crc);
  Put32(b, e.compressedSize);
  Put32(b, e.uncompressedSize);
}

// The shared fields' place in the local header, behind its signature.
const uint64_t kLocalSharedFields = 4;

// Throws Refusal when the self-extractor would reach past kLargestOutput
// with `end`; `entry` names the entry being written, or is nullptr.
void RequireFits(uint64_t end, const ZipEntryHeader* entry) {
  if (end > kLargestOutput)
    throw Refusal("the self-extractor would pass " + std::to_string(kLargestOutput) + " bytes, the most the stub reads" +
                  (entry ? ", at entry \"" + entry->name + "\"" : ""));
}

}  // namespace

void ZipWriter::Begin(const ZipEntryHeader& e) {
  if (count_ == kMaxEntries)
    throw Refusal("more than " + std::to_string(kMaxEntries) + " entries; the stub reads a 16-bit "
                  "entry count and mksfx writes no ZIP64 records");
  entryAt_ = out_.Written();
  RequireFits(entryAt_ + kLocalHeaderSize + e.name.size() + e.localExtra.size(), &e);
  sharedFields_.clear();
  PutSharedFields(sharedFields_, e);
  std::vector<uint8_t> h;
  Put32(h, kLocalHeaderSignature);
  PutBytes(h, sharedFields_);
  Put16(h, (uint16_t)e.name.size());
  Put16(h, (uint16_t)e.localExtra.size());
  PutBytes(h, e.name);
  PutBytes(h, e.localExtra);
  out_.Write(h);
}

void ZipWriter::End(const ZipEntryHeader& e) {
  uint64_t dataAt = entryAt_ + kLocalHeaderSize + e.name.size() + e.localExtra.size();
  if (out_.Written() - dataAt != e.compressedSize)
    throw Refusal("internal error: entry \"" + e.name + "\" has " + std::to_string(out_.Written() - dataAt) +
                  " bytes of data where its header says " + std::to_string(e.compressedSize));
  RequireFits(out_.Written() + (e.descriptor ? kDataDescriptorSize : 0), &e);
  std::vector<uint8_t> shared;
  PutSharedFields(shared, e);
  if (shared != sharedFields_) out_.WriteAt(entryAt_ + kLocalSharedFields, shared.data(), shared.size());
  if (e.descriptor) {
    std::vector<uint8_t> d;
    Put32(d, kDataDescriptorSignature);
    Put32(d, e.crc);
    Put32(d, e.compressedSize);
    Put32(d, e.uncompressedSize);
    out_.Write(d);
  }

  Put32(central_, kCentralHeaderSignature);
  Put16(central_, e.versionMadeBy);
  PutSharedFields(central_, e);
  Put16(central_, (uint16_t)e.name.size());
  Put16(central_, (uint16_t)e.centralExtra.size());
  Put16(central_, (uint16_t)e.comment.size());
  Put16(central_, 0);  // disk number start
  Put16(central_, e.internalAttributes);
  Put32(central_, e.externalAttributes);
  Put32(central_, (uint32_t)entryAt_);
  PutBytes(central_, e.name);
  PutBytes(central_, e.centralExtra);
  PutBytes(central_, e.comment);
  ++count_;
}

uint64_t ZipWriter::Finish(const std::vector<uint8_t>& comment) {
  uint64_t centralAt = out_.Written();
  uint64_t endAt = centralAt + central_.size();
  std::vector<uint8_t> end;
  Put32(end, kEndRecordSignature);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, (uint16_t)count_);
  Put16(end, (uint16_t)count_);
  Put32(end, (uint32_t)central_.size());
  Put32(end, (uint32_t)centralAt);
  Put16(end, (uint16_t)comment.size());
  PutBytes(end, comment);
  AlignEndRecord(end, endAt);
  RequireFits(endAt + end.size(), nullptr);
  out_.Write(central_);
  out_.Write(end);
  return endAt;
}

void AlignEndRecord(std::vector<uint8_t>& endRecord, uint64_t pos) {
  size_t comment = endRecord.size() - kEndRecordSize;
  for (int dropped = 0; dropped < kCertificateAlignment - 1 && comment > 0 && endRecord.back() == 0;
       ++dropped, --comment)
    endRecord.pop_back();
  size_t padding = (size_t)((kCertificateAlignment - (pos + endRecord.size()) % kCertificateAlignment) %
                            kCertificateAlignment);
  if (comment + padding > (size_t)kMaxCommentLength)
    throw Refusal("the archive comment of " + std::to_string(comment) + " bytes leaves no room for the " +
                  std::to_string(padding) + " zero bytes that end the self-extractor on a multiple of " +
                  std::to_string(kCertificateAlignment) + ", where a signer appends its certificate "
                  "table: the comment holds at most 65,535 bytes; shorten it");
  endRecord.resize(endRecord.size() + padding, 0);
  Write16(&endRecord[kEndCommentLength], (uint16_t)(comment + padding));
}

uint32_t DosTimeDate(int64_t unixTime, bool utc) {
  time_t t = (time_t)(unixTime + (unixTime & 1));
  struct tm tm = {};
  if (utc) ::gmtime_r(&t, &tm);
  else ::localtime_r(&t, &tm);
  if (tm.tm_year < 80) return (uint32_t)((1 << 5 | 1) << 16);  // 1980-01-01 00:00:00
  if (tm.tm_year > 207) {  // the last DOS date: 2107-12-31 23:59:58
    tm.tm_year = 207, tm.tm_mon = 11, tm.tm_mday = 31;
    tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  }
  uint32_t date = (uint32_t)((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
  uint32_t time = (uint32_t)(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
  return date << 16 | time;
}
