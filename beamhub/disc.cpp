#include "beamhub/disc.h"

#include <cstring>

namespace beamhub {
namespace {

constexpr uint8_t kMediumAudio = 4;
constexpr uint8_t kMediumAudioAlt = 7;
constexpr uint8_t kMediumCdi = 8;
constexpr uint8_t kMediumNone = 15;

constexpr uint16_t kTypeAudio = 4;
constexpr uint16_t kTypeVideoCd = 9;
constexpr uint16_t kTypeQmcd = 12;

constexpr char kVideoCdSignature[] = "VIDEO_CD";
constexpr std::size_t kSignatureSize = sizeof kVideoCdSignature - 1;
constexpr std::size_t kInfoHeadSize = kSignatureSize + 2;  // signature, then the version

std::string root_of(char drive_letter) { return std::string{drive_letter, ':', '\\'}; }

bool known_video_cd_version(uint8_t major, uint8_t minor) {
  return (major == 2 && minor == 0) || (major == 1 && minor == 1);
}

}  // namespace

bool is_video_cd(char drive_letter, DiscFiles& files) {
  const std::string root = root_of(drive_letter);
  const std::string info = root + "vcd\\info.vcd";
  if (files.file_exists(info)) {
    uint8_t head[kInfoHeadSize] = {};
    std::size_t got = 0;
    if (!files.read_start(info, head, sizeof head, got) || got < sizeof head) return false;
    return std::memcmp(head, kVideoCdSignature, kSignatureSize) == 0 &&
           known_video_cd_version(head[kSignatureSize], head[kSignatureSize + 1]);
  }
  // Discs made before the info file: the CD-i player folder and a music track.
  return files.folder_exists(root + "cdi") && files.folder_exists(root + "MPEGAV") &&
         files.any_match(root + "MPEGAV\\MUSIC??.DAT");
}

bool is_qmcd(char drive_letter, DiscFiles& files) {
  const std::string root = root_of(drive_letter);
  return files.folder_exists(root + "wave") || files.folder_exists(root + "midi") ||
         files.folder_exists(root + "avi");
}

uint16_t classify_disc(uint8_t medium_nibble, char drive_letter, DiscFiles& files) {
  switch (medium_nibble) {
    case kMediumAudio:
    case kMediumCdi:
    case kMediumNone:
      return medium_nibble;
    case kMediumAudioAlt:
      return kTypeAudio;
    default:
      break;
  }
  if (is_video_cd(drive_letter, files)) return kTypeVideoCd;
  if (is_qmcd(drive_letter, files)) return kTypeQmcd;
  return medium_nibble;
}

}  // namespace beamhub
