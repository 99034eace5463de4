#include "sim/browser/dde_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace browser {
namespace {

std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    result.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return result;
    start = comma + 1;
  }
}

TEST(BrowserDdeText, OpenUrlItems) {
  struct Case {
    const char* item;
    bool ok;
    const char* url;
    const char* rest;
  } cases[] = {
      {"\"file:C:\\x\\b.htm\",,-1,,,,,", true, "file:C:\\x\\b.htm", ",,-1,,,,,"},
      {"\"http://a/12\",,0xFFFFFFFF,,,,,", true, "http://a/12", ",,0xFFFFFFFF,,,,,"},
      {"\"C:\\x\\b.htm\"", true, "C:\\x\\b.htm", ""},
      {"\"a,b\",,-1", true, "a,b", ",,-1"},  // a comma inside the quotes is the URL's
      {"http://a/12,,-1,,,,,", false, "", ""},
      {"\"\",,-1,,,,,", false, "", ""},
      {"\"http://a/12,,-1,,,,,", false, "", ""},
      {"\"http://a/12\"x,,-1", false, "", ""},
      {"", false, "", ""},
      {"\"", false, "", ""},
  };
  for (const Case& c : cases) {
    const std::optional<OpenUrlItem> item = parse_open_url_item(c.item);
    ASSERT_EQ(item.has_value(), c.ok) << c.item;
    if (!item) continue;
    EXPECT_EQ(item->url, c.url) << c.item;
    EXPECT_EQ(item->rest, c.rest) << c.item;
  }
}

TEST(BrowserDdeText, WindowIdItems) {
  struct Case {
    const char* item;
    std::optional<uint32_t> id;
  } cases[] = {
      {"1", 1u},           {"ffffffff", 0xFFFFFFFFu}, {"00a0", 0xA0u}, {"A0", 0xA0u},
      {"", std::nullopt},  {"0x1", std::nullopt},     {"1 ", std::nullopt},
      {"123456789", std::nullopt},  // more than a u32
  };
  for (const Case& c : cases) EXPECT_EQ(parse_window_id_item(c.item), c.id) << c.item;
}

TEST(BrowserDdeText, RegistrationItems) {
  EXPECT_EQ(registered_service("\"ZKAPP\""), "ZKAPP");
  EXPECT_EQ(registered_service("\"ZKAPP\",1"), "ZKAPP");
  EXPECT_EQ(registered_service("ZKAPP"), std::nullopt);
  EXPECT_EQ(registered_service("\"\""), std::nullopt);
  EXPECT_EQ(registered_service("\"ZKAPP"), std::nullopt);
}

TEST(BrowserDdeText, Replies) {
  EXPECT_EQ(window_info_text("file:C:\\b.htm", "Halvo Test Browser - NETSCAPE"),
            "\"file:C:\\b.htm\",\"Halvo Test Browser - NETSCAPE\"");
  EXPECT_EQ(list_windows_reply(), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(u32_reply(0x12345678), (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
}

TEST(BrowserDdeText, PlainEcho) {
  const UrlEcho echo = url_echo("http://a/12", false);
  EXPECT_EQ(echo.item, "\"http://a/12\",\"text/html\",1,\"\"");
  EXPECT_EQ(echo.data, echo.item);
}

TEST(BrowserDdeText, EchoItemsStayWithinAStringHandle) {
  // A URL as long as a path can make it: the item's URL is shortened, its
  // fields stay; the data keeps the whole URL.
  for (const bool flood : {false, true}) {
    const std::string url = "file:C:\\" + std::string(300, 'p');
    const UrlEcho echo = url_echo(url, flood);
    EXPECT_LE(echo.item.size(), kMaxItem) << flood;
    EXPECT_EQ(fields(echo.item).size(), flood ? 14u : 4u) << flood;
    EXPECT_EQ(fields(echo.item)[1], "\"text/html\"") << flood;
    EXPECT_EQ(fields(echo.data)[0], "\"" + url + "\"") << flood;
  }
}

TEST(BrowserDdeText, FloodedEcho) {
  const UrlEcho echo = url_echo("http://a/12", true);
  const std::vector<std::string> item = fields(echo.item);
  const std::vector<std::string> data = fields(echo.data);
  EXPECT_GT(item.size(), 10u);
  EXPECT_GT(data.size(), 10u);
  EXPECT_EQ(item[0], "\"http://a/12\"");
  EXPECT_EQ(data[0], "\"http://a/12\"");
  std::size_t longest = 0;
  int over_255 = 0;
  for (const std::string& f : data) {
    longest = std::max(longest, f.size());
    if (f.size() > 255) ++over_255;
  }
  EXPECT_EQ(longest, kFloodLongerField);
  EXPECT_EQ(over_255, 2);
  // A long field before the tenth and the eleventh one: a split that does
  // not stop at its bounds shows in both.
  EXPECT_EQ(data[5].size(), kFloodLongField);
  EXPECT_EQ(data[11].size(), kFloodLongerField);
}

}  // namespace
}  // namespace browser
