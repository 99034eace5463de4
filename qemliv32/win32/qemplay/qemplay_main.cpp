// qemplay.exe: the outside player program. It hands its command line,
// without its own name, to QEM_Play in qemliv32.dll and ends with its
// result; without the library it ends with 0.
#include <windows.h>

#include <string>

#include "qemliv32/qem_play.h"

typedef int(WINAPI* QemPlayFn)(const char* command_line);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HMODULE engine = LoadLibraryA("qemliv32.dll");
  if (!engine) return 0;
  auto play = reinterpret_cast<QemPlayFn>(reinterpret_cast<void*>(GetProcAddress(engine, "QEM_Play")));
  // Cut by the rule the engine builds its command lines for.
  const std::string arguments(qem::player_arguments(GetCommandLineA()));
  const int result = play ? play(arguments.c_str()) : 0;
  FreeLibrary(engine);
  return result;
}
