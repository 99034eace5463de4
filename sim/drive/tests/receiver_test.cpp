#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/drive/vdrive.h"

namespace vdrive {
namespace {

constexpr uint8_t kPlay[kCodeSize] = {0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5};
constexpr uint8_t kStop[kCodeSize] = {0x15, 0xEA, 0x4E, 0xB1, 0x0A, 0xF5};

// Bytes 10-18 of a report: kind, medium/status, then the kind's fields.
using Fields = std::vector<uint8_t>;

Fields code_fields(uint8_t status_byte, const uint8_t (&code)[kCodeSize], uint8_t value) {
  return {0x40, status_byte, code[0], code[1], code[2], code[3], code[4], code[5], value};
}
Fields event_fields(uint8_t status_byte, uint8_t low, uint8_t high, uint8_t value) {
  return {0x00, status_byte, 0, low, high, value, 0, 0, 0};
}
Fields nothing_fields(uint8_t status_byte) { return {0x80, status_byte, 0, 0, 0, 0, 0, 0, 0}; }

class ReceiverTest : public ::testing::Test {
 public:
  void SetUp() override { reset(*state); }

  DriveSlot& d() { return state->drives[0]; }

  aspi::ExecRequest command(uint8_t target, std::vector<uint8_t> cdb, uint8_t flags,
                            std::vector<uint8_t>* data) {
    aspi::ExecRequest r{};
    r.command = aspi::SC_EXEC_SCSI_CMD;
    r.target = target;
    r.flags = flags;
    r.sense_length = 14;
    r.cdb_length = 10;
    std::memcpy(r.cdb, cdb.data(), cdb.size());
    if (data != nullptr) {
      r.data = data->data();
      r.data_length = static_cast<uint32_t>(data->size());
    }
    execute(*state, r);
    return r;
  }

  // One MODE SENSE of page 0x00 on D:, as the poll reads it.
  std::vector<uint8_t> read() {
    std::vector<uint8_t> buffer(kReportPageSize, 0xCC);
    aspi::ExecRequest r =
        command(1, {kOpModeSense10, 0, kPageReport, 0, 0, 0, 0, 0, kReportPageSize, 0},
                aspi::SRB_DIR_IN, &buffer);
    EXPECT_EQ(r.status, aspi::SS_COMP);
    EXPECT_EQ(buffer[1], kReportPageSize - 2);
    EXPECT_EQ(buffer[8], kPageReport);
    EXPECT_EQ(buffer[9], 10);
    return buffer;
  }
  Fields read_fields() {
    std::vector<uint8_t> report = read();
    return Fields(report.begin() + 10, report.begin() + 19);
  }

  aspi::ExecRequest select(uint8_t page, std::size_t size, uint8_t first_param) {
    std::vector<uint8_t> image(size, 0);
    image[8] = page;
    image[9] = static_cast<uint8_t>(size - 10);
    image[10] = first_param;
    image[11] = first_param;
    return command(1, {kOpModeSelect10, 0x10, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(size), 0},
                   aspi::SRB_DIR_OUT, &image);
  }

  std::unique_ptr<MachineState> state = std::make_unique<MachineState>();
};

TEST_F(ReceiverTest, ReportsAreReadInTurnAndHeldOnesRepeat) {
  ASSERT_TRUE(queue_report(d(), code_report(kPlay, 0x07, 3)));
  ASSERT_TRUE(queue_report(d(), event_report(0x0403, 0x21)));
  ASSERT_TRUE(queue_report(d(), nothing_report(2)));
  ASSERT_TRUE(queue_report(d(), code_report(kStop, 0, 1)));
  // Default drive: flags 0x20 (mixer), medium 15, status 8.
  const struct {
    const char* name;
    Fields fields;
  } reads[] = {
      {"held Play, read 1", code_fields(0xF8, kPlay, 0x07)},
      {"held Play, read 2", code_fields(0xF8, kPlay, 0x07)},
      {"held Play, read 3", code_fields(0xF8, kPlay, 0x07)},
      {"event bits 0, 1 and 10", event_fields(0xF8, 0x03, 0x24, 0x21)},
      {"a pause, read 1", nothing_fields(0xF8)},
      {"a pause, read 2", nothing_fields(0xF8)},
      {"Stop", code_fields(0xF8, kStop, 0)},
      {"empty queue", nothing_fields(0xF8)},
      {"still empty", nothing_fields(0xF8)},
  };
  for (const auto& r : reads) EXPECT_EQ(read_fields(), r.fields) << r.name;
  EXPECT_EQ(d().queue_count, 0);

  // Every read is a log entry of its own.
  ASSERT_EQ(log_count(*state), 9u);
  for (uint32_t i = 0; i < 9; ++i) {
    const LogEntry& e = log_entry(*state, i);
    EXPECT_EQ(e.page, kPageReport);
    EXPECT_EQ(e.data_count, kReportPageSize);
  }
}

TEST_F(ReceiverTest, OnlyAnsweredReadsConsumeTheQueue) {
  struct Case {
    const char* name;
    std::function<void(MachineState&)> setup;
    std::vector<uint8_t> cdb;
  };
  const Case cases[] = {
      {"unit attention", [](MachineState& s) { s.drives[0].unit_attention = 1; },
       {kOpModeSense10, 0, 0x00, 0, 0, 0, 0, 0, 20, 0}},
      {"becoming ready", [](MachineState& s) { s.drives[0].not_ready = 1; },
       {kOpModeSense10, 0, 0x00, 0, 0, 0, 0, 0, 20, 0}},
      {"page 20 answered with the report", [](MachineState& s) {
         s.drives[0].refuse_20 = 1;
         s.drives[0].refuse_mode = kRefuseWithWrongPage;
       },
       {kOpModeSense10, 0, 0x20, 0, 0, 0, 0, 0, 38, 0}},
      {"another page", nullptr, {kOpModeSense10, 0, 0x0E, 0, 0, 0, 0, 0, 24, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    ASSERT_TRUE(queue_report(d(), code_report(kPlay, 0, 1)));
    if (c.setup) c.setup(*state);
    std::vector<uint8_t> buffer(64);
    command(1, c.cdb, aspi::SRB_DIR_IN, &buffer);
    EXPECT_EQ(d().queue_count, 1);
    d().unit_attention = 0;
    d().not_ready = 0;
    EXPECT_EQ(read_fields(), code_fields(0xF8, kPlay, 0));
  }
}

TEST_F(ReceiverTest, DriveEventsCarryTheDriveFlags) {
  struct Case {
    const char* name;
    std::function<void(ReceiverTest&)> setup;
    uint8_t byte14;  // of an event with bit 9 (special-mode toggle)
  };
  const Case cases[] = {
      {"power-on: mixer only", nullptr, 0x22},
      {"drive takes the volume", [](ReceiverTest& t) { t.d().volume_target = kVolumeDrive; },
       0x02},
      {"page 20 alone is not enough", [](ReceiverTest& t) { t.select(0x20, 38, 0); }, 0x22},
      {"page 21 alone is not enough", [](ReceiverTest& t) { t.select(0x21, 56, 0); }, 0x22},
      {"both settings pages written",
       [](ReceiverTest& t) {
         t.select(0x21, 56, 0);
         t.select(0x20, 38, 0);
       },
       0x2A},
      {"special mode from page 20",
       [](ReceiverTest& t) {
         t.select(0x20, 38, kSpecialModeBit);
         t.select(0x21, 56, 0);
       },
       0x3A},
      {"other bits of page 20 are not special mode",
       [](ReceiverTest& t) { t.select(0x20, 38, static_cast<uint8_t>(~kSpecialModeBit)); },
       0x22},
      {"a refused page 21 does not count",
       [](ReceiverTest& t) {
         t.select(0x20, 38, 0);
         EXPECT_EQ(t.select(0x21, 40, 0).status, aspi::SS_ERR);
       },
       0x22},
      {"settings lost after a power cycle",
       [](ReceiverTest& t) {
         t.select(0x20, 38, kSpecialModeBit);
         t.select(0x21, 56, 0);
         lose_settings(t.d());
       },
       0x22},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    if (c.setup) c.setup(*this);
    ASSERT_TRUE(queue_report(d(), event_report(0x0200, 0)));
    EXPECT_EQ(read_fields(), event_fields(0xF8, 0x00, c.byte14, 0));
  }
  // A power cycle also gives back the default pages.
  std::vector<uint8_t> page(38);
  command(1, {kOpModeSense10, 0, 0x20, 0, 0, 0, 0, 0, 38, 0}, aspi::SRB_DIR_IN, &page);
  EXPECT_EQ(page[11], 0);
}

TEST_F(ReceiverTest, AFullQueueRefusesAndKeepsItsOrder) {
  for (int i = 0; i < kQueueSize; ++i) {
    uint8_t code[kCodeSize] = {static_cast<uint8_t>(i)};
    ASSERT_TRUE(queue_report(d(), code_report(code, 0, 1))) << i;
  }
  auto before = std::make_unique<MachineState>(*state);
  EXPECT_FALSE(queue_report(d(), event_report(1, 0)));
  EXPECT_FALSE(close_tray(d()));
  EXPECT_FALSE(change_disc(d(), 4, "Z:\\discs\\audio"));
  EXPECT_EQ(std::memcmp(state->drives, before->drives, sizeof state->drives), 0);

  // Room again after reads, and the ring keeps the order across its end.
  for (int i = 0; i < 10; ++i) EXPECT_EQ(read_fields()[2], i);
  for (int i = 0; i < 10; ++i) {
    uint8_t code[kCodeSize] = {static_cast<uint8_t>(kQueueSize + i)};
    ASSERT_TRUE(queue_report(d(), code_report(code, 0, 1)));
  }
  EXPECT_EQ(queue_room(d()), 0);
  for (int i = 10; i < kQueueSize + 10; ++i) ASSERT_EQ(read_fields()[2], i);
  EXPECT_EQ(read_fields()[0], 0x80);
}

TEST_F(ReceiverTest, TrayAndDiscAsTheReportsShowThem) {
  struct Case {
    const char* name;
    std::function<void(DriveSlot&)> act;
    std::vector<Fields> reads;  // the reads that follow, in order
  };
  const Fields none = event_fields(0, 0, 0x20, 0);  // byte 11 filled in below
  auto with_status = [](Fields f, uint8_t status_byte) {
    f[1] = status_byte;
    return f;
  };
  const Case cases[] = {
      {"eject: open, unknown medium, and it stays so",
       [](DriveSlot& s) { open_tray(s); },
       {nothing_fields(0xF0), nothing_fields(0xF0)}},
      {"close with the disc: closed once, the event, then stopped",
       [](DriveSlot& s) {
         s.disc_type = 9;
         open_tray(s);
         close_tray(s);
       },
       {with_status(none, 0x91), nothing_fields(0x98), nothing_fields(0x98)}},
      {"close without a disc: no event",
       [](DriveSlot& s) {
         open_tray(s);
         take_disc(s);
         close_tray(s);
       },
       {nothing_fields(0xF1), nothing_fields(0xF8)}},
      {"disc changed in a closed drive: open, closed with the event, stopped",
       [](DriveSlot& s) { change_disc(s, 4, "Z:\\audio"); },
       {nothing_fields(0xF0), with_status(none, 0x41), nothing_fields(0x48)}},
      {"a waiting button comes first; the event still follows the closing",
       [](DriveSlot& s) {
         queue_report(s, code_report(kPlay, 0, 1));
         change_disc(s, 5, "Z:\\mixed");
       },
       {code_fields(0xF0, kPlay, 0), nothing_fields(0x51), with_status(none, 0x58)}},
      {"a disc put into the open tray is not seen yet",
       [](DriveSlot& s) {
         open_tray(s);
         change_disc(s, 8, "Z:\\cdi");
       },
       {nothing_fields(0xF0), nothing_fields(0xF0)}},
      {"play status set by hand stays",
       [](DriveSlot& s) { set_play_status(s, 5); },
       {nothing_fields(0xF5), nothing_fields(0xF5)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(*state);
    c.act(d());
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      EXPECT_EQ(read_fields(), c.reads[i]) << "read " << i + 1;
    }
  }
}

TEST_F(ReceiverTest, FilesShownAndMediumByTrayState) {
  std::vector<uint8_t> none;
  auto unit_ready = [&]() {
    return command(1, {kOpTestUnitReady, 0, 0, 0, 0, 0}, 0, &none).status == aspi::SS_COMP;
  };
  ASSERT_TRUE(change_disc(d(), 9, "Z:\\discs\\videocd"));
  EXPECT_STREQ(shown_folder(d()), "Z:\\discs\\videocd");
  EXPECT_TRUE(unit_ready());

  open_tray(d());
  EXPECT_STREQ(shown_folder(d()), "");
  EXPECT_FALSE(unit_ready());
  ASSERT_TRUE(close_tray(d()));
  EXPECT_STREQ(shown_folder(d()), "Z:\\discs\\videocd");
  EXPECT_EQ(d().disc_type, 9);

  open_tray(d());
  take_disc(d());
  ASSERT_TRUE(close_tray(d()));
  EXPECT_STREQ(shown_folder(d()), "");
  EXPECT_FALSE(unit_ready());

  std::string long_name(kFolderSize, 'x');
  EXPECT_FALSE(change_disc(d(), 0, long_name.c_str()));
  EXPECT_FALSE(d().medium);
}

TEST_F(ReceiverTest, ADriveWithoutReceiverQueuesNothing) {
  DriveSlot& f = state->drives[1];
  ASSERT_TRUE(change_disc(f, 4, "Z:\\audio"));
  EXPECT_EQ(f.queue_count, 0);
  EXPECT_EQ(f.play_status, kStatusIdle);
  open_tray(f);
  ASSERT_TRUE(close_tray(f));
  EXPECT_EQ(f.queue_count, 0);
  EXPECT_EQ(f.play_status, kStatusIdle);
  EXPECT_EQ(medium_nibble(f), 4);
}

}  // namespace
}  // namespace vdrive
