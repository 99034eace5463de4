#include "panel/command_line.h"

#include <gtest/gtest.h>

#include "panel/mcures_ids.h"

namespace panel {
namespace {

TEST(CommandLine, Forms) {
  struct Case {
    const char* text;
    StartRequest::Form form;
    const char* path;
    uint16_t disc;
    uint32_t mismatch;
  } cases[] = {
      {"", StartRequest::plain, "", 0, 0},
      {"x", StartRequest::plain, "", 0, 0},
      {" /play /cda", StartRequest::plain, "", 0, 0},
      {"/play /cdi", StartRequest::play_switch, "", 8, IDS_CDI_NOT_INSERTED},
      {"/play /mix", StartRequest::play_switch, "", 5, IDS_MIXED_NOT_INSERTED},
      {"/play /cda", StartRequest::play_switch, "", 4, IDS_AUDIO_NOT_INSERTED},
      {"/PLAY /CDA", StartRequest::play_switch, "", 4, IDS_AUDIO_NOT_INSERTED},
      {"/play /dat", StartRequest::play_switch, "", 9, IDS_VIDEO_NOT_INSERTED},
      {"/play /qmcd", StartRequest::play_switch, "", 12, IDS_QMCD_NOT_INSERTED},
      {"/play /cdax", StartRequest::play_switch, "", 4, IDS_AUDIO_NOT_INSERTED},  // ten characters compared
      {"/play /qmc", StartRequest::bad_switch, "", 0, 0},
      {"/play /cdx", StartRequest::bad_switch, "", 0, 0},
      {"/play /cd", StartRequest::bad_switch, "", 0, 0},
      {"/play", StartRequest::bad_switch, "", 0, 0},
      {"/", StartRequest::bad_switch, "", 0, 0},
      {"-file D:\\Track07.cda", StartRequest::file, "D:\\Track07.cda", 0, 0},
      {"-play C:\\My Music\\song.wav", StartRequest::file, "C:\\My Music\\song.wav", 0, 0},
      {"-file ", StartRequest::file, "", 0, 0},
      {"-file", StartRequest::short_file, "", 0, 0},
      {"-f", StartRequest::short_file, "", 0, 0},
      {"-", StartRequest::short_file, "", 0, 0},
  };
  for (const Case& c : cases) {
    const StartRequest r = parse_command_line(c.text);
    EXPECT_EQ(r.form, c.form) << '"' << c.text << '"';
    EXPECT_EQ(r.path, c.path) << '"' << c.text << '"';
    EXPECT_EQ(r.expected_disc, c.disc) << '"' << c.text << '"';
    EXPECT_EQ(r.mismatch_text, c.mismatch) << '"' << c.text << '"';
  }
}

TEST(CommandLine, CdaTrackNumber) {
  struct Case {
    const char* text;
    std::optional<int> track;
  } cases[] = {
      {"-file D:\\Track07.cda", 7},
      {"-file D:\\Track7.cda", 7},
      {"-file E:\\Track12.cda", 12},
      {"-file D:\\Track123.cda", 123},
      {"-file D:\\Track.cda", std::nullopt},  // nothing between the two ends
      {"-file D:\\Tra.cda", std::nullopt},    // shorter than both ends
      {"-file D:\\T.cda", std::nullopt},
      {"-f.cda", std::nullopt},
      {"", std::nullopt},
      {"-file D:\\Trackxx.cda", std::nullopt},
      {"-file D:\\Track999999999999999.cda", 999999},  // stops growing, never overflows
  };
  for (const Case& c : cases) EXPECT_EQ(command_line_track(c.text), c.track) << c.text;
}

}  // namespace
}  // namespace panel
