// Texts: NUL-terminated ANSI strings in buffers of known capacity.
#pragma once

#include <stdint.h>

uint16_t StrLength(const char* text);

// Copies `text` to `to` from index `at`, cut to the buffer's `capacity`
// (terminator included), and terminates it; returns the new end index.
int AppendText(char* to, int at, int capacity, const char* text);

// The bytes of `buffer` up to `length` or the first NUL, as a NUL-terminated
// text in `result` (room for length + 1 bytes).
char* BufferToString(const char* buffer, uint16_t length, char* result);
