// The front end's answer to remote buttons and to keys typed into its own
// window, with its settings: digits typed into a pending number, Enter
// opening a numbered link, Web activating the browser or (pressed twice)
// ending the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/registry.h"
#include "surfdeck/browser_driver.h"

namespace surfdeck {

struct FrontEndSettings {
  uint32_t ntimeout = 5000;       // double-press window and digit time-out, ms
  bool eisn = true;               // Enter with no number opens the next link
  bool shift_apply = true;        // ShiftOnWhenNumeric as two flags
  bool shift_only_on_leave = false;
  bool exit_x_browser = false;    // close the browser at exit
};

// Reads the appBrowser settings. An NTimeout below 500, or none, becomes
// 5000 and is written back. Without the key: 5000, EisN 1,
// ShiftOnWhenNumeric 2, ExitXBrowser 0.
FrontEndSettings readSettings(halvo::Registry& registry);

// "PrevP" ("%d,%d"): the main window's top-left corner; nullopt when missing
// or malformed.
struct Point {
  int x = 0;
  int y = 0;
};
std::optional<Point> readPosition(halvo::Registry& registry);
void writePosition(halvo::Registry& registry, Point corner);

// The remote-control library as the front end uses it. Calls to an export
// the library lacks do nothing.
class RemoteControl {
 public:
  virtual ~RemoteControl() = default;
  virtual void set_first_app() = 0;                              // mmcdSetFirstApp
  // mmcdGetCap with one 32-bit value; nullopt unless it returned MMCD_OK.
  virtual std::optional<uint32_t> get_cap(uint32_t capability) = 0;
  virtual void set_cap(uint32_t capability, uint32_t value) = 0;  // mmcdSetCap(id, value, 0)
};

// What the front end asks of its main window.
class FrontEndShell {
 public:
  virtual ~FrontEndShell() = default;
  virtual void set_title(const std::string& title) = 0;
  virtual void sleep(uint32_t milliseconds) = 0;
  // PostMessageA(main window, WM_QUIT, 0, 0).
  virtual void post_quit() = 0;
};

// Button label texts: string ids 210-238.
inline constexpr uint32_t kFirstLabelId = 210;
inline constexpr int kLabelCount = 29;

// Results of a button message.
inline constexpr int kHandled = 1;
inline constexpr int kNotHandled = 2;

// The largest pending number: a digit that would go past it is dropped.
inline constexpr int kMaxPendingNumber = 999999999;

class WebFrontEnd {
 public:
  WebFrontEnd(const FrontEndSettings& settings, DriverContext& context, FrontEndShell& shell)
      : settings_(settings), context_(context), shell_(shell) {}

  void setDriver(BrowserDriver* driver) { driver_ = driver; }
  BrowserDriver* driver() const { return driver_; }
  // The library once loaded; nullptr runs without it.
  void setRemote(RemoteControl* remote) { remote_ = remote; }
  // Texts 210-238 in order.
  void setLabels(std::vector<std::string> labels) { labels_ = std::move(labels); }
  void setVerbose(bool verbose) { verbose_ = verbose; }

  // One "MMCD_MSG" button; now is timeGetTime(). kHandled or kNotHandled.
  int onButton(uint16_t code, uint32_t now);

  // The view's keys. onViewKeyDown/Up: false lets default handling run.
  bool onViewKeyDown(uint8_t vk);
  bool onViewKeyUp(uint8_t vk);
  // WM_CHAR: false for characters the view does not handle.
  bool onViewChar(char ch);

  int pendingNumber() const { return pending_; }
  bool menuMode() const { return menu_mode_; }
  bool dialogPending() const { return dialog_pending_; }
  const FrontEndSettings& settings() const { return settings_; }

 private:
  void expirePending(uint32_t now);
  bool doublePress(uint32_t now);
  void enterProcedure(uint32_t now);
  void shiftLockRule();
  std::string label(uint32_t id) const;

  FrontEndSettings settings_;
  DriverContext& context_;
  FrontEndShell& shell_;
  BrowserDriver* driver_ = nullptr;
  RemoteControl* remote_ = nullptr;
  std::vector<std::string> labels_;
  bool verbose_ = false;
  int pending_ = 0;
  uint32_t last_digit_time_ = 0;
  uint32_t last_web_time_ = 0;
  uint16_t last_button_ = 1085;
  bool menu_mode_ = false;
  bool dialog_pending_ = false;
};

}  // namespace surfdeck
