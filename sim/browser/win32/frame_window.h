// The test browser's main window: in the Explorer layout a frame of class
// "IEFrame", in the Navigator layout a main window found by its title. Its
// one child is the document window, which takes the focus whenever the
// frame is activated.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/win32/window.h"
#include "sim/browser/browser_config.h"
#include "sim/browser/page.h"
#include "sim/browser/win32/document_window.h"
#include "sim/browser/win32/event_log.h"

namespace browser {

constexpr char kExplorerFrameClass[] = "IEFrame";
constexpr char kExplorerDocumentClass[] = "Shell DocObject View";
constexpr char kNavigatorFrameClass[] = "HalvoNavigatorFrame";
constexpr char kNavigatorContentClass[] = "Afx:400000:3028";
// The main window's title: this and the service name.
constexpr char kTitlePrefix[] = "Halvo Test Browser - ";

class FrameWindow final : public halvo::Window {
 public:
  FrameWindow(const Config& config, const EventLog& log, const Page& page);

  bool create(HINSTANCE instance, int show);
  HWND document() const { return document_.hwnd(); }
  const std::string& title() const { return title_; }

  // What the answer timer starts.
  std::function<void()> on_answer_due;

  // Calls on_answer_due after ms.
  void answer_after(UINT ms);
  void page_changed();

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  const Config& config_;
  const EventLog& log_;
  std::string title_;
  DocumentWindow document_;
};

}  // namespace browser
