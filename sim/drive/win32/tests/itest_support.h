// What the virtual drive's integration tests share: the ASPI entry points
// of wnaspi32.dll as a program loads them, and the virtual remote run as a
// child process (the driver's run_program).
#ifndef HALVO_VDRIVE_ITEST_SUPPORT_H
#define HALVO_VDRIVE_ITEST_SUPPORT_H

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "beamhub/aspi.h"
#include "sim/drive/vdrive.h"
#include "testing/win32/driver.h"
#include "testing/win32/harness.h"

namespace itest {

typedef DWORD (__cdecl *INFOPROC)(void);
typedef DWORD (__cdecl *SENDPROC)(void*);

const DWORD kChildTimeoutMs = kRunTimeoutMs;

// GetProcAddress's generic type, cast to the export's own.
template <typename Proc>
Proc proc_address(HMODULE module, const char* name)
{
    return (Proc)(void (*)(void))GetProcAddress(module, name);
}

struct Aspi {
    HMODULE module;
    INFOPROC support_info;
    SENDPROC send;
    INFOPROC version;

    bool load()
    {
        module = LoadLibraryA("wnaspi32.dll");
        if (module == NULL)
            return false;
        support_info = proc_address<INFOPROC>(module, "GetASPI32SupportInfo");
        send = proc_address<SENDPROC>(module, "SendASPI32Command");
        version = proc_address<INFOPROC>(module, "GetASPI32DLLVersion");
        return support_info != NULL && send != NULL && version != NULL;
    }
};

inline aspi::ExecRequest page_request(uint8_t target, uint8_t opcode, uint8_t page,
                               std::vector<uint8_t>& buffer, uint16_t length)
{
    aspi::ExecRequest r;
    memset(&r, 0, sizeof r);
    r.command = aspi::SC_EXEC_SCSI_CMD;
    r.flags = opcode == vdrive::kOpModeSelect10 ? aspi::SRB_DIR_OUT : aspi::SRB_DIR_IN;
    r.target = target;
    r.data = buffer.data();
    r.data_length = (uint32_t)buffer.size();
    r.sense_length = 14;
    r.cdb_length = 10;
    r.cdb[0] = opcode;
    r.cdb[1] = opcode == vdrive::kOpModeSelect10 ? 0x10 : 0x00;
    r.cdb[2] = page;
    r.cdb[7] = (uint8_t)(length >> 8);
    r.cdb[8] = (uint8_t)(length & 0xFF);
    return r;
}

inline DWORD run_remote(const std::string& arguments, std::string* output,
                        const char* folder = NULL)
{
    return run_program(arguments, "halvo-remote.exe", output, folder);
}

}  // namespace itest

#endif
