#include "sim/browser/log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace browser {
namespace {

TEST(BrowserLog, Escapes) {
  struct Case {
    std::string bytes;
    const char* text;
  } cases[] = {
      {"http://a/12", "http://a/12"},
      {"\"file:C:\\x\",,-1", "\\x22file:C:\\x5cx\\x22,,-1"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\r\n\t\x7f\x80\xff ", "\\x0d\\x0a\\x09\\x7f\\x80\\xff "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(escape(c.bytes), c.text);
    EXPECT_EQ(unescape(c.text), c.bytes) << c.text;
  }
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(unescape(escape(every)), every);
  for (const char* bad : {"\\", "\\x", "\\x4", "\\x4g", "\\y41", "a\\"})
    EXPECT_EQ(unescape(bad), std::nullopt) << bad;
}

TEST(BrowserLog, LinesReadBack) {
  const std::string item = "\"http://a/12\",,0xFFFFFFFF,,,,,";
  const std::string line = LogLine("dde")
                               .number("t", 123456)
                               .text("type", "request")
                               .text("topic", "WWW_OpenURL")
                               .text("item", item)
                               .hex("window", 0x1A0)
                               .text("empty", "")
                               .str();
  const std::optional<LogEntry> entry = parse_log_line(line);
  ASSERT_TRUE(entry) << line;
  EXPECT_EQ(entry->event, "dde");
  EXPECT_EQ(entry->get("item"), item);
  EXPECT_TRUE(entry->has("topic", "WWW_OpenURL"));
  EXPECT_EQ(entry->number("t"), 123456);
  EXPECT_EQ(entry->number("window"), 0x1A0);
  EXPECT_EQ(entry->number("topic", -7), -7);
  EXPECT_EQ(entry->number("absent", -7), -7);
  EXPECT_TRUE(entry->find("empty") && entry->find("empty")->empty());
  EXPECT_EQ(entry->find("absent"), nullptr);
  EXPECT_EQ(entry->line, line);
}

TEST(BrowserLog, MalformedLines) {
  for (const char* bad : {"", " start", "start ", "start x", "start =1", "start x=\"open",
                          "start x=\"bad\\q\"", "start x=1  y=2", "st@rt x=1", "start x=\"a\"b"}) {
    EXPECT_EQ(parse_log_line(bad), std::nullopt) << bad;
  }
  const std::optional<LogEntry> bare = parse_log_line("exit");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->event, "exit");
  EXPECT_TRUE(bare->fields.empty());
}

}  // namespace
}  // namespace browser
