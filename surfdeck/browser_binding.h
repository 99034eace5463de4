// Finding the browser at start-up: the entries of "typeUsed" probed, then
// started, then the default services; the first-run defaults.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "surfdeck/browser_driver.h"

namespace surfdeck {

struct Binding {
  int kind = 0;          // the entry's "method" (2 and 3 for the defaults)
  int entry = 0;         // the entry's number; 0 for a default service
  std::string service;   // the DDE service that answered
};

// The two passes over "typeUsed" and the defaults. nullopt when no browser
// could be bound. May start programs, wait and ask (message 176).
std::optional<Binding> bindBrowser(halvo::Registry& registry, DdeClient& dde, BrowserDesktop& desktop);

// "typeUsed" := "01,02,00" and the entries 01 (IEXPLORE, 2) and 02
// (NETSCAPE, 3), without paths.
void writeDefaults(halvo::Registry& registry);

// Binding, then the driver for it, set up (setUpDriver) with the channel
// pointed at its service. Without a browser: message 173 and a NullDriver.
std::unique_ptr<BrowserDriver> connectBrowser(DriverContext& context);

}  // namespace surfdeck
