// The wildcards of .gitignore patterns, matched as git matches them: on
// bytes (a UTF-8 character of two bytes takes two "?"), case counting.
//   "*"     any run of bytes but "/";
//   "**"    any run of bytes, "/" included, when it stands alone between
//           the pattern's start or a "/" and its end or a "/"; "**/" also
//           stands for no folder at all; elsewhere it is "*";
//   "?"     one byte but "/";
//   "[...]" one byte of a set: "a-z" a range, "[:alpha:]" a class
//           (alnum alpha blank cntrl digit graph lower print punct space
//           upper xdigit, ASCII only), "!" or "^" first negates it, "]"
//           first is a member; never "/";
//   "\"     takes the next byte as it is.
#pragma once

#include <cstddef>
#include <string>

// Why `pattern` can never match anything (a set without its "]", a class
// not in the list above, a "\" at the end), or "" when it can.
std::string WildcardProblem(const std::string& pattern);

// Whether `text` from `textFrom` on matches `pattern` from `from` on, which
// counts as the pattern's start for "**".  `pattern` must have no problem.
bool WildcardsMatch(const std::string& pattern, size_t from, const std::string& text,
                    size_t textFrom);
