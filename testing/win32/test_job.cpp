#include "testing/win32/test_job.h"

#include <stddef.h>
#include <string.h>
#include <tlhelp32.h>

namespace itest {

bool TestJob::open() {
  job_ = CreateJobObjectA(NULL, NULL);
  if (!job_) return false;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  return SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits) &&
         AssignProcessToJobObject(job_, GetCurrentProcess());
}

std::vector<DWORD> TestJob::processes() const {
  // The list is a header and a variable number of ULONG_PTR ids; read the
  // ids from the bytes rather than through the declared one-element array.
  const size_t header = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
  std::vector<DWORD> ids;
  DWORD room = 64;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<unsigned char> bytes(header + room * sizeof(ULONG_PTR));
    JOBOBJECT_BASIC_PROCESS_ID_LIST* list =
        reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(bytes.data());
    BOOL whole = QueryInformationJobObject(job_, JobObjectBasicProcessIdList, list,
                                           static_cast<DWORD>(bytes.size()), NULL);
    if (!whole && GetLastError() != ERROR_MORE_DATA) return ids;
    if (!whole) {
      room = list->NumberOfAssignedProcesses + 16;
      continue;
    }
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
      ULONG_PTR id;
      memcpy(&id, bytes.data() + header + i * sizeof id, sizeof id);
      if (id != GetCurrentProcessId()) ids.push_back(static_cast<DWORD>(id));
    }
    return ids;
  }
  return ids;
}

std::string image_name(DWORD pid) {
  std::string name = "?";
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return name;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == pid) {
      name = entry.szExeFile;
      break;
    }
  }
  CloseHandle(snapshot);
  return name;
}

}  // namespace itest
