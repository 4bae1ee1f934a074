// Entry names that name one file once the stub joins them to the destination
// folder on Windows: the rule for folder inputs, for input archives taken
// over or rewritten, and for `check` and `info`.
//
// Windows takes "\" for "/", drops empty and "." components, drops trailing
// dots and blanks of each component and ignores case.  Names the stub refuses
// anyway (EntryNameProblem) are to be left out by the caller.  A folder entry
// ends in "/" or "\"; it collides with no other folder entry, and files under
// it are what it is for.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "codepages.h"

struct NameCollision {
  size_t entry;        // index of the later of the two names
  std::string reason;  // names the other one
};

// `names` in UTF-8, in archive order.  One collision per name that meets an
// earlier one, or that a file shares with a folder anywhere in the list.
std::vector<NameCollision> FindNameCollisions(const std::vector<std::string>& names);

