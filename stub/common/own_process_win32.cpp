// The stub's answers to the engine: its own process and image.
#include "own_process.h"

void EndProcess(UINT code) { ExitProcess(code); }

const uint8_t* OwnImageHeaders() { return (const uint8_t*)GetModuleHandleA(nullptr); }
