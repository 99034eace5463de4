#include "sim/drive/remote_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vdrive {
namespace {

class PlainState : public StateAccess {
 public:
  PlainState() { reset(*state); }
  MachineState* acquire(std::string& error) override {
    if (unavailable) {
      error = "no such file";
      return nullptr;
    }
    ++acquired;
    return state.get();
  }
  void release() override { ++released; }
  std::string location() const override { return "C:\\WINDOWS\\halvo-vdrive.dat"; }

  std::unique_ptr<MachineState> state = std::make_unique<MachineState>();
  bool unavailable = false;
  int acquired = 0;
  int released = 0;
};

class RemoteTest : public ::testing::Test {
 protected:
  int run(std::vector<std::string> args) {
    out.clear();
    err.clear();
    return run_remote(args, access, out, err);
  }

  PlainState access;
  std::string out;
  std::string err;
};

bool same_state(const MachineState& a, const MachineState& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(RemoteTest, BadCommandLinesChangeNothing) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"no command", {}},
      {"unknown command", {"frobnicate"}},
      {"drive without letter", {"drive"}},
      {"drive letter is a digit", {"drive", "1"}},
      {"option without value", {"drive", "D", "--ha"}},
      {"adapter out of range", {"drive", "D", "--ha", "8"}},
      {"target not a number", {"drive", "D", "--target", "1x"}},
      {"negative LUN", {"drive", "D", "--lun", "-1"}},
      {"switch not on or off", {"drive", "D", "--present", "yes"}},
      {"unknown refuse mode", {"drive", "D", "--refuse-mode", "silent"}},
      {"refuse count too large", {"drive", "D", "--refuse-20", "256"}},
      {"unknown option", {"drive", "D", "--colour", "red"}},
      {"good option, then a bad one", {"drive", "D", "--receiver", "off", "--ha", "99"}},
      {"adapters without count", {"adapters"}},
      {"too many adapters", {"adapters", "9"}},
      {"page of no such kind", {"page", "D", "22"}},
      {"page not hex", {"page", "D", "zz"}},
      {"page of a missing drive", {"page", "Q", "20"}},
      {"status with arguments", {"status", "now"}},
      {"log option", {"log", "--all"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto before = std::make_unique<MachineState>(*access.state);
    EXPECT_EQ(run(c.args), kExitUsage);
    EXPECT_FALSE(err.empty());
    EXPECT_TRUE(same_state(*before, *access.state));
  }
  EXPECT_EQ(access.acquired, access.released);
}

TEST_F(RemoteTest, DriveOptionsChangeTheDrive) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::function<bool(const DriveSlot&)> check;
  };
  const Case cases[] = {
      {"address", {"--ha", "1", "--target", "5", "--lun", "2"},
       [](const DriveSlot& d) { return d.host_adapter == 1 && d.target == 5 && d.lun == 2; }},
      {"receiver off", {"--receiver", "off"}, [](const DriveSlot& d) { return !d.has_receiver; }},
      {"absent", {"--present", "off"}, [](const DriveSlot& d) { return !d.present; }},
      {"no disc", {"--medium", "off"}, [](const DriveSlot& d) { return !d.medium; }},
      {"not ready", {"--not-ready", "on"}, [](const DriveSlot& d) { return d.not_ready == 1; }},
      {"medium changed", {"--unit-attention"},
       [](const DriveSlot& d) { return d.unit_attention == 1; }},
      {"refuse with wrong page", {"--refuse-20", "3", "--refuse-mode", "wrong-page"},
       [](const DriveSlot& d) {
         return d.refuse_20 == 3 && d.refuse_mode == kRefuseWithWrongPage;
       }},
      {"refuse always", {"--refuse-20", "255"},
       [](const DriveSlot& d) { return d.refuse_20 == kRefuseAlways; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*access.state);
    std::vector<std::string> args{"drive", "d:"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(run(args), kExitOk) << err;
    const DriveSlot* d = find_drive(*access.state, 'D');
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(c.check(*d));
    EXPECT_EQ(out, format_drive(*d) + "\n");
    // Only the named drive changes.
    MachineState fresh;
    reset(fresh);
    EXPECT_EQ(std::memcmp(&access.state->drives[1], &fresh.drives[1], sizeof(DriveSlot)), 0);
  }
}

TEST_F(RemoteTest, NewLettersTakeFreeSlots) {
  ASSERT_EQ(run({"drive", "G", "--target", "3"}), kExitOk) << err;
  const DriveSlot* g = find_drive(*access.state, 'G');
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(g->present && g->medium && !g->has_receiver);
  EXPECT_EQ(g->target, 3);
  EXPECT_EQ(g->standalone[8], 0x20);

  ASSERT_EQ(run({"drive", "H"}), kExitOk);
  EXPECT_EQ(run({"drive", "K"}), kExitUsage);
  EXPECT_NE(err.find("no free drive slot"), std::string::npos);
  EXPECT_EQ(find_drive(*access.state, 'K'), nullptr);
}

TEST_F(RemoteTest, ResetAndAdapters) {
  ASSERT_EQ(run({"adapters", "0"}), kExitOk);
  EXPECT_EQ(support_info(*access.state), uint32_t{kSsNoAdapters} << 8);
  ASSERT_EQ(run({"drive", "D", "--receiver", "off"}), kExitOk);
  ASSERT_EQ(run({"reset"}), kExitOk);
  MachineState fresh;
  reset(fresh);
  EXPECT_TRUE(same_state(*access.state, fresh));
}

TEST_F(RemoteTest, StatusShowsDrivesAndPages) {
  ASSERT_EQ(run({"status"}), kExitOk);
  EXPECT_NE(out.find("C:\\WINDOWS\\halvo-vdrive.dat"), std::string::npos);
  EXPECT_NE(out.find("Host adapters: 1\n"), std::string::npos);
  EXPECT_NE(out.find("D: ha 0 target 1 lun 0  present on  receiver on  medium on"),
            std::string::npos);
  EXPECT_NE(out.find("F: ha 0 target 2 lun 0  present on  receiver off"), std::string::npos);
  EXPECT_NE(out.find("  page 00: 00 00 00 00 00 00 00 00 00 0A 80 F8 00"), std::string::npos);
  EXPECT_NE(out.find("00 00 00 00  (not answered: no receiver)\n"), std::string::npos);
  EXPECT_NE(out.find("Log: 0 entries, next sequence number 1\n"), std::string::npos);
}

TEST_F(RemoteTest, PagePrintsStoredBytes) {
  access.state->drives[0].audio[17] = 0x80;
  for (const char* page : {"0e", "0x0E", "E"}) {
    ASSERT_EQ(run({"page", "D", page}), kExitOk) << page;
    EXPECT_EQ(out, "00 00 00 00 00 00 00 00 0E 0E 00 00 00 00 00 00 01 80 02 FF 00 00 00 00\n");
  }
}

TEST_F(RemoteTest, LogPrintsAndClears) {
  MachineState& s = *access.state;
  std::vector<uint8_t> buffer(38);
  aspi::ExecRequest r{};
  r.command = aspi::SC_EXEC_SCSI_CMD;
  r.target = 1;
  r.flags = aspi::SRB_DIR_IN;
  r.cdb_length = 10;
  r.cdb[0] = kOpModeSense10;
  r.cdb[2] = 0x20;
  r.cdb[8] = 12;
  r.data = buffer.data();
  r.data_length = 38;
  execute(s, r);
  r.target = 2;
  r.sense_length = 14;
  execute(s, r);

  ASSERT_EQ(run({"log", "--clear"}), kExitOk);
  EXPECT_EQ(out,
            "     1 D: MODE-SENSE      page 20 len 12    in  GOOD  "
            "00 24 00 00 00 00 00 00 20 1C 00 00\n"
            "     2 F: MODE-SENSE      page 20 len 12    in  CHECK 05/24/00\n"
            "Log cleared (2 entries).\n");
  EXPECT_EQ(log_count(s), 0u);
  ASSERT_EQ(run({"log"}), kExitOk);
  EXPECT_EQ(out, "");
}

TEST_F(RemoteTest, UnknownOperationsAreNamedByCode) {
  LogEntry entry{};
  entry.seq = 7;
  entry.letter = '?';
  entry.opcode = 0x28;
  entry.page = kNoPage;
  entry.status = aspi::SS_NO_DEVICE;
  EXPECT_EQ(format_log_entry(entry), "     7 ?: OP-28           page -- len 0     -   NO-DEVICE");
}

TEST_F(RemoteTest, UnavailableStateIsReported) {
  access.unavailable = true;
  EXPECT_EQ(run({"status"}), kExitNoState);
  EXPECT_NE(err.find("no such file"), std::string::npos);
  // Help needs no state.
  EXPECT_EQ(run({"help"}), kExitOk);
  EXPECT_NE(out.find("drive <letter>"), std::string::npos);
}

}  // namespace
}  // namespace vdrive
