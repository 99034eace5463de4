#include "beamhub/drive.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace beamhub {
namespace {

using Address = std::tuple<uint8_t, uint8_t, uint8_t>;  // host adapter, target, LUN

// One answer of a drive to an execute request.
struct Reply {
  Transport transport = Transport::ok;
  uint8_t sense2 = 0;  // sense byte 2 as the drive returns it (key in bits 3-0)
  uint8_t asc = 0;
  uint8_t ascq = 0;
  std::vector<uint8_t> data;  // copied into the buffer of a data-in command
};

// A mode page as a drive returns it: header, page code, length, parameters.
std::vector<uint8_t> page_image(std::size_t size, uint8_t code_byte, uint8_t length_byte,
                                uint8_t fill = 0x5C) {
  std::vector<uint8_t> image(size, fill);
  std::fill(image.begin(), image.begin() + 8, 0);
  image[8] = code_byte;
  image[9] = length_byte;
  return image;
}

Reply answer_page(uint8_t code_byte, uint8_t length_byte) {
  Reply reply;
  reply.data = page_image(kStandalonePageSize, code_byte, length_byte);
  return reply;
}

Reply sense_reply(uint8_t key, uint8_t asc = 0) {
  Reply reply;
  reply.sense2 = key;
  reply.asc = asc;
  return reply;
}

struct FakeDrive {
  uint8_t device_type = aspi::DTYPE_CDROM;
  int pending_polls = 0;                            // -1: the request never completes
  std::map<uint8_t, std::vector<uint8_t>> pages;    // what MODE SENSE returns; others: illegal request
  std::deque<Reply> replies;                        // scripted answers, used first
};

struct Sent {
  Address address;
  uint8_t flags;
  std::array<uint8_t, 12> cdb;
  const uint8_t* data;
  std::vector<uint8_t> data_out;
  std::vector<uint8_t> raw;  // the request block as handed over
};

class FakeAspiPort : public AspiPort {
 public:
  uint32_t support_info() override { return (uint32_t{aspi::SS_COMP} << 8) | adapters_reported; }

  void send(aspi::DeviceTypeRequest& request) override {
    EXPECT_EQ(request.command, aspi::SC_GET_DEV_TYPE);
    EXPECT_EQ(request.flags, 0);
    Address address{request.host_adapter, request.target, request.lun};
    probes.push_back(address);
    pending = nullptr;
    if (request.host_adapter >= adapters_present) {
      request.status = aspi::SS_INVALID_HA;
      return;
    }
    auto it = drives.find(address);
    if (it == drives.end()) {
      request.status = aspi::SS_NO_DEVICE;
      return;
    }
    if (it->second.pending_polls != 0) {
      request.status = aspi::SS_PENDING;
      pending = &request;
      pending_left = it->second.pending_polls;
      pending_type = it->second.device_type;
      return;
    }
    request.status = aspi::SS_COMP;
    request.device_type = it->second.device_type;
  }

  Transport execute(aspi::ExecRequest& request) override {
    check_fresh_request(request);
    Sent sent;
    sent.address = Address{request.host_adapter, request.target, request.lun};
    sent.flags = request.flags;
    std::memcpy(sent.cdb.data(), request.cdb, 12);
    sent.data = request.data;
    if (request.flags == aspi::SRB_DIR_OUT) {
      sent.data_out.assign(request.data, request.data + request.data_length);
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(&request);
    sent.raw.assign(bytes, bytes + sizeof request);
    log.push_back(sent);

    auto it = drives.find(sent.address);
    if (it == drives.end()) return Transport::io_failed;
    FakeDrive& drive = it->second;
    Reply reply;
    if (!drive.replies.empty()) {
      reply = drive.replies.front();
      drive.replies.pop_front();
    } else if (request.cdb[0] == 0x5A) {
      auto page = drive.pages.find(request.cdb[2]);
      if (page == drive.pages.end()) {
        reply = sense_reply(0x05, 0x24);
      } else {
        reply.data = page->second;
      }
    }
    if (reply.transport != Transport::ok) return reply.transport;
    if (request.flags == aspi::SRB_DIR_IN && !reply.data.empty()) {
      std::memcpy(request.data, reply.data.data(),
                  std::min<std::size_t>(reply.data.size(), request.data_length));
    }
    request.sense[2] = reply.sense2;
    request.sense[12] = reply.asc;
    request.sense[13] = reply.ascq;
    return Transport::ok;
  }

  void sleep_ms(unsigned ms) override {
    sleeps.push_back(ms);
    if (pending != nullptr && pending_left > 0 && --pending_left == 0) {
      pending->device_type = pending_type;
      pending->status = aspi::SS_COMP;
      pending = nullptr;
    }
  }

  // Every request block is built from zero: only the command's own fields
  // are set.
  static void check_fresh_request(const aspi::ExecRequest& r) {
    EXPECT_EQ(r.command, aspi::SC_EXEC_SCSI_CMD);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.reserved_header, 0u);
    EXPECT_EQ(r.reserved1, 0);
    EXPECT_EQ(r.sense_length, 14);
    EXPECT_EQ(r.cdb_length, 10);
    EXPECT_EQ(r.ha_status, 0);
    EXPECT_EQ(r.target_status, 0);
    EXPECT_EQ(r.post_proc, nullptr);
    EXPECT_NE(r.data, nullptr);
    EXPECT_EQ(r.data_length, (uint32_t{r.cdb[7]} << 8) | r.cdb[8]);
    for (uint8_t b : r.reserved2) EXPECT_EQ(b, 0);
    for (int i = 10; i < 16; ++i) EXPECT_EQ(r.cdb[i], 0) << "cdb byte " << i;
    for (uint8_t b : r.sense) EXPECT_EQ(b, 0);
  }

  std::vector<uint8_t> pages_sent(uint8_t opcode) const {
    std::vector<uint8_t> pages;
    for (const Sent& s : log) {
      if (s.cdb[0] == opcode) pages.push_back(s.cdb[2]);
    }
    return pages;
  }

  int commands_to(Address address) const {
    int n = 0;
    for (const Sent& s : log) n += s.address == address;
    return n;
  }

  uint8_t adapters_reported = 1;
  uint8_t adapters_present = 1;
  std::map<Address, FakeDrive> drives;
  std::vector<Address> probes;
  std::vector<Sent> log;
  std::vector<unsigned> sleeps;

 private:
  aspi::DeviceTypeRequest* pending = nullptr;
  int pending_left = 0;
  uint8_t pending_type = 0;
};

class FakeHost : public DiscoveryHost {
 public:
  uint16_t drive_type(char letter) override {
    types_asked.push_back(letter);
    auto it = types.find(letter);
    return it == types.end() ? 1 : it->second;  // 1: no such drive
  }
  std::vector<std::string> hardware_keys() override { return keys; }
  bool read_device(const std::string& key, DeviceEntry& entry) override {
    devices_read.push_back(key);
    auto it = devices.find(key);
    if (it == devices.end()) return false;
    entry = it->second;
    return true;
  }
  void clear_auto_insert(const std::string& key) override {
    cleared.push_back(key);
    devices[key].auto_insert = 0;
  }

  // A device key with its entry, listed for enumeration.
  void add(const std::string& key, const DeviceEntry& entry) {
    keys.push_back(key);
    devices[key] = entry;
  }

  std::map<char, uint16_t> types;
  std::vector<std::string> keys;
  std::map<std::string, DeviceEntry> devices;
  std::vector<char> types_asked;
  std::vector<std::string> devices_read;
  std::vector<std::string> cleared;
};

class DriveCommandsTest : public ::testing::Test {
 protected:
  // Makes letter the current receiver drive at (ha, target, lun).
  void use_drive(char letter, uint8_t ha, uint8_t target, uint8_t lun) {
    DriveRecord& record = state.drives[letter - 'A'];
    record.drive_type = 5;
    record.host_adapter = ha;
    record.target = target;
    record.lun = lun;
    record.has_receiver = 1;
    state.current = static_cast<uint16_t>(letter - 'A');
    port.drives[Address{ha, target, lun}];
  }

  DriveState state{};
  FakeAspiPort port;
  DriveCommands commands{state, port};
};

// --- sense and command blocks ---------------------------------------------

TEST(SenseDecoding, MapsKeyAndCode) {
  struct Case {
    const char* name;
    uint8_t key, code;
    uint16_t expected;
  } cases[] = {
      {"good", 0x0, 0x00, kCmdGood},
      {"good whatever the code", 0x0, 0x3A, kCmdGood},
      {"no medium", 0x2, 0x3A, kCmdNoMedium},
      {"not ready, becoming ready", 0x2, 0x04, kCmdNotReady},
      {"illegal request", 0x5, 0x24, kCmdUnsupported},
      {"medium changed", 0x6, 0x28, kCmdMediumChanged},
      {"unit attention, reset", 0x6, 0x29, kCmdFailed},
      {"medium error", 0x3, 0x11, kCmdFailed},
      {"aborted", 0xB, 0x00, kCmdFailed},
      {"device not opened", 0xFF, 0x00, kCmdFailed},
      {"io control failed", 0xFF, 0xFF, kCmdFailed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decode_sense(c.key, c.code), c.expected) << c.name;
  }
}

TEST(CommandBlocks, TenByteModeCommands) {
  struct Case {
    const char* name;
    bool select;
    uint8_t page;
    uint16_t length;
    std::array<uint8_t, 12> expected;
  } cases[] = {
      {"sense report", false, 0x00, 20, {0x5A, 0, 0x00, 0, 0, 0, 0, 0, 20, 0, 0, 0}},
      {"sense stand-alone", false, 0x20, 38, {0x5A, 0, 0x20, 0, 0, 0, 0, 0, 38, 0, 0, 0}},
      {"select pc mode", true, 0x21, 56, {0x55, 0x10, 0x21, 0, 0, 0, 0, 0, 56, 0, 0, 0}},
      {"length high byte first", true, 0x0E, 0x0123,
       {0x55, 0x10, 0x0E, 0, 0, 0, 0, 0x01, 0x23, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::array<uint8_t, 12> cdb;
    cdb.fill(0xEE);  // everything not set must be cleared
    if (c.select) {
      build_mode_select(cdb.data(), c.page, c.length);
    } else {
      build_mode_sense(cdb.data(), c.page, c.length);
    }
    EXPECT_EQ(cdb, c.expected) << c.name;
  }
}

TEST(PagePrimitives, SizesAndChecks) {
  EXPECT_EQ(page_buffer_size(0x00), 20u);
  EXPECT_EQ(page_buffer_size(0x0E), 24u);
  EXPECT_EQ(page_buffer_size(0x20), 38u);
  EXPECT_EQ(page_buffer_size(0x21), 56u);
  EXPECT_EQ(page_buffer_size(0x01), 0u);

  struct Case {
    const char* name;
    uint8_t page, byte8, byte9;
    bool valid;
  } cases[] = {
      {"report", 0x00, 0x00, 10, true},
      {"report, saveable bits ignored", 0x00, 0xC0, 10, true},
      {"report, wrong length", 0x00, 0x00, 14, false},
      {"audio", 0x0E, 0x0E, 14, true},
      {"audio, wrong code", 0x0E, 0x0D, 14, false},
      {"stand-alone", 0x20, 0xA0, 28, true},
      {"stand-alone, pc mode code", 0x20, 0x21, 28, false},
      {"stand-alone, all zero", 0x20, 0x00, 0, false},
      {"unused page", 0x01, 0x01, 0, false},
  };
  for (const Case& c : cases) {
    uint8_t buffer[kPcModePageSize] = {};
    buffer[8] = c.byte8;
    buffer[9] = c.byte9;
    EXPECT_EQ(page_is_valid(buffer, c.page), c.valid) << c.name;
  }
}

// --- sending commands -------------------------------------------------------

TEST_F(DriveCommandsTest, RequestBlockCarriesTheCommand) {
  use_drive('E', 2, 5, 1);
  std::memset(&state.request, 0xCC, sizeof state.request);  // stale bytes from an earlier command
  port.drives[Address{2, 5, 1}].pages[0x20] = page_image(kStandalonePageSize, 0x20, 28);

  ASSERT_EQ(commands.mode_sense(kPageStandalone), kCmdGood);
  ASSERT_EQ(port.log.size(), 1u);
  const Sent& sent = port.log[0];
  EXPECT_EQ(sent.address, (Address{2, 5, 1}));
  EXPECT_EQ(sent.flags, aspi::SRB_DIR_IN);
  EXPECT_EQ(sent.data, state.pages.standalone);
  std::array<uint8_t, 12> cdb = {0x5A, 0, 0x20, 0, 0, 0, 0, 0, 38, 0, 0, 0};
  EXPECT_EQ(sent.cdb, cdb);

  if (sizeof(void*) == 4) {
    // The block as the ASPI manager reads it.
    std::vector<uint8_t> expected(80, 0);
    expected[0] = 2;
    expected[2] = 2;
    expected[3] = 0x08;
    expected[8] = 5;
    expected[9] = 1;
    expected[12] = 38;
    auto data = reinterpret_cast<std::uintptr_t>(state.pages.standalone);
    for (int i = 0; i < 4; ++i) expected[16 + i] = static_cast<uint8_t>(data >> (8 * i));
    expected[20] = 14;
    expected[21] = 10;
    std::copy(cdb.begin(), cdb.begin() + 10, expected.begin() + 48);
    ASSERT_EQ(sent.raw.size(), 80u);
    for (int i = 0; i < 80; ++i) EXPECT_EQ(sent.raw[i], expected[i]) << "request byte " << i;
  }
}

TEST_F(DriveCommandsTest, TransportAndSenseGiveTheResult) {
  struct Case {
    const char* name;
    Reply reply;
    uint16_t result;
    uint8_t key, code, qualifier;
    bool waited;
  } cases[] = {
      {"good", answer_page(0x20, 28), kCmdGood, 0, 0, 0, true},
      {"key taken from the low nibble", {Transport::ok, 0xF2, 0x3A, 0x01, {}},
       kCmdNoMedium, 0x2, 0x3A, 0x01, true},
      {"not ready", {Transport::ok, 0x02, 0x04, 0x01, {}}, kCmdNotReady, 0x2, 0x04, 0x01, true},
      {"medium changed", {Transport::ok, 0x06, 0x28, 0x00, {}}, kCmdMediumChanged, 0x6, 0x28, 0, true},
      {"device not opened", {Transport::open_failed, 0, 0, 0, {}}, kCmdFailed, 0xFF, 0, 0, false},
      {"io control failed", {Transport::io_failed, 0, 0, 0, {}}, kCmdFailed, 0xFF, 0xFF, 0xFF, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    port.sleeps.clear();
    use_drive('D', 0, 1, 0);
    port.drives[Address{0, 1, 0}].replies = {c.reply};

    EXPECT_EQ(commands.mode_sense(kPageStandalone), c.result);
    EXPECT_EQ(state.sense_key, c.key);
    EXPECT_EQ(state.sense_code, c.code);
    EXPECT_EQ(state.sense_qualifier, c.qualifier);
    EXPECT_EQ(port.sleeps, c.waited ? std::vector<unsigned>{10} : std::vector<unsigned>{});
  }
}

TEST_F(DriveCommandsTest, ModeSenseChecksThePageItRead) {
  struct Case {
    const char* name;
    uint8_t page;
    Reply reply;
    uint16_t result;
  } cases[] = {
      {"report", 0x00, answer_page(0x00, 10), kCmdGood},
      {"audio", 0x0E, answer_page(0x0E, 14), kCmdGood},
      {"audio with report length", 0x0E, answer_page(0x0E, 10), kCmdUnsupported},
      {"stand-alone with PS bit", 0x20, answer_page(0xA0, 28), kCmdGood},
      {"stand-alone, other code", 0x20, answer_page(0x21, 28), kCmdUnsupported},
      {"good status, nothing returned", 0x20, Reply{}, kCmdUnsupported},
      // A failed command keeps its own result; the zero buffer is not judged.
      {"no medium", 0x20, sense_reply(0x02, 0x3A), kCmdNoMedium},
      {"illegal request", 0x20, sense_reply(0x05, 0x24), kCmdUnsupported},
      {"transport failure", 0x00, {Transport::io_failed, 0, 0, 0, {}}, kCmdFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    use_drive('D', 0, 1, 0);
    uint8_t* buffer = c.page == 0x00 ? state.pages.report
                      : c.page == 0x0E ? state.pages.audio
                                       : state.pages.standalone;
    std::size_t size = page_buffer_size(c.page);
    std::memset(buffer, 0xAA, size);  // left over from the last read
    port.drives[Address{0, 1, 0}].replies = {c.reply};

    EXPECT_EQ(commands.mode_sense(c.page), c.result);
    if (c.reply.data.empty()) {
      EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + size), std::vector<uint8_t>(size, 0));
    } else {
      EXPECT_EQ(buffer[8], c.reply.data[8]);
      EXPECT_EQ(buffer[size - 1], c.reply.data[size - 1]);
    }
  }
}

TEST_F(DriveCommandsTest, ModeSenseAddressesTheGivenDrive) {
  use_drive('D', 0, 1, 0);
  DriveRecord& f = state.drives['F' - 'A'];
  f.host_adapter = 1;
  f.target = 3;
  f.lun = 2;
  port.drives[Address{1, 3, 2}].pages[0x20] = page_image(kStandalonePageSize, 0x20, 28);

  EXPECT_EQ(commands.mode_sense('F' - 'A', kPageStandalone), kCmdGood);
  ASSERT_EQ(port.log.size(), 1u);
  EXPECT_EQ(port.log[0].address, (Address{1, 3, 2}));
  EXPECT_EQ(state.current, 'D' - 'A');

  EXPECT_EQ(commands.mode_sense(kDriveCount, kPageStandalone), kCmdFailed);
  EXPECT_EQ(commands.mode_sense(0x01), kCmdUnsupported);
  EXPECT_EQ(port.log.size(), 1u);
}

TEST_F(DriveCommandsTest, ModeSelectFixesUpAndSendsTheBuffer) {
  struct Case {
    const char* name;
    uint8_t page;
    uint8_t fill;
    uint8_t byte8, byte9, byte10;
  } cases[] = {
      {"audio from ones", 0x0E, 0xFF, 0xCE, 14, 0xFD},
      {"audio from zero", 0x0E, 0x00, 0x0E, 14, 0x04},
      {"stand-alone from ones", 0x20, 0xFF, 0xE0, 28, 0xFF},
      {"stand-alone from zero", 0x20, 0x00, 0x20, 28, 0x00},
      {"pc mode from ones", 0x21, 0xFF, 0xE1, 46, 0xFF},
      {"pc mode from zero", 0x21, 0x00, 0x21, 46, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    port.log.clear();
    use_drive('D', 0, 1, 0);
    uint8_t* buffer = c.page == 0x0E ? state.pages.audio
                      : c.page == 0x20 ? state.pages.standalone
                                       : state.pages.pc_mode;
    std::size_t size = page_buffer_size(c.page);
    std::memset(buffer, c.fill, size);
    buffer[3] = 0x08;  // header as last read goes out unchanged

    EXPECT_EQ(commands.mode_select(c.page), kCmdGood);
    ASSERT_EQ(port.log.size(), 1u);
    const Sent& sent = port.log[0];
    EXPECT_EQ(sent.flags, aspi::SRB_DIR_OUT);
    std::array<uint8_t, 12> cdb = {0x55, 0x10, c.page, 0, 0, 0, 0, 0,
                                   static_cast<uint8_t>(size), 0, 0, 0};
    EXPECT_EQ(sent.cdb, cdb);
    std::vector<uint8_t> expected(size, c.fill);
    expected[3] = 0x08;
    expected[8] = c.byte8;
    expected[9] = c.byte9;
    expected[10] = c.byte10;
    EXPECT_EQ(sent.data_out, expected);
  }
}

TEST_F(DriveCommandsTest, ModeSelectRefusesReportPageAndDrivesWithoutReceiver) {
  use_drive('D', 0, 1, 0);
  EXPECT_EQ(commands.mode_select(kPageReport), kCmdUnsupported);
  EXPECT_EQ(commands.mode_select(0x01), kCmdUnsupported);

  // Nothing found at discovery: the current drive is an empty record.
  state = DriveState{};
  EXPECT_EQ(commands.mode_select(kPageStandalone), kCmdFailed);
  EXPECT_TRUE(port.log.empty());
}

TEST_F(DriveCommandsTest, ProgramSendsBothSettingsPagesThreeTimes) {
  struct Case {
    const char* name;
    bool pc_mode, special;
    uint8_t param1;  // from 0xA5
  } cases[] = {
      {"stand-alone", false, false, 0xA4},
      {"pc mode", true, false, 0xA5},
      {"special", false, true, 0xA6},
      {"pc mode and special", true, true, 0xA7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    port.log.clear();
    use_drive('D', 0, 1, 0);
    state.settings_pages_valid = 1;
    std::memset(state.pages.standalone, 0xA5, kStandalonePageSize);
    std::memset(state.pages.pc_mode, 0x3C, kPcModePageSize);

    commands.program(c.pc_mode, c.special);

    EXPECT_EQ(port.pages_sent(0x55), (std::vector<uint8_t>{0x20, 0x21, 0x20, 0x21, 0x20, 0x21}));
    ASSERT_EQ(port.log.size(), 6u);
    for (std::size_t i = 0; i < port.log.size(); i += 2) {
      const std::vector<uint8_t>& standalone = port.log[i].data_out;
      ASSERT_EQ(standalone.size(), kStandalonePageSize);
      EXPECT_EQ(standalone[8], 0xA0);
      EXPECT_EQ(standalone[9], 28);
      EXPECT_EQ(standalone[10], 0xA5);
      EXPECT_EQ(standalone[11], c.param1);
      EXPECT_EQ(standalone[12], 0xA5);
      EXPECT_EQ(standalone[13], 1);
      const std::vector<uint8_t>& pc = port.log[i + 1].data_out;
      ASSERT_EQ(pc.size(), kPcModePageSize);
      EXPECT_EQ(pc[8], 0x21);
      EXPECT_EQ(pc[9], 46);
      EXPECT_EQ(pc[10], 0x3C);
    }
  }
}

TEST_F(DriveCommandsTest, ProgramSendsNothingWithoutSettingsPages) {
  use_drive('D', 0, 1, 0);
  std::memset(state.pages.standalone, 0xA5, kStandalonePageSize);
  commands.program(true, true);
  EXPECT_TRUE(port.log.empty());
  EXPECT_EQ(state.pages.standalone[11], 0xA5);
  EXPECT_EQ(state.pages.standalone[13], 0xA5);
}

// --- discovery --------------------------------------------------------------

class DiscoveryTest : public ::testing::Test {
 protected:
  // A CD-ROM drive letter on (ha, target, lun); with_receiver makes it
  // answer page 0x20.
  FakeDrive& cdrom(char letter, const std::string& key, uint8_t ha, uint8_t target,
                   bool with_receiver, int auto_insert = 0) {
    host.types[letter] = 5;
    DeviceEntry entry;
    entry.product = std::string("DRIVE ") + letter;
    entry.letters = std::string(1, letter);
    entry.target = std::to_string(target);
    entry.lun = "0";
    entry.auto_insert = auto_insert;
    host.add(key, entry);
    FakeDrive& drive = port.drives[Address{ha, target, 0}];
    if (with_receiver) drive.pages[0x20] = page_image(kStandalonePageSize, 0x20, 28);
    return drive;
  }

  const DriveRecord& record(char letter) const { return state.drives[letter - 'A']; }

  DriveState state{};
  FakeAspiPort port;
  FakeHost host;
};

TEST_F(DiscoveryTest, ReceiverDrivesInOrderFound) {
  host.types['C'] = 3;  // fixed disk
  cdrom('D', "SCSI\\CD_D", 0, 2, true);
  cdrom('E', "SCSI\\CD_E", 0, 3, false);
  cdrom('F', "SCSI\\CD_F", 0, 4, true);

  discover(state, port, host);

  EXPECT_STREQ(state.letters, "DF");
  EXPECT_EQ(state.receiver_count, 2);
  EXPECT_EQ(state.current, 'D' - 'A');
  EXPECT_STREQ(state.current_text, "D:");
  EXPECT_EQ(record('D').has_receiver, 1u);
  EXPECT_EQ(record('E').has_receiver, 0u);
  EXPECT_EQ(record('F').has_receiver, 1u);
  EXPECT_EQ(record('F').target, 4);
  EXPECT_EQ(record('C').drive_type, 3);
  EXPECT_STREQ(record('E').product, "DRIVE E");
  // E answered illegal request to every one of its ten tests.
  EXPECT_EQ(port.commands_to(Address{0, 3, 0}), 10);
  EXPECT_EQ(port.commands_to(Address{0, 2, 0}), 1);
  // Drive types are asked for C: to Z: only.
  ASSERT_EQ(host.types_asked.size(), 24u);
  EXPECT_EQ(host.types_asked.front(), 'C');
  EXPECT_EQ(host.types_asked.back(), 'Z');
}

TEST_F(DiscoveryTest, ReceiverTestGivesUpAfterTenUnsupportedAnswers) {
  struct Case {
    const char* name;
    std::deque<Reply> replies;  // the rest are wrong-length pages
    bool receiver;
    int commands;
  } cases[] = {
      {"wrong code every time", std::deque<Reply>(10, answer_page(0x21, 28)), false, 10},
      {"wrong length every time", std::deque<Reply>(10, answer_page(0x20, 10)), false, 10},
      {"answers on the tenth", {}, true, 10},
      {"not ready counts as an answer", {sense_reply(0x02, 0x04)}, true, 1},
  };
  cases[2].replies = std::deque<Reply>(9, answer_page(0x20, 10));
  cases[2].replies.push_back(answer_page(0x20, 28));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    port = FakeAspiPort{};
    host = FakeHost{};
    FakeDrive& drive = cdrom('D', "SCSI\\CD", 0, 2, false);
    drive.replies = c.replies;

    discover(state, port, host);

    EXPECT_EQ(record('D').has_receiver, c.receiver ? 1u : 0u);
    EXPECT_STREQ(state.letters, c.receiver ? "D" : "");
    EXPECT_EQ(state.receiver_count, c.receiver ? 1 : 0);
    EXPECT_EQ(port.commands_to(Address{0, 2, 0}), c.commands);
    EXPECT_EQ(port.pages_sent(0x5A), std::vector<uint8_t>(c.commands, 0x20));
  }
}

TEST_F(DiscoveryTest, AutoInsertNotificationIsSwitchedOffOnce) {
  cdrom('D', "SCSI\\CD_D", 0, 2, true, 1);
  cdrom('F', "SCSI\\CD_F", 0, 4, true, 1);
  cdrom('G', "SCSI\\CD_G", 0, 5, false, 1);

  discover(state, port, host);
  EXPECT_EQ(host.cleared, (std::vector<std::string>{"SCSI\\CD_D", "SCSI\\CD_F"}));
  EXPECT_EQ(state.auto_insert_switched_off, 1);

  // The next attach finds it already off.
  discover(state, port, host);
  EXPECT_EQ(host.cleared.size(), 2u);
  EXPECT_EQ(state.auto_insert_switched_off, 0);
  EXPECT_STREQ(state.letters, "DF");
}

TEST_F(DiscoveryTest, SwitchingOffOnAnotherDriveDoesNotFlagTheCurrentOne) {
  cdrom('D', "SCSI\\CD_D", 0, 2, true, 0);
  cdrom('F', "SCSI\\CD_F", 0, 4, true, 1);
  discover(state, port, host);
  EXPECT_EQ(host.cleared, (std::vector<std::string>{"SCSI\\CD_F"}));
  EXPECT_EQ(state.auto_insert_switched_off, 0);
}

TEST_F(DiscoveryTest, OnlyCdromDrivesAreProbed) {
  host.types['C'] = 3;
  DeviceEntry disk;
  disk.letters = "C";
  disk.target = "0";
  host.add("ESDI\\DISK", disk);
  port.drives[Address{0, 0, 0}].device_type = 0;

  discover(state, port, host);
  EXPECT_TRUE(port.probes.empty());
  EXPECT_TRUE(port.log.empty());
  EXPECT_EQ(state.receiver_count, 0);
}

TEST_F(DiscoveryTest, AdapterSearch) {
  struct Case {
    const char* name;
    uint8_t reported, present;
    uint8_t ha;  // where the drive answers
    uint8_t device_type;
    std::vector<uint8_t> probed;
    bool receiver;
  } cases[] = {
      {"found on the second adapter", 3, 3, 1, aspi::DTYPE_CDROM, {0, 1}, true},
      {"stops at an invalid adapter", 4, 2, 3, aspi::DTYPE_CDROM, {0, 1, 2}, false},
      {"stays below the adapter count", 1, 4, 1, aspi::DTYPE_CDROM, {0}, false},
      {"another device type is passed over", 2, 2, 0, 0x00, {0, 1}, false},
      {"no adapters", 0, 0, 0, aspi::DTYPE_CDROM, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    port = FakeAspiPort{};
    host = FakeHost{};
    port.adapters_reported = c.reported;
    port.adapters_present = c.present;
    cdrom('D', "SCSI\\CD", c.ha, 2, true).device_type = c.device_type;

    discover(state, port, host);

    EXPECT_EQ(state.adapter_count, c.reported);
    std::vector<uint8_t> probed;
    for (const Address& a : port.probes) {
      probed.push_back(std::get<0>(a));
      EXPECT_EQ(std::get<1>(a), 2);
    }
    EXPECT_EQ(probed, c.probed);
    EXPECT_EQ(record('D').has_receiver, c.receiver ? 1u : 0u);
    if (c.receiver) {
      EXPECT_EQ(record('D').host_adapter, c.ha);
    }
  }
}

TEST_F(DiscoveryTest, PendingDeviceTypeIsPolled) {
  port.adapters_reported = port.adapters_present = 2;
  cdrom('D', "SCSI\\CD_D", 0, 2, true).pending_polls = 3;
  discover(state, port, host);
  EXPECT_EQ(record('D').has_receiver, 1u);
  ASSERT_GE(port.sleeps.size(), 3u);
  EXPECT_EQ(std::vector<unsigned>(port.sleeps.begin(), port.sleeps.begin() + 3),
            (std::vector<unsigned>{1, 1, 1}));
}

TEST_F(DiscoveryTest, RequestThatNeverCompletesCountsAsNoAnswer) {
  port.adapters_reported = port.adapters_present = 2;
  cdrom('D', "SCSI\\CD_D", 0, 2, true).pending_polls = -1;
  port.drives[Address{1, 2, 0}].pages[0x20] = page_image(kStandalonePageSize, 0x20, 28);

  discover(state, port, host);
  EXPECT_EQ(port.probes.size(), 2u);
  EXPECT_EQ(record('D').has_receiver, 1u);
  EXPECT_EQ(record('D').host_adapter, 1);
}

TEST_F(DiscoveryTest, OnlyDriveClassHardwareKeysAreRead) {
  struct Case {
    const char* key;
    bool read;
  } cases[] = {
      {"SCSI\\TOSHIBA_CD", true}, {"scsi\\cd", true},  {"Esdi\\Disk", true},
      {"FLOP\\A", true},          {"SCSI", false},     {"SCSIX\\CD", false},
      {"HTREE\\ROOT\\0", false},  {"", false},         {"IDE\\CD", false},
      {"ESDI_2\\Disk", false},
  };
  for (const auto& c : cases) host.keys.push_back(c.key);
  discover(state, port, host);
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    if (c.read) expected.push_back(c.key);
  }
  EXPECT_EQ(host.devices_read, expected);
}

TEST_F(DiscoveryTest, DeviceValuesAreReadSafely) {
  struct Case {
    const char* name;
    std::string target;
    uint16_t stored;
    bool probed;
  } cases[] = {
      {"plain", "6", 6, true},
      {"missing", "", 0, true},
      {"leading blank", " 3", 3, true},
      {"trailing text", "4x", 4, true},
      {"not a number", "abc", 0, true},
      {"negative", "-1", 0, true},
      {"too large for ASPI", "300", 300, false},
      {"would overflow", "99999999999999999999", 0xFFFF, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = DriveState{};
    port = FakeAspiPort{};
    host = FakeHost{};
    host.types['D'] = 5;
    DeviceEntry entry;
    entry.letters = "d";
    entry.target = c.target;
    entry.lun = c.target;
    host.add("SCSI\\CD", entry);

    discover(state, port, host);
    EXPECT_EQ(record('D').target, c.stored);
    EXPECT_EQ(record('D').lun, c.stored);
    EXPECT_EQ(port.probes.size(), c.probed ? 1u : 0u);
  }
}

TEST_F(DiscoveryTest, LettersAndProductFromTheRegistry) {
  cdrom('D', "SCSI\\CD_D", 0, 2, true);
  host.devices["SCSI\\CD_D"].product = "A PRODUCT NAME LONGER THAN SIXTEEN";
  host.devices["SCSI\\CD_D"].letters = "1d?D\xC4";
  // A second device naming D again, and one naming E and F.
  cdrom('E', "SCSI\\CD_E", 0, 3, true);
  host.devices["SCSI\\CD_E"].letters = "DEF";
  host.types['F'] = 5;

  discover(state, port, host);
  EXPECT_STREQ(record('D').product, "A PRODUCT NAME L");
  EXPECT_EQ(record('D').target, 2);
  EXPECT_STREQ(state.letters, "DEF");
  EXPECT_EQ(state.receiver_count, 3);
  EXPECT_EQ(record('F').target, 3);
  EXPECT_STREQ(record('F').product, "DRIVE E");
}

TEST_F(DiscoveryTest, EveryAttachRewritesTheTable) {
  cdrom('D', "SCSI\\CD_D", 0, 2, true);
  cdrom('E', "SCSI\\CD_E", 0, 3, true);
  discover(state, port, host);
  ASSERT_STREQ(state.letters, "DE");

  // D: is gone, E: has lost its receiver answer.
  host.keys = {"SCSI\\CD_E"};
  port.drives[Address{0, 3, 0}].pages.clear();
  discover(state, port, host);

  EXPECT_STREQ(state.letters, "");
  EXPECT_EQ(state.receiver_count, 0);
  EXPECT_EQ(state.current, 0);
  EXPECT_STREQ(state.current_text, "");
  EXPECT_EQ(record('D').has_receiver, 0u);
  EXPECT_STREQ(record('D').product, "");
  EXPECT_EQ(record('E').has_receiver, 0u);
}

TEST_F(DiscoveryTest, AllLettersWithReceiversFitTheLetterString) {
  DeviceEntry entry;
  entry.letters = "CDEFGHIJKLMNOPQRSTUVWXYZ";
  entry.target = "1";
  entry.auto_insert = 1;
  host.add("SCSI\\CHANGER", entry);
  for (char l = 'C'; l <= 'Z'; ++l) host.types[l] = 5;
  port.drives[Address{0, 1, 0}].pages[0x20] = page_image(kStandalonePageSize, 0x20, 28);

  discover(state, port, host);
  EXPECT_STREQ(state.letters, "CDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(state.receiver_count, 24);
  EXPECT_STREQ(state.current_text, "C:");
  EXPECT_EQ(host.cleared, (std::vector<std::string>{"SCSI\\CHANGER"}));
  EXPECT_EQ(state.auto_insert_switched_off, 1);
}

}  // namespace
}  // namespace beamhub
