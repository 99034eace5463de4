// The library as programs see it: its exports, one registration table for
// every process, the order codes are offered in, and command requests
// answered by a window in another process.
#include <stdio.h>
#include <stdlib.h>

#include <set>
#include <string>
#include <vector>

#include "beamhub/mmcd.h"
#include "beamhub/win32/beamhub.h"
#include "beamhub/win32/tests/client_process.h"
#include "beamhub/win32/tests/machine.h"

namespace itest {
namespace {

std::string hex(unsigned long value) {
  char text[16];
  snprintf(text, sizeof text, "%08lx", value);
  return text;
}

unsigned long status_of(const std::string& line) { return hex_field(line, "status"); }

using ExportsTest = MachineTest;

TEST_F(ExportsTest, OrdinalsGiveTheNamedFunctions) {
  const struct {
    const char* name;
    WORD ordinal;
  } rows[] = {
      {"mmcdGetVersion", 1},    {"mmcdGetLastError", 2},   {"mmcdRegisterApp", 3},
      {"mmcdUnregisterApp", 4}, {"mmcdSetFirstApp", 5},    {"mmcdGetCap", 6},
      {"mmcdSetCap", 7},        {"mmcdSetCapture", 8},     {"mmcdReleaseCapture", 9},
      {"mmcdCallNextApp", 10},
  };
  LoadedLibrary hub;
  ASSERT_NE(nullptr, hub.module());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FARPROC by_name = GetProcAddress(hub.module(), row.name);
    ASSERT_NE(nullptr, by_name);
    EXPECT_EQ(by_name, GetProcAddress(hub.module(), MAKEINTRESOURCEA(row.ordinal)));
  }
  EXPECT_EQ(nullptr, GetProcAddress(hub.module(), MAKEINTRESOURCEA(11)));
  auto version = hub.function<decltype(&mmcdGetVersion)>("mmcdGetVersion");
  EXPECT_EQ(0x00010001u, version());
}

using TableTest = MachineTest;

TEST_F(TableTest, RegistrationIsSeenInEveryProcess) {
  ClientProcess a, b;
  ASSERT_TRUE(a.start()) << a.banner();
  ASSERT_TRUE(b.start()) << b.banner();
  std::string registered = a.run("register");
  ASSERT_EQ(MMCD_OK, status_of(registered)) << registered;
  const unsigned long handle = hex_field(registered, "handle");
  a.run("answer 7");

  EXPECT_EQ("call result=00000007", b.run("call 1024"));
  std::vector<RemoteMessage> got = a.take_messages();
  ASSERT_EQ(1u, got.size()) << describe(got);
  EXPECT_EQ(1024u, got[0].code);
  EXPECT_EQ("Menu", got[0].name);

  // B has no handle of its own; A's is known in B's process too.
  EXPECT_EQ(MMCD_ERR_NOT_FOUND, status_of(b.run("getcap 0x1004")));
  b.run("handle " + hex(handle));
  std::string cap = b.run("getcap 0x1004");
  EXPECT_EQ(MMCD_OK, status_of(cap)) << cap;
  EXPECT_EQ(5u, hex_field(cap, "value"));

  // One poll window on the machine, made by the first process.
  std::vector<HWND> polls = poll_windows();
  ASSERT_EQ(1u, polls.size());
  EXPECT_EQ(polls[0], FindWindowA(kPollClass, "Status"));
  DWORD owner = 0;
  GetWindowThreadProcessId(polls[0], &owner);
  EXPECT_EQ(a.pid(), owner);

  // A leaves the remote as it closes: nobody is left to offer a code to.
  ASSERT_TRUE(a.quit());
  EXPECT_EQ("call result=00000000", b.run("call 1024"));
  EXPECT_EQ(MMCD_ERR_NOT_FOUND, status_of(b.run("getcap 0x1004")));
}

// Programs starting and ending at the same moment: four processes register,
// move themselves first and unregister as fast as they can while a fifth
// holds the capture and this process offers codes through the changing
// table. No call may fail and the table must come out whole.
TEST_F(TableTest, ProcessesChangingItAtOnceKeepItWhole) {
  const DWORD kChurnMs = 2000;
  ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));
  ClientProcess holder, churners[4];
  ASSERT_TRUE(holder.start()) << holder.banner();
  ASSERT_EQ(MMCD_OK, status_of(holder.run("capture")));
  for (ClientProcess& c : churners) ASSERT_TRUE(c.start()) << c.banner();
  LoadedLibrary hub;
  ASSERT_NE(nullptr, hub.module());
  auto call = hub.function<decltype(&mmcdCallNextApp)>("mmcdCallNextApp");

  for (ClientProcess& c : churners) ASSERT_TRUE(c.send("churn " + std::to_string(kChurnMs)));
  unsigned long offers = 0, strange = 0;
  for (DWORD begin = GetTickCount(); GetTickCount() - begin < kChurnMs; ++offers) {
    DWORD result = call(1024, NULL);
    if (result != 0 && result != 2) ++strange;  // nobody there, or everyone passed
    for (ClientProcess& c : churners) c.drain();
  }
  EXPECT_EQ(0ul, strange) << "of " << offers << " offers";
  for (ClientProcess& c : churners) {
    std::string line = c.result("churn", kChurnMs + 20000);
    EXPECT_EQ("0", field(line, "busy")) << "a place counted that nobody held: " << line;
    EXPECT_EQ("0", field(line, "lost")) << "a registration lost or handed out twice: " << line;
    EXPECT_LT(100ul, strtoul(field(line, "rounds").c_str(), NULL, 10)) << line;
  }

  // Each registers once more and stays: four handles, each window offered a code once.
  std::set<unsigned long> handles;
  for (ClientProcess& c : churners) {
    c.take_messages();
    std::string line = c.run("register");
    ASSERT_EQ(MMCD_OK, status_of(line)) << line;
    handles.insert(hex_field(line, "handle"));
  }
  EXPECT_EQ(4u, handles.size());
  EXPECT_EQ(0u, handles.count(0));
  EXPECT_EQ(2u, call(1024, NULL));
  for (ClientProcess& c : churners) {
    std::vector<RemoteMessage> got = c.take_messages();
    EXPECT_EQ(1u, got.size()) << describe(got);
  }
  EXPECT_EQ(MMCD_ERR_BUSY, status_of(holder.run("register"))) << "four places are taken";
  ASSERT_EQ(MMCD_OK, status_of(churners[0].run("unregister")));
  EXPECT_EQ(MMCD_OK, status_of(holder.run("register")));
}

// A capture holder C and three programs registered in the order A, B, D.
// Everyone answers 2 (pass it on) unless a test says otherwise.
class OfferTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    if (HasFatalFailure()) return;
    for (ClientProcess* client : {&c_, &a_, &b_, &d_}) ASSERT_TRUE(client->start());
    ASSERT_EQ(MMCD_OK, status_of(c_.run("capture")));
    for (ClientProcess* client : {&a_, &b_, &d_}) {
      std::string line = client->run("register");
      ASSERT_EQ(MMCD_OK, status_of(line)) << line;
      if (client == &b_) b_handle_ = hex_field(line, "handle");
    }
  }

  // What the four received since the last look, in the order it arrived.
  std::vector<RemoteMessage> arrived() {
    return by_arrival(
        {c_.take_messages(), a_.take_messages(), b_.take_messages(), d_.take_messages()});
  }
  // "A 1026" for each code a program received, in the order it arrived.
  std::vector<std::string> reached() {
    std::vector<std::string> seen;
    for (const RemoteMessage& m : arrived()) {
      const char* who = m.pid == c_.pid() ? "C" : m.pid == a_.pid() ? "A" : m.pid == b_.pid() ? "B"
                      : m.pid == d_.pid() ? "D" : "?";
      seen.push_back(std::string(who) + " " + std::to_string(m.code));
    }
    return seen;
  }

  ClientProcess c_, a_, b_, d_;
  unsigned long b_handle_ = 0;
};

TEST_F(TableTest, EntryOfAnEndedProcessPassesCodesOn) {
  ClientProcess first, crashed, live, caller;
  ASSERT_TRUE(first.start()) << first.banner();  // keeps the library loaded
  ASSERT_TRUE(crashed.start()) << crashed.banner();
  ASSERT_TRUE(live.start()) << live.banner();
  ASSERT_TRUE(caller.start()) << caller.banner();
  crashed.run("answer 1");
  ASSERT_EQ(MMCD_OK, status_of(crashed.run("register")));
  live.run("answer 1");
  ASSERT_EQ(MMCD_OK, status_of(live.run("register")));

  ASSERT_TRUE(crashed.kill());
  EXPECT_EQ("call result=00000001", caller.run("call 1024"));
  std::vector<RemoteMessage> got = live.take_messages();
  ASSERT_EQ(1u, got.size()) << describe(got);
  EXPECT_EQ(1024u, got[0].code);
}

TEST_F(OfferTest, CommandGoesToTheCaptureThenToClientsInOrder) {
  const struct {
    const char* name;
    WORD cmd_class;
    bool capture_first;
  } rows[] = {
      {"class with the capture bit", 0x8001, true},
      {"class without it", 0x0001, false},
  };
  b_.run("answer 1");
  LoadedLibrary hub;
  ASSERT_NE(nullptr, hub.module());
  auto call = hub.function<decltype(&mmcdCallNextApp)>("mmcdCallNextApp");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    MMCD_CMD cmd = {};
    cmd.cmd_class = row.cmd_class;
    cmd.item = 5;
    cmd.value = 0x11;
    EXPECT_EQ(MMCD_OK, call(1091, &cmd));
    std::vector<std::string> expected = {"A 1091", "B 1091"};  // B answers 1: D is never asked
    if (row.capture_first) expected.insert(expected.begin(), "C 1091");
    EXPECT_EQ(expected, reached());
  }
}

TEST_F(OfferTest, CodeOfferedByTheCaptureHolderGoesToClientsOnly) {
  b_.run("answer 1");
  EXPECT_EQ("call result=00000001", c_.run("call 1026"));
  std::vector<RemoteMessage> got = arrived();
  ASSERT_EQ(2u, got.size()) << describe(got);
  EXPECT_EQ(a_.pid(), got[0].pid);
  EXPECT_EQ(b_.pid(), got[1].pid);
  for (const RemoteMessage& m : got) {
    EXPECT_EQ(1026u, m.code);
    EXPECT_EQ("Web", m.name);
  }

  a_.run("answer 1");
  b_.run("answer 2");
  EXPECT_EQ("call result=00000001", c_.run("call 1026"));
  EXPECT_EQ(std::vector<std::string>({"A 1026"}), reached());

  // SetFirstApp called in A's process moves B's registration to the front.
  a_.run("answer 2");
  a_.run("handle " + hex(b_handle_));
  EXPECT_EQ(MMCD_OK, status_of(a_.run("first")));
  EXPECT_EQ("call result=00000002", c_.run("call 1026"));
  EXPECT_EQ(std::vector<std::string>({"B 1026", "A 1026", "D 1026"}), reached());
}

using CommandTest = MachineTest;

// B sends code 1091 requests; A, in another process, answers them.
TEST_F(CommandTest, AnswerIsCopiedBackToTheSender) {
  const struct {
    const char* name;
    const char* answer;   // A's way of answering
    const char* command;  // class 1, item 5, value 0x11
    unsigned long sent_length;
    unsigned long value;
    unsigned long length;
    const char* payload;
  } rows[] = {
      {"reply that fits", "reply 2a pong", "command 1 5 11 ping", 4, 0x2a, 4, "pong"},
      {"reply cut to the sender's buffer", "reply 2b pong-pong", "command 1 5 11 ping", 4, 0x2b,
       4, "pong"},
      {"short reply in a larger buffer", "reply 2c ok", "command 1 5 11 ping 16", 16, 0x2c, 2,
       "ok"},
      {"passed on: nothing comes back", "answer 2", "command 1 5 11 ping", 4, 0x11, 4, "ping"},
  };
  ClientProcess a, b;
  ASSERT_TRUE(a.start());
  ASSERT_TRUE(b.start());
  ASSERT_EQ(MMCD_OK, status_of(a.run("register")));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    a.run(row.answer);
    std::string result = b.run(row.command);
    EXPECT_EQ(MMCD_OK, status_of(result)) << result;
    EXPECT_EQ(row.value, hex_field(result, "value")) << result;
    EXPECT_EQ(std::to_string(row.length), field(result, "length")) << result;
    EXPECT_EQ(row.payload, field(result, "payload")) << result;
    std::vector<RemoteMessage> got = a.take_messages();
    ASSERT_EQ(1u, got.size()) << describe(got);
    EXPECT_EQ("0001", field(got[0].line, "class"));
    EXPECT_EQ("5", field(got[0].line, "item"));
    EXPECT_EQ(0x11u, hex_field(got[0].line, "value"));
    EXPECT_EQ(std::to_string(row.sent_length), field(got[0].line, "length"));
  }

  ASSERT_EQ(MMCD_OK, status_of(a.run("unregister")));
  EXPECT_EQ(MMCD_ERR_NOT_FOUND, status_of(b.run("command 1 5 11 ping")));
}

}  // namespace
}  // namespace itest
