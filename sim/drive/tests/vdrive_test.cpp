#include "sim/drive/vdrive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace vdrive {
namespace {

struct Address {
  uint8_t ha, target, lun;
};
constexpr Address kD{0, 1, 0};  // with receiver
constexpr Address kF{0, 2, 0};  // plain CD-ROM

class DriveTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(*state); }

  // One execute request; data is the buffer handed over (its size is the
  // request's data length).
  aspi::ExecRequest exec(Address at, std::vector<uint8_t> cdb, uint8_t flags,
                         std::vector<uint8_t>* data) {
    aspi::ExecRequest r{};
    r.command = aspi::SC_EXEC_SCSI_CMD;
    r.host_adapter = at.ha;
    r.target = at.target;
    r.lun = at.lun;
    r.flags = flags;
    r.sense_length = 14;
    r.cdb_length = static_cast<uint8_t>(cdb.size());
    std::memcpy(r.cdb, cdb.data(), cdb.size());
    if (data != nullptr) {
      r.data = data->data();
      r.data_length = static_cast<uint32_t>(data->size());
    }
    EXPECT_EQ(execute(*state, r), r.status);
    return r;
  }

  static std::vector<uint8_t> sense_cdb(uint8_t page, uint16_t allocation) {
    return {kOpModeSense10, 0, page, 0, 0, 0, 0, static_cast<uint8_t>(allocation >> 8),
            static_cast<uint8_t>(allocation & 0xFF), 0};
  }
  static std::vector<uint8_t> select_cdb(uint16_t length, uint8_t byte1 = 0x10) {
    return {kOpModeSelect10, byte1, 0, 0, 0, 0, 0, static_cast<uint8_t>(length >> 8),
            static_cast<uint8_t>(length & 0xFF), 0};
  }

  aspi::ExecRequest mode_sense(Address at, uint8_t page, std::vector<uint8_t>& buffer) {
    return exec(at, sense_cdb(page, static_cast<uint16_t>(buffer.size())), aspi::SRB_DIR_IN,
                &buffer);
  }
  aspi::ExecRequest mode_select(Address at, std::vector<uint8_t>& page) {
    return exec(at, select_cdb(static_cast<uint16_t>(page.size())), aspi::SRB_DIR_OUT, &page);
  }

  // A page as it is written back: the mode header, code, length, parameters.
  static std::vector<uint8_t> page_image(uint8_t page, std::size_t size, uint8_t first_param) {
    std::vector<uint8_t> image(size, 0);
    image[8] = page;
    image[9] = static_cast<uint8_t>(size - 10);
    for (std::size_t i = 10; i < size; ++i) image[i] = static_cast<uint8_t>(first_param + i);
    return image;
  }

  std::unique_ptr<MachineState> state = std::make_unique<MachineState>();
};

void expect_sense(const aspi::ExecRequest& r, uint8_t key, uint8_t asc, uint8_t ascq) {
  EXPECT_EQ(r.status, aspi::SS_ERR);
  EXPECT_EQ(r.target_status, kTargetCheckCondition);
  EXPECT_EQ(r.sense[0], 0x70);
  EXPECT_EQ(r.sense[2] & 0x0F, key);
  EXPECT_EQ(r.sense[7], 10);
  EXPECT_EQ(r.sense[12], asc);
  EXPECT_EQ(r.sense[13], ascq);
}

// ---- default machine and device addressing

TEST_F(DriveTest, DefaultMachine) {
  EXPECT_TRUE(is_valid(state.get(), sizeof *state));
  EXPECT_EQ(support_info(*state), 0x0101u);
  const DriveSlot* d = find_drive(*state, 'd');
  const DriveSlot* f = find_drive(*state, 'F');
  ASSERT_NE(d, nullptr);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(d->has_receiver && d->present && d->medium);
  EXPECT_FALSE(f->has_receiver);
  EXPECT_TRUE(f->present);
  EXPECT_EQ(find_drive(*state, 'E'), nullptr);
  EXPECT_EQ(log_count(*state), 0u);

  uint8_t report[kReportPageSize];
  build_report(*d, report);
  EXPECT_EQ(std::vector<uint8_t>(report, report + kReportPageSize),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 10, 0x80, 0xF8, 0, 0, 0, 0, 0, 0,
                                  0, 0}));
  EXPECT_FALSE(d->tray_open);
  EXPECT_EQ(d->queue_count, 0);
  EXPECT_EQ(d->volume_target, kVolumeMixer);
  EXPECT_FALSE(holds_settings(*d));
  EXPECT_EQ(d->audio[8], 0x0E);
  EXPECT_EQ(d->audio[9], 14);
  EXPECT_EQ(d->audio[17], 0xFF);
  EXPECT_EQ(d->audio[19], 0xFF);
  EXPECT_EQ(d->standalone[8], 0x20);
  EXPECT_EQ(d->standalone[9], 28);
  EXPECT_EQ(d->pc_mode[8], 0x21);
  EXPECT_EQ(d->pc_mode[9], 46);
  for (std::size_t i = 10; i < kPcModePageSize; ++i) ASSERT_EQ(d->pc_mode[i], 0) << i;
}

TEST_F(DriveTest, StoredStateValidity) {
  struct Case {
    const char* name;
    std::function<void(MachineState&)> damage;
    std::size_t size;
  };
  const Case cases[] = {
      {"intact", [](MachineState&) {}, sizeof(MachineState)},
      {"wrong magic", [](MachineState& s) { s.magic ^= 1; }, sizeof(MachineState)},
      {"older version", [](MachineState& s) { s.version = kVersion - 1; }, sizeof(MachineState)},
      {"size field", [](MachineState& s) { s.size -= 4; }, sizeof(MachineState)},
      {"file too short", [](MachineState&) {}, sizeof(MachineState) - 1},
      {"file too long", [](MachineState&) {}, sizeof(MachineState) + 1},
  };
  for (const Case& c : cases) {
    auto bytes = std::make_unique<uint8_t[]>(sizeof(MachineState) + 1);
    auto copy = std::make_unique<MachineState>(*state);
    c.damage(*copy);
    std::memcpy(bytes.get(), copy.get(), sizeof(MachineState));
    EXPECT_EQ(is_valid(bytes.get(), c.size), std::string(c.name) == "intact") << c.name;
  }
}

TEST_F(DriveTest, AdapterAndDeviceAnswers) {
  struct Case {
    const char* name;
    Address at;
    std::function<void(MachineState&)> setup;
    uint8_t status;
  };
  const Case cases[] = {
      {"drive with receiver", kD, nullptr, aspi::SS_COMP},
      {"plain drive", kF, nullptr, aspi::SS_COMP},
      {"empty target", {0, 3, 0}, nullptr, aspi::SS_NO_DEVICE},
      {"other LUN", {0, 1, 1}, nullptr, aspi::SS_NO_DEVICE},
      {"adapter beyond count", {1, 1, 0}, nullptr, aspi::SS_INVALID_HA},
      {"drive switched off", kD, [](MachineState& s) { s.drives[0].present = 0; },
       aspi::SS_NO_DEVICE},
      {"moved to second adapter", {1, 1, 0},
       [](MachineState& s) {
         s.adapter_count = 2;
         s.drives[0].host_adapter = 1;
       },
       aspi::SS_COMP},
      {"no adapters", kD, [](MachineState& s) { s.adapter_count = 0; }, aspi::SS_INVALID_HA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    if (c.setup) c.setup(*state);
    aspi::DeviceTypeRequest type{};
    type.command = aspi::SC_GET_DEV_TYPE;
    type.host_adapter = c.at.ha;
    type.target = c.at.target;
    type.lun = c.at.lun;
    EXPECT_EQ(send_request(*state, &type), c.status);
    EXPECT_EQ(type.status, c.status);
    if (c.status == aspi::SS_COMP) {
      EXPECT_EQ(type.device_type, aspi::DTYPE_CDROM);
    }

    // An execute request at the same address fails the same way.
    aspi::ExecRequest r = exec(c.at, {kOpTestUnitReady, 0, 0, 0, 0, 0}, 0, nullptr);
    EXPECT_EQ(r.status, c.status);
  }
}

TEST_F(DriveTest, SupportInfoAndAdapterInquiry) {
  aspi::HaInquiryRequest inquiry{};
  inquiry.command = aspi::SC_HA_INQUIRY;
  EXPECT_EQ(send_request(*state, &inquiry), aspi::SS_COMP);
  EXPECT_EQ(inquiry.adapter_count, 1);
  EXPECT_EQ(std::string(inquiry.manager_id, 14), "ASPI for WIN32");

  inquiry.host_adapter = 1;
  EXPECT_EQ(send_request(*state, &inquiry), aspi::SS_INVALID_HA);

  state->adapter_count = 2;
  EXPECT_EQ(support_info(*state), 0x0102u);
  state->adapter_count = 0;
  EXPECT_EQ(support_info(*state), uint32_t{kSsNoAdapters} << 8);
}

TEST_F(DriveTest, MalformedRequestsAreRefused) {
  uint8_t unknown[16] = {0x7F};
  EXPECT_EQ(send_request(*state, unknown), kSsInvalidSrb);
  EXPECT_EQ(unknown[1], kSsInvalidSrb);
  EXPECT_EQ(send_request(*state, nullptr), kSsInvalidSrb);

  // Command blocks longer than the request holds, or shorter than the
  // operation code's group.
  for (uint8_t length : {0, 6, 17, 255}) {
    SCOPED_TRACE(static_cast<int>(length));
    std::vector<uint8_t> buffer(38);
    aspi::ExecRequest r{};
    r.command = aspi::SC_EXEC_SCSI_CMD;
    r.target = 1;
    r.cdb_length = length;
    r.cdb[0] = kOpModeSense10;
    r.cdb[2] = 0x20;
    r.cdb[8] = 38;
    r.data = buffer.data();
    r.data_length = 38;
    EXPECT_EQ(execute(*state, r), kSsInvalidSrb);
  }
}

// ---- sense results

TEST_F(DriveTest, SenseResults) {
  struct Case {
    const char* name;
    Address at;
    std::function<void(DriveSlot&)> setup;  // on the addressed drive
    std::vector<uint8_t> cdb;
    uint8_t key, asc, ascq;
  };
  const std::vector<uint8_t> tur{kOpTestUnitReady, 0, 0, 0, 0, 0};
  const std::vector<uint8_t> sense20 = sense_cdb(0x20, 38);
  auto no_medium = [](DriveSlot& d) { d.medium = 0; };
  auto not_ready = [](DriveSlot& d) { d.not_ready = 1; };
  auto attention = [](DriveSlot& d) { d.unit_attention = 1; };
  const Case cases[] = {
      {"ready", kD, nullptr, tur, 0, 0, 0},
      {"no medium", kD, no_medium, tur, kKeyNotReady, kAscNoMedium, 0},
      {"receiver works without a disc", kD, no_medium, sense20, 0, 0, 0},
      {"becoming ready", kD, not_ready, tur, kKeyNotReady, kAscNotReady, kAscqBecomingReady},
      {"not ready refuses pages", kD, not_ready, sense20, kKeyNotReady, kAscNotReady,
       kAscqBecomingReady},
      {"unit attention first", kD,
       [](DriveSlot& d) {
         d.unit_attention = 1;
         d.not_ready = 1;
       },
       tur, kKeyUnitAttention, kAscMediumChanged, 0},
      {"unit attention on a page read", kD, attention, sense20, kKeyUnitAttention,
       kAscMediumChanged, 0},
      {"unknown operation", kD, nullptr, {0x28, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       kKeyIllegalRequest, kAscInvalidOpcode, 0},
      {"unknown page", kD, nullptr, sense_cdb(0x1A, 40), kKeyIllegalRequest,
       kAscInvalidFieldInCdb, 0},
      {"page 20 without receiver", kF, nullptr, sense20, kKeyIllegalRequest,
       kAscInvalidFieldInCdb, 0},
      {"page 21 without receiver", kF, nullptr, sense_cdb(0x21, 56), kKeyIllegalRequest,
       kAscInvalidFieldInCdb, 0},
      {"page 00 without receiver", kF, nullptr, sense_cdb(0x00, 20), kKeyIllegalRequest,
       kAscInvalidFieldInCdb, 0},
      {"audio page without receiver", kF, nullptr, sense_cdb(0x0E, 24), 0, 0, 0},
      {"MODE SELECT without PF", kD, nullptr, select_cdb(0, 0x00), kKeyIllegalRequest,
       kAscInvalidFieldInCdb, 0},
      {"INQUIRY of vital product data", kD, nullptr, {kOpInquiry, 1, 0, 0, 36, 0},
       kKeyIllegalRequest, kAscInvalidFieldInCdb, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    DriveSlot* drive = find_device(*state, c.at.ha, c.at.target, c.at.lun);
    ASSERT_NE(drive, nullptr);
    if (c.setup) c.setup(*drive);
    std::vector<uint8_t> buffer(64);
    aspi::ExecRequest r = exec(c.at, c.cdb, 0, &buffer);
    if (c.key == 0) {
      EXPECT_EQ(r.status, aspi::SS_COMP);
      EXPECT_EQ(r.target_status, kTargetGood);
      EXPECT_EQ(r.sense[2], 0);
    } else {
      expect_sense(r, c.key, c.asc, c.ascq);
    }
  }
}

TEST_F(DriveTest, UnitAttentionIsReportedOnce) {
  state->drives[0].unit_attention = 1;
  std::vector<uint8_t> buffer(36);
  // INQUIRY answers without taking the attention.
  EXPECT_EQ(exec(kD, {kOpInquiry, 0, 0, 0, 36, 0}, aspi::SRB_DIR_IN, &buffer).status,
            aspi::SS_COMP);
  expect_sense(mode_sense(kD, 0x00, buffer), kKeyUnitAttention, kAscMediumChanged, 0);
  EXPECT_EQ(mode_sense(kD, 0x00, buffer).status, aspi::SS_COMP);
  EXPECT_EQ(state->drives[0].unit_attention, 0);
  // The other drive never had one.
  EXPECT_EQ(mode_sense(kF, 0x0E, buffer).status, aspi::SS_COMP);
}

TEST_F(DriveTest, SenseIsCopiedUpToItsLength) {
  for (uint8_t length : {0, 3, 14, 16, 255}) {
    SCOPED_TRACE(static_cast<int>(length));
    aspi::ExecRequest r{};
    r.command = aspi::SC_EXEC_SCSI_CMD;
    r.target = 1;
    r.cdb_length = 6;
    r.cdb[0] = 0x1F;  // unknown 6-byte operation
    r.sense_length = length;
    std::memset(r.sense, 0xEE, sizeof r.sense);
    EXPECT_EQ(execute(*state, r), aspi::SS_ERR);
    std::size_t copied = std::min<std::size_t>(length, sizeof r.sense);
    for (std::size_t i = 0; i < sizeof r.sense; ++i) {
      uint8_t expected = 0xEE;
      if (i < copied) expected = i == 0 ? 0x70 : i == 2 ? 5 : i == 7 ? 10 : i == 12 ? 0x20 : 0;
      ASSERT_EQ(r.sense[i], expected) << "byte " << i;
    }
  }
}

TEST_F(DriveTest, InquiryNamesTheDrive) {
  std::vector<uint8_t> buffer(36);
  aspi::ExecRequest r = exec(kF, {kOpInquiry, 0, 0, 0, 36, 0}, aspi::SRB_DIR_IN, &buffer);
  ASSERT_EQ(r.status, aspi::SS_COMP);
  EXPECT_EQ(buffer[0], aspi::DTYPE_CDROM);
  EXPECT_EQ(std::string(buffer.begin() + 8, buffer.begin() + 16), "HALVO   ");
  EXPECT_EQ(std::string(buffer.begin() + 16, buffer.begin() + 22), "CDR-IR");
}

// ---- MODE SENSE transfer

TEST_F(DriveTest, ModeSenseIsCutToAllocationLength) {
  struct Case {
    const char* name;
    uint16_t allocation;
    uint32_t buffer_size;   // the request's data length
    uint8_t flags;
    uint8_t status;
    uint8_t ha_status;
    std::size_t written;    // bytes of the buffer changed
  };
  const Case cases[] = {
      {"whole page", 38, 38, aspi::SRB_DIR_IN, aspi::SS_COMP, 0, 38},
      {"header only", 8, 38, aspi::SRB_DIR_IN, aspi::SS_COMP, 0, 8},
      {"first two bytes", 2, 38, aspi::SRB_DIR_IN, aspi::SS_COMP, 0, 2},
      {"nothing asked", 0, 38, aspi::SRB_DIR_IN, aspi::SS_COMP, 0, 0},
      {"allocation beyond page", 200, 200, aspi::SRB_DIR_IN, aspi::SS_COMP, 0, 38},
      {"direction by command", 38, 38, 0, aspi::SS_COMP, 0, 38},
      {"buffer shorter than transfer", 38, 20, aspi::SRB_DIR_IN, aspi::SS_ERR,
       kHaStatusOverrun, 20},
      {"direction out", 38, 38, aspi::SRB_DIR_OUT, aspi::SS_ERR, kHaStatusOverrun, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    state->drives[0].standalone[12] = 0x5A;
    // Exactly the request's length, so that a write beyond it is caught.
    std::vector<uint8_t> buffer(c.buffer_size, 0xCC);
    aspi::ExecRequest r = exec(kD, sense_cdb(0x20, c.allocation), c.flags, &buffer);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.ha_status, c.ha_status);
    std::vector<uint8_t> expected(c.buffer_size, 0xCC);
    uint8_t image[38] = {0, 36, 0, 0, 0, 0, 0, 0, 0x20, 28, 0, 0, 0x5A};
    std::memcpy(expected.data(), image, c.written);
    EXPECT_EQ(buffer, expected);
  }
}

// ---- MODE SELECT

TEST_F(DriveTest, ModeSelectStoresParameters) {
  struct Case {
    const char* name;
    uint8_t page;
    std::size_t size;
  };
  const Case cases[] = {
      {"stand-alone settings", 0x20, kStandalonePageSize},
      {"PC-mode settings", 0x21, kPcModePageSize},
      {"audio control", 0x0E, kAudioPageSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    std::vector<uint8_t> written = page_image(c.page, c.size, 0x40);
    written[0] = 0x12;       // mode data length as read back: ignored
    written[8] |= 0x80;      // parameters-savable bit as read back: ignored
    ASSERT_EQ(mode_select(kD, written).status, aspi::SS_COMP);

    std::vector<uint8_t> read(c.size);
    ASSERT_EQ(mode_sense(kD, c.page, read).status, aspi::SS_COMP);
    std::vector<uint8_t> expected = page_image(c.page, c.size, 0x40);
    expected[1] = static_cast<uint8_t>(c.size - 2);
    EXPECT_EQ(read, expected);

    // The other drive keeps its own pages.
    std::size_t size = 0;
    const uint8_t* other = page_buffer(state->drives[1], c.page, &size);
    EXPECT_EQ(other[10], 0);
  }
}

TEST_F(DriveTest, ModeSelectRefusesBadPages) {
  struct Case {
    const char* name;
    Address at;
    std::function<void(std::vector<uint8_t>&)> edit;  // on a good page 0x20 image
    uint16_t list_length;                               // 0: the image's size
    uint8_t key, asc;
  };
  const Case cases[] = {
      {"other page code", kD, [](std::vector<uint8_t>& p) { p[8] = 0x21; }, 0,
       kKeyIllegalRequest, kAscInvalidFieldInParameters},
      {"unknown page code", kD, [](std::vector<uint8_t>& p) { p[8] = 0x1A; }, 0,
       kKeyIllegalRequest, kAscInvalidFieldInParameters},
      {"wrong page length", kD, [](std::vector<uint8_t>& p) { p[9] = 27; }, 0,
       kKeyIllegalRequest, kAscInvalidFieldInParameters},
      {"receiver report is read-only", kD,
       [](std::vector<uint8_t>& p) {
         p.resize(kReportPageSize);
         p[8] = 0x00;
         p[9] = 10;
       },
       0, kKeyIllegalRequest, kAscInvalidFieldInParameters},
      {"block descriptors", kD, [](std::vector<uint8_t>& p) { p[7] = 8; }, 0,
       kKeyIllegalRequest, kAscInvalidFieldInParameters},
      {"list shorter than the page", kD, nullptr, 30, kKeyIllegalRequest,
       kAscParameterListLength},
      {"list longer than the page", kD, [](std::vector<uint8_t>& p) { p.resize(40); }, 0,
       kKeyIllegalRequest, kAscParameterListLength},
      {"header only", kD, [](std::vector<uint8_t>& p) { p.resize(8); }, 0,
       kKeyIllegalRequest, kAscParameterListLength},
      {"drive without receiver", kF, nullptr, 0, kKeyIllegalRequest,
       kAscInvalidFieldInParameters},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    auto before = std::make_unique<MachineState>(*state);
    std::vector<uint8_t> image = page_image(0x20, kStandalonePageSize, 1);
    if (c.edit) c.edit(image);
    uint16_t length = c.list_length != 0 ? c.list_length : static_cast<uint16_t>(image.size());
    aspi::ExecRequest r = exec(c.at, select_cdb(length), aspi::SRB_DIR_OUT, &image);
    expect_sense(r, c.key, c.asc, 0);
    EXPECT_EQ(std::memcmp(state->drives, before->drives, sizeof state->drives), 0)
        << "pages changed";
  }
}

TEST_F(DriveTest, ModeSelectTransferErrors) {
  std::vector<uint8_t> image = page_image(0x20, kStandalonePageSize, 1);
  // Parameter list longer than the buffer handed over.
  std::vector<uint8_t> short_buffer(image.begin(), image.begin() + 20);
  aspi::ExecRequest r = exec(kD, select_cdb(38), aspi::SRB_DIR_OUT, &short_buffer);
  EXPECT_EQ(r.status, aspi::SS_ERR);
  EXPECT_EQ(r.ha_status, kHaStatusOverrun);
  // Data-in direction for a data-out command.
  r = exec(kD, select_cdb(38), aspi::SRB_DIR_IN, &image);
  EXPECT_EQ(r.ha_status, kHaStatusOverrun);
  // No buffer at all.
  r = exec(kD, select_cdb(38), aspi::SRB_DIR_OUT, nullptr);
  EXPECT_EQ(r.ha_status, kHaStatusOverrun);
  EXPECT_EQ(state->drives[0].standalone[10], 0);
  // An empty list is no change.
  EXPECT_EQ(exec(kD, select_cdb(0), aspi::SRB_DIR_OUT, nullptr).status, aspi::SS_COMP);
}

// ---- refusing page 0x20

TEST_F(DriveTest, RefusePage20Counter) {
  struct Case {
    const char* name;
    uint8_t count;
    RefuseMode mode;
    int refused;          // reads refused before the page comes back
    uint8_t count_after;  // counter after those reads
  };
  const Case cases[] = {
      {"twice with sense", 2, kRefuseWithSense, 2, 0},
      {"once with the wrong page", 1, kRefuseWithWrongPage, 1, 0},
      {"always with sense", kRefuseAlways, kRefuseWithSense, 12, kRefuseAlways},
      {"always with the wrong page", kRefuseAlways, kRefuseWithWrongPage, 12, kRefuseAlways},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    DriveSlot& d = state->drives[0];
    d.refuse_20 = c.count;
    d.refuse_mode = c.mode;
    std::vector<uint8_t> buffer(kStandalonePageSize);
    // Other pages do not count.
    std::vector<uint8_t> other(kPcModePageSize);
    ASSERT_EQ(mode_sense(kD, 0x21, other).status, aspi::SS_COMP);
    for (int i = 0; i < c.refused; ++i) {
      std::fill(buffer.begin(), buffer.end(), 0);
      aspi::ExecRequest r = mode_sense(kD, 0x20, buffer);
      if (c.mode == kRefuseWithSense) {
        expect_sense(r, kKeyIllegalRequest, kAscInvalidFieldInCdb, 0);
      } else {
        ASSERT_EQ(r.status, aspi::SS_COMP);
        EXPECT_NE(buffer[8] & 0x3F, 0x20);
        EXPECT_NE(buffer[9], 28);
      }
    }
    EXPECT_EQ(d.refuse_20, c.count_after);
    if (c.count != kRefuseAlways) {
      ASSERT_EQ(mode_sense(kD, 0x20, buffer).status, aspi::SS_COMP);
      EXPECT_EQ(buffer[8], 0x20);
      EXPECT_EQ(buffer[9], 28);
    }
  }
}

// ---- command log

TEST_F(DriveTest, LogRecordsCommands) {
  std::vector<uint8_t> image = page_image(0x21, kPcModePageSize, 0);
  mode_select(kD, image);
  std::vector<uint8_t> buffer(kStandalonePageSize);
  exec(kF, sense_cdb(0x20, 38), aspi::SRB_DIR_IN, &buffer);
  mode_sense(kD, 0x0E, buffer);
  exec({0, 5, 0}, {kOpTestUnitReady, 0, 0, 0, 0, 0}, 0, nullptr);

  ASSERT_EQ(log_count(*state), 4u);
  const LogEntry& select = log_entry(*state, 0);
  EXPECT_EQ(select.seq, 1u);
  EXPECT_EQ(select.letter, 'D');
  EXPECT_EQ(select.opcode, kOpModeSelect10);
  EXPECT_EQ(select.page, 0x21);
  EXPECT_EQ(select.direction, aspi::SRB_DIR_OUT);
  EXPECT_EQ(select.length, kPcModePageSize);
  EXPECT_EQ(select.status, aspi::SS_COMP);
  EXPECT_EQ(select.data_count, kLogDataSize > kPcModePageSize ? kPcModePageSize : kLogDataSize);
  EXPECT_EQ(std::memcmp(select.data, image.data(), select.data_count), 0);

  const LogEntry& refused = log_entry(*state, 1);
  EXPECT_EQ(refused.letter, 'F');
  EXPECT_EQ(refused.page, 0x20);
  EXPECT_EQ(refused.status, aspi::SS_ERR);
  EXPECT_EQ(refused.sense_key, kKeyIllegalRequest);
  EXPECT_EQ(refused.asc, kAscInvalidFieldInCdb);
  EXPECT_EQ(refused.data_count, 0);

  const LogEntry& audio = log_entry(*state, 2);
  EXPECT_EQ(audio.data_count, kAudioPageSize);
  EXPECT_EQ(audio.data[17], 0xFF);

  const LogEntry& nobody = log_entry(*state, 3);
  EXPECT_EQ(nobody.letter, '?');
  EXPECT_EQ(nobody.status, aspi::SS_NO_DEVICE);
  EXPECT_EQ(nobody.page, kNoPage);
}

TEST_F(DriveTest, LogRingWrapsAndClears) {
  const uint32_t total = kLogSize + 10;
  for (uint32_t i = 0; i < total; ++i) {
    // The allocation length tells the commands apart.
    exec(kD, sense_cdb(0x20, static_cast<uint16_t>(i)), aspi::SRB_DIR_IN, nullptr);
  }
  ASSERT_EQ(log_count(*state), kLogSize);
  for (uint32_t i = 0; i < kLogSize; ++i) {
    const LogEntry& entry = log_entry(*state, i);
    ASSERT_EQ(entry.seq, 11 + i);
    ASSERT_EQ(entry.length, (10 + i) & 0xFFFF);
  }

  clear_log(*state);
  EXPECT_EQ(log_count(*state), 0u);
  exec(kD, {kOpTestUnitReady, 0, 0, 0, 0, 0}, 0, nullptr);
  ASSERT_EQ(log_count(*state), 1u);
  EXPECT_EQ(log_entry(*state, 0).seq, total + 1);  // numbering goes on
}

}  // namespace
}  // namespace vdrive
