// The driver's window work for shell scripts (tools/screenshots.sh): finds
// a window and prints its rectangle, posts it a command, switches a
// property sheet's page, closes it. Windows are named by class and title,
// "-" for any; "wait" and "gone" look at shown windows only.
//
//   halvo-wintool wait CLASS TITLE SECONDS    prints "x y width height"
//   halvo-wintool text CLASS TITLE            prints the window text
//   halvo-wintool gone CLASS TITLE SECONDS    waits until none is visible
//   halvo-wintool command CLASS TITLE ID      posts WM_COMMAND ID
//   halvo-wintool click CLASS TITLE ID        a click on button ID
//   halvo-wintool page CLASS TITLE INDEX      PSM_SETCURSEL, then its rectangle
//   halvo-wintool close CLASS TITLE           posts WM_CLOSE
//   halvo-wintool front CLASS TITLE           makes it the foreground window
//   halvo-wintool pointer CLASS TITLE X Y     puts the pointer at its client point X, Y
//   halvo-wintool cancel CLASS TITLE          posts WM_CANCELMODE (ends its menu)
//   halvo-wintool expand CLASS TITLE          expands every item of its tree views
//   halvo-wintool status CLASS TITLE PART     waits for a text in a part of
//                                             its status bar, and prints it
//
// Exit code 0 when done, 1 when the window was not found in time, 2 for a
// wrong command line.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "testing/win32/driver.h"

namespace {

const char* any(const char* name) { return strcmp(name, "-") == 0 ? NULL : name; }

BOOL CALLBACK expand_tree(HWND child, LPARAM) {
  if (itest::class_of(child) == WC_TREEVIEWA)
    for (const itest::TreeItem& item : itest::tree_items(child))
      SendMessageA(child, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item.handle));
  return TRUE;
}

int print_rect(HWND window) {
  const RECT rect = itest::window_rect(window);
  printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: halvo-wintool VERB CLASS TITLE [N [N]] (verbs: see the source)\n");
    return 2;
  }
  const char* verb = argv[1];
  const char* class_name = any(argv[2]);
  const char* title = any(argv[3]);
  const long number = argc > 4 ? strtol(argv[4], NULL, 10) : 0;

  if (strcmp(verb, "gone") == 0) {
    return itest::wait_until(
               [&] {
                 for (HWND window : itest::find_windows(class_name, title))
                   if (IsWindowVisible(window)) return false;
                 return true;
               },
               number * 1000)
               ? 0
               : 1;
  }
  // "wait" is for a window to be shown; the others work hidden windows too,
  // such as the main window of a program in the tray.
  HWND window = NULL;
  if (strcmp(verb, "wait") == 0)
    window = itest::wait_for_window(class_name, title, number * 1000);
  else
    itest::wait_until([&] { return (window = itest::find_window(class_name, title)) != NULL; },
                      itest::kWindowTimeoutMs);
  if (!window) {
    fprintf(stderr, "halvo-wintool: no window %s \"%s\"\n", argv[2], argv[3]);
    return 1;
  }
  if (strcmp(verb, "wait") == 0) return print_rect(window);
  if (strcmp(verb, "text") == 0) return printf("%s\n", itest::text_of(window).c_str()) < 0;
  if (strcmp(verb, "command") == 0) return itest::post_command(window, number) ? 0 : 1;
  if (strcmp(verb, "click") == 0) return itest::click(window, number) ? 0 : 1;
  if (strcmp(verb, "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (strcmp(verb, "cancel") == 0) return PostMessageA(window, WM_CANCELMODE, 0, 0) ? 0 : 1;
  if (strcmp(verb, "pointer") == 0) {
    POINT at = {number, argc > 5 ? strtol(argv[5], NULL, 10) : 0};
    return ClientToScreen(window, &at) && SetCursorPos(at.x, at.y) ? 0 : 1;
  }
  if (strcmp(verb, "front") == 0)
    return itest::wait_until([&] { return SetForegroundWindow(window) &&
                                          GetForegroundWindow() == window; },
                             itest::kWindowTimeoutMs)
               ? 0
               : 1;
  if (strcmp(verb, "expand") == 0) {
    EnumChildWindows(window, expand_tree, 0);
    return 0;
  }
  if (strcmp(verb, "status") == 0) {
    HWND bar = FindWindowExA(window, NULL, STATUSCLASSNAMEA, NULL);
    std::string text;
    if (!bar || !itest::wait_until([&] { return !(text = itest::status_text(bar, number)).empty(); },
                                   itest::kWindowTimeoutMs))
      return 1;
    printf("%s\n", text.c_str());
    return 0;
  }
  if (strcmp(verb, "page") == 0) {
    if (!itest::select_page(window, number) ||
        !itest::wait_until([&] { return itest::current_page_index(window) == number; },
                           itest::kWindowTimeoutMs))
      return 1;
    return print_rect(window);
  }
  fprintf(stderr, "halvo-wintool: unknown command %s\n", verb);
  return 2;
}
