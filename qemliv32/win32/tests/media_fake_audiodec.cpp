// A stand-in sound decoder: built as kind A (INITdec of two arguments, one
// block per call, 480 bytes out) or kind B (INITdec of one, 1920 bytes out,
// the source's first byte as the bytes consumed). The output is a square
// wave; a concealment call gives silence. The calls are there to look at.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {
int g_init_calls = 0;
int g_init_args[2] = {-1, -1};
int g_decodes = 0;
int g_conceals = 0;

#ifdef FAKE_KIND_A
constexpr int kOut = 480;
#else
constexpr int kOut = 1920;
#endif

void tone(void* destination) {
  auto* out = static_cast<uint8_t*>(destination);
  for (int i = 0; i < kOut / 2; ++i) {
    int16_t s = (i / 8) % 2 ? 8000 : -8000;
    out[2 * i] = uint8_t(s);
    out[2 * i + 1] = uint8_t(uint16_t(s) >> 8);
  }
}
}  // namespace

extern "C" {

#ifdef FAKE_KIND_A
__declspec(dllexport) int WINAPI INITdec(int a, int b) {
  ++g_init_calls;
  g_init_args[0] = a;
  g_init_args[1] = b;
  return 0;
}
#else
__declspec(dllexport) int WINAPI INITdec(int a) {
  ++g_init_calls;
  g_init_args[0] = a;
  return 0;
}
#endif

__declspec(dllexport) int WINAPI DecSoundFrame(const void* source, void* destination) {
  if (!source) {
    ++g_conceals;
    std::memset(destination, 0, kOut);
    return 0;
  }
  ++g_decodes;
  tone(destination);
#ifdef FAKE_KIND_A
  return 0;
#else
  return *static_cast<const uint8_t*>(source);
#endif
}

__declspec(dllexport) int WINAPI FakeInitCalls(void) { return g_init_calls; }
__declspec(dllexport) int WINAPI FakeInitArg(int i) { return g_init_args[i & 1]; }
__declspec(dllexport) int WINAPI FakeDecodes(void) { return g_decodes; }
__declspec(dllexport) int WINAPI FakeConceals(void) { return g_conceals; }

}  // extern "C"
