// Names, texts and passwords from UTF-8 (as Linux, the command line and text
// files give them) to the single-byte ANSI code page that the stub's Windows
// calls read, and back for showing them; the DOS page 437 of ZIP names; and
// the case folding Windows applies when it compares file names; and texts
// as mksfx prints them, where a name is data that a terminal must not take
// for a command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ansi_text.h"

struct CodePageTable {
  int number;              // 1252 for Windows-1252
  const uint16_t* upper;   // code points of bytes 0x80-0xFF, 0 = undefined
};

namespace codepage_tables {
extern const CodePageTable kPages[];
extern const size_t kPageCount;
// Page 437, not an ANSI page: ZIP names without the UTF-8 flag are in it.
extern const CodePageTable kZipPage;
}  // namespace codepage_tables

// The code page the stub reads names in when nothing else is asked for.
const int kDefaultCodePage = 1252;

// nullptr when `number` is not one of the Windows single-byte pages.
const CodePageTable* FindCodePage(int number);

// "874, 1250, ..., 1258", for messages.
std::string CodePageList();

// Whether `text` is well-formed UTF-8.
bool IsValidUtf8(const std::string& text);
// Where the first byte that is not part of well-formed UTF-8 lies, or npos.
size_t FirstInvalidUtf8(const std::string& text);

// Converts `utf8`, in NFC (unicode_nfc.h), into `out`, a byte for each
// character, or where the page has none, for each part of its canonical
// decomposition.  On failure returns false and leaves the reason in
// `problem`: bytes that are not UTF-8, or the first character the page
// cannot represent.
bool ToCodePage(const std::string& utf8, const CodePageTable& page, std::string& out,
                std::string& problem);

// The characters of `utf8`, in NFC, that ToCodePage finds no bytes for,
// each once, in the order they first appear; empty for a text that converts.  `utf8` is
// well-formed.
std::u32string CharactersWithoutByte(const std::string& utf8, const CodePageTable& page);

// Bytes of the page as UTF-8; never fails.  A byte the page leaves undefined
// stands for the code point of its own value (U+0081 for 0x81), as Windows
// maps the five holes of 1252, and ToCodePage maps such a code point back.
std::string FromCodePage(const std::string& bytes, const CodePageTable& page);

// The text with every letter folded to lower case as Windows compares file
// names (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals), in
// code points; names that fold alike name one file on Windows.
std::u32string FoldCase(const std::string& utf8);

// `text`, UTF-8, with everything a terminal could act on written out:
//   - the C0 controls U+0000-U+001F and DEL U+007F as \xNN;
//   - the C1 controls U+0080-U+009F (ESC's 8-bit forms, CSI among them)
//     as \uNNNN;
//   - a byte that is not part of well-formed UTF-8 as \xNN.
// Everything else, the backslash included, stands as it is.  With
// `keepLineBreaks` "\n" stays, for messages of several lines.
std::string Printable(const std::string& text, bool keepLineBreaks = false);

// "0x5400": a position in a file, for messages.
std::string Hex(uint64_t value);
