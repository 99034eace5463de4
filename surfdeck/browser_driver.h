// The browser driver: one object, chosen by browser kind, that turns each
// remote operation into DDE transactions or synthesised keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/registry.h"
#include "surfdeck/browser_ports.h"
#include "surfdeck/link_table.h"
#include "surfdeck/url_opener.h"

namespace surfdeck {

// The "method" values of an entry.
enum class BrowserKind { generic = 1, explorer = 2, navigator = 3, none = 4 };

// "WWW_OpenURL" towards the bound browser's service: the link table's way
// of opening a link, and home's. An argument whose item does not fit is
// refused; success is a reply with data.
class OpenUrlChannel final : public UrlOpener {
 public:
  explicit OpenUrlChannel(DdeClient& dde) : dde_(dde) {}
  void setService(const std::string& service) { service_ = service; }
  const std::string& service() const { return service_; }
  bool openUrl(const std::string& argument) override;

 private:
  DdeClient& dde_;
  std::string service_;
};

// What every driver works with. Outlives the driver.
struct DriverContext {
  halvo::Registry& registry;
  DdeClient& dde;
  BrowserDesktop& desktop;
  OpenUrlChannel& channel;
  LinkTable& links;
  WindowHandle own_window = 0;    // the front end's main window
  bool on_bookmark_page = false;  // set whenever home opens the bookmark page
};

// Virtual-key codes the drivers send.
namespace vk {
inline constexpr uint8_t kTab = 0x09, kReturn = 0x0D, kControl = 0x11, kMenu = 0x12,
                         kEscape = 0x1B, kPrior = 0x21, kNext = 0x22, kLeft = 0x25, kUp = 0x26,
                         kRight = 0x27, kDown = 0x28, kF1 = 0x70, kF5 = 0x74;
}  // namespace vk

class BrowserDriver {
 public:
  BrowserDriver(DriverContext& context, int entryNumber) : context_(context), entry_(entryNumber) {}
  virtual ~BrowserDriver() = default;
  BrowserDriver(const BrowserDriver&) = delete;
  BrowserDriver& operator=(const BrowserDriver&) = delete;

  virtual BrowserKind kind() const = 0;

  // Results: 1 done, 0 not done.
  virtual int prepare() = 0;
  virtual int bindWindow() { return 0; }
  virtual int closeBrowser() { return 0; }
  // "WWW_ListWindows"; the window id afterwards (0 when the request got no data).
  virtual uint32_t queryWindowId();
  virtual int registerUrlEcho(int flag) = 0;
  virtual int registerWindowChange(int flag, uint32_t windowId);
  virtual int reloadLinks() { return 0; }
  virtual int fetchLinks(const std::string& /*url*/) { return 0; }
  virtual std::string resolveUrl(const std::string& /*base*/, const std::string& /*relative*/) {
    return std::string();
  }
  virtual int activate(bool /*mayRestart*/) { return 0; }
  virtual int keyUp(uint8_t vk, int stayThere) = 0;
  virtual int keyDown(uint8_t vk, int stayThere) = 0;
  // The browser's pokes on "WWW_URLEcho" and "WWW_WindowChange".
  virtual int onUrlEcho(const std::string& /*item*/, const uint8_t* /*data*/, std::size_t /*size*/) {
    return 0;
  }
  virtual int onWindowChange(const std::string& /*item*/, const uint8_t* /*data*/, std::size_t /*size*/) {
    return 0;
  }
  virtual int home(int flag) = 0;
  virtual int saveAs(int flag) = 0;
  virtual int print(int flag) = 0;
  virtual int back(int flag) = 0;
  virtual int forward(int flag) = 0;
  virtual int pageUp(int flag) = 0;
  virtual int pageDown(int flag) = 0;
  virtual int scrollUp(int flag) = 0;
  virtual int scrollDown(int flag) = 0;
  virtual int scrollLeft(int flag) = 0;
  virtual int scrollRight(int flag) = 0;
  virtual int reload(int flag) = 0;
  virtual int cancel(int flag) = 0;
  virtual int enter(int flag) = 0;
  void setBusy(int flag) { busy_ = flag != 0; }

  uint32_t windowId() const { return windowId_; }
  int entryNumber() const { return entry_; }

 protected:
  DriverContext& context_;
  uint32_t windowId_ = 0;
  int entry_;
  bool busy_ = false;
};

// The driver for a browser kind, made for one entry (0: a default service
// without an entry). nullptr for a kind outside 1-4.
std::unique_ptr<BrowserDriver> makeDriver(int kind, DriverContext& context, int entryNumber);

// After binding: prepare, queryWindowId, registerWindowChange(1, id),
// registerUrlEcho(1), bindWindow (which opens the bookmark page).
void setUpDriver(BrowserDriver& driver);

}  // namespace surfdeck
