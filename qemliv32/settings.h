// QEMPLAY.INI: the engine's and the plug-in's configuration file, its keys
// and defaults, read into a plain struct.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/profile.h"

namespace qem {

// Opened by plain name; the system finds it in the Windows folder.
constexpr const char* kIniFileName = "QEMPLAY.INI";

constexpr const char* kSectionSettings = "Settings";
constexpr const char* kSectionUserDetails = "User Details";
constexpr const char* kSectionProgram = "Program";
constexpr const char* kSectionTemp = "temp";

// [Settings]
constexpr const char* kKeyBufferSize = "BufferSize";
constexpr const char* kKeyBandWidth = "BandWidth";
constexpr const char* kKeyInterlaced = "Interlaced";
constexpr const char* kKeySlideMode = "SlideMode";
constexpr const char* kKeyStatistics = "Statistics";
constexpr const char* kKeyAudioCtls = "AudioCtls";
constexpr const char* kKeyPlayer4FullScreen = "Player4FullScreen";
constexpr const char* kKeyDataPort = "DataPort";
constexpr const char* kKeyAutoDataPort = "AutoDataPort";
constexpr const char* kKeyDebugLevel = "DebugLevel";
constexpr const char* kKeyUrl = "URL";
constexpr const char* kKeyX = "x";
constexpr const char* kKeyY = "y";
constexpr const char* kKeyZoom = "Zoom";
// [User Details]
constexpr const char* kKeyPlayerId = "Player ID";
constexpr const char* kKeyName = "Name";
constexpr const char* kKeyCompany = "Company";
constexpr const char* kKeyEMail = "EMail";
// [Program]
constexpr const char* kKeyDirectory = "Directory";
// [temp]
constexpr const char* kKeyLastMsg = "lastmsg";
constexpr const char* kKeyLastHdr = "lasthdr";

constexpr int kDefaultBufferSize = 7500;
constexpr int kDefaultBandWidth = 12;
// BandWidth as read back when the engine is destroyed.
constexpr int kDefaultBandWidthOnDestroy = 0;
constexpr const char* kDefaultName = "User unknown";
constexpr const char* kDefaultCompany = "Company unknown";
constexpr const char* kDefaultEMail = "EMail unknown";
constexpr const char* kDefaultDirectory = "C:\\qemplay";

// Longest Name, Company and EMail sent in USER_INFO.
constexpr std::size_t kMaxUserDetail = 255;
// Longest lastmsg and lasthdr shown by "/MSGBOX".
constexpr std::size_t kMaxTempText = 256;
// The protocol never asks the server for less initial buffer than this.
constexpr int kMinProtocolBufferMs = 7500;

// Where the profile lives: the Win32 shell reads and writes QEMPLAY.INI
// through the system's private-profile calls; tests and tools keep it in
// memory. Section and key names compare without regard to case.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The value, or nullopt when the key (or its section) is not there.
  virtual std::optional<std::string> get(std::string_view section, std::string_view key) = 0;
  // False when the value could not be stored.
  virtual bool put(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// Profile text held in memory, read the way the system reads a profile
// file; values put later override it.
class MemoryProfileStore : public ProfileStore {
 public:
  MemoryProfileStore() = default;
  // Text too large for halvo::ProfileText reads as empty.
  explicit MemoryProfileStore(std::string_view ini_text);

  std::optional<std::string> get(std::string_view section, std::string_view key) override;
  bool put(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  static std::pair<std::string, std::string> folded(std::string_view section, std::string_view key);

  std::optional<halvo::ProfileText> text_;
  std::map<std::pair<std::string, std::string>, std::string> written_;
};

// Every key of QEMPLAY.INI with its default when missing.
struct QemSettings {
  // [Settings]
  int buffer_size = kDefaultBufferSize;
  int band_width = kDefaultBandWidth;
  int interlaced = 1;
  int slide_mode = 0;
  int statistics = 0;
  int audio_ctls = 0;
  int player4_full_screen = 0;
  int data_port = 0;
  int auto_data_port = 1;
  int debug_level = 0;
  std::string url;
  std::optional<int> x, y;  // no default: the dialog keeps its own place
  int zoom = 0;
  // [User Details]
  std::string player_id;
  std::string name = kDefaultName;        // at most kMaxUserDetail characters
  std::string company = kDefaultCompany;  // likewise
  std::string email = kDefaultEMail;      // likewise
  // [Program]
  std::string directory = kDefaultDirectory;
  // [temp]
  std::string lastmsg;  // at most kMaxTempText characters, "~" for line feeds
  std::string lasthdr;  // at most kMaxTempText characters
};

QemSettings load_settings(ProfileStore& store);
// The same from QEMPLAY.INI text.
QemSettings load_settings_text(std::string_view ini_text);

// The initial buffer the handshake asks for: BufferSize, but at least 7500.
int protocol_buffer_ms(int buffer_size);

// A number the way the system reads one from a profile: nullopt when the
// key is missing or empty (the caller's default applies); otherwise the
// leading optionally signed decimal digits, 0 when there are none. Values
// beyond the range of int are clamped.
std::optional<int> profile_int(std::string_view value);
int get_profile_int(ProfileStore& store, std::string_view section, std::string_view key, int def);

// Writes value as "%d".
bool put_profile_int(ProfileStore& store, std::string_view section, std::string_view key, int value);

}  // namespace qem
