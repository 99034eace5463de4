#include "surfdeck/dde_items.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace surfdeck {
namespace {

std::vector<uint8_t> ids(std::initializer_list<uint32_t> list) {
  std::vector<uint8_t> bytes;
  for (const uint32_t id : list)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(id >> (8 * i)));
  return bytes;
}

TEST(DdeItemsTest, TopicNamesInHandleOrder) {
  const std::vector<std::string> expected = {"WWW_OpenURL",
                                             "WWW_GetWindowInfo",
                                             "WWW_ListWindows",
                                             "WWW_RegisterProtocol",
                                             "WWW_RegisterURLEcho",
                                             "WWW_RegisterWindowChange",
                                             "WWW_UnRegisterProtocol",
                                             "WWW_UnRegisterURLEcho",
                                             "WWW_UnRegisterWindowChange",
                                             "WWW_URLEcho",
                                             "WWW_WindowChange"};
  ASSERT_EQ(static_cast<int>(expected.size()), kTopicCount);
  for (int i = 0; i < kTopicCount; ++i)
    EXPECT_EQ(topicName(static_cast<Topic>(i)), expected[i]) << i;
}

TEST(DdeItemsTest, EveryItemByteForByte) {
  struct Case {
    const char* name;
    std::optional<std::string> item;
    std::string expected;
  } cases[] = {
      {"Explorer home", openUrlItem(explorerHomeArgument("C:\\Halvo\\bm.htm")),
       "\"file:C:\\Halvo\\bm.htm\",,-1,,,,,"},
      {"Navigator home", openUrlItem(navigatorHomeArgument("C:\\Halvo\\bm.htm")),
       "\"C:\\Halvo\\bm.htm\",,0xFFFFFFFF,,,,,"},
      {"numbered link", openUrlItem(linkArgument("http://example.org/a?b=1")),
       "\"http://example.org/a?b=1\",,0xFFFFFFFF,,,,,"},
      {"window information", windowIdItem(0x00A1B2C3), "a1b2c3"},
      {"window information, all bits", windowIdItem(0xFFFFFFFF), "ffffffff"},
      {"register window change", registerWindowChangeItem(0x2f), "\"ZKAPP\",2f"},
      {"URL echo poke", urlEchoItem(), "\"ZKAPP\""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.item) << c.name;
    EXPECT_EQ(*c.item, c.expected) << c.name;
  }
}

TEST(DdeItemsTest, AnItemThatDoesNotFitIsRefusedWhole) {
  // The item text holds 255 characters; the tail ",,,,," takes 5 of them.
  const std::string fits(250, 'u');
  ASSERT_TRUE(openUrlItem(fits));
  EXPECT_EQ(openUrlItem(fits)->size(), kItemLimit);
  EXPECT_FALSE(openUrlItem(fits + "u"));

  // A 260-byte bookmark path cannot make a home item at all.
  EXPECT_FALSE(openUrlItem(explorerHomeArgument(std::string(259, 'p'))));
  EXPECT_FALSE(openUrlItem(linkArgument("http://example.org/" + std::string(300, 'x'))));
}

TEST(DdeItemsTest, ListWindowsReplyWalk) {
  const uint32_t current = 0x77;
  struct Case {
    const char* name;
    std::vector<uint8_t> reply;
    uint32_t expected;
  } cases[] = {
      {"empty reply keeps the id", {}, current},
      {"first element 0 keeps the id", ids({0, 5}), current},
      {"first element 0xFFFFFFFF keeps the id", ids({0xFFFFFFFF, 5}), current},
      {"the first of several", ids({0x1234, 0x5678, 0}), 0x1234},
      {"repeated ids end the array", ids({9, 9, 9}), 9},
      {"no terminator", ids({0xABCDEF01}), 0xABCDEF01},
      {"short reply: no whole id", {1, 2, 3}, current},
      {"odd size: the partial id is not read", {4, 0, 0, 0, 8, 8}, 4},
  };
  for (const Case& c : cases) {
    // The reply in a buffer of exactly its size, so a read past it shows.
    std::vector<uint8_t> exact(c.reply);
    EXPECT_EQ(windowIdFromList(exact.empty() ? nullptr : exact.data(), exact.size(), current),
              c.expected)
        << c.name;
  }
}

TEST(DdeItemsTest, SplitKeepsTenFieldsOf255) {
  const std::string longField(300, 'x');
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> fields;
  } cases[] = {
      {"echo", "\"http://a/\",\"Title\",3", {"\"http://a/\"", "\"Title\"", "3"}},
      {"empty text", "", {}},
      {"empty fields", ",a,", {"", "a", ""}},
      {"more than ten fields",
       "1,2,3,4,5,6,7,8,9,10,11,12",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
      {"a field of 300 characters",
       "a," + longField + ",b",
       {"a", std::string(kMaxFieldLength, 'x'), "b"}},
      {"text ends at a NUL", std::string("a,b\0c,d", 7), {"a", "b"}},
  };
  for (const Case& c : cases) {
    // No terminator after the text: the split must stop at size.
    const std::vector<char> exact(c.text.begin(), c.text.end());
    const Fields f = splitFields(exact.empty() ? nullptr : exact.data(), exact.size());
    ASSERT_EQ(f.count, static_cast<int>(c.fields.size())) << c.name;
    for (int i = 0; i < f.count; ++i) EXPECT_EQ(f.field[i], c.fields[i]) << c.name << " " << i;
    for (int i = f.count; i < kMaxFields; ++i) EXPECT_TRUE(f.field[i].empty()) << c.name;
  }
}

TEST(DdeItemsTest, WindowTitleIsFieldTwoWithoutItsQuotes) {
  struct Case {
    const char* name;
    std::string info;
    std::optional<std::string> title;
  } cases[] = {
      {"quoted title", "\"http://a/\",\"Bookmarks - Navigator\",0", "Bookmarks - Navigator"},
      {"empty quotes", "\"http://a/\",\"\"", ""},
      {"one character", "\"http://a/\",\"", std::nullopt},
      {"empty field", "\"http://a/\",,x", std::nullopt},
      {"only a URL", "\"http://a/\"", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(windowTitleFromInfo(splitFields(c.info.data(), c.info.size())), c.title) << c.name;
}

}  // namespace
}  // namespace surfdeck
