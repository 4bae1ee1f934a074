// The end-to-end test driver: runs a Win32 program, logs every window it
// shows and answers them by a script.  Console program, run under Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// ---------------------------------------------------------------- script

enum class WindowKind { Any, Dialog, MessageBox, Other };

enum class StepKind {
  Timeout,     // timeout MS: limit of every later wait
  Wait,        // wait KIND [TITLE]: a window not waited for before
  Use,         // use KIND [TITLE]: any open window, old or new
  Gone,        // gone: the current window has been destroyed
  Exit,        // exit: the program has ended
  SetText,     // settext ID TEXT
  Click,       // click ID: BM_CLICK posted to the control
  Command,     // command ID: WM_COMMAND posted to the window
  Check,       // check ID 0|1: BM_SETCHECK
  Select,      // select ID all|none|INDEX|"TEXT"...
  Key,         // key escape|enter|tab|space
  Close,       // close: WM_CLOSE posted (the close box)
  Log,         // log: the current window's state, again
  Sleep,       // sleep MS
  Screenshot,  // screenshot FILE: the whole screen as a BMP
  Scroll,      // scroll ID: a multi-line edit to its end
  WaitFile,    // waitfile FILE: a file some program writes
  Owner,       // owner: log the current window's owner
  TextFit,     // textfit ID: log how a multi-line edit's text fits it
  Probe,       // probe MS: the current window answers within MS until the end
};

struct SelectItem {
  int index;         // >= 0: by position
  std::string text;  // index < 0: by item text (UTF-8)
};

struct Step {
  StepKind kind = StepKind::Log;
  int line = 0;        // line of the script, for messages
  std::string source;  // the step as written, for messages
  WindowKind windowKind = WindowKind::Any;
  std::string pattern = "*";  // title pattern: '*' matches any run of characters
  int id = 0;                 // control id
  int number = 0;             // milliseconds, or the check state
  std::string text;           // SetText text, Screenshot and WaitFile file, Key name
  bool selectAll = false;
  std::vector<SelectItem> items;  // Select: empty means none
};

// Parses the whole script; steps are separated by line ends or ';'.  On
// failure returns false with a message naming the line.
bool ParseScript(const std::string& script, std::vector<Step>* steps, std::string* error);

// '*' matches any run of characters, everything else itself.
bool TitleMatches(const std::string& pattern, const std::string& title);

// ----------------------------------------------------------- inspection

// Longest text read from a control or list item, in UTF-16 units.  Texts of
// the stub are at most 65,535 characters (the information text).
const int kMaxControlText = 65536;

// How long a query may wait for the program's thread (it may be busy
// extracting, or inside a nested modal loop that still answers).
const UINT kQueryTimeoutMs = 2000;

std::string Utf8(const std::wstring& text);
std::wstring Utf16(const std::string& utf8);

// The text quoted for the log: \r \n \t \" \\ and other control bytes as
// \xNN, everything else as UTF-8.
std::string Quote(const std::string& utf8);

std::string WindowTitle(HWND window);
WindowKind KindOf(HWND window);
const char* KindName(WindowKind kind);

// The program's visible top-level windows, topmost first.
std::vector<HWND> VisibleWindows(DWORD processId);

// Writes the window's block to the log: DIALOG or MESSAGEBOX and, for a
// dialog, its controls and list items.  False, and nothing written, when the
// window was destroyed before it could be read whole.
bool LogWindow(HWND window);

// --------------------------------------------------------------- screen

// The icon a message box shows, judged from what its icon control painted:
// "error", "information", "warning", "question", "none", or "unknown" when
// nothing matches closely enough.
const char* MessageBoxIcon(HWND box);

// The whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::string& path);

// -------------------------------------------------------------- actions

// Acts on `window` (the current window; may be null for steps that need
// none).  Posts clicks and commands, so the driver never waits inside the
// program's modal loops.  On failure returns false with a message.
bool Perform(const Step& step, HWND window, std::string* error);

// ------------------------------------------------------------------ log

// One line on stdout, flushed at once (the runner reads it as it comes).
void LogLine(const std::string& line);
