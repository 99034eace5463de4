#include "surfdeck/front_end.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "surfdeck/browser_entry.h"
#include "surfdeck/keys.h"

namespace surfdeck {

namespace {

constexpr uint32_t kDefaultNTimeout = 5000;
constexpr int kLowestNTimeout = 500;

// The remote's buttons (wParam of the button message).
enum Button : uint16_t {
  kWeb = 1026,
  kButton0 = 1038,
  kButton9 = 1047,
  kEnter = 1048,
  kShiftLock = 1049,
  kAppMenu = 1050,
  kCancel = 1051,
  kReload = 1052,
  kHome = 1053,
  kPrint = 1054,
  kPageUp = 1055,
  kPageDown = 1056,
  kSaveAs = 1057,
  kBack = 1058,
  kForward = 1059,
  kScrollUp = 1060,
  kScrollDown = 1061,
  kScrollLeft = 1062,
  kScrollRight = 1063,
};

// Capabilities of the remote-control library.
constexpr uint32_t kCapMouseLock = 4105;
constexpr uint32_t kCapShiftLock = 4106;

// Label ids (string table).
enum Label : uint32_t {
  kLabelEnter = 211,
  kLabelHome = 212,
  kLabelSaveAs = 213,
  kLabelPrint = 214,
  kLabelBack = 215,
  kLabelForward = 216,
  kLabelPageUp = 217,
  kLabelPageDown = 218,
  kLabelReload = 219,
  kLabelCancel = 220,
  kLabelDigit1 = 221,  // 221-229 the digits 1-9, 230 the digit 0
  kLabelDigit0 = 230,
  kLabelUp = 231,
  kLabelDown = 232,
  kLabelLeft = 233,
  kLabelRight = 234,
  kLabelMenu = 235,
  kLabelActivate = 236,
  kLabelExit = 237,
  kLabelShift = 238,
};

// Differences, not sums, so the millisecond clock's wrap does no harm.
bool within(uint32_t since, uint32_t now, uint32_t window) { return now - since <= window; }

// One decimal int, within range.
bool parseInt(const char*& p, int& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  p = end;
  return true;
}

}  // namespace

FrontEndSettings readSettings(halvo::Registry& registry) {
  FrontEndSettings settings;
  if (!registry.key_exists(kAppBrowserKey)) {
    settings.shift_only_on_leave = true;  // ShiftOnWhenNumeric 2
    return settings;
  }
  const std::optional<int> ntimeout =
      readDecimal(registry, kAppBrowserKey, kNTimeoutValue, kSettingBytes);
  if (ntimeout && *ntimeout >= kLowestNTimeout) {
    settings.ntimeout = static_cast<uint32_t>(*ntimeout);
  } else {
    settings.ntimeout = kDefaultNTimeout;
    registry.write_string(kAppBrowserKey, kNTimeoutValue, std::to_string(kDefaultNTimeout));
  }
  if (const std::optional<int> eisn =
          readDecimal(registry, kAppBrowserKey, kEisNValue, kSettingBytes))
    settings.eisn = *eisn != 0;
  if (const std::optional<int> shift =
          readDecimal(registry, kAppBrowserKey, kShiftOnWhenNumericValue, kSettingBytes)) {
    if (*shift >= 0 && *shift <= 2) {
      settings.shift_apply = *shift != 0;
      settings.shift_only_on_leave = *shift == 2;
    }
  }
  if (const std::optional<int> exit =
          readDecimal(registry, kAppBrowserKey, kExitXBrowserValue, kSettingBytes))
    settings.exit_x_browser = *exit != 0;
  return settings;
}

std::optional<Point> readPosition(halvo::Registry& registry) {
  const std::optional<std::string> text = registry.read_string(kAppBrowserKey, kPrevPValue);
  if (!text) return std::nullopt;
  Point corner;
  const char* p = text->c_str();
  if (!parseInt(p, corner.x) || *p++ != ',' || !parseInt(p, corner.y) || *p != '\0')
    return std::nullopt;
  return corner;
}

void writePosition(halvo::Registry& registry, Point corner) {
  char text[32];
  std::snprintf(text, sizeof text, "%d,%d", corner.x, corner.y);
  registry.create_key(kAppBrowserKey);
  registry.write_string(kAppBrowserKey, kPrevPValue, text);
}

void WebFrontEnd::expirePending(uint32_t now) {
  if (!within(last_digit_time_, now, settings_.ntimeout)) pending_ = 0;
}

bool WebFrontEnd::doublePress(uint32_t now) {
  // The stamp is renewed only when the test fails, so a third press within
  // the window of the first still counts as a double press.
  if (within(last_web_time_, now, settings_.ntimeout)) return true;
  last_web_time_ = now;
  return false;
}

std::string WebFrontEnd::label(uint32_t id) const {
  const uint32_t i = id - kFirstLabelId;
  return i < labels_.size() ? labels_[i] : std::string();
}

int WebFrontEnd::onButton(uint16_t code, uint32_t now) {
  if (menu_mode_) {
    if (code == kEnter || code == kCancel) {
      menu_mode_ = false;
      last_button_ = code;
    }
    return kNotHandled;
  }

  uint32_t labelId = 0;
  switch (code) {
    case kWeb:
      if (doublePress(now) && last_button_ == kWeb) {
        shell_.post_quit();
        labelId = kLabelExit;
      } else {
        if (remote_) remote_->set_first_app();
        if (driver_) {
          driver_->setBusy(1);
          driver_->activate(true);
          driver_->setBusy(0);
        }
        labelId = kLabelActivate;
      }
      break;
    case kEnter:
      enterProcedure(now);
      labelId = kLabelEnter;
      break;
    case kShiftLock:
    case kAppMenu:
      if (code == kAppMenu) menu_mode_ = true;
      if (verbose_) shell_.set_title(label(code == kAppMenu ? kLabelMenu : kLabelShift));
      return kNotHandled;
    case kCancel:
      labelId = kLabelCancel;
      if (driver_) driver_->cancel(1);
      break;
    case kReload:
      labelId = kLabelReload;
      if (driver_) driver_->reload(1);
      break;
    case kHome:
      labelId = kLabelHome;
      if (driver_) driver_->home(1);
      break;
    case kPrint:
      labelId = kLabelPrint;
      if (driver_) driver_->print(1);
      dialog_pending_ = true;
      break;
    case kPageUp:
      labelId = kLabelPageUp;
      if (driver_) driver_->pageUp(1);
      break;
    case kPageDown:
      labelId = kLabelPageDown;
      if (driver_) driver_->pageDown(1);
      break;
    case kSaveAs:
      labelId = kLabelSaveAs;
      if (driver_) driver_->saveAs(1);
      dialog_pending_ = true;
      break;
    case kBack:
      labelId = kLabelBack;
      if (driver_) driver_->back(1);
      break;
    case kForward:
      labelId = kLabelForward;
      if (driver_) driver_->forward(1);
      break;
    case kScrollUp:
      labelId = kLabelUp;
      if (driver_) driver_->scrollUp(1);
      break;
    case kScrollDown:
      labelId = kLabelDown;
      if (driver_) driver_->scrollDown(1);
      break;
    case kScrollLeft:
      labelId = kLabelLeft;
      if (driver_) driver_->scrollLeft(1);
      break;
    case kScrollRight:
      labelId = kLabelRight;
      if (driver_) driver_->scrollRight(1);
      break;
    default:
      if (code < kButton0 || code > kButton9) return kNotHandled;
      {
        const int digit = code - kButton0;
        expirePending(now);
        // Past the bound the digit is dropped: the number cannot overflow.
        if (pending_ <= (kMaxPendingNumber - digit) / 10) pending_ = pending_ * 10 + digit;
        last_digit_time_ = now;
        labelId = digit == 0 ? kLabelDigit0 : kLabelDigit1 + digit - 1;
      }
      break;
  }

  expirePending(now);
  const std::string text =
      pending_ != 0 ? std::to_string(pending_) + " " + label(labelId) : label(labelId);
  if (verbose_) {
    shell_.set_title("..");
    shell_.sleep(25);
    shell_.set_title(text);
  }
  last_button_ = code;
  return kHandled;
}

void WebFrontEnd::enterProcedure(uint32_t now) {
  if (!driver_) return;
  driver_->setBusy(1);
  const int ok = driver_->activate(false);
  driver_->setBusy(0);
  if (ok == 0 || dialog_pending_) {
    // Into the dialog (or whatever is in front); a pending number waits.
    dialog_pending_ = false;
    driver_->enter(0);
    return;
  }
  expirePending(now);
  if (pending_ != 0) {
    context_.links.open(pending_);
    pending_ = 0;
    shiftLockRule();
    return;
  }
  if (settings_.eisn && remote_ && remote_->get_cap(kCapMouseLock) == std::optional<uint32_t>(0) &&
      context_.links.openNext())
    return;
  driver_->enter(1);
}

// After a numbered choice the remote's buttons move to their shift layer.
void WebFrontEnd::shiftLockRule() {
  if (!settings_.shift_apply) return;
  if (settings_.shift_only_on_leave && !context_.on_bookmark_page) return;
  context_.on_bookmark_page = false;
  if (remote_ && remote_->get_cap(kCapShiftLock) == std::optional<uint32_t>(0))
    remote_->set_cap(kCapShiftLock, 1);
}

bool WebFrontEnd::onViewKeyDown(uint8_t vk) { return driver_ && driver_->keyDown(vk, 0) != 0; }

bool WebFrontEnd::onViewKeyUp(uint8_t vk) { return driver_ && driver_->keyUp(vk, 0) != 0; }

bool WebFrontEnd::onViewChar(char ch) {
  switch (ch) {
    case '1':
      if (driver_) driver_->home(0);
      return true;
    case '2':
      return true;  // walks the link table, which shows nothing
    case '3':
      if (driver_) driver_->saveAs(1);
      return true;
    case '4':
      if (driver_) driver_->print(1);
      return true;
    case '5':
      if (driver_) driver_->back(1);
      return true;
    default:
      return false;
  }
}

}  // namespace surfdeck
