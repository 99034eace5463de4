// surfdeck.exe: the web front end; its texts, menu and icon are in surfres.dll.
#include <windows.h>

#include <string>

#include "surfdeck/surfres_ids.h"
#include "surfdeck/win32/desktop_port.h"
#include "surfdeck/win32/surfdeck_app.h"

// Running copies minus one: the section is shared by every process that
// runs this program file.
volatile LONG g_copies __attribute__((section(".shr"), shared)) = -1;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
  HINSTANCE resources = LoadLibraryA("surfres.DLL");
  if (resources == NULL) {
    MessageBoxA(NULL, "X- RCDLL ", NULL, MB_OK | MB_ICONEXCLAMATION);
    return 1;
  }
  int result = 1;
  if (InterlockedIncrement(&g_copies) != 0)
    surfdeck::show_message(resources, NULL, IDS_ALREADY_RUNNING, MB_OK | MB_ICONEXCLAMATION);
  else
    result = surfdeck::run_front_end(instance, resources, command_line != NULL ? command_line : "", show);
  FreeLibrary(resources);
  InterlockedDecrement(&g_copies);
  return result;
}
