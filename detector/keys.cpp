#include "detector/keys.h"

namespace detector {

const char* kind_name(int kind) {
  static const char* const names[kKindCount] = {"AudioCD", "MixedModeCD", "VideoCD", "QMCD", "CDI"};
  return kind >= 0 && kind < kKindCount ? names[kind] : "";
}

std::string play_command_key(int kind) { return std::string(kind_name(kind)) + "\\shell\\play\\command"; }

std::string kind_key(int kind) { return std::string(kDetectorKey) + "\\" + kind_name(kind); }

}  // namespace detector
