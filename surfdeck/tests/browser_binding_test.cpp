#include "surfdeck/browser_binding.h"

#include <gtest/gtest.h>

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

struct Entry {
  const char* name;
  std::optional<std::string> method, server, serverPath;
};

void configure(halvo::Registry& registry, const std::string& typeUsed,
               std::initializer_list<Entry> entries) {
  registry.create_key(kAppBrowserKey);
  registry.write_string(kAppBrowserKey, kTypeUsedValue, typeUsed);
  for (const Entry& e : entries) {
    const std::string key = std::string(kAppBrowserKey) + "\\" + e.name;
    registry.create_key(key);
    if (e.method) registry.write_string(key, kMethodValue, *e.method);
    if (e.server) registry.write_string(key, kServerValue, *e.server);
    if (e.serverPath) registry.write_string(key, kServerPathValue, *e.serverPath);
  }
}

const Entry kExplorer{"01", "2", "IEXPLORE", "C:\\ie.exe"};
const Entry kNavigator{"02", "3", "NETSCAPE", "C:\\nn.exe"};

// A started program's service answers after the given refusals.
void answersWhenStarted(BrowserWorld& w, const std::string& path, const std::string& service,
                        int refusals) {
  w.desktop.on_start = [&w, path, service, refusals](const std::string& started) {
    if (started == path) w.dde.answerAfter(service, refusals);
  };
}

std::optional<Binding> bind(BrowserWorld& w) { return bindBrowser(w.registry, w.dde, w.desktop); }

std::string describe(const std::optional<Binding>& b) {
  if (!b) return "none";
  return std::to_string(b->kind) + " " + std::to_string(b->entry) + " " + b->service;
}

TEST(BindingTest, FirstRunWritesTheDefaultsAndProbesTheUsualServices) {
  struct Case {
    const char* name;
    Strings running;
    std::string bound;
  } cases[] = {
      {"nothing running", {}, "none"},
      {"Explorer running", {"IEXPLORE"}, "2 0 IEXPLORE"},
      {"Navigator running", {"NETSCAPE"}, "3 0 NETSCAPE"},
      {"both running: Explorer first", {"NETSCAPE", "IEXPLORE"}, "2 0 IEXPLORE"},
  };
  for (const Case& c : cases) {
    BrowserWorld w;
    for (const std::string& s : c.running) w.dde.run(s);
    EXPECT_EQ(describe(bind(w)), c.bound) << c.name;
    halvo::MemoryRegistry& r = w.registry;
    EXPECT_EQ(r.read_string(kAppBrowserKey, kTypeUsedValue), "01,02,00") << c.name;
    EXPECT_EQ(r.read_string(entryKey(1), kServerValue), "IEXPLORE") << c.name;
    EXPECT_EQ(r.read_string(entryKey(1), kMethodValue), "2") << c.name;
    EXPECT_EQ(r.read_string(entryKey(2), kServerValue), "NETSCAPE") << c.name;
    EXPECT_EQ(r.read_string(entryKey(2), kMethodValue), "3") << c.name;
    EXPECT_EQ(r.value_count(entryKey(1)), 2u) << c.name << ": no path is written";
    EXPECT_EQ(r.value_count(entryKey(2)), 2u) << c.name;
    EXPECT_TRUE(w.desktop.logged("start").empty()) << c.name;
  }
}

TEST(BindingTest, DefaultsWhenTheListCannotBeUsed) {
  // The key exists without "typeUsed": the defaults are written, nothing is started.
  BrowserWorld w;
  w.registry.create_key(kAppBrowserKey);
  w.dde.run("NETSCAPE");
  EXPECT_EQ(describe(bind(w)), "3 0 NETSCAPE");
  EXPECT_EQ(w.registry.read_string(kAppBrowserKey, kTypeUsedValue), "01,02,00");
  EXPECT_EQ(w.dde.probes(), (Strings{"probe IEXPLORE", "probe NETSCAPE"}));

  // A key that cannot be created: the usual services are still probed.
  BrowserWorld locked;
  locked.registry.refuse_writes(kAppBrowserKey);
  locked.dde.run("IEXPLORE");
  EXPECT_EQ(describe(bind(locked)), "2 0 IEXPLORE");
  EXPECT_FALSE(locked.registry.key_exists(kAppBrowserKey));
}

TEST(BindingTest, ARunningBrowserListedLaterIsPreferredToStartingOne) {
  BrowserWorld w;
  configure(w.registry, "01,02,00", {kExplorer, kNavigator});
  w.dde.run("NETSCAPE");
  EXPECT_EQ(describe(bind(w)), "3 2 NETSCAPE");
  EXPECT_EQ(w.dde.probes(), (Strings{"probe IEXPLORE", "probe NETSCAPE"}));
  EXPECT_TRUE(w.desktop.logged("start").empty());
}

TEST(BindingTest, WalkingTypeUsed) {
  struct Case {
    const char* name;
    std::string typeUsed;
    Strings probes;
  } cases[] = {
      {"ends at 00", "02,00,01", {"probe S2"}},
      {"ends at the end of the text", "01,02", {"probe S1", "probe S2"}},
      {"an entry without a subkey is skipped", "03,01,00", {"probe S1"}},
      {"a token that names no entry is skipped", "..\\x,,1a,01,00", {"probe S1"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    BrowserWorld w;
    configure(w.registry, c.typeUsed,
              {{"01", "2", "S1", std::nullopt}, {"02", "3", "S2", std::nullopt}});
    w.registry.create_key(std::string(kAppBrowserKey) + "\\..\\x");
    EXPECT_EQ(describe(bind(w)), "none") << c.name;
    Strings expected = c.probes;
    expected.push_back("probe IEXPLORE");
    expected.push_back("probe NETSCAPE");
    EXPECT_EQ(w.dde.probes(), expected) << c.name;
  }
}

TEST(BindingTest, AMethodOutsideOneToFourSkipsTheEntry) {
  struct Case {
    std::optional<std::string> method;
    std::string bound;  // with entry 01's and entry 02's services running
    bool started;       // entry 01 started when nothing runs
  } cases[] = {
      {"1", "1 1 S1", true},           {"4", "4 1 S1", true},     {"2", "2 1 S1", true},
      {"0", "3 2 S2", false},          {"5", "3 2 S2", false},    {"-1", "3 2 S2", false},
      {"x", "3 2 S2", false},          {"1234", "3 2 S2", false}, {"12345", "3 2 S2", false},
      {std::nullopt, "3 2 S2", false},
  };
  for (const Case& c : cases) {
    const std::string name = c.method ? "method \"" + *c.method + "\"" : "no method";
    BrowserWorld w;
    configure(w.registry, "01,02,00",
              {{"01", c.method, "S1", "C:\\one.exe"}, {"02", "3", "S2", std::nullopt}});
    w.dde.run("S1");
    w.dde.run("S2");
    EXPECT_EQ(describe(bind(w)), c.bound) << name;

    BrowserWorld idle;
    configure(idle.registry, "01,00", {{"01", c.method, "S1", "C:\\one.exe"}});
    idle.desktop.box_answers = {BoxAnswer::cancel};
    bind(idle);
    EXPECT_EQ(idle.desktop.logged("start").size(), c.started ? 1u : 0u) << name;
  }
}

TEST(BindingTest, ServerNamesThatCannotBeProbed) {
  struct Case {
    const char* name;
    std::string server;
  } cases[] = {
      {"empty: would connect to any service", ""},
      {"longer than 259 characters", std::string(260, 'S')},
  };
  for (const Case& c : cases) {
    BrowserWorld w;
    configure(w.registry, "01,00", {{"01", "2", c.server, std::nullopt}});
    w.dde.run(c.server);
    EXPECT_EQ(describe(bind(w)), "none") << c.name;
    EXPECT_EQ(w.dde.probes(), (Strings{"probe IEXPLORE", "probe NETSCAPE"})) << c.name;
  }
  // 259 characters still fit the 260-byte read.
  BrowserWorld w;
  const std::string longest(259, 'S');
  configure(w.registry, "01,00", {{"01", "2", longest, std::nullopt}});
  w.dde.run(longest);
  EXPECT_EQ(describe(bind(w)), "2 1 " + longest);
}

TEST(BindingTest, StartingABrowser) {
  const std::string start = "start C:\\ie.exe 10000";
  struct Case {
    const char* name;
    StartedProgram result;  // process 0: CreateProcessA fails
    bool withServer;
    int refusals;  // failed probes after the start
    std::deque<BoxAnswer> answers;
    std::string bound;
    Strings log;  // what the desktop was asked, in order
  } cases[] = {
      {"answers at once", {1, 1, 0}, true, 0, {}, "2 1 IEXPLORE", {start, "close 7"}},
      {"still busy after 10 s counts as started",
       {1, 1, kWaitTimeout},
       true,
       0,
       {},
       "2 1 IEXPLORE",
       {start, "close 7"}},
      {"answers at the third probe",
       {1, 1, 0},
       true,
       2,
       {},
       "2 1 IEXPLORE",
       {start, "sleep 1000", "sleep 1000", "close 7"}},
      {"three failures, Retry, answers at the sixth",
       {1, 1, 0},
       true,
       5,
       {BoxAnswer::retry},
       "2 1 IEXPLORE",
       {start, "sleep 1000", "sleep 1000", "box 176 retry/cancel", "sleep 1000", "sleep 1000",
        "close 7"}},
      {"Retry, then Cancel: terminated",
       {1, 1, 0},
       true,
       100,
       {BoxAnswer::retry, BoxAnswer::cancel},
       "none",
       {start, "sleep 1000", "sleep 1000", "box 176 retry/cancel", "sleep 1000", "sleep 1000",
        "box 176 retry/cancel", "terminate 7", "close 7"}},
      {"wait failed: terminated",
       {1, 1, 0xFFFFFFFF},
       true,
       100,
       {},
       "none",
       {start, "terminate 7", "close 7"}},
      {"no server to probe: terminated",
       {1, 1, 0},
       false,
       0,
       {},
       "none",
       {start, "terminate 7", "close 7"}},
      {"CreateProcessA fails", {0, 0, 0}, true, 0, {}, "none", {start}},
  };
  for (const Case& c : cases) {
    BrowserWorld w;
    configure(w.registry, "01,00",
              {{"01", "2", c.withServer ? std::optional<std::string>("IEXPLORE") : std::nullopt,
                "C:\\ie.exe"}});
    w.desktop.start_results["C:\\ie.exe"] = c.result;
    w.desktop.box_answers = c.answers;
    answersWhenStarted(w, "C:\\ie.exe", c.withServer ? "IEXPLORE" : "OTHER", c.refusals);
    EXPECT_EQ(describe(bind(w)), c.bound) << c.name;
    EXPECT_EQ(w.desktop.log, c.log) << c.name;
  }
}

TEST(BindingTest, ACancelledStartGoesOnWithTheNextEntry) {
  BrowserWorld w;
  configure(w.registry, "01,02,00", {kExplorer, kNavigator});
  w.desktop.box_answers = {BoxAnswer::cancel};
  answersWhenStarted(w, "C:\\nn.exe", "NETSCAPE", 0);
  EXPECT_EQ(describe(bind(w)), "3 2 NETSCAPE");
  EXPECT_EQ(w.desktop.log,
            (Strings{"start C:\\ie.exe 10000", "sleep 1000", "sleep 1000", "box 176 retry/cancel",
                     "terminate 7", "close 7", "start C:\\nn.exe 10000", "close 8"}));
}

TEST(BindingTest, ConnectWithoutABrowser) {
  BrowserWorld w;
  auto driver = connectBrowser(w.context);
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->kind(), BrowserKind::none);
  EXPECT_EQ(driver->entryNumber(), 0);
  EXPECT_EQ(w.desktop.logged("box"), Strings{"box " + std::to_string(IDS_NO_BROWSER)});
  for (const DdeCall& call : w.dde.calls) EXPECT_EQ(call.kind, DdeCall::probe);
}

TEST(BindingTest, ConnectSetsUpTheDriverOnTheBoundService) {
  TempDir dir;
  BrowserWorld w;
  configure(w.registry, "01,02,00", {kExplorer, kNavigator});
  w.registry.write_string(kAppBrowserKey, kBookmarkValue, dir.write("b.htm", bookmarkPage(2)));
  w.dde.run("NETSCAPE");
  auto driver = connectBrowser(w.context);
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->kind(), BrowserKind::navigator);
  EXPECT_EQ(driver->entryNumber(), 2);
  EXPECT_EQ(w.channel.service(), "NETSCAPE");
  EXPECT_TRUE(w.desktop.logged("box").empty());
  EXPECT_EQ(w.dde.items(Topic::OpenURL).size(), 1u) << "the bookmark page is open";
  for (const DdeCall& call : w.dde.calls) {
    if (call.kind == DdeCall::probe) continue;
    EXPECT_EQ(call.service, "NETSCAPE") << topicName(call.topic);
  }
  EXPECT_EQ(w.links.order().size(), 2u);
}

}  // namespace
}  // namespace surfdeck
