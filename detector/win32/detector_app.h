// What every window of the detector shares: the program's instance, the
// resource library, the remote-control handle and the main window.
#pragma once

#include <windows.h>

#include <string>

namespace detector {

struct App {
  HINSTANCE instance = NULL;
  HMODULE resources = NULL;  // detres.dll, loaded at start, freed at exit
  HICON icon = NULL;         // icon 101
  HWND main_window = NULL;
  DWORD remote = 0;          // the handle mmcdSetCapture gave
};
extern App g_app;

// A string of the resource library; empty when missing.
std::string resource_string(UINT id);
// MessageBoxA with a text and caption of the resource library.
int resource_box(HWND owner, UINT text_id, UINT caption_id, UINT flags);

}  // namespace detector
