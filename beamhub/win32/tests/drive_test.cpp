// The library and the virtual drive: finding the receiver drives, switching
// off AutoInsertNotification, and programming the drive's remote settings
// when the first process loads the library and when the last one leaves.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "beamhub/mmcd.h"
#include "beamhub/win32/tests/client_process.h"
#include "beamhub/win32/tests/machine.h"

namespace itest {
namespace {

const uint8_t kPage20 = 0x20;
const uint8_t kPage21 = 0x21;

bool is_mode_sense_20(const vdrive::LogEntry& e) {
  return e.opcode == kModeSense && e.page == kPage20;
}

// ---- discovery ----

using DiscoveryTest = MachineTest;

TEST_F(DiscoveryTest, FindsTheDrivesWhoseReceiverAnswers) {
  const struct {
    const char* name;
    const char* remote;     // halvo-remote arguments, or null
    const char* receivers;  // drives expected to have one
    int attempts_on_d;      // MODE SENSE of page 0x20 sent to D:
    bool d_answers;         // the last of them answered with the page
  } rows[] = {
      {"default machine", NULL, "D", 1, true},
      {"F: with a receiver too", "drive F --receiver on", "DF", 1, true},
      {"D: refuses page 0x20 ten times", "drive D --refuse-20 10", "", 10, false},
      {"D: refuses it nine times", "drive D --refuse-20 9", "D", 10, true},
      {"D: answers nine times with another page", "drive D --refuse-20 9 --refuse-mode wrong-page",
       "D", 10, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(run_remote("reset"));
    if (row.remote) {
      std::string output;
      ASSERT_TRUE(run_remote(row.remote, &output)) << output;
    }
    // Receiver letters come in the order the hardware registry lists the drives.
    std::string letters;
    for (const DriveEntry& entry : drive_entries())
      if (strchr(row.receivers, entry.letter)) letters += entry.letter;

    ClientProcess client;
    ASSERT_TRUE(client.start());
    std::string registered = client.run("register");
    if (letters.empty()) {
      EXPECT_EQ(MMCD_ERR_NO_RECEIVER, hex_field(registered, "status")) << registered;
      EXPECT_EQ(0u, hex_field(registered, "handle")) << registered;
      EXPECT_EQ("lasterror 80000001", client.run("lasterror"));
    } else {
      ASSERT_EQ(MMCD_OK, hex_field(registered, "status")) << registered;
      std::string drive = client.run("getcap 0x1001");
      EXPECT_EQ(letters.substr(0, 1) + ":", field(drive, "current")) << drive;
      EXPECT_EQ(letters, field(drive, "letters")) << drive;
    }

    std::vector<vdrive::LogEntry> sensed;
    for (const vdrive::LogEntry& e : drive_log())
      if (e.letter == 'D' && is_mode_sense_20(e)) sensed.push_back(e);
    ASSERT_EQ(static_cast<size_t>(row.attempts_on_d), sensed.size());
    for (size_t i = 0; i < sensed.size(); ++i) {
      const vdrive::LogEntry& e = sensed[i];
      bool answered = e.sense_key == 0 && e.data_count >= 10 && (e.data[8] & 0x3F) == kPage20;
      EXPECT_EQ(row.d_answers && i + 1 == sensed.size(), answered) << "attempt " << i + 1;
    }
    ASSERT_TRUE(client.quit());
  }
}

// ---- AutoInsertNotification ----

using AutoInsertTest = MachineTest;

TEST_F(AutoInsertTest, SwitchedOffOnceOnTheReceiverDrive) {
  ASSERT_TRUE(set_auto_insert(true));
  const std::string d_key = drive_entry_key('D');
  const std::string f_key = drive_entry_key('F');
  ASSERT_FALSE(f_key.empty());
  HKEY watched;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, d_key.c_str(), 0, KEY_NOTIFY, &watched));
  HANDLE written = CreateEventA(NULL, TRUE, FALSE, NULL);
  ASSERT_EQ(ERROR_SUCCESS,
            RegNotifyChangeKeyValue(watched, FALSE, REG_NOTIFY_CHANGE_LAST_SET, written, TRUE));

  const std::vector<BYTE> off = {0x00}, on = {0x01};
  ClientProcess first, second;
  ASSERT_TRUE(first.start());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(written, 2000)) << "D:'s entry was not written";
  RegistryValue d = read_value(HKEY_LOCAL_MACHINE, d_key, "AutoInsertNotification");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), d.type);
  EXPECT_EQ(off, d.data);
  // F: has no receiver: its entry is left alone.
  EXPECT_EQ(on, read_value(HKEY_LOCAL_MACHINE, f_key, "AutoInsertNotification").data);

  // The next load finds it off and writes nothing. Wine reports no write of
  // the same data, so it is set off here as a REG_DWORD 0, which reads as off
  // just the same: writing it again would make it one byte.
  const DWORD zero = 0;
  HKEY device;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, d_key.c_str(), 0, KEY_SET_VALUE, &device));
  RegSetValueExA(device, "AutoInsertNotification", 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&zero), sizeof zero);
  RegCloseKey(device);
  ResetEvent(written);
  ASSERT_EQ(ERROR_SUCCESS,
            RegNotifyChangeKeyValue(watched, FALSE, REG_NOTIFY_CHANGE_LAST_SET, written, TRUE));
  ASSERT_TRUE(second.start());
  EXPECT_EQ(MMCD_OK, hex_field(second.run("register"), "status"));
  EXPECT_EQ("D:", field(second.run("getcap 0x1001"), "current"));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(written, 200));
  d = read_value(HKEY_LOCAL_MACHINE, d_key, "AutoInsertNotification");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), d.type);
  EXPECT_EQ(std::vector<BYTE>(4, 0x00), d.data);

  CloseHandle(written);
  RegCloseKey(watched);
}

// ---- programming ----

// Parameter bytes of the pages a button-map file asks for.
struct ExpectedPages {
  std::vector<uint8_t> standalone;  // page 0x20, 28 bytes
  std::vector<uint8_t> pc_mode;     // page 0x21, 46 bytes
};

ExpectedPages expected_pages(const std::string& map, bool pc_mode) {
  ExpectedPages pages;
  pages.standalone = profile_hex(map, "Control", "StandardMode");
  pages.pc_mode = profile_hex(map, "Control", "RemoteMode");
  if (pages.standalone.size() != 28) return pages;
  // Mapping values: flags, count, then the code bytes.
  auto code = [&](const char* button) {
    std::vector<uint8_t> v = profile_hex(map, "Mapping", button);
    v.erase(v.begin(), v.begin() + std::min<size_t>(2, v.size()));
    v.resize(6);
    return v;
  };
  std::vector<uint8_t>& p = pages.standalone;
  p[1] = static_cast<uint8_t>((p[1] & ~0x03) | (pc_mode ? 0x01 : 0x00));
  p[3] = 1;
  std::vector<uint8_t> play = code("Play");
  std::copy(play.begin() + 2, play.begin() + 6, p.begin() + 5);
  const char* overlay[] = {"Play",          "NextTrack", "PrevTrack",  "SkipForwards",
                           "SkipBackwards", "VolumeUp",  "VolumeDown", "Stop",
                           "Pause"};
  for (int k = 0; k < 9; ++k) {
    std::vector<uint8_t> c = code(overlay[k]);
    p[9 + 2 * k] = c[1];
    p[10 + 2 * k] = c[0];
  }
  return pages;
}

std::vector<uint8_t> parameters(const vdrive::LogEntry& e, size_t count) {
  size_t end = std::min<size_t>(e.data_count, 10 + count);
  return end > 10 ? std::vector<uint8_t>(e.data + 10, e.data + end) : std::vector<uint8_t>();
}

// The MODE SELECTs of the settings pages in the log from first on.
std::vector<vdrive::LogEntry> settings_writes(const std::vector<vdrive::LogEntry>& log,
                                              size_t first) {
  std::vector<vdrive::LogEntry> writes;
  for (size_t i = first; i < log.size(); ++i)
    if (log[i].opcode == kModeSelect && (log[i].page == kPage20 || log[i].page == kPage21))
      writes.push_back(log[i]);
  return writes;
}

// Six MODE SELECTs to D:, pages 0x20 and 0x21 three times, with the
// parameters of map, from log[first] on.
void expect_programmed(const std::vector<vdrive::LogEntry>& log, size_t first,
                       const std::string& map, bool pc_mode) {
  ASSERT_LE(first + 6, log.size()) << "six settings writes expected";
  ExpectedPages expected = expected_pages(map, pc_mode);
  ASSERT_EQ(28u, expected.standalone.size());
  ASSERT_EQ(46u, expected.pc_mode.size());
  for (size_t i = 0; i < 6; ++i) {
    const vdrive::LogEntry& e = log[first + i];
    SCOPED_TRACE("command " + std::to_string(i + 1));
    const bool standalone = i % 2 == 0;
    EXPECT_EQ('D', e.letter);
    EXPECT_EQ(kModeSelect, e.opcode);
    ASSERT_EQ(standalone ? kPage20 : kPage21, e.page);
    EXPECT_EQ(0, e.sense_key);
    ASSERT_GE(e.data_count, 10);
    EXPECT_EQ(e.page, e.data[8] & 0x3F);
    EXPECT_EQ(standalone ? 28 : 46, e.data[9]);
    if (standalone) {
      EXPECT_EQ(expected.standalone, parameters(e, 28));
    } else {
      EXPECT_EQ(expected.pc_mode, parameters(e, 46));
    }
  }
}

// Index after the log's last MODE SENSE of page 0x20 (the end of a discovery).
size_t after_last_sense(const std::vector<vdrive::LogEntry>& log) {
  size_t at = 0;
  for (size_t i = 0; i < log.size(); ++i)
    if (log[i].opcode == kModeSense && log[i].page == kPage20) at = i + 1;
  return at;
}

// zk.rcb with the overlay bytes of StandardMode cleared and its byte 3 at
// 0, and bytes 1 with both mode bits set: only the library's own changes and
// the overlay from [Mapping] can give the expected page.
std::string write_overlay_map() {
  std::ifstream in(program_folder() + "zk.rcb");
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, 13, "StandardMode=") == 0) {
      std::string hex = line.substr(13);
      for (size_t byte = 3; byte < 27; ++byte)
        if (byte == 3 || byte >= 5) hex.replace(2 * byte, 2, "00");
      hex.replace(2, 2, "03");
      line = "StandardMode=" + hex;
    }
    out << line << "\n";
  }
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  std::string path = std::string(folder) + "itest-overlay.rcb";
  std::ofstream(path) << out.str();
  return path;
}

using ProgrammingTest = MachineTest;

TEST_F(ProgrammingTest, FirstLoadSetsPcModeAndLastDetachClearsIt) {
  const struct {
    const char* name;
    bool fixture;
  } rows[] = {
      {"shipped zk.rcb", false},
      {"overlay taken from the mapping", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(change_drive([](vdrive::MachineState& state) { vdrive::reset(state); }));
    RegDeleteKeyA(HKEY_CURRENT_USER, kSuiteKey);
    std::string map = program_folder() + "zk.rcb";
    if (row.fixture) {
      map = write_overlay_map();
      ASSERT_TRUE(write_string(HKEY_CURRENT_USER, kSuiteKey, "RemoteController", map));
    }

    // Announcements program the drive too: without voice only loading and leaving do.
    ASSERT_TRUE(write_dword(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice", 0));

    ClientProcess a, b;
    ASSERT_TRUE(a.start());
    std::vector<vdrive::LogEntry> writes = settings_writes(drive_log(), 0);
    expect_programmed(writes, 0, map, true);

    // Another attach and a detach that is not the last send no MODE SELECT.
    ASSERT_TRUE(b.start());
    ASSERT_TRUE(a.quit());
    std::vector<vdrive::LogEntry> log = drive_log();
    EXPECT_TRUE(settings_writes(log, after_last_sense(log)).empty());

    // The poll's reads come before the last detach: its writes end the log.
    ASSERT_TRUE(b.end_input());
    log = drive_log();
    ASSERT_GE(log.size(), 6u);
    expect_programmed(log, log.size() - 6, map, false);
    if (row.fixture) DeleteFileA(map.c_str());
  }
}

}  // namespace
}  // namespace itest
