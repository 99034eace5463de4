// The one thing the link table needs from the browser: open a URL.
#pragma once

#include <string>

namespace surfdeck {

class UrlOpener {
 public:
  // argument is the complete "WWW_OpenURL" argument text. True when the
  // browser took it.
  virtual bool openUrl(const std::string& argument) = 0;

 protected:
  ~UrlOpener() = default;
};

}  // namespace surfdeck
