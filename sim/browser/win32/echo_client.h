// The URL echo: after each opened URL the browser pokes dq url dq ... to the
// service "ZKAPP", topic "WWW_URLEcho", as a DDE client of its own window
// (the plain DDE messages, not DDEML).
//
// Under Wine, DDEML's client waits serve only posted DDE messages, so a
// connect broadcast from a partner that reaches us in one holds both sides
// until a time-out, and its asynchronous transactions never leave the
// conversation's queue (only the first one completes). So nothing here
// waits: the poke is posted and its acknowledgement handled when it comes,
// one echo at a time; the conversation stays open from one echo to the
// next. The one sent message, the initiate, is sent only while the partner
// is itself connecting to us (DdeServer calls connect then), when it serves
// sent messages; an echo with no conversation open is not sent.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "common/win32/window.h"
#include "sim/browser/dde_text.h"
#include "sim/browser/win32/event_log.h"

namespace browser {

class EchoClient final : public halvo::Window {
 public:
  EchoClient(const EventLog& log, bool flood) : log_(log), flood_(flood) {}
  ~EchoClient() override;

  // A message-only window: it takes part in no broadcast.
  bool create(HINSTANCE instance);

  // Opens the conversation unless it is open; false when no server answered.
  bool connect();
  bool connected() const { return server_ != NULL; }

  // Queues the echo of url; it is poked from the message loop if the
  // conversation is open by then.
  void echo(const std::string& url);

  // Ends the conversation without waiting for its answer; an echo still
  // waiting for its acknowledgement is logged as unanswered.
  void close();

  // How long an echo waits for its acknowledgement before the next one goes.
  static constexpr UINT kAckTimeoutMs = 1000;

 protected:
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void on_initiate_ack(HWND server, LPARAM atoms);
  void on_poke_ack(HWND server, LPARAM lparam);
  void on_terminate(HWND server);
  void send_next();
  bool post_poke();
  // Logs the echo in flight with its result; the next one may go.
  void finish(const char* result);

  const EventLog& log_;
  const bool flood_;
  HWND server_ = NULL;
  bool connecting_ = false;
  std::deque<std::string> queue_;
  bool in_flight_ = false;
  UrlEcho current_;
  HGLOBAL data_ = NULL;
};

}  // namespace browser
