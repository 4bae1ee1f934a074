// The stub's own list-only walk run on a file: the local headers it reaches
// from a start position, as its main dialog lists them.  Nothing is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"

// The names the walk lists from `start`, in walk order (the ordinal each
// item carries as its data), as the list holds them: the local header's name
// cut at a NUL and to kLongestEntryName bytes.  A message the walk shows (an
// empty name ends it with "Invalid file name", an empty list gives "Cannot
// process file.") is taken into `shown` as "caption: text" instead of being
// printed.  The walk's variables are restored afterwards.
std::vector<std::string> ListLikeTheStub(const InputFile& file, uint64_t start,
                                         std::vector<std::string>* shown = nullptr);

// While set, ShowMessage adds each message here instead of printing it.
extern std::vector<std::string>* TakenMessages;
