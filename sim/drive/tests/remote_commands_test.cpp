#include "sim/drive/remote_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
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

// A button map, disc folders and drive letters in memory.
class FakeHost : public RemoteHost {
 public:
  bool mapping_value(const std::string& button, const std::string& map_option,
                     std::string& value, std::string& file, std::string& error) override {
    file = map_option.empty() ? "C:\\Halvo\\zk.rcb" : map_option;
    auto found = mapping.find(button);
    if (found == mapping.end()) {
      error = "no button " + button + " in " + file;
      return false;
    }
    value = found->second;
    return true;
  }
  bool find_disc(const std::string& folder, DiscFolder& disc, std::string& error) override {
    auto found = discs.find(folder);
    if (found == discs.end()) {
      error = "disc folder '" + folder + "' not found";
      return false;
    }
    disc = found->second;
    return true;
  }
  bool show_files(char letter, const std::string& folder, std::string& error) override {
    if (broken_letters.find(letter) != std::string::npos) {
      error = std::string(1, letter) + ": a file is in use";
      return false;
    }
    shown[letter] = folder;
    ++shows;
    return true;
  }

  std::map<std::string, std::string> mapping{{"Play", "010614eb4eb10af5"},
                                             {"Mute", "0102a55a"},
                                             {"Dead", "0100"}};
  std::map<std::string, DiscFolder> discs{
      {"videocd", {"Z:\\discs\\videocd", false, "", ""}},
      {"audio", {"Z:\\discs\\audio", true, "4", "215,187"}},
      {"badtype", {"Z:\\discs\\badtype", true, "16", ""}},
      {"badtracks", {"Z:\\discs\\badtracks", true, "4", "3:20"}},
  };
  std::map<char, std::string> shown;  // what each letter shows
  std::string broken_letters;
  int shows = 0;
};

class RemoteTest : public ::testing::Test {
 public:
  int run(std::vector<std::string> args) {
    out.clear();
    err.clear();
    return run_remote(args, access, host, out, err);
  }

  DriveSlot& d() { return access.state->drives[0]; }

  // The next report's bytes 10-18, taken off the queue as a read would.
  std::vector<uint8_t> take_report() {
    uint8_t report[kReportPageSize];
    read_report(d(), report);
    return std::vector<uint8_t>(report + 10, report + 19);
  }

  PlainState access;
  FakeHost host;
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
      {"press without button", {"press"}},
      {"press two buttons", {"press", "Play", "Stop"}},
      {"hold of 0", {"press", "Play", "--hold", "0"}},
      {"hold too long", {"press", "Play", "--hold", "65536"}},
      {"value too large", {"press", "Play", "--value", "256"}},
      {"drive not a letter", {"press", "Play", "--drive", "12"}},
      {"option of another command", {"press", "Play", "--type", "4"}},
      {"code not hex", {"code", "xyz"}},
      {"code of 7 bytes", {"code", "01020304050607"}},
      {"event without bits", {"event"}},
      {"event of an unknown name", {"event", "loud"}},
      {"idle 0", {"idle", "0"}},
      {"insert without folder", {"insert"}},
      {"type 16", {"insert", "videocd", "--type", "16"}},
      {"eject with a word", {"eject", "now"}},
      {"volume target unknown", {"volume-target", "speaker"}},
      {"play status 16", {"play-status", "16"}},
      {"position without drive", {"position"}},
      {"position without time", {"position", "D"}},
      {"position of track 0", {"position", "D", "0", "0:10"}},
      {"position of track 100", {"position", "D", "100", "0:10"}},
      {"position not a time", {"position", "D", "5", "3:60"}},
      {"position with three words", {"position", "D", "5", "1", "0:10"}},
      {"release with a time", {"position", "D", "0:10", "--release"}},
      {"release and hold", {"position", "D", "--hold", "--release"}},
      {"position option", {"position", "D", "0:10", "--wait"}},
      {"mci-log option", {"mci-log", "--all"}},
      {"refuse error too small", {"mci-refuse", "CDIVideo", "--error", "5"}},
      {"refuse error missing", {"mci-refuse", "CDIVideo", "--error"}},
      {"refuse name too long", {"mci-refuse", "averyveryverylongname"}},
      {"clear with a name", {"mci-refuse", "--clear", "CDIVideo"}},
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

TEST_F(RemoteTest, PositionCommandsReachTheDrivesControl) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    PositionControl control;  // all but the serial
    const char* out;
  };
  const Case cases[] = {
      {"CD time", {"position", "D", "5", "0:03:07"}, {0, 1, 0, 5, 0, 187000},
       "D: position track 5 3:07\n"},
      {"held", {"position", "d:", "5", "0:03:07", "--hold"}, {0, 1, 1, 5, 0, 187000},
       "D: position track 5 3:07, held\n"},
      {"video time", {"position", "D", "1:02:03.5"}, {0, 1, 0, 0, 0, 3723500},
       "D: position 1:02:03.500\n"},
      {"hold where it is", {"position", "D", "--hold"}, {0, 0, 1, 0, 0, 0},
       "D: position held where it was\n"},
      {"release", {"position", "D", "--release"}, {0, 0, 0, 0, 0, 0}, "D: position running\n"},
  };
  uint32_t serial = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(run(c.args), kExitOk) << err;
    const PositionControl& control = access.state->positions[0];
    // Every command is a new one for the devices, even one that repeats.
    EXPECT_EQ(control.serial, ++serial);
    EXPECT_EQ(control.jump, c.control.jump);
    EXPECT_EQ(control.hold, c.control.hold);
    EXPECT_EQ(control.track, c.control.track);
    EXPECT_EQ(control.ms, c.control.ms);
    EXPECT_EQ(out, c.out);
  }
  EXPECT_EQ(access.state->positions[1].serial, 0u);  // F: is another drive
  EXPECT_EQ(run({"position", "Q", "0:10"}), kExitRefused);
}

TEST_F(RemoteTest, MciRefusalsAndLog) {
  ASSERT_EQ(run({"mci-refuse", "CDIVideo"}), kExitOk) << err;
  EXPECT_EQ(out, "Refused MCI opens: CDIVideo (error 262)\n");
  ASSERT_EQ(run({"mci-refuse", "cdaudio", "--error", "291"}), kExitOk) << err;
  EXPECT_EQ(out, "Refused MCI opens: CDIVideo (error 262), cdaudio (error 291)\n");
  ASSERT_EQ(run({"mci-refuse"}), kExitOk);
  EXPECT_EQ(out, "Refused MCI opens: CDIVideo (error 262), cdaudio (error 291)\n");
  ASSERT_EQ(run({"mci-refuse", "a", "b", "c"}), kExitRefused);  // four places
  EXPECT_EQ(find_refusal(*access.state, "a"), nullptr);  // all or nothing
  ASSERT_EQ(run({"mci-refuse", "a", "A", "cdivideo"}), kExitOk);
  EXPECT_EQ(out, "Refused MCI opens: cdivideo (error 262), cdaudio (error 291), A (error 262)\n");
  ASSERT_EQ(run({"mci-refuse", "--clear"}), kExitOk);
  EXPECT_EQ(out, "Refused MCI opens: none\n");
  EXPECT_EQ(find_refusal(*access.state, "CDIVideo"), nullptr);

  MciLogEntry entry{};
  entry.message = kMciClose;
  set_field(entry.type, "cdaudio");
  append_mci_log(*access.state, entry);
  append_mci_log(*access.state, entry);
  ASSERT_EQ(run({"mci-log"}), kExitOk);
  EXPECT_EQ(out, format_mci_entry(mci_log_entry(*access.state, 0)) + "\n" +
                     format_mci_entry(mci_log_entry(*access.state, 1)) + "\n");
  ASSERT_EQ(run({"mci-log", "--clear"}), kExitOk);
  EXPECT_NE(out.find("MCI log cleared (2 entries)."), std::string::npos);
  EXPECT_EQ(mci_log_count(*access.state), 0u);
  ASSERT_EQ(run({"reset"}), kExitOk);
  EXPECT_EQ(access.state->mci_log_next, 1u);
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

// ---- the receiver

using Fields = std::vector<uint8_t>;  // report bytes 10-18
const Fields kNothing{0x80, 0xF8, 0, 0, 0, 0, 0, 0, 0};
const Fields kPlayCode{0x40, 0xF8, 0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5, 0x00};

TEST_F(RemoteTest, PressQueuesTheMappedCode) {
  ASSERT_EQ(run({"press", "Play", "--hold", "3", "--value", "0x07"}), kExitOk) << err;
  EXPECT_EQ(out, "D: queued code 14 EB 4E B1 0A F5 value 07 x3 (Play in C:\\Halvo\\zk.rcb); "
                 "1 report waiting\n");
  ASSERT_EQ(run({"press", "Mute", "--map", "Z:\\tv.rcb", "--drive", "d:"}), kExitOk) << err;
  EXPECT_NE(out.find("(Mute in Z:\\tv.rcb); 2 reports waiting"), std::string::npos) << out;

  Fields held = kPlayCode;
  held[8] = 0x07;
  EXPECT_EQ(take_report(), held);
  EXPECT_EQ(take_report(), held);
  EXPECT_EQ(take_report(), held);
  EXPECT_EQ(take_report(), (Fields{0x40, 0xF8, 0xA5, 0x5A, 0, 0, 0, 0, 0}));
  EXPECT_EQ(take_report(), kNothing);
}

TEST_F(RemoteTest, QueueingCommandsMakeTheirReports) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<Fields> reads;
  };
  const Case cases[] = {
      {"raw code, held", {"code", "14", "eb4e", "--hold", "2"},
       {{0x40, 0xF8, 0x14, 0xEB, 0x4E, 0, 0, 0, 0}, {0x40, 0xF8, 0x14, 0xEB, 0x4E, 0, 0, 0, 0},
        kNothing}},
      {"event by names", {"event", "stopped,announce", "--value", "9"},
       {{0x00, 0xF8, 0, 0x01, 0x24, 0x09, 0, 0, 0}, kNothing}},
      {"event without bits", {"event", "0"}, {{0x00, 0xF8, 0, 0, 0x20, 0, 0, 0, 0}, kNothing}},
      {"idle reads before a button", {"idle", "2"}, {kNothing, kNothing}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*access.state);
    ASSERT_EQ(run(c.args), kExitOk) << err;
    for (const Fields& f : c.reads) EXPECT_EQ(take_report(), f);
    EXPECT_EQ(d().queue_count, 0);
  }
}

TEST_F(RemoteTest, RefusedCommandsChangeNothing) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::function<void(RemoteTest&)> setup;
    const char* error;
  };
  auto fill_queue = [](RemoteTest& t) {
    for (int i = 0; i < kQueueSize; ++i) queue_report(t.d(), nothing_report(1));
  };
  const Case cases[] = {
      {"button not in the map", {"press", "Menu"}, nullptr, "no button Menu"},
      {"button mapped to no code", {"press", "Dead"}, nullptr,
       "Dead in C:\\Halvo\\zk.rcb: '0100' maps no code"},
      {"drive without receiver", {"press", "Play", "--drive", "F"}, nullptr, "F: has no receiver"},
      {"no such drive", {"event", "playing", "--drive", "Q"}, nullptr, "there is no drive Q:"},
      {"full queue", {"press", "Play"}, fill_queue, "queue is full (64 reports waiting)"},
      {"full queue for a disc change", {"insert", "videocd"}, fill_queue, "has no room"},
      {"missing disc folder", {"insert", "nowhere"}, nullptr, "'nowhere' not found"},
      {"bad disc type", {"insert", "badtype"}, nullptr,
       "Z:\\discs\\badtype\\disc.ini: Type '16' is not"},
      {"bad track list", {"insert", "badtracks"}, nullptr,
       "Z:\\discs\\badtracks\\disc.ini: track length '3:20'"},
      {"files cannot change", {"insert", "videocd"},
       [](RemoteTest& t) { t.host.broken_letters = "D"; }, "D: a file is in use"},
      {"eject with files in use", {"eject"}, [](RemoteTest& t) { t.host.broken_letters = "D"; },
       "D: a file is in use"},
      {"lose-settings without receiver", {"lose-settings", "--drive", "F"}, nullptr,
       "has no receiver"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*access.state);
    host.broken_letters.clear();
    if (c.setup) c.setup(*this);
    auto before = std::make_unique<MachineState>(*access.state);
    EXPECT_EQ(run(c.args), kExitRefused);
    EXPECT_NE(err.find(c.error), std::string::npos) << err;
    EXPECT_TRUE(same_state(*before, *access.state));
  }
  EXPECT_EQ(host.shows, 0);
}

TEST_F(RemoteTest, DiscCommandsMoveTrayFilesAndReports) {
  const Fields none_event{0x00, 0x01, 0, 0, 0x20, 0, 0, 0, 0};  // medium 0, status 1
  ASSERT_EQ(run({"insert", "videocd"}), kExitOk) << err;
  EXPECT_EQ(out, "D: disc Z:\\discs\\videocd (medium type 0) inserted\n");
  EXPECT_EQ(host.shown['D'], "Z:\\discs\\videocd");
  EXPECT_EQ(take_report(), (Fields{0x80, 0xF0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(take_report(), none_event);
  EXPECT_EQ(take_report(), (Fields{0x80, 0x08, 0, 0, 0, 0, 0, 0, 0}));

  ASSERT_EQ(run({"eject"}), kExitOk) << err;
  EXPECT_EQ(out, "D: tray open, the disc lies in it\n");
  EXPECT_EQ(host.shown['D'], "");
  EXPECT_EQ(take_report(), (Fields{0x80, 0xF0, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(run({"close"}), kExitOk) << err;
  EXPECT_EQ(host.shown['D'], "Z:\\discs\\videocd");
  EXPECT_EQ(take_report(), none_event);
  ASSERT_EQ(run({"close"}), kExitOk);
  EXPECT_EQ(out, "D: the tray is already closed\n");
  EXPECT_EQ(d().queue_count, 0);

  ASSERT_EQ(run({"eject", "--remove"}), kExitOk) << err;
  EXPECT_EQ(out, "D: tray open, no disc\n");
  ASSERT_EQ(run({"close"}), kExitOk) << err;
  EXPECT_EQ(host.shown['D'], "");
  EXPECT_EQ(take_report(), (Fields{0x80, 0xF1, 0, 0, 0, 0, 0, 0, 0}));

  // The medium type from disc.ini, or from --type over it.
  ASSERT_EQ(run({"insert", "audio"}), kExitOk) << err;
  EXPECT_EQ(out, "D: disc Z:\\discs\\audio (medium type 4, 2 tracks) inserted\n");
  EXPECT_EQ(d().disc_type, 4);
  ASSERT_EQ(run({"eject"}), kExitOk);
  ASSERT_EQ(run({"insert", "audio", "--type", "7"}), kExitOk) << err;
  EXPECT_EQ(out, "D: disc Z:\\discs\\audio (medium type 7, 2 tracks) lies in the open tray\n");
  EXPECT_EQ(host.shown['D'], "");
  ASSERT_EQ(run({"close"}), kExitOk);
  EXPECT_EQ(medium_nibble(d()), 7);

  // F: has no receiver: its files change, no reports.
  ASSERT_EQ(run({"insert", "videocd", "--drive", "F"}), kExitOk) << err;
  EXPECT_EQ(host.shown['F'], "Z:\\discs\\videocd");
  EXPECT_EQ(access.state->drives[1].queue_count, 0);
}

TEST_F(RemoteTest, DriveStateCommands) {
  d().settings_written = kWroteStandalone | kWrotePcMode;
  d().standalone[11] = kSpecialModeBit;
  ASSERT_TRUE(holds_settings(d()));
  ASSERT_EQ(run({"lose-settings"}), kExitOk) << err;
  EXPECT_FALSE(holds_settings(d()));
  EXPECT_EQ(d().standalone[11], 0);

  ASSERT_EQ(run({"volume-target", "drive"}), kExitOk) << err;
  EXPECT_EQ(d().volume_target, kVolumeDrive);
  ASSERT_EQ(run({"play-status", "5"}), kExitOk) << err;
  ASSERT_EQ(run({"event", "volup"}), kExitOk) << err;
  EXPECT_EQ(take_report(), (Fields{0x00, 0xF5, 0, 0x80, 0x00, 0, 0, 0, 0}));
  ASSERT_EQ(run({"volume-target", "mixer"}), kExitOk) << err;
  EXPECT_EQ(d().volume_target, kVolumeMixer);
}

TEST_F(RemoteTest, StatusShowsTheReceiverAndItsQueue) {
  ASSERT_EQ(run({"insert", "audio"}), kExitOk) << err;
  ASSERT_EQ(run({"press", "Play", "--hold", "2"}), kExitOk) << err;
  ASSERT_EQ(run({"status"}), kExitOk);
  EXPECT_NE(out.find("  tray closed  medium type 15  play status 0 (then 1, 8)  settings not held"
                     "  special mode off  volume target mixer\n"
                     "  disc: type 4, Z:\\discs\\audio\n"
                     "  queue: 3 reports waiting\n"
                     "    nothing\n"
                     "    event 0000 (none) value 00\n"
                     "    code 14 EB 4E B1 0A F5 value 00 x2\n"),
            std::string::npos)
      << out;
  // F: has no receiver and no disc folder.
  EXPECT_NE(out.find("  disc: type 15\n  queue: 0 reports waiting\n"), std::string::npos) << out;
}

TEST_F(RemoteTest, LogShowsReportReadsInOneLine) {
  ASSERT_EQ(run({"press", "Play"}), kExitOk);
  std::vector<uint8_t> buffer(kReportPageSize);
  aspi::ExecRequest r{};
  r.command = aspi::SC_EXEC_SCSI_CMD;
  r.target = 1;
  r.flags = aspi::SRB_DIR_IN;
  r.cdb_length = 10;
  r.cdb[0] = kOpModeSense10;
  r.cdb[8] = kReportPageSize;
  r.data = buffer.data();
  r.data_length = kReportPageSize;
  execute(*access.state, r);
  execute(*access.state, r);
  ASSERT_EQ(run({"log"}), kExitOk);
  EXPECT_EQ(out,
            "     1 D: MODE-SENSE      page 00 len 20    in  GOOD  "
            "code 14 EB 4E B1 0A F5 value 00, medium F status 8\n"
            "     2 D: MODE-SENSE      page 00 len 20    in  GOOD  nothing, medium F status 8\n");
}

TEST_F(RemoteTest, ResetEmptiesTheDrives) {
  ASSERT_EQ(run({"insert", "videocd"}), kExitOk);
  ASSERT_EQ(run({"reset"}), kExitOk) << err;
  EXPECT_EQ(host.shown['D'], "");
  EXPECT_EQ(host.shown['F'], "");
  EXPECT_EQ(d().queue_count, 0);

  // A drive that cannot be emptied is named; the state is reset anyway.
  ASSERT_EQ(run({"insert", "videocd"}), kExitOk);
  host.broken_letters = "D";
  EXPECT_EQ(run({"reset"}), kExitRefused);
  EXPECT_NE(err.find("D: a file is in use"), std::string::npos) << err;
  MachineState fresh;
  reset(fresh);
  EXPECT_TRUE(same_state(*access.state, fresh));
}

}  // namespace
}  // namespace vdrive
