// The test platform on the Linux stand-in: everything is observable.
#include "test_platform.h"

#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/host_control.h"
#include "platform/host_probes.h"


namespace test_platform {

namespace {

void Record(void* context, bool isWrite, HANDLE file, DWORD asked, DWORD done) {
  static_cast<std::vector<Io>*>(context)->push_back({isWrite, file, asked, done, HostCurrentCursor()});
}

}  // namespace

bool Observable() { return true; }
void Reset() { HostResetPlatform(); }
void SetModuleFileName(const std::string& windowsPath) { HostSetModuleFileName(windowsPath.c_str()); }
std::string CurrentFolder() {
  char cwd[4096];
  return WindowsPath(getcwd(cwd, sizeof cwd));
}
void SetEnvironment(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void UseLatinAnsiPage() {
  static uint16_t latin[128];
  for (int i = 0; i < 128; ++i) latin[i] = (uint16_t)(0x80 + i);
  HostSetAnsiCodePage(latin);
}

std::string WindowsPath(const std::string& nativePath) {
  char win[4096];
  if (!HostWindowsPath(nativePath.c_str(), win, sizeof win)) throw std::runtime_error("path " + nativePath);
  return win;
}

void RecordIo(std::vector<Io>* log) {
  if (log)
    HostSetIoObserver(Record, log);
  else
    HostSetIoObserver(nullptr, nullptr);
}

void LimitWrites(int64_t bytes) { HostLimitWrites(bytes); }
void FailAllocationsAfter(long allowed) { HostFailAllocationsAfter(allowed); }
void FailNextCloses(int count) { HostFailNextCloses(count); }
void MapDrive(char letter, const std::string& nativeFolder) { HostMapDrive(letter, nativeFolder.c_str()); }
LPCSTR CurrentCursor() { return HostCurrentCursor(); }
int CursorChanges() { return HostCursorChanges(); }

}  // namespace test_platform
