// The stub's user interface when mksfx runs the engine: every message box is
// one line "caption: text" (printed, or taken as a finding by check and
// pack), every prompt is answered from the script, and the main dialog is a
// scripted sequence of the walks it would run (mksfx extract).
#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "codepages.h"

struct EngineConsole {
  // The stub's texts and names, shown in UTF-8; the default page until a
  // command reads --codepage.
  const CodePageTable* page = FindCodePage(kDefaultCodePage);
  std::ostream* out = nullptr;         // where messages, prompts and files are printed; nullptr: std::cout
  std::deque<std::string> passwords;   // code page bytes, typed at each password prompt, then ""
  bool overwriteAnswer = false;        // the answer to every overwrite prompt
  // mksfx extract's main dialog: the overwrite mode (an OverwritePolicy; -1:
  // the self-extractor's own), the entries selected (UTF-8; none: all), and
  // whether each file written is named.
  int overwriteMode = -1;
  std::vector<std::string> select;
  bool quiet = false;
};

// The script the engine's user interface follows, and where it prints.
EngineConsole& Console();
std::ostream& ConsoleOut();

// Code page text of the stub in UTF-8 for the terminal, escaped, with
// "\r\n" shown as one blank, so each message is one line.
std::string OneLine(const std::string& text);

// The program the stub starts after extraction, split from the run command
// (code page bytes) by the stub's own rule, in UTF-8 for the terminal:
// "PROGRAM" with parameters "PARAMETERS".
std::string ProgramShown(const std::string& program, const std::string& parameters);

// mksfx extract: the stub's start-up and walk run on the self-extractor
// `sfxPath` as on Windows, extracting into the folder `destination` (native
// paths; Linux only, through the stand-in), as Console() says.  The program
// to run afterwards is named as the stub splits it, not started.
struct ExtractOutcome {
  bool succeeded = false;             // as the last extraction walk left it
  // The engine ended itself (EndProcess): 0 after "Cannot process file.",
  // else the fatal report's number; -1 when it did not.
  int endedWith = -1;
  std::vector<std::string> unknownSelections;
};
// Throws Refusal for a file or folder the engine cannot name.
ExtractOutcome ExtractLikeTheStub(const std::string& sfxPath, const std::string& destination);
