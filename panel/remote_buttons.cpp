// The remote's buttons and the library's queries, as the panel answers them.
#include "beamhub/codes.h"
#include "panel/playback_panel.h"

namespace panel {

uint32_t PlaybackPanel::on_remote(uint32_t code, MMCD_CMD* command) {
  using namespace beamhub;
  // Previous and next track: not on a CD-i title, nor on a single file.
  const bool track_buttons = kind_ != kCdiDisc && (is_cd(kind_) || start_mode_ != kStartFile);
  const bool typed = !digits_.empty();

  switch (code) {
    case kZoom:
      if (open_video()) zoom();
      break;
    case kMute: {
      // The library has toggled the mute already.
      uint32_t mute = 0;
      if (remote_.get_cap(handle_, MMCD_CAP_MUTE, mute) == MMCD_OK) muted_ = mute != 0;
      show_mute();
      type_digit(kClearDigits);
      return kRemotePassOn;
    }
    case kPlay:
    case kEvPlaying:
      if (typed && kind_ != kCdiDisc)
        jump_to_typed_number();
      else
        play();
      break;
    case kStop:
    case kEvStopped:
      stop();
      break;
    case kPause:
    case kEvPaused:
    case kEvResumed:
      pause();
      break;
    case kEject:
    case kEvTrayClosed:
    case kEvTrayOpened:
      eject();
      break;
    case kSkipBackwards:
    case kEvRewinding:
      skip_backward();
      break;
    case kSkipForwards:
    case kEvForwarding:
      skip_forward();
      break;
    case kPrevTrack:
    case kEvPrevTrack:
      if (track_buttons) previous_track();
      break;
    case kNextTrack:
    case kEvNextTrack:
      if (track_buttons) {
        if (typed)
          jump_to_typed_number();
        else
          next_track();
      }
      break;
    case kVolumeUp:
    case kVolumeDown:
    case kEvDriveVolumeUp:
    case kEvDriveVolumeDown:
      // The library has unmuted and changed the volume already.
      if (muted_) {
        muted_ = false;
        show_mute();
      }
      refresh_volume();
      type_digit(kClearDigits);
      return kRemotePassOn;
    case kButton0:
    case kButton1:
    case kButton2:
    case kButton3:
    case kButton4:
    case kButton5:
    case kButton6:
    case kButton7:
    case kButton8:
    case kButton9:
      type_digit(static_cast<int>(code - kButton0));
      return kRemoteHandled;
    case kEnter:
      if (kind_ == kCdiDisc || !typed) return kRemotePassOn;
      jump_to_typed_number();
      break;
    case kAppMenu:
      if (!shell_.is_foreground()) return kRemotePassOn;
      shell_.open_app_menu();
      break;
    case kEvCommand:
      if (command && command->cmd_class == 1) {
        switch (command->item) {
          case 1: command->value = play_state_; return kRemoteHandled;
          case 2: command->value = static_cast<uint32_t>(current_track_); return kRemoteHandled;
          case 3: command->value = static_cast<uint32_t>(zoom_level_); return kRemoteHandled;
          default: break;
        }
      }
      break;
    default:
      return kRemotePassOn;
  }
  type_digit(kClearDigits);
  return kRemoteHandled;
}

}  // namespace panel
