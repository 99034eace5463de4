// What the virtual drive's integration tests share: the ASPI entry points
// of wnaspi32.dll as a program loads them, and programs of the build folder
// run as child processes.
#ifndef HALVO_VDRIVE_ITEST_SUPPORT_H
#define HALVO_VDRIVE_ITEST_SUPPORT_H

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "beamhub/aspi.h"
#include "sim/drive/vdrive.h"
#include "testing/win32/harness.h"

namespace itest {

typedef DWORD (__cdecl *INFOPROC)(void);
typedef DWORD (__cdecl *SENDPROC)(void*);

const DWORD kChildTimeoutMs = 60000;

inline std::string program_folder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

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

inline HANDLE start_program(const std::string& command_line, HANDLE output,
                            const char* folder = NULL)
{
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (output != NULL) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION process;
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, output != NULL, 0, NULL, folder,
                        &startup, &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

inline DWORD finish_program(HANDLE process)
{
    // 0xFFFFFFFF: not started or timed out; 0xFFFFFFFE: the wait itself failed.
    DWORD code = 0xFFFFFFFF;
    const DWORD waited = wait_for_object(process, kChildTimeoutMs);
    if (waited == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    } else {
        if (waited != WAIT_TIMEOUT) code = 0xFFFFFFFE;
        TerminateProcess(process, code);
    }
    CloseHandle(process);
    return code;
}

// Runs a program of the build folder and collects what it prints.
inline DWORD run_program(const std::string& arguments, const char* program, std::string* output,
                         const char* folder = NULL)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0))
        return 0xFFFFFFFF;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    const std::string line = "\"" + program_folder() + program + "\" " + arguments;
    HANDLE process = start_program(line, write_end, folder);
    if (process == NULL) {
        // Seen once under load on a busy machine: try once more, and say why
        // if that fails too.
        Sleep(200);
        process = start_program(line, write_end, folder);
    }
    const DWORD start_error = GetLastError();
    CloseHandle(write_end);
    if (process == NULL) {
        CloseHandle(read_end);
        if (output != NULL)
            *output += "could not start " + line + ": error " + std::to_string(start_error) + "\n";
        return 0xFFFFFFFF;
    }
    read_until_closed(read_end, *output, kChildTimeoutMs);
    CloseHandle(read_end);
    return finish_program(process);
}

inline DWORD run_remote(const std::string& arguments, std::string* output,
                        const char* folder = NULL)
{
    return run_program(arguments, "halvo-remote.exe", output, folder);
}

}  // namespace itest

#endif
