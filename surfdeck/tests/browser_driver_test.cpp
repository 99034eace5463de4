#include "surfdeck/browser_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "surfdeck/browser_entry.h"
#include "surfdeck/keys.h"
#include "surfdeck/surfres_ids.h"
#include "surfdeck/tests/browser_fakes.h"
#include "surfdeck/tests/temp_dir.h"

namespace surfdeck {
namespace {

using Strings = std::vector<std::string>;

const char* const kBrowserPath = "C:\\Browser\\browser.exe";

// A "WWW_ListWindows" reply: the id, then the terminating 0.
std::vector<uint8_t> idList(uint32_t id) {
  std::vector<uint8_t> bytes(8, 0);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(id >> (8 * i));
  return bytes;
}

// Where closeBrowser posts its WM_QUIT: the browser window the driver holds.
std::string heldWindow(RecordingDesktop& desktop, BrowserDriver& driver) {
  const std::size_t before = desktop.logged("quit").size();
  driver.closeBrowser();
  const Strings quits = desktop.logged("quit");
  return quits.size() == before ? "none" : quits.back();
}

std::string quitOf(WindowHandle window) { return "quit " + std::to_string(window); }

const char* kindName(BrowserKind kind) {
  switch (kind) {
    case BrowserKind::generic:
      return "generic";
    case BrowserKind::explorer:
      return "Explorer";
    case BrowserKind::navigator:
      return "Navigator";
    default:
      return "none";
  }
}

// One world per case: a browser of the kind whose service "B" answers, the
// bookmark file configured and entry 01 holding the browser's path.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override { bookmarks = dir.write("bookmarks.htm", bookmarkPage(3)); }

  struct Browser {
    explicit Browser(const std::string& bookmarks) {
      world.registry.create_key(entryKey(1));
      world.registry.write_string(entryKey(1), kServerPathValue, kBrowserPath);
      world.registry.write_string(kAppBrowserKey, kBookmarkValue, bookmarks);
      world.dde.run("B");
      world.channel.setService("B");
    }
    // A frame with its document window (Explorer) or a main window with
    // its content window (Navigator).
    WindowHandle addWindow(BrowserKind kind, const std::string& title) {
      const bool explorer = kind == BrowserKind::explorer;
      const WindowHandle top =
          world.desktop.addWindow(explorer ? "IEFrame" : "NavigatorFrame", title);
      world.desktop.addWindow(explorer ? "Shell DocObject View" : "Afx:400000:3028", "", top);
      return top;
    }
    // The driver set up with its browser window in front.
    std::unique_ptr<BrowserDriver> bind(BrowserKind kind) {
      main = addWindow(kind, "NETSCAPE");  // Navigator's title when window information has none
      auto driver = makeDriver(static_cast<int>(kind), world.context, 1);
      setUpDriver(*driver);
      world.desktop.foreground_window = main;
      world.dde.calls.clear();
      world.desktop.log.clear();
      world.desktop.keys.clear();
      return driver;
    }
    std::string held(BrowserDriver& driver) { return heldWindow(world.desktop, driver); }

    BrowserWorld world;
    WindowHandle main = 0;
  };

  TempDir dir;
  std::string bookmarks;
};

TEST_F(DriverTest, OpenUrlChannelSendsTheItemOrRefusesIt) {
  BrowserWorld w;
  const std::string argument = linkArgument("http://example.org/");
  EXPECT_FALSE(w.channel.openUrl(argument)) << "no service yet";
  EXPECT_TRUE(w.dde.calls.empty());

  w.channel.setService("IEXPLORE");
  EXPECT_FALSE(w.channel.openUrl(argument)) << "the service does not answer";
  w.dde.run("IEXPLORE");
  EXPECT_TRUE(w.channel.openUrl(argument));
  w.dde.noData("IEXPLORE", Topic::OpenURL);
  EXPECT_FALSE(w.channel.openUrl(argument)) << "no data came back";
  EXPECT_EQ(w.dde.items(Topic::OpenURL), Strings(3, "\"http://example.org/\",,0xFFFFFFFF,,,,,"));

  w.dde.calls.clear();
  EXPECT_FALSE(w.channel.openUrl(linkArgument("http://example.org/" + std::string(240, 'x'))));
  EXPECT_TRUE(w.dde.calls.empty()) << "a long URL is not cut into another address";
}

TEST_F(DriverTest, WindowIdFromTheListAndRegistration) {
  Browser b(bookmarks);
  RecordingDde& dde = b.world.dde;
  auto driver = makeDriver(1, b.world.context, 1);
  dde.reply("B", Topic::ListWindows, idList(0x1a2b));
  EXPECT_EQ(driver->queryWindowId(), 0x1a2bu);
  EXPECT_EQ(dde.items(Topic::ListWindows), Strings{"WWW_ListWindows"});

  // A list starting with 0 keeps the id; no data at all reports 0 and keeps it too.
  dde.reply("B", Topic::ListWindows, idList(0));
  EXPECT_EQ(driver->queryWindowId(), 0x1a2bu);
  dde.noData("B", Topic::ListWindows);
  EXPECT_EQ(driver->queryWindowId(), 0u);
  EXPECT_EQ(driver->windowId(), 0x1a2bu);

  EXPECT_EQ(driver->registerWindowChange(0, 5), 0);
  EXPECT_EQ(driver->registerWindowChange(1, 0), 1) << "0 stands for the current id";
  EXPECT_EQ(driver->registerWindowChange(1, 0xc0ffee), 1);
  EXPECT_EQ(dde.items(Topic::RegisterWindowChange),
            (Strings{"\"ZKAPP\",1a2b", "\"ZKAPP\",c0ffee"}));

  auto fresh = makeDriver(1, b.world.context, 1);
  EXPECT_EQ(fresh->registerWindowChange(1, 0), 0) << "no id known yet";
  EXPECT_EQ(dde.items(Topic::RegisterWindowChange).size(), 2u);
}

TEST_F(DriverTest, SetUpTransactionsInOrder) {
  struct Case {
    BrowserKind kind;
    Strings transcript;
  } cases[] = {
      {BrowserKind::explorer,
       {"request WWW_ListWindows WWW_ListWindows", "request WWW_RegisterWindowChange \"ZKAPP\",7e",
        "request WWW_GetWindowInfo 7e", "request WWW_OpenURL \"file:" + bookmarks + "\",,-1,,,,,"}},
      {BrowserKind::navigator,
       {"request WWW_ListWindows WWW_ListWindows", "request WWW_RegisterWindowChange \"ZKAPP\",7e",
        "poke WWW_RegisterURLEcho \"ZKAPP\"",
        "request WWW_OpenURL \"" + bookmarks + "\",,0xFFFFFFFF,,,,,",
        "request WWW_GetWindowInfo 7e"}},
      {BrowserKind::generic,
       {"request WWW_ListWindows WWW_ListWindows",
        "request WWW_RegisterWindowChange \"ZKAPP\",7e"}},
      {BrowserKind::none, {}},
  };
  for (const Case& c : cases) {
    Browser b(bookmarks);
    b.world.dde.reply("B", Topic::ListWindows, idList(0x7e));
    auto driver = makeDriver(static_cast<int>(c.kind), b.world.context, 1);
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->kind(), c.kind);
    setUpDriver(*driver);
    EXPECT_EQ(b.world.dde.transcript(), c.transcript) << kindName(c.kind);
    const bool opensPage = c.kind == BrowserKind::explorer || c.kind == BrowserKind::navigator;
    EXPECT_EQ(b.world.context.on_bookmark_page, opensPage) << kindName(c.kind);
    EXPECT_EQ(b.world.links.order().size(), opensPage ? 3u : 0u) << kindName(c.kind);
  }
  BrowserWorld w;
  EXPECT_FALSE(makeDriver(0, w.context, 1));
  EXPECT_FALSE(makeDriver(5, w.context, 1));
}

TEST_F(DriverTest, ExplorerFindsItsFrameByClass) {
  Browser b(bookmarks);
  b.addWindow(BrowserKind::navigator, "NETSCAPE");
  auto driver = makeDriver(2, b.world.context, 1);
  EXPECT_EQ(driver->prepare(), 0) << "no frame yet";
  EXPECT_EQ(b.held(*driver), "none");
  const WindowHandle frame = b.addWindow(BrowserKind::explorer, "Bookmarks");
  EXPECT_EQ(driver->prepare(), 1);
  EXPECT_EQ(b.held(*driver), quitOf(frame));
}

TEST_F(DriverTest, NavigatorFindsItsMainWindowByTheReportedTitle) {
  struct Case {
    const char* name;
    std::optional<std::string> info;  // nullopt: no data
    bool byTitle;
  } cases[] = {
      {"title from window information", "\"file:x\",\"Bookmarks - Navigator\",0", true},
      {"field of one character", "\"file:x\",\"", false},
      {"empty title", "\"file:x\",\"\"", false},
      {"no field 2", "\"file:x\"", false},
      {"no reply", std::nullopt, false},
  };
  for (const Case& c : cases) {
    Browser b(bookmarks);
    const WindowHandle byDefault = b.addWindow(BrowserKind::navigator, "NETSCAPE");
    const WindowHandle byTitle = b.addWindow(BrowserKind::navigator, "Bookmarks - Navigator");
    if (c.info)
      b.world.dde.reply("B", Topic::GetWindowInfo, *c.info);
    else
      b.world.dde.noData("B", Topic::GetWindowInfo);
    auto driver = makeDriver(3, b.world.context, 1);
    driver->bindWindow();
    EXPECT_EQ(b.held(*driver), quitOf(c.byTitle ? byTitle : byDefault)) << c.name;
  }
}

TEST_F(DriverTest, HomeOpensTheBookmarkPageAndLoadsItsLinks) {
  for (const BrowserKind kind : {BrowserKind::explorer, BrowserKind::navigator}) {
    Browser b(bookmarks);
    auto driver = makeDriver(static_cast<int>(kind), b.world.context, 1);
    struct Case {
      const char* name;
      std::string path;
      bool opens;
    } cases[] = {
        {"empty path", "", false},
        {"path too long for the item", "C:\\" + std::string(240, 'd') + "\\b.htm", false},
        {"configured", bookmarks, true},
    };
    for (const Case& c : cases) {
      b.world.registry.write_string(kAppBrowserKey, kBookmarkValue, c.path);
      b.world.dde.calls.clear();
      b.world.desktop.log.clear();
      const std::string name = std::string(kindName(kind)) + ": " + c.name;
      EXPECT_EQ(driver->home(1), c.opens ? 1 : 0) << name;
      EXPECT_EQ(b.world.dde.items(Topic::OpenURL).size(), c.opens ? 1u : 0u) << name;
      EXPECT_EQ(b.world.desktop.logged("box"),
                c.opens ? Strings{} : Strings{"box " + std::to_string(IDS_NO_BOOKMARK)})
          << name;
      EXPECT_EQ(b.world.context.on_bookmark_page, c.opens) << name;
    }
    EXPECT_EQ(b.world.links.url(3), "http://example.org/3");

    BrowserWorld unset;
    unset.dde.run("B");
    unset.channel.setService("B");
    auto lost = makeDriver(static_cast<int>(kind), unset.context, 1);
    EXPECT_EQ(lost->home(1), 0) << kindName(kind) << ": no appBrowser key";
    EXPECT_EQ(unset.desktop.logged("box"), Strings{"box " + std::to_string(IDS_NO_BOOKMARK)});
    EXPECT_TRUE(unset.dde.calls.empty());
  }
}

TEST_F(DriverTest, ActivationAndAdoption) {
  enum Front { kMain, kMainsDialog, kOtherBrowser, kOtherBrowsersDialog, kOtherWindow };
  struct Case {
    const char* name;
    Front front;
    bool busy;
    bool iconic;
    int result;
    bool adopts;  // the other browser is held afterwards
  } cases[] = {
      {"browser in front", kMain, false, false, 1, false},
      {"busy, the browser's dialog in front: left there", kMainsDialog, true, false, 0, false},
      {"busy, another browser's dialog: adopted", kOtherBrowsersDialog, true, false, 0, true},
      {"another browser in front: adopted", kOtherBrowser, false, false, 1, true},
      {"busy, another browser in front: ours brought back", kOtherBrowser, true, false, 1, false},
      {"another program in front: browser brought back", kOtherWindow, false, false, 1, false},
      {"minimised browser restored", kOtherWindow, false, true, 1, false},
  };
  for (const BrowserKind kind : {BrowserKind::explorer, BrowserKind::navigator}) {
    for (const Case& c : cases) {
      const std::string name = std::string(kindName(kind)) + ": " + c.name;
      Browser b(bookmarks);
      RecordingDesktop& d = b.world.desktop;
      auto driver = b.bind(kind);
      const WindowHandle mainsDialog = d.addWindow("#32770", "Print", b.main);
      const WindowHandle other = b.addWindow(kind, "Other");
      const WindowHandle othersDialog = d.addWindow("#32770", "Save As", other);
      const WindowHandle notepad = d.addWindow("Notepad", "Untitled");
      const WindowHandle fronts[] = {b.main, mainsDialog, other, othersDialog, notepad};
      d.foreground_window = fronts[c.front];
      d.windows[b.main].iconic = c.iconic;
      driver->setBusy(c.busy);
      EXPECT_EQ(driver->activate(false), c.result) << name;
      const bool broughtBack = c.front == kOtherWindow || (c.busy && c.front == kOtherBrowser);
      EXPECT_EQ(d.foreground_window, broughtBack ? b.main : fronts[c.front]) << name;
      EXPECT_EQ(d.logged("restore"),
                c.iconic ? Strings{"restore " + std::to_string(b.main)} : Strings{})
          << name;
      EXPECT_TRUE(d.logged("start").empty()) << name;
      EXPECT_EQ(b.held(*driver), quitOf(c.adopts ? other : b.main)) << name;
    }
  }
}

TEST_F(DriverTest, RestartWhenTheBrowserCannotBeBroughtBack) {
  const std::string start = "start C:\\Browser\\browser.exe 15000";
  struct Case {
    const char* name;
    bool mayRestart;
    bool hasPath;
    StartedProgram started;  // process 0: CreateProcessA fails
    int result;
    Strings log;
  } cases[] = {
      {"may not restart", false, true, {7, 900, 0}, 0, {}},
      {"no serverPath", true, false, {7, 900, 0}, 0, {}},
      {"CreateProcessA fails", true, true, {0, 0, 0}, 0, {start}},
      {"idle", true, true, {7, 900, 0}, 1, {start, "close 7", "sleep 2000"}},
      {"still busy after 15 s",
       true,
       true,
       {7, 900, kWaitTimeout},
       1,
       {start, "close 7", "sleep 2000"}},
      {"wait failed", true, true, {7, 900, 0xFFFFFFFF}, 0, {start, "thread quit 900", "close 7"}},
  };
  for (const BrowserKind kind : {BrowserKind::explorer, BrowserKind::navigator}) {
    for (const Case& c : cases) {
      const std::string name = std::string(kindName(kind)) + ": " + c.name;
      Browser b(bookmarks);
      RecordingDesktop& d = b.world.desktop;
      auto driver = b.bind(kind);
      if (!c.hasPath) b.world.registry.write_string(entryKey(1), kServerPathValue, "");
      // The browser has gone: its window no longer takes the foreground.
      d.windows[b.main].refuses_foreground = true;
      d.foreground_window = d.addWindow("Notepad", "Untitled");
      d.start_results[kBrowserPath] = c.started;
      WindowHandle restarted = 0;
      d.on_start = [&](const std::string&) {
        d.windows.erase(b.main);
        restarted = b.addWindow(kind, "Bookmarks - Navigator");
        b.world.dde.reply("B", Topic::GetWindowInfo, "\"file:x\",\"Bookmarks - Navigator\"");
      };
      d.log.clear();
      EXPECT_EQ(driver->activate(c.mayRestart), c.result) << name;
      Strings log;
      for (const std::string& e : d.log)
        if (e.rfind("foreground", 0) != 0) log.push_back(e);
      EXPECT_EQ(log, c.log) << name;
      if (c.result == 1) {
        // The new browser's windows are found and it shows the bookmark page.
        EXPECT_EQ(b.world.dde.items(Topic::OpenURL).size(), 1u) << name;
        EXPECT_EQ(b.held(*driver), quitOf(restarted)) << name;
      } else {
        EXPECT_TRUE(b.world.dde.items(Topic::OpenURL).empty()) << name;
      }
    }
  }
}

TEST_F(DriverTest, NavigatorLearnsTheNewWindowIdAfterARestart) {
  Browser b(bookmarks);
  RecordingDesktop& d = b.world.desktop;
  b.world.dde.reply("B", Topic::ListWindows, idList(0x11));
  auto driver = b.bind(BrowserKind::navigator);
  d.windows[b.main].refuses_foreground = true;
  d.foreground_window = 0;
  d.on_start = [&](const std::string&) {
    b.world.dde.reply("B", Topic::ListWindows, idList(0x22));
  };
  ASSERT_EQ(driver->activate(true), 1);
  EXPECT_EQ(b.world.dde.transcript(),
            (Strings{"request WWW_ListWindows WWW_ListWindows",
                     "request WWW_OpenURL \"" + bookmarks + "\",,0xFFFFFFFF,,,,,",
                     "request WWW_GetWindowInfo 22"}));
}

TEST_F(DriverTest, KeysGoToTheBrowserUnlessTheViewHandlesThem) {
  for (const BrowserKind kind : {BrowserKind::explorer, BrowserKind::navigator}) {
    const std::string name = kindName(kind);
    Browser b(bookmarks);
    RecordingDesktop& d = b.world.desktop;
    auto driver = b.bind(kind);
    d.extra_info = 42;
    for (const uint8_t refused : {0x31, 0x32, 0x33, 0x34, 0x35, 0x70}) {
      EXPECT_EQ(driver->keyDown(refused, 0), 0) << name << " " << int(refused);
      EXPECT_EQ(driver->keyUp(refused, 0), 0) << name << " " << int(refused);
    }
    EXPECT_TRUE(d.log.empty()) << name << ": refused keys do not even activate";

    // Typed into the front end's window: the key, then the foreground back.
    d.foreground_window = b.world.context.own_window;
    EXPECT_EQ(driver->keyDown('6', 0), 1) << name;
    const std::string extra = kind == BrowserKind::explorer ? "@42" : "";
    EXPECT_EQ(d.log, (Strings{"foreground " + std::to_string(b.main), "key 6+" + extra,
                              "foreground " + std::to_string(b.world.context.own_window)}))
        << name;
    d.log.clear();
    EXPECT_EQ(driver->keyUp('6', 1), 1) << name;
    EXPECT_EQ(d.log, (Strings{"foreground " + std::to_string(b.main), "key 6-" + extra})) << name;

    // A browser that cannot be brought to the front gets no keys.
    d.windows[b.main].refuses_foreground = true;
    d.foreground_window = b.world.context.own_window;
    d.keys.clear();
    EXPECT_EQ(driver->keyDown(vk::kDown, 1), 0) << name;
    EXPECT_TRUE(d.keys.empty()) << name;
    EXPECT_TRUE(d.logged("start").empty()) << name << ": keys never restart the browser";
  }
}

using Operation = std::function<int(BrowserDriver&)>;
struct NamedOperation {
  const char* name;
  Operation run;
};
const NamedOperation kOperations[] = {
    {"saveAs", [](BrowserDriver& d) { return d.saveAs(1); }},
    {"print", [](BrowserDriver& d) { return d.print(1); }},
    {"back", [](BrowserDriver& d) { return d.back(1); }},
    {"forward", [](BrowserDriver& d) { return d.forward(1); }},
    {"pageUp", [](BrowserDriver& d) { return d.pageUp(1); }},
    {"pageDown", [](BrowserDriver& d) { return d.pageDown(1); }},
    {"scrollUp", [](BrowserDriver& d) { return d.scrollUp(1); }},
    {"scrollDown", [](BrowserDriver& d) { return d.scrollDown(1); }},
    {"scrollLeft", [](BrowserDriver& d) { return d.scrollLeft(1); }},
    {"scrollRight", [](BrowserDriver& d) { return d.scrollRight(1); }},
    {"reload", [](BrowserDriver& d) { return d.reload(1); }},
    {"cancel", [](BrowserDriver& d) { return d.cancel(1); }},
    {"enter", [](BrowserDriver& d) { return d.enter(1); }},
};

TEST_F(DriverTest, KeystrokeTables) {
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      // operation: Explorer, Navigator
      {"saveAs",
       {"Alt+ F+ A+ A- F- Alt- S+ S- V+ V- 0+ 0- Tab+ Tab- Tab+ Tab-", "Alt+ F+ A+ A- F- Alt-"}},
      {"print", {"Ctrl+ P+ P- Ctrl-", "Alt+ F+ P+ P- F- Alt-"}},
      {"back", {"Alt+ Left+ Left- Alt-", "Alt+ Left+ Left- Alt-"}},
      {"forward", {"Alt+ Right+ Right- Alt-", "Alt+ Right+ Right- Alt-"}},
      {"pageUp", {"PgUp+ PgUp-", "PgUp+ PgUp-"}},
      {"pageDown", {"PgDn+ PgDn-", "PgDn+ PgDn-"}},
      {"scrollUp", {"Up+ Up-", "Up+ Up-"}},
      {"scrollDown", {"Down+ Down-", "Down+ Down-"}},
      {"scrollLeft", {"Left+ Left-", "Left+ Left-"}},
      {"scrollRight", {"Right+ Right-", "Right+ Right-"}},
      {"reload", {"F5+ F5-", "Ctrl+ R+ R- Ctrl-"}},
      {"cancel", {"Esc+ Esc-", "Esc+ Esc-"}},
      {"enter", {"Return+ Return-", "Return+ Return-"}},
  };
  for (const BrowserKind kind : {BrowserKind::explorer, BrowserKind::navigator}) {
    for (const NamedOperation& op : kOperations) {
      const std::string name = std::string(kindName(kind)) + " " + op.name;
      Browser b(bookmarks);
      auto driver = b.bind(kind);
      EXPECT_EQ(op.run(*driver), 1) << name;
      const auto& keys = expected.at(op.name);
      EXPECT_EQ(b.world.desktop.keyText(), kind == BrowserKind::explorer ? keys.first : keys.second)
          << name;
      EXPECT_TRUE(b.world.desktop.logged("foreground").empty())
          << name << ": the browser stays in front";
    }
  }
}

TEST_F(DriverTest, ExplorerSaveAsWaitsForTheMenu) {
  Browser b(bookmarks);
  auto driver = b.bind(BrowserKind::explorer);
  driver->saveAs(1);
  const Strings& log = b.world.desktop.log;
  const auto sleep = std::find(log.begin(), log.end(), "sleep 1000");
  ASSERT_NE(sleep, log.end());
  EXPECT_EQ(*(sleep - 1), "key Alt-");
  EXPECT_EQ(*(sleep + 1), "key S+");
}

TEST_F(DriverTest, CancelAndEnterGoToWhateverIsInFront) {
  for (const BrowserKind kind : {BrowserKind::explorer, BrowserKind::navigator}) {
    Browser b(bookmarks);
    RecordingDesktop& d = b.world.desktop;
    auto driver = b.bind(kind);
    d.windows[b.main].refuses_foreground = true;
    d.foreground_window = d.addWindow("#32770", "Print", b.main);
    EXPECT_EQ(driver->enter(1), 1);
    EXPECT_EQ(driver->cancel(1), 1);
    EXPECT_EQ(d.log, (Strings{"key Return+", "key Return-", "key Esc+", "key Esc-"}))
        << kindName(kind);
  }
}

TEST_F(DriverTest, ExplorerSaveCounter) {
  Browser b(bookmarks);
  RecordingDesktop& d = b.world.desktop;
  halvo::Registry& registry = b.world.registry;
  auto digits = [&] {
    std::string s;
    for (const std::string& k : d.keys)
      if (k.size() == 2 && k[0] >= '0' && k[0] <= '9' && k[1] == '+') s += k[0];
    d.keys.clear();
    return s;
  };

  auto driver = b.bind(BrowserKind::explorer);
  Strings typed;
  for (int i = 0; i < 3; ++i) {
    driver->saveAs(1);
    typed.push_back(digits());
  }
  EXPECT_EQ(typed, (Strings{"0", "1", "2"}));
  driver.reset();
  EXPECT_EQ(registry.read_string(entryKey(1), kCurSaveIndexValue), "3");

  // The stored index is not read back: a new driver starts at 0.
  driver = makeDriver(2, b.world.context, 1);
  driver->prepare();
  driver->saveAs(1);
  EXPECT_EQ(digits(), "0");

  // Up to 99999, then 0 again; the digits 1-5 are typed too.
  d.recording = false;
  for (int i = 1; i < 99999; ++i) driver->saveAs(1);
  d.recording = true;
  driver->saveAs(1);
  EXPECT_EQ(digits(), "99999");
  driver->saveAs(1);
  EXPECT_EQ(digits(), "0");
  driver->saveAs(1);
  EXPECT_EQ(digits(), "1");
  driver.reset();
  EXPECT_EQ(registry.read_string(entryKey(1), kCurSaveIndexValue), "2");
}

TEST_F(DriverTest, ExplorerSaveAsTypesNoNumberOutsideTheBrowser) {
  Browser b(bookmarks);
  RecordingDesktop& d = b.world.desktop;
  auto driver = b.bind(BrowserKind::explorer);
  d.windows[b.main].refuses_foreground = true;
  d.foreground_window = d.addWindow("Notepad", "Untitled");
  EXPECT_EQ(driver->saveAs(1), 0);
  EXPECT_TRUE(d.keys.empty());
  d.windows[b.main].refuses_foreground = false;
  driver->saveAs(1);
  EXPECT_NE(d.keyText().find("0+ 0-"), std::string::npos) << "the index was not used up";
}

TEST_F(DriverTest, EchoesAreConsumed) {
  const std::string echo = "\"http://a/\"," + std::string(300, 'x') + ",1,2,3,4,5,6,7,8,9,10,11";
  const std::vector<uint8_t> data(echo.begin(), echo.end());
  struct Case {
    BrowserKind kind;
    int urlEcho;
    int windowChange;
  } cases[] = {
      {BrowserKind::explorer, 1, 0},
      {BrowserKind::navigator, 1, 1},
      {BrowserKind::generic, 0, 0},
      {BrowserKind::none, 0, 0},
  };
  for (const Case& c : cases) {
    Browser b(bookmarks);
    auto driver = makeDriver(static_cast<int>(c.kind), b.world.context, 1);
    EXPECT_EQ(driver->onUrlEcho(echo, data.data(), data.size()), c.urlEcho) << kindName(c.kind);
    EXPECT_EQ(driver->onWindowChange(echo, data.data(), data.size()), c.windowChange)
        << kindName(c.kind);
    EXPECT_TRUE(b.world.dde.calls.empty()) << kindName(c.kind);
  }
}

TEST_F(DriverTest, GenericAndNullDriversDoNothing) {
  for (const BrowserKind kind : {BrowserKind::generic, BrowserKind::none}) {
    Browser b(bookmarks);
    RecordingDesktop& d = b.world.desktop;
    b.addWindow(BrowserKind::explorer, "NETSCAPE");
    auto driver = makeDriver(static_cast<int>(kind), b.world.context, 1);
    EXPECT_EQ(driver->prepare(), 0);
    EXPECT_EQ(driver->bindWindow(), 0);
    EXPECT_EQ(driver->home(1), 0);
    EXPECT_EQ(driver->activate(true), 0);
    EXPECT_EQ(driver->keyDown(vk::kDown, 0), 0);
    EXPECT_EQ(driver->closeBrowser(), 0);
    for (const NamedOperation& op : kOperations)
      EXPECT_EQ(op.run(*driver), 0) << kindName(kind) << " " << op.name;
    EXPECT_TRUE(d.log.empty()) << kindName(kind);
    EXPECT_TRUE(b.world.dde.items(Topic::OpenURL).empty()) << kindName(kind);
  }
}

}  // namespace
}  // namespace surfdeck
