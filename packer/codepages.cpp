// Conversion between UTF-8 and a single-byte code page.
#include "codepages.h"

#include <cstdio>

namespace {

// The byte of `cp` in the page, or -1.  128 comparisons at most: names and
// texts are short, and a reverse table would cost 64 KiB per page.
int ByteOf(char32_t cp, const CodePageTable& page) {
  if (cp < 0x80) return (int)cp;
  for (int i = 0; i < 128; ++i)
    if (page.upper[i] == cp) return 0x80 + i;
  if (cp <= 0xFF && page.upper[cp - 0x80] == 0) return (int)cp;
  return -1;
}

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

bool DecodeUtf8(const std::string& text, size_t& at, char32_t& cp) {
  unsigned char lead = (unsigned char)text[at];
  int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
  if (extra < 0 || at + (size_t)extra >= text.size()) return false;
  cp = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
  for (int i = 1; i <= extra; ++i) {
    unsigned char c = (unsigned char)text[at + (size_t)i];
    if ((c >> 6) != 2) return false;
    cp = cp << 6 | (c & 0x3F);
  }
  static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  at += (size_t)extra + 1;
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += (char)cp;
  } else if (cp < 0x800) {
    out += (char)(0xC0 | cp >> 6);
    out += (char)(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += (char)(0xE0 | cp >> 12);
    out += (char)(0x80 | (cp >> 6 & 0x3F));
    out += (char)(0x80 | (cp & 0x3F));
  } else {
    out += (char)(0xF0 | cp >> 18);
    out += (char)(0x80 | (cp >> 12 & 0x3F));
    out += (char)(0x80 | (cp >> 6 & 0x3F));
    out += (char)(0x80 | (cp & 0x3F));
  }
}

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
    int byte = ByteOf(cp, page);
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
    if (ByteOf(cp, page) < 0 && missing.find(cp) == std::u32string::npos) missing += cp;
  return missing;
}

std::string FromCodePage(const std::string& bytes, const CodePageTable& page) {
  std::string utf8;
  for (unsigned char c : bytes)
    AppendUtf8(utf8, c < 0x80 || !page.upper[c - 0x80] ? (char32_t)c : (char32_t)page.upper[c - 0x80]);
  return utf8;
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
