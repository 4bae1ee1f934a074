// The stub's entry point and the two runtime helpers gcc calls by itself.
// Nothing runs before Start(): there is no C runtime and no static
// constructor; module state is constant-initialised.
#include "startup.h"

// gcc turns byte loops into calls to these; keep it from turning their own
// loops into calls to themselves.
#define SFX_NO_LIBCALLS __attribute__((optimize("no-tree-loop-distribute-patterns")))

extern "C" SFX_NO_LIBCALLS void* memcpy(void* to, const void* from, size_t n) {
  unsigned char* d = (unsigned char*)to;
  const unsigned char* s = (const unsigned char*)from;
  while (n--) *d++ = *s++;
  return to;
}

extern "C" SFX_NO_LIBCALLS void* memmove(void* to, const void* from, size_t n) {
  unsigned char* d = (unsigned char*)to;
  const unsigned char* s = (const unsigned char*)from;
  if (d < s) {
    while (n--) *d++ = *s++;
  } else {
    while (n--) d[n] = s[n];
  }
  return to;
}

extern "C" SFX_NO_LIBCALLS void* memset(void* to, int value, size_t n) {
  unsigned char* d = (unsigned char*)to;
  while (n--) *d++ = (unsigned char)value;
  return to;
}

// LOAD_LIBRARY_SEARCH_SYSTEM32, for headers that predate it.
const DWORD kSearchSystemFolderOnly = 0x00000800;

typedef BOOL(WINAPI* SetDefaultDllDirectoriesCall)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryCall)(LPCSTR);

// Self-extractors run from download folders full of other files: a DLL
// there named like one that a dialog loads later (a theme or shell helper)
// must not be loaded.  Where the system can, every later load searches the
// system folder only; older systems at least leave out the current folder.
// Both calls are looked up at run time, as they are absent on old systems.
static void RestrictDllSearch() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SetDefaultDllDirectoriesCall setDefault =
      (SetDefaultDllDirectoriesCall)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
  if (setDefault && setDefault(kSearchSystemFolderOnly)) return;
  SetDllDirectoryCall setDllDirectory = (SetDllDirectoryCall)(void*)GetProcAddress(kernel, "SetDllDirectoryA");
  if (setDllDirectory) setDllDirectory("");
}

extern "C" void __stdcall Start() {
  RestrictDllSearch();
  Engine.HInstance = GetModuleHandleA(nullptr);
  RunSelfExtractor(GetCommandLineW());
  ExitProcess(Engine.ExitCode);
}
