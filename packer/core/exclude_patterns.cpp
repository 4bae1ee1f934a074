// The lines of .gitignore as patterns, and a path against them.
#include "exclude_patterns.h"

#include <algorithm>

#include "errors.h"
#include "wildcard_match.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// Drops the spaces at the end but an escaped one ("\ "); a "\" that ends the
// line keeps them all, as git reads it (the pattern is then refused).
void TrimTrailingSpaces(std::string& line) {
  size_t end = 0;  // after the last byte that stays
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ' ') continue;
    if (line[i] == '\\' && ++i == line.size()) return;
    end = i + 1;
  }
  line.resize(end);
}

}  // namespace

void ExcludePatterns::Add(std::string line, const std::string& origin) {
  Pattern pattern;
  pattern.negated = !line.empty() && line[0] == '!';
  if (pattern.negated) line.erase(0, 1);
  pattern.foldersOnly = !line.empty() && line.back() == '/';
  if (pattern.foldersOnly) line.pop_back();
  pattern.anyDepth = line.find('/') == std::string::npos;
  if (!pattern.anyDepth && line[0] == '/') line.erase(0, 1);
  if (line.empty()) throw UsageError(origin + ": the pattern names nothing");
  std::string problem = WildcardProblem(line);
  if (!problem.empty()) throw UsageError(origin + ": " + problem + ", so the pattern matches nothing");
  pattern.literal = std::min(line.find_first_of("*?[\\"), line.size());
  pattern.text = line;
  patterns_.push_back(pattern);
}

void ExcludePatterns::AddPattern(std::string line, bool backslashSeparates) {
  std::string origin = "--exclude \"" + line + "\"";
  if (backslashSeparates) std::replace(line.begin(), line.end(), '\\', '/');
  if (!line.empty() && line[0] == '#')
    throw UsageError(origin + ": a line starting with \"#\" is a comment in .gitignore; \"[#]" +
                     line.substr(1) + "\" names what starts with \"#\"");
  TrimTrailingSpaces(line);
  Add(line, origin);
}

void ExcludePatterns::AddFile(const std::string& text, const std::string& path) {
  size_t at = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
  for (int number = 1; at < text.size(); ++number) {
    size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    TrimTrailingSpaces(line);
    if (!line.empty()) Add(line, "--exclude-from " + path + ", line " + std::to_string(number));
  }
}

bool ExcludePatterns::Excludes(const std::string& path, bool folder) const {
  size_t name = path.rfind('/') + 1;  // 0 without "/"
  for (auto p = patterns_.rbegin(); p != patterns_.rend(); ++p) {
    if (p->foldersOnly && !folder) continue;
    // The bytes before the first wildcard compare as they are; "**" right
    // behind them counts as standing at the start, as in git.
    bool match = p->anyDepth ? WildcardsMatch(p->text, 0, path, name)
                             : path.compare(0, p->literal, p->text, 0, p->literal) == 0 &&
                                   WildcardsMatch(p->text, p->literal, path, p->literal);
    if (match) return !p->negated;
  }
  return false;
}
