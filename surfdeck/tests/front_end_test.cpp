#include "surfdeck/front_end.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "surfdeck/keys.h"
#include "surfdeck/tests/browser_fakes.h"
#include "surfdeck/tests/temp_dir.h"

namespace surfdeck {
namespace {

using Strings = std::vector<std::string>;

// Button codes.
constexpr uint16_t kWeb = 1026, kPlay = 1028, kButton0 = 1038, kEnter = 1048, kShiftLock = 1049,
                   kAppMenu = 1050, kCancel = 1051, kPrint = 1054, kSaveAs = 1057, kBack = 1058;
constexpr uint16_t digit(int d) { return static_cast<uint16_t>(kButton0 + d); }

std::string item(int link) {
  return "\"http://example.org/" + std::to_string(link) + "\",,0xFFFFFFFF,,,,,";
}

TEST(FrontEndSettingsTest, ReadingTheSettings) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, std::string>> values;
    uint32_t ntimeout;
    bool eisn, shiftApply, shiftOnlyOnLeave, exitXBrowser;
    std::optional<std::string> storedNTimeout;  // afterwards
  } cases[] = {
      {"nothing stored", {}, 5000, true, true, false, false, "5000"},
      {"NTimeout 300 becomes 5000",
       {{kNTimeoutValue, "300"}},
       5000,
       true,
       true,
       false,
       false,
       "5000"},
      {"NTimeout 500 is kept", {{kNTimeoutValue, "500"}}, 500, true, true, false, false, "500"},
      {"NTimeout 1500 is kept", {{kNTimeoutValue, "1500"}}, 1500, true, true, false, false, "1500"},
      {"NTimeout not a number", {{kNTimeoutValue, "soon"}}, 5000, true, true, false, false, "5000"},
      {"NTimeout longer than 9 characters",
       {{kNTimeoutValue, "0000001500"}},
       5000,
       true,
       true,
       false,
       false,
       "5000"},
      {"EisN 0",
       {{kNTimeoutValue, "1500"}, {kEisNValue, "0"}},
       1500,
       false,
       true,
       false,
       false,
       "1500"},
      {"ShiftOnWhenNumeric 0",
       {{kShiftOnWhenNumericValue, "0"}},
       5000,
       true,
       false,
       false,
       false,
       "5000"},
      {"ShiftOnWhenNumeric 1",
       {{kShiftOnWhenNumericValue, "1"}},
       5000,
       true,
       true,
       false,
       false,
       "5000"},
      {"ShiftOnWhenNumeric 2",
       {{kShiftOnWhenNumericValue, "2"}},
       5000,
       true,
       true,
       true,
       false,
       "5000"},
      {"ShiftOnWhenNumeric 3 changes nothing",
       {{kShiftOnWhenNumericValue, "3"}},
       5000,
       true,
       true,
       false,
       false,
       "5000"},
      {"ExitXBrowser 1", {{kExitXBrowserValue, "1"}}, 5000, true, true, false, true, "5000"},
  };
  for (const Case& c : cases) {
    halvo::MemoryRegistry registry;
    registry.create_key(kAppBrowserKey);
    for (const auto& [name, text] : c.values) registry.write_string(kAppBrowserKey, name, text);
    const FrontEndSettings s = readSettings(registry);
    EXPECT_EQ(s.ntimeout, c.ntimeout) << c.name;
    EXPECT_EQ(s.eisn, c.eisn) << c.name;
    EXPECT_EQ(s.shift_apply, c.shiftApply) << c.name;
    EXPECT_EQ(s.shift_only_on_leave, c.shiftOnlyOnLeave) << c.name;
    EXPECT_EQ(s.exit_x_browser, c.exitXBrowser) << c.name;
    EXPECT_EQ(registry.read_string(kAppBrowserKey, kNTimeoutValue), c.storedNTimeout) << c.name;
  }

  // Without the key: ShiftOnWhenNumeric 2, and nothing is written.
  halvo::MemoryRegistry empty;
  const FrontEndSettings s = readSettings(empty);
  EXPECT_EQ(s.ntimeout, 5000u);
  EXPECT_TRUE(s.eisn);
  EXPECT_TRUE(s.shift_apply);
  EXPECT_TRUE(s.shift_only_on_leave);
  EXPECT_FALSE(s.exit_x_browser);
  EXPECT_FALSE(empty.key_exists(kAppBrowserKey));
}

TEST(FrontEndSettingsTest, WindowPosition) {
  struct Case {
    std::string stored;
    std::optional<Point> corner;
  } cases[] = {
      {"10,20", Point{10, 20}},        {"-1920,4", Point{-1920, 4}}, {"10", std::nullopt},
      {"10,20,30", std::nullopt},      {"a,b", std::nullopt},        {"", std::nullopt},
      {"99999999999,1", std::nullopt},
  };
  for (const Case& c : cases) {
    halvo::MemoryRegistry registry;
    registry.create_key(kAppBrowserKey);
    registry.write_string(kAppBrowserKey, kPrevPValue, c.stored);
    const std::optional<Point> p = readPosition(registry);
    ASSERT_EQ(p.has_value(), c.corner.has_value()) << c.stored;
    if (p) {
      EXPECT_EQ(p->x, c.corner->x) << c.stored;
      EXPECT_EQ(p->y, c.corner->y) << c.stored;
    }
  }
  halvo::MemoryRegistry registry;
  EXPECT_FALSE(readPosition(registry));
  writePosition(registry, {-3, 480});
  EXPECT_EQ(registry.read_string(kAppBrowserKey, kPrevPValue), "-3,480");
}

// The front end over a recording driver, the real link table holding links
// 1-15, the fake remote library and window.
struct Rig {
  Rig(const std::string& bookmarks, const FrontEndSettings& settings)
      : front(settings, w.context, shell) {
    w.dde.run("IEXPLORE");
    w.channel.setService("IEXPLORE");
    w.links.load(bookmarks);
    front.setDriver(&driver);
    front.setRemote(&remote);
    front.setLabels(buttonLabels());
    front.setVerbose(true);
  }
  BrowserWorld w;
  RecordingDriver driver{w.context};
  FakeRemote remote;
  FakeShell shell;
  WebFrontEnd front;
};

// A fresh rig per case; a clock the test moves.
class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bookmarks = dir.write("b.htm", bookmarkPage(15));
    start();
  }
  void start(const FrontEndSettings& settings = FrontEndSettings{}) {
    r = std::make_unique<Rig>(bookmarks, settings);
    ASSERT_EQ(r->w.links.order().size(), 15u);
  }
  // A press a little later than the one before.
  int press(uint16_t code, uint32_t after = 600) {
    now += after;
    return r->front.onButton(code, now);
  }
  Strings opened() const { return r->w.dde.items(Topic::OpenURL); }

  TempDir dir;
  std::string bookmarks;
  std::unique_ptr<Rig> r;
  uint32_t now = 100000;
};

TEST_F(FrontEndTest, ButtonTable) {
  struct Case {
    uint16_t code;
    int result;
    Strings calls;
    std::string title;
  } cases[] = {
      {kWeb, 1, {"activate(1, busy)"}, "Activate"},
      {digit(0), 1, {}, "."},
      {digit(9), 1, {}, "9 ."},
      {kEnter, 1, {"activate(0, busy)", "enter(1)"}, "Enter"},
      {kCancel, 1, {"cancel(1)"}, "Cancel"},
      {1052, 1, {"reload(1)"}, "Reload"},
      {1053, 1, {"home(1)"}, "Home"},
      {kPrint, 1, {"print(1)"}, "Print"},
      {1055, 1, {"pageUp(1)"}, "Page Up"},
      {1056, 1, {"pageDown(1)"}, "Page Down"},
      {kSaveAs, 1, {"saveAs(1)"}, "Save As"},
      {kBack, 1, {"back(1)"}, "Back"},
      {1059, 1, {"forward(1)"}, "Forward"},
      {1060, 1, {"scrollUp(1)"}, "Up"},
      {1061, 1, {"scrollDown(1)"}, "Down"},
      {1062, 1, {"scrollLeft(1)"}, "Left"},
      {1063, 1, {"scrollRight(1)"}, "Right"},
      {kShiftLock, 2, {}, "Shift"},
      {kAppMenu, 2, {}, "Menu"},
      {kPlay, 2, {}, "Halvo Web"},
      {1025, 2, {}, "Halvo Web"},
      {1037, 2, {}, "Halvo Web"},
      {1064, 2, {}, "Halvo Web"},
      {1090, 2, {}, "Halvo Web"},
  };
  for (const Case& c : cases) {
    start();
    r->driver.calls.clear();
    r->shell.title = "Halvo Web";
    r->shell.log.clear();
    EXPECT_EQ(press(c.code), c.result) << c.code;
    EXPECT_EQ(r->driver.calls, c.calls) << c.code;
    EXPECT_EQ(r->shell.title, c.title) << c.code;
    if (c.result == 1) {
      EXPECT_EQ(r->shell.log, (Strings{"title ..", "sleep 25", "title " + c.title})) << c.code;
    } else if (c.title == "Halvo Web") {
      EXPECT_TRUE(r->shell.log.empty()) << c.code << ": the title is not touched";
    }
  }
}

TEST_F(FrontEndTest, WebTwiceEndsTheProgram) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint16_t, uint32_t>> presses;  // button, ms after the one before
    int quits;
  } cases[] = {
      {"once", {{kWeb, 600}}, 0},
      {"twice within NTimeout", {{kWeb, 600}, {kWeb, 600}}, 1},
      {"twice, exactly NTimeout apart", {{kWeb, 600}, {kWeb, 5000}}, 1},
      {"twice, further apart", {{kWeb, 600}, {kWeb, 5001}}, 0},
      {"Web, Back, Web: activates twice", {{kWeb, 600}, {kBack, 600}, {kWeb, 600}}, 0},
      {"Web, Back, Web, Web: the stamp of the first",
       {{kWeb, 600}, {kBack, 600}, {kWeb, 600}, {kWeb, 600}},
       1},
      {"Web, Back, Web, late Web: the first stamp has run out",
       {{kWeb, 600}, {kBack, 600}, {kWeb, 600}, {kWeb, 3900}},
       0},
      {"a late second press renews the stamp", {{kWeb, 600}, {kWeb, 9000}, {kWeb, 4000}}, 1},
      {"Shift lock between leaves Web the last button",
       {{kWeb, 600}, {kShiftLock, 600}, {kWeb, 600}},
       1},
  };
  for (const Case& c : cases) {
    start();
    r->shell.log.clear();
    r->remote.log.clear();
    r->driver.calls.clear();
    int activations = 0;
    for (const auto& [code, after] : c.presses) {
      EXPECT_EQ(press(code, after), code == kShiftLock ? 2 : 1) << c.name;
      activations += code == kWeb;
    }
    const Strings quits = [&] {
      Strings q;
      for (const std::string& e : r->shell.log)
        if (e == "quit") q.push_back(e);
      return q;
    }();
    EXPECT_EQ(static_cast<int>(quits.size()), c.quits) << c.name;
    activations -= c.quits;
    EXPECT_EQ(std::count(r->driver.calls.begin(), r->driver.calls.end(), "activate(1, busy)"),
              activations)
        << c.name;
    EXPECT_EQ(static_cast<int>(r->remote.log.size()), activations) << c.name << ": mmcdSetFirstApp";
    if (c.quits) {
      EXPECT_EQ(r->shell.title, "Exit") << c.name;
    }
  }
}

TEST_F(FrontEndTest, TimeTestsSurviveTheClockWrap) {
  now = 0xFFFFFE00u;
  press(kWeb, 0);
  press(kWeb, 0x300);  // the clock has wrapped past 0
  EXPECT_EQ(r->shell.log.back(), "title Exit");

  now = 0xFFFFFF00u;
  press(digit(1), 0);
  press(digit(2), 0x200);
  EXPECT_EQ(r->front.pendingNumber(), 12);
}

TEST_F(FrontEndTest, DigitsThenEnterOpenANumberedLink) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint16_t, uint32_t>> presses;
    Strings opened;
  } cases[] = {
      {"1, 2, Enter opens link 12", {{digit(1), 600}, {digit(2), 600}, {kEnter, 600}}, {item(12)}},
      {"a pause longer than NTimeout before the 2 opens link 2",
       {{digit(1), 600}, {digit(2), 5001}, {kEnter, 600}},
       {item(2)}},
      {"a pause of exactly NTimeout keeps the 1",
       {{digit(1), 600}, {digit(2), 5000}, {kEnter, 600}},
       {item(12)}},
      {"a number that ran out before Enter: the next link",
       {{digit(1), 600}, {digit(2), 600}, {kEnter, 5001}},
       {item(1)}},
      {"0 then 7 opens link 7", {{digit(0), 600}, {digit(7), 600}, {kEnter, 600}}, {item(7)}},
      {"a number without a link opens nothing",
       {{digit(4), 600}, {digit(2), 600}, {kEnter, 600}},
       {}},
  };
  for (const Case& c : cases) {
    start();
    r->w.dde.calls.clear();
    r->remote.caps[4105] = 0;
    for (const auto& [code, after] : c.presses) EXPECT_EQ(press(code, after), 1) << c.name;
    EXPECT_EQ(opened(), c.opened) << c.name;
    EXPECT_EQ(r->front.pendingNumber(), 0) << c.name;
  }
}

TEST_F(FrontEndTest, VerboseTitlesShowThePendingNumber) {
  press(digit(1));
  r->shell.log.clear();
  press(digit(2));
  EXPECT_EQ(r->shell.log, (Strings{"title ..", "sleep 25", "title 12 ."}));
  press(kBack);
  EXPECT_EQ(r->shell.title, "12 Back");
  press(kEnter);
  EXPECT_EQ(r->shell.title, "Enter") << "the number was used";

  // Without verbose the title stays as it is.
  start();
  r->front.setVerbose(false);
  r->shell.log.clear();
  press(digit(3));
  press(kBack);
  press(kAppMenu);
  EXPECT_TRUE(r->shell.log.empty());
}

TEST_F(FrontEndTest, TheNumberCannotOverflow) {
  for (int i = 0; i < 12; ++i) press(digit(9), 100);
  EXPECT_EQ(r->front.pendingNumber(), kMaxPendingNumber);
  EXPECT_EQ(r->shell.title, "999999999 .");
  press(kEnter);
  EXPECT_TRUE(opened().empty());
  EXPECT_EQ(r->front.pendingNumber(), 0);

  // A digit that would pass the bound is dropped, a smaller one still fits.
  for (int i = 0; i < 8; ++i) press(digit(9), 100);
  press(digit(8), 100);
  EXPECT_EQ(r->front.pendingNumber(), 999999998);
}

TEST_F(FrontEndTest, AfterPrintOrSaveAsEnterGoesToTheDialog) {
  for (const uint16_t dialog : {kPrint, kSaveAs}) {
    start();
    r->w.dde.calls.clear();
    press(digit(1));
    press(digit(2));
    press(dialog);
    EXPECT_TRUE(r->front.dialogPending()) << dialog;
    r->driver.calls.clear();
    press(kEnter);
    EXPECT_EQ(r->driver.calls, (Strings{"activate(0, busy)", "enter(0)"})) << dialog;
    EXPECT_TRUE(opened().empty()) << dialog;
    EXPECT_EQ(r->front.pendingNumber(), 12) << dialog << ": the number stays pending";
    EXPECT_FALSE(r->front.dialogPending()) << dialog;
    press(kEnter);
    EXPECT_EQ(opened(), Strings{item(12)}) << dialog;
  }
}

TEST_F(FrontEndTest, EnterWhenTheBrowserCannotBeActivated) {
  r->driver.activates = 0;
  press(digit(3));
  r->driver.calls.clear();
  press(kEnter);
  EXPECT_EQ(r->driver.calls, (Strings{"activate(0, busy)", "enter(0)"}));
  EXPECT_TRUE(opened().empty());
  EXPECT_EQ(r->front.pendingNumber(), 3);
}

TEST_F(FrontEndTest, EnterWithoutANumber) {
  struct Case {
    const char* name;
    bool eisn;
    std::optional<uint32_t> mouseLock;  // nullopt: mmcdGetCap fails
    bool withRemote;
    bool opensNext;
  } cases[] = {
      {"mouse lock off: the next link", true, 0, true, true},
      {"mouse lock on: Return", true, 1, true, false},
      {"mouse lock unknown: Return", true, std::nullopt, true, false},
      {"EisN off: Return", false, 0, true, false},
      {"no remote library: Return", true, 0, false, false},
  };
  for (const Case& c : cases) {
    FrontEndSettings settings;
    settings.eisn = c.eisn;
    start(settings);
    if (!c.withRemote) r->front.setRemote(nullptr);
    r->remote.caps.clear();
    if (c.mouseLock) r->remote.caps[4105] = *c.mouseLock;
    r->w.dde.calls.clear();
    r->driver.calls.clear();
    press(kEnter);
    press(kEnter);
    if (c.opensNext) {
      EXPECT_EQ(opened(), (Strings{item(1), item(2)})) << c.name;
      EXPECT_EQ(r->driver.calls, (Strings{"activate(0, busy)", "activate(0, busy)"})) << c.name;
    } else {
      EXPECT_TRUE(opened().empty()) << c.name;
      EXPECT_EQ(r->driver.calls,
                (Strings{"activate(0, busy)", "enter(1)", "activate(0, busy)", "enter(1)"}))
          << c.name;
    }
  }
}

TEST_F(FrontEndTest, ShiftLockRuleAfterANumberedChoice) {
  struct Case {
    const char* name;
    int shiftOnWhenNumeric;
    bool onBookmarkPage;
    std::optional<uint32_t> shiftLock;
    bool turnsOn;
  } cases[] = {
      {"rule off", 0, true, 0, false},
      {"always: on the page", 1, true, 0, true},
      {"always: elsewhere", 1, false, 0, true},
      {"only on leaving: on the page", 2, true, 0, true},
      {"only on leaving: elsewhere", 2, false, 0, false},
      {"already on", 1, true, 1, false},
      {"state unknown", 1, true, std::nullopt, false},
  };
  for (const Case& c : cases) {
    FrontEndSettings settings;
    settings.shift_apply = c.shiftOnWhenNumeric != 0;
    settings.shift_only_on_leave = c.shiftOnWhenNumeric == 2;
    start(settings);
    r->remote.caps.clear();
    r->remote.log.clear();
    if (c.shiftLock) r->remote.caps[4106] = *c.shiftLock;
    r->w.context.on_bookmark_page = c.onBookmarkPage;
    press(digit(5));
    press(kEnter);
    EXPECT_EQ(r->remote.log, c.turnsOn ? Strings{"set cap 4106 1"} : Strings{}) << c.name;
    const bool leaves =
        c.shiftOnWhenNumeric != 0 && (c.shiftOnWhenNumeric == 1 || c.onBookmarkPage);
    EXPECT_EQ(r->w.context.on_bookmark_page, c.onBookmarkPage && !leaves) << c.name;
  }
}

TEST_F(FrontEndTest, MenuMode) {
  struct Case {
    const char* name;
    uint16_t leave;
  } cases[] = {{"Enter leaves", kEnter}, {"Cancel leaves", kCancel}};
  for (const Case& c : cases) {
    start();
    press(kWeb);
    EXPECT_EQ(press(kAppMenu), 2) << c.name;
    EXPECT_TRUE(r->front.menuMode()) << c.name;
    r->driver.calls.clear();
    r->shell.log.clear();
    for (const uint16_t code : {kBack, digit(4), kWeb, kPrint})
      EXPECT_EQ(press(code), 2) << c.name << " " << code;
    EXPECT_EQ(press(c.leave), 2) << c.name;
    EXPECT_FALSE(r->front.menuMode()) << c.name;
    EXPECT_TRUE(r->driver.calls.empty()) << c.name;
    EXPECT_TRUE(r->shell.log.empty()) << c.name;
    EXPECT_EQ(r->front.pendingNumber(), 0) << c.name;
    EXPECT_FALSE(r->front.dialogPending()) << c.name;
    // The leaving button is now the last one: Web activates instead of quitting.
    EXPECT_EQ(press(kWeb), 1) << c.name;
    EXPECT_EQ(r->driver.calls, Strings{"activate(1, busy)"}) << c.name;
  }
}

TEST_F(FrontEndTest, ViewKeys) {
  r->driver.keys = 0;
  EXPECT_FALSE(r->front.onViewKeyDown(0x33));
  r->driver.keys = 1;
  EXPECT_TRUE(r->front.onViewKeyDown(vk::kDown));
  EXPECT_TRUE(r->front.onViewKeyUp(vk::kDown));
  EXPECT_EQ(r->driver.calls, (Strings{"keyDown 51(0)", "keyDown 40(0)", "keyUp 40(0)"}));

  struct Case {
    char ch;
    bool handled;
    Strings calls;
  } cases[] = {
      {'1', true, {"home(0)"}},  {'2', true, {}},          {'3', true, {"saveAs(1)"}},
      {'4', true, {"print(1)"}}, {'5', true, {"back(1)"}}, {'6', false, {}},
      {'a', false, {}},
  };
  for (const Case& c : cases) {
    r->driver.calls.clear();
    EXPECT_EQ(r->front.onViewChar(c.ch), c.handled) << c.ch;
    EXPECT_EQ(r->driver.calls, c.calls) << c.ch;
  }
}

}  // namespace
}  // namespace surfdeck
