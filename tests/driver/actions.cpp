// Acting on another process's windows.
//
// Clicks, commands, keys and closing are posted: the program's answer is
// often another modal loop (a prompt, a message box), and a sent message
// would keep the driver waiting inside it.  Setting texts, checks and list
// selections are sent with a timeout, so they have taken effect when the
// next step runs.
#include "driver.h"

#include <cwctype>

namespace {

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kQueryTimeoutMs,
                           &answer))
    return false;
  if (result) *result = static_cast<LRESULT>(answer);
  return true;
}

// The current window, when there is one and it still exists.
bool Current(HWND window, std::string* error) {
  if (window && IsWindow(window)) return true;
  *error = window ? "the current window is gone" : "no current window";
  return false;
}

bool Control(HWND window, int id, HWND* control, std::string* error) {
  if (!Current(window, error)) return false;
  *control = GetDlgItem(window, id);
  if (*control) return true;
  *error = "no control " + std::to_string(id) + " in the current window";
  return false;
}

// Index of the list item whose text is `text`, or -1.
int FindItem(HWND list, const std::wstring& text) {
  LRESULT count = 0;
  if (!Send(list, LB_GETCOUNT, 0, 0, &count)) return -1;
  for (LRESULT index = 0; index < count; ++index) {
    LRESULT length = 0;
    if (!Send(list, LB_GETTEXTLEN, index, 0, &length) || length < 0 || length > kMaxControlText)
      continue;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
    LRESULT got = 0;
    if (Send(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()), &got) &&
        got == length && text == std::wstring(buffer.data(), got))
      return static_cast<int>(index);
  }
  return -1;
}

bool Select(const Step& step, HWND list, std::string* error) {
  std::vector<int> indexes;
  for (const SelectItem& item : step.items) {
    int index = item.index >= 0 ? item.index : FindItem(list, Utf16(item.text));
    if (index < 0) {
      *error = "no list item " + Quote(item.text) + " in control " + std::to_string(step.id);
      return false;
    }
    indexes.push_back(index);
  }
  LONG style = GetWindowLongW(list, GWL_STYLE);
  bool multiple = (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
  LRESULT result = 0;
  if (!multiple) {
    if (step.selectAll || indexes.size() > 1) {
      *error = "control " + std::to_string(step.id) + " takes one selected item";
      return false;
    }
    int index = indexes.empty() ? -1 : indexes[0];
    if (!Send(list, LB_SETCURSEL, index, 0, &result) || (index >= 0 && result == LB_ERR)) {
      *error = "cannot select item " + std::to_string(index);
      return false;
    }
    return true;
  }
  // Index -1 stands for every item.
  if (!Send(list, LB_SETSEL, step.selectAll ? TRUE : FALSE, -1, &result)) {
    *error = "the list box does not answer";
    return false;
  }
  for (int index : indexes) {
    if (!Send(list, LB_SETSEL, TRUE, index, &result) || result == LB_ERR) {
      *error = "cannot select item " + std::to_string(index);
      return false;
    }
  }
  return true;
}

bool Key(HWND window, const std::string& name, std::string* error) {
  struct Named { const char* name; WPARAM key; };
  static const Named kKeys[] = {
      {"escape", VK_ESCAPE}, {"enter", VK_RETURN}, {"tab", VK_TAB}, {"space", VK_SPACE}};
  WPARAM key = 0;
  for (const Named& named : kKeys)
    if (name == named.name) key = named.key;
  // Keys go to the control that has the focus, where the dialog's own loop
  // (IsDialogMessage) turns Escape and Enter into its commands.
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = window;
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
      (info.hwndFocus == window || IsChild(window, info.hwndFocus)))
    target = info.hwndFocus;
  UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
  // The key-down alone may end the dialog (Escape, Enter), so the window can
  // be gone before the key-up is posted: only the key-down must arrive.
  if (!PostMessageW(target, WM_KEYDOWN, key, down)) {
    *error = "cannot post the key";
    return false;
  }
  PostMessageW(target, WM_KEYUP, key, up);
  return true;
}

// Scrolls a multi-line edit to its end, as a user drags its scroll bar
// down; it has scrolled when its first visible line moved.
bool Scroll(HWND edit, int id, std::string* error) {
  LRESULT before = 0, after = 0;
  if (!Send(edit, EM_GETFIRSTVISIBLELINE, 0, 0, &before) ||
      !Send(edit, WM_VSCROLL, SB_BOTTOM, 0, nullptr) ||
      !Send(edit, EM_GETFIRSTVISIBLELINE, 0, 0, &after)) {
    *error = "control " + std::to_string(id) + " does not answer";
    return false;
  }
  if (after > before) return true;
  *error = "control " + std::to_string(id) + " did not scroll (first visible line " +
           std::to_string(before) + ")";
  return false;
}

// How a multi-line edit's text fits it: the lines it holds, how many of
// them are not wholly inside its client area from top to bottom (a line's
// height is the distance between the first two lines), and how many end
// beyond its right edge.  A line ends at its last non-blank character (a
// blank at a wrap may hang over the edge); that character's width is the
// distance to the next one when that stands on the same line, else the
// width of the one before it.
bool TextFit(HWND edit, int id, std::string* error) {
  LRESULT lines = 0;
  RECT client;
  if (!Send(edit, EM_GETLINECOUNT, 0, 0, &lines) || !GetClientRect(edit, &client)) {
    *error = "control " + std::to_string(id) + " does not answer";
    return false;
  }
  std::wstring text = Utf16(WindowTitle(edit));
  LRESULT length = static_cast<LRESULT>(text.size());
  // EM_POSFROMCHAR packs the character's client coordinates (signed words);
  // a character it cannot place gives -1.
  auto at = [&](LRESULT index, POINT* point) {
    LRESULT pos = 0;
    if (index < 0 || !Send(edit, EM_POSFROMCHAR, index, 0, &pos) || pos == -1) return false;
    point->x = static_cast<short>(LOWORD(pos));
    point->y = static_cast<short>(HIWORD(pos));
    return true;
  };
  auto start = [&](LRESULT line) {
    LRESULT first = -1;
    return line >= lines ? length : Send(edit, EM_LINEINDEX, line, 0, &first) ? first : -1;
  };
  POINT first = {}, second = {}, end = {}, next = {}, before = {};
  LONG height = lines > 1 && at(start(0), &first) && at(start(1), &second) ? second.y - first.y : 0;
  int hidden = 0, cut = 0;
  for (LRESULT line = 0; line < lines; ++line) {
    LRESULT from = start(line), last = start(line + 1) - 1;
    if (!at(from, &first) || first.y < 0 || first.y + height > client.bottom) {
      ++hidden;
      continue;
    }
    while (last >= from && last < length && iswspace(text[last])) --last;
    if (last < from || last >= length || !at(last, &end)) continue;
    LONG width = at(last + 1, &next) && next.y == end.y ? next.x - end.x
                 : last > from && at(last - 1, &before) ? end.x - before.x
                                                       : 0;
    if (end.x + width > client.right) ++cut;
  }
  LogLine("TEXTFIT id=" + std::to_string(id) + " hidden=" + std::to_string(hidden) +
          " cut=" + std::to_string(cut) + " lines=" + std::to_string(lines));
  return true;
}

}  // namespace

bool Perform(const Step& step, HWND window, std::string* error) {
  HWND control = nullptr;
  switch (step.kind) {
    case StepKind::SetText: {
      if (!Control(window, step.id, &control, error)) return false;
      std::wstring text = Utf16(step.text);
      if (!Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), nullptr)) {
        *error = "control " + std::to_string(step.id) + " does not answer";
        return false;
      }
      return true;
    }
    case StepKind::Click:
      if (!Control(window, step.id, &control, error)) return false;
      if (!IsWindowEnabled(control) || !IsWindowVisible(control)) {
        *error = "control " + std::to_string(step.id) + " cannot be clicked (hidden or disabled)";
        return false;
      }
      return PostMessageW(control, BM_CLICK, 0, 0) || (*error = "cannot post the click", false);
    case StepKind::Command:
      if (!Current(window, error)) return false;
      control = GetDlgItem(window, step.id);
      return PostMessageW(window, WM_COMMAND, MAKEWPARAM(step.id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(control)) ||
             (*error = "cannot post the command", false);
    case StepKind::Check:
      if (!Control(window, step.id, &control, error)) return false;
      return Send(control, BM_SETCHECK, step.number ? BST_CHECKED : BST_UNCHECKED, 0, nullptr) ||
             (*error = "control does not answer", false);
    case StepKind::Select:
      if (!Control(window, step.id, &control, error)) return false;
      return Select(step, control, error);
    case StepKind::Key:
      if (!Current(window, error)) return false;
      return Key(window, step.text, error);
    case StepKind::Close:
      if (!Current(window, error)) return false;
      return PostMessageW(window, WM_CLOSE, 0, 0) || (*error = "cannot post WM_CLOSE", false);
    case StepKind::Log:
      if (!Current(window, error)) return false;
      return LogWindow(window) || (*error = "the current window is gone", false);
    case StepKind::Sleep:
      Sleep(step.number);
      return true;
    case StepKind::Scroll:
      if (!Control(window, step.id, &control, error)) return false;
      return Scroll(control, step.id, error);
    case StepKind::TextFit:
      if (!Control(window, step.id, &control, error)) return false;
      return TextFit(control, step.id, error);
    case StepKind::Owner: {
      if (!window) { *error = "no current window"; return false; }
      HWND owner = GetWindow(window, GW_OWNER);
      LogLine(owner ? "OWNER title=" + Quote(WindowTitle(owner)) : std::string("OWNER none"));
      return true;
    }
    case StepKind::Screenshot:
      return SaveScreenshot(step.text) || (*error = "cannot write " + step.text, false);
    default:
      *error = "not an action";
      return false;
  }
}
