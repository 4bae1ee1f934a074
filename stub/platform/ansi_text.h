// UTF-8 and the bytes of a Windows single-byte ("ANSI") code page, for the
// Linux stand-in's file names and for mksfx's names, texts and passwords:
// one rule for both, so that what mksfx writes and what its extract finds on
// disk agree.  Never part of the stub: Windows converts there.
//
// A page is given by `highBytes`: the code points of bytes 0x80-0xFF, 0 for
// a byte the page leaves undefined.  Such a byte stands for the code point
// of its own value (0x81 for U+0081), as Windows maps the five holes of
// 1252, and that code point maps back to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes the UTF-8 sequence at `at` into `cp` and moves `at` past it; false
// (with `at` unmoved) for a malformed or overlong sequence or a surrogate.
inline bool DecodeUtf8(const std::string& text, size_t& at, char32_t& cp) {
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

inline void AppendUtf8(std::string& out, char32_t cp) {
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

// The byte of `cp` in the page, or -1.  128 comparisons at most: names and
// texts are short, and a reverse table would cost 64 KiB per page.
inline int AnsiByteOf(char32_t cp, const uint16_t* highBytes) {
  if (cp < 0x80) return (int)cp;
  for (int i = 0; i < 128; ++i)
    if (highBytes[i] == cp) return 0x80 + i;
  if (cp <= 0xFF && highBytes[cp - 0x80] == 0) return (int)cp;
  return -1;
}

// Bytes of the page as UTF-8; never fails.
inline std::string AnsiToUtf8(const std::string& bytes, const uint16_t* highBytes) {
  std::string utf8;
  for (unsigned char c : bytes)
    AppendUtf8(utf8, c < 0x80 || !highBytes[c - 0x80] ? (char32_t)c : (char32_t)highBytes[c - 0x80]);
  return utf8;
}

// The code point as Windows compares names, case folded, for the letters
// of the single-byte pages: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic.  Only equality of folded names counts; other scripts compare
// exactly, a limit of this rule, not of Windows.
inline char32_t FoldCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1
  // Latin Extended-A pairs an upper and a lower case letter, the upper one
  // even or odd by range; 0x130, 0x131, 0x138, 0x149 and 0x17F have no pair.
  if (((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137)) && !(c & 1)) return c + 1;
  if (c >= 0x139 && c <= 0x148 && (c & 1)) return c + 1;
  if (c >= 0x14A && c <= 0x177 && !(c & 1)) return c + 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E && (c & 1)) return c + 1;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x400 && c <= 0x40F) return c + 80;                // Cyrillic
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x490 && c <= 0x4BF && !(c & 1)) return c + 1;
  return c;
}
