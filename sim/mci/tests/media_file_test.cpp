#include "sim/mci/media_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace halvomci {
namespace {

using Bytes = std::vector<uint8_t>;

void put_le(Bytes& b, uint32_t value, int count) {
  for (int i = 0; i < count; ++i) b.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void put_be(Bytes& b, uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void put_tag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }
Bytes chunk(const char* tag, const Bytes& data) {
  Bytes b;
  put_tag(b, tag);
  put_le(b, static_cast<uint32_t>(data.size()), 4);
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() % 2) b.push_back(0);
  return b;
}
Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}
Bytes riff(const char* form, const Bytes& body) {
  Bytes data;
  put_tag(data, form);
  data.insert(data.end(), body.begin(), body.end());
  return chunk("RIFF", data);
}

Bytes wave_format(uint32_t byte_rate) {
  Bytes f;
  put_le(f, 1, 2);
  put_le(f, 1, 2);
  put_le(f, byte_rate, 4);
  put_le(f, byte_rate, 4);
  put_le(f, 1, 2);
  put_le(f, 8, 2);
  return f;
}

TEST(WaveFile, LengthFromTheDataChunk) {
  const Bytes fmt = chunk("fmt ", wave_format(8000));
  const Bytes data = chunk("data", Bytes(4000, 0x80));
  Bytes list_first = riff("WAVE", cat({fmt, chunk("LIST", Bytes(9, 'x')), data}));
  // A data chunk that says 8000 bytes in a file that ends after 2000 of them.
  Bytes cut = riff("WAVE", cat({fmt, chunk("data", Bytes(8000, 0x80))}));
  cut.resize(cut.size() - 6000);
  Bytes no_format = riff("WAVE", data);
  Bytes rate_zero = riff("WAVE", cat({chunk("fmt ", wave_format(0)), data}));
  Bytes no_data = riff("WAVE", fmt);
  Bytes avi = riff("AVI ", cat({fmt, data}));
  struct Case {
    const char* name;
    Bytes bytes;
    bool ok;
    uint32_t ms;
  } cases[] = {
      {"plain", riff("WAVE", cat({fmt, data})), true, 500},
      {"other chunk between", list_first, true, 500},
      {"data beyond the file", cut, true, 250},
      {"no format", no_format, false, 0},
      {"byte rate 0", rate_zero, false, 0},
      {"no data", no_data, false, 0},
      {"another RIFF form", avi, false, 0},
      {"too short", Bytes{'R', 'I', 'F', 'F'}, false, 0},
  };
  for (const Case& c : cases) {
    MediaInfo info;
    info.length_ms = 77;
    std::string error;
    EXPECT_EQ(c.ok, read_wave(c.bytes.data(), c.bytes.size(), c.bytes.size(), info, error))
        << c.name;
    EXPECT_EQ(c.ok ? c.ms : 77u, info.length_ms) << c.name;
    EXPECT_EQ(c.ok, error.empty()) << c.name;
  }
}

// A standard MIDI file of the tracks given as event bytes.
Bytes midi(uint32_t format, uint32_t division, std::initializer_list<Bytes> tracks) {
  Bytes b;
  put_tag(b, "MThd");
  put_be(b, 6, 4);
  put_be(b, format, 2);
  put_be(b, static_cast<uint32_t>(tracks.size()), 2);
  put_be(b, division, 2);
  for (const Bytes& t : tracks) {
    put_tag(b, "MTrk");
    put_be(b, static_cast<uint32_t>(t.size()), 4);
    b.insert(b.end(), t.begin(), t.end());
  }
  return b;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

TEST(MidiFile, LengthThroughTheTempoMap) {
  // 96 ticks a quarter; a quarter is 500 ms until a tempo change.
  const Bytes quarter_note = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0};
  const Bytes running = {0x00, 0x90, 60, 100, 0x60, 60, 0};  // note off as a running note on
  const Bytes tempo_250ms = {0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90};
  const Bytes sysex = {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7};
  const Bytes program = {0x00, 0xC0, 0x05};
  const Bytes long_delta = {0x83, 0x00, 0x90, 60, 0};  // 384 ticks: two seconds
  const Bytes lost_status = {0x00, 60, 100};
  Bytes cut = midi(0, 96, {cat({quarter_note, quarter_note, kEnd})});
  cut.resize(cut.size() - 6);  // the second note lacks its note off
  struct Case {
    const char* name;
    Bytes bytes;
    bool ok;
    uint32_t ms;
  } cases[] = {
      {"two quarters", midi(0, 96, {cat({quarter_note, quarter_note, kEnd})}), true, 1000},
      {"running status", midi(0, 96, {cat({program, running, running, kEnd})}), true, 1000},
      {"tempo change", midi(0, 96, {cat({quarter_note, tempo_250ms, quarter_note, kEnd})}),
       true, 750},
      {"tempo in track 1 applies to track 2", midi(1, 96, {cat({tempo_250ms, kEnd}),
                                                           cat({quarter_note, quarter_note, kEnd})}),
       true, 500},
      {"longest track counts", midi(1, 96, {cat({quarter_note, kEnd}), cat({sysex, long_delta, kEnd})}),
       true, 2000},
      {"SMPTE 25 frames of 40 ticks", midi(0, 0xE728, {cat({{0x87, 0x68, 0x90, 60, 0}, kEnd})}),
       true, 1000},
      {"cut track ends at its last event", cut, true, 500},
      {"data without status", midi(0, 96, {cat({lost_status, kEnd})}), false, 0},
      {"division 0", midi(0, 0, {kEnd}), false, 0},
      {"odd SMPTE rate", midi(0, 0xE928, {kEnd}), false, 0},
      {"not MIDI", Bytes(20, 'M'), false, 0},
  };
  for (const Case& c : cases) {
    MediaInfo info;
    info.length_ms = 77;
    std::string error;
    EXPECT_EQ(c.ok, read_midi(c.bytes.data(), c.bytes.size(), info, error)) << c.name << error;
    EXPECT_EQ(c.ok ? c.ms : 77u, info.length_ms) << c.name;
  }
}

Bytes avi_main(uint32_t usec, uint32_t frames, uint32_t width, uint32_t height) {
  Bytes h;
  put_le(h, usec, 4);
  for (int i = 0; i < 3; ++i) put_le(h, 0, 4);
  put_le(h, frames, 4);
  for (int i = 0; i < 3; ++i) put_le(h, 0, 4);
  put_le(h, width, 4);
  put_le(h, height, 4);
  for (int i = 0; i < 4; ++i) put_le(h, 0, 4);
  return chunk("avih", h);
}

Bytes stream(const char* type, uint32_t scale, uint32_t rate, uint32_t length) {
  Bytes h;
  put_tag(h, type);
  put_tag(h, "DIB ");
  for (int i = 0; i < 3; ++i) put_le(h, 0, 4);
  put_le(h, scale, 4);
  put_le(h, rate, 4);
  put_le(h, 0, 4);
  put_le(h, length, 4);
  for (int i = 0; i < 6; ++i) put_le(h, 0, 4);
  Bytes strl;
  put_tag(strl, "strl");
  Bytes sh = chunk("strh", h);
  strl.insert(strl.end(), sh.begin(), sh.end());
  return chunk("LIST", strl);
}

Bytes header_list(std::initializer_list<Bytes> parts) {
  Bytes b;
  put_tag(b, "hdrl");
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return chunk("LIST", b);
}

TEST(AviFile, LengthFromTheVideoStreamElseTheMainHeader) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool ok;
    uint32_t ms;
  } cases[] = {
      {"stream rate", riff("AVI ", header_list({avi_main(200000, 30, 32, 24),
                                                stream("vids", 1001, 30000, 90)})),
       true, 3003},
      {"main header only", riff("AVI ", header_list({avi_main(200000, 30, 32, 24)})), true, 6000},
      {"audio stream is not the video", riff("AVI ", header_list({avi_main(200000, 5, 32, 24),
                                                                  stream("auds", 1, 8000, 800)})),
       true, 1000},
      {"no main header", riff("AVI ", header_list({stream("vids", 1, 5, 30)})), false, 0},
      {"no header list", riff("AVI ", chunk("JUNK", Bytes(16, 0))), false, 0},
  };
  for (const Case& c : cases) {
    MediaInfo info;
    std::string error;
    EXPECT_EQ(c.ok, read_avi(c.bytes.data(), c.bytes.size(), info, error)) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(c.ms, info.length_ms) << c.name;
    EXPECT_EQ(32u, info.width) << c.name;
    EXPECT_EQ(24u, info.height) << c.name;
  }
}

// The disc folders' media, as tools/make-media.py writes them.
TEST(DiscMedia, LengthsOfTheTestFiles) {
  struct Case {
    const char* path;
    MediaFormat format;
    uint32_t ms;
  } cases[] = {
      {"qmcd-media/WAVE/CHIME.WAV", MediaFormat::kWave, 1000},
      {"qmcd-media/WAVE/TONE.WAV", MediaFormat::kWave, 6000},
      {"qmcd-media/MIDI/SCALE.MID", MediaFormat::kMidi, 2000},
      {"qmcd-media/MIDI/TUNE.MID", MediaFormat::kMidi, 8000},
      {"qmcd-media/AVI/BAR.AVI", MediaFormat::kAvi, 1000},
      {"qmcd-media/AVI/FIELD.AVI", MediaFormat::kAvi, 6000},
      {"qmcd-other-first/MIDI/SCALE.MID", MediaFormat::kMidi, 2000},
  };
  for (const Case& c : cases) {
    std::ifstream file(std::string(HALVO_SOURCE_DIR) + "/sim/discs/" + c.path, std::ios::binary);
    ASSERT_TRUE(file) << c.path;
    Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    MediaInfo info;
    std::string error;
    ASSERT_TRUE(read_media(c.format, bytes.data(), bytes.size(), bytes.size(), info, error))
        << c.path << ": " << error;
    EXPECT_EQ(c.ms, info.length_ms) << c.path;
  }
}

}  // namespace
}  // namespace halvomci
