// The test platform under Windows: the real system, nothing observable.
// Native paths are Windows paths already.
#include "test_platform.h"

#include <algorithm>

#include "common/own_process.h"

namespace test_platform {

bool Observable() { return false; }
void Reset() {}
void SetModuleFileName(const std::string&) {}
std::string CurrentFolder() {
  char folder[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  return std::string(folder, n < sizeof folder ? n : 0);
}
void SetEnvironment(const std::string& name, const std::string& value) {
  WCHAR wide[1024];
  if (!MultiByteToWideChar(CP_UTF8, 0, value.c_str(), -1, wide, 1024)) wide[0] = 0;
  WCHAR wideName[256];
  MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, wideName, 256);
  SetEnvironmentVariableW(wideName, wide);
}

void UseLatinAnsiPage() {}

std::string WindowsPath(const std::string& nativePath) {
  std::string p = nativePath;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

void RecordIo(std::vector<Io>*) {}
void LimitWrites(int64_t) {}
void FailAllocationsAfter(long) {}
void FailNextCloses(int) {}
void MapDrive(char, const std::string&) {}
LPCSTR CurrentCursor() { return nullptr; }
int CursorChanges() { return 0; }

}  // namespace test_platform

// The headers of the test program itself, as the stub reads its own.
const uint8_t* OwnImageHeaders() { return (const uint8_t*)GetModuleHandleA(nullptr); }
