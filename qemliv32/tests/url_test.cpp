#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qemliv32/HTTP/htparse.h"
#include "qemliv32/HTTP/htstring.h"
#include "qemliv32/HTTP/qem_url.h"

namespace qem {
namespace {

TEST(QemUrl, Parses) {
  struct Case {
    const char* url;
    const char* host;
    uint16_t port;
    const char* path;
  };
  const Case cases[] = {
      {"qem://host/c|/clips/a.avi", "host", 7000, "/c:\\/clips/a.avi"},
      {"QEM://host:7070/x", "host", 7070, "/x"},
      {"Qem://video.example:1/a/b.avi", "video.example", 1, "/a/b.avi"},
      {"qem://host:65535/", "host", 65535, ""},
      {"qem://host", "host", 7000, ""},
      {"qem:///clip", "", 7000, "/clip"},
      {"qem://h/a|b|c", "h", 7000, "/a:\\b|c"},
      {"qem://h/dir/clip.avi#start", "h", 7000, "/dir/clip.avi"},
  };
  for (const Case& c : cases) {
    QemUrlResult r = parse_qem_url(c.url);
    ASSERT_EQ(r.error, QemUrlError::none) << c.url << ": " << qem_url_error_name(r.error);
    EXPECT_EQ(r.url.host, c.host) << c.url;
    EXPECT_EQ(r.url.port, c.port) << c.url;
    EXPECT_EQ(r.url.path, c.path) << c.url;
  }
}

TEST(QemUrl, RejectsWithAClearError) {
  struct Case {
    const char* url;
    QemUrlError error;
  };
  const Case cases[] = {
      {"http://host/x", QemUrlError::not_qem},
      {"//host/x", QemUrlError::not_qem},
      {"host/qem:x", QemUrlError::not_qem},
      {"", QemUrlError::not_qem},
      {"qemx://host/x", QemUrlError::not_qem},
      {"qem://host:/x", QemUrlError::bad_port},
      {"qem://host:0/x", QemUrlError::bad_port},
      {"qem://host:65536/x", QemUrlError::bad_port},
      {"qem://host:99999999999999999999/x", QemUrlError::bad_port},
      {"qem://host:-1/x", QemUrlError::bad_port},
      {"qem://host:+80/x", QemUrlError::bad_port},
      {"qem://host:80a/x", QemUrlError::bad_port},
      {"qem://host: 80/x", QemUrlError::bad_port},
      {"qem://h:8000:9/x", QemUrlError::bad_port},
  };
  for (const Case& c : cases) {
    QemUrlResult r = parse_qem_url(c.url);
    EXPECT_EQ(r.error, c.error) << '"' << c.url << "\" gave " << qem_url_error_name(r.error);
  }
}

TEST(QemUrl, EmbeddedZeroEndsTheText) {
  const std::string text("qem://h/clip\0qem://other:1/", 27);
  QemUrlResult r = parse_qem_url(text);
  ASSERT_EQ(r.error, QemUrlError::none);
  EXPECT_EQ(r.url.host, "h");
  EXPECT_EQ(r.url.path, "/clip");
}

TEST(HTParse, SplitsParts) {
  struct Case {
    const char* name;
    int parts;
    const char* expected;
  };
  const char* url = "Qem://host:7/dir/a.avi#frag";
  const Case cases[] = {
      {url, PARSE_ACCESS, "Qem"},
      {url, PARSE_HOST, "host:7"},
      {url, PARSE_PATH, "dir/a.avi"},
      {url, PARSE_PATH | PARSE_PUNCTUATION, "/dir/a.avi"},
      {url, PARSE_ANCHOR, "frag"},
      {url, PARSE_ALL, "Qem://host:7/dir/a.avi#frag"},
      {url, PARSE_ALL & ~PARSE_PUNCTUATION, "Qemhost:7dir/a.avifrag"},
      {"qem://host", PARSE_PATH, "/"},
      {"qem://host/", PARSE_PATH, ""},
      {"a/b:c", PARSE_ACCESS, ""},             // ':' after '/' is no scheme
      {"a#b:c", PARSE_ACCESS | PARSE_ANCHOR, "b:c"},
      {"x#1#2", PARSE_ANCHOR, "2"},            // the last '#' starts the anchor
      {"rel/path", PARSE_PATH | PARSE_PUNCTUATION, "rel/path"},
      {"", PARSE_ALL, "/"},
  };
  for (const Case& c : cases) {
    auto got = HTParse(c.name, "", c.parts);
    ASSERT_TRUE(got) << c.name;
    EXPECT_EQ(*got, c.expected) << c.name << " parts " << c.parts;
  }
}

TEST(HTParse, ResolvesAgainstRelatedName) {
  struct Case {
    const char* name;
    const char* related;
    const char* expected;
  };
  const char* base = "qem://host/a/b/c.avi?q#top";
  const Case cases[] = {
      {"d.avi", base, "qem://host/a/b/d.avi#top"},
      {"../d.avi", base, "qem://host/a/d.avi#top"},
      {"./d.avi#x", base, "qem://host/a/b/d.avi#x"},
      {"../../../../d.avi", base, "qem://host/d.avi#top"},
      {"e/./f/../g", base, "qem://host/a/b/e/g#top"},
      {"..", base, "qem://host/a/#top"},
      {"/abs", base, "qem://host/abs#top"},
      {"//other/x", base, "qem://other/x"},
      {"//other", base, "qem://other/"},
      {"http:y", base, "http:y"},  // another scheme inherits nothing
      {"", base, "qem://host/a/b/c.avi?q#top"},
      {"d", "qem://host", "qem://host/d"},
  };
  for (const Case& c : cases) {
    auto got = HTParse(c.name, c.related, PARSE_ALL);
    ASSERT_TRUE(got) << c.name;
    EXPECT_EQ(*got, c.expected) << '"' << c.name << "\" against \"" << c.related << '"';
  }
}

std::vector<std::string> g_lines;
void capture(const char* line) { g_lines.push_back(line); }

TEST(HTString, CopyCatCompareAndTheOutOfMemoryLine) {
  std::string s = "old";
  EXPECT_TRUE(HTSACopy(s, "new"));
  EXPECT_EQ(s, "new");
  EXPECT_TRUE(HTSACopy(s, nullptr));
  EXPECT_EQ(s, "");
  EXPECT_TRUE(HTSACat(s, "ab"));
  EXPECT_TRUE(HTSACat(s, "c"));
  EXPECT_EQ(s, "abc");

  EXPECT_EQ(strcasecomp("QEM", "qem"), 0);
  EXPECT_LT(strcasecomp("qe", "qem"), 0);
  EXPECT_GT(strcasecomp("qen", "QEM"), 0);

  g_lines.clear();
  report_out_of_memory("htstring", "HTSACopy");  // dropped: no output set
  set_debug_output(capture);
  report_out_of_memory("htparse", "HTParse");
  set_debug_output(nullptr);
  ASSERT_EQ(g_lines.size(), 1u);
  EXPECT_EQ(g_lines[0], "htparse HTParse: out of memory.\n");
}

}  // namespace
}  // namespace qem
