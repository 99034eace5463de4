#include "qemliv32/win32/audio_output.h"

namespace qem {

AudioOutput::AudioOutput(const char* decoder_stem) : stem_(decoder_stem) {}

AudioOutput::~AudioOutput() {
  stop();
  for (Library& lib : libraries_)
    if (lib.module) FreeLibrary(lib.module);
}

bool AudioOutput::load_decoder(SoundDecoderKind kind) {
  Library& lib = libraries_[static_cast<int>(kind)];
  if (!lib.module) {
    std::string name = stem_ + decoder_letter(kind) + ".dll";
    lib.module = LoadLibraryA(name.c_str());
    if (!lib.module) return false;
    lib.init = GetProcAddress(lib.module, "INITdec");
    lib.decode = reinterpret_cast<DecSoundFrameFn>(
        reinterpret_cast<void*>(GetProcAddress(lib.module, "DecSoundFrame")));
  }
  return lib.init && lib.decode;
}

bool AudioOutput::open_device(const PcmFormat& pcm) {
  WAVEFORMATEX wf = {};
  wf.wFormatTag = WAVE_FORMAT_PCM;
  wf.nChannels = pcm.channels;
  wf.nSamplesPerSec = pcm.samples_per_second;
  wf.nAvgBytesPerSec = pcm.bytes_per_second;
  wf.nBlockAlign = pcm.block_align;
  wf.wBitsPerSample = pcm.bits_per_sample;
  HWAVEOUT h = NULL;
  if (waveOutOpen(&h, WAVE_MAPPER, &wf, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
  device_.handle = h;
  device_pcm_ = pcm;
  return true;
}

bool AudioOutput::open(const uint8_t* block, std::size_t n, int buffer_size_ms) {
  stop();
  failure_ = Failure::none;
  auto format = parse_audio_format(block, n);
  auto plan = format ? plan_audio_output(*format) : std::nullopt;
  if (!plan) {
    failure_ = Failure::format;
    return false;
  }
  plan_ = *plan;
  if (!load_decoder(plan_.kind)) {
    failure_ = Failure::decoder;
    return false;
  }
  const Library& lib = libraries_[static_cast<int>(plan_.kind)];
  if (takes_whole_blocks(plan_.kind)) {
    reinterpret_cast<InitDec2Fn>(reinterpret_cast<void*>(lib.init))(plan_.init_flag,
                                                                    plan_.init_flag);
  } else {
    reinterpret_cast<InitDec1Fn>(reinterpret_cast<void*>(lib.init))(0);
  }
  decoder_.fn = lib.decode;
  loop_.reset(new AudioDecodeLoop(plan_.kind, plan_.block_code));

  if (!open_device(plan_.pcm)) {
    // A system sound may hold the device.
    PlaySoundA(NULL, NULL, 0);
    if (!open_device(eight_bit(plan_.pcm))) {
      failure_ = Failure::device;
      return false;
    }
  }
  if (!writer_.allocate(wave_buffer_length(buffer_size_ms, device_pcm_))) {
    waveOutClose(device_.handle);
    device_.handle = NULL;
    failure_ = Failure::buffers;
    return false;
  }
  waveOutPause(device_.handle);
  watch_.reset();
  return true;
}

void AudioOutput::pause() {
  if (device_.handle) waveOutPause(device_.handle);
}

void AudioOutput::restart() {
  if (device_.handle) waveOutRestart(device_.handle);
}

void AudioOutput::stop() {
  if (!device_.handle) return;
  waveOutPause(device_.handle);
  waveOutReset(device_.handle);
  writer_.release();
  waveOutClose(device_.handle);
  device_.handle = NULL;
  watch_.reset();
}

bool AudioOutput::play(const uint8_t* bytes, std::size_t n) {
  if (!device_.handle || !loop_) return true;
  return !loop_->decode(decoder_, bytes, n, sink_).fault;
}

void AudioOutput::Sink::pcm(const uint8_t* bytes, std::size_t n) {
  if (out_.device_pcm_.bits_per_sample != 8) {
    out_.writer_.write(bytes, n);
    return;
  }
  out_.eight_.resize(n / 2);
  pcm16_to_pcm8(bytes, n, out_.eight_.data());
  out_.writer_.write(out_.eight_.data(), out_.eight_.size());
}

bool AudioOutput::set_volume(int percent) {
  return device_.handle &&
         waveOutSetVolume(device_.handle, volume_word(percent)) == MMSYSERR_NOERROR;
}

std::optional<int> AudioOutput::volume() {
  DWORD word = 0;
  if (!device_.handle || waveOutGetVolume(device_.handle, &word) != MMSYSERR_NOERROR)
    return std::nullopt;
  return volume_percent(word);
}

uint32_t AudioOutput::position_ms() {
  if (!device_.handle) return 0;
  MMTIME t = {};
  t.wType = TIME_MS;
  if (waveOutGetPosition(device_.handle, &t, sizeof t) != MMSYSERR_NOERROR) return 0;
  switch (t.wType) {
    case TIME_MS: return qem::position_ms(PositionUnit::ms, t.u.ms, device_pcm_);
    case TIME_BYTES: return qem::position_ms(PositionUnit::bytes, t.u.cb, device_pcm_);
    case TIME_SAMPLES: return qem::position_ms(PositionUnit::samples, t.u.sample, device_pcm_);
    default: return 0;
  }
}

bool AudioOutput::position_advancing() { return watch_.advancing(position_ms()); }

bool AudioOutput::Device::prepare(std::size_t index, uint8_t* data, std::size_t length) {
  WAVEHDR& h = headers_[index];
  h = WAVEHDR();
  h.lpData = reinterpret_cast<LPSTR>(data);
  h.dwBufferLength = DWORD(length);
  return waveOutPrepareHeader(handle, &h, sizeof h) == MMSYSERR_NOERROR;
}

void AudioOutput::Device::unprepare(std::size_t index) {
  waveOutUnprepareHeader(handle, &headers_[index], sizeof(WAVEHDR));
}

bool AudioOutput::Device::write(std::size_t index, std::size_t bytes) {
  WAVEHDR& h = headers_[index];
  h.dwBufferLength = DWORD(bytes);
  return waveOutWrite(handle, &h, sizeof h) == MMSYSERR_NOERROR;
}

bool AudioOutput::Device::queued(std::size_t index) {
  // The driver sets DONE from its own thread.
  DWORD flags = static_cast<volatile DWORD&>(headers_[index].dwFlags);
  return (flags & WHDR_INQUEUE) && !(flags & WHDR_DONE);
}

}  // namespace qem
