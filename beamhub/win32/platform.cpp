#include "beamhub/win32/platform.h"

#include <mmsystem.h>

#include <cstring>
#include <string>

namespace beamhub::win32 {
namespace {

const char kSuiteKey[] = "Software\\Quorvane Tech\\Quorvane Halvo Suite\\1.0";
const char kAspiDevice[] = "\\\\.\\APIX";
constexpr DWORD kAspiExecIoctl = 3;
constexpr int kPendingPolls = 5000;  // 1 ms apart

std::string read_string(HKEY key, const char* name) {
  char buffer[MAX_PATH] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

// A device instance key under HKLM "Enum", e.g. "SCSI\dev\0".
HKEY open_enum_key(const std::string& hardware_key, REGSAM access) {
  HKEY key = nullptr;
  std::string path = "Enum\\" + hardware_key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

std::vector<std::string> subkeys(HKEY key) {
  std::vector<std::string> names;
  char name[MAX_PATH];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, size);
  }
  return names;
}

class Win32Profile : public ProfileReader {
 public:
  explicit Win32Profile(std::string path) : path_(std::move(path)) {}
  std::string get(const char* section, const char* key, const char* def,
                  std::size_t size) override {
    std::string buffer(size + 1, '\0');
    DWORD n = GetPrivateProfileStringA(section, key, def, &buffer[0], static_cast<DWORD>(size),
                                       path_.c_str());
    buffer.resize(n < size ? n : 0);
    return buffer;
  }

 private:
  std::string path_;
};

// Opens the CD audio device on a drive; 0 when it cannot be opened.
MCIDEVICEID open_cd_audio(char drive_letter) {
  char element[] = "X:";
  element[0] = drive_letter;
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(MCI_DEVTYPE_CD_AUDIO));
  open.lpstrElementName = element;
  if (mciSendCommandA(0, MCI_OPEN,
                      MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE,
                      reinterpret_cast<DWORD_PTR>(&open)) != 0)
    return 0;
  return open.wDeviceID;
}

DWORD file_attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

// ---- ASPI ----

void Win32Aspi::load() {
  library_ = LoadLibraryA("wnaspi32.dll");
  if (library_) {
    support_info_ = reinterpret_cast<SupportInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(library_, "GetASPI32SupportInfo")));
    send_command_ = reinterpret_cast<SendCommandFn>(
        reinterpret_cast<void*>(GetProcAddress(library_, "SendASPI32Command")));
  }
  // The ASPI manager device exists on the systems it was made for; elsewhere
  // every command takes the library's own execute request.
  HANDLE device = CreateFileA(kAspiDevice, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr);
  use_device_ = device != INVALID_HANDLE_VALUE;
  if (use_device_) CloseHandle(device);
}

uint32_t Win32Aspi::support_info() { return support_info_ ? support_info_() : 0; }

void Win32Aspi::send(aspi::DeviceTypeRequest& request) {
  if (send_command_) {
    send_command_(&request);
  } else {
    request.status = aspi::SS_INVALID_HA;
  }
}

Transport Win32Aspi::execute(aspi::ExecRequest& request) {
  if (use_device_) {
    HANDLE device = CreateFileA(kAspiDevice, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr);
    if (device == INVALID_HANDLE_VALUE) return Transport::open_failed;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, kAspiExecIoctl, &request, sizeof request, nullptr, 0,
                              &returned, nullptr);
    CloseHandle(device);
    return ok ? Transport::ok : Transport::io_failed;
  }
  if (!send_command_) return Transport::open_failed;
  send_command_(&request);
  for (int i = 0; request.status == aspi::SS_PENDING && i < kPendingPolls; ++i) Sleep(1);
  // A check condition leaves its sense data; any other failure has none to read.
  if (request.status != aspi::SS_COMP && request.status != aspi::SS_ERR) return Transport::io_failed;
  return Transport::ok;
}

// ---- registry ----

bool Win32Registry::open(bool& created) {
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSuiteKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &key_, &disposition) != ERROR_SUCCESS) {
    key_ = nullptr;
    return false;
  }
  created = disposition == REG_CREATED_NEW_KEY;
  return true;
}

SettingsRegistry::Value Win32Registry::query(const char* name) {
  Value v;
  BYTE data[MAX_PATH] = {};
  DWORD size = sizeof data, type = 0;
  LONG r = RegQueryValueExA(key_, name, nullptr, &type, data, &size);
  if (r == ERROR_FILE_NOT_FOUND) return v;
  if (r != ERROR_SUCCESS) {
    v.type = Type::other;  // too long for its field, or unreadable
  } else if (type == REG_SZ) {
    v.type = Type::string;
    const char* text = reinterpret_cast<const char*>(data);
    v.text.assign(text, strnlen(text, size < MAX_PATH ? size : MAX_PATH - 1));
  } else if (type == REG_DWORD && size == sizeof(DWORD)) {
    v.type = Type::dword;
    std::memcpy(&v.number, data, sizeof v.number);
  } else {
    v.type = Type::other;
  }
  return v;
}

bool Win32Registry::set_string(const char* name, const std::string& text) {
  return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool Win32Registry::set_dword(const char* name, uint32_t value) {
  DWORD v = value;
  return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) ==
         ERROR_SUCCESS;
}

void Win32Registry::close() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
}

// ---- hardware registry ----

uint16_t Win32Discovery::drive_type(char letter) {
  char root[] = "X:\\";
  root[0] = letter;
  return static_cast<uint16_t>(GetDriveTypeA(root));
}

std::vector<std::string> Win32Discovery::hardware_keys() {
  std::vector<std::string> keys;
  HKEY dyn = nullptr;
  if (RegOpenKeyExA(HKEY_DYN_DATA, "Config Manager\\Enum", 0, KEY_READ, &dyn) == ERROR_SUCCESS) {
    for (const std::string& name : subkeys(dyn)) {
      HKEY device = nullptr;
      if (RegOpenKeyExA(dyn, name.c_str(), 0, KEY_READ, &device) != ERROR_SUCCESS) continue;
      keys.push_back(read_string(device, "HardWareKey"));
      RegCloseKey(device);
    }
    RegCloseKey(dyn);
  }
  if (!keys.empty()) return keys;
  // No dynamic hardware registry (later systems, Wine): the device instances
  // of the hardware registry itself, in enumeration order.
  for (const char* bus : {"SCSI", "FLOP", "ESDI"}) {
    HKEY bus_key = open_enum_key(bus, KEY_READ);
    if (!bus_key) continue;
    for (const std::string& device : subkeys(bus_key)) {
      HKEY device_key = nullptr;
      if (RegOpenKeyExA(bus_key, device.c_str(), 0, KEY_READ, &device_key) != ERROR_SUCCESS)
        continue;
      for (const std::string& instance : subkeys(device_key))
        keys.push_back(std::string(bus) + "\\" + device + "\\" + instance);
      RegCloseKey(device_key);
    }
    RegCloseKey(bus_key);
  }
  return keys;
}

bool Win32Discovery::read_device(const std::string& hardware_key, DeviceEntry& entry) {
  HKEY key = open_enum_key(hardware_key, KEY_READ);
  if (!key) return false;
  entry.product = read_string(key, "ProductId");
  entry.letters = read_string(key, "CurrentDriveLetterAssignment");
  entry.lun = read_string(key, "SCSILUN");
  entry.target = read_string(key, "SCSITargetID");
  BYTE flag[16];
  DWORD size = sizeof flag, type = 0;
  entry.auto_insert = -1;
  if (RegQueryValueExA(key, "AutoInsertNotification", nullptr, &type, flag, &size) ==
          ERROR_SUCCESS &&
      size >= 1)
    entry.auto_insert = flag[0];
  RegCloseKey(key);
  return true;
}

void Win32Discovery::clear_auto_insert(const std::string& hardware_key) {
  HKEY key = open_enum_key(hardware_key, KEY_SET_VALUE);
  if (!key) return;
  const BYTE zero = 0;
  RegSetValueExA(key, "AutoInsertNotification", 0, REG_BINARY, &zero, 1);
  RegCloseKey(key);
}

// ---- the rest of the host ----

uint32_t Win32Host::send_message(Hwnd window, uint16_t message, uint32_t code, void* lparam) {
  HWND w = reinterpret_cast<HWND>(window);
  const uint32_t result =
      static_cast<uint32_t>(SendMessageA(w, message, code, reinterpret_cast<LPARAM>(lparam)));
  // A program that ended without unregistering leaves its entry behind; its
  // window is gone and passes the code on instead of swallowing it. A send
  // to a dead window answers 0, so only then is the server asked.
  if (result == 0 && !IsWindow(w)) return 2;
  return result;
}

void Win32Host::stop_poll_timer() {
  HWND poll = reinterpret_cast<HWND>(area_.poll_window);
  if (!poll) return;
  DWORD owner = 0;
  GetWindowThreadProcessId(poll, &owner);
  if (owner == GetCurrentProcessId()) {
    KillTimer(poll, kPollTimer);
  } else {
    // A timer belongs to its window's thread: ask that process to stop it.
    PostMessageA(poll, kStopTimerMessage, 0, 0);
  }
}

bool Win32Host::lock_table() {
  // No holder keeps it longer than an attach takes; one that ended while
  // holding it gives it up as abandoned. After the wait the caller goes on
  // without it rather than hang the program.
  const DWORD kWaitMs = 10000;
  if (!table_mutex_) return false;
  DWORD waited = WaitForSingleObject(table_mutex_, kWaitMs);
  return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void Win32Host::unlock_table() { ReleaseMutex(table_mutex_); }

std::unique_ptr<ProfileReader> Win32Host::open_profile(const char* path) {
  return std::make_unique<Win32Profile>(path);
}

bool Win32Host::play_sound(const char* path, uint32_t flags) {
  return PlaySoundA(path, nullptr, flags | SND_FILENAME | SND_NODEFAULT) != FALSE;
}

bool Win32Host::current_track(char drive_letter, uint32_t& track) {
  MCIDEVICEID device = open_cd_audio(drive_letter);
  if (!device) return false;
  MCI_STATUS_PARMS status = {};
  status.dwItem = MCI_STATUS_NUMBER_OF_TRACKS;
  bool ok = mciSendCommandA(device, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM,
                            reinterpret_cast<DWORD_PTR>(&status)) == 0;
  status.dwItem = MCI_STATUS_CURRENT_TRACK;
  ok = ok && mciSendCommandA(device, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM,
                             reinterpret_cast<DWORD_PTR>(&status)) == 0;
  if (ok) track = static_cast<uint32_t>(status.dwReturn);
  mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, 0);
  return ok;
}


// ---- the disc's files ----

bool Win32DiscFiles::file_exists(const std::string& path) {
  DWORD a = file_attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32DiscFiles::folder_exists(const std::string& path) {
  DWORD a = file_attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32DiscFiles::read_start(const std::string& path, uint8_t* out, std::size_t size,
                                std::size_t& got) {
  got = 0;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD length = GetFileSize(file, nullptr);
  bool ok = false;
  if (length == 0) {
    ok = true;  // an empty file has no mapping to read
  } else if (length != INVALID_FILE_SIZE) {
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping) {
      if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
        got = length < size ? length : size;
        std::memcpy(out, view, got);
        UnmapViewOfFile(view);
        ok = true;
      }
      CloseHandle(mapping);
    }
  }
  CloseHandle(file);
  return ok;
}

bool Win32DiscFiles::any_match(const std::string& pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// ---- the mixer ----

bool Win32Mixer::open() {
  HWND poll = reinterpret_cast<HWND>(area_.poll_window);
  return mixerOpen(&mixer_, 0, reinterpret_cast<DWORD_PTR>(poll), 0,
                   poll ? CALLBACK_WINDOW : 0) == MMSYSERR_NOERROR;
}

void Win32Mixer::close() {
  if (mixer_) mixerClose(mixer_);
  mixer_ = nullptr;
}

bool Win32Mixer::control_name(uint32_t id, std::string& long_name) {
  if (!mixer_) return false;
  MIXERCONTROLA control = {};
  MIXERLINECONTROLSA controls = {};
  controls.cbStruct = sizeof controls;
  controls.dwControlID = id;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof control;
  controls.pamxctrl = &control;
  if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer_), &controls,
                            MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYID) !=
      MMSYSERR_NOERROR)
    return false;
  long_name.assign(control.szName, strnlen(control.szName, sizeof control.szName));
  return true;
}

bool Win32Mixer::details(uint32_t id, DWORD& value, bool set) {
  // The handle belongs to the process that opened it; others use one of their own.
  HMIXER mixer = mixer_;
  if (!mixer && mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) return false;
  MIXERCONTROLDETAILS d = {};
  d.cbStruct = sizeof d;
  d.dwControlID = id;
  d.cChannels = 1;  // uniform
  d.cbDetails = sizeof value;
  d.paDetails = &value;
  DWORD flags = MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE;
  HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mixer);
  bool ok = (set ? mixerSetControlDetails(object, &d, flags)
                 : mixerGetControlDetailsA(object, &d, flags)) == MMSYSERR_NOERROR;
  if (mixer != mixer_) mixerClose(mixer);
  return ok;
}

bool Win32Mixer::read_volume(uint32_t id, uint16_t& value) {
  DWORD v = 0;
  if (!details(id, v, false)) return false;
  value = static_cast<uint16_t>(v);
  return true;
}

bool Win32Mixer::write_volume(uint32_t id, uint16_t value) {
  DWORD v = value;
  return details(id, v, true);
}

bool Win32Mixer::read_mute(uint32_t id, bool& muted) {
  DWORD v = 0;
  if (!details(id, v, false)) return false;
  muted = v != 0;
  return true;
}

bool Win32Mixer::write_mute(uint32_t id, bool muted) {
  DWORD v = muted ? 1 : 0;
  return details(id, v, true);
}

// ---- input and the CD ----

void Win32Poll::mouse_move(int dx, int dy) {
  mouse_event(MOUSEEVENTF_MOVE, static_cast<DWORD>(dx), static_cast<DWORD>(dy), 0, 0);
}

void Win32Poll::mouse_click(bool right) {
  mouse_event(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

void Win32Poll::key(uint8_t virtual_key) {
  keybd_event(virtual_key, 0, 0, 0);
  keybd_event(virtual_key, 0, KEYEVENTF_KEYUP, 0);
}

bool Win32Poll::cd_command(char drive_letter, CdCommand command) {
  MCIDEVICEID device = open_cd_audio(drive_letter);
  if (!device) return false;
  MCIERROR error;
  if (command == CdCommand::stop) {
    MCI_GENERIC_PARMS none = {};
    error = mciSendCommandA(device, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&none));
  } else {
    MCI_SET_PARMS set = {};
    DWORD door = command == CdCommand::open_door ? MCI_SET_DOOR_OPEN : MCI_SET_DOOR_CLOSED;
    error = mciSendCommandA(device, MCI_SET, MCI_WAIT | door, reinterpret_cast<DWORD_PTR>(&set));
  }
  mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, 0);
  return error == 0;
}

}  // namespace beamhub::win32
