// mksfx extract: the stub's start-up and walk through the Linux stand-in,
// and the information dialog and the main dialog as a terminal shows them.
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "certificate_table.h"
#include "engine_console.h"
#include "errors.h"
#include "codepages.h"
#include "stub_engine.h"

namespace {

ExtractOutcome* outcome;
std::string destination;  // as a Windows path

// Called once per output file the walk creates (the status line shows only
// some of them), with the native path written: UTF-8 as the stand-in names
// it in the code page.
void PrintFileWritten(void*, const char* nativePath) {
  if (!Console().quiet) ConsoleOut() << "extracting " << Printable(nativePath) << "\n";
}

std::string WindowsPathOf(const std::string& nativePath) {
  std::string absolute = std::filesystem::absolute(nativePath).lexically_normal().string();
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  char win[PATH_MAX + 4];
  if (!HostWindowsPath(absolute.c_str(), win, sizeof win))
    throw Refusal(nativePath + ": cannot be named in Windows code page " + std::to_string(Console().page->number));
  return win;
}

// The entries `select` names, selected in `list`; those no item has are kept.
void Select(HWND list) {
  if (Console().select.empty()) {
    SendMessageA(list, LB_SETSEL, TRUE, -1);
    return;
  }
  for (const std::string& name : Console().select) {
    std::string bytes, problem;
    LRESULT at = ToCodePage(name, *Console().page, bytes, problem)
                     ? SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)bytes.c_str())
                     : LB_ERR;
    if (at == LB_ERR)
      outcome->unknownSelections.push_back(name);
    else
      SendMessageA(list, LB_SETSEL, TRUE, at);
  }
}

}  // namespace

// The information dialog is accepted: the main dialog follows.
void RunInfoDialog() {
  const Settings& s = Engine.SfxSettings;
  ConsoleOut() << OneLine(s.HasInfoCaption ? s.InfoCaption : "Information") << ": " << OneLine(s.InfoText) << "\n";
}

// What the main dialog does from its initialisation to a pressed Extract:
// list the entries, select them (or the chosen ones), extract into the
// destination.  The program to run afterwards is named as the stub splits
// it, not started.
void RunMainDialog() {
  HWND dialog = HostCreateDialog();
  HostAddListBox(dialog, IDC_MAIN_ENTRY_LIST, true);
  HostAddListBox(dialog, IDC_MAIN_PLAIN_LIST, false);
  HostAddStatic(dialog, IDC_MAIN_STATUS);
  HostSetWriteOpenObserver(PrintFileWritten, nullptr);
  // DIR is the destination and keeps what is written there: the fresh
  // temporary folder the stub made for a self-extractor that removes its
  // files afterwards goes at once, and nothing else is recorded.
  RemoveMade();
  Engine.SfxSettings.TempCleanup = FALSE;
  Engine.OverwriteMode = Console().overwriteMode >= 0 ? (OverwritePolicy)Console().overwriteMode
                                                     : PolicyOfButton(Engine.SfxSettings.OverwriteButtonId);
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  Select(GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST));
  if (outcome->unknownSelections.empty()) {
    AppendText(Engine.DestFolder, 0, kDestFolderSize, destination.c_str());
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
    outcome->succeeded = Engine.ExtractionSucceeded;
    char program[kCommandPartSize], parameters[kCommandPartSize];
    if (Engine.ExtractionSucceeded && Engine.SfxSettings.HasRunCommand && SplitRunCommand(program, parameters))
      ConsoleOut() << "run after extraction: " << ProgramShown(program, parameters) << " (not started by mksfx)\n";
  }
  HostSetWriteOpenObserver(nullptr, nullptr);
  HostDestroyDialog(dialog);
}

ExtractOutcome ExtractLikeTheStub(const std::string& sfxPath, const std::string& destinationPath) {
  ExtractOutcome o;
  InputFile sfx(sfxPath);
  // The stub's code would read into the certificate table of these two.
  RefuseSigned64BitImage(sfx);
  destination = WindowsPathOf(destinationPath);
  if (destination.size() > (size_t)kMaxPathLength)
    throw Refusal(destinationPath + ": longer than the 259 characters a Windows path may have");
  HostResetPlatform();
  // Nothing else writes into the destination meanwhile; a folder of many new
  // files is then read once, not once per file.
  HostKeepFolderListings(true);
  HostSetAnsiCodePage(Console().page->upper);
  HostSetModuleFileName(WindowsPathOf(sfxPath).c_str());
  TakeImageHeaders(sfx);
  outcome = &o;
  ResetEngine();
  try {
    RunSelfExtractor(u"mksfx");
  } catch (const EngineEnded& ended) {
    o.endedWith = ended.code == kExitCannotProcess ? 0 : (int)ended.code;
  }
  ResetEngine();
  outcome = nullptr;
  return o;
}
