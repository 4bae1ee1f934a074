// The stub's start-up code run on a finished self-extractor.
#include "stub_locator.h"

#include <climits>
#include <cstdlib>

#include "certificate_table.h"
#include "errors.h"
#include "platform/host_control.h"
#include "startup/startup.h"

static_assert(kStubImageSize == (uint32_t)kDefaultArchiveStart, "the stub's own default");

namespace {

// The locator ends the process when it finds no archive; here that ends the
// search by unwinding back to LocateLikeTheStub.  The locator has released its
// buffer and closed the file by then.
struct ArchiveNotFound {};

void ThrowOnExit(UINT) { throw ArchiveNotFound(); }

}  // namespace

std::string EnginePath(const std::string& nativePath) {
  char native[PATH_MAX];
  char windowsPath[PATH_MAX + 4];
  if (!::realpath(nativePath.c_str(), native) || !HostWindowsPath(native, windowsPath, sizeof windowsPath))
    throw Refusal(nativePath + ": cannot name the file for the engine");
  return windowsPath;
}

StubLocation LocateLikeTheStub(const InputFile& file) {
  RefuseSigned64BitImage(file);
  StubLocation where;
  ResetStartupState();
  std::string enginePath = EnginePath(file.Path());
  ArchiveFile = CreateFileA(enginePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ArchiveFile == INVALID_HANDLE_VALUE) throw Refusal(file.Path() + ": cannot open");
  // The locator reads the image's own headers, as the loader mapped them,
  // for where a signer's certificate table begins: those of this file.
  HostSetModuleFileName(enginePath.c_str());
  HostSetExitHook(ThrowOnExit);
  try {
    // The locator alone first, as the configuration reader starts it, to see
    // where it leaves the block; then the whole reader.
    ArchiveStart = kDefaultArchiveStart;
    if (file.Size() > kStubImageSize) LocateArchive();
    int32_t blockAt = ArchiveStart;
    ReadConfigurationBlock();
    // The magic and a whole fixed part: one cut short by the end of the
    // file is no block to the stub.
    std::vector<uint8_t> fixed = file.ReadSome((uint64_t)blockAt, kBlockFixedSize);
    where.archiveFound = true;
    where.endRecordPos = (uint64_t)(int64_t)EndRecordAt;
    where.blockFound = fixed.size() == (size_t)kBlockFixedSize && IsBlockMagic(fixed.data());
    where.blockPos = blockAt;
    where.firstHeaderPos = ArchiveStart;
    CloseHandle(ArchiveFile);
  } catch (const ArchiveNotFound&) {
  }
  ResetStartupState();
  HostSetExitHook(nullptr);
  HostSetModuleFileName(nullptr);
  return where;
}
