// The driver's script language.  One step per line (or separated by ';'):
//
//   timeout MS              limit of every later wait (default 20000)
//   wait KIND [TITLE]       wait for a window not waited for before; it
//                           becomes the current window
//   use KIND [TITLE]        make an open window current again (waits for it)
//   gone                    wait until the current window is destroyed
//   exit                    wait until the program ends (implied at the end)
//   settext ID TEXT         WM_SETTEXT to control ID of the current window
//   click ID                BM_CLICK posted to control ID
//   command ID              WM_COMMAND ID posted to the current window
//   ok | cancel             command 1 | command 2
//   check ID 0|1            BM_SETCHECK of control ID
//   select ID ITEM...       list box selection: all, none, or indexes and
//                           "item texts"; replaces the selection
//   key NAME                escape, enter, tab or space, posted to the
//                           focused control of the current window
//   close                   WM_CLOSE posted to the current window
//   log                     log the current window's state again
//   sleep MS
//   screenshot FILE         the whole screen as a BMP (a Windows path)
//   scroll ID               scroll multi-line edit ID to its end; fails when
//                           its first visible line stays where it was
//   waitfile FILE           wait until FILE exists (a program the stub
//                           started writes it; it needs no window)
//   owner                   log the current window's owner:
//                           OWNER title="..." or OWNER none
//   textfit ID              log how the text of multi-line edit ID fits it:
//                           the lines not shown whole from top to bottom,
//                           the lines that end beyond its right edge, and
//                           all its lines:
//                           TEXTFIT id=ID hidden=N cut=N lines=N
//   probe MS                until the program ends, the current window goes
//                           or another window appears, ask the current
//                           window about every 100 ms for an answer
//                           (WM_NULL); fails when one takes longer than MS.
//                           Logs
//                           PROBE answered within MS ms
//
// KIND is dialog, messagebox or window (either); TITLE is a quoted pattern in
// which '*' matches any run of characters (default: any title).  Texts are
// in double quotes with the escapes \r \n \t \" \\ and \xNN; a '#' outside
// quotes starts a comment.
#include "driver.h"

#include <cstdlib>

namespace {

struct Token {
  std::string text;
  bool quoted;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits one step into tokens; false on an unterminated or bad string.
bool Tokenize(const std::string& step, std::vector<Token>* tokens, std::string* error) {
  size_t i = 0;
  while (i < step.size()) {
    char c = step[i];
    if (c == ' ' || c == '\t' || c == '\r') { ++i; continue; }
    if (c == '#') break;
    if (c != '"') {
      size_t end = i;
      while (end < step.size() && step[end] != ' ' && step[end] != '\t' && step[end] != '\r') ++end;
      tokens->push_back({step.substr(i, end - i), false});
      i = end;
      continue;
    }
    std::string text;
    ++i;
    for (;;) {
      if (i >= step.size()) { *error = "unterminated string"; return false; }
      c = step[i++];
      if (c == '"') break;
      if (c != '\\') { text += c; continue; }
      if (i >= step.size()) { *error = "unterminated string"; return false; }
      c = step[i++];
      switch (c) {
        case 'r': text += '\r'; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case '"': text += '"'; break;
        case '\\': text += '\\'; break;
        case 'x': {
          int high = i < step.size() ? HexDigit(step[i]) : -1;
          int low = i + 1 < step.size() ? HexDigit(step[i + 1]) : -1;
          if (high < 0 || low < 0) { *error = "bad \\x escape"; return false; }
          text += static_cast<char>(high * 16 + low);
          i += 2;
          break;
        }
        default: *error = std::string("unknown escape \\") + c; return false;
      }
    }
    tokens->push_back({text, true});
  }
  return true;
}

bool Number(const Token& token, int* value) {
  if (token.quoted || token.text.empty()) return false;
  char* end = nullptr;
  long n = std::strtol(token.text.c_str(), &end, 10);
  if (*end != '\0' || n < 0 || n > 0x7FFFFFFF) return false;
  *value = static_cast<int>(n);
  return true;
}

bool Kind(const Token& token, WindowKind* kind) {
  if (token.quoted) return false;
  if (token.text == "dialog") *kind = WindowKind::Dialog;
  else if (token.text == "messagebox") *kind = WindowKind::MessageBox;
  else if (token.text == "window") *kind = WindowKind::Any;
  else return false;
  return true;
}

// Fills `step` from its tokens; false with a message when they do not fit.
bool Build(const std::vector<Token>& t, Step* step, std::string* error) {
  const std::string& verb = t[0].text;
  size_t n = t.size();
  auto needId = [&](size_t count) {
    if (n != count || !Number(t[1], &step->id)) {
      *error = verb + " needs a control id" + (count > 2 ? " and a value" : "");
      return false;
    }
    return true;
  };
  if (verb == "wait" || verb == "use") {
    step->kind = verb == "wait" ? StepKind::Wait : StepKind::Use;
    if (n < 2 || n > 3 || !Kind(t[1], &step->windowKind)) {
      *error = verb + " needs dialog, messagebox or window and may have a title";
      return false;
    }
    if (n == 3) step->pattern = t[2].text;
    return true;
  }
  if (verb == "timeout" || verb == "sleep") {
    step->kind = verb == "timeout" ? StepKind::Timeout : StepKind::Sleep;
    if (n != 2 || !Number(t[1], &step->number)) { *error = verb + " needs milliseconds"; return false; }
    return true;
  }
  if (verb == "settext") {
    step->kind = StepKind::SetText;
    if (!needId(3)) return false;
    step->text = t[2].text;
    return true;
  }
  if (verb == "click") { step->kind = StepKind::Click; return needId(2); }
  if (verb == "command") { step->kind = StepKind::Command; return needId(2); }
  if (verb == "check") {
    step->kind = StepKind::Check;
    if (!needId(3)) return false;
    if (!Number(t[2], &step->number) || step->number > 1) { *error = "check needs 0 or 1"; return false; }
    return true;
  }
  if (verb == "select") {
    step->kind = StepKind::Select;
    if (n < 3 || !Number(t[1], &step->id)) { *error = "select needs a control id and items"; return false; }
    for (size_t i = 2; i < n; ++i) {
      int index = 0;
      if (!t[i].quoted && t[i].text == "all") step->selectAll = true;
      else if (!t[i].quoted && t[i].text == "none") {}
      else if (Number(t[i], &index)) step->items.push_back({index, std::string()});
      else if (t[i].quoted) step->items.push_back({-1, t[i].text});
      else { *error = "select item must be all, none, an index or a quoted text"; return false; }
    }
    return true;
  }
  if (verb == "key") {
    step->kind = StepKind::Key;
    static const char* const kKeys[] = {"escape", "enter", "tab", "space"};
    if (n == 2)
      for (const char* key : kKeys)
        if (t[1].text == key) { step->text = key; return true; }
    *error = "key needs escape, enter, tab or space";
    return false;
  }
  if (verb == "screenshot" || verb == "waitfile") {
    step->kind = verb == "screenshot" ? StepKind::Screenshot : StepKind::WaitFile;
    if (n != 2) { *error = verb + " needs a file name"; return false; }
    step->text = t[1].text;
    return true;
  }
  if (verb == "scroll") { step->kind = StepKind::Scroll; return needId(2); }
  if (verb == "textfit") { step->kind = StepKind::TextFit; return needId(2); }
  if (verb == "probe") {
    step->kind = StepKind::Probe;
    if (n != 2 || !Number(t[1], &step->number) || step->number == 0) {
      *error = "probe needs milliseconds";
      return false;
    }
    return true;
  }
  struct Bare { const char* verb; StepKind kind; int id; };
  static const Bare kBare[] = {
      {"ok", StepKind::Command, IDOK}, {"cancel", StepKind::Command, IDCANCEL},
      {"close", StepKind::Close, 0},   {"log", StepKind::Log, 0},
      {"gone", StepKind::Gone, 0},     {"exit", StepKind::Exit, 0},
      {"owner", StepKind::Owner, 0},
  };
  for (const Bare& bare : kBare) {
    if (verb != bare.verb) continue;
    if (n != 1) { *error = verb + " takes nothing more"; return false; }
    step->kind = bare.kind;
    step->id = bare.id;
    return true;
  }
  *error = "unknown step '" + verb + "'";
  return false;
}

}  // namespace

bool ParseScript(const std::string& script, std::vector<Step>* steps, std::string* error) {
  int line = 1;
  size_t start = 0;
  bool quoted = false, escaped = false, comment = false;
  for (size_t i = 0; i <= script.size(); ++i) {
    char c = i < script.size() ? script[i] : '\n';
    if (c != '\n') {
      if (comment) continue;
      if (quoted) {
        if (escaped) escaped = false;
        else if (c == '\\') escaped = true;
        else if (c == '"') quoted = false;
        continue;
      }
      if (c == '"') quoted = true;
      if (c == '#') comment = true;
      if (c != ';') continue;
    }
    std::string text = script.substr(start, i - start);
    start = i + 1;
    std::vector<Token> tokens;
    std::string message;
    if (!Tokenize(text, &tokens, &message)) {
      *error = "line " + std::to_string(line) + ": " + message;
      return false;
    }
    if (!tokens.empty()) {
      Step step;
      step.line = line;
      size_t first = text.find_first_not_of(" \t");
      step.source = text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
      if (!Build(tokens, &step, &message)) {
        *error = "line " + std::to_string(line) + ": " + message;
        return false;
      }
      steps->push_back(step);
    }
    if (c == '\n') {
      ++line;
      quoted = escaped = comment = false;
    }
  }
  return true;
}

bool TitleMatches(const std::string& pattern, const std::string& title) {
  // Classic two-pointer glob: remember the last '*' and retry from there.
  size_t p = 0, t = 0, star = std::string::npos, mark = 0;
  while (t < title.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && pattern[p] == title[t]) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}
