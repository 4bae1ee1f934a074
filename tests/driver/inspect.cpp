// Reading another process's windows and writing them to the log.
//
// Every query goes through SendMessageTimeoutW: a busy program cannot hang
// the driver, and the W calls are the ones Wine marshals faithfully across
// processes (LB_GETTEXT returns UTF-16 even through the A call).
#include "driver.h"

#include <cstdio>
#include <string>

namespace {

// A MessageBox window's children: the text and the icon static controls.
const int kMessageBoxTextId = 0xFFFF;
const int kMessageBoxIconId = 1088;

// Buttons a MessageBox may carry, in the order its template holds them.
const int kMessageBoxButtons[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE,
                                  IDYES, IDNO, IDCLOSE, IDHELP, IDTRYAGAIN, IDCONTINUE};

// Longest window class name (the system's limit for a registered class).
const int kMaxClassName = 256;

LRESULT Query(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok) {
  DWORD_PTR result = 0;
  *ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                            kQueryTimeoutMs, &result) != 0;
  return static_cast<LRESULT>(result);
}

std::wstring Text(HWND window) {
  bool ok = false;
  LRESULT length = Query(window, WM_GETTEXTLENGTH, 0, 0, &ok);
  if (!ok || length < 0) return L"<no answer>";
  if (length > kMaxControlText) length = kMaxControlText;
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
  LRESULT got = Query(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &ok);
  if (!ok || got < 0 || got > length) return L"<no answer>";
  return std::wstring(buffer.data(), static_cast<size_t>(got));
}

std::string ClassOf(HWND window) {
  wchar_t name[kMaxClassName] = {0};
  GetClassNameW(window, name, kMaxClassName);
  return Utf8(name);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

bool IsButton(const std::string& className) {
  return className == "Button" || className == "BUTTON" || className == "button";
}

bool IsListBox(const std::string& className) {
  return className == "ListBox" || className == "LISTBOX" || className == "listbox";
}

void LogListItems(HWND list, int id, std::vector<std::string>* block) {
  bool ok = false;
  LRESULT count = Query(list, LB_GETCOUNT, 0, 0, &ok);
  if (!ok || count == LB_ERR) return;
  for (LRESULT index = 0; index < count; ++index) {
    LRESULT length = Query(list, LB_GETTEXTLEN, index, 0, &ok);
    std::string text = "<no answer>";
    if (ok && length >= 0 && length <= kMaxControlText) {
      std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
      LRESULT got = Query(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()), &ok);
      if (ok && got >= 0 && got <= length) text = Utf8(std::wstring(buffer.data(), got));
    }
    LRESULT selected = Query(list, LB_GETSEL, index, 0, &ok);
    block->push_back("LISTITEM id=" + std::to_string(id) + " index=" + std::to_string(index) +
                     " selected=" + (ok && selected > 0 ? "1" : "0") + " text=" + Quote(text));
  }
}

void LogControl(HWND control, std::vector<std::string>* block) {
  int id = GetDlgCtrlID(control);
  std::string className = ClassOf(control);
  bool ok = false;
  LRESULT checked = IsButton(className) ? Query(control, BM_GETCHECK, 0, 0, &ok) : 0;
  block->push_back("CONTROL id=" + std::to_string(id) + " class=" + className +
                   " text=" + Quote(Utf8(Text(control))) +
                   " visible=" + (IsWindowVisible(control) ? "1" : "0") +
                   " enabled=" + (IsWindowEnabled(control) ? "1" : "0") +
                   " checked=" + std::to_string(checked));
  if (IsListBox(className)) LogListItems(control, id, block);
}

void LogMessageBox(HWND box, std::vector<std::string>* block) {
  std::string buttons;
  for (int id : kMessageBoxButtons) {
    HWND button = GetDlgItem(box, id);
    if (!button || !IsWindowVisible(button)) continue;
    if (!buttons.empty()) buttons += ',';
    buttons += std::to_string(id);
  }
  block->push_back("MESSAGEBOX caption=" + Quote(WindowTitle(box)) + " icon=" +
                   MessageBoxIcon(box) + " text=" +
                   Quote(Utf8(Text(GetDlgItem(box, kMessageBoxTextId)))) + " buttons=" + buttons);
}

struct Collect {
  DWORD processId;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM context) {
  Collect* collect = reinterpret_cast<Collect*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == collect->processId && IsWindowVisible(window)) collect->windows->push_back(window);
  return TRUE;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                 nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

std::wstring Utf16(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
  return out;
}

std::string Quote(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += "0123456789abcdef"[c >> 4];
          out += "0123456789abcdef"[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string WindowTitle(HWND window) { return Utf8(Text(window)); }

WindowKind KindOf(HWND window) {
  if (ClassOf(window) != "#32770") return WindowKind::Other;
  // A MessageBox is a dialog of the system's own template: no instance of
  // the program, and a text static with the id 0xFFFF next to its icon.
  bool systemTemplate = GetWindowLongPtrW(window, GWLP_HINSTANCE) == 0;
  if (systemTemplate && GetDlgItem(window, kMessageBoxTextId) && GetDlgItem(window, kMessageBoxIconId))
    return WindowKind::MessageBox;
  return WindowKind::Dialog;
}

const char* KindName(WindowKind kind) {
  switch (kind) {
    case WindowKind::Dialog: return "dialog";
    case WindowKind::MessageBox: return "messagebox";
    case WindowKind::Other: return "other";
    case WindowKind::Any: break;
  }
  return "window";
}

std::vector<HWND> VisibleWindows(DWORD processId) {
  std::vector<HWND> windows;
  Collect collect = {processId, &windows};
  EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&collect));
  return windows;
}

bool LogWindow(HWND window) {
  // The block is written only when the window outlived its reading: a
  // window destroyed meanwhile (a dialog that ends in its own
  // initialisation flashes up for a moment under Wine) would leave a torn
  // block of unanswered queries.
  std::vector<std::string> block;
  switch (KindOf(window)) {
    case WindowKind::MessageBox:
      LogMessageBox(window, &block);
      break;
    case WindowKind::Dialog:
      block.push_back("DIALOG title=" + Quote(WindowTitle(window)));
      for (HWND control : Children(window)) LogControl(control, &block);
      break;
    default:
      block.push_back("WINDOW class=" + ClassOf(window) + " title=" + Quote(WindowTitle(window)));
      for (HWND control : Children(window)) LogControl(control, &block);
      break;
  }
  if (!IsWindow(window)) return false;
  for (const std::string& line : block) LogLine(line);
  return true;
}

void LogLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
