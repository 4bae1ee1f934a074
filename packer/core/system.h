// The few services mksfx takes from the operating system beyond files:
// POSIX in system_host.cpp, Win32 in system_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// `count` bytes from the system's random source; throws Refusal when it
// gives none.
void SystemRandom(uint8_t* bytes, size_t count);

// One line typed on the terminal after `prompt`, not echoed.  False when
// there is no terminal to ask.
bool AskHidden(const char* prompt, std::string& line);

// Whether standard output is a terminal, where a self-extractor's bytes
// must not go.
bool StandardOutputIsTerminal();

// Whether "\" separates folders in the paths typed on this system (Windows),
// so that a pattern typed with it means "/".
extern const bool kBackslashSeparatesFolders;

// Standard input read as bytes from now on (on Windows not as text, which
// would turn "\r\n" into "\n").
void StandardInputAsBytes();
