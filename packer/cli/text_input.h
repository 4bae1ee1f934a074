// The files pack reads a text from, --info-file and --password-file, by
// one rule: FILE, or standard input for "-"; a pipe (bash's <(...)) as well
// as a file; UTF-8, a leading byte order mark dropped.
#pragma once

#include <cstddef>
#include <string>

// The name that stands for standard input.
extern const char kStandardInputName[];

// The text of `path`, at most `limit` bytes after the byte order mark;
// longer is refused.  With `firstLine` only the first line, without its
// "\n" or "\r\n", and nothing after the line's end is read.  Throws Refusal
// naming `what` (the option) and the file.
std::string ReadTextInput(const std::string& path, size_t limit, bool firstLine, const std::string& what);
