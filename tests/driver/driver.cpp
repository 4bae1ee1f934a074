// End-to-end test driver: starts a program under Wine, logs and answers its
// windows by a script.  Being written; for now it only reports its usage.
#include <windows.h>
#include <stdio.h>

int main() {
  fputs("usage: sfxdriver [options] -- program.exe\n", stderr);
  return 2;
}
