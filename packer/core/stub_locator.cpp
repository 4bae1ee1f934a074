// The stub's start-up code run on a finished self-extractor, and what mksfx
// answers the engine in the stub's place: the headers of the file examined
// as its own image's, and an end that unwinds instead of ending mksfx.
#include "stub_locator.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "certificate_table.h"
#include "common/own_process.h"
#include "common/pe_format.h"
#include "errors.h"
#include "startup/startup.h"
#ifndef _WIN32
#include "platform/host_control.h"
#endif

namespace {

// The first kMappedHeaderBytes of the file examined.
uint8_t imageHeaders[kMappedHeaderBytes];

}  // namespace

void EndProcess(UINT code) { throw EngineEnded{code}; }

const uint8_t* OwnImageHeaders() { return imageHeaders; }

void TakeImageHeaders(const InputFile& file) {
  std::vector<uint8_t> page = file.ReadSome(0, kMappedHeaderBytes);
  page.resize(kMappedHeaderBytes, 0);
  // The locator follows the headers' own offsets without a bound: a page
  // whose directory lies outside it is no image and reads as zeros.
  MapAsImagePage(page.data());
  std::copy(page.begin(), page.end(), imageHeaders);
}

#ifdef _WIN32
std::string EnginePath(const std::string& nativePath) { return nativePath; }
#else
std::string EnginePath(const std::string& nativePath) {
  char native[PATH_MAX];
  char windowsPath[PATH_MAX + 4];
  if (!::realpath(nativePath.c_str(), native) || !HostWindowsPath(native, windowsPath, sizeof windowsPath))
    throw Refusal(nativePath + ": cannot name the file for the engine");
  return windowsPath;
}
#endif

HANDLE OpenForEngine(const std::string& nativePath) {
  HANDLE file = CreateFileA(EnginePath(nativePath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Refusal(nativePath + ": cannot open");
  return file;
}

StubLocation LocateLikeTheStub(const InputFile& file) {
  RefuseSigned64BitImage(file);
  StubLocation where;
  ResetEngine();
  Engine.ArchiveFile = OpenForEngine(file.Path());
  TakeImageHeaders(file);
  try {
    // The locator alone first, as the configuration reader starts it, to see
    // where it leaves the block; then the whole reader.
    Engine.ArchiveStart = kDefaultArchiveStart;
    if (file.Size() > kStubImageSize) LocateArchive();
    int32_t blockAt = Engine.ArchiveStart;
    ReadConfigurationBlock();
    // The magic and a whole fixed part: one cut short by the end of the
    // file is no block to the stub.
    std::vector<uint8_t> fixed = file.ReadSome((uint64_t)blockAt, kBlockFixedSize);
    where.archiveFound = true;
    where.endRecordPos = (uint64_t)(int64_t)Engine.EndRecordAt;
    where.blockFound = fixed.size() == (size_t)kBlockFixedSize && IsBlockMagic(fixed.data());
    where.blockPos = blockAt;
    where.firstHeaderPos = Engine.ArchiveStart;
    CloseHandle(Engine.ArchiveFile);
  } catch (const EngineEnded& ended) {
    // The locator closes the file before it reports; the fatal report (the
    // heap exhausted while the block's texts are read) leaves it open.
    if (ended.code != kExitCannotProcess) CloseHandle(Engine.ArchiveFile);
  }
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  return where;
}
