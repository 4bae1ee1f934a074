// What the tests ask of the platform beyond the Win32 calls the engine makes:
// observing its file I/O and cursor, injecting faults, and setting up paths.
//
// The Linux stand-in provides all of it.  Under Windows (the cross-built
// tests under Wine) the I/O pattern, the cursor and the faults are not
// observable: Observable() is false, the recording and fault calls do
// nothing, and a test that rests on them starts with SKIP_UNLESS_OBSERVABLE.
// No test framework inside: the fuzz target and the benchmark use it too.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace test_platform {

// True where the calls below the paths take effect (the Linux stand-in).
bool Observable();

// The platform as a process finds it: no faults, no recording, the current
// folder and drive mapping of the start (nothing to do on Windows).
void Reset();

// What GetModuleFileNameA reports to the engine (Windows keeps reporting the
// test program itself).
void SetModuleFileName(const std::string& windowsPath);

// Sets a variable of the process environment, `value` in UTF-8, as the
// engine's ExpandEnvironmentStringsW reads it.
void SetEnvironment(const std::string& name, const std::string& value);

// An ANSI code page in which bytes 0x80-0xFF are U+0080-U+00FF, as the
// engine's conversions take it: what 1252, Windows' own under the tests'
// Wine, also gives for every character the tests use (nothing to do there).
void UseLatinAnsiPage();

// The current folder as the engine's relative paths start from it (Windows
// form, no trailing "\" but at a drive root).
std::string CurrentFolder();

// The Windows path of a native one, as the engine's calls take it.
std::string WindowsPath(const std::string& nativePath);

// One ReadFile or WriteFile on a file, after the call: the count asked for,
// the count done and the cursor up at that moment.
struct Io {
  bool isWrite;
  HANDLE file;
  DWORD asked;
  DWORD done;
  LPCSTR cursor;
};

// Appends every file read and write to `log` (nullptr stops).
void RecordIo(std::vector<Io>* log);

// WriteFile writes at most `bytes` more bytes in all, then reports a full
// disk (-1: no limit).
void LimitWrites(int64_t bytes);
// `allowed` heap allocations succeed and every later one fails (-1: never).
void FailAllocationsAfter(long allowed);
// CloseHandle fails (after closing) for the next `count` files opened for
// writing.
void FailNextCloses(int count);
// Maps drive `letter` to a native folder.
void MapDrive(char letter, const std::string& nativeFolder);

// The cursor SetCursor last received (IDC_ARROW, IDC_WAIT or nullptr), and
// the SetCursor calls since Reset.
LPCSTR CurrentCursor();
int CursorChanges();

}  // namespace test_platform

#define SKIP_UNLESS_OBSERVABLE()    \
  if (!test_platform::Observable()) \
  GTEST_SKIP() << "the platform does not show this under Windows"
