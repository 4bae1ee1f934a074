// The stub's archive search and block lookup, replayed with 64-bit positions
// on a file that mksfx has checked to stay below 2 GiB.
#include "stub_locator.h"

#include <algorithm>

#include "startup/startup.h"
#include "zip_records.h"

static_assert(kStubImageSize == (uint32_t)kDefaultArchiveStart, "the stub's own default");

namespace {

using zip::Read16;
using zip::Read32;

bool IsMagic(const std::vector<uint8_t>& b) {
  return b.size() == 3 && b[0] == 'M' && b[1] == 'P' && b[2] == 'U';
}

// The central walk: entry-count signatures and the smallest (signed) local
// header offset.  False when a signature is wrong.
bool WalkCentral(const InputFile& file, uint32_t centralOffset, uint16_t count, int32_t& smallest) {
  // The stub's CentralHeader starts zeroed and keeps what a short read leaves.
  std::vector<uint8_t> header(zip::kCentralHeaderSize, 0);
  uint64_t pos = centralOffset;
  auto readHeader = [&]() {
    std::vector<uint8_t> got = file.ReadSome(pos, zip::kCentralHeaderSize);
    std::copy(got.begin(), got.end(), header.begin());
    pos += got.size();
  };
  readHeader();
  smallest = (int32_t)Read32(&header[zip::kCentralLocalOffset]);
  for (unsigned i = 0; i < count; ++i) {
    if (Read32(header.data()) != zip::kCentralHeaderSignature) return false;
    int32_t offset = (int32_t)Read32(&header[zip::kCentralLocalOffset]);
    if (offset < smallest) smallest = offset;
    pos += (uint64_t)Read16(&header[zip::kCentralNameLength]) + Read16(&header[zip::kCentralExtraLength]) +
           Read16(&header[zip::kCentralCommentLength]);
    readHeader();
  }
  return true;
}

}  // namespace

StubLocation LocateLikeTheStub(const InputFile& file) {
  StubLocation where;
  int64_t size = (int64_t)file.Size();
  int64_t archiveStart = kStubImageSize;
  uint16_t blockLength = 0;
  if (size > archiveStart) {
    int64_t window = size - archiveStart;
    if (window > kStubSearchWindow) window = kStubSearchWindow;
    if (window <= (int64_t)zip::kEndRecordSize) return where;
    int64_t windowPos = size - window;
    std::vector<uint8_t> buf = file.ReadAt((uint64_t)windowPos, (size_t)window);
    int64_t found = -1;
    for (int64_t i = 0; i <= window - (int64_t)zip::kEndRecordSize; ++i) {
      if (Read32(&buf[i]) == zip::kEndRecordSignature &&
          windowPos + i + (int64_t)zip::kEndRecordSize + Read16(&buf[i + zip::kEndCommentLength]) ==
              size) {
        found = i;
        break;
      }
    }
    if (found < 0) return where;
    where.endRecordPos = (uint64_t)(windowPos + found);
    int32_t smallest = 0;
    if (!WalkCentral(file, Read32(&buf[found + zip::kEndCentralOffset]),
                     Read16(&buf[found + zip::kEndEntriesTotal]), smallest))
      return where;
    if (smallest > 0) {
      std::vector<uint8_t> word = file.ReadSome((uint64_t)smallest - 2, 2);
      if (word.size() == 2) blockLength = Read16(word.data());
      int64_t candidate = (int64_t)smallest - blockLength;
      if (candidate > 0 && IsMagic(file.ReadSome((uint64_t)candidate, 3))) archiveStart = candidate;
    }
  }
  where.archiveFound = true;
  std::vector<uint8_t> magic = file.ReadSome((uint64_t)archiveStart, 3);
  if (magic.size() < 3) {
    where.firstHeaderPos = archiveStart;
    return where;
  }
  if (!IsMagic(magic)) {
    where.firstHeaderPos = archiveStart + blockLength;
    return where;
  }
  where.blockFound = true;
  where.blockPos = archiveStart;
  std::vector<uint8_t> lengths = file.ReadSome((uint64_t)archiveStart + 4, 6);
  if (lengths.size() < 6) return where;
  int64_t texts = lengths[0] + lengths[1] + lengths[2] + Read16(&lengths[3]) + lengths[5];
  where.firstHeaderPos = archiveStart + (int64_t)kBlockFixedSize + texts + 2;
  return where;
}
