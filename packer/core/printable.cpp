// Escaping of what mksfx prints.
#include "printable.h"

#include <cstdio>

#include "codepages.h"

std::string Printable(const std::string& text, bool keepLineBreaks) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    size_t start = at;
    char32_t cp;
    char escape[8];
    if (!DecodeUtf8(text, at, cp)) {
      std::snprintf(escape, sizeof escape, "\\x%02X", (unsigned char)text[at++]);
      shown += escape;
    } else if ((cp < 0x20 && !(keepLineBreaks && cp == '\n')) || cp == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", (unsigned)cp);
      shown += escape;
    } else if (cp >= 0x80 && cp <= 0x9F) {
      std::snprintf(escape, sizeof escape, "\\u%04X", (unsigned)cp);
      shown += escape;
    } else {
      shown.append(text, start, at - start);
    }
  }
  return shown;
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
  return text;
}
