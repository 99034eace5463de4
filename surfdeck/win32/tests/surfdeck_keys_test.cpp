// The front end's keys at the browser: the remote's Back, Print and Save As
// become key chords in the browser's document window, Enter a Return when a
// dialog is up or the pointer is locked, and the Save As counter lives on in
// the entry's "CurSaveIndex".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "surfdeck/keys.h"
#include "surfdeck/win32/tests/surfdeck_machine.h"

namespace itest {
namespace {

using browserlog::dump;
using browserlog::LogEntry;

// "msg vk" of each key message the browser's document window got, with
// " alt" or " ctrl" when that modifier was down.
std::vector<std::string> keys(const std::vector<LogEntry>& log) {
  std::vector<std::string> got;
  for (const LogEntry& e : browserlog::of_event(log, "key")) {
    if (e.find("vk") == nullptr) continue;
    char text[64];
    snprintf(text, sizeof text, "%s %02llx%s%s", e.get("msg").c_str(), e.number("vk"),
             e.number("alt", 0) ? " alt" : "", e.number("ctrl", 0) ? " ctrl" : "");
    got.push_back(text);
  }
  return got;
}

bool has(const std::vector<std::string>& keys, const std::string& key) {
  for (const std::string& k : keys)
    if (k == key) return true;
  return false;
}

// Waits until the browser has seen this key message.
bool wait_for_key(const browserlog::Log& log, const std::string& key) {
  return log.wait_for([&](const std::vector<LogEntry>& l) { return has(keys(l), key); }, kSurfWaitMs);
}

class SurfdeckKeysTest : public SurfdeckTest {
 protected:
  // Web brings the browser to the front. Under Wine a window brought forward
  // by another process takes keys only once its thread has handled the
  // activation (until then they are lost): the tests wait for that, so that
  // what follows measures the keys, not the race.
  void bring_browser_forward() {
    const bool in_front = foreground_is_browser();
    browser_.log().clear();
    ASSERT_TRUE(press("Web"));
    ASSERT_TRUE(browser_.log().wait_for(
        [&](const std::vector<LogEntry>& l) {
          return foreground_is_browser() && (in_front || !browserlog::of_event(l, "focus").empty());
        },
        kSurfWaitMs))
        << dump(browser_.log().read());
    browser_.log().clear();
  }
  bool foreground_is_browser() const {
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    return owner == browser_.pid();
  }

  void SetUp() override {
    SurfdeckTest::SetUp();
    use_bookmarks();
    // Long enough for a number to stay pending across a dialog.
    ASSERT_TRUE(write_setting(surfdeck::kNTimeoutValue, "20000"));
  }
};

TEST_F(SurfdeckKeysTest, BackArrivesAsAltLeftInEitherBrowser) {
  const struct {
    const char* service;
    std::string home;
  } rows[] = {{"IEXPLORE", explorer_home_item(bookmarks_)}, {"NETSCAPE", navigator_home_item(bookmarks_)}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.service);
    start_browser(row.service);
    ASSERT_TRUE(surfdeck_.start());
    ASSERT_TRUE(wait_for_opened(browser_.log(), row.home)) << dump(browser_.log().read());
    ASSERT_TRUE(surfdeck_.wait_for_remote());
    bring_browser_forward();
    ASSERT_TRUE(wait_for_ticks(3));
    ASSERT_TRUE(press("Back"));
    EXPECT_TRUE(wait_for_key(browser_.log(), "syskeydown 25 alt")) << dump(browser_.log().read());
    EXPECT_TRUE(wait_for_key(browser_.log(), "keyup 12")) << dump(browser_.log().read());
    surfdeck_.end();
    browser_.end();
  }
}

TEST_F(SurfdeckKeysTest, PrintThenEnterSendsReturnWhileTheNumberStaysPending) {
  start_browser("IEXPLORE");
  start_bound();
  bring_browser_forward();
  ASSERT_TRUE(press("Button3"));
  ASSERT_TRUE(press("Print"));
  ASSERT_TRUE(wait_for_key(browser_.log(), "keydown 50 ctrl")) << dump(browser_.log().read());
  ASSERT_TRUE(press("Enter"));
  ASSERT_TRUE(wait_for_key(browser_.log(), "keydown 0d")) << dump(browser_.log().read());
  EXPECT_TRUE(opened_items(browser_.log().read()).empty());
  // The dialog is dealt with; the next Enter opens the number still pending.
  ASSERT_TRUE(wait_for_ticks(3));
  ASSERT_TRUE(press("Enter"));
  EXPECT_TRUE(wait_for_opened(browser_.log(), link_item(3))) << dump(browser_.log().read());
}

TEST_F(SurfdeckKeysTest, EnterWithoutANumberOpensTheNextLinkUnlessThePointerIsLocked) {
  start_browser("IEXPLORE");
  start_bound();
  bring_browser_forward();
  ASSERT_TRUE(press("Enter"));
  ASSERT_TRUE(wait_for_opened(browser_.log(), link_item(1))) << dump(browser_.log().read());
  ASSERT_TRUE(wait_for_ticks(3));
  ASSERT_TRUE(press("Enter"));
  ASSERT_TRUE(wait_for_opened(browser_.log(), link_item(2))) << dump(browser_.log().read());
  // Locked, the remote's Enter is a click of the pointer: the code comes
  // as the library sends it.
  ASSERT_TRUE(press("MouseLock"));
  ASSERT_TRUE(wait_for_ticks(2));
  browser_.log().clear();
  ASSERT_EQ(1, surfdeck_.button(1048));
  EXPECT_TRUE(wait_for_key(browser_.log(), "keydown 0d")) << dump(browser_.log().read());
  EXPECT_TRUE(opened_items(browser_.log().read()).empty()) << dump(browser_.log().read());
}

TEST_F(SurfdeckKeysTest, TheSaveAsCounterIsStoredAtExitAndStartsAtZeroNextTime) {
  ASSERT_TRUE(write_setting(surfdeck::kTypeUsedValue, "01,00"));
  write_entry(1, 2, "IEXPLORE", "");
  start_browser("IEXPLORE");
  // Alt F A opens the Save As dialog; S V, the counter and two Tabs fill it in.
  const std::vector<std::string> chord = {"syskeydown 12 alt", "syskeydown 46 alt", "syskeydown 41 alt",
                                          "syskeyup 41 alt",   "syskeyup 46 alt",   "keyup 12",
                                          "keydown 53",        "keyup 53",          "keydown 56",
                                          "keyup 56",          "keydown 30",        "keyup 30",
                                          "keydown 09",        "keyup 09",          "keydown 09",
                                          "keyup 09"};
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "first run" : "second run");
    start_bound();
    bring_browser_forward();
    // The shipped remote's key for it is Print's too: the code comes as the
    // library sends it.
    ASSERT_EQ(1, surfdeck_.button(1057));
    std::vector<LogEntry> log;
    ASSERT_TRUE(browser_.log().wait_for([&](const std::vector<LogEntry>& l) { return keys(l).size() >= chord.size(); },
                                        kSurfWaitMs, &log))
        << dump(log);
    EXPECT_EQ(chord, keys(log)) << dump(log);
    surfdeck_.end();
    ASSERT_FALSE(surfdeck_.running());
    EXPECT_EQ("1", entry_value(1, surfdeck::kCurSaveIndexValue));
  }
}

}  // namespace
}  // namespace itest
