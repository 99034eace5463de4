// What the simulated file devices ("waveaudio", "sequencer", "avivideo")
// read of their media files: the playing time, and a video's frame size,
// from the headers of WAV (RIFF WAVE), standard MIDI and AVI (RIFF AVI)
// files. The caller reads at most kMaxMediaBytes from the start of a file
// and passes the file's whole size; nothing beyond the bytes given is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace halvomci {

constexpr std::size_t kMaxMediaBytes = 1 << 20;

enum class MediaFormat { kWave, kMidi, kAvi };

struct MediaInfo {
  uint32_t length_ms = 0;
  uint32_t width = 0;   // AVI only
  uint32_t height = 0;
};

// False with a reason when the bytes are not a file of the format or its
// headers are broken.
bool read_media(MediaFormat format, const uint8_t* bytes, std::size_t size, uint64_t file_size,
                MediaInfo& info, std::string& error);

// WAVE: the data chunk's bytes at the format's average byte rate (a data
// chunk that says it is longer than the file counts up to the file's end).
bool read_wave(const uint8_t* bytes, std::size_t size, uint64_t file_size, MediaInfo& info,
               std::string& error);
// MIDI: the end of the longest track, through the tempo changes of all
// tracks (120 beats a minute until the first); SMPTE divisions count
// frames of a second. A track cut short by the end of the bytes ends at
// its last whole event.
bool read_midi(const uint8_t* bytes, std::size_t size, MediaInfo& info, std::string& error);
// AVI: the first video stream's length at its rate, else the main
// header's frames at its frame time.
bool read_avi(const uint8_t* bytes, std::size_t size, MediaInfo& info, std::string& error);

}  // namespace halvomci
