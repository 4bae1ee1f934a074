// Canonical composition (Unicode NFC) and decomposition, for converting
// UTF-8 names and texts to a single-byte code page: a name made on macOS is
// decomposed (NFD), "e" and U+0301 where Windows and the code pages hold
// "é".  The tables are generated from Python's unicodedata
// (nfc_tables.py), so both builds of mksfx normalise alike.  Hangul
// syllables, which no single-byte page holds, are left as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// `text` in NFC: decomposed, combining marks in canonical order, composed.
std::u32string ComposeCanonical(const std::u32string& text);

// The canonical decomposition of `c`, one level: `first` and `second` (0
// for a singleton such as U+212B ANGSTROM SIGN); false when there is none.
bool DecomposeCanonical(char32_t c, char32_t& first, char32_t& second);

namespace nfc_tables {
struct Decomposition {
  char32_t composite, first, second;  // sorted by composite
};
struct Composition {
  char32_t first, second, composite;  // sorted by first, then second
};
extern const Decomposition kDecompositions[];
extern const size_t kDecompositionCount;
extern const Composition kCompositions[];
extern const size_t kCompositionCount;
// Code point << 8 | its nonzero canonical combining class, sorted.
extern const uint32_t kCombiningClasses[];
extern const size_t kCombiningClassCount;
}  // namespace nfc_tables
