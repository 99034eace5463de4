#include "beamhub/win32/bench/bench_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace bench {

namespace {

const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";

}  // namespace

int64_t now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

void pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DWORD left = end - GetTickCount();
    if (static_cast<int32_t>(left) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(left, 2), QS_ALLINPUT);
  }
}

void* wrap_import(HMODULE module, const char* dll, const char* name, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return nullptr;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
       ++imp) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    DWORD first = imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + first);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(by_name->Name), name) != 0) continue;
      DWORD old;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old))
        return nullptr;
      void* previous = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return previous;
    }
  }
  return nullptr;
}

Voice voice_off() {
  Voice old;
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSuiteKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return old;
  DWORD type = 0, size = sizeof old.value;
  old.had = RegQueryValueExA(key, "IntelligentVoice", nullptr, &type,
                             reinterpret_cast<BYTE*>(&old.value), &size) == ERROR_SUCCESS &&
            type == REG_DWORD;
  DWORD zero = 0;
  RegSetValueExA(key, "IntelligentVoice", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof zero);
  RegCloseKey(key);
  return old;
}

void restore_voice(const Voice& old) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSuiteKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  if (old.had)
    RegSetValueExA(key, "IntelligentVoice", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old.value),
                   sizeof old.value);
  else
    RegDeleteValueA(key, "IntelligentVoice");
  RegCloseKey(key);
}

vdrive::DriveSlot* receiver_drive(vdrive::MachineState& state) {
  for (vdrive::DriveSlot& d : state.drives)
    if (d.letter && d.present && d.has_receiver) return &d;
  return nullptr;
}

HWND client_window(const char* class_name, WNDPROC procedure) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = class_name;
  RegisterClassA(&wc);
  return CreateWindowExA(0, class_name, "bench", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

double percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * sorted.size()));
  return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

}  // namespace bench
