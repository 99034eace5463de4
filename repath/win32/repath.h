// The installer helper's one export.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Writes text, with its NUL, behind the first occurrence of marker in the
// file. 0 when the file cannot be opened for reading and writing, else 1.
int WINAPI ReplaceSdPath(LPCSTR file_name, LPCSTR marker, LPCSTR text);

#ifdef __cplusplus
}
#endif
