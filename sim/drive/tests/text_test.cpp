#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/drive/button_code.h"
#include "sim/drive/disc_info.h"
#include "sim/drive/remote_commands.h"

namespace vdrive {
namespace {

using Code = std::vector<uint8_t>;

Code as_vector(const uint8_t (&code)[kCodeSize]) { return Code(code, code + kCodeSize); }

TEST(MappingValue, DecodesAsTheLibraryReadsIt) {
  struct Case {
    const char* name;
    std::string value;
    bool maps;
    Code code;
  };
  const Case cases[] = {
      {"six bytes", "010614eb4eb10af5", true, {0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5}},
      {"two bytes, then zeros", "0102a55a", true, {0xA5, 0x5A, 0, 0, 0, 0}},
      {"auto-repeat flags", "11061ce34eb10af5", true, {0x1C, 0xE3, 0x4E, 0xB1, 0x0A, 0xF5}},
      {"upper-case pair gives 0", "01031CaB30", true, {0x00, 0x00, 0x30, 0, 0, 0}},
      {"beyond 16 characters is ignored", "010614eb4eb10af5ff", true,
       {0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5}},
      {"text after the code", "0101ffjunk", true, {0xFF, 0, 0, 0, 0, 0}},
      {"default of a missing key", "Unknown", false, {}},
      {"count 0: not mapped", "0100", false, {}},
      {"count above 6", "0107141414141414", false, {}},
      {"fewer bytes than counted", "010314eb", false, {}},
      {"upper-case count", "010A", false, {}},
      {"too short", "010", false, {}},
      {"empty", "", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t code[kCodeSize] = {9, 9, 9, 9, 9, 9};
    std::string error;
    EXPECT_EQ(decode_mapping(c.value, code, error), c.maps);
    if (c.maps) EXPECT_EQ(as_vector(code), c.code);
    else EXPECT_NE(error.find(c.value), std::string::npos) << error;
  }
}

TEST(CodeBytes, FromCommandLineWords) {
  struct Case {
    const char* name;
    std::vector<std::string> words;
    bool ok;
    Code code;
  };
  const Case cases[] = {
      {"one word", {"14eb4eb10af5"}, true, {0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5}},
      {"words and prefixes", {"0x14", "EB", "4e"}, true, {0x14, 0xEB, 0x4E, 0, 0, 0}},
      {"seven bytes", {"14eb4eb10af5", "00"}, false, {}},
      {"odd digits", {"14e"}, false, {}},
      {"not hex", {"zz"}, false, {}},
      {"nothing", {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t code[kCodeSize];
    std::string error;
    EXPECT_EQ(parse_code_bytes(c.words, code, error), c.ok);
    if (c.ok) EXPECT_EQ(as_vector(code), c.code);
    else EXPECT_FALSE(error.empty());
  }
}

TEST(ButtonMapFile, OptionThenSettingThenCurrentFolder) {
  const std::string setting = "C:\\Halvo\\tv.rcb";
  const std::string empty;
  EXPECT_EQ(button_map_file("x.rcb", &setting), "x.rcb");
  EXPECT_EQ(button_map_file("", &setting), setting);
  EXPECT_EQ(button_map_file("", &empty), "zk.rcb");
  EXPECT_EQ(button_map_file("", nullptr), "zk.rcb");
}

TEST(DiscIni, TypeAndTracks) {
  uint8_t type = 99;
  EXPECT_TRUE(parse_disc_type(" 9 ", type));
  EXPECT_EQ(type, 9);
  for (const char* bad : {"16", "-1", "4a", "", "0x4"}) {
    EXPECT_FALSE(parse_disc_type(bad, type)) << bad;
  }

  struct Case {
    const char* name;
    std::string text;
    bool ok;
    std::vector<unsigned> seconds;
  };
  const std::string ninety_nine = [] {
    std::string t = "1";
    for (int i = 1; i < 99; ++i) t += ",1";
    return t;
  }();
  const Case cases[] = {
      {"three tracks", "215, 187,240", true, {215, 187, 240}},
      {"none", "  ", true, {}},
      {"longest track", "5999", true, {5999}},
      {"99 tracks", ninety_nine, true, std::vector<unsigned>(99, 1)},
      {"100 tracks", ninety_nine + ",1", false, {}},
      {"zero seconds", "10,0", false, {}},
      {"too long", "6000", false, {}},
      {"empty item", "10,,20", false, {}},
      {"minutes", "3:20", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned> seconds{7};
    std::string error;
    EXPECT_EQ(parse_track_lengths(c.text, seconds, error), c.ok);
    EXPECT_EQ(seconds, c.seconds);
    EXPECT_EQ(error.empty(), c.ok);
  }
}

TEST(Duration, FieldsFractionsAndLimits) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t ms;
  };
  const Case cases[] = {
      {"0:03:07", true, 187000},
      {"3:07", true, 187000},
      {"12", true, 12000},
      {" 1:02:03.5 ", true, 3723500},
      {"0.25", true, 250},
      {"1:00:00.001", true, 3600001},
      {"150:00", true, 9000000},  // the first field may pass 59
      {"99:59:59.999", true, kMaxDurationMs},
      {"100:00:00", false, 0},
      {"3:60", false, 0},
      {"1:60:00", false, 0},
      {"1:2:3:4", false, 0},
      {"3:", false, 0},
      {":07", false, 0},
      {"3.", false, 0},
      {"3.1234", false, 0},
      {"-1", false, 0},
      {"", false, 0},
      {"1 :07", false, 0},
  };
  for (const Case& c : cases) {
    uint32_t ms = 77;
    EXPECT_EQ(parse_duration(c.text, ms), c.ok) << c.text;
    EXPECT_EQ(ms, c.ok ? c.ms : 77u) << c.text;
  }
  EXPECT_EQ(format_duration(187000), "3:07");
  EXPECT_EQ(format_duration(3723500), "1:02:03.500");
  EXPECT_EQ(format_duration(0), "0:00");
}

TEST(EventBits, NamesAndHex) {
  struct Case {
    const char* name;
    std::vector<std::string> words;
    bool ok;
    uint16_t events;
  };
  const Case cases[] = {
      {"one name", {"announce"}, true, 0x0400},
      {"names in a list and apart", {"stopped,playing", "volup"}, true, 0x0083},
      {"every name",
       {"stopped,playing,rewinding,forwarding,prev,next,voldown,volup,paused,special,announce"},
       true, 0x07FF},
      {"hex with prefix", {"0x0200"}, true, 0x0200},
      {"hex without prefix", {"10"}, true, 0x0010},
      {"none", {"none"}, true, 0},
      {"zero", {"0"}, true, 0},
      {"beyond bit 10", {"0x800"}, false, 0},
      {"unknown name", {"loud"}, false, 0},
      {"no words", {}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint16_t events = 0xFFFF;
    std::string error;
    EXPECT_EQ(parse_events(c.words, events, error), c.ok);
    if (c.ok) EXPECT_EQ(events, c.events);
    else EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(event_names(0x0403), "stopped playing announce");
  EXPECT_EQ(event_names(0), "none");
}

TEST(ReportText, OneLinePerKind) {
  struct Case {
    const char* name;
    std::vector<uint8_t> fields;  // bytes 10-18
    const char* text;
  };
  const Case cases[] = {
      {"code", {0x40, 0x48, 0x14, 0xEB, 0x4E, 0xB1, 0x0A, 0xF5, 0x03},
       "code 14 EB 4E B1 0A F5 value 03, medium 4 status 8"},
      {"event", {0x00, 0x91, 0, 0x03, 0x2C, 0x07, 0, 0, 0},
       "event 0403 value 07 flags 28, medium 9 status 1"},
      {"nothing", {0x80, 0xF0, 0, 0, 0, 0, 0, 0, 0}, "nothing, medium F status 0"},
      {"kind 3 is nothing too", {0xC0, 0xF8, 0, 0, 0, 0, 0, 0, 0}, "nothing, medium F status 8"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> report(kReportPageSize, 0);
    std::copy(c.fields.begin(), c.fields.end(), report.begin() + 10);
    EXPECT_EQ(describe_report(report.data()), c.text) << c.name;
  }
}

}  // namespace
}  // namespace vdrive
