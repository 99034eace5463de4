#include "panel/media.h"

namespace panel {

const char* disc_name(MediaKind kind) {
  switch (kind) {
    case kAudioCd: return "Audio";
    case kMixedModeCd: return "Mixed";
    case kAviFile:
    case kMidiFile:
    case kWaveFile:
    case kMultimediaCd: return "QMCD";
    case kVideoCd: return "Video";
    case kCdiDisc: return "Cdi";
    case kNoDisc: break;
  }
  return "";
}

void DiscIdentity::reset(std::string_view disc_name) {
  text_.clear();
  append(disc_name);
}

void DiscIdentity::append(std::string_view suffix) {
  const std::size_t room = kMaxLength - text_.size();
  text_.append(suffix.substr(0, room));
}

}  // namespace panel
