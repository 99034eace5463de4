#include "qemliv32/win32/setup_sheet.h"

#include <algorithm>
#include <climits>
#include <atomic>
#include <string>

#include "common/win32/dialog.h"
#include "qemliv32/settings.h"
#include "qemliv32/win32/dll/qemliv32_ids.h"
#include "qemliv32/win32/engine_module.h"
#include "qemliv32/win32/system_settings.h"

namespace qem {

namespace {

// The section the sheet writes the user details to; sections compare
// without regard to case, so it is the one the engine reads.
const char kUserDetailsSection[] = "User details";
const int kMaxDataPort = 65535;
const int kBufferSizeDigits = 9;  // any such number fits an int
const int kDataPortDigits = 5;

std::atomic<bool> sheet_running{false};
std::atomic<HWND> sheet_window{NULL};

// What the pages show and change; written back once after OK.
struct SetupValues {
  QemSettings settings;
  bool applied = false;
};

class SetupPage : public halvo::PropertyPage {
 public:
  SetupPage(UINT template_id, UINT title_id, SetupValues& values)
      : PropertyPage(engine_module(), template_id, halvo::load_string(engine_module(), title_id)),
        values_(values) {}

 protected:
  BOOL on_init_dialog() override {
    // The first page made tells which window to bring forward.
    HWND none = NULL;
    sheet_window.compare_exchange_strong(none, sheet());
    show(values_.settings);
    return TRUE;
  }
  bool on_apply() override {
    take(values_.settings);
    values_.applied = true;
    return true;
  }
  virtual void show(const QemSettings& s) = 0;
  virtual void take(QemSettings& s) = 0;

  int checked(int id) const { return is_checked(id) ? 1 : 0; }
  // An edit's number: empty or no digits gives 0, and it stays in 0..most.
  int number(int id, int most) const {
    return std::clamp(profile_int(item_text(id)).value_or(0), 0, most);
  }
  // An edit's text as one profile line of at most kMaxUserDetail characters.
  std::string detail(int id) const {
    std::string text = item_text(id).substr(0, kMaxUserDetail);
    for (char& c : text)
      if (c == '\r' || c == '\n') c = ' ';
    return text;
  }

 private:
  SetupValues& values_;
};

class PreferencesPage : public SetupPage {
 public:
  explicit PreferencesPage(SetupValues& values)
      : SetupPage(IDD_SETUP_PREFERENCES, IDS_PAGE_PREFERENCES, values) {}

 protected:
  void show(const QemSettings& s) override {
    set_checked(IDC_STATISTICS, s.statistics != 0);
    set_checked(IDC_AUDIO_CTLS, s.audio_ctls != 0);
    set_checked(IDC_INTERLACED, s.interlaced != 0);
    set_checked(IDC_PLAYER4FULLSCREEN, s.player4_full_screen != 0);
    set_checked(IDC_SLIDE_MODE, s.slide_mode != 0);
  }
  void take(QemSettings& s) override {
    s.statistics = checked(IDC_STATISTICS);
    s.audio_ctls = checked(IDC_AUDIO_CTLS);
    s.interlaced = checked(IDC_INTERLACED);
    s.player4_full_screen = checked(IDC_PLAYER4FULLSCREEN);
    s.slide_mode = checked(IDC_SLIDE_MODE);
  }
};

class SettingsPage : public SetupPage {
 public:
  explicit SettingsPage(SetupValues& values)
      : SetupPage(IDD_SETUP_SETTINGS, IDS_PAGE_SETTINGS, values) {}

 protected:
  void show(const QemSettings& s) override {
    set_checked(IDC_AUTO_DATA_PORT, s.auto_data_port != 0);
    SendMessageA(item(IDC_DATA_PORT), EM_LIMITTEXT, kDataPortDigits, 0);
    SendMessageA(item(IDC_BUFFER_SIZE), EM_LIMITTEXT, kBufferSizeDigits, 0);
    set_item_text(IDC_DATA_PORT, std::to_string(s.data_port));
    set_item_text(IDC_BUFFER_SIZE, std::to_string(s.buffer_size));
    follow_automatic();
  }
  void take(QemSettings& s) override {
    s.auto_data_port = checked(IDC_AUTO_DATA_PORT);
    s.data_port = number(IDC_DATA_PORT, kMaxDataPort);
    s.buffer_size = number(IDC_BUFFER_SIZE, INT_MAX);
  }
  void on_command(int id, int code, HWND) override {
    if (id == IDC_AUTO_DATA_PORT && code == BN_CLICKED) follow_automatic();
  }

 private:
  // The port is the user's to give only when the system does not choose it.
  void follow_automatic() {
    const bool own_port = !is_checked(IDC_AUTO_DATA_PORT);
    enable_item(IDC_DATA_PORT_LABEL, own_port);
    enable_item(IDC_DATA_PORT, own_port);
  }
};

class UserDetailsPage : public SetupPage {
 public:
  explicit UserDetailsPage(SetupValues& values)
      : SetupPage(IDD_SETUP_USER_DETAILS, IDS_PAGE_USER_DETAILS, values) {}

 protected:
  void show(const QemSettings& s) override {
    for (int id : {IDC_NAME, IDC_COMPANY, IDC_EMAIL})
      SendMessageA(item(id), EM_LIMITTEXT, kMaxUserDetail, 0);
    set_item_text(IDC_NAME, s.name);
    set_item_text(IDC_COMPANY, s.company);
    set_item_text(IDC_EMAIL, s.email);
  }
  void take(QemSettings& s) override {
    s.name = detail(IDC_NAME);
    s.company = detail(IDC_COMPANY);
    s.email = detail(IDC_EMAIL);
  }
};

void write_back(ProfileStore& store, const QemSettings& s) {
  const struct {
    const char* key;
    int value;
  } numbers[] = {
      {kKeyStatistics, s.statistics},     {kKeyAudioCtls, s.audio_ctls},
      {kKeyInterlaced, s.interlaced},     {kKeyPlayer4FullScreen, s.player4_full_screen},
      {kKeySlideMode, s.slide_mode},      {kKeyAutoDataPort, s.auto_data_port},
      {kKeyDataPort, s.data_port},        {kKeyBufferSize, s.buffer_size},
  };
  for (const auto& n : numbers) put_profile_int(store, kSectionSettings, n.key, n.value);
  store.put(kUserDetailsSection, kKeyName, s.name);
  store.put(kUserDetailsSection, kKeyCompany, s.company);
  store.put(kUserDetailsSection, kKeyEMail, s.email);
}

void bring_forward(HWND sheet) {
  if (IsIconic(sheet)) ShowWindow(sheet, SW_RESTORE);
  SetForegroundWindow(sheet);
}

// Lets the next request open a sheet, whatever way this one ends.
struct RunningSheet {
  ~RunningSheet() {
    sheet_window = NULL;
    sheet_running = false;
  }
};

}  // namespace

void run_setup_sheet(HWND owner) {
  if (sheet_running.exchange(true)) {
    if (HWND open = sheet_window) bring_forward(open);
    return;
  }
  RunningSheet running;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  SetupValues values;
  values.settings = load_settings(private_profile_store(kIniFileName));
  PreferencesPage preferences(values);
  SettingsPage settings(values);
  UserDetailsPage user_details(values);
  halvo::Sheet sheet(engine_module(), halvo::load_string(engine_module(), IDS_SETUP_CAPTION));
  sheet.set_flags(PSH_NOAPPLYNOW);
  sheet.add_page(preferences);
  sheet.add_page(settings);
  sheet.add_page(user_details);
  sheet.run(owner);
  if (values.applied) write_back(private_profile_store(kIniFileName), values.settings);
}

}  // namespace qem
