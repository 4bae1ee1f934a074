// Path strings and folders.  Paths are ANSI Windows paths; "\" is what the
// platform gets, "/" is accepted wherever a path is taken apart, and ":" (the
// drive colon) separates too.
#pragma once

#include <stdint.h>

#include "../common/text.h"
#include "../platform/platform.h"

// Longest last component FileNamePart gives.
const int kFileNamePartLength = 255;

// Longest path the platform's ANSI calls take: 259 characters.
const int kMaxPathLength = MAX_PATH - 1;

// Longest folder path CreateDirectoryA takes: 247 characters (MAX_PATH - 12
// with the terminator), room for an 8.3 name below it.
const int kMaxFolderLength = MAX_PATH - 13;

// Every "/" becomes "\" in place, over the whole text.
char* SlashesToBackslashes(char* text);

// TRUE when a file or folder of that path exists.  A path ending in "\"
// exists only as a folder and is left as it is; any other path has its "/"
// turned into "\" in place first, and is then FALSE when it ends in "\".
// Wildcards match as in a directory search.  `path` must not be empty.
bool PathExists(char* path);

// The folder part: C:\dest\sub\file.txt gives C:\dest\sub, C:\file.txt gives
// C:\, file.txt gives the empty text.  `result` has room for the path.
char* ParentFolder(const char* path, char* result);

// The last component, at most 255 characters; empty when the path ends in a
// separator.  `result` has room for 256 bytes.
char* FileNamePart(const char* path, char* result);

// Appends "\" unless the text ends in one: needs room for two more bytes.
char* AddTrailingBackslash(char* text);

// Removes one trailing "\".
char* RemoveTrailingBackslash(char* text);

// Creates the folder and its missing parents from the top down.  A folder
// that cannot be created ends the process through the fatal error report.
void CreateFolderPath(const char* path);
