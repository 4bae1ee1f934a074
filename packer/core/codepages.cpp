// Conversion between UTF-8 and a single-byte code page.
#include "codepages.h"

#include <cstdio>

namespace {

char32_t FoldCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;           // Latin-1
  if (c >= 0x100 && c <= 0x137 && !(c & 1)) return c + 1;           // Latin Extended-A
  if (c >= 0x139 && c <= 0x148 && (c & 1)) return c + 1;
  if (c >= 0x14A && c <= 0x177 && !(c & 1)) return c + 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E && (c & 1)) return c + 1;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;        // Greek
  if (c >= 0x400 && c <= 0x40F) return c + 80;                      // Cyrillic
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x490 && c <= 0x4BF && !(c & 1)) return c + 1;
  return c;
}

}  // namespace

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

bool IsValidUtf8(const std::string& text) {
  char32_t cp;
  for (size_t at = 0; at < text.size();)
    if (!DecodeUtf8(text, at, cp)) return false;
  return true;
}

bool ToCodePage(const std::string& utf8, const CodePageTable& page, std::string& out,
                std::string& problem) {
  out.clear();
  for (size_t at = 0; at < utf8.size();) {
    char32_t cp;
    if (!DecodeUtf8(utf8, at, cp)) {
      problem = "not valid UTF-8";
      return false;
    }
    int byte = AnsiByteOf(cp, page.upper);
    if (byte < 0) {
      char text[96];
      std::snprintf(text, sizeof text, "the character U+%04X has no byte in Windows code page %d",
                    (unsigned)cp, page.number);
      problem = text;
      return false;
    }
    out += (char)byte;
  }
  return true;
}

std::u32string CharactersWithoutByte(const std::string& utf8, const CodePageTable& page) {
  std::u32string missing;
  char32_t cp;
  for (size_t at = 0; at < utf8.size() && DecodeUtf8(utf8, at, cp);)
    if (AnsiByteOf(cp, page.upper) < 0 && missing.find(cp) == std::u32string::npos) missing += cp;
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
