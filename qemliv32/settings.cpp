#include "qemliv32/settings.h"

#include <climits>
#include <string>

namespace qem {
namespace {

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string get_string(ProfileStore& store, std::string_view section, std::string_view key,
                       const char* def, std::size_t max_chars = std::string::npos) {
  std::optional<std::string> v = store.get(section, key);
  std::string s = v ? std::move(*v) : std::string(def);
  if (s.size() > max_chars) s.resize(max_chars);
  return s;
}

}  // namespace

MemoryProfileStore::MemoryProfileStore(std::string_view ini_text)
    : text_(halvo::ProfileText::parse(ini_text)) {}

std::pair<std::string, std::string> MemoryProfileStore::folded(std::string_view section,
                                                               std::string_view key) {
  return {lowered(section), lowered(key)};
}

std::optional<std::string> MemoryProfileStore::get(std::string_view section, std::string_view key) {
  auto it = written_.find(folded(section, key));
  if (it != written_.end()) return it->second;
  if (!text_) return std::nullopt;
  return text_->find(section, key);
}

bool MemoryProfileStore::put(std::string_view section, std::string_view key,
                             std::string_view value) {
  written_[folded(section, key)] = std::string(value);
  return true;
}

std::optional<int> profile_int(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  if (i == value.size()) return std::nullopt;
  bool negative = false;
  if (value[i] == '+' || value[i] == '-') negative = value[i++] == '-';
  long long n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > INT_MAX + 1LL) n = INT_MAX + 1LL;  // clamped, never overflows
  }
  if (negative) n = -n;
  if (n > INT_MAX) n = INT_MAX;
  return static_cast<int>(n);
}

int get_profile_int(ProfileStore& store, std::string_view section, std::string_view key, int def) {
  std::optional<std::string> v = store.get(section, key);
  if (!v) return def;
  return profile_int(*v).value_or(def);
}

bool put_profile_int(ProfileStore& store, std::string_view section, std::string_view key,
                     int value) {
  return store.put(section, key, std::to_string(value));
}

QemSettings load_settings(ProfileStore& store) {
  QemSettings s;
  auto num = [&](const char* key, int def) {
    return get_profile_int(store, kSectionSettings, key, def);
  };
  s.buffer_size = num(kKeyBufferSize, kDefaultBufferSize);
  s.band_width = num(kKeyBandWidth, kDefaultBandWidth);
  s.interlaced = num(kKeyInterlaced, 1);
  s.slide_mode = num(kKeySlideMode, 0);
  s.statistics = num(kKeyStatistics, 0);
  s.audio_ctls = num(kKeyAudioCtls, 0);
  s.player4_full_screen = num(kKeyPlayer4FullScreen, 0);
  s.data_port = num(kKeyDataPort, 0);
  s.auto_data_port = num(kKeyAutoDataPort, 1);
  s.debug_level = num(kKeyDebugLevel, 0);
  s.url = get_string(store, kSectionSettings, kKeyUrl, "");
  if (auto v = store.get(kSectionSettings, kKeyX)) s.x = profile_int(*v);
  if (auto v = store.get(kSectionSettings, kKeyY)) s.y = profile_int(*v);
  s.zoom = num(kKeyZoom, 0);

  s.player_id = get_string(store, kSectionUserDetails, kKeyPlayerId, "");
  s.name = get_string(store, kSectionUserDetails, kKeyName, kDefaultName, kMaxUserDetail);
  s.company = get_string(store, kSectionUserDetails, kKeyCompany, kDefaultCompany, kMaxUserDetail);
  s.email = get_string(store, kSectionUserDetails, kKeyEMail, kDefaultEMail, kMaxUserDetail);

  s.directory = get_string(store, kSectionProgram, kKeyDirectory, kDefaultDirectory);

  s.lastmsg = get_string(store, kSectionTemp, kKeyLastMsg, "", kMaxTempText);
  s.lasthdr = get_string(store, kSectionTemp, kKeyLastHdr, "", kMaxTempText);
  return s;
}

QemSettings load_settings_text(std::string_view ini_text) {
  MemoryProfileStore store(ini_text);
  return load_settings(store);
}

int protocol_buffer_ms(int buffer_size) {
  return buffer_size < kMinProtocolBufferMs + 1 ? kMinProtocolBufferMs : buffer_size;
}

}  // namespace qem
