// The files and folders named on the command line, as the entries of the
// archive that mksfx writes from them: names converted to the stub's code
// page and checked by the stub's own rules, sorted, times and sizes taken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codepages.h"
#include "exclude_patterns.h"

struct SourceEntry {
  std::string name;       // stored name: code page bytes, "/" separators, folders end in "/"
  std::string shownName;  // the same in UTF-8, for messages
  std::string path;       // native path of the file; empty for a folder entry
  bool folder = false;
  uint64_t size = 0;
  int64_t mtime = 0;      // seconds since 1970, UTC
};

// Every folder INPUT contributes its contents, named relative to the folder
// itself; every file INPUT its base name; what `excludes` matches is left
// out, a folder without being read.  Folder entries are made for empty
// folders only (also those whose contents are all left out).  Symbolic links are followed; a link to nothing, a link that
// leads back into a folder above it, and anything but files and folders are
// refused.  `outputPath`, when it lies inside an input folder, is left out.
// Throws Refusal listing every name that cannot be packed, with its reason:
// no byte in the code page, unsafe for the stub, too long, or naming the same
// file on Windows as another name (name_collisions.h); all of them with
// `listAll`, else the first kProblemsShown.
std::vector<SourceEntry> CollectSources(const std::vector<std::string>& inputs,
                                        const CodePageTable& page, const std::string& outputPath,
                                        const ExcludePatterns& excludes, bool listAll);

// Names and reasons, at most this many printed before "and N more" unless
// every one is asked for (--list-problems).
const size_t kProblemsShown = 10;

// Throws Refusal with a one-line summary and the problems, when there are
// any: all of them with `listAll`, else the first kProblemsShown and a line
// that counts the rest and says how to see them.
void RefuseProblems(const std::vector<std::string>& problems, const std::string& summary,
                    bool listAll);

// The line that ends a list cut short: "and N more (...)", without indent.
std::string MoreProblemsLine(size_t more);
