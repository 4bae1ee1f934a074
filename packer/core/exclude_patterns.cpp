// Matching entry paths against --exclude patterns.
#include "exclude_patterns.h"

#include "errors.h"
#include "platform/ansi_text.h"

namespace {

// Bytes that are not UTF-8 stand for themselves, above every code point, so
// that they match only themselves.
const char32_t kRawByteBase = 0x110000;

std::u32string Decode(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    if (!DecodeUtf8(text, i, c)) c = kRawByteBase + (uint8_t)text[i++];
    out += c;
  }
  return out;
}

std::vector<std::u32string> Split(const std::u32string& path) {
  std::vector<std::u32string> parts;
  size_t start = 0;
  for (size_t slash; (slash = path.find(U'/', start)) != std::u32string::npos; start = slash + 1)
    parts.push_back(path.substr(start, slash - start));
  parts.push_back(path.substr(start));
  return parts;
}

// Matches the set that opens at pattern[p] ("[") against c.  Returns the
// position after the closing "]", or p when the set is not closed (the "["
// is then an ordinary character).
size_t MatchSet(const std::u32string& pattern, size_t p, char32_t c, bool& matched) {
  size_t i = p + 1;
  bool negated = i < pattern.size() && (pattern[i] == U'!' || pattern[i] == U'^');
  if (negated) ++i;
  bool in = false;
  for (bool first = true; i < pattern.size() && (first || pattern[i] != U']'); first = false) {
    char32_t low = pattern[i++];
    if (low == U'\\' && i < pattern.size()) low = pattern[i++];
    char32_t high = low;
    if (i + 1 < pattern.size() && pattern[i] == U'-' && pattern[i + 1] != U']') {
      high = pattern[i + 1];
      i += 2;
      if (high == U'\\' && i < pattern.size()) high = pattern[i++];
    }
    in |= low <= c && c <= high;
  }
  if (i >= pattern.size()) return p;
  matched = in != negated;
  return i + 1;
}

// Matches the token at pattern[p] (not "*") against c; returns the position
// of the next token.
size_t MatchToken(const std::u32string& pattern, size_t p, char32_t c, bool& matched) {
  if (pattern[p] == U'?') {
    matched = true;
    return p + 1;
  }
  if (pattern[p] == U'[') {
    size_t next = MatchSet(pattern, p, c, matched);
    if (next != p) return next;
  }
  if (pattern[p] == U'\\' && p + 1 < pattern.size()) ++p;
  matched = pattern[p] == c;
  return p + 1;
}

// Whether one "/"-free component `name` matches `pattern`.
bool MatchComponent(const std::u32string& pattern, const std::u32string& name) {
  // Greedy with one way back: to the last "*", taking one more character.
  // Every other token takes exactly one character, so this finds a match
  // when there is one.
  size_t p = 0, n = 0, starP = std::u32string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      starP = ++p;
      starN = n;
      continue;
    }
    bool matched = false;
    size_t next = p < pattern.size() ? MatchToken(pattern, p, name[n], matched) : p;
    if (matched) {
      p = next;
      ++n;
    } else if (starP != std::u32string::npos) {
      p = starP;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

ExcludePatterns::ExcludePatterns(const std::vector<std::string>& patterns) {
  for (const std::string& text : patterns) {
    std::u32string rest = Decode(text);
    Pattern pattern;
    pattern.foldersOnly = !rest.empty() && rest.back() == U'/';
    if (pattern.foldersOnly) rest.pop_back();
    pattern.anchored = rest.find(U'/') != std::u32string::npos;
    if (!rest.empty() && rest[0] == U'/') rest.erase(0, 1);
    if (rest.empty()) throw UsageError("--exclude needs a pattern that names something, not \"" + text + "\"");
    pattern.components = pattern.anchored ? Split(rest) : std::vector<std::u32string>{rest};
    patterns_.push_back(pattern);
  }
}

bool ExcludePatterns::Excludes(const std::string& path, bool folder) const {
  if (patterns_.empty()) return false;
  std::vector<std::u32string> parts = Split(Decode(path));
  for (const Pattern& pattern : patterns_) {
    if (pattern.foldersOnly && !folder) continue;
    if (!pattern.anchored) {
      if (MatchComponent(pattern.components[0], parts.back())) return true;
      continue;
    }
    if (pattern.components.size() != parts.size()) continue;
    bool all = true;
    for (size_t i = 0; all && i < parts.size(); ++i) all = MatchComponent(pattern.components[i], parts[i]);
    if (all) return true;
  }
  return false;
}
