// The patterns of pack's --exclude and --exclude-from, read and matched by
// the rules of .gitignore, over each INPUT folder's tree with paths from its
// top ("docs/api/ref.md"; a file INPUT is its base name):
//   - a pattern with no "/" but at its end matches a name at any depth;
//     one with a "/" at its start or inside matches the whole path from the
//     top (a leading "/" only anchors); a "/" at its end: folders only;
//   - wildcards as wildcard_match.h tells, "\" escaping;
//   - "!" first re-includes what an earlier pattern left out: the last
//     pattern that matches a path decides.  A folder left out is not read,
//     so nothing inside it can be taken back in, as with git;
//   - spaces at the end are dropped unless escaped ("\ ");
//   - in a file, a line starting with "#" is a comment and a blank line
//     separates; a UTF-8 byte order mark and a CR before each LF are dropped.
// Names and patterns are compared byte for byte: case counts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ExcludePatterns {
 public:
  // One pattern of the command line, read as one line of a .gitignore.
  // With `backslashSeparates` (the Windows build, where paths are typed
  // with "\") every "\" is a "/" and escapes nothing.  Throws UsageError for
  // a blank, a comment, and a pattern that names or can match nothing.
  void AddPattern(std::string line, bool backslashSeparates);

  // The lines of a file in .gitignore format, `path` naming it in
  // messages; throws UsageError as AddPattern does, but for blank lines and
  // comments.
  void AddFile(const std::string& text, const std::string& path);

  // `path`: the entry's path from the top of its INPUT folder, UTF-8, "/"
  // between components, no trailing "/"; `folder`: whether it names one.
  bool Excludes(const std::string& path, bool folder) const;

  bool Empty() const { return patterns_.empty(); }

 private:
  struct Pattern {
    std::string text;       // no "!", no trailing "/", no leading "/"
    size_t literal = 0;     // bytes of `text` before its first wildcard or "\"
    bool negated = false;   // "!": a match takes the path back in
    bool foldersOnly = false;
    bool anyDepth = false;  // no "/": matched against the last name alone
  };
  void Add(std::string line, const std::string& origin);

  std::vector<Pattern> patterns_;  // in the order given; the last match decides
};
