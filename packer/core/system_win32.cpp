// Operating-system services on Windows.
#define _CRT_RAND_S  // rand_s, the system random source of the C runtime
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "errors.h"
#include "system.h"

const bool kBackslashSeparatesFolders = true;

void SystemRandom(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count;) {
    unsigned value;
    if (rand_s(&value) != 0) throw Refusal("the system's random source gives no bytes");
    for (int k = 0; k < 4 && i < count; ++k, ++i) bytes[i] = (uint8_t)(value >> (8 * k));
  }
}

void StandardInputAsBytes() { ::_setmode(_fileno(stdin), _O_BINARY); }

bool StandardOutputIsTerminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool AskHidden(const char* prompt, std::string& line) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (!GetConsoleMode(in, &mode)) return false;
  WriteConsoleA(GetStdHandle(STD_ERROR_HANDLE), prompt, (DWORD)strlen(prompt), nullptr, nullptr);
  line.clear();
  for (int c = _getch(); c != '\r' && c != '\n' && c != EOF; c = _getch()) line += (char)c;
  WriteConsoleA(GetStdHandle(STD_ERROR_HANDLE), "\r\n", 2, nullptr, nullptr);
  return true;
}
