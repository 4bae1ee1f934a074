// The names Windows gives to devices in every folder.  One rule for the stub,
// which refuses to write such an entry, and for the packer, which refuses to
// pack one.
#pragma once

// TRUE when the path component `name` (`length` bytes, no separator) opens a
// device instead of a file: CON, PRN, AUX, NUL, CONIN$, CONOUT$, and COM or
// LPT followed by a digit 0-9 or a superscript digit 1, 2 or 3 (bytes 0xB9,
// 0xB2, 0xB3 of Windows-1252), without regard to case.  As Windows compares
// them, only the part before the first dot counts, trailing blanks dropped:
// "con.txt" and "Con .txt" are devices too.
bool IsReservedDeviceName(const char* name, int length);
