#include "surfdeck/link_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "surfdeck/tests/event_log.h"
#include "surfdeck/tests/temp_dir.h"

namespace surfdeck {
namespace {

// Stands in for the browser: records what it was asked to open.
class RecordingBrowser : public UrlOpener {
 public:
  bool openUrl(const std::string& argument) override {
    opened.push_back(argument);
    return answers;
  }
  std::vector<std::string> opened;
  bool answers = true;
};

std::string arg(const std::string& url) { return "\"" + url + "\",,0xFFFFFFFF"; }

std::string entry(int n, const std::string& url, const std::string& title = "t") {
  return "\t<DT><A HREF=" + url + "><B>" + std::to_string(n) + " " + title +
         "</B></A><P>\r\n";
}

class LinkTableTest : public ::testing::Test {
 protected:
  bool load(const std::string& bytes) { return table.load(dir.write("b.htm", bytes)); }

  TempDir dir;
  RecordingBrowser browser;
  LinkTable table{browser};
};

TEST_F(LinkTableTest, WhichAnchorsBecomeLinks) {
  struct Case {
    const char* name;
    std::string page;
    std::vector<int> order;
    std::vector<std::string> urls;
  } cases[] = {
      {"first number wins", entry(3, "first", "a") + entry(3, "second", "b"), {3}, {"first"}},
      {"text without a number", "<A HREF=h>Home page</A>" + entry(1, "u"), {1}, {"u"}},
      {"blanks and sign before the number", "<A HREF=p>  +7 x</A><A HREF=m>-2 y</A>",
       {7, -2}, {"p", "m"}},
      {"number too large", "<A HREF=big>99999999999 x</A>", {}, {}},
      {"empty text falls back to the HREF", "<A HREF=42></A>", {42}, {"42"}},
      {"anchor without HREF takes no earlier URL", entry(1, "u") + "<H3><A NAME=n>5 x</A></H3>",
       {1}, {"u"}},
      {"HREF with a blank ends at the blank", "<DT><A HREF=http://a b/><B>1 t</B></A>", {1},
       {"http://a"}},
      {"numbers in nested lists", "<DL>" + entry(2, "x") + "<DL>" + entry(1, "y") + "</DL></DL>",
       {2, 1}, {"x", "y"}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(load(c.page)) << c.name;
    EXPECT_EQ(table.order(), c.order) << c.name;
    for (std::size_t i = 0; i < c.order.size() && i < c.urls.size(); ++i)
      EXPECT_EQ(table.url(c.order[i]), c.urls[i]) << c.name;
  }
}

TEST_F(LinkTableTest, OpenSendsTheUrlAndMakesItCurrent) {
  ASSERT_TRUE(load(entry(1, "http://a/") + entry(2, "http://b/")));
  EXPECT_TRUE(table.open(2));
  EXPECT_EQ(table.current(), 2);
  EXPECT_FALSE(table.open(9));
  EXPECT_EQ(table.current(), 2);
  EXPECT_EQ(browser.opened, std::vector<std::string>{arg("http://b/")});

  // A browser that does not take the URL leaves current where it was.
  browser.answers = false;
  EXPECT_FALSE(table.open(1));
  EXPECT_EQ(table.current(), 2);
}

TEST_F(LinkTableTest, OpenNextWalksTheOrderAndWraps) {
  EXPECT_FALSE(table.openNext());  // nothing loaded
  ASSERT_TRUE(load(entry(5, "five") + entry(2, "two") + entry(9, "nine")));
  std::vector<int> walked;
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(table.openNext());
    walked.push_back(table.current());
  }
  EXPECT_EQ(walked, (std::vector<int>{5, 2, 9, 5}));
  EXPECT_EQ(browser.opened,
            (std::vector<std::string>{arg("five"), arg("two"), arg("nine"), arg("five")}));
}

TEST_F(LinkTableTest, SecondLoadKeepsCurrent) {
  ASSERT_TRUE(load(entry(1, "a") + entry(2, "b")));
  ASSERT_TRUE(table.open(2));
  // The new file has 2: continue after it.
  ASSERT_TRUE(load(entry(1, "x") + entry(2, "y") + entry(3, "z")));
  EXPECT_EQ(table.current(), 2);
  EXPECT_TRUE(table.openNext());
  EXPECT_EQ(table.current(), 3);
  // The next file does not have 3: nothing happens.
  ASSERT_TRUE(load(entry(1, "p")));
  EXPECT_FALSE(table.openNext());
  EXPECT_EQ(table.current(), 3);
  EXPECT_EQ(browser.opened.size(), 2u);
}

TEST_F(LinkTableTest, FileThatCannotBeOpenedLeavesAnEmptyTable) {
  ASSERT_TRUE(load(entry(1, "a")));
  EXPECT_FALSE(table.load(dir.file("missing.htm")));
  EXPECT_TRUE(table.order().empty());
  EXPECT_FALSE(table.open(1));
  EXPECT_TRUE(browser.opened.empty());
}

TEST_F(LinkTableTest, ReadsInBlocksAcrossBoundaries) {
  // Entries of assorted lengths put anchors across many 500-byte block
  // edges; a file of exactly one block ends with an empty read.
  std::string page;
  for (int n = 1; n <= 60; ++n) page += entry(n, "http://e.example/" + std::string(n % 13, 'p'));
  ASSERT_TRUE(load(page));
  ASSERT_EQ(table.order().size(), 60u);
  EXPECT_EQ(table.url(60), "http://e.example/" + std::string(60 % 13, 'p'));

  std::string exact = entry(1, "one");
  exact += std::string(LinkTable::kBlockSize - exact.size(), ' ');
  ASSERT_TRUE(load(exact));
  EXPECT_EQ(table.url(1), "one");
}

TEST_F(LinkTableTest, ParserStateCarriesIntoTheNextLoad) {
  // The first file stops inside an anchor; the next one finishes it.
  ASSERT_TRUE(load("<A HREF=carried>4 a"));
  EXPECT_TRUE(table.order().empty());
  ASSERT_TRUE(load("</A>" + entry(1, "one")));
  EXPECT_EQ(table.order(), (std::vector<int>{4, 1}));
  EXPECT_EQ(table.url(4), "carried");
}

TEST_F(LinkTableTest, OutsideConsumerTakesTheEventsWhileSwitched) {
  EventLog outside;
  table.setConsumer(&outside);
  ASSERT_TRUE(load("<H1>T</H1><DL>" + entry(1, "u") + "</DL>"));
  EXPECT_EQ(outside.joined(), "3|4:T|5|7|0:u|1:1 t|2|6");
  EXPECT_TRUE(table.order().empty());

  table.setConsumer(nullptr);
  ASSERT_TRUE(load(entry(1, "u")));
  EXPECT_EQ(table.order(), std::vector<int>{1});
  EXPECT_EQ(outside.events.size(), 8u);
}

TEST_F(LinkTableTest, ClearEmptiesAndStopsLoading) {
  ASSERT_TRUE(load(entry(1, "a")));
  table.clear();
  EXPECT_TRUE(table.order().empty());
  EXPECT_FALSE(load(entry(1, "a")));
}

TEST(LeadingNumber, LikeTheDecimalConversionOfAnAnchorText) {
  struct Case { const char* text; int n; } cases[] = {
      {"12 a", 12}, {"  \t3x", 3}, {"-4", -4}, {"+5", 5}, {"a1", 0}, {"", 0},
      {"2147483647", 2147483647}, {"2147483648", 0}, {"- 1", 0}};
  for (const Case& c : cases) EXPECT_EQ(leadingNumber(c.text), c.n) << c.text;
  EXPECT_EQ(leadingNumber(nullptr), 0);
}

}  // namespace
}  // namespace surfdeck
