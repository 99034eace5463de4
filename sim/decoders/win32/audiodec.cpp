// audiodecA ... audiodecD.dll: a test audio decoder at the player's
// contract, QDEC_AUDIO_KIND (0 A ... 3 D) saying which. A and D take
// INITdec(flag, flag), B and C INITdec(0): with stdcall the callee removes
// the arguments, so each exports the arity the player calls it with.
#include <windows.h>

#include "sim/decoders/audio_codec.h"

namespace {
constexpr qdec::AudioKind kKind = qdec::AudioKind(QDEC_AUDIO_KIND);

qdec::AudioDecoder& decoder() {
  static qdec::AudioDecoder d(kKind);
  return d;
}
}  // namespace

#if QDEC_AUDIO_KIND == 0 || QDEC_AUDIO_KIND == 3
// flag: the block code is 24 (for A: 24-byte blocks).
extern "C" __declspec(dllexport) int WINAPI INITdec(int flag, int) {
  decoder().init(flag != 0);
  return 0;
}
#else
extern "C" __declspec(dllexport) int WINAPI INITdec(int) {
  decoder().init();
  return 0;
}
#endif

// A null source conceals a lost frame. Returns the source bytes consumed.
extern "C" __declspec(dllexport) int WINAPI DecSoundFrame(const void* source, void* destination) {
  if (!destination) return 0;
  return decoder().decode(static_cast<const uint8_t*>(source), static_cast<uint8_t*>(destination));
}
