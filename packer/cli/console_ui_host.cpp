// The stub's dialogs on a terminal, for mksfx extract; its message box is
// console_message.cpp's.
#include "console_ui.h"

#include <cstdio>
#include <cstring>
#include <iostream>

#include "extract/extract.h"
#include "platform/host_control.h"
#include "printable.h"
#include "startup/startup.h"
#include "common/dialogs.h"

// The information dialog is accepted: the main dialog follows.
void RunInfoDialog() {
  const char* caption = Engine.SfxSettings.HasInfoCaption ? Engine.SfxSettings.InfoCaption : "Information";
  std::cout << OneLine(caption) << ": " << OneLine(Engine.SfxSettings.InfoText) << "\n";
}

// Called once per output file the walk creates (the status line shows only
// some of them), with the native path written: UTF-8 as the stand-in names
// it in the code page.
static void PrintFileWritten(void*, const char* nativePath) {
  if (!Console().quiet) std::cout << "extracting " << Printable(nativePath) << "\n";
}

// The run command as the stub starts it: "><" is the destination folder
// with its trailing backslash, "|" parts program and parameters.
static std::string RunCommandShown(const std::string& destination) {
  std::string command = Engine.SfxSettings.RunCommand, shown;
  for (size_t i = 0; i < command.size(); ++i) {
    if (command.compare(i, 2, "><") == 0) {
      shown += destination + "\\";
      ++i;
    } else {
      shown += command[i] == '|' ? ' ' : command[i];
    }
  }
  return shown;
}

// What the main dialog does from its initialisation to a pressed Extract:
// list the entries, select them (or the chosen ones), extract into the
// destination.  The program to run afterwards is named, not started.
void RunMainDialog() {
  ConsoleScript& s = Console();
  HWND dialog = HostCreateDialog();
  HostAddListBox(dialog, IDC_MAIN_ENTRY_LIST, true);
  HostAddListBox(dialog, IDC_MAIN_PLAIN_LIST, false);
  HostAddStatic(dialog, IDC_MAIN_STATUS);
  HostSetWriteOpenObserver(PrintFileWritten, nullptr);
  Engine.OverwriteMode = s.overwriteMode >= 0 ? (OverwritePolicy)s.overwriteMode : PolicyOfButton(Engine.SfxSettings.OverwriteButtonId);
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  HWND list = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  if (s.select.empty()) {
    SendMessageA(list, LB_SETSEL, TRUE, -1);
  } else {
    for (const std::string& name : s.select) {
      std::string bytes, problem;
      LRESULT at = ToCodePage(name, *s.page, bytes, problem)
                       ? SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)bytes.c_str())
                       : LB_ERR;
      if (at == LB_ERR)
        s.unknownSelections.push_back(name);
      else
        SendMessageA(list, LB_SETSEL, TRUE, at);
    }
  }
  if (s.unknownSelections.empty()) {
    std::snprintf(Engine.DestFolder, sizeof Engine.DestFolder, "%s", s.destination.c_str());
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
    s.extractionSucceeded = Engine.ExtractionSucceeded;
    if (Engine.ExtractionSucceeded && Engine.SfxSettings.HasRunCommand)
      std::cout << "After extraction, run : " << OneLine(RunCommandShown(s.destination).c_str())
                << " (not started by mksfx)\n";
  }
  HostSetWriteOpenObserver(nullptr, nullptr);
  HostDestroyDialog(dialog);
}
