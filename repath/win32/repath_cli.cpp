// repath.exe FILE MARKER TEXT: writes TEXT behind the first MARKER in FILE,
// through repath.dll loaded by name, as an installation script loads it.
// Exit 0 when the file was opened, 1 when not, 2 on a wrong command line or
// when the library cannot be loaded.
#include <stdio.h>

#include "repath/win32/repath.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: repath FILE MARKER TEXT\n"
                    "Writes TEXT and a NUL byte behind the first MARKER in FILE.\n");
    return 2;
  }
  HMODULE dll = LoadLibraryA("repath.dll");
  using ReplaceSdPathFn = int(WINAPI*)(LPCSTR, LPCSTR, LPCSTR);
  auto replace = dll ? reinterpret_cast<ReplaceSdPathFn>(
                           reinterpret_cast<void*>(GetProcAddress(dll, "ReplaceSdPath")))
                     : nullptr;
  if (!replace) {
    fprintf(stderr, "repath: cannot load ReplaceSdPath from repath.dll\n");
    return 2;
  }
  const int opened = replace(argv[1], argv[2], argv[3]);
  FreeLibrary(dll);
  if (!opened) {
    fprintf(stderr, "repath: cannot open %s for reading and writing\n", argv[1]);
    return 1;
  }
  return 0;
}
