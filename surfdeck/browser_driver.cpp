#include "surfdeck/browser_driver.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "surfdeck/browser_entry.h"
#include "surfdeck/keys.h"
#include "surfdeck/surfres_ids.h"

namespace surfdeck {

bool OpenUrlChannel::openUrl(const std::string& argument) {
  const std::optional<std::string> item = openUrlItem(argument);
  if (!item || service_.empty()) return false;
  // The reply names the window that opened the page; nothing uses it.
  return dde_.request(service_, Topic::OpenURL, *item).has_value();
}

uint32_t BrowserDriver::queryWindowId() {
  const std::optional<std::vector<uint8_t>> reply = context_.dde.request(
      context_.channel.service(), Topic::ListWindows, topicName(Topic::ListWindows));
  if (!reply) return 0;
  windowId_ = windowIdFromList(reply->data(), reply->size(), windowId_);
  return windowId_;
}

int BrowserDriver::registerWindowChange(int flag, uint32_t windowId) {
  if (flag == 0) return 0;
  if (windowId == 0) windowId = windowId_;
  if (windowId == 0) return 0;
  // The reply says nothing: only whether the browser took the registration.
  const std::optional<std::vector<uint8_t>> reply = context_.dde.request(
      context_.channel.service(), Topic::RegisterWindowChange, registerWindowChangeItem(windowId));
  return reply ? 1 : 0;
}

namespace {

constexpr const char* kExplorerFrameClass = "IEFrame";
constexpr const char* kExplorerDocumentClass = "Shell DocObject View";
constexpr const char* kNavigatorContentClass = "Afx:400000:3028";
constexpr const char* kNavigatorDefaultTitle = "NETSCAPE";

constexpr uint32_t kRestartWaitMs = 15000;
constexpr uint32_t kAfterRestartMs = 2000;
constexpr uint32_t kSaveMenuWaitMs = 1000;
constexpr int kMaxSaveIndex = 99999;

// Keys the view handles itself: the digits 1-5 and F1.
bool refusedKey(uint8_t key) { return (key >= 0x31 && key <= 0x35) || key == vk::kF1; }

void consumeFields(const std::string& item, const uint8_t* data, std::size_t size) {
  splitFields(item.data(), std::min(item.size(), kItemLimit));
  splitFields(reinterpret_cast<const char*>(data), size);
}

// What the Explorer and Navigator drivers share: a browser main window and
// an inner window found by class, activation with adoption, synthesised
// keys, the bookmark page and the restart.
class WindowedDriver : public BrowserDriver {
 public:
  using BrowserDriver::BrowserDriver;

  int closeBrowser() override {
    if (main_ == 0) return 0;
    context_.desktop.post_quit(main_);
    return 1;
  }

  int activate(bool mayRestart) override {
    BrowserDesktop& desktop = context_.desktop;
    const WindowHandle fg = desktop.foreground();
    if (main_ != 0 && fg == main_) {
      onBrowserInFront();
      return 1;
    }
    if (busy_) {
      // A window of the browser's own (a dialog) is in front: leave it there.
      const WindowHandle owner = fg != 0 ? desktop.parent(fg) : 0;
      if (owner != 0 && owner == main_) return 0;
      if (isBrowserWindow(owner)) {
        adopt(owner);
        return 0;
      }
    } else if (isBrowserWindow(fg)) {
      adopt(fg);
      return 1;
    }
    const bool inFront = main_ != 0 && desktop.set_foreground(main_);
    if (!inFront) {
      if (!mayRestart || !restartBrowser()) return 0;
      findAfterRestart();
      return 1;
    }
    if (desktop.is_iconic(main_)) desktop.restore(main_);
    return 1;
  }

  int keyDown(uint8_t key, int stayThere) override { return sendKey(key, false, stayThere); }
  int keyUp(uint8_t key, int stayThere) override { return sendKey(key, true, stayThere); }

  int home(int /*flag*/) override {
    const std::optional<std::string> path =
        readBoundedText(context_.registry, kAppBrowserKey, kBookmarkValue, kPathBytes);
    // A path too long for the item cannot be opened either: it needs configuring.
    if (!path || path->empty() || !openUrlItem(homeArgument(*path))) {
      context_.desktop.message_box(IDS_NO_BOOKMARK, false);
      return 0;
    }
    context_.channel.openUrl(homeArgument(*path));
    context_.on_bookmark_page = true;
    context_.links.load(*path);
    return 1;
  }

  int back(int flag) override {
    return withModifier(vk::kMenu, flag, [&] { return tap(vk::kLeft, flag); });
  }
  int forward(int flag) override {
    return withModifier(vk::kMenu, flag, [&] { return tap(vk::kRight, flag); });
  }
  int pageUp(int flag) override { return tap(vk::kPrior, flag); }
  int pageDown(int flag) override { return tap(vk::kNext, flag); }
  int scrollUp(int flag) override { return tap(vk::kUp, flag); }
  int scrollDown(int flag) override { return tap(vk::kDown, flag); }
  int scrollLeft(int flag) override { return tap(vk::kLeft, flag); }
  int scrollRight(int flag) override { return tap(vk::kRight, flag); }
  // Into whatever is in front, which may be the browser's dialog.
  int cancel(int /*flag*/) override { return directTap(vk::kEscape); }
  int enter(int /*flag*/) override { return directTap(vk::kReturn); }

 protected:
  virtual bool isBrowserWindow(WindowHandle window) = 0;
  virtual void adopt(WindowHandle window) = 0;
  virtual void onBrowserInFront() {}
  // The windows of the browser just started, and its bookmark page.
  virtual void findAfterRestart() = 0;
  virtual uintptr_t keyExtraInfo() = 0;
  virtual std::string homeArgument(const std::string& path) = 0;
  // Navigator gives up when the modifier press fails; Explorer goes on.
  virtual bool needsModifier() const = 0;

  template <typename Keys>
  int withModifier(uint8_t modifier, int flag, Keys keys) {
    if (!keyDown(modifier, flag) && needsModifier()) return 0;
    const int result = keys();
    keyUp(modifier, flag);
    return result;
  }

  int tap(uint8_t key, int flag) {
    const int result = keyDown(key, flag);
    keyUp(key, flag);
    return result;
  }

  // A press and release without activation or the refused-key test.
  int directTap(uint8_t key) {
    const uintptr_t extra = keyExtraInfo();
    context_.desktop.key_event(key, false, extra);
    context_.desktop.key_event(key, true, extra);
    return 1;
  }

  bool restartBrowser() {
    const std::optional<std::string> path =
        readBoundedText(context_.registry, entryKey(entry_), kServerPathValue, kPathBytes);
    if (!path || path->empty()) return false;
    BrowserDesktop& desktop = context_.desktop;
    const StartedProgram started = desktop.start_program(*path, kRestartWaitMs);
    if (started.process == 0) return false;
    const bool ok = started.wait_result == 0 || started.wait_result == kWaitTimeout;
    if (!ok) desktop.post_thread_quit(started.thread_id);
    desktop.close_process_handle(started.process);
    return ok;
  }

  WindowHandle main_ = 0;   // the browser's main (frame) window
  WindowHandle inner_ = 0;  // its document or content window

 private:
  int sendKey(uint8_t key, bool release, int stayThere) {
    if (refusedKey(key)) return 0;
    if (!activate(false)) return 0;
    context_.desktop.key_event(key, release, keyExtraInfo());
    if (stayThere == 0) context_.desktop.set_foreground(context_.own_window);
    return 1;
  }
};

class ExplorerDriver final : public WindowedDriver {
 public:
  using WindowedDriver::WindowedDriver;

  ~ExplorerDriver() override {
    context_.registry.write_string(entryKey(entry_), kCurSaveIndexValue,
                                   std::to_string(saveIndex_));
  }

  BrowserKind kind() const override { return BrowserKind::explorer; }

  int prepare() override {
    findByClass();
    return main_ != 0 ? 1 : 0;
  }

  int bindWindow() override {
    const std::optional<std::vector<uint8_t>> info = context_.dde.request(
        context_.channel.service(), Topic::GetWindowInfo, windowIdItem(windowId_));
    if (info) consumeFields(std::string(), info->data(), info->size());
    return home(1);
  }

  int registerUrlEcho(int /*flag*/) override { return 0; }

  int onUrlEcho(const std::string& item, const uint8_t* data, std::size_t size) override {
    consumeFields(item, data, size);
    return 1;
  }

  int saveAs(int flag) override {
    withModifier(vk::kMenu, flag, [&] {
      keyDown('F', flag);
      keyDown('A', flag);
      keyUp('A', flag);
      keyUp('F', flag);
      return 1;
    });
    context_.desktop.sleep(kSaveMenuWaitMs);
    tap('S', flag);
    tap('V', flag);
    // keyDown refuses the digits 1-5, so the file number is typed directly,
    // and only into the browser.
    if (!activate(false)) return 0;
    if (saveIndex_ > kMaxSaveIndex) saveIndex_ = 0;
    for (const char digit : std::to_string(saveIndex_)) directTap(static_cast<uint8_t>(digit));
    ++saveIndex_;
    if (flag == 0) context_.desktop.set_foreground(context_.own_window);
    tap(vk::kTab, flag);
    tap(vk::kTab, flag);
    return 1;
  }

  int print(int flag) override {
    return withModifier(vk::kControl, flag, [&] { return tap('P', flag); });
  }
  int reload(int flag) override { return tap(vk::kF5, flag); }

 protected:
  bool isBrowserWindow(WindowHandle window) override {
    return window != 0 && context_.desktop.class_name(window) == kExplorerFrameClass;
  }
  void adopt(WindowHandle window) override {
    main_ = window;
    inner_ = context_.desktop.find_child(main_, kExplorerDocumentClass);
  }
  void onBrowserInFront() override {
    inner_ = context_.desktop.find_child(main_, kExplorerDocumentClass);
  }
  void findAfterRestart() override {
    findByClass();
    context_.desktop.sleep(kAfterRestartMs);
    home(1);
  }
  uintptr_t keyExtraInfo() override { return context_.desktop.message_extra_info(); }
  std::string homeArgument(const std::string& path) override { return explorerHomeArgument(path); }
  bool needsModifier() const override { return false; }

 private:
  void findByClass() {
    main_ = context_.desktop.find_window(kExplorerFrameClass, "");
    inner_ = main_ != 0 ? context_.desktop.find_child(main_, kExplorerDocumentClass) : 0;
  }

  int saveIndex_ = 0;  // the number of the next saved file; every run starts at 0
};

class NavigatorDriver final : public WindowedDriver {
 public:
  using WindowedDriver::WindowedDriver;

  BrowserKind kind() const override { return BrowserKind::navigator; }

  int prepare() override { return 1; }

  int bindWindow() override {
    const int opened = home(1);
    findByTitle();
    return opened;
  }

  int registerUrlEcho(int flag) override {
    if (flag == 0) return 0;
    return context_.dde.poke(context_.channel.service(), Topic::RegisterURLEcho, urlEchoItem()) ? 1
                                                                                                : 0;
  }

  int onUrlEcho(const std::string& item, const uint8_t* data, std::size_t size) override {
    consumeFields(item, data, size);
    return 1;
  }
  int onWindowChange(const std::string& item, const uint8_t* /*data*/,
                     std::size_t /*size*/) override {
    consumeFields(item, nullptr, 0);
    return 1;
  }

  int saveAs(int flag) override {
    return withModifier(vk::kMenu, flag, [&] {
      const int result = keyDown('F', flag);
      keyDown('A', flag);
      keyUp('A', flag);
      keyUp('F', flag);
      return result;
    });
  }
  int print(int flag) override {
    return withModifier(vk::kMenu, flag, [&] {
      const int result = keyDown('F', flag);
      keyDown('P', flag);
      keyUp('P', flag);
      keyUp('F', flag);
      return result;
    });
  }
  int reload(int flag) override {
    return withModifier(vk::kControl, flag, [&] { return tap('R', flag); });
  }

 protected:
  bool isBrowserWindow(WindowHandle window) override {
    return window != 0 && context_.desktop.find_child(window, kNavigatorContentClass) != 0;
  }
  void adopt(WindowHandle window) override {
    main_ = window;
    inner_ = context_.desktop.find_child(main_, kNavigatorContentClass);
  }
  // The new browser has a window id and a title of its own: learn both again
  // once its bookmark page is open.
  void findAfterRestart() override {
    context_.desktop.sleep(kAfterRestartMs);
    queryWindowId();
    home(1);
    findByTitle();
  }
  uintptr_t keyExtraInfo() override { return 0; }
  std::string homeArgument(const std::string& path) override { return navigatorHomeArgument(path); }
  bool needsModifier() const override { return true; }

 private:
  // The main window by the title the browser reports; by the default title
  // when it reports none (an empty title would find any window).
  void findByTitle() {
    std::optional<std::string> title;
    const std::optional<std::vector<uint8_t>> info = context_.dde.request(
        context_.channel.service(), Topic::GetWindowInfo, windowIdItem(windowId_));
    if (info) {
      title = windowTitleFromInfo(
          splitFields(reinterpret_cast<const char*>(info->data()), info->size()));
    }
    BrowserDesktop& desktop = context_.desktop;
    main_ = desktop.find_window("", title && !title->empty() ? *title : kNavigatorDefaultTitle);
    inner_ = main_ != 0 ? desktop.find_child(main_, kNavigatorContentClass) : 0;
  }
};

// Opens and queries through DDE like any driver; knows no keys or windows.
class GenericDdeDriver : public BrowserDriver {
 public:
  using BrowserDriver::BrowserDriver;
  BrowserKind kind() const override { return BrowserKind::generic; }
  int prepare() override { return 0; }
  int registerUrlEcho(int) override { return 0; }
  int keyUp(uint8_t, int) override { return 0; }
  int keyDown(uint8_t, int) override { return 0; }
  int home(int) override { return 0; }
  int saveAs(int) override { return 0; }
  int print(int) override { return 0; }
  int back(int) override { return 0; }
  int forward(int) override { return 0; }
  int pageUp(int) override { return 0; }
  int pageDown(int) override { return 0; }
  int scrollUp(int) override { return 0; }
  int scrollDown(int) override { return 0; }
  int scrollLeft(int) override { return 0; }
  int scrollRight(int) override { return 0; }
  int reload(int) override { return 0; }
  int cancel(int) override { return 0; }
  int enter(int) override { return 0; }
};

// No browser: every operation does nothing, the DDE ones too.
class NullDriver final : public GenericDdeDriver {
 public:
  using GenericDdeDriver::GenericDdeDriver;
  BrowserKind kind() const override { return BrowserKind::none; }
  uint32_t queryWindowId() override { return 0; }
  int registerWindowChange(int, uint32_t) override { return 0; }
};

}  // namespace

std::unique_ptr<BrowserDriver> makeDriver(int kind, DriverContext& context, int entryNumber) {
  switch (kind) {
    case static_cast<int>(BrowserKind::generic):
      return std::make_unique<GenericDdeDriver>(context, entryNumber);
    case static_cast<int>(BrowserKind::explorer):
      return std::make_unique<ExplorerDriver>(context, entryNumber);
    case static_cast<int>(BrowserKind::navigator):
      return std::make_unique<NavigatorDriver>(context, entryNumber);
    case static_cast<int>(BrowserKind::none):
      return std::make_unique<NullDriver>(context, entryNumber);
    default:
      return nullptr;
  }
}

void setUpDriver(BrowserDriver& driver) {
  driver.prepare();
  const uint32_t id = driver.queryWindowId();
  driver.registerWindowChange(1, id);
  driver.registerUrlEcho(1);
  driver.bindWindow();
}

}  // namespace surfdeck
