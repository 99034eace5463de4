// The generated clip the test server streams, and its packing into
// numbered datagrams of whole-frame entries and fragments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/server/wire.h"

namespace vsrv {

// kGenerated: frames of made-up bytes, for the transport. kPicture: the
// test picture and a tone, encoded with the test decoders' codecs, for
// playback; its audio frames are 240 ms each (8 blocks of codec A or D, 2
// packets of B or C) at times k * 240, so the audio_every and audio_block
// of the generated clip do not apply.
enum class ClipKind { kGenerated, kPicture };

struct ClipShape {
  uint32_t video_frames = 100;
  uint32_t fps = 25;          // frame times are number * 1000 / fps
  bool audio = true;          // one audio block per audio_every video frames
  uint32_t audio_every = 4;
  uint32_t audio_block = 320;
  ClipKind kind = ClipKind::kGenerated;
  uint32_t width = 176, height = 144;  // the video format's (and the picture's) size
  char audio_codec = 'A';              // picture clip: 'A' .. 'D'
  uint32_t key_interval = 12;          // picture clip: a key frame every this many
};

// The picture clip's audio frames hold as many decoder calls as a player's
// concealment makes up for a lost one (16 blocks of 30 ms for A and D, 2
// packets of 120 ms for B and C), so a lost frame keeps the sound in time.
uint32_t picture_audio_frame_ms(char audio_codec);

struct ClipFrame {
  uint8_t stream = 0;   // 0 video, 1 audio
  uint32_t number = 0;  // entry frame number (from 0)
  uint32_t time = 0;    // ms
};

// The clip's frames in sending order (by time, video before audio).
std::vector<ClipFrame> clip_frames(const ClipShape& shape);

// A frame's bytes: a video frame starts with its frame type (0 every 12th
// frame, 16 otherwise) and some are larger than a datagram; an audio block
// has a fixed size. Every byte depends on stream and number. In the picture
// clip: the test video codec's frame n, and audio frame k holds the tone's
// samples from k * 1920 on.
Bytes frame_bytes(const ClipShape& shape, uint8_t stream, uint32_t number);

// FNV-1a over the bytes: how logs and tests name a frame's content.
uint32_t frame_checksum(const uint8_t* data, std::size_t len);

// Format blocks for STREAM_INFO: a bitmap-info header (video) and a wave
// format header (audio), little-endian.
Bytes video_format(uint32_t width, uint32_t height);
Bytes audio_format();
// The clip's own: for the picture clip bit count 8 and the test codec's
// compression code; codec tag -1 .. -4, 8000 Hz and the codec's block code.
Bytes stream_video_format(const ClipShape& shape);
Bytes stream_audio_format(const ClipShape& shape);
// The video stream's length as STREAM_INFO gives it: servers of version 257
// or more count it in ms (players then place frames by time), older ones in
// frames.
uint32_t video_length(const ClipShape& shape, uint32_t server_version);
uint32_t audio_length(const ClipShape& shape);  // ms

// One datagram before numbering: bytes from offset 4 on are final; the
// sequence number and the report-request bit are filled in at sending time.
struct Entry {
  uint8_t stream = 0;
  uint32_t number = 0;
  uint8_t fragment = 0;  // 0 whole; else bit 7 last, bits 0-6 index
};
struct Datagram {
  Bytes bytes;
  std::vector<Entry> entries;
};

// Packs frames into datagrams of at most max_size bytes (at least 128):
// whole entries while they fit, a frame too large for one datagram split
// into fragments that fill the datagrams.
std::vector<Datagram> pack_clip(const ClipShape& shape, std::size_t max_size,
                                uint32_t generation);

// "v12", "a3", "v13/2", "v13/3L": how the log names an entry.
std::string entry_name(const Entry& e);

}  // namespace vsrv
