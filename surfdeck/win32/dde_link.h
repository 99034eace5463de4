// The one DDE instance of the program: the client conversations with the
// browser (one transaction each) and the "ZKAPP" service the browser pokes
// its echoes to.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>

#include "surfdeck/browser_driver.h"
#include "surfdeck/browser_ports.h"

namespace surfdeck {

class DdeLink final : public DdeClient {
 public:
  DdeLink() = default;
  ~DdeLink() override;
  DdeLink(const DdeLink&) = delete;
  DdeLink& operator=(const DdeLink&) = delete;

  // DdeInitializeA, the topic handles, and "ZKAPP" registered. False when
  // DDE cannot be had.
  bool initialise();
  // Where the browser's pokes go; nullptr drops them.
  void setDriver(BrowserDriver* driver) { driver_ = driver; }

  bool probe(const std::string& service, Topic topic) override;
  std::optional<std::vector<uint8_t>> request(const std::string& service, Topic topic,
                                              const std::string& item) override;
  bool poke(const std::string& service, Topic topic, const std::string& item) override;

 private:
  static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA onPoke(HSZ topic, HSZ item, HDDEDATA data);
  bool connect(const std::string& service, Topic topic);
  void disconnect();
  HSZ itemHandle(Topic topic, const std::string& item);

  DWORD instance_ = 0;
  HSZ topics_[kTopicCount] = {};
  HSZ ownService_ = NULL;
  bool registered_ = false;
  HCONV conversation_ = NULL;
  HSZ service_ = NULL;
  std::string serviceName_;
  HSZ item_ = NULL;  // the last item built
  BrowserDriver* driver_ = nullptr;
};

}  // namespace surfdeck
