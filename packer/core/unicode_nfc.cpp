// Canonical decomposition, ordering and composition (Unicode's NFC
// algorithm, UAX #15), over the generated tables.
#include "unicode_nfc.h"

#include <algorithm>

using namespace nfc_tables;

namespace {

uint8_t CombiningClass(char32_t c) {
  const uint32_t* end = kCombiningClasses + kCombiningClassCount;
  const uint32_t* at = std::lower_bound(kCombiningClasses, end, (uint32_t)c << 8);
  return at != end && *at >> 8 == c ? (uint8_t)*at : 0;
}

// The primary composite of the pair, or 0.
char32_t Compose(char32_t first, char32_t second) {
  const Composition* end = kCompositions + kCompositionCount;
  const Composition* at = std::lower_bound(kCompositions, end, Composition{first, second, 0},
                                           [](const Composition& a, const Composition& b) {
                                             return a.first != b.first ? a.first < b.first : a.second < b.second;
                                           });
  return at != end && at->first == first && at->second == second ? at->composite : 0;
}

void DecomposeFully(char32_t c, std::u32string& out) {
  char32_t first, second;
  if (!DecomposeCanonical(c, first, second)) {
    out += c;
    return;
  }
  DecomposeFully(first, out);
  if (second) DecomposeFully(second, out);
}

}  // namespace

bool DecomposeCanonical(char32_t c, char32_t& first, char32_t& second) {
  const Decomposition* end = kDecompositions + kDecompositionCount;
  const Decomposition* at = std::lower_bound(kDecompositions, end, c, [](const Decomposition& d, char32_t key) {
    return d.composite < key;
  });
  if (at == end || at->composite != c) return false;
  first = at->first;
  second = at->second;
  return true;
}

std::u32string ComposeCanonical(const std::u32string& text) {
  std::u32string d;
  for (char32_t c : text) DecomposeFully(c, d);
  // Canonical order: each run of combining marks sorted by class, stably.
  for (size_t i = 1; i < d.size(); ++i)
    for (size_t j = i; j > 0 && CombiningClass(d[j]) && CombiningClass(d[j - 1]) > CombiningClass(d[j]); --j)
      std::swap(d[j - 1], d[j]);
  // Each character joins the last starter unless a character between them
  // blocks it: one of class 0, or of a class not below its own.
  std::u32string out;
  size_t starter = std::u32string::npos;
  for (char32_t c : d) {
    uint8_t cc = CombiningClass(c);
    if (starter != std::u32string::npos) {
      uint8_t last = CombiningClass(out.back());
      bool adjacent = out.size() - 1 == starter;
      char32_t composite = adjacent || (last && last < cc) ? Compose(out[starter], c) : 0;
      if (composite) {
        out[starter] = composite;
        continue;
      }
    }
    if (cc == 0) starter = out.size();
    out += c;
  }
  return out;
}
