// panel.exe: one panel per desktop; its texts and pictures are in mcures.dll.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "panel/win32/panel_window.h"

// Running panels minus one: the section is shared by every process that
// runs this program file.
volatile LONG g_panels __attribute__((section(".shr"), shared)) = -1;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int)
{
    // A second panel ends at once, without a word.
    if (InterlockedIncrement(&g_panels) != 0) {
        InterlockedDecrement(&g_panels);
        return 0;
    }
    HINSTANCE resources = LoadLibraryA("mcures.dll");
    if ((UINT_PTR)resources < 32) {
        InterlockedDecrement(&g_panels);
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    {
        PanelWindow panel(resources);
        panel.run(command_line != NULL ? command_line : "");
    }
    FreeLibrary(resources);
    InterlockedDecrement(&g_panels);
    return 0;
}
