#include "sim/decoders/audio_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qdec {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr std::size_t kHeaderB = 6, kHeaderC = 4;
constexpr int kHalfSamples = kPacketSamples / 2;
constexpr int kEscape = 16, kRawBits = 18;

uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void put16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put16_at(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

int16_t clamp16(long long v) { return int16_t(std::clamp<long long>(v, -32768, 32767)); }

// Square-law companding: code c stands for sign(c) * c^2 * unit.
int compand(int sample, int unit, int lo, int hi) {
  int c = int(std::lround(std::sqrt(std::abs(sample) / double(unit))));
  return std::clamp(sample < 0 ? -c : c, lo, hi);
}
int expand(int code, int unit) { return (code < 0 ? -1 : 1) * code * code * unit; }

uint32_t zigzag(int v) { return v < 0 ? uint32_t(-2LL * v - 1) : uint32_t(2LL * v); }
int unzigzag(uint32_t z) { return (z & 1) ? -int((z + 1) / 2) : int(z / 2); }

class BitWriter {
 public:
  explicit BitWriter(Bytes& out) : out_(out) {}
  void put(uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
      if (bit_ == 0) out_.push_back(0);
      if ((v >> i) & 1) out_.back() |= uint8_t(1 << bit_);
      bit_ = (bit_ + 1) % 8;
    }
  }

 private:
  Bytes& out_;
  int bit_ = 0;
};

class BitReader {
 public:
  BitReader(const uint8_t* p, std::size_t n) : p_(p), bits_(n * 8) {}
  bool get(int n, uint32_t& v) {
    if (pos_ + std::size_t(n) > bits_) return false;
    v = 0;
    for (int i = 0; i < n; ++i, ++pos_) v |= uint32_t((p_[pos_ / 8] >> (pos_ % 8)) & 1) << i;
    return true;
  }

 private:
  const uint8_t* p_;
  std::size_t bits_, pos_ = 0;
};

std::size_t rice_bits(const std::vector<uint32_t>& z, int k) {
  std::size_t bits = 0;
  for (uint32_t v : z) bits += (v >> k) < kEscape ? (v >> k) + 1 + k : kEscape + kRawBits;
  return bits;
}

}  // namespace

std::optional<AudioKind> audio_kind(char letter) {
  switch (letter) {
    case 'A': return AudioKind::kA;
    case 'B': return AudioKind::kB;
    case 'C': return AudioKind::kC;
    case 'D': return AudioKind::kD;
    default: return std::nullopt;
  }
}

char letter(AudioKind kind) { return char('A' + int(kind)); }
int16_t codec_tag(AudioKind kind) { return int16_t(-1 - int(kind)); }

int16_t block_code(AudioKind kind) {
  switch (kind) {
    case AudioKind::kA: return 17;
    case AudioKind::kD: return 24;
    default: return 2;  // unused by B and C: the output's block alignment
  }
}

int samples_per_call(AudioKind kind) {
  return kind == AudioKind::kA || kind == AudioKind::kD ? kBlockSamples : kPacketSamples;
}

std::vector<int16_t> tone_samples(const Tone& tone, uint64_t first, std::size_t count) {
  std::vector<int16_t> s(count);
  for (std::size_t i = 0; i < count; ++i) {
    // The phase from whole cycles first, so long streams keep their precision.
    uint64_t t = (first + i) * uint64_t(tone.frequency) % kSampleRate;
    s[i] = clamp16(std::lround(tone.amplitude * std::sin(kTwoPi * double(t) / kSampleRate)));
  }
  return s;
}

Bytes encode_block_a(const int16_t* samples) {
  Bytes b;
  BitWriter w(b);
  for (int i = 0; i < kBlockSamples; ++i) w.put(uint32_t(compand(samples[i], 128, -16, 15)) & 31, 5);
  return b;
}

Bytes encode_packet_b(const int16_t* samples) {
  const int q = 4;
  std::vector<int> x(kPacketSamples);
  for (int i = 0; i < kPacketSamples; ++i) x[i] = samples[i] >> q;
  std::vector<uint32_t> z(kPacketSamples - 1);
  for (int i = 1; i < kPacketSamples; ++i) z[i - 1] = zigzag(x[i] - x[i - 1]);
  int k = 0;
  for (int c = 1; c < 16; ++c)
    if (rice_bits(z, c) < rice_bits(z, k)) k = c;
  Bytes b;
  put16(b, 0);
  b.push_back(uint8_t(q));
  b.push_back(uint8_t(k));
  put16(b, uint16_t(int16_t(x[0])));
  BitWriter w(b);
  for (uint32_t v : z) {
    uint32_t u = v >> k;
    if (u < kEscape) {
      w.put((1u << u) - 1, int(u) + 1);
      w.put(v, k);
    } else {
      w.put((1u << kEscape) - 1, kEscape);
      w.put(v, kRawBits);
    }
  }
  put16_at(b.data(), uint16_t(b.size()));
  return b;
}

Bytes encode_packet_c(const int16_t* samples) {
  std::vector<int> codes(kHalfSamples);
  for (int j = 0; j < kHalfSamples; ++j) codes[j] = compand(samples[2 * j], 2, -127, 127);
  int start = 0, end = kHalfSamples;
  while (start < end && codes[start] == 0) ++start;
  while (end > start && codes[end - 1] == 0) --end;
  Bytes b;
  put16(b, uint16_t(kHeaderC + end - start));
  put16(b, uint16_t(start));
  for (int j = start; j < end; ++j) b.push_back(uint8_t(int8_t(codes[j])));
  return b;
}

Bytes encode_block_d(const std::array<Partial, kPartials>& partials) {
  Bytes b;
  for (const Partial& p : partials) {
    put16(b, p.frequency);
    put16(b, p.amplitude);
    put16(b, p.phase);
  }
  return b;
}

Bytes encode_tone(AudioKind kind, const Tone& tone, uint64_t first, int units) {
  Bytes out;
  int per = samples_per_call(kind);
  for (int u = 0; u < units; ++u) {
    uint64_t at = first + uint64_t(u) * per;
    Bytes b;
    if (kind == AudioKind::kD) {
      std::array<Partial, kPartials> p{};
      p[0].frequency = uint16_t(tone.frequency);
      p[0].amplitude = uint16_t(std::clamp(tone.amplitude, 0, 65535));
      p[0].phase = uint16_t(at * uint64_t(tone.frequency) % kSampleRate * 65536 / kSampleRate);
      b = encode_block_d(p);
    } else {
      std::vector<int16_t> s = tone_samples(tone, at, std::size_t(per));
      b = kind == AudioKind::kA   ? encode_block_a(s.data())
          : kind == AudioKind::kB ? encode_packet_b(s.data())
                                  : encode_packet_c(s.data());
    }
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

AudioDecoder::AudioDecoder(AudioKind kind) : kind_(kind) { init(); }

void AudioDecoder::init(bool short_blocks) {
  switch (kind_) {
    case AudioKind::kA: mode_ = short_blocks ? Mode::kPartials : Mode::kCompanded; break;
    case AudioKind::kB: mode_ = Mode::kRice; break;
    case AudioKind::kC: mode_ = Mode::kHalfRate; break;
    case AudioKind::kD: mode_ = Mode::kPartials; break;
  }
  samples_.fill(0);
  partials_ = {};
  gain_ = 1;
  fading_ = false;
}

int AudioDecoder::samples_per_call() const { return qdec::samples_per_call(kind_); }

int AudioDecoder::decode(const uint8_t* source, uint8_t* destination) {
  int consumed = 0;
  fading_ = false;
  if (!source) {
    conceal();
  } else {
    switch (mode_) {
      case Mode::kCompanded: consumed = decode_a(source); break;
      case Mode::kRice: consumed = decode_b(source); break;
      case Mode::kHalfRate: consumed = decode_c(source); break;
      case Mode::kPartials: consumed = decode_d(source); break;
    }
  }
  output(destination);
  return consumed;
}

int AudioDecoder::decode_a(const uint8_t* s) {
  BitReader r(s, kBlockBytesA);
  for (int i = 0; i < kBlockSamples; ++i) {
    uint32_t c = 0;
    r.get(5, c);
    samples_[i] = clamp16(expand(c & 16 ? int(c) - 32 : int(c), 128));
  }
  gain_ = 1;
  return int(kBlockBytesA);
}

int AudioDecoder::decode_b(const uint8_t* s) {
  std::size_t len = get16(s);
  if (len < kHeaderB || len > kMaxPacketBytes) {
    conceal();
    return 0;
  }
  int q = s[2], k = s[3];
  std::array<int16_t, kPacketSamples> out;
  long long x = int16_t(get16(s + 4));
  bool ok = q < 16 && k < 16;
  out[0] = clamp16(x * (1LL << (q & 15)));
  BitReader r(s + kHeaderB, len - kHeaderB);
  for (int i = 1; ok && i < kPacketSamples; ++i) {
    uint32_t u = 0, bit = 1, z = 0;
    while (u < kEscape && (ok = r.get(1, bit)) && bit) ++u;
    if (!ok) break;
    uint32_t low = 0;
    if (u < kEscape) {
      ok = r.get(k, low);
      z = (u << k) | low;
    } else {
      ok = r.get(kRawBits, z);
    }
    // x stays within what 16 bits shifted by q can hold; beyond that the packet is corrupt.
    x += unzigzag(z);
    ok = ok && std::llabs(x) <= 65536;
    out[i] = clamp16(x * (1LL << q));
  }
  if (ok) {
    samples_ = out;
    gain_ = 1;
  } else {
    conceal();
  }
  return int(len);
}

int AudioDecoder::decode_c(const uint8_t* s) {
  std::size_t len = get16(s);
  if (len < kHeaderC || len > kHeaderC + kHalfSamples) {
    conceal();
    return 0;
  }
  std::size_t start = get16(s + 2), count = len - kHeaderC;
  if (start + count > std::size_t(kHalfSamples)) {
    conceal();
    return int(len);
  }
  int v[kHalfSamples] = {};
  for (std::size_t j = 0; j < count; ++j) v[start + j] = expand(int8_t(s[kHeaderC + j]), 2);
  auto at = [&](int j) { return v[std::clamp(j, 0, kHalfSamples - 1)]; };
  for (int j = 0; j < kHalfSamples; ++j) {
    samples_[2 * j] = clamp16(v[j]);
    // Six-point half-sample interpolation: images of the half rate stay faint.
    long long mid = 150LL * (at(j) + at(j + 1)) - 25LL * (at(j - 1) + at(j + 2)) +
                    3LL * (at(j - 2) + at(j + 3));
    samples_[2 * j + 1] = clamp16(mid / 256);
  }
  gain_ = 1;
  return int(len);
}

int AudioDecoder::decode_d(const uint8_t* s) {
  for (int i = 0; i < kPartials; ++i) {
    partials_[i].frequency = get16(s + 6 * i);
    partials_[i].amplitude = get16(s + 6 * i + 2);
    partials_[i].phase = get16(s + 6 * i + 4);
  }
  gain_ = 1;
  synthesise();
  return int(kBlockBytesD);
}

void AudioDecoder::synthesise() {
  std::fill(samples_.begin(), samples_.begin() + kBlockSamples, 0);
  for (Partial& p : partials_) {
    if (!p.frequency || !p.amplitude) continue;
    double phase = p.phase / 65536.0, step = double(p.frequency) / kSampleRate;
    for (int i = 0; i < kBlockSamples; ++i)
      samples_[i] = clamp16(samples_[i] + std::lround(p.amplitude * std::sin(kTwoPi * (phase + i * step))));
    // The next block continues where this one ends.
    uint64_t turns = uint64_t(p.phase) * kSampleRate + uint64_t(kBlockSamples) * p.frequency * 65536;
    p.phase = uint16_t(turns / kSampleRate);
  }
}

void AudioDecoder::conceal() {
  fading_ = true;
  if (mode_ == Mode::kPartials) synthesise();
}

void AudioDecoder::output(uint8_t* destination) {
  // 70 % of the level every 30 ms, from where the last call left it.
  const double fall = std::pow(0.7, 1.0 / kBlockSamples);
  for (int i = 0; i < samples_per_call(); ++i) {
    put16_at(destination + 2 * i, uint16_t(int16_t(std::lround(samples_[i] * gain_))));
    if (fading_) gain_ *= fall;
  }
}

double tone_amplitude(const int16_t* samples, std::size_t count, double frequency) {
  if (count == 0) return 0;
  double coeff = 2 * std::cos(kTwoPi * frequency / kSampleRate), s1 = 0, s2 = 0;
  for (std::size_t i = 0; i < count; ++i) {
    double s0 = samples[i] + coeff * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  return 2 * std::sqrt(std::max(power, 0.0)) / double(count);
}

}  // namespace qdec
