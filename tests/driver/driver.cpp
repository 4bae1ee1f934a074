// sfxdriver: runs a Win32 program, logs every window it shows, answers them
// by a script and reports how the program ended.
//
//   sfxdriver [--cwd DIR] [--timeout MS] [--fail-screenshot FILE]
//             [--script FILE] [--steps "STEP; STEP..."] [--append TEXT]
//             [--env NAME=VALUE]... -- PROGRAM [ARGS...]
//
// The command line is read and passed on in UTF-16, so that a text the ANSI
// code page cannot hold (a folder named in Polish or Greek) reaches the
// program as it was given.
//
// The log on stdout has one record per line:
//   MESSAGEBOX caption="..." icon=error text="..." buttons=1
//   DIALOG title="..."            followed by its controls:
//   CONTROL id=101 class=Edit text="..." visible=1 enabled=1 checked=0
//   LISTITEM id=301 index=0 selected=1 text="..."
//   WINDOW class=... title="..."  a top-level window that is no dialog
//   FAIL line=N step="..." reason="..."
//   EXIT code=N                   (code=killed when the driver ended it)
// Every visible top-level window of the program is logged once when it
// first appears, whether a step waits for it or not; `log` logs it again.
// The driver exits with 0 when every step ran and the program ended by
// itself, 1 when a step failed or time ran out, 2 on a usage error.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver.h"

#include <shellapi.h>  // after windows.h

namespace {

// How often the program's windows are looked at: a step follows its window
// within this time, and the shared machine's CPU is not burnt.  A window
// shown for less than this (a dialog ending in its own initialisation) may
// go unseen, which is why such flashes are never logged (LogWindow).
const DWORD kPollMs = 25;
// The pace of a probe's questions (besides the polling).
const DWORD kProbeMs = 75;

// Limit of one wait unless the script sets another (`timeout`).  Generous:
// on a loaded machine Wine has been seen to take over 10 s to start a
// program, and a passing step costs only the time it really takes.
const int kDefaultStepTimeoutMs = 20000;

// Limit of the whole run, from the program's start to its end.
const int kDefaultRunTimeoutMs = 60000;

// Exit codes of the driver itself.
const int kDriverOk = 0;
const int kDriverFailed = 1;
const int kDriverUsage = 2;

struct Options {
  std::string cwd;
  std::string script;
  std::string failScreenshot;
  int runTimeoutMs = kDefaultRunTimeoutMs;
  std::vector<std::string> command;
  std::string append;  // command-line text after the quoted arguments, unquoted
  std::vector<std::string> env;  // NAME=VALUE set for the program
};

struct Seen {
  HWND window;
  bool waited;  // a `wait` has taken it; later `wait`s look for others
};

// The run's state: the program, its windows and the clock.
struct Run {
  PROCESS_INFORMATION process = {};
  std::vector<Seen> seen;
  HWND current = nullptr;
  DWORD started = 0;
  DWORD runTimeoutMs = 0;
  DWORD stepTimeoutMs = kDefaultStepTimeoutMs;
};

void Usage() {
  std::fputs(
      "usage: sfxdriver [--cwd DIR] [--timeout MS] [--fail-screenshot FILE]\n"
      "                 [--script FILE] [--steps \"STEP; STEP...\"] [--append TEXT]\n"
      "                 [--env NAME=VALUE]... -- PROGRAM [ARGS...]\n"
      "--append: TEXT goes on the program's command line after the arguments as\n"
      "it stands (they are quoted, it is not)\n"
      "--env: the variable is set in the program's environment\n",
      stderr);
}

// Bytes read from a script file at a time; any size works.
const size_t kReadChunk = 4096;

bool ReadText(const char* path, std::string* text) {
  FILE* in = std::fopen(path, "rb");
  if (!in) return false;
  char buffer[kReadChunk];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) text->append(buffer, got);
  std::fclose(in);
  return true;
}

bool ParseOptions(const std::vector<std::string>& argv, Options* options) {
  size_t argc = argv.size(), i = 1;
  for (; i < argc && argv[i] != "--"; ++i) {
    const std::string& option = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i].c_str();
    if (option == "--cwd") {
      options->cwd = value;
    } else if (option == "--timeout") {
      options->runTimeoutMs = std::atoi(value);
      if (options->runTimeoutMs <= 0) return false;
    } else if (option == "--fail-screenshot") {
      options->failScreenshot = value;
    } else if (option == "--script") {
      if (!ReadText(value, &options->script)) {
        std::fprintf(stderr, "sfxdriver: cannot read %s\n", value);
        return false;
      }
      options->script += '\n';
    } else if (option == "--append") {
      options->append = value;
    } else if (option == "--env") {
      if (!std::strchr(value, '=')) return false;
      options->env.push_back(value);
    } else if (option == "--steps") {
      options->script += std::string(value) + '\n';
    } else {
      return false;
    }
  }
  for (++i; i < argc; ++i) options->command.push_back(argv[i]);
  return !options->command.empty();
}

// The command line CreateProcess expects: every argument quoted, with
// backslashes before a quote doubled.
std::string CommandLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& argument : command) {
    if (!line.empty()) line += ' ';
    line += '"';
    size_t backslashes = 0;
    for (char c : argument) {
      if (c == '\\') { ++backslashes; continue; }
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

bool Ended(const Run& run) { return WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0; }

DWORD Elapsed(const Run& run) { return GetTickCount() - run.started; }

// Logs windows that became visible since the last look and forgets the ones
// destroyed since.  Older windows first, so a prompt follows its owner.
void Watch(Run* run) {
  // Forget first, then look: a window destroyed in between is then either
  // still known or no longer listed, never taken for a new one.
  std::vector<Seen> alive;
  for (const Seen& seen : run->seen)
    if (IsWindow(seen.window)) alive.push_back(seen);
  run->seen.swap(alive);
  std::vector<HWND> visible = VisibleWindows(run->process.dwProcessId);
  for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
    bool known = false;
    for (const Seen& seen : run->seen) known = known || seen.window == *it;
    if (known || !LogWindow(*it)) continue;
    run->seen.push_back({*it, false});
  }
}

bool Matches(const Step& step, HWND window) {
  if (!IsWindowVisible(window)) return false;
  WindowKind kind = KindOf(window);
  if (step.windowKind != WindowKind::Any && step.windowKind != kind) return false;
  return TitleMatches(step.pattern, WindowTitle(window));
}

// Polls until `done` holds; false with a reason when the step's time or
// the run's time runs out, or when the program ends first and `done` needs
// it alive.
template <typename Done>
bool Until(Run* run, bool needsProgram, Done done, std::string* reason) {
  DWORD stepStart = GetTickCount();
  for (;;) {
    Watch(run);
    if (done()) return true;
    if (needsProgram && Ended(*run)) {
      Watch(run);
      if (done()) return true;
      *reason = "the program ended first";
      return false;
    }
    if (Elapsed(*run) >= run->runTimeoutMs) {
      *reason = "the run took longer than " + std::to_string(run->runTimeoutMs) + " ms";
      return false;
    }
    if (GetTickCount() - stepStart >= run->stepTimeoutMs) {
      *reason = "nothing happened within " + std::to_string(run->stepTimeoutMs) + " ms";
      return false;
    }
    Sleep(kPollMs);
  }
}

bool RunStep(Run* run, const Step& step, std::string* reason) {
  switch (step.kind) {
    case StepKind::Timeout:
      run->stepTimeoutMs = step.number;
      return true;
    case StepKind::Wait:
    case StepKind::Use:
      return Until(run, true, [&] {
        for (Seen& seen : run->seen) {
          if ((step.kind == StepKind::Wait && seen.waited) || !Matches(step, seen.window)) continue;
          seen.waited = seen.waited || step.kind == StepKind::Wait;
          run->current = seen.window;
          return true;
        }
        return false;
      }, reason);
    case StepKind::Gone:
      if (!run->current) { *reason = "no current window"; return false; }
      return Until(run, false, [&] { return !IsWindow(run->current); }, reason);
    case StepKind::Exit:
      return Until(run, false, [&] { return Ended(*run); }, reason);
    case StepKind::Probe: {
      // Asked as Windows asks before it marks a window "Not Responding",
      // about ten times a second.  The probe ends with the program, with the
      // window, or when another window appears (a prompt or a message box,
      // which the script answers next).
      if (!run->current) { *reason = "no current window"; return false; }
      DWORD slowest = 0;
      size_t windows = run->seen.size();
      bool answered = Until(run, false, [&] {
        if (Ended(*run) || !IsWindow(run->current) || run->seen.size() > windows) return true;
        DWORD asked = GetTickCount();
        DWORD_PTR result;
        if (!SendMessageTimeoutW(run->current, WM_NULL, 0, 0, SMTO_NORMAL, step.number, &result) &&
            IsWindow(run->current) && !Ended(*run))
          slowest = step.number;
        else if (GetTickCount() - asked > slowest)
          slowest = GetTickCount() - asked;
        if (slowest >= static_cast<DWORD>(step.number)) return true;
        Sleep(kProbeMs);
        return false;
      }, reason);
      if (!answered) return false;
      if (slowest >= static_cast<DWORD>(step.number)) {
        *reason = "the window did not answer within " + std::to_string(step.number) + " ms";
        return false;
      }
      LogLine("PROBE answered within " + std::to_string(step.number) + " ms");
      // For the reader of a slow run: how close it came.
      std::fprintf(stderr, "sfxdriver: probe: slowest answer %lu ms\n", slowest);
      return true;
    }
    case StepKind::WaitFile: {
      // A program the stub starts may outlive it: the file is waited for
      // whether the stub still runs or not.
      std::wstring path = Utf16(step.text);
      return Until(run, false, [&] {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
      }, reason);
    }
    default:
      return Perform(step, run->current, reason);
  }
}

int Fail(Run* run, const Options& options, const Step* step, const std::string& reason) {
  std::string where = step ? "line=" + std::to_string(step->line) + " step=" + Quote(step->source) + " "
                           : std::string();
  LogLine("FAIL " + where + "reason=" + Quote(reason));
  // What was open when it failed, for the reader of the log.
  for (HWND window : VisibleWindows(run->process.dwProcessId)) LogWindow(window);
  if (!options.failScreenshot.empty()) SaveScreenshot(options.failScreenshot);
  if (!Ended(*run)) {
    TerminateProcess(run->process.hProcess, 1);
    WaitForSingleObject(run->process.hProcess, INFINITE);
    LogLine("EXIT code=killed");
  } else {
    DWORD code = 0;
    GetExitCodeProcess(run->process.hProcess, &code);
    LogLine("EXIT code=" + std::to_string(code));
  }
  return kDriverFailed;
}

}  // namespace

int main() {
  // The log is read on Linux: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  // Coordinates as the screen has them: the stub is DPI-aware, and above 96
  // DPI Windows tells a program that is not scaled rectangles (Wine 8 does
  // not scale them yet).
  SetProcessDPIAware();
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> argv;
  for (int i = 0; i < argc; ++i) argv.push_back(Utf8(wide[i]));
  Options options;
  if (!ParseOptions(argv, &options)) {
    Usage();
    return kDriverUsage;
  }
  std::vector<Step> steps;
  std::string error;
  if (!ParseScript(options.script, &steps, &error)) {
    std::fprintf(stderr, "sfxdriver: script %s\n", error.c_str());
    return kDriverUsage;
  }

  Run run;
  run.runTimeoutMs = options.runTimeoutMs;
  std::string line = CommandLine(options.command);
  if (!options.append.empty()) line += ' ' + options.append;
  for (const std::string& variable : options.env) {
    size_t equals = variable.find('=');
    SetEnvironmentVariableW(Utf16(variable.substr(0, equals)).c_str(),
                            Utf16(variable.substr(equals + 1)).c_str());
  }
  std::wstring wideLine = Utf16(line), cwd = Utf16(options.cwd);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, &wideLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                      cwd.empty() ? nullptr : cwd.c_str(), &startup, &run.process)) {
    std::fprintf(stderr, "sfxdriver: cannot start %s (error %lu)\n", line.c_str(), GetLastError());
    return kDriverFailed;
  }
  run.started = GetTickCount();

  for (const Step& step : steps) {
    std::string reason;
    if (!RunStep(&run, step, &reason)) return Fail(&run, options, &step, reason);
  }
  // After the last step the program must end by itself in the run's time.
  Step end;
  end.kind = StepKind::Exit;
  end.source = "(end of script)";
  run.stepTimeoutMs = run.runTimeoutMs;
  std::string reason;
  if (!RunStep(&run, end, &reason)) return Fail(&run, options, &end, reason);

  DWORD code = 0;
  GetExitCodeProcess(run.process.hProcess, &code);
  LogLine("EXIT code=" + std::to_string(code));
  CloseHandle(run.process.hThread);
  CloseHandle(run.process.hProcess);
  return kDriverOk;
}
