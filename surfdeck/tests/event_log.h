// Records parser events as short texts ("0:href", "1:-" for no text, "5").
#pragma once

#include <string>
#include <vector>

#include "surfdeck/parser/Html.h"

namespace surfdeck {

class EventLog : public HtmlConsumer {
 public:
  void onHtmlEvent(HtmlEvent event, const char* text) override {
    std::string e = std::to_string(static_cast<int>(event));
    if (event == kAnchorStart || event == kAnchorText || event == kHeadingEnd)
      e += text ? ":" + std::string(text) : ":-";
    else if (text)
      e += ":unexpected text " + std::string(text);
    events.push_back(e);
  }

  std::string joined() const {
    std::string s;
    for (const std::string& e : events) s += (s.empty() ? "" : "|") + e;
    return s;
  }

  std::vector<std::string> events;
};

}  // namespace surfdeck
