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

extern "C" void __stdcall Start() {
  HInstance = GetModuleHandleA(nullptr);
  RunSelfExtractor();
  ExitProcess(0);
}
