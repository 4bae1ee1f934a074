// Conversion between UTF-8 and a single-byte code page, and the escaping of
// what mksfx prints.
#include "codepages.h"

#include <cstdio>

#include "unicode_nfc.h"

const CodePageTable* FindCodePage(int number) {
  for (size_t i = 0; i < codepage_tables::kPageCount; ++i)
    if (codepage_tables::kPages[i].number == number) return &codepage_tables::kPages[i];
  return nullptr;
}

std::string CodePageList() {
  std::string list;
  for (size_t i = 0; i < codepage_tables::kPageCount; ++i)
    list += (i ? ", " : "") + std::to_string(codepage_tables::kPages[i].number);
  return list;
}

bool IsValidUtf8(const std::string& text) { return FirstInvalidUtf8(text) == std::string::npos; }

size_t FirstInvalidUtf8(const std::string& text) {
  char32_t cp;
  for (size_t at = 0; at < text.size();)
    if (!DecodeUtf8(text, at, cp)) return at;
  return std::string::npos;
}

namespace {

// Appends the byte of `c`, or where the page has none, the bytes of its
// canonical decomposition (Windows-1258 holds "ư" and U+0301, not "ứ").
bool AppendInPage(char32_t c, const CodePageTable& page, std::string& out) {
  int byte = AnsiByteOf(c, page.upper);
  if (byte >= 0) {
    out += (char)byte;
    return true;
  }
  char32_t first, second;
  return DecomposeCanonical(c, first, second) && AppendInPage(first, page, out) &&
         (!second || AppendInPage(second, page, out));
}

// `utf8`, well-formed, as code points in NFC.
std::u32string Normalised(const std::string& utf8) {
  std::u32string text;
  char32_t cp;
  for (size_t at = 0; at < utf8.size() && DecodeUtf8(utf8, at, cp);) text += cp;
  return ComposeCanonical(text);
}

}  // namespace

bool ToCodePage(const std::string& utf8, const CodePageTable& page, std::string& out,
                std::string& problem) {
  out.clear();
  if (!IsValidUtf8(utf8)) {
    problem = "not valid UTF-8";
    return false;
  }
  for (char32_t cp : Normalised(utf8)) {
    if (AppendInPage(cp, page, out)) continue;
    char text[96];
    std::snprintf(text, sizeof text, "the character U+%04X has no byte in Windows code page %d",
                  (unsigned)cp, page.number);
    problem = text;
    return false;
  }
  return true;
}

std::u32string CharactersWithoutByte(const std::string& utf8, const CodePageTable& page) {
  std::u32string missing;
  std::string bytes;
  for (char32_t cp : Normalised(utf8))
    if (!AppendInPage(cp, page, bytes) && missing.find(cp) == std::u32string::npos) missing += cp;
  return missing;
}

std::string FromCodePage(const std::string& bytes, const CodePageTable& page) {
  return AnsiToUtf8(bytes, page.upper);
}

std::u32string FoldCase(const std::string& utf8) {
  std::u32string folded;
  for (size_t at = 0; at < utf8.size();) {
    char32_t cp;
    if (!DecodeUtf8(utf8, at, cp)) cp = (unsigned char)utf8[at++];
    folded += FoldCodePoint(cp);
  }
  return folded;
}

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
