// The engine's own image headers for programs that run it on the stand-in as
// the stub: those of the file SetModuleFileName names, as the loader maps
// them.  mksfx and its tests name the file they examine instead
// (TakeImageHeaders), so this stands apart from the test platform.
#include "common/own_process.h"
#include "platform/platform.h"

const uint8_t* OwnImageHeaders() { return (const uint8_t*)GetModuleHandleA(nullptr); }
