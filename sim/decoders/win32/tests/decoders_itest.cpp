// The decoder DLLs loaded as the engine loads them: by file name at run
// time, qemdec32's entry points by ordinal, the audio decoders' by name,
// called through the engine's prototypes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "sim/decoders/audio_codec.h"
#include "sim/decoders/tests/decode_target.h"

namespace {

typedef short(WINAPI* QemDecodeFn)(void* bits, const void* in_header, void* out_info,
                                   const void* frame, void* bits2);
typedef void(WINAPI* QemCloseFn)(void);
typedef int(WINAPI* InitDec2Fn)(int, int);
typedef int(WINAPI* InitDec1Fn)(int);
typedef int(WINAPI* DecSoundFrameFn)(const void* source, void* destination);

class Library {
 public:
  explicit Library(const std::string& name) : h_(LoadLibraryA(name.c_str())) {}
  ~Library() {
    if (h_) FreeLibrary(h_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  explicit operator bool() const { return h_ != nullptr; }
  template <class F>
  F get(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(h_, name)));
  }

 private:
  HMODULE h_;
};

TEST(DecoderDlls, VideoDecoderByOrdinal) {
  Library lib("qemdec32.dll");
  ASSERT_TRUE(lib) << GetLastError();
  auto decode = lib.get<QemDecodeFn>(MAKEINTRESOURCEA(2));
  auto close = lib.get<QemCloseFn>(MAKEINTRESOURCEA(3));
  ASSERT_TRUE(decode && close);
  // The engine passes the output bits twice.
  auto call = [decode](void* bits, const void* in, void* info, const void* frame) {
    return decode(bits, in, info, frame, bits);
  };
  auto frame = [](uint32_t n) { return qdec::encode_clip_frame(n, 176, 144, 12); };
  auto send = [&](qdec::DecodeTarget& t, const qdec::Bytes& f, int flag = 0) {
    qdec::Bytes copy(f);
    return t.call(call, copy.empty() ? nullptr : copy.data(), copy.size(), flag);
  };

  for (int depth : {8, 16, 24}) {
    qdec::DecodeTarget t(176, 144, depth);
    ASSERT_EQ(send(t, frame(0)), qdec::kIntraNormal) << depth;
    EXPECT_EQ(qdec::read_frame_number(t.sampler(), 0, 0, 176, 144), 0) << depth;
    ASSERT_EQ(send(t, frame(1)), qdec::kInterNormal) << depth << ": the base kept between calls";
    EXPECT_EQ(qdec::read_frame_number(t.sampler(), 0, 0, 176, 144), 1) << depth;
    EXPECT_EQ(send(t, qdec::Bytes{}), qdec::kNoPicture) << depth << ": placeholder";
    EXPECT_EQ(send(t, frame(3)), qdec::kMissingBase) << depth << ": frame 2 lost";
    EXPECT_EQ(qdec::read_frame_number(t.sampler(), 0, 0, 176, 144), 1) << depth;

    ASSERT_EQ(send(t, frame(12)), qdec::kIntraNormal) << depth;
    EXPECT_EQ(send(t, frame(13), 2), qdec::kNoPicture) << depth << ": flag 2";
    EXPECT_EQ(send(t, frame(14)), qdec::kMissingBase) << depth;

    ASSERT_EQ(send(t, frame(24)), qdec::kIntraNormal) << depth;
    close();
    EXPECT_EQ(send(t, frame(25)), qdec::kMissingBase) << depth << ": ordinal 3 drops the base";
  }
}

TEST(DecoderDlls, AudioDecodersCarryTheTone) {
  const qdec::Tone tone;
  for (qdec::AudioKind kind :
       {qdec::AudioKind::kA, qdec::AudioKind::kB, qdec::AudioKind::kC, qdec::AudioKind::kD}) {
    std::string name = std::string("audiodec") + qdec::letter(kind) + ".dll";
    Library lib(name);
    ASSERT_TRUE(lib) << name << ": " << GetLastError();
    auto decode = lib.get<DecSoundFrameFn>("DecSoundFrame");
    ASSERT_TRUE(lib.get<void*>("INITdec") && decode) << name;
    bool blocks = kind == qdec::AudioKind::kA || kind == qdec::AudioKind::kD;
    if (blocks) {
      int flag = qdec::block_code(kind) == 24;
      lib.get<InitDec2Fn>("INITdec")(flag, flag);
    } else {
      lib.get<InitDec1Fn>("INITdec")(0);
    }

    int per = qdec::samples_per_call(kind), units = 7680 / per;
    qdec::Bytes stream = qdec::encode_tone(kind, tone, 0, units);
    std::vector<int16_t> pcm;
    std::vector<uint8_t> out(std::size_t(per) * 2);
    auto keep = [&] {
      for (int i = 0; i < per; ++i) pcm.push_back(int16_t(out[2 * i] | out[2 * i + 1] << 8));
    };
    std::size_t at = 0;
    for (int u = 0; u < units; ++u) {
      int n = decode(stream.data() + at, out.data());
      ASSERT_GT(n, 0) << name << " unit " << u;
      at += std::size_t(n);
      keep();
    }
    EXPECT_EQ(at, stream.size()) << name;
    double level = qdec::tone_amplitude(pcm.data(), pcm.size(), tone.frequency);
    EXPECT_GT(level, 0.85 * tone.amplitude) << name;
    EXPECT_LT(qdec::tone_amplitude(pcm.data(), pcm.size(), 1500), 0.05 * tone.amplitude) << name;

    // A missing frame: the engine's concealment calls.
    pcm.clear();
    for (int c = 0; c < (blocks ? 16 : 2); ++c) {
      EXPECT_EQ(decode(nullptr, out.data()), 0) << name;
      keep();
    }
    EXPECT_LT(qdec::tone_amplitude(pcm.data(), pcm.size(), tone.frequency), level) << name;
  }
}

}  // namespace
