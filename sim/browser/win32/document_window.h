// The page area of the test browser: the child window the drivers find by
// class ("Shell DocObject View" or "Afx:400000:3028"). It draws the page
// and logs every key message it receives, with the modifiers then down.
#pragma once

#include <windows.h>

#include "common/win32/window.h"
#include "sim/browser/page.h"
#include "sim/browser/win32/event_log.h"

namespace browser {

class DocumentWindow final : public halvo::Window {
 public:
  DocumentWindow(const EventLog& log, const Page& page) : log_(log), page_(page) {}

  bool create(HWND frame, const char* class_name, HINSTANCE instance);

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void paint();
  void log_key(UINT message, WPARAM code);

  const EventLog& log_;
  const Page& page_;
};

}  // namespace browser
