// Sound: the outside decoder the stream's format names (audiodecA ... D,
// loaded by file name the first time a stream needs it), and the wave
// mapper fed through the ring of wave buffers.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qemliv32/audio_decode.h"
#include "qemliv32/audio_format.h"
#include "qemliv32/media_frame.h"
#include "qemliv32/wave_buffers.h"

namespace qem {

// The decoders' libraries: this stem, the kind's letter, ".dll".
constexpr const char* kSoundDecoderStem = "audiodec";

// A/D: INITdec(flag, flag); B/C: INITdec(0). Each library exports the arity
// of its kind (stdcall: a wrong count would unbalance the stack).
typedef int(WINAPI* InitDec2Fn)(int, int);
typedef int(WINAPI* InitDec1Fn)(int);
typedef int(WINAPI* DecSoundFrameFn)(const void* source, void* destination);

class AudioOutput {
 public:
  enum class Failure { none, format, decoder, device, buffers };

  explicit AudioOutput(const char* decoder_stem = kSoundDecoderStem);
  ~AudioOutput();  // stops; the decoder libraries go with it
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Stops what is open, then: the format block's decoder, initialised; the
  // wave mapper opened with 16-bit mono PCM (after a refusal: any system
  // sound stopped and 8 bits tried); the buffers for buffer_size_ms; the
  // device paused. False (see failure()) leaves nothing open.
  bool open(const uint8_t* block, std::size_t n, int buffer_size_ms);
  Failure failure() const { return failure_; }
  bool is_open() const { return device_.handle != NULL; }

  void pause();
  void restart();
  // Pause, reset, buffers unprepared and freed, close.
  void stop();

  // Decodes a frame (no bytes: concealment) and writes the samples, made
  // 8-bit when the device took only that. False when the decoder failed on
  // the frame; with nothing open there is nothing to do and the result is true.
  bool play(const uint8_t* bytes, std::size_t n);
  bool play(const MediaFrame& frame) { return play(frame.data(), frame.length()); }

  bool set_volume(int percent);
  std::optional<int> volume();
  // The device's position in ms; 0 with nothing open.
  uint32_t position_ms();
  // Changed since the last call and not 0 (the end-of-stream test).
  bool position_advancing();

  // What the device was opened with, and the decoder's plan.
  const PcmFormat& device_format() const { return device_pcm_; }
  const AudioPlan& plan() const { return plan_; }
  const WaveWriter& writer() const { return writer_; }

 private:
  class Device : public WaveDevice {
   public:
    HWAVEOUT handle = NULL;
    bool prepare(std::size_t index, uint8_t* data, std::size_t length) override;
    void unprepare(std::size_t index) override;
    bool write(std::size_t index, std::size_t bytes) override;
    bool queued(std::size_t index) override;

   private:
    std::array<WAVEHDR, WaveWriter::kMaxBuffers> headers_{};
  };
  class Decoder : public SoundDecoder {
   public:
    DecSoundFrameFn fn = nullptr;
    int decode(const uint8_t* source, uint8_t* destination) override {
      return fn(source, destination);
    }
  };
  class Sink : public PcmSink {
   public:
    explicit Sink(AudioOutput& out) : out_(out) {}
    void pcm(const uint8_t* bytes, std::size_t n) override;

   private:
    AudioOutput& out_;
  };
  struct Library {
    HMODULE module = NULL;
    FARPROC init = nullptr;
    DecSoundFrameFn decode = nullptr;
  };

  bool load_decoder(SoundDecoderKind kind);
  bool open_device(const PcmFormat& pcm);

  std::string stem_;
  std::array<Library, 4> libraries_{};
  Failure failure_ = Failure::none;
  AudioPlan plan_;
  PcmFormat device_pcm_;
  Device device_;
  WaveWriter writer_{device_};
  Decoder decoder_;
  std::unique_ptr<AudioDecodeLoop> loop_;
  Sink sink_{*this};
  std::vector<uint8_t> eight_;  // converted samples
  PositionWatch watch_;
};

}  // namespace qem
