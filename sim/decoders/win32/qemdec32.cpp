// qemdec32.dll: the test video decoder at the player's contract. One
// decoder per process; it keeps its last picture between calls as the base
// of the next delta frame.
#include <windows.h>

#include "sim/decoders/video_codec.h"

namespace {
qdec::VideoDecoder& decoder() {
  static qdec::VideoDecoder d;
  return d;
}
}  // namespace

// Ordinal 2. bits2 is the output bits again; it stands in when bits is null.
extern "C" short WINAPI DecodeFrame(void* bits, const void* in_header, void* out_info,
                                    const void* frame, void* bits2) {
  return decoder().decode(bits ? bits : bits2, in_header, out_info, frame);
}

// Ordinal 3.
extern "C" void WINAPI CloseDecoder(void) { decoder().close(); }
