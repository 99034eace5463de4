#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "surfdeck/parser/HTChunk.h"
#include "surfdeck/parser/HTString.h"
#include "surfdeck/parser/Html.h"
#include "surfdeck/parser/sgml.h"
#include "surfdeck/tests/event_log.h"

namespace surfdeck {
namespace {

using Parser = std::unique_ptr<HTStream, HTStreamFree>;

std::string parse(const std::string& input) {
  EventLog log;
  Parser p(HTML_parser(&log));
  p->putBlock(input.data(), static_cast<int>(input.size()));
  return log.joined();
}

// The text an anchor around input collects.
std::string anchorText(const std::string& input) {
  EventLog log;
  Parser p(HTML_parser(&log));
  p->putString(("<A HREF=u>" + input + "</A>").c_str());
  if (log.events.size() != 3) return "events: " + log.joined();
  const std::string& e = log.events[1];
  return e == "1:-" ? "<none>" : e.substr(2);
}

std::string fixture(const char* name) {
  std::ifstream in(std::string(SURFDECK_FIXTURES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------- tables

TEST(Dtd, LookupsFindEveryNameOfTheSortedTables) {
  for (int i = 0; i < HTML_dtd.number_of_tags; ++i) {
    const HTTag& t = HTML_dtd.tags[i];
    if (i > 0) {
      EXPECT_LT(HTStrCaseComp(HTML_dtd.tags[i - 1].name, t.name), 0) << t.name;
    }
    EXPECT_EQ(SGMLFindTag(&HTML_dtd, t.name), &t) << t.name;
    for (int a = 0; a < t.number_of_attributes; ++a) {
      if (a > 0) {
        EXPECT_LT(HTStrCaseComp(t.attributes[a - 1].name, t.attributes[a].name), 0);
      }
      EXPECT_EQ(SGMLFindAttribute(&t, t.attributes[a].name), a) << t.name << " " << t.attributes[a].name;
    }
  }
  ASSERT_EQ(HTML_dtd.number_of_entities, 67);
  for (int i = 0; i < HTML_dtd.number_of_entities; ++i) {
    if (i > 0) {
      EXPECT_LT(std::strcmp(HTML_dtd.entity_names[i - 1], HTML_dtd.entity_names[i]), 0);
    }
    EXPECT_EQ(SGMLFindEntity(&HTML_dtd, HTML_dtd.entity_names[i]), i) << HTML_dtd.entity_names[i];
  }
  EXPECT_EQ(SGMLFindTag(&HTML_dtd, "dl"), &HTML_dtd.tags[HTML_DL]);
  EXPECT_EQ(SGMLFindTag(&HTML_dtd, "B"), nullptr);
  EXPECT_EQ(SGMLFindEntity(&HTML_dtd, "AMP"), -1);
}

TEST(Dtd, EntitiesStandForLatin1Characters) {
  struct Case { const char* name; unsigned char c; } cases[] = {
      {"AElig", 0xC6}, {"ETH", 0xD0}, {"eth", 0xF0}, {"THORN", 0xDE}, {"thorn", 0xFE},
      {"szlig", 0xDF}, {"yuml", 0xFF}, {"Oslash", 0xD8}, {"amp", '&'}, {"gt", '>'},
      {"lt", '<'}, {"quot", '"'}, {"nbsp", ' '}};
  for (const Case& c : cases) {
    const int i = SGMLFindEntity(&HTML_dtd, c.name);
    ASSERT_GE(i, 0) << c.name;
    EXPECT_EQ(static_cast<unsigned char>(HTML_entityCharacter(i)), c.c) << c.name;
  }
}

// ---------------------------------------------------------------- chunk

TEST(Chunk, GrowsByWholeStepsAndKeepsTheTailZero) {
  HTChunk* c = HTChunk_new(4);
  HTChunk_putc(c, 'a');  // 0 >= 0 - 1: one step
  EXPECT_EQ(c->allocated, 4);
  HTChunk_putc(c, 'b');
  HTChunk_putc(c, 'c');
  EXPECT_EQ(c->allocated, 4);
  HTChunk_putc(c, 'd');  // 3 >= 4 - 1: next step
  EXPECT_EQ(c->allocated, 8);
  HTChunk_putb(c, "efgh", 4);  // 4 + 4 >= 8: to the step multiple above 8
  EXPECT_EQ(c->allocated, 12);
  HTChunk_putb(c, "ijk", 3);  // 8 + 3 < 12: no growth
  EXPECT_EQ(c->allocated, 12);
  EXPECT_EQ(c->size, 11);
  EXPECT_EQ(std::string(c->data, 11), "abcdefghijk");
  EXPECT_EQ(c->data[11], '\0');

  HTChunk_clear(c);
  EXPECT_EQ(c->size, 0);
  for (int i = 0; i < c->allocated; ++i) EXPECT_EQ(c->data[i], '\0') << i;

  HTChunk* big = HTChunk_new(128);
  std::string block(100, 'x');
  HTChunk_putb(big, block.data(), 100);
  EXPECT_EQ(big->allocated, 128);
  HTChunk_putb(big, block.data(), 28);  // 128 >= 128
  EXPECT_EQ(big->allocated, 256);
  HTChunk_free(big);
  HTChunk_free(c);
}

TEST(Chunk, ClearAfterTruncateStillZeroesEverythingWritten) {
  HTChunk* c = HTChunk_new(8);
  HTChunk_puts(c, "abcdef");
  HTChunk_truncate(c);
  HTChunk_puts(c, "xy");
  HTChunk_clear(c);
  for (int i = 0; i < c->allocated; ++i) EXPECT_EQ(c->data[i], '\0') << i;
  HTChunk_free(c);
}

TEST(String, SACopyReplacesAndFrees) {
  char* s = nullptr;
  HTSACopy(&s, "first");
  EXPECT_STREQ(s, "first");
  HTSACopy(&s, "second");
  EXPECT_STREQ(s, "second");
  HTSACopy(&s, nullptr);
  EXPECT_EQ(s, nullptr);
}

// ---------------------------------------------------------------- text

TEST(Text, EntitiesAndCharacterReferences) {
  struct Case { const char* name; const char* input; const char* text; } cases[] = {
      {"amp closed by ;", "a&amp;b", "a&b"},
      {"amp closed by < eats the <", "a&amp<B>c", "a&B>c"},
      {"unknown entity passes through", "&foo;", "&foo;"},
      {"unknown entity closed by <", "x&foo<B>", "x&foo<B>"},
      {"names are case-sensitive", "&AMP;", "&AMP;"},
      {"bare ampersand", "a & b", "a & b"},
      {"latin-1 letter", "Caf&eacute;", "Caf\xE9"},
      {"decimal reference", "&#65;", "A"},
      {"hex reference gives nothing", "a&#x41;b", "ab"},
      {"reference past latin-1 gives nothing", "a&#300;b", "ab"},
      {"huge reference gives nothing", "a&#99999999999999999999;b", "ab"},
      {"reference 0 is a TAB", "a&#0;b", "a\tb"},
      {"nbsp is a blank that does not collapse", "a&nbsp;&nbsp;b", "a  b"},
      {"blanks collapse", "a \t\r b", "a b"},
      {"leading white space dropped", "   a", "a"},
      {"quot", "&quot;q&quot;", "\"q\""},
  };
  for (const Case& c : cases) EXPECT_EQ(anchorText(c.input), c.text) << c.name;
}

TEST(Text, NewlinesAroundTags) {
  struct Case { const char* name; const char* input; const char* events; } cases[] = {
      {"newline after start tag and before end tag dropped", "<A HREF=x>\n1 a\n</A>",
       "0:x|1:1 a|2"},
      {"every newline after a start tag dropped", "<H3>a<A HREF=u>\n\nb</A></H3>",
       "3|0:u|1:ab|2|4:-"},
      {"newline before a start tag is a blank", "<H3>a\n<A HREF=u>b</A></H3>",
       "3|0:u|1:a b|2|4:-"},
      {"newline inside text is a blank", "<H1>a\nb</H1>", "3|4:a b"},
      {"newline before end tag dropped", "<H1>a\n</H1>", "3|4:a"},
      {"newline then text keeps the text", "<H1>a\n&amp;</H1>", "3|4:a &"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.input), c.events) << c.name;
}

// ---------------------------------------------------------------- elements

TEST(Elements, AnchorsHeadingsAndLists) {
  struct Case { const char* name; const char* input; const char* events; } cases[] = {
      {"anchor with HREF", "<A HREF=x>1 a</A>", "0:x|1:1 a|2"},
      {"anchor without HREF", "<A NAME=y>t</A>", "1:-|2"},
      {"empty anchor", "<A HREF=x></A>", "0:x|1:-|2"},
      {"HREF without value", "<A HREF>t</A>", "0:-|1:t|2"},
      {"lower case and quotes", "<a href=\"x y\">t</a>", "0:x y|1:t|2"},
      {"single quotes keep > and newline", "<A HREF='a>b\nc'>t</A>", "0:a>b\nc|1:t|2"},
      {"blank ends an unquoted value", "<A HREF=x y>t</A>", "0:x|1:t|2"},
      {"spaces around =", "<A HREF = x >t</A>", "0:x|1:t|2"},
      {"last value wins", "<A HREF=a HREF=b>t</A>", "0:b|1:t|2"},
      {"unknown attributes ignored", "<A ADD_DATE=\"1\" HREF=x ICON=\"data:>\">t</A>",
       "0:x|1:t|2"},
      {"values do not carry to the next tag", "<A HREF=x>a</A><A NAME=n>b</A>",
       "0:x|1:a|2|1:-|2"},
      {"headings", "<H1>Top</H1><h3></h3>", "3|4:Top|3|4:-"},
      {"lists and terms", "<DL><DT><DD></DL>", "5|7|6"},
      {"DD adds a TAB while collecting", "<A HREF=x>a<DD>b</A>", "0:x|1:a\tb|2"},
      {"images change nothing", "<A HREF=x><IMG SRC=i>t<IMAGE SRC=j></A>", "0:x|1:t|2"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.input), c.events) << c.name;
}

TEST(Elements, MalformedInputIsSkipped) {
  struct Case { const char* name; const char* input; const char* events; } cases[] = {
      {"unknown tags skipped whole", "<A HREF=x><B>1</B> <FONT SIZE=2>a</FONT></A>",
       "0:x|1:1 a|2"},
      {"comment skipped to its first >", "<!-- <A HREF=x>1 a</A> -->", ""},
      {"document type line", "<!DOCTYPE QUORVANEBOOKMARKFILE-10>\n<H1>t</H1>", "3|4:t"},
      {"empty tag is text", "<A HREF=x>a<>b</A>", "0:x|1:ab|2"},
      {"stray end tag", "</DL></A></H1>", ""},
      {"end tag of an empty element", "<DL><DT></DT></DL>", "5|7|6"},
      {"end tag closes what opened after it", "<DL><A HREF=x>t</DL>", "5|0:x|1:t|2|6"},
      {"end tag of an element not open", "<DL></A></DL>", "5|6"},
      {"empty end tag closes the innermost", "<DL><H3>t</></>", "5|3|4:t|6"},
      {"empty end tag with nothing open", "</>x", ""},
      {"junk after end tag name", "<DL></DL junk>", "5|6"},
      {"unterminated tag at the end", "<A HREF=\"x", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.input), c.events) << c.name;
}

TEST(Elements, DeepNestingKeepsEveryEndEvent) {
  // Past the tracked depth only a count is kept, but each list still ends
  // and an anchor deep inside still completes.
  std::string input, expected;
  for (int i = 0; i < 30; ++i) input += "<DL>", expected += "5|";
  input += "<A HREF=deep>7 d</A>";
  expected += "0:deep|1:7 d|2";
  for (int i = 0; i < 30; ++i) input += "</DL>", expected += "|6";
  input += "<H1>after</H1>";
  expected += "|3|4:after";
  EXPECT_EQ(parse(input), expected);
}

TEST(Stream, FlushForgetsOpenElements) {
  EventLog log;
  Parser p(HTML_parser(&log));
  p->putString("<DL><DL>");
  p->flush();
  p->putString("</DL><H1>t</H1>");
  EXPECT_EQ(log.joined(), "5|5|3|4:t");
  EXPECT_STREQ(p->name(), "SGMLParser");
}

TEST(Stream, StateCarriesAcrossFeeds) {
  const std::string input = fixture("netscape_bookmarks.html");
  const std::string whole = parse(input);
  EventLog log;
  Parser p(HTML_parser(&log));
  for (char c : input) p->putCharacter(c);
  EXPECT_EQ(log.joined(), whole);
}

// ---------------------------------------------------------------- whole files

TEST(Files, NetscapeExportGivesItsStructure) {
  const std::string expected =
      "3|4:Bookmarks Menu|5"
      "|7|3|4:Reading|5"
      "|7|0:https://news.example.org/|1:Morning News|2"
      "|7|3|4:Deeper|5"
      "|7|0:https://example.com/a?x=1&amp;y=2|1:Caf\xE9 Guide|2"
      "|6|6"
      "|7|0:https://www.example.net/|1:Example Net|2"
      "|7|0:place:sort=8&maxResults=10|1:Recent|2"
      "|7|3|4:Toolbar & more|5"
      "|7|0:https://tools.example.com/|1:Tools|2"
      "|6"
      "|6";
  EXPECT_EQ(parse(fixture("netscape_bookmarks.html")), expected);
}

}  // namespace
}  // namespace surfdeck
