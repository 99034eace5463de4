// harness_box_child.exe STYLE CAPTION TEXT: shows MessageBoxA with the style
// (a number, e.g. 1 for MB_OKCANCEL) and exits with the button it returns.
#include <windows.h>

#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 4) return 100;
  return MessageBoxA(NULL, argv[3], argv[2], static_cast<UINT>(strtoul(argv[1], NULL, 0)));
}
