#include "beamhub/button_map.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "beamhub/codes.h"
#include "common/profile.h"

namespace beamhub {
namespace {

using Code = std::array<uint8_t, 6>;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string source_file(const char* relative) {
  return read_file(std::string(HALVO_SOURCE_DIR) + "/" + relative);
}

halvo::ProfileText parse(std::string_view text) {
  auto p = halvo::ProfileText::parse(text);
  EXPECT_TRUE(p.has_value());
  return p ? *p : *halvo::ProfileText::parse("");
}

// A loaded button-map file.
struct Loaded {
  ButtonMap map;
  ControlInfo control;
};

Loaded load(std::string_view text) {
  halvo::ProfileText p = parse(text);
  ProfileTextReader reader(&p);
  Loaded l;
  std::memset(&l, 0xAA, sizeof(l));
  load_button_map(reader, l.map, l.control);
  return l;
}

const MapEntry& entry(const ButtonMap& map, uint16_t button) { return map[button - kFirstButton]; }

Code code_of(const MapEntry& e) {
  Code c{};
  std::memcpy(c.data(), e.code, 6);
  return c;
}

// ---------------------------------------------------------------- profile text

TEST(ProfileText, NamesMatchWithoutRegardToCase) {
  auto p = parse("[Control]\nMake=Quorvane\n");
  EXPECT_EQ(p.find("control", "MAKE"), "Quorvane");
  EXPECT_EQ(p.find("CONTROL", "make"), "Quorvane");
  EXPECT_EQ(p.find("Control", "Model"), std::nullopt);
  EXPECT_EQ(p.find("Mapping", "Make"), std::nullopt);
}

TEST(ProfileText, FirstSectionAndFirstKeyWin) {
  auto p = parse("[A]\nk=1\nK=2\n[a]\nk=3\nother=4\n");
  EXPECT_EQ(p.find("A", "k"), "1");
  // The first section of that name decides, even when only a later one has the key.
  EXPECT_EQ(p.find("A", "other"), std::nullopt);
}

TEST(ProfileText, TrimsAndStripsMatchingQuotes) {
  struct Case {
    const char* line;
    const char* value;
  };
  const Case cases[] = {
      {"k =  value  ", "value"},
      {"\tk\t=\tvalue\t\r", "value"},
      {"k=\"  quoted  \"", "  quoted  "},
      {"k='single'", "single"},
      {"k=\"mixed'", "\"mixed'"},
      {"k=\"", "\""},
      {"k=\"\"", ""},
      {"k=a=b", "a=b"},
      {"k=", ""},
  };
  for (const Case& c : cases) {
    auto p = parse(std::string("[S]\n") + c.line + "\n");
    EXPECT_EQ(p.find("S", "k"), c.value) << c.line;
  }
}

TEST(ProfileText, IgnoredLines) {
  auto p = parse(
      "before=sections\n"
      "[S] text after the bracket\n"
      ";k=comment\n"
      "  ;k=indented comment\n"
      "no equals sign\n"
      "=no key\n"
      "[broken header\n"
      "k=value\n"
      "[ T ]\n"
      "x=1");
  EXPECT_EQ(p.find("S", "k"), "value");
  EXPECT_EQ(p.find("S", "before"), std::nullopt);
  EXPECT_EQ(p.find("T", "x"), "1");
  EXPECT_EQ(p.section_count(), 2u);
  EXPECT_EQ(p.entry_count(), 2u);
}

TEST(ProfileText, CrLfLines) {
  auto p = parse("[S]\r\nk=v\r\nj=w\r\n");
  EXPECT_EQ(p.find("S", "k"), "v");
  EXPECT_EQ(p.find("S", "j"), "w");
}

TEST(ProfileText, RefusesTextOverTheLimit) {
  std::string text = "[S]\nk=v\n";
  text.resize(halvo::ProfileText::kMaxTextSize, ' ');
  EXPECT_TRUE(halvo::ProfileText::parse(text).has_value());
  text.push_back(' ');
  EXPECT_FALSE(halvo::ProfileText::parse(text).has_value());
}

TEST(ProfileText, LongLinesAreCut) {
  const std::size_t max = halvo::ProfileText::kMaxLineChars;
  std::string line = "k=" + std::string(max, 'x');
  auto p = parse("[S]\n" + line + "\nnext=1\n");
  EXPECT_EQ(p.find("S", "k"), std::string(max - 2, 'x'));
  EXPECT_EQ(p.find("S", "next"), "1");
}

TEST(ProfileTextReader, BehavesLikeTheProfileCall) {
  auto p = parse("[S]\nk=abcdef\nnul=ab" + std::string(1, '\0') + "cd\n");
  ProfileTextReader r(&p);
  EXPECT_EQ(r.get("S", "k", "d", 100), "abcdef");
  EXPECT_EQ(r.get("s", "K", "d", 4), "abc");  // at most size - 1 characters
  EXPECT_EQ(r.get("S", "k", "d", 1), "");
  EXPECT_EQ(r.get("S", "k", "d", 0), "");
  EXPECT_EQ(r.get("S", "missing", "Unknown", 100), "Unknown");
  EXPECT_EQ(r.get("S", "missing", "Unknown", 4), "Unk");
  EXPECT_EQ(r.get("S", "missing", "def  ", 100), "def");
  EXPECT_EQ(r.get("S", "missing", nullptr, 100), "");
  EXPECT_EQ(r.get("S", "nul", "d", 100), "ab");

  ProfileTextReader missing(nullptr);
  EXPECT_EQ(missing.get("S", "k", "Unknown", 100), "Unknown");
}

// ---------------------------------------------------------------- hex

TEST(Hex, Pairs) {
  struct Case {
    const char* pair;
    uint8_t byte;
  };
  const Case cases[] = {
      {"00", 0x00}, {"09", 0x09}, {"a5", 0xa5}, {"ff", 0xff}, {"7e", 0x7e},
      {"FF", 0x00}, {"fF", 0x00}, {"Af", 0x00}, {"g0", 0x00}, {"0x", 0x00},
      {" 1", 0x00}, {"1 ", 0x00}, {"-1", 0x00},
  };
  for (const Case& c : cases) EXPECT_EQ(decode_hex_pair(c.pair[0], c.pair[1]), c.byte) << c.pair;
}

TEST(Hex, Bytes) {
  uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_EQ(decode_hex_bytes("01a2FF", out, 4), 3u);
  EXPECT_EQ(out[0], 0x01);
  EXPECT_EQ(out[1], 0xa2);
  EXPECT_EQ(out[2], 0x00);  // upper case gives 0
  EXPECT_EQ(out[3], 9);     // untouched
  EXPECT_EQ(decode_hex_bytes("0102030", out, 4), 3u);  // the odd digit is no pair
  EXPECT_EQ(decode_hex_bytes("0102030405", out, 4), 4u);
  EXPECT_EQ(decode_hex_bytes("", out, 4), 0u);
}

// ---------------------------------------------------------------- counted strings

TEST(DecodeMapping, Table) {
  struct Case {
    const char* value;
    bool mapped;
    uint8_t flags;
    uint8_t count;
    Code code;
  };
  const Case cases[] = {
      {"0106a1a2a3a4a5a6", true, 0x01, 6, {0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6}},
      {"0102abcd", true, 0x01, 2, {0xab, 0xcd, 0, 0, 0, 0}},
      {"1401ee", true, 0x14, 1, {0xee, 0, 0, 0, 0, 0}},
      {"0006a1a2a3a4a5a6", true, 0x00, 6, {0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6}},
      // Only 16 characters count: the rest is ignored.
      {"0106a1a2a3a4a5a6ffff", true, 0x01, 6, {0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6}},
      {"0103abcdef0011", true, 0x01, 3, {0xab, 0xcd, 0xef, 0, 0, 0}},
      // Upper-case digits in the code give 0 for that pair only.
      {"0103ABcdEf", true, 0x01, 3, {0x00, 0xcd, 0x00, 0, 0, 0}},
      // Unmapped.
      {"0100", false, 0, 0, {}},
      {"0100aabb", false, 0, 0, {}},
      {"0107a1a2a3a4a5a6", false, 0, 0, {}},
      {"01ffa1a2a3a4a5a6", false, 0, 0, {}},
      {"0103aabb", false, 0, 0, {}},
      {"0106a1a2a3a4a5a", false, 0, 0, {}},
      {"Unknown", false, 0, 0, {}},
      {"", false, 0, 0, {}},
      {"01", false, 0, 0, {}},
      {"010", false, 0, 0, {}},
      {"0A02aabb", false, 0, 0, {}},
      {"010Aaabbccddeeff", false, 0, 0, {}},
      {" 0102aabb", false, 0, 0, {}},
  };
  for (const Case& c : cases) {
    MapEntry e;
    std::memset(&e, 0x5A, sizeof(e));
    EXPECT_EQ(decode_mapping(c.value, e), c.mapped) << c.value;
    EXPECT_EQ(e.flags, c.flags) << c.value;
    EXPECT_EQ(e.count, c.count) << c.value;
    EXPECT_EQ(code_of(e), c.code) << c.value;
  }
}

TEST(LoadButtonMap, MissingOrUnknownKeyLeavesButtonUnmapped) {
  Loaded l = load("[Mapping]\nMenu=0102aabb\nZoom=Unknown\nWeb=0100\n");
  EXPECT_EQ(entry(l.map, kMenu).count, 2);
  for (uint16_t b = kZoom; b <= kLastButton; ++b) {
    EXPECT_EQ(entry(l.map, b).count, 0) << button_name(b);
    EXPECT_EQ(entry(l.map, b).flags, 0) << button_name(b);
  }
}

TEST(LoadButtonMap, KeysMatchWithoutRegardToCase) {
  Loaded l = load("[MAPPING]\nmouselclick=0401aa\nTAB=0101bb\n");
  EXPECT_EQ(entry(l.map, kMouseLClick).flags, 0x04);
  EXPECT_EQ(entry(l.map, kTab).code[0], 0xbb);
}

TEST(LoadButtonMap, ClearsEverythingFirst) {
  Loaded l = load("[Mapping]\nPlay=0101aa\n");
  for (int i = 0; i < kButtonCount; ++i) {
    const MapEntry& e = l.map[i];
    for (uint8_t b : e.extra) ASSERT_EQ(b, 0) << i;
    if (i != kPlay - kFirstButton) {
      EXPECT_EQ(e.flags, 0);
      EXPECT_EQ(e.count, 0);
      EXPECT_EQ(code_of(e), Code{});
    }
  }
  EXPECT_EQ(l.control.standard_mode_valid, 0);
  for (uint8_t b : l.control.standard_mode) EXPECT_EQ(b, 0);
  for (uint8_t b : l.control.remote_mode) EXPECT_EQ(b, 0);
}

// ---------------------------------------------------------------- control section

TEST(LoadButtonMap, ControlTextsAreCutAtTheirLimits) {
  Loaded l = load(
      "[Control]\n"
      "Make=ABCDEFGHIJKLMNOP\n"
      "Model=0123456789abcdefghij\n"
      "Description=" + std::string(60, 'd') + "\n");
  EXPECT_STREQ(l.control.make, "ABCDEFGHIJ");
  EXPECT_STREQ(l.control.model, "0123456789abcde");
  EXPECT_EQ(std::string(l.control.description), std::string(40, 'd'));
}

TEST(LoadButtonMap, ControlDefaults) {
  Loaded l = load("");
  EXPECT_STREQ(l.control.make, "Unknown");
  EXPECT_STREQ(l.control.model, "Unknown");
  EXPECT_STREQ(l.control.description, "Unknown");
  EXPECT_EQ(l.control.standard_mode_valid, 0);
  EXPECT_EQ(l.control.remote_mode_valid, 0);
}

TEST(LoadButtonMap, ModeValues) {
  struct Case {
    std::string standard;
    std::string remote;
    uint8_t standard_valid;
    uint8_t remote_valid;
  };
  const std::string s56(56, '1'), r92(92, '2');
  const Case cases[] = {
      {s56, r92, 1, 1},
      {s56 + "ffff", r92 + "ff", 1, 1},            // longer values are cut
      {s56.substr(0, 55), r92.substr(0, 90), 0, 0},  // short
      {"Unknown", "Unknown", 0, 0},
      {std::string(56, 'F'), std::string(92, 'X'), 1, 1},  // defined: all pairs give 0
  };
  for (const Case& c : cases) {
    Loaded l = load("[Control]\nStandardMode=" + c.standard + "\nRemoteMode=" + c.remote + "\n");
    EXPECT_EQ(l.control.standard_mode_valid, c.standard_valid) << c.standard;
    EXPECT_EQ(l.control.remote_mode_valid, c.remote_valid) << c.remote;
    uint8_t page20[28], page21[46];
    std::memset(page20, 0x77, sizeof(page20));
    std::memset(page21, 0x77, sizeof(page21));
    EXPECT_EQ(build_standalone_params(l.map, l.control, page20), c.standard_valid == 1);
    EXPECT_EQ(build_pc_mode_params(l.control, page21), c.remote_valid == 1);
    if (!c.standard_valid) {
      EXPECT_EQ(page20[0], 0x77);  // untouched
    }
    if (!c.remote_valid) {
      EXPECT_EQ(page21[0], 0x77);
    }
  }
}

// ---------------------------------------------------------------- drive pages

TEST(DrivePages, OverlayFixture) {
  Loaded l = load(source_file("beamhub/tests/rcb_corpus/overlay.rcb"));
  uint8_t page20[28];
  ASSERT_TRUE(build_standalone_params(l.map, l.control, page20));
  const uint8_t expected20[28] = {
      0x00, 0x01, 0x02, 0x03, 0x04,  // StandardMode as given
      0xb1, 0xb2, 0xb3, 0xb4,        // Play code bytes 2-5
      0xa2, 0xa1,                    // Play, bytes 1 and 0
      0xc2, 0xc1,                    // NextTrack
      0xc4, 0xc3,                    // PrevTrack
      0xc6, 0xc5,                    // SkipForwards
      0xc8, 0xc7,                    // SkipBackwards
      0xd2, 0xd1,                    // VolumeUp
      0xd4, 0xd3,                    // VolumeDown
      0xe2, 0xe1,                    // Stop (a 2-byte code)
      0x00, 0x00,                    // Pause: not mapped
      0x1b,                          // StandardMode as given
  };
  for (int i = 0; i < 28; ++i) EXPECT_EQ(page20[i], expected20[i]) << "byte " << i;

  uint8_t page21[46];
  ASSERT_TRUE(build_pc_mode_params(l.control, page21));
  for (int i = 0; i < 46; ++i) EXPECT_EQ(page21[i], 0x80 + i) << "byte " << i;
}

// ---------------------------------------------------------------- path

TEST(ExpandRemoteController, Table) {
  struct Case {
    const char* setting;
    const char* rcb_path;
    const char* full;
  };
  const Case cases[] = {
      {"zk", "C:\\suite\\rcb", "C:\\suite\\rcb\\zk.rcb"},
      {"sub\\x.map", "C:\\suite\\rcb", "C:\\suite\\rcb\\sub\\x.rcb"},
      {"D:\\maps\\y.rcb", "C:\\suite\\rcb", "D:\\maps\\y.rcb"},
      {"zk", "C:\\suite\\rcb\\", "C:\\suite\\rcb\\zk.rcb"},
      {"zk.rcb", "C:\\suite\\rcb", "C:\\suite\\rcb\\zk.rcb"},
      {"zk.RCB", "C:\\suite\\rcb", "C:\\suite\\rcb\\zk.rcb"},
      {"a.b.c", "C:\\suite\\rcb", "C:\\suite\\rcb\\a.b.rcb"},
      {"\\maps\\y", "C:\\suite\\rcb", "C:\\maps\\y.rcb"},
      {"D:y.map", "C:\\suite\\rcb", "D:\\suite\\rcb\\y.rcb"},
      {"sub.d\\x", "C:\\suite\\rcb", "C:\\suite\\rcb\\sub.d\\x.rcb"},
      {"zk", "C:\\", "C:\\zk.rcb"},
      {"zk", "", "zk.rcb"},
      {"sub\\x", "", "sub\\x.rcb"},
      {"\\maps\\y", "", "\\maps\\y.rcb"},
      {"zk", "\\\\server\\rcb", "\\\\server\\rcb\\zk.rcb"},
      {"", "C:\\suite\\rcb", ""},
  };
  for (const Case& c : cases) {
    std::string full = "old";
    EXPECT_TRUE(expand_remote_controller(c.setting, c.rcb_path, full)) << c.setting;
    EXPECT_EQ(full, c.full) << c.setting << " in " << c.rcb_path;
  }
}

TEST(ExpandRemoteController, RefusesPathsOver260Characters) {
  // "C:" + folder + "\" + "zk.rcb": 2 + n + 1 + 6 characters.
  const std::string at_limit = "C:\\" + std::string(250, 'f');  // 2 + 251 + 1 + 6 = 260
  std::string full = "old";
  EXPECT_TRUE(expand_remote_controller("zk", at_limit, full));
  EXPECT_EQ(full.size(), 260u);

  full = "old";
  EXPECT_FALSE(expand_remote_controller("zk", at_limit + "f", full));
  EXPECT_EQ(full, "old");
  EXPECT_FALSE(expand_remote_controller(std::string(300, 'n'), "C:\\rcb", full));
  EXPECT_EQ(full, "old");
}

// ---------------------------------------------------------------- matching

Code code(std::initializer_list<uint8_t> bytes) {
  Code c{};
  std::size_t i = 0;
  for (uint8_t b : bytes) c[i++] = b;
  return c;
}

uint16_t match(const Loaded& l, const Code& c, bool shift, bool mouse) {
  return match_code(l.map, c.data(), shift, mouse);
}

TEST(MatchCode, Layers) {
  Loaded l = load(
      "[Mapping]\n"
      "Menu=0306100000000000\n"         // normal and shift
      "Zoom=0206200000000000\n"         // shift only
      "ScrollUp=1106300000000000\n"     // normal
      "MouseUp=1406300000000000\n"      // mouse: same code as ScrollUp
      "Mute=2006400000000000\n"         // priority
      "MouseLock=0106400000000000\n"    // normal, same code as Mute
      "Web=0206500000000000\n"          // shift
      "Tab=0106500000000000\n");        // normal, same code as Web
  struct Case {
    Code received;
    bool shift, mouse;
    uint16_t button;
  };
  const Case cases[] = {
      {code({0x10}), false, false, kMenu},
      {code({0x10}), true, false, kMenu},
      {code({0x10}), true, true, kMenu},
      {code({0x20}), false, false, kNoMatch},  // dead without shift lock
      {code({0x20}), false, true, kNoMatch},
      {code({0x20}), true, false, kZoom},
      {code({0x30}), false, false, kScrollUp},
      {code({0x30}), true, false, kScrollUp},
      {code({0x30}), false, true, kMouseUp},
      {code({0x30}), true, true, kMouseUp},  // mouse layer before shift
      {code({0x40}), false, false, kMute},   // priority in every mode
      {code({0x40}), true, true, kMute},
      {code({0x50}), false, false, kTab},
      {code({0x50}), true, false, kWeb},
      {code({0x60}), true, true, kNoMatch},
  };
  for (const Case& c : cases)
    EXPECT_EQ(match(l, c.received, c.shift, c.mouse), c.button)
        << int(c.received[0]) << " shift " << c.shift << " mouse " << c.mouse;
}

TEST(MatchCode, DuplicateCodesLowerButtonWins) {
  Loaded l = load("[Mapping]\nTab=0102abcd\nStop=0102abcd\nPlay=0202abcd\n");
  EXPECT_EQ(match(l, code({0xab, 0xcd}), false, false), kStop);
  EXPECT_EQ(match(l, code({0xab, 0xcd}), true, false), kPlay);
}

TEST(MatchCode, ShortCodeMatchesWhateverTheRest) {
  Loaded l = load("[Mapping]\nEnter=0102abcd\n");
  EXPECT_EQ(match(l, code({0xab, 0xcd, 0, 0, 0, 0}), false, false), kEnter);
  EXPECT_EQ(match(l, code({0xab, 0xcd, 1, 2, 3, 4}), false, false), kEnter);
  EXPECT_EQ(match(l, code({0xab, 0xce, 1, 2, 3, 4}), false, false), kNoMatch);
  EXPECT_EQ(match(l, code({0xac, 0xcd}), false, false), kNoMatch);
}

TEST(MatchCode, UpperCaseDigitsGiveZeroBytes) {
  Loaded l = load("[Mapping]\nEnter=0102ABCD\n");
  EXPECT_EQ(entry(l.map, kEnter).count, 2);
  EXPECT_EQ(match(l, code({0x00, 0x00, 7, 7, 7, 7}), false, false), kEnter);
  EXPECT_EQ(match(l, code({0xab, 0xcd}), false, false), kNoMatch);
}

TEST(MatchCode, EntriesWithImpossibleCountsTakeNoPart) {
  ButtonMap map;
  std::memset(&map, 0, sizeof(map));
  map[0].flags = kLayerNormal;
  map[0].count = 200;  // as a program might hand back an entry
  const Code zero{};
  EXPECT_EQ(match_code(map, zero.data(), false, false), kNoMatch);
}

TEST(MissingFile, EmptyMapMatchesNothing) {
  ProfileTextReader missing(nullptr);
  ButtonMap map;
  ControlInfo control;
  std::memset(&map, 0xFF, sizeof(map));
  std::memset(&control, 0xFF, sizeof(control));
  load_button_map(missing, map, control);
  for (const MapEntry& e : map) {
    EXPECT_EQ(e.flags, 0);
    EXPECT_EQ(e.count, 0);
  }
  const Code codes[] = {code({}), code({0xff, 0xff, 0xff, 0xff, 0xff, 0xff}), code({0x14, 0xeb})};
  for (const Code& c : codes)
    for (int mode = 0; mode < 4; ++mode)
      EXPECT_EQ(match_code(map, c.data(), mode & 1, mode & 2), kNoMatch);
  uint8_t page20[28], page21[46];
  EXPECT_FALSE(build_standalone_params(map, control, page20));
  EXPECT_FALSE(build_pc_mode_params(control, page21));
  EXPECT_STREQ(control.make, "Unknown");
}

// ---------------------------------------------------------------- the shipped map

class ShippedMap : public ::testing::Test {
 protected:
  void SetUp() override { l_ = load(source_file("beamhub/data/zk.rcb")); }
  const MapEntry& e(uint16_t b) const { return entry(l_.map, b); }
  Loaded l_;
};

TEST_F(ShippedMap, Control) {
  EXPECT_STREQ(l_.control.make, "Quorvane");
  EXPECT_STRNE(l_.control.model, "Unknown");
  EXPECT_STRNE(l_.control.description, "Unknown");
  EXPECT_EQ(l_.control.standard_mode_valid, 1);
  EXPECT_EQ(l_.control.remote_mode_valid, 1);
}

TEST_F(ShippedMap, EveryButtonMappedWithSixBytesAndOneAddress) {
  const Code play = code_of(e(kPlay));
  for (uint16_t b = kFirstButton; b <= kLastButton; ++b) {
    EXPECT_EQ(e(b).count, 6) << button_name(b);
    EXPECT_EQ(0, std::memcmp(e(b).code + 2, play.data() + 2, 4)) << button_name(b);
  }
}

TEST_F(ShippedMap, LayersAsDesigned) {
  const uint16_t mouse_keys[] = {kMouseUp, kMouseDown, kMouseLeft, kMouseRight};
  const uint16_t arrows[] = {kScrollUp, kScrollDown, kScrollLeft, kScrollRight};
  int shift_only = 0;
  for (uint16_t b = kFirstButton; b <= kLastButton; ++b) {
    const uint8_t f = e(b).flags;
    EXPECT_EQ(f & kLayerPriority, 0) << button_name(b);
    if (b >= kMouseLClick && b <= kMouseRight) {
      EXPECT_EQ(f & ~kAutoRepeat, kLayerMouse) << button_name(b);
    } else if (f == kLayerShift) {
      ++shift_only;
    } else {
      EXPECT_EQ(f & ~kAutoRepeat, kLayerNormal) << button_name(b);
    }
  }
  EXPECT_EQ(shift_only, 1);
  for (uint16_t b : mouse_keys) EXPECT_EQ(e(b).flags, kLayerMouse | kAutoRepeat) << button_name(b);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(code_of(e(mouse_keys[i])), code_of(e(arrows[i])));
  EXPECT_EQ(e(kMouseLClick).flags, kLayerMouse);
  EXPECT_EQ(e(kMouseRClick).flags, kLayerMouse);
}

TEST_F(ShippedMap, NormalLayerCodesDistinct) {
  std::set<Code> seen;
  for (uint16_t b = kFirstButton; b <= kLastButton; ++b) {
    if (e(b).flags & kLayerNormal) {
      EXPECT_TRUE(seen.insert(code_of(e(b))).second) << button_name(b);
    }
  }
  EXPECT_EQ(seen.size(), 42u);
}

TEST_F(ShippedMap, EveryNormalButtonMatchesItself) {
  for (uint16_t b = kFirstButton; b <= kLastButton; ++b) {
    if (e(b).flags & kLayerNormal) {
      EXPECT_EQ(match(l_, code_of(e(b)), false, false), b) << button_name(b);
    }
  }
}

TEST_F(ShippedMap, MouseKeysOnlyWithMouseLock) {
  const uint16_t pairs[][2] = {{kMouseUp, kScrollUp},       {kMouseDown, kScrollDown},
                               {kMouseLeft, kScrollLeft},   {kMouseRight, kScrollRight},
                               {kMouseLClick, kEnter},      {kMouseRClick, kAppMenu}};
  for (const auto& p : pairs) {
    const Code c = code_of(e(p[1]));
    EXPECT_EQ(match(l_, c, false, false), p[1]);
    EXPECT_EQ(match(l_, c, true, false), p[1]);
    EXPECT_EQ(match(l_, c, false, true), p[0]);
    EXPECT_EQ(match(l_, c, true, true), p[0]);
  }
  // The lock keys themselves still work while their lock is on.
  EXPECT_EQ(match(l_, code_of(e(kMouseLock)), false, true), kMouseLock);
  EXPECT_EQ(match(l_, code_of(e(kShiftLock)), true, false), kShiftLock);
}

TEST_F(ShippedMap, ShiftEntryReusesAnotherButtonsCode) {
  for (uint16_t b = kFirstButton; b <= kLastButton; ++b) {
    if (e(b).flags != kLayerShift) continue;
    const Code c = code_of(e(b));
    const uint16_t normal = match(l_, c, false, false);
    EXPECT_NE(normal, kNoMatch);
    EXPECT_NE(normal, b);
    EXPECT_EQ(match(l_, c, true, false), b);
  }
}

TEST_F(ShippedMap, StandaloneSettingsAgreeWithTheMap) {
  uint8_t page20[28];
  ASSERT_TRUE(build_standalone_params(l_.map, l_.control, page20));
  // The file's StandardMode already carries the remote's address and keys.
  EXPECT_EQ(0, std::memcmp(page20, l_.control.standard_mode, 28));
}

TEST(Corpus, DefaultSeedIsTheShippedMap) {
  EXPECT_EQ(source_file("beamhub/tests/rcb_corpus/default.rcb"), source_file("beamhub/data/zk.rcb"));
}

}  // namespace
}  // namespace beamhub
