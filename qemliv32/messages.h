// The engine's user-visible texts: numbered errors, status lines, fixed
// messages; how a message travels through QEMPLAY.INI to the outside player
// program; and what a server text asks to be shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "qemliv32/settings.h"

namespace qem {

// The product's web address named by errors 8 and 15.
constexpr const char* kProductWebAddress = "http://www.halvo.example/";

// Errors 1-18; any other number gets "QEMLive Error: Unknown error".
// Error 15 is shown in a message box of its own, the others through the
// outside player program.
const char* error_text(int number);
constexpr int kErrorReceptionTimeout = 15;
// Errors after which playback goes on.
inline bool error_lets_playback_go_on(int number) { return number == 16 || number == 18; }

// Status line.
constexpr const char* kStatusClickToPlay = "Click to play video";
constexpr const char* kStatusConnecting = "Connecting...";
constexpr const char* kStatusConnected = "Connected.";
constexpr const char* kStatusRequesting = "Requesting...";
constexpr const char* kStatusReceiving = "Receiving...";  // the default progress label
constexpr const char* kStatusProgressFormat = "%s %d %%";  // label, percent
constexpr const char* kStatusWait = "Wait...";
constexpr const char* kStatusPlaying = "Playing...";
constexpr const char* kStatusPlayingTimeFormat = "Playing, %02ld:%02ld:%02ld";
constexpr const char* kStatusStop = "Stop";
constexpr const char* kStatusDisconnected = "Disconnected.";
constexpr const char* kStatusEndOfTransmission = "End of transmission";
constexpr const char* kStatusDataPortInUse = "Data Port In Use";
constexpr const char* kStatusNoServer = "No server.";

// Stand-alone dialog.
constexpr const char* kStatusPlayingToEndFormat = "Playing, %02ld:%02ld to end";
constexpr const char* kStatusPlayingFrameFormat = "Playing, frame %ld";
constexpr const char* kStatusPlayingFpsFormat = "Playing, %ld fps";
constexpr const char* kStatusPlayingBelowOneFps = "Playing, <1 fps";
constexpr const char* kStatusBandwidthFormat = "Bandwidth: %ld Kbps";
constexpr const char* kStatReception = "Reception";
constexpr const char* kStatVideoSkip = "Video Skip";
constexpr const char* kStatAudioSkip = "Audio skip";
constexpr const char* kStatFormat = "%s:%3d%%";
constexpr const char* kButtonPause = "Pause";
constexpr const char* kButtonStep = "Step";
constexpr const char* kButtonRewind = "Rewind";
constexpr const char* kCommandPause = "pause";
constexpr const char* kCommandStep = "step";
constexpr const char* kCommandRewind = "rewind";
constexpr const char* kScriptNotFound = "Invalid command line parameter: Script not found";
constexpr const char* kFailedToCreateFile = "Failed to create file!";

// Fixed texts.
constexpr const char* kAlreadyInUse = "QEMLive Video Player is already in use";
constexpr const char* kAlreadyInUseTitle = "QEMLive Video Player";
constexpr const char* kNoVideoFrame = "Fatal Error: Unable to create video frame";
constexpr const char* kLostProtocolSync =
    "Fatal error: Lost protocol sync\nApplication will now terminate.";
constexpr const char* kServerMessageTitle = "QEMLive Video Server Message";
constexpr const char* kOutOfMemoryPlayer = "Out Of Memory\n Notenough memory to run Player";
constexpr const char* kOutOfMemoryPlayerTitle = "QEMLive QEMPlayer Error Message";

// lastmsg keeps a message on one profile line: every line end ("\n", "\r\n"
// or a lone "\r") becomes "~", and "~" reads back as "\n". A "~" of the
// text itself therefore reads back as a line feed.
std::string encode_lastmsg(std::string_view text);
std::string decode_lastmsg(std::string_view stored);

// A message for the outside player's "/MSGBOX": the text (encoded) goes to
// lastmsg, the title to lasthdr, both in section "temp".
bool put_msgbox_message(ProfileStore& store, std::string_view text, std::string_view title);

struct MsgboxMessage {
  std::string text;   // line feeds restored
  std::string title;
};
// What "/MSGBOX" shows: at most kMaxTempText characters of each.
MsgboxMessage get_msgbox_message(ProfileStore& store);

// SERVER_TEXT flags.
constexpr uint32_t kServerTextIgnoredBit = 0x1000;
constexpr uint32_t kServerTextNoAudio = 0x2000;
constexpr uint32_t kServerTextShowNow = 0x100;
// Longest text that becomes the progress label.
constexpr std::size_t kMaxProgressLabel = 100;

struct ServerTextDecision {
  enum class Show {
    nothing,      // a value outside 1-6: the text is ignored
    message_box,  // 1, titled kServerMessageTitle
    status_line,  // 2-5, for display_ms
    no_display,   // 6
  };
  Show show = Show::nothing;
  bool now = false;              // false: kept until the end of transmission
  bool no_audio = false;         // the end-of-stream test ignores the audio queue
  bool replaces_label = false;   // the text (cut to kMaxProgressLabel) becomes the progress label
  uint32_t display_ms = 0;
};

ServerTextDecision decide_server_text(uint32_t flags, uint32_t display_ms);

// The progress label a server text gives.
std::string progress_label(std::string_view text);

}  // namespace qem
