// Where the stub will look for its archive, for the Windows build of mksfx.
// The Linux build runs the stub's own start-up code through its stand-in
// (stub_locator.cpp); here that code would show its message box and end the
// process, so the same rules are followed on mksfx's own reading of the
// archive, which takes the end record the stub takes.
#include <windows.h>

#include "archive_layout.h"
#include "certificate_table.h"
#include "errors.h"
#include "startup/startup.h"
#include "stub_locator.h"
#include "common/zip_format.h"

static_assert(kStubImageSize == (uint32_t)kDefaultArchiveStart, "the stub's own default");

// The stub's settings are not read in this build: nothing to reset.
void ResetSettings() {}

std::string EnginePath(const std::string& nativePath) { return nativePath; }

StubLocation LocateLikeTheStub(const InputFile& file) {
  // Refused as the Linux build refuses it, whose stand-in cannot replay it.
  RefuseSigned64BitImage(file);
  StubLocation where;
  where.firstHeaderPos = kStubImageSize;
  if (file.Size() <= kStubImageSize) return where;
  ArchiveLayout layout;
  try {
    layout = ReadArchiveLayout(file);
  } catch (const Refusal&) {
    return where;
  }
  // The stub takes only a record that ends where the archive must (at the
  // certificate table of a signed file), with absolute offsets.
  if (layout.trailingBytes != 0 || layout.base != 0) return where;
  where.archiveFound = true;
  where.endRecordPos = layout.endRecordPos;
  if (layout.firstLocalPos < 2) return where;
  std::vector<uint8_t> word = file.ReadAt(layout.firstLocalPos - 2, 2);
  uint16_t length = Read16(word.data());
  if (length == 0 || length > layout.firstLocalPos) return where;
  int64_t blockAt = (int64_t)layout.firstLocalPos - length;
  std::vector<uint8_t> fixed = file.ReadSome((uint64_t)blockAt, (size_t)kBlockFixedSize);
  if (fixed.size() == (size_t)kBlockFixedSize && IsBlockMagic(fixed.data())) {
    where.blockFound = true;
    where.blockPos = blockAt;
    where.firstHeaderPos = (int64_t)layout.firstLocalPos;
  }
  return where;
}
