// The reserved device names, compared the way Windows compares them.
#include "device_names.h"

static char Upper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

// The fourth character of COMn and LPTn: a digit or a superscript 1, 2, 3.
static bool IsPortNumber(char c) {
  unsigned char u = (unsigned char)c;
  return (u >= '0' && u <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

bool IsReservedDeviceName(const char* name, int length) {
  int n = 0;
  while (n < length && name[n] != '.') ++n;
  while (n > 0 && name[n - 1] == ' ') --n;
  // The longest device name, CONOUT$, has 7 characters.
  char u[7];
  if (n < 3 || n > 7) return false;
  for (int i = 0; i < n; ++i) u[i] = Upper(name[i]);
  // Three letters each; "COM" and "LPT" take a port number after them.
  static const char kDevices[] = "CONPRNAUXNULCOMLPT";
  for (int k = 0; k < 18; k += 3) {
    if (u[0] != kDevices[k] || u[1] != kDevices[k + 1] || u[2] != kDevices[k + 2]) continue;
    if (k < 12) {
      if (n == 3) return true;
      // CONIN$ and CONOUT$
      if (k == 0 && n == 6 && u[3] == 'I' && u[4] == 'N' && u[5] == '$') return true;
      if (k == 0 && n == 7 && u[3] == 'O' && u[4] == 'U' && u[5] == 'T' && u[6] == '$') return true;
      return false;
    }
    return n == 4 && IsPortNumber(u[3]);
  }
  return false;
}
