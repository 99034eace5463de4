#include "qemliv32/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace qem {
namespace {

TEST(ErrorText, NumbersAndTheUnknownRest) {
  struct Case {
    int number;
    const char* starts;
  };
  const Case cases[] = {
      {1, "QEMLive Error: File Open\nServer could not open"},
      {2, "QEMLive Error: File Read\n"},
      {3, "QEMLive Error: File Write\n"},
      {4, "QEMLive Error: File Create\n"},
      {5, "QEMLive Error: Permission Denied\n"},
      {8, "QEMLive Error: Client-Server protocol mismatch.\n"},
      {9, "QEMLive Error: Timeout\n"},
      {10, "QEMLive Error: Too many connected clients.\n"},
      {12, "QEMLive Error: Bandwidth\n"},
      {13, "QEMLive Error: Video Format\n"},
      {14, "QEMLive Error: Audio Format\n"},
      {15, "The player encountered a timeout during data reception.\n"},
      {16, "QEMLive Error: Video Size\n"},
      {17, "QEMLive Error: File Open\nCould not open the .qem file. Try Again!"},
      {18, "QEMLive Error: Sound Device\n"},
      {0, "QEMLive Error: Unknown error"},
      {6, "QEMLive Error: Unknown error"},
      {7, "QEMLive Error: Unknown error"},
      {11, "QEMLive Error: Unknown error"},
      {19, "QEMLive Error: Unknown error"},
      {-1, "QEMLive Error: Unknown error"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::string(error_text(c.number)).rfind(c.starts, 0), 0u) << "error " << c.number;

  const std::string e8 = error_text(8);
  EXPECT_EQ(e8, std::string("QEMLive Error: Client-Server protocol mismatch.\n"
                            "Please download new player from ") +
                    kProductWebAddress + ".");
  const std::string e15 = error_text(15);
  EXPECT_NE(e15.find(std::string("available online at ") + kProductWebAddress +
                     " for troubleshooting\ntips and FAQ.\n"),
            std::string::npos);
  EXPECT_EQ(e15.size() - e15.rfind("tips and FAQ.\n"), 14u) << "ends the text";
}

TEST(LastMsg, LineFeedsTravelAsTilde) {
  struct Case {
    const char* text;
    const char* stored;
    const char* read_back;
  };
  const Case cases[] = {
      {"one\ntwo\n", "one~two~", "one\ntwo\n"},
      {"dos\r\nlines", "dos~lines", "dos\nlines"},
      {"lone\rreturn", "lone~return", "lone\nreturn"},
      {"plain", "plain", "plain"},
      {"home ~user", "home ~user", "home \nuser"},  // the format cannot tell them apart
  };
  for (const Case& c : cases) {
    EXPECT_EQ(encode_lastmsg(c.text), c.stored) << c.text;
    EXPECT_EQ(decode_lastmsg(encode_lastmsg(c.text)), c.read_back) << c.text;
    EXPECT_EQ(encode_lastmsg(c.text).find_first_of("\r\n"), std::string::npos) << c.text;
  }
}

TEST(LastMsg, RoundTripsThroughTheProfile) {
  MemoryProfileStore store;
  ASSERT_TRUE(put_msgbox_message(store, "Server going down\r\nat noon\n", kServerMessageTitle));
  EXPECT_EQ(store.get("temp", "lastmsg"), "Server going down~at noon~");
  MsgboxMessage m = get_msgbox_message(store);
  EXPECT_EQ(m.text, "Server going down\nat noon\n");
  EXPECT_EQ(m.title, kServerMessageTitle);

  // Read back from file text as the outside program would, cut to 256.
  MemoryProfileStore file("[Temp]\nLastMsg=" + std::string(300, 'm') + "~\nLastHdr=T\n");
  EXPECT_EQ(get_msgbox_message(file).text, std::string(256, 'm'));
}

TEST(ServerText, FlagsDecideTheDisplay) {
  using Show = ServerTextDecision::Show;
  struct Case {
    uint32_t flags;
    Show show;
    bool now;
    bool no_audio;
    bool replaces_label;
  };
  const Case cases[] = {
      {1, Show::message_box, false, false, false},
      {0x101, Show::message_box, true, false, false},
      {0x1101, Show::message_box, true, false, false},
      {0x2001, Show::message_box, false, true, false},
      {2, Show::status_line, false, false, true},
      {0x105, Show::status_line, true, false, true},
      {0x3105, Show::status_line, true, true, true},
      {6, Show::no_display, false, false, true},
      {0, Show::nothing, false, false, false},
      {7, Show::nothing, false, false, false},
      {0x2000, Show::nothing, false, true, false},
      {0x10001, Show::nothing, false, false, false},
      {0xFFFFFFFF, Show::nothing, true, true, false},
  };
  for (const Case& c : cases) {
    ServerTextDecision d = decide_server_text(c.flags, 4000);
    EXPECT_EQ(d.show, c.show) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(d.now, c.now) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(d.no_audio, c.no_audio) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(d.replaces_label, c.replaces_label) << std::hex << "flags 0x" << c.flags;
    EXPECT_EQ(d.display_ms, 4000u);
  }
  EXPECT_EQ(progress_label(std::string(150, 'x')), std::string(100, 'x'));
  EXPECT_EQ(progress_label("Loading"), "Loading");
}

}  // namespace
}  // namespace qem
