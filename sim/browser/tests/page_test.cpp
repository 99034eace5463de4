#include "sim/browser/page.h"

#include <gtest/gtest.h>

#include <string>

namespace browser {
namespace {

const std::string kBookmarks = std::string(SIM_BROWSER_FIXTURES) + "/bookmarks.htm";

std::string link(int n) { return "http://example.test/" + std::to_string(n); }

TEST(BrowserPage, BookmarkFileListsItsLinks) {
  // As the two home pages name it ("file://" forms: FileUrls).
  for (const std::string& url : {"file:" + kBookmarks, kBookmarks}) {
    Page page;
    page.show(url);
    EXPECT_EQ(page.listed_file(), kBookmarks) << url;
    ASSERT_EQ(page.link_count(), 12u) << url;
    EXPECT_EQ(page.marked(), 0) << url;
    const std::vector<PageLine> lines = page.lines();
    ASSERT_EQ(lines.size(), 14u) << url;
    EXPECT_EQ(lines[0].text, "Address: " + url);
    EXPECT_EQ(lines[2].text, "1  " + link(1));
    EXPECT_EQ(lines[13].text, "12  " + link(12));
    for (const PageLine& line : lines) EXPECT_FALSE(line.marked) << line.text;
  }
}

TEST(BrowserPage, ChosenLinkIsMarked) {
  Page page;
  page.show("file:" + kBookmarks);
  page.show(link(12));
  EXPECT_EQ(page.url(), link(12));
  EXPECT_EQ(page.marked(), 12);
  EXPECT_EQ(page.link_count(), 12u);
  int marked = 0;
  for (const PageLine& line : page.lines()) {
    if (!line.marked) continue;
    ++marked;
    EXPECT_EQ(line.text, "12  " + link(12));
  }
  EXPECT_EQ(marked, 1);
  EXPECT_EQ(page.lines()[0].text, "Address: " + link(12));

  page.show(link(2));
  EXPECT_EQ(page.marked(), 2);
}

TEST(BrowserPage, OtherAddressHidesTheListUntilALinkComesBack) {
  Page page;
  page.show("file:" + kBookmarks);
  page.show("http://elsewhere.test/");
  EXPECT_EQ(page.link_count(), 0u);
  EXPECT_EQ(page.marked(), 0);
  EXPECT_EQ(page.lines().size(), 1u);
  page.show(link(7));
  EXPECT_EQ(page.link_count(), 12u);
  EXPECT_EQ(page.marked(), 7);
}

TEST(BrowserPage, MissingFile) {
  Page page;
  EXPECT_EQ(page.url(), "about:blank");
  page.show("file:" + kBookmarks);
  page.show("file:C:\\no\\such\\file.htm");
  EXPECT_EQ(page.link_count(), 0u);
  const std::vector<PageLine> lines = page.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, "(cannot open C:\\no\\such\\file.htm)");
  // The old list is still the one a link is looked up in.
  page.show(link(3));
  EXPECT_EQ(page.marked(), 3);
}

TEST(BrowserPage, FileUrls) {
  struct Case {
    const char* url;
    std::optional<std::string> path;
  } cases[] = {
      {"file:C:\\x\\b.htm", "C:\\x\\b.htm"},
      {"FILE:C:\\x\\b.htm", "C:\\x\\b.htm"},
      {"file:///C:/x/b.htm", "C:/x/b.htm"},
      {"file://C:/x/b.htm", "C:/x/b.htm"},
      {"http://a/12", std::nullopt},
      {"C:\\x\\b.htm", std::nullopt},
      {"fil", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(file_url_path(c.url), c.path) << c.url;
}

}  // namespace
}  // namespace browser
