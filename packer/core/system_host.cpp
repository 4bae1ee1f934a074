// Operating-system services on POSIX systems.
#include "system.h"

#include <fcntl.h>
#include <sys/random.h>
#include <termios.h>
#include <unistd.h>

#include "errors.h"

const bool kBackslashSeparatesFolders = false;

void SystemRandom(uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::getrandom(bytes + done, count - done, 0);
    if (n <= 0) throw Refusal("the system's random source gives no bytes");
    done += (size_t)n;
  }
}

void StandardInputAsBytes() {}

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool AskHidden(const char* prompt, std::string& line) {
  int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) return false;
  bool ok = ::write(tty, prompt, std::char_traits<char>::length(prompt)) >= 0;
  struct termios saved, quiet;
  bool echoOff = ::tcgetattr(tty, &saved) == 0;
  if (echoOff) {
    quiet = saved;
    quiet.c_lflag &= (tcflag_t)~ECHO;
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
  }
  line.clear();
  char c;
  while (ok && ::read(tty, &c, 1) == 1 && c != '\n') line += c;
  if (echoOff) ::tcsetattr(tty, TCSAFLUSH, &saved);
  ok = ::write(tty, "\n", 1) >= 0 && ok;
  ::close(tty);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ok;
}
