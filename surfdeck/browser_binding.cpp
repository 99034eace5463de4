#include "surfdeck/browser_binding.h"

#include <cctype>
#include <vector>

#include "surfdeck/browser_entry.h"
#include "surfdeck/keys.h"
#include "surfdeck/surfres_ids.h"

namespace surfdeck {

namespace {

constexpr uint32_t kStartWaitMs = 10000;
constexpr uint32_t kProbeIntervalMs = 1000;
constexpr int kProbesPerRound = 3;

// The same text as string IDS_DEFAULT_TYPE_USED of surfres.
constexpr const char* kDefaultTypeUsed = "01,02,00";

struct DefaultEntry {
  const char* name;
  const char* server;
  const char* method;
};
constexpr DefaultEntry kDefaultEntries[] = {{"01", "IEXPLORE", "2"}, {"02", "NETSCAPE", "3"}};

struct EntryName {
  std::string subkey;  // as listed: "01", "02", ...
  int number = 0;
};

// The entry numbers of "typeUsed" up to "00". A token that is not all
// digits names no subkey of ours and is skipped.
std::vector<EntryName> listedEntries(const std::string& typeUsed) {
  std::vector<EntryName> entries;
  std::size_t start = 0;
  while (start <= typeUsed.size()) {
    std::size_t comma = typeUsed.find(',', start);
    if (comma == std::string::npos) comma = typeUsed.size();
    const std::string token = typeUsed.substr(start, comma - start);
    start = comma + 1;
    bool digits = !token.empty() && token.size() <= 4;
    for (const char c : token) digits = digits && std::isdigit(static_cast<unsigned char>(c));
    if (!digits) continue;
    const int number = std::stoi(token);
    if (number == 0) break;
    entries.push_back({token, number});
  }
  return entries;
}

// The entry's browser kind, when it is one a driver exists for.
std::optional<int> entryKind(halvo::Registry& registry, const std::string& key) {
  const std::optional<int> method = readDecimal(registry, key, kMethodValue, kMethodBytes);
  if (!method || *method < 1 || *method > 4) return std::nullopt;
  return method;
}

// An empty name would connect to any service at all.
std::optional<std::string> entryText(halvo::Registry& registry, const std::string& key,
                                     const char* name) {
  std::optional<std::string> text = readBoundedText(registry, key, name, kPathBytes);
  if (!text || text->empty()) return std::nullopt;
  return text;
}

bool probe(DdeClient& dde, const std::string& service) {
  return dde.probe(service, Topic::ListWindows);
}

// A program just started: up to three probes a second apart, then the
// user decides whether to try three more.
bool waitForAnswer(DdeClient& dde, BrowserDesktop& desktop, const std::string& service) {
  for (;;) {
    for (int i = 0; i < kProbesPerRound; ++i) {
      if (i > 0) desktop.sleep(kProbeIntervalMs);
      if (probe(dde, service)) return true;
    }
    if (desktop.message_box(IDS_MANUAL_INTERVENTION, true) != BoxAnswer::retry) return false;
  }
}

std::optional<Binding> probeEntries(halvo::Registry& registry, DdeClient& dde,
                                    const std::vector<EntryName>& entries) {
  for (const EntryName& entry : entries) {
    const std::string key = std::string(kAppBrowserKey) + "\\" + entry.subkey;
    if (!registry.key_exists(key)) continue;
    const std::optional<int> kind = entryKind(registry, key);
    const std::optional<std::string> server = entryText(registry, key, kServerValue);
    if (kind && server && probe(dde, *server)) return Binding{*kind, entry.number, *server};
  }
  return std::nullopt;
}

std::optional<Binding> startEntries(halvo::Registry& registry, DdeClient& dde,
                                    BrowserDesktop& desktop,
                                    const std::vector<EntryName>& entries) {
  for (const EntryName& entry : entries) {
    const std::string key = std::string(kAppBrowserKey) + "\\" + entry.subkey;
    if (!registry.key_exists(key)) continue;
    const std::optional<int> kind = entryKind(registry, key);
    const std::optional<std::string> path = entryText(registry, key, kServerPathValue);
    if (!kind || !path) continue;
    const StartedProgram started = desktop.start_program(*path, kStartWaitMs);
    if (started.process == 0) continue;
    std::optional<Binding> bound;
    if (started.wait_result == 0 || started.wait_result == kWaitTimeout) {
      const std::optional<std::string> server = entryText(registry, key, kServerValue);
      if (server && waitForAnswer(dde, desktop, *server))
        bound = Binding{*kind, entry.number, *server};
    }
    if (!bound) desktop.terminate(started.process);
    desktop.close_process_handle(started.process);
    if (bound) return bound;
  }
  return std::nullopt;
}

std::optional<Binding> probeDefaults(DdeClient& dde) {
  if (probe(dde, "IEXPLORE"))
    return Binding{static_cast<int>(BrowserKind::explorer), 0, "IEXPLORE"};
  if (probe(dde, "NETSCAPE"))
    return Binding{static_cast<int>(BrowserKind::navigator), 0, "NETSCAPE"};
  return std::nullopt;
}

}  // namespace

void writeDefaults(halvo::Registry& registry) {
  registry.create_key(kAppBrowserKey);
  registry.write_string(kAppBrowserKey, kTypeUsedValue, kDefaultTypeUsed);
  for (const DefaultEntry& entry : kDefaultEntries) {
    const std::string key = std::string(kAppBrowserKey) + "\\" + entry.name;
    if (!registry.create_key(key)) continue;
    registry.write_string(key, kServerValue, entry.server);
    registry.write_string(key, kMethodValue, entry.method);
  }
}

std::optional<Binding> bindBrowser(halvo::Registry& registry, DdeClient& dde,
                                   BrowserDesktop& desktop) {
  if (!registry.key_exists(kAppBrowserKey)) {
    if (registry.create_key(kAppBrowserKey)) writeDefaults(registry);
    return probeDefaults(dde);
  }
  const std::optional<std::string> typeUsed = registry.read_string(kAppBrowserKey, kTypeUsedValue);
  if (!typeUsed) {
    writeDefaults(registry);
    return probeDefaults(dde);
  }
  const std::vector<EntryName> entries = listedEntries(*typeUsed);
  // A browser already running wins over starting one listed earlier.
  if (std::optional<Binding> bound = probeEntries(registry, dde, entries)) return bound;
  if (std::optional<Binding> bound = startEntries(registry, dde, desktop, entries)) return bound;
  return probeDefaults(dde);
}

std::unique_ptr<BrowserDriver> connectBrowser(DriverContext& context) {
  std::unique_ptr<BrowserDriver> driver;
  if (const std::optional<Binding> bound =
          bindBrowser(context.registry, context.dde, context.desktop)) {
    driver = makeDriver(bound->kind, context, bound->entry);
    context.channel.setService(bound->service);
  }
  if (!driver) {
    context.desktop.message_box(IDS_NO_BROWSER, false);
    driver = makeDriver(static_cast<int>(BrowserKind::none), context, 0);
  }
  setUpDriver(*driver);
  return driver;
}

}  // namespace surfdeck
