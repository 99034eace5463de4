// The test browser's DDE server (DDEML, CP_WINANSI): the WWW_ topics under
// the configured service name. Every transaction is logged; each opened
// URL is handed to the echo client.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <vector>

#include "sim/browser/browser_config.h"
#include "sim/browser/page.h"
#include "sim/browser/win32/echo_client.h"
#include "sim/browser/win32/event_log.h"
#include "sim/browser/win32/frame_window.h"

namespace browser {

class DdeServer {
 public:
  DdeServer(const Config& config, const EventLog& log, Page& page, FrameWindow& frame,
            EchoClient& echo);
  ~DdeServer();
  DdeServer(const DdeServer&) = delete;
  DdeServer& operator=(const DdeServer&) = delete;

  // Initialises the instance; the service is not registered yet.
  bool start();
  // DdeNameService: from now on the service answers.
  bool register_service();
  // Unregisters the service and ends the instance.
  void stop();

 private:
  static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                    HSZ item, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA on_transaction(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item,
                          HDDEDATA data);
  // The reply to a request, or empty with *answered false to refuse it.
  std::vector<uint8_t> answer_request(const std::string& topic, const std::string& item,
                                      bool* answered);
  bool answer_poke(const std::string& topic, const std::string& item);

  std::string text_of(HSZ handle) const;
  static std::string bytes_of(HDDEDATA data);

  const Config& config_;
  const EventLog& log_;
  Page& page_;
  FrameWindow& frame_;
  EchoClient& echo_;
  DWORD instance_ = 0;
  HSZ service_ = NULL;
  bool registered_ = false;
};

}  // namespace browser
