#include "sim/drive/win32/vdrive_store.h"

#include <string.h>

namespace vdrive {

namespace {

const DWORD kLockTimeoutMs = 10000;

BOOL wait_for(HANDLE mutex)
{
    DWORD result = WaitForSingleObject(mutex, kLockTimeoutMs);
    // An owner that died left the state as it was; the record check on
    // every lock repairs a torn one.
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

BOOL make_path(char* path)
{
    static const char kName[] = "\\" VDRIVE_FILE_NAME;
    UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof kName > MAX_PATH)
        return FALSE;
    if (length > 0 && path[length - 1] == '\\')
        --length;
    memcpy(path + length, kName, sizeof kName);
    return TRUE;
}

// With the mutex held: opens or creates the file at the record's size and
// maps it.
StoreError map_file(Store* store)
{
    if (!make_path(store->path))
        return STORE_NO_PATH;

    HANDLE file = CreateFileA(store->path, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return STORE_NO_FILE;

    const DWORD size = sizeof(MachineState);
    BOOL fresh = FALSE;
    if (GetFileSize(file, NULL) != size) {
        if (SetFilePointer(file, (LONG)size, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
            !SetEndOfFile(file)) {
            CloseHandle(file);
            return STORE_BAD_SIZE;
        }
        fresh = TRUE;
    }

    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READWRITE, 0, size, NULL);
    CloseHandle(file);  // the mapping keeps the file open
    if (mapping == NULL)
        return STORE_NO_MAPPING;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size);
    if (view == NULL) {
        CloseHandle(mapping);
        return STORE_NO_MAPPING;
    }

    store->mapping = mapping;
    store->state = (MachineState*)view;
    if (fresh || !is_valid(store->state, size))
        reset(*store->state);
    return STORE_OK;
}

}  // namespace

StoreError store_open(Store* store)
{
    if (store->state != NULL)
        return STORE_OK;
    if (store->mutex == NULL) {
        store->mutex = CreateMutexA(NULL, FALSE, VDRIVE_MUTEX_NAME);
        if (store->mutex == NULL)
            return STORE_NO_MUTEX;
    }
    if (!wait_for(store->mutex))
        return STORE_BUSY;
    StoreError error = map_file(store);
    ReleaseMutex(store->mutex);
    return error;
}

void store_close(Store* store)
{
    if (store->state != NULL)
        UnmapViewOfFile(store->state);
    if (store->mapping != NULL)
        CloseHandle(store->mapping);
    if (store->mutex != NULL)
        CloseHandle(store->mutex);
    store->state = NULL;
    store->mapping = NULL;
    store->mutex = NULL;
}

MachineState* store_lock(Store* store, StoreError* error)
{
    StoreError result = store_open(store);
    if (result == STORE_OK && !wait_for(store->mutex))
        result = STORE_BUSY;
    if (error != NULL)
        *error = result;
    if (result != STORE_OK)
        return NULL;
    if (!is_valid(store->state, sizeof(MachineState)))
        reset(*store->state);
    return store->state;
}

void store_unlock(Store* store)
{
    ReleaseMutex(store->mutex);
}

const char* store_error_text(StoreError error)
{
    switch (error) {
    case STORE_OK: return "no error";
    case STORE_NO_MUTEX: return "the mutex " VDRIVE_MUTEX_NAME " could not be created";
    case STORE_BUSY: return "another process holds the virtual drive";
    case STORE_NO_PATH: return "no usable Windows folder for " VDRIVE_FILE_NAME;
    case STORE_NO_FILE: return "the state file could not be opened or created";
    case STORE_BAD_SIZE: return "the state file could not be given its size (in use by an older version?)";
    case STORE_NO_MAPPING: return "the state file could not be mapped";
    }
    return "unknown error";
}

}  // namespace vdrive
