// What an extraction into a fresh temporary folder made, so that it can be
// removed once the program run from there has ended: exactly the folders and
// files the stub created, nothing that was there before and nothing the
// program added.  Kept only while Engine.SfxSettings.TempCleanup is set.
#pragma once

// One made path, from the heap; the list runs newest first.
struct MadeItem {
  MadeItem* older;
  char path[1];  // NUL-terminated, as long as the path
};

// Records `path`, a folder or file just created, under TempCleanup.
void NoteMade(const char* path);

// Removes every recorded path, newest first (a file before its folder, a
// folder before its parent), and releases the list.  A folder is removed
// only when empty; what cannot be removed (a file the program left open, a
// folder holding what the program added) stays, and the rest goes.
void RemoveMade();
