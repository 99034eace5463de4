// Test helper DLL: at process exit, after wnaspi32.dll has had its own
// detach, it sends one more command (MODE SENSE of page 0x0E on D:, with
// allocation length 0x777 so that the log shows it).
#include <windows.h>

#include <string.h>

#include "beamhub/aspi.h"

typedef DWORD (__cdecl *SENDPROC)(void*);

static void send_last_command(void)
{
    HMODULE aspi_module = GetModuleHandleA("wnaspi32.dll");
    if (aspi_module == NULL)
        return;
    SENDPROC send = (SENDPROC)(void (*)(void))GetProcAddress(aspi_module, "SendASPI32Command");
    if (send == NULL)
        return;
    static BYTE buffer[24];
    aspi::ExecRequest request;
    memset(&request, 0, sizeof request);
    request.command = aspi::SC_EXEC_SCSI_CMD;
    request.flags = aspi::SRB_DIR_IN;
    request.target = 1;
    request.data = buffer;
    request.data_length = sizeof buffer;
    request.sense_length = 14;
    request.cdb_length = 10;
    request.cdb[0] = 0x5A;
    request.cdb[2] = 0x0E;
    request.cdb[7] = 0x07;
    request.cdb[8] = 0x77;
    send(&request);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH && reserved != NULL)
        send_last_command();
    return TRUE;
}
