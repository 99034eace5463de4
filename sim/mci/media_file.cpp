#include "sim/mci/media_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace halvomci {
namespace {

constexpr uint32_t kDefaultTempoUs = 500000;  // a quarter note at 120 beats a minute
constexpr std::size_t kChunkHeader = 8;

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint32_t be16(const uint8_t* p) { return static_cast<uint32_t>(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

bool tag_is(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

uint32_t clamp32(uint64_t value) {
  return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

// The chunks of a RIFF list's body, [begin, end) of bytes.
struct Chunk {
  const uint8_t* id;
  const uint8_t* data;
  std::size_t size;      // the data's size as the chunk says it
  std::size_t present;   // how much of it lies within the bytes
  std::size_t offset;    // of the data, from the start of the bytes
};

// Calls visit for each chunk header that lies within [begin, end); visit
// returns false to stop. Sizes are checked against nothing but the bytes.
template <typename Visit>
void each_chunk(const uint8_t* base, std::size_t begin, std::size_t end, Visit visit) {
  std::size_t at = begin;
  while (at + kChunkHeader <= end) {
    Chunk c;
    c.id = base + at;
    c.size = le32(base + at + 4);
    c.offset = at + kChunkHeader;
    c.data = base + c.offset;
    c.present = std::min(c.size, end - c.offset);
    if (!visit(c)) return;
    if (c.size > end - c.offset) return;
    at = c.offset + c.size + (c.size & 1);
  }
}

bool riff_of(const uint8_t* bytes, std::size_t size, const char* form, std::string& error) {
  if (size < 12 || !tag_is(bytes, "RIFF") || !tag_is(bytes + 8, form)) {
    error = std::string("not a RIFF ") + form + " file";
    return false;
  }
  return true;
}

// ---- MIDI

struct TrackReader {
  const uint8_t* p;
  const uint8_t* end;

  bool more() const { return p < end; }
  bool byte(uint8_t& value) {
    if (p >= end) return false;
    value = *p++;
    return true;
  }
  // A variable-length quantity of at most four bytes.
  bool number(uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!byte(b)) return false;
      value = value << 7 | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool skip(uint32_t count) {
    if (static_cast<std::size_t>(end - p) < count) return false;
    p += count;
    return true;
  }
};

struct TempoChange {
  uint64_t tick;
  uint32_t tempo_us;
};

enum class TrackEnd { kWhole, kCut, kBroken };

// Walks one track: its last event's tick, and its tempo changes.
TrackEnd walk_track(TrackReader r, uint64_t& last_tick, std::vector<TempoChange>& tempos) {
  uint64_t tick = 0;
  uint8_t running = 0;
  last_tick = 0;
  while (r.more()) {
    uint32_t delta;
    if (!r.number(delta)) return TrackEnd::kCut;
    tick += delta;
    uint8_t status;
    if (!r.byte(status)) return TrackEnd::kCut;
    if (status == 0xFF) {
      uint8_t type;
      uint32_t length;
      if (!r.byte(type) || !r.number(length)) return TrackEnd::kCut;
      const uint8_t* data = r.p;
      if (!r.skip(length)) return TrackEnd::kCut;
      running = 0;
      last_tick = tick;
      if (type == 0x51 && length == 3) {
        uint32_t tempo = static_cast<uint32_t>(data[0] << 16 | data[1] << 8 | data[2]);
        if (tempo > 0) tempos.push_back({tick, tempo});
      }
      if (type == 0x2F) return TrackEnd::kWhole;
      continue;
    }
    if (status == 0xF0 || status == 0xF7) {
      uint32_t length;
      if (!r.number(length) || !r.skip(length)) return TrackEnd::kCut;
      running = 0;
      last_tick = tick;
      continue;
    }
    uint32_t data_bytes;
    if (status & 0x80) {
      if (status >= 0xF0) return TrackEnd::kBroken;  // system messages do not belong in files
      running = status;
      data_bytes = (status & 0xE0) == 0xC0 ? 1 : 2;
    } else {
      if (running == 0) return TrackEnd::kBroken;
      // The status byte was the first data byte.
      data_bytes = (running & 0xE0) == 0xC0 ? 0 : 1;
    }
    if (!r.skip(data_bytes)) return TrackEnd::kCut;
    last_tick = tick;
  }
  return TrackEnd::kCut;
}

}  // namespace

bool read_wave(const uint8_t* bytes, std::size_t size, uint64_t file_size, MediaInfo& info,
               std::string& error) {
  if (!riff_of(bytes, size, "WAVE", error)) return false;
  uint32_t byte_rate = 0;
  bool have_format = false, have_data = false;
  uint64_t data_size = 0;
  each_chunk(bytes, 12, size, [&](const Chunk& c) {
    if (tag_is(c.id, "fmt ") && c.present >= 16) {
      byte_rate = le32(c.data + 8);
      have_format = true;
    } else if (tag_is(c.id, "data")) {
      uint64_t left = file_size > c.offset ? file_size - c.offset : 0;
      data_size = std::min<uint64_t>(c.size, left);
      have_data = true;
      return false;
    }
    return true;
  });
  if (!have_format || byte_rate == 0) {
    error = "no usable fmt chunk";
    return false;
  }
  if (!have_data) {
    error = "no data chunk";
    return false;
  }
  info = MediaInfo();
  info.length_ms = clamp32(data_size * 1000 / byte_rate);
  return true;
}

bool read_midi(const uint8_t* bytes, std::size_t size, MediaInfo& info, std::string& error) {
  if (size < 14 || !tag_is(bytes, "MThd") || be32(bytes + 4) < 6) {
    error = "not a standard MIDI file";
    return false;
  }
  uint64_t header_end = 8 + uint64_t{be32(bytes + 4)};
  uint32_t division = be16(bytes + 12);
  if (division == 0 || header_end > size) {
    error = "broken MIDI header";
    return false;
  }
  uint64_t end_tick = 0;
  std::vector<TempoChange> tempos;
  bool broken = false;
  std::size_t at = static_cast<std::size_t>(header_end);
  while (at + kChunkHeader <= size && !broken) {
    std::size_t length = be32(bytes + at + 4);
    std::size_t data = at + kChunkHeader;
    std::size_t present = std::min(length, size - data);
    if (tag_is(bytes + at, "MTrk")) {
      uint64_t last = 0;
      TrackEnd end = walk_track(TrackReader{bytes + data, bytes + data + present}, last, tempos);
      broken = end == TrackEnd::kBroken;
      end_tick = std::max(end_tick, last);
    }
    if (length > size - data) break;
    at = data + length;
  }
  if (broken) {
    error = "a track holds a data byte without a status";
    return false;
  }
  uint64_t us = 0;
  if (division & 0x8000) {
    // SMPTE: frames a second (29 stands for 29.97) times ticks a frame.
    uint32_t fps = 256 - (division >> 8);
    uint32_t ticks = division & 0xFF;
    if (ticks == 0 || (fps != 24 && fps != 25 && fps != 29 && fps != 30)) {
      error = "broken SMPTE division";
      return false;
    }
    uint64_t per_1000_seconds = uint64_t{ticks} * (fps == 29 ? 29970 : fps * 1000);
    us = end_tick * 1000000000ull / per_1000_seconds;
  } else {
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    uint64_t tick = 0;
    uint32_t tempo = kDefaultTempoUs;
    for (const TempoChange& change : tempos) {
      if (change.tick >= end_tick) break;
      us += (change.tick - tick) * tempo / division;
      tick = change.tick;
      tempo = change.tempo_us;
    }
    us += (end_tick - tick) * tempo / division;
  }
  info = MediaInfo();
  info.length_ms = clamp32(us / 1000);
  return true;
}

bool read_avi(const uint8_t* bytes, std::size_t size, MediaInfo& info, std::string& error) {
  if (!riff_of(bytes, size, "AVI ", error)) return false;
  bool have_main = false, have_stream = false;
  uint64_t main_us = 0, stream_ms = 0;
  uint32_t width = 0, height = 0;
  each_chunk(bytes, 12, size, [&](const Chunk& list) {
    if (!tag_is(list.id, "LIST") || list.present < 4 || !tag_is(list.data, "hdrl")) return true;
    each_chunk(bytes, list.offset + 4, list.offset + list.present, [&](const Chunk& c) {
      if (tag_is(c.id, "avih") && c.present >= 40) {
        main_us = uint64_t{le32(c.data)} * le32(c.data + 16);
        width = le32(c.data + 32);
        height = le32(c.data + 36);
        have_main = true;
      } else if (!have_stream && tag_is(c.id, "LIST") && c.present >= 4 &&
                 tag_is(c.data, "strl")) {
        each_chunk(bytes, c.offset + 4, c.offset + c.present, [&](const Chunk& h) {
          if (tag_is(h.id, "strh") && h.present >= 36 && tag_is(h.data, "vids")) {
            uint32_t scale = le32(h.data + 20), rate = le32(h.data + 24);
            if (rate != 0) {
              stream_ms = uint64_t{le32(h.data + 32)} * scale * 1000 / rate;
              have_stream = true;
            }
          }
          return false;  // the stream header comes first
        });
      }
      return true;
    });
    return false;
  });
  if (!have_main) {
    error = "no AVI main header";
    return false;
  }
  info = MediaInfo();
  info.length_ms = clamp32(have_stream ? stream_ms : main_us / 1000);
  info.width = width;
  info.height = height;
  return true;
}

bool read_media(MediaFormat format, const uint8_t* bytes, std::size_t size, uint64_t file_size,
                MediaInfo& info, std::string& error) {
  size = std::min(size, kMaxMediaBytes);
  switch (format) {
    case MediaFormat::kWave: return read_wave(bytes, size, file_size, info, error);
    case MediaFormat::kMidi: return read_midi(bytes, size, info, error);
    case MediaFormat::kAvi: return read_avi(bytes, size, info, error);
  }
  error = "unknown format";
  return false;
}

}  // namespace halvomci
