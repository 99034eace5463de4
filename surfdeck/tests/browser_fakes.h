// Stand-ins for what the browser link and the front end ask of the system:
// a DDE client scripted per service and topic, a desktop with a scripted
// window tree, and the remote-control library and main window of the front
// end. Each records what it was asked, in order.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/memory_registry.h"
#include "surfdeck/bookmark_file.h"
#include "surfdeck/browser_driver.h"
#include "surfdeck/browser_ports.h"
#include "surfdeck/front_end.h"
#include "surfdeck/link_table.h"

namespace surfdeck {

struct DdeCall {
  enum Kind { probe, request, poke } kind;
  std::string service;
  Topic topic;
  std::string item;
};

class RecordingDde : public DdeClient {
 public:
  // The service answers every topic from now on; requests get empty data
  // unless reply() says otherwise.
  void run(const std::string& service) { running_.insert(service); }
  void stop(const std::string& service) { running_.erase(service); }
  // The next n connections to the service fail, then it runs.
  void answerAfter(const std::string& service, int n) {
    run(service);
    refusals_[service] = n;
  }
  void reply(const std::string& service, Topic topic, std::vector<uint8_t> bytes) {
    replies_[{service, topic}] = std::move(bytes);
  }
  void reply(const std::string& service, Topic topic, const std::string& text) {
    reply(service, topic, std::vector<uint8_t>(text.begin(), text.end()));
  }
  // Requests on the topic get no data although the service answers.
  void noData(const std::string& service, Topic topic) {
    replies_[{service, topic}] = std::nullopt;
  }

  bool probe(const std::string& service, Topic topic) override {
    calls.push_back({DdeCall::probe, service, topic, ""});
    return connect(service);
  }
  std::optional<std::vector<uint8_t>> request(const std::string& service, Topic topic,
                                              const std::string& item) override {
    calls.push_back({DdeCall::request, service, topic, item});
    if (!connect(service)) return std::nullopt;
    const auto it = replies_.find({service, topic});
    if (it == replies_.end()) return std::vector<uint8_t>();
    return it->second;
  }
  bool poke(const std::string& service, Topic topic, const std::string& item) override {
    calls.push_back({DdeCall::poke, service, topic, item});
    return connect(service);
  }

  // The items of the calls on one topic, in order.
  std::vector<std::string> items(Topic topic) const {
    std::vector<std::string> out;
    for (const DdeCall& c : calls)
      if (c.topic == topic && c.kind != DdeCall::probe) out.push_back(c.item);
    return out;
  }
  // Every call as "request WWW_OpenURL <item>", "poke ...", "probe ...".
  std::vector<std::string> transcript() const {
    static const char* const kinds[] = {"probe", "request", "poke"};
    std::vector<std::string> out;
    for (const DdeCall& c : calls)
      out.push_back(std::string(kinds[c.kind]) + " " + topicName(c.topic) +
                    (c.kind == DdeCall::probe ? "" : " " + c.item));
    return out;
  }
  // "probe IEXPLORE", ... for the probes, in order.
  std::vector<std::string> probes() const {
    std::vector<std::string> out;
    for (const DdeCall& c : calls)
      if (c.kind == DdeCall::probe) out.push_back("probe " + c.service);
    return out;
  }

  std::vector<DdeCall> calls;

 private:
  bool connect(const std::string& service) {
    if (!running_.count(service)) return false;
    int& refusals = refusals_[service];
    if (refusals > 0) {
      --refusals;
      return false;
    }
    return true;
  }

  std::set<std::string> running_;
  std::map<std::string, int> refusals_;
  std::map<std::pair<std::string, Topic>, std::optional<std::vector<uint8_t>>> replies_;
};

// A key event as "Alt+", "Alt-", "S+", "0-" ...; extra info other than 0
// follows as "@n".
std::string keyName(uint8_t vk);

class RecordingDesktop : public BrowserDesktop {
 public:
  struct Window {
    std::string class_name;
    std::string title;
    WindowHandle parent = 0;
    bool iconic = false;
    bool refuses_foreground = false;
  };

  WindowHandle addWindow(const std::string& class_name, const std::string& title = "",
                         WindowHandle parent = 0) {
    const WindowHandle h = next_window_++;
    windows[h] = Window{class_name, title, parent};
    return h;
  }

  WindowHandle find_window(const std::string& class_name, const std::string& title) override {
    for (const auto& [h, w] : windows)
      if (w.parent == 0 && (class_name.empty() || w.class_name == class_name) &&
          (title.empty() || w.title == title))
        return h;
    return 0;
  }
  WindowHandle find_child(WindowHandle parent, const std::string& class_name) override {
    for (const auto& [h, w] : windows)
      if (w.parent == parent && w.class_name == class_name) return h;
    return 0;
  }
  WindowHandle foreground() override { return foreground_window; }
  WindowHandle parent(WindowHandle window) override {
    const auto it = windows.find(window);
    return it == windows.end() ? 0 : it->second.parent;
  }
  std::string class_name(WindowHandle window) override {
    const auto it = windows.find(window);
    return it == windows.end() ? std::string() : it->second.class_name.substr(0, 29);
  }
  bool set_foreground(WindowHandle window) override {
    if (recording) log.push_back("foreground " + std::to_string(window));
    const auto it = windows.find(window);
    if (it == windows.end() || it->second.refuses_foreground) return false;
    foreground_window = window;
    return true;
  }
  bool is_iconic(WindowHandle window) override {
    const auto it = windows.find(window);
    return it != windows.end() && it->second.iconic;
  }
  void restore(WindowHandle window) override {
    log.push_back("restore " + std::to_string(window));
    windows[window].iconic = false;
  }
  void post_quit(WindowHandle window) override { log.push_back("quit " + std::to_string(window)); }
  void post_thread_quit(uint32_t thread_id) override {
    log.push_back("thread quit " + std::to_string(thread_id));
  }

  void key_event(uint8_t vk, bool release, uintptr_t extra) override {
    if (!recording) return;
    std::string k = keyName(vk) + (release ? "-" : "+");
    if (extra != 0) k += "@" + std::to_string(extra);
    keys.push_back(k);
    log.push_back("key " + k);
  }
  uintptr_t message_extra_info() override { return extra_info; }
  void sleep(uint32_t milliseconds) override {
    if (recording) log.push_back("sleep " + std::to_string(milliseconds));
  }

  StartedProgram start_program(const std::string& path, uint32_t wait_ms) override {
    log.push_back("start " + path + " " + std::to_string(wait_ms));
    StartedProgram started{next_process_++, 900, 0};
    const auto it = start_results.find(path);
    if (it != start_results.end()) {
      if (it->second.process == 0) started.process = 0;
      started.wait_result = it->second.wait_result;
    }
    if (on_start && started.process != 0) on_start(path);
    return started;
  }
  void terminate(uintptr_t process) override {
    log.push_back("terminate " + std::to_string(process));
  }
  void close_process_handle(uintptr_t process) override {
    log.push_back("close " + std::to_string(process));
  }

  BoxAnswer message_box(uint32_t text_id, bool retry_cancel) override {
    log.push_back("box " + std::to_string(text_id) + (retry_cancel ? " retry/cancel" : ""));
    if (box_answers.empty()) return retry_cancel ? BoxAnswer::cancel : BoxAnswer::ok;
    const BoxAnswer a = box_answers.front();
    box_answers.pop_front();
    return a;
  }

  // The entries of the log that start with prefix ("box", "start", ...).
  std::vector<std::string> logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : log)
      if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
    return out;
  }
  std::string keyText() const {
    std::string s;
    for (const std::string& k : keys) s += (s.empty() ? "" : " ") + k;
    return s;
  }

  std::map<WindowHandle, Window> windows;
  WindowHandle foreground_window = 0;
  bool recording = true;  // off: keys, sleeps and foreground changes leave no record
  uintptr_t extra_info = 0;
  // By path: process 0 makes CreateProcessA fail; wait_result is WaitForInputIdle's.
  std::map<std::string, StartedProgram> start_results;
  std::function<void(const std::string& path)> on_start;
  std::deque<BoxAnswer> box_answers;  // then OK, or Cancel for Retry/Cancel
  std::vector<std::string> keys;
  std::vector<std::string> log;

 private:
  WindowHandle next_window_ = 100;
  uintptr_t next_process_ = 7;
};

inline std::string keyName(uint8_t vk) {
  static const std::map<uint8_t, const char*> names = {
      {0x09, "Tab"},  {0x0D, "Return"}, {0x11, "Ctrl"}, {0x12, "Alt"}, {0x1B, "Esc"},
      {0x21, "PgUp"}, {0x22, "PgDn"},   {0x25, "Left"}, {0x26, "Up"},  {0x27, "Right"},
      {0x28, "Down"}, {0x70, "F1"},     {0x74, "F5"},
  };
  const auto it = names.find(vk);
  if (it != names.end()) return it->second;
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, char(vk));
  return "vk" + std::to_string(vk);
}

class FakeRemote : public RemoteControl {
 public:
  void set_first_app() override { log.push_back("first app"); }
  std::optional<uint32_t> get_cap(uint32_t capability) override {
    const auto it = caps.find(capability);
    if (it == caps.end()) return std::nullopt;
    return it->second;
  }
  void set_cap(uint32_t capability, uint32_t value) override {
    log.push_back("set cap " + std::to_string(capability) + " " + std::to_string(value));
    caps[capability] = value;
  }
  std::map<uint32_t, uint32_t> caps;  // a missing one fails
  std::vector<std::string> log;
};

class FakeShell : public FrontEndShell {
 public:
  void set_title(const std::string& title) override {
    this->title = title;
    log.push_back("title " + title);
  }
  void sleep(uint32_t milliseconds) override {
    log.push_back("sleep " + std::to_string(milliseconds));
  }
  void post_quit() override { log.push_back("quit"); }
  std::string title = "Halvo Web";
  std::vector<std::string> log;
};

// The button labels as surfres holds them (210-238).
inline std::vector<std::string> buttonLabels() {
  std::vector<std::string> labels = {"..",      "Enter",   "Home",      "Save As", "Print", "Back",
                                     "Forward", "Page Up", "Page Down", "Reload",  "Cancel"};
  for (int i = 0; i < 10; ++i) labels.push_back(".");
  for (const char* l : {"Up", "Down", "Left", "Right", "Menu", "Activate", "Exit", "Shift"})
    labels.push_back(l);
  return labels;
}

// A bookmark file with links 1..count to "http://example.org/<n>".
inline std::string bookmarkPage(int count) {
  std::string page;
  BookmarkWriter writer(page);
  writer.start("");
  writer.heading(0, "Links");
  writer.listStart(0);
  for (int n = 1; n <= count; ++n)
    writer.entry(1, "http://example.org/" + std::to_string(n), "page " + std::to_string(n));
  writer.listEnd(0);
  writer.end();
  return page;
}

// Everything a driver works with, faked, around the real link table and
// channel; the front end's main window exists on the desktop.
struct BrowserWorld {
  halvo::MemoryRegistry registry;
  RecordingDde dde;
  RecordingDesktop desktop;
  OpenUrlChannel channel{dde};
  LinkTable links{channel};
  DriverContext context{registry, dde, desktop, channel, links, desktop.addWindow("HalvoWebFrame")};
};

// A driver that records each operation as "back(1)", "activate(0, busy)"...
class RecordingDriver : public BrowserDriver {
 public:
  explicit RecordingDriver(DriverContext& context) : BrowserDriver(context, 1) {}
  BrowserKind kind() const override { return BrowserKind::explorer; }

  int prepare() override { return note("prepare", -1); }
  int registerUrlEcho(int flag) override { return note("registerUrlEcho", flag); }
  int activate(bool mayRestart) override {
    calls.push_back(std::string("activate(") + (mayRestart ? "1" : "0") +
                    (busy_ ? ", busy)" : ")"));
    return activates;
  }
  int keyUp(uint8_t vk, int stayThere) override {
    return note("keyUp " + std::to_string(vk), stayThere, keys);
  }
  int keyDown(uint8_t vk, int stayThere) override {
    return note("keyDown " + std::to_string(vk), stayThere, keys);
  }
  int home(int flag) override { return note("home", flag); }
  int saveAs(int flag) override { return note("saveAs", flag); }
  int print(int flag) override { return note("print", flag); }
  int back(int flag) override { return note("back", flag); }
  int forward(int flag) override { return note("forward", flag); }
  int pageUp(int flag) override { return note("pageUp", flag); }
  int pageDown(int flag) override { return note("pageDown", flag); }
  int scrollUp(int flag) override { return note("scrollUp", flag); }
  int scrollDown(int flag) override { return note("scrollDown", flag); }
  int scrollLeft(int flag) override { return note("scrollLeft", flag); }
  int scrollRight(int flag) override { return note("scrollRight", flag); }
  int reload(int flag) override { return note("reload", flag); }
  int cancel(int flag) override { return note("cancel", flag); }
  int enter(int flag) override { return note("enter", flag); }

  std::vector<std::string> calls;
  int activates = 1;  // activate's result
  int keys = 1;       // keyDown's and keyUp's result

 private:
  int note(const std::string& name, int flag, int result = 1) {
    calls.push_back(flag < 0 ? name : name + "(" + std::to_string(flag) + ")");
    return result;
  }
};

}  // namespace surfdeck
