// wnaspi32.dll of the virtual drive: ASPI for Win32 answered from the
// machine state shared by all processes (see vdrive_store.h).
#include <windows.h>

#include "sim/drive/vdrive.h"
#include "sim/drive/win32/vdrive_store.h"

// Major version in the low byte, minor in the next.
#define VDRIVE_DLL_VERSION 0x0001

typedef void (__cdecl *POSTPROC)(void*);

static vdrive::Store g_store;
static CRITICAL_SECTION g_open_lock;

// Locks the shared state; on failure *status holds the ASPI status to give.
static vdrive::MachineState* lock_state(BYTE* status)
{
    vdrive::StoreError error;
    // One thread of this process at a time opens the store.
    EnterCriticalSection(&g_open_lock);
    vdrive::MachineState* state = vdrive::store_lock(&g_store, &error);
    LeaveCriticalSection(&g_open_lock);
    if (state == NULL)
        *status = error == vdrive::STORE_BUSY ? vdrive::kSsAspiIsBusy : vdrive::kSsFailedInit;
    return state;
}

extern "C" DWORD __cdecl GetASPI32SupportInfo(void)
{
    BYTE status;
    vdrive::MachineState* state = lock_state(&status);
    if (state == NULL)
        return (DWORD)status << 8;
    DWORD info = vdrive::support_info(*state);
    vdrive::store_unlock(&g_store);
    return info;
}

extern "C" DWORD __cdecl SendASPI32Command(void* srb)
{
    if (srb == NULL)
        return vdrive::kSsInvalidSrb;
    BYTE* header = (BYTE*)srb;
    LARGE_INTEGER arrived;
    QueryPerformanceCounter(&arrived);
    BYTE status;
    vdrive::MachineState* state = lock_state(&status);
    if (state == NULL) {
        header[1] = status;
        return status;
    }
    uint32_t next = state->log_next;
    status = vdrive::send_request(*state, srb);
    if (state->log_next != next) {
        // The command was logged: give its entry the times.
        LARGE_INTEGER answered;
        QueryPerformanceCounter(&answered);
        vdrive::LogEntry& entry = state->log[next % vdrive::kLogSize];
        entry.arrived = arrived.QuadPart;
        entry.answered = answered.QuadPart;
    }
    vdrive::store_unlock(&g_store);

    // Requests complete at once; a caller waiting for the completion is told
    // so straight away.
    if (header[0] == aspi::SC_EXEC_SCSI_CMD) {
        aspi::ExecRequest* request = (aspi::ExecRequest*)srb;
        if (request->post_proc != NULL) {
            if (request->flags & vdrive::kSrbEventNotify)
                SetEvent((HANDLE)request->post_proc);
            else if (request->flags & vdrive::kSrbPosting)
                ((POSTPROC)request->post_proc)(srb);
        }
    }
    return status;
}

extern "C" DWORD __cdecl GetASPI32DLLVersion(void)
{
    return VDRIVE_DLL_VERSION;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&g_open_lock);
        break;
    case DLL_PROCESS_DETACH:
        // At process exit other modules still send commands from their own
        // detach: keep everything. Only FreeLibrary gives the state back.
        if (reserved == NULL) {
            vdrive::store_close(&g_store);
            DeleteCriticalSection(&g_open_lock);
        }
        break;
    }
    return TRUE;
}
