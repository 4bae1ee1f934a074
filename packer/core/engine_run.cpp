// One run of the stub's engine on a file examined, and what mksfx answers
// the engine in the stub's place: the file's headers as its own image's, and
// an end that unwinds instead of ending mksfx.
#include <climits>
#include <cstdlib>

#include "errors.h"
#include "stub_engine.h"

namespace {

// The first kMappedHeaderBytes of the file examined, as the loader maps them.
uint8_t imageHeaders[kMappedHeaderBytes];

// The path under which the engine's file calls reach `nativePath`: on Linux
// the stand-in's name for it, on Windows the path itself.
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

}  // namespace

void EndProcess(UINT code) {
  // The stub ends with "Cannot process file." only once it has closed its
  // own file (the fatal report leaves it open).
  if (code == kExitCannotProcess) Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  throw EngineEnded{code};
}

const uint8_t* OwnImageHeaders() { return imageHeaders; }

void TakeImageHeaders(const InputFile& file) {
  std::vector<uint8_t> page = file.ReadSome(0, kMappedHeaderBytes);
  page.resize(kMappedHeaderBytes, 0);
  // The locator follows the headers' own offsets without a bound: a page
  // whose directory lies outside it is no image and reads as zeros.
  MapAsImagePage(page.data());
  std::copy(page.begin(), page.end(), imageHeaders);
}

HANDLE OpenForEngine(const std::string& nativePath) {
  HANDLE file = CreateFileA(EnginePath(nativePath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Refusal(nativePath + ": cannot open");
  return file;
}

void EnsureCrcTable() {
  if (Engine.CrcTable) return;
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
}

EngineRun::EngineRun(const InputFile& file, std::vector<std::string>* messages) {
  ResetEngine();
  EnsureCrcTable();
  TakeImageHeaders(file);
  Engine.ArchiveFile = OpenForEngine(file.Path());
  TakenMessages = messages;
}

EngineRun::~EngineRun() {
  if (Engine.ArchiveFile != INVALID_HANDLE_VALUE) CloseHandle(Engine.ArchiveFile);
  TakenMessages = nullptr;
  ResetEngine();
}
