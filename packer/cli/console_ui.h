// The stub's user interface on a terminal, for `mksfx extract`: messages are
// printed, prompts are answered from the command line, and the main dialog
// is a scripted sequence of the walks it would run.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "codepages.h"

struct ConsoleScript {
  // The stub's texts and names, shown in UTF-8; the default page until
  // extract reads --codepage, since pack and check replay the stub's start-up
  // too and it may report through ShowMessage.
  const CodePageTable* page = FindCodePage(kDefaultCodePage);
  std::deque<std::string> passwords;  // code page bytes, typed at each password prompt, then ""
  bool overwriteAnswer = false;       // the answer to every overwrite prompt
  bool quiet = false;                 // no line per file written
  int overwriteMode = -1;             // an OverwritePolicy; -1: the self-extractor's own setting
  std::vector<std::string> select;    // entry names to extract, in UTF-8; empty: all
  std::string destination;            // the Windows path of the folder
  bool extractionSucceeded = false;   // as the last extraction walk left it
  std::vector<std::string> unknownSelections;
};

// The script the console front end follows.
ConsoleScript& Console();

// Code page text of the stub in UTF-8 for the terminal, escaped, with
// "\r\n" shown as one blank, so each message is one line.
std::string OneLine(const char* text);
