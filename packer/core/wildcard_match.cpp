// Wildcards of .gitignore patterns, by the rules git's own matcher keeps.
#include "wildcard_match.h"

namespace {

bool IsAlpha(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsGraph(unsigned char c) { return c > ' ' && c < 0x7F; }

// The classes of a set, as git's character table has them: ASCII only, and
// "space" without vertical tab and form feed.
struct CharClass {
  const char* name;
  bool (*has)(unsigned char);
};
const CharClass kClasses[] = {
    {"alnum", [](unsigned char c) { return IsAlpha(c) || IsDigit(c); }},
    {"alpha", IsAlpha},
    {"blank", [](unsigned char c) { return c == ' ' || c == '\t'; }},
    {"cntrl", [](unsigned char c) { return c < ' ' || c == 0x7F; }},
    {"digit", IsDigit},
    {"graph", IsGraph},
    {"lower", [](unsigned char c) { return c >= 'a' && c <= 'z'; }},
    {"print", [](unsigned char c) { return IsGraph(c) || c == ' '; }},
    {"punct", [](unsigned char c) { return IsGraph(c) && !IsAlpha(c) && !IsDigit(c); }},
    {"space", [](unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }},
    {"upper", [](unsigned char c) { return c >= 'A' && c <= 'Z'; }},
    {"xdigit", [](unsigned char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }},
};

const CharClass* FindClass(const std::string& name) {
  for (const CharClass& c : kClasses)
    if (name == c.name) return &c;
  return nullptr;
}

const char kUnclosedSet[] = "its \"[\" opens a set that no \"]\" closes";

// Reads the set that opens at p[at] ("["): `end` becomes the position of
// its closing "]".  Returns whether byte `c` is in it; a set that does not
// close or names an unknown class sets `problem` instead.  A first "]" is a
// member; "-" between two members makes a range, elsewhere it is a member;
// "[:" starts a class only where ":]" ends it before the next "]".
bool InSet(const std::string& p, size_t at, unsigned char c, size_t& end, std::string& problem) {
  size_t i = at + 1;
  bool negated = i < p.size() && (p[i] == '!' || p[i] == '^');
  if (negated) ++i;
  bool in = false;
  int previous = -1;  // the member before, a range's low end; -1 after a range or class
  for (bool first = true; first || i >= p.size() || p[i] != ']'; first = false, ++i) {
    if (i >= p.size()) {
      problem = kUnclosedSet;
      return false;
    }
    int member = (unsigned char)p[i];
    if (member == '\\' || (member == '-' && previous >= 0 && i + 1 < p.size() && p[i + 1] != ']')) {
      bool range = member == '-';
      i += range && p[i + 1] == '\\' ? 2 : 1;
      if (i >= p.size()) {
        problem = kUnclosedSet;
        return false;
      }
      unsigned char high = p[i];
      in |= range ? previous <= c && c <= high : c == high;
      member = range ? -1 : high;
    } else if (member == '[' && i + 1 < p.size() && p[i + 1] == ':') {
      size_t close = p.find(']', i + 2);
      if (close == std::string::npos) {
        problem = kUnclosedSet;
        return false;
      }
      if (close >= i + 3 && p[close - 1] == ':') {
        std::string name = p.substr(i + 2, close - 1 - (i + 2));
        const CharClass* found = FindClass(name);
        if (!found) {
          problem = "\"[:" + name + ":]\" is no class (alnum, alpha, blank, cntrl, digit, graph, lower, "
                    "print, punct, space, upper, xdigit)";
          return false;
        }
        in |= found->has(c);
        member = -1;
        i = close;
      } else {
        in |= c == '[';  // a "[" of the set; the ":" after it is the next member
      }
    } else {
      in |= c == member;
    }
    previous = member;
  }
  end = i;
  return in != negated && c != '/';
}

// How a match of the pattern's rest failed.  kTextEnded: the text ran out
// first, so no "*" before can help by taking more; kBlockedBySlash: a "*"
// reached a "/" it cannot take, so only a "**" before can help.
enum Outcome { kMatch, kNoMatch, kTextEnded, kBlockedBySlash };

struct Matcher {
  const std::string& p;
  size_t start;  // where "**" counts as the pattern's start
  const std::string& t;

  Outcome From(size_t pi, size_t ti) const {
    for (; pi < p.size(); ++pi, ++ti) {
      if (p[pi] == '*') return Stars(pi, ti);
      if (ti == t.size()) return kTextEnded;
      unsigned char c = t[ti];
      if (p[pi] == '?') {
        if (c == '/') return kNoMatch;
      } else if (p[pi] == '[') {
        std::string unused;
        if (!InSet(p, pi, c, pi, unused)) return kNoMatch;
      } else {
        if (p[pi] == '\\') ++pi;
        if ((unsigned char)p[pi] != c) return kNoMatch;
      }
    }
    return ti == t.size() ? kMatch : kNoMatch;
  }

  // The run of "*" at p[pi] against the text from t[ti].
  Outcome Stars(size_t pi, size_t ti) const {
    size_t first = pi;
    while (pi < p.size() && p[pi] == '*') ++pi;
    bool alone = pi - first >= 2 && (first == start || p[first - 1] == '/') &&
                 (pi == p.size() || p[pi] == '/' || p.compare(pi, 2, "\\/") == 0);
    if (alone && pi < p.size() && p[pi] == '/' && From(pi + 1, ti) == kMatch) return kMatch;
    if (pi == p.size()) return alone || t.find('/', ti) == std::string::npos ? kMatch : kNoMatch;
    if (!alone && p[pi] == '/') {
      size_t slash = t.find('/', ti);
      return slash == std::string::npos ? kNoMatch : From(pi, slash);
    }
    for (; ti < t.size(); ++ti) {
      Outcome rest = From(pi, ti);
      if (rest == kNoMatch) {
        if (!alone && t[ti] == '/') return kBlockedBySlash;
      } else if (!alone || rest != kBlockedBySlash) {
        return rest;
      }
    }
    return kTextEnded;
  }
};

}  // namespace

std::string WildcardProblem(const std::string& pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\\') {
      if (++i == pattern.size()) return "it ends in a \"\\\" that escapes nothing";
      continue;
    }
    std::string problem;
    if (pattern[i] == '[') InSet(pattern, i, 0, i, problem);
    if (!problem.empty()) return problem;
  }
  return "";
}

bool WildcardsMatch(const std::string& pattern, size_t from, const std::string& text,
                    size_t textFrom) {
  return Matcher{pattern, from, text}.From(from, textFrom) == kMatch;
}
