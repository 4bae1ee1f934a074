// The --exclude patterns of pack, as zip -x and .gitignore users read them:
// a pattern without "/" matches a file or folder name at any depth; one with
// "/" (leading or inside) matches the path from the top of the INPUT folder,
// component by component; a trailing "/" matches folders only.  Within a
// component "*" matches any run of characters, "?" one character, "[a-z]"
// and "[!a-z]" one of a set or not, and "\" takes the next character as it
// is.  Characters are UTF-8 code points; case counts.
#pragma once

#include <string>
#include <vector>

class ExcludePatterns {
 public:
  ExcludePatterns() = default;
  // Throws UsageError for an empty pattern or one that is only "/".
  explicit ExcludePatterns(const std::vector<std::string>& patterns);

  // `path`: the entry's path from the top of its INPUT folder, UTF-8, "/"
  // between components, no trailing "/"; `folder`: whether it names one.
  bool Excludes(const std::string& path, bool folder) const;

  bool Empty() const { return patterns_.empty(); }

 private:
  struct Pattern {
    std::vector<std::u32string> components;  // one for a name pattern
    bool anchored = false;
    bool foldersOnly = false;
  };
  std::vector<Pattern> patterns_;
};
