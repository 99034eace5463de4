// The client table under changes from several places at once: every change
// holds the table lock and no window runs while it is held; an offer walks
// the table as it was when the offer began; readers copy the table without
// the lock and wait out a change, also one its writer never finished.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "beamhub/hub.h"
#include "beamhub/tests/hub_fixture.h"

namespace beamhub {
namespace {

using testing::FakeHost;

constexpr Hwnd kCapture = 0x100, kA = 0x201, kB = 0x202, kC = 0x203;

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    area_->message_id = 0xC0DE;
    area_->drive.receiver_count = 1;
    area_->drive.current = 3;
    std::strcpy(area_->settings.wave_path, "W");
  }
  uint32_t registered(Hwnd w) {
    uint16_t msg = 0;
    uint32_t h = 0;
    EXPECT_EQ(hub_.register_app(w, &msg, &h), MMCD_OK);
    return h;
  }
  std::vector<Hwnd> windows() const {
    ClientTable t = hub_.table();
    std::vector<Hwnd> out;
    for (int i = 0; i < t.count; ++i) out.push_back(t.clients[i].window);
    return out;
  }
  std::vector<Hwnd> offered() const {
    std::vector<Hwnd> out;
    for (auto& s : host_.sent) out.push_back(s.window);
    return out;
  }

  std::unique_ptr<SharedArea> area_ = std::make_unique<SharedArea>();
  FakeHost host_;
  Hub hub_{*area_, host_};
};

TEST_F(TableTest, EveryChangeHoldsTheLockOnceAndReadersNone) {
  uint16_t msg;
  uint32_t h;
  uint32_t a = registered(kA);
  registered(kB);
  const struct {
    const char* name;
    std::function<void()> call;
    int locks;
  } rows[] = {
      {"register", [&] { hub_.register_app(kC, &msg, &h); }, 1},
      {"register with the table full", [&] {
         hub_.register_app(kC, &msg, &h);
         hub_.register_app(kC, &msg, &h);
       }, 2},
      {"set first", [&] { hub_.set_first_app(a); }, 1},
      {"set first of an unknown handle", [&] { hub_.set_first_app(777); }, 1},
      {"set capture", [&] { hub_.set_capture(kCapture, &msg, &h); }, 1},
      {"release capture", [&] { hub_.release_capture(kCaptureHandle); }, 1},
      {"unregister", [&] { hub_.unregister_app(a); }, 1},
      {"offer", [&] { hub_.offer(1024, nullptr, true); }, 0},
      {"call next app", [&] { hub_.call_next_app(1024, nullptr); }, 0},
      {"get cap", [&] { hub_.get_cap(h, MMCD_CAP_MOUSE_INTERVAL, &msg, nullptr); }, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    host_.locks = 0;
    row.call();
    EXPECT_EQ(host_.locks, row.locks);
    EXPECT_EQ(host_.lock_depth, 0) << "given back";
    EXPECT_EQ(area_->table_sequence % 2, 0u) << "no change left open";
  }
  EXPECT_EQ(host_.sent_while_locked, 0);
}

TEST_F(TableTest, OfferGoesOnThroughTheTableAsItBegan) {
  const struct {
    const char* name;
    // What A does while it is offered the code, before it passes it on.
    void (*during)(Hub& hub, uint32_t a_handle);
    std::vector<Hwnd> table_after;
  } rows[] = {
      {"A leaves the table", [](Hub& hub, uint32_t a) { hub.unregister_app(a); }, {kB, kC}},
      {"A moves itself first", [](Hub& hub, uint32_t a) { hub.set_first_app(a); }, {kA, kB, kC}},
      {"a newcomer registers",
       [](Hub& hub, uint32_t) {
         uint16_t m;
         uint32_t h;
         hub.register_app(0x299, &m, &h);
       },
       {kB, kA, kC, 0x299}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    *area_ = SharedArea{};
    SetUp();
    registered(kB);
    const uint32_t a = registered(kA);
    registered(kC);
    host_.sent.clear();
    bool once = false;
    host_.windows[kA] = [&](uint32_t, void*) {
      if (!once) row.during(hub_, a);
      once = true;
      return 2u;
    };
    host_.windows[kB] = host_.windows[kC] = [](uint32_t, void*) { return 2u; };
    EXPECT_EQ(hub_.offer(1024, nullptr, false), 2u);
    EXPECT_EQ(offered(), (std::vector<Hwnd>{kB, kA, kC})) << "each window once, none left out";
    EXPECT_EQ(windows(), row.table_after);
  }
  EXPECT_EQ(host_.sent_while_locked, 0);
}

TEST_F(TableTest, ReaderWaitsOutAChangeUnderWay) {
  registered(kA);
  // Another process is in the middle of adding B.
  area_->table_sequence |= 1;
  area_->clients[1] = ClientEntry{0x55, kB};
  host_.on_yield = [&] {
    if (host_.yields < 3) return;
    area_->client_count = 2;
    area_->table_sequence += 1;
  };
  host_.windows[kA] = host_.windows[kB] = [](uint32_t, void*) { return 2u; };
  EXPECT_EQ(hub_.offer(1024, nullptr, false), 2u);
  EXPECT_EQ(offered(), (std::vector<Hwnd>{kA, kB}));
  EXPECT_EQ(host_.yields, 3);
  EXPECT_EQ(host_.locks, 1) << "only the registration took the lock";
}

TEST_F(TableTest, ChangeLeftHalfDoneByAnEndedWriterIsClosedByTheNextReader) {
  registered(kA);
  area_->table_sequence |= 1;  // its writer ended before finishing
  host_.locks = 0;
  EXPECT_EQ(windows(), std::vector<Hwnd>{kA});
  EXPECT_EQ(host_.locks, 1) << "the reader gave up waiting and took the lock";
  EXPECT_EQ(area_->table_sequence % 2, 0u);
  host_.locks = host_.yields = 0;
  EXPECT_EQ(windows(), std::vector<Hwnd>{kA});
  EXPECT_EQ(host_.locks + host_.yields, 0) << "later copies are plain again";

  area_->table_sequence |= 1;
  registered(kB);  // a writer after an ended one
  EXPECT_EQ(area_->table_sequence % 2, 0u);
  EXPECT_EQ(windows(), (std::vector<Hwnd>{kA, kB}));
}

// A host whose lock is a real one, for threads standing in for processes.
class ThreadedHost : public FakeHost {
 public:
  bool lock_table() override {
    mutex.lock();
    return true;
  }
  void unlock_table() override { mutex.unlock(); }
  void yield() override { std::this_thread::yield(); }
  std::recursive_mutex mutex;
};

TEST(TableThreads, RegistrationsFromManyThreadsKeepTheTableWhole) {
  auto area = std::make_unique<SharedArea>();
  area->drive.receiver_count = 1;
  ThreadedHost host;
  Hub hub(*area, host);
  constexpr int kThreads = 4, kRounds = 20000;
  std::atomic<int> busy{0}, lost{0}, torn{0};
  std::atomic<bool> running{true};

  std::thread reader([&] {
    while (running) {
      ClientTable t = hub.table();
      std::set<uint32_t> handles;
      for (int i = 0; i < t.count; ++i) {
        if (t.clients[i].handle == 0 || t.clients[i].window == 0) ++torn;
        handles.insert(t.clients[i].handle);
      }
      if (handles.size() != t.count) ++torn;
    }
  });
  std::vector<std::thread> writers;
  for (int n = 0; n < kThreads; ++n) {
    writers.emplace_back([&, n] {
      const Hwnd window = 0x1000 + n;
      for (int i = 0; i < kRounds; ++i) {
        uint16_t msg;
        uint32_t h;
        if (hub.register_app(window, &msg, &h) != MMCD_OK) {
          ++busy;
          continue;
        }
        if (hub.set_first_app(h) != MMCD_OK) ++lost;
        if (hub.unregister_app(h) != MMCD_OK) ++lost;
      }
    });
  }
  for (auto& w : writers) w.join();
  running = false;
  reader.join();
  EXPECT_EQ(busy, 0) << "four threads never hold more than four places";
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(hub.table().count, 0);
}

}  // namespace
}  // namespace beamhub
