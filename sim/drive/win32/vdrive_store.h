// The virtual drive's machine state as every process sees it: the file
// %WINDIR%\halvo-vdrive.dat mapped into memory, guarded by the named mutex
// "HalvoVirtualDrive". The file is created with the default configuration
// when it is missing or holds another layout.
#ifndef HALVO_VDRIVE_STORE_H
#define HALVO_VDRIVE_STORE_H

#include <windows.h>

#include "sim/drive/vdrive.h"

namespace vdrive {

#define VDRIVE_MUTEX_NAME "HalvoVirtualDrive"
#define VDRIVE_FILE_NAME "halvo-vdrive.dat"

enum StoreError {
  STORE_OK = 0,
  STORE_NO_MUTEX,     // the named mutex could not be created
  STORE_BUSY,         // another process held the mutex too long
  STORE_NO_PATH,      // no Windows folder, or the path is too long
  STORE_NO_FILE,      // the file could not be opened or created
  STORE_BAD_SIZE,     // the file could not be given its size
  STORE_NO_MAPPING,   // CreateFileMapping or MapViewOfFile failed
};

// Plain data with no destructor: a process may keep using it while its
// modules are being detached. close() gives everything back.
struct Store {
  HANDLE mutex;
  HANDLE mapping;
  MachineState* state;
  char path[MAX_PATH];
};

// Maps the file; does nothing when already open.
StoreError store_open(Store* store);
void store_close(Store* store);

// Waits for the mutex and returns the state (repaired to the default when
// it no longer holds a valid record), or null with the reason in *error.
// Every successful lock is paired with store_unlock.
MachineState* store_lock(Store* store, StoreError* error);
void store_unlock(Store* store);

const char* store_error_text(StoreError error);

}  // namespace vdrive

#endif
