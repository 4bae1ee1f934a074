// Texts: lengths, copies cut to their buffers.
#include "text.h"

uint16_t StrLength(const char* text) {
  uint16_t n = 0;
  while (text[n]) ++n;
  return n;
}

int AppendText(char* to, int at, int capacity, const char* text) {
  while (*text && at < capacity - 1) to[at++] = *text++;
  to[at] = 0;
  return at;
}

char* BufferToString(const char* buffer, uint16_t length, char* result) {
  uint16_t n = 0;
  while (n < length && buffer[n]) {
    result[n] = buffer[n];
    ++n;
  }
  result[n] = 0;
  return result;
}
