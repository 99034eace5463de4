#include "qemliv32/messages.h"

namespace qem {
namespace {

// kProductWebAddress appears inside errors 8 and 15.
const char* const kErrorTexts[19] = {
    nullptr,
    "QEMLive Error: File Open\nServer could not open the requested file.\n"
    "Contact web site administrator.",
    "QEMLive Error: File Read\nServer could not read from the requested file.\n"
    "Contact web site administrator.",
    "QEMLive Error: File Write\nServer could not write to the requested file.",
    "QEMLive Error: File Create\nServer could not create the requested file.",
    "QEMLive Error: Permission Denied\nServer denied the transaction.",
    nullptr,
    nullptr,
    "QEMLive Error: Client-Server protocol mismatch.\n"
    "Please download new player from http://www.halvo.example/.",
    "QEMLive Error: Timeout\nServer did not respond to your request in time.\n"
    "Transaction aborted.",
    "QEMLive Error: Too many connected clients.\nPlease try again later.",
    nullptr,
    "QEMLive Error: Bandwidth\nThere is not enough bandwidth to send video data.\n"
    "Please try to improve your connection.\nTransaction aborted.",
    "QEMLive Error: Video Format\nThe requested file has an unsupported video format.\n"
    "Transaction aborted.\nContact web site administrator.",
    "QEMLive Error: Audio Format\nThe requested file has an unsupported audio format.\n"
    "Transaction aborted.\nContact web site administrator.",
    "The player encountered a timeout during data reception.\n"
    "Possible causes:\n"
    "1. You may have a firewall between your QEMLive Video\n"
    "   player and the QEMLive server.\n"
    "2. The server has been shut down.\n"
    "3. Your TCP/IP connection to the server has been lost.\n"
    "4. Your service provider does not support UDP transport.\n"
    "For more information, Please refer to the documentation\n"
    "available online at http://www.halvo.example/ for troubleshooting\n"
    "tips and FAQ.\n",
    "QEMLive Error: Video Size\nThe requested file has an unsupported video size. "
    "Only Audio available.\n32 bit version of the player can be used to see this clip.\n"
    "Contact web site administrator.",
    "QEMLive Error: File Open\nCould not open the .qem file. Try Again!",
    "QEMLive Error: Sound Device\nPlayer failed to open sound device.\nOnly Video available",
};

const char* const kUnknownError = "QEMLive Error: Unknown error";

}  // namespace

const char* error_text(int number) {
  if (number < 1 || number > 18 || !kErrorTexts[number]) return kUnknownError;
  return kErrorTexts[number];
}

std::string encode_lastmsg(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      // A carriage return would end the profile line and lose the rest.
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += '~';
    } else {
      out += c == '\n' ? '~' : c;
    }
  }
  return out;
}

std::string decode_lastmsg(std::string_view stored) {
  std::string out(stored);
  for (char& c : out)
    if (c == '~') c = '\n';
  return out;
}

bool put_msgbox_message(ProfileStore& store, std::string_view text, std::string_view title) {
  bool ok = store.put(kSectionTemp, kKeyLastMsg, encode_lastmsg(text));
  return store.put(kSectionTemp, kKeyLastHdr, title) && ok;
}

MsgboxMessage get_msgbox_message(ProfileStore& store) {
  QemSettings s = load_settings(store);
  return MsgboxMessage{decode_lastmsg(s.lastmsg), s.lasthdr};
}

ServerTextDecision decide_server_text(uint32_t flags, uint32_t display_ms) {
  ServerTextDecision d;
  d.no_audio = (flags & kServerTextNoAudio) != 0;
  d.now = (flags & kServerTextShowNow) != 0;
  d.display_ms = display_ms;
  uint32_t value = flags & ~(kServerTextIgnoredBit | kServerTextNoAudio | kServerTextShowNow);
  if (value == 1) {
    d.show = ServerTextDecision::Show::message_box;
  } else if (value >= 2 && value <= 5) {
    d.show = ServerTextDecision::Show::status_line;
    d.replaces_label = true;
  } else if (value == 6) {
    d.show = ServerTextDecision::Show::no_display;
    d.replaces_label = true;
  }
  return d;
}

std::string progress_label(std::string_view text) {
  return std::string(text.substr(0, kMaxProgressLabel));
}

}  // namespace qem
