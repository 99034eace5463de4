#include "surfdeck/bookmark_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "surfdeck/link_table.h"
#include "surfdeck/tests/temp_dir.h"

namespace surfdeck {
namespace {

// ---------------------------------------------------------------- writer

TEST(BookmarkWriter, WritesEveryTemplateAndNumbersAcrossFolders) {
  std::string out;
  BookmarkWriter w(out);
  w.start("C:\\halvo\\zk_tile0.gif");
  EXPECT_TRUE(w.heading(1, "Bookmarks"));
  EXPECT_TRUE(w.listStart(1));
  EXPECT_TRUE(w.entry(1, "http://a.example/", "Alpha"));
  EXPECT_TRUE(w.heading(1, "Sub"));
  EXPECT_TRUE(w.listStart(2));
  EXPECT_TRUE(w.entry(2, "http://b.example/x?y=1", "Beta"));
  EXPECT_TRUE(w.listEnd(2));
  EXPECT_TRUE(w.entry(1, "http://c.example/", "Gamma"));
  EXPECT_TRUE(w.listEnd(1));
  w.end();
  EXPECT_EQ(out,
            "<!DOCTYPE QUORVANEBOOKMARKFILE-10>\r\n"
            "<!-- This is an automatically generated file. Do NOT edit! >\r\n"
            "<BODY BACKGROUND=file:///C:\\halvo\\zk_tile0.gif><HTML><BODY>\r\n"
            "\t<H2><B>Bookmarks</B></H2><P>\r\n"
            "\t<DL>\r\n"
            "\t<DT><A HREF=http://a.example/><B>1 Alpha</B></A><P>\r\n"
            "\t<H2><B>Sub</B></H2><P>\r\n"
            "\t\t<DL>\r\n"
            "\t\t<DT><A HREF=http://b.example/x?y=1><B>2 Beta</B></A><P>\r\n"
            "\t\t</DL>\r\n"
            "\t<DT><A HREF=http://c.example/><B>3 Gamma</B></A><P>\r\n"
            "\t</DL>\r\n"
            "</BODY></HTML>\r\n");
}

TEST(BookmarkWriter, NoBackgroundLineWithoutTileAndNumbersRestartPerFile) {
  std::string out;
  BookmarkWriter w(out);
  w.start("");
  w.entry(0, "u", "t");
  w.entry(0, "v", "t");
  EXPECT_EQ(w.nextNumber(), 3);
  out.clear();
  w.start("");
  EXPECT_EQ(out.find("BACKGROUND"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 14), "<HTML><BODY>\r\n");
  w.entry(0, "u", "t");
  EXPECT_NE(out.find("<B>1 t</B>"), std::string::npos);
}

TEST(BookmarkWriter, RefusesLinesThatWouldBeCutOrBroken) {
  // The entry template around the fields: "<DT><A HREF=" "><B>" "1" " " "</B></A><P>" CR LF.
  const std::size_t fixed = 12 + 4 + 1 + 1 + 11 + 2;
  struct Case {
    const char* name;
    int indent;
    std::string url;
    std::string title;
    bool written;
  } cases[] = {
      {"exactly the longest line", 0, std::string(kMaxBookmarkLine - fixed, 'u'), "", true},
      {"one character more", 0, std::string(kMaxBookmarkLine - fixed + 1, 'u'), "", false},
      {"indentation counts", 1, std::string(kMaxBookmarkLine - fixed, 'u'), "", false},
      {"long title", 0, "u", std::string(1100, 't'), false},
      {"line feed in a title", 0, "u", "a\nb", false},
      {"carriage return in a URL", 0, "u\rv", "t", false},
  };
  for (const Case& c : cases) {
    std::string out;
    BookmarkWriter w(out);
    EXPECT_EQ(w.entry(c.indent, c.url, c.title), c.written) << c.name;
    EXPECT_EQ(w.nextNumber(), c.written ? 2 : 1) << c.name;
    if (c.written) {
      EXPECT_EQ(out.size(), kMaxBookmarkLine) << c.name;
    } else {
      EXPECT_TRUE(out.empty()) << c.name;
    }
  }
}

TEST(BookmarkWriter, TileImageBesideTheProgram) {
  struct Case { const char* program; const char* tile; } cases[] = {
      {"C:\\halvo\\surfdeck.exe", "C:\\halvo\\zk_tile0.gif"},
      {"/opt/halvo/surfdeck.exe", "/opt/halvo/zk_tile0.gif"},
      {"surfdeck.exe", "zk_tile0.gif"},
  };
  for (const Case& c : cases) EXPECT_EQ(tileImagePath(c.program), c.tile) << c.program;

  TempDir dir;
  const std::string program = dir.file("surfdeck.exe");
  EXPECT_EQ(existingTileImage(program), "");
  dir.write("zk_tile0.gif", "GIF89a");
  EXPECT_EQ(existingTileImage(program), dir.file("zk_tile0.gif"));
}

// ---------------------------------------------------------------- file-type test

TEST(BookmarkFileType, LooksForTheMarkerOnAnyLine) {
  TempDir dir;
  const std::string marker = kBookmarkMarker;
  struct Case {
    const char* name;
    std::string bytes;
    bool bookmark;
  } cases[] = {
      {"marker on the first line", "<!DOCTYPE " + marker + ">\r\n", true},
      {"marker on a later line", "<HTML>\n<BODY>\n<!-- " + marker + " -->\n", true},
      {"marker across an internal block boundary",
       std::string(4096 - 10, 'x') + marker + "\n", true},
      {"marker at the very end", std::string(10000, 'y') + marker, true},
      {"other bookmark file", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n", false},
      {"marker split by a line end", "QUORVANEBOOK\nMARKFILE-10\n", false},
      {"empty file", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isBookmarkFile(dir.write("f.htm", c.bytes)), c.bookmark) << c.name;
  }
  EXPECT_FALSE(isBookmarkFile(dir.file("missing.htm")));
}

// ---------------------------------------------------------------- line-wise reader

TEST(BookmarkLines, Classification) {
  using K = BookmarkLineKind;
  struct Case {
    const char* name;
    const char* line;
    K kind;
    const char* title;
    const char* url;
  } cases[] = {
      {"entry", "\t\t<DT><A HREF=http://x/?a=b><B>12 My Title</B></A><P>", K::kEntry, "My Title",
       "http://x/?a=b"},
      {"entry without a blank after the HREF", "<DT><A HREF=u><B>7</B></A><P>", K::kEntry, "",
       "u"},
      {"entry without >", "<DT><A HREF=u", K::kEntry, "", "u"},
      {"entry without =", "<DT>x", K::kEntry, "", ""},
      {"heading", "\t<H2><B>Folder One</B></H2><P>", K::kHeading, "Folder One", ""},
      {"heading without <B>", "<H2>Folder</H2>", K::kHeading, "", ""},
      {"heading without end", "<H2><B>Folder", K::kHeading, "", ""},
      {"list end", "\t\t</DL>", K::kListEnd, "", ""},
      {"header", "<!DOCTYPE QUORVANEBOOKMARKFILE-10>", K::kHeader, "", ""},
      {"list start", "\t<DL>", K::kOther, "", ""},
      {"entry wins over heading", "<H2><DT><A HREF=u><B>1 t</B>", K::kEntry, "t", "u"},
  };
  for (const Case& c : cases) {
    const BookmarkLine l = classifyBookmarkLine(c.line);
    EXPECT_EQ(l.kind, c.kind) << c.name;
    EXPECT_EQ(l.title, c.title) << c.name;
    EXPECT_EQ(l.url, c.url) << c.name;
  }
}

std::vector<std::string> readAll(std::string_view file, BookmarkLineReader::Result* last) {
  BookmarkLineReader r(file);
  std::vector<std::string> out;
  BookmarkLine l;
  BookmarkLineReader::Result res;
  while ((res = r.next(l)) == BookmarkLineReader::kLine)
    out.push_back(std::to_string(static_cast<int>(l.kind)) + ":" + l.title);
  *last = res;
  return out;
}

TEST(BookmarkLines, LineEndsEmptyLinesAndOverlongLines) {
  using R = BookmarkLineReader;
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> lines;
    R::Result last;
  } cases[] = {
      {"CR LF", "<H2><B>a</B>\r\n</DL>\r\n", {"1:a", "3:"}, R::kEnd},
      {"LF only", "<H2><B>a</B>\n</DL>\n", {"1:a", "3:"}, R::kEnd},
      {"CR only", "<H2><B>a</B>\r</DL>", {"1:a", "3:"}, R::kEnd},
      {"empty line stops", "</DL>\r\n\r\n</DL>\r\n", {"3:"}, R::kEnd},
      {"longest line", std::string(kMaxBookmarkLine, 'x') + "\r\n</DL>", {"0:", "3:"}, R::kEnd},
      {"overlong line", "</DL>\r\n" + std::string(kMaxBookmarkLine + 1, 'x') + "\r\n",
       {"3:"}, R::kTooLong},
      {"overlong last line", std::string(5000, 'x'), {}, R::kTooLong},
  };
  for (const Case& c : cases) {
    R::Result last;
    EXPECT_EQ(readAll(c.file, &last), c.lines) << c.name;
    EXPECT_EQ(last, c.last) << c.name;
  }
}

// ---------------------------------------------------------------- round trip

class NoBrowser : public UrlOpener {
 public:
  bool openUrl(const std::string&) override { return true; }
};

TEST(BookmarkRoundTrip, NestedFileThroughBothReaders) {
  std::string out;
  BookmarkWriter w(out);
  w.start("");
  w.heading(1, "Bookmarks");
  w.listStart(1);
  w.entry(1, "http://one.example/", "One & only");
  w.heading(1, "Music");
  w.listStart(2);
  w.entry(2, "http://two.example/a=b", "Two");
  w.heading(2, "Empty");
  w.listStart(3);
  w.listEnd(3);
  w.entry(2, "ftp://three.example/", "Three");
  w.listEnd(2);
  w.entry(1, "http://four.example/", "Four  spaced");
  w.listEnd(1);
  w.end();

  // The editor's reader rebuilds the outline.
  BookmarkLineReader r(out);
  std::vector<std::string> outline;
  BookmarkLine l;
  while (r.next(l) == BookmarkLineReader::kLine) {
    switch (l.kind) {
      case BookmarkLineKind::kHeading: outline.push_back("folder " + l.title); break;
      case BookmarkLineKind::kEntry: outline.push_back(l.title + " -> " + l.url); break;
      case BookmarkLineKind::kListEnd: outline.push_back("end"); break;
      case BookmarkLineKind::kHeader: outline.push_back("header"); break;
      case BookmarkLineKind::kOther: break;
    }
  }
  EXPECT_EQ(r.position(), out.size());
  const std::vector<std::string> expected = {
      "header", "folder Bookmarks", "One & only -> http://one.example/",
      "folder Music", "Two -> http://two.example/a=b", "folder Empty", "end",
      "Three -> ftp://three.example/", "end", "Four  spaced -> http://four.example/", "end"};
  EXPECT_EQ(outline, expected);

  // The link table gets every number.
  TempDir dir;
  NoBrowser browser;
  LinkTable table(browser);
  ASSERT_TRUE(table.load(dir.write("bookmarks.htm", out)));
  EXPECT_EQ(table.order(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(table.url(1), "http://one.example/");
  EXPECT_EQ(table.url(2), "http://two.example/a=b");
  EXPECT_EQ(table.url(3), "ftp://three.example/");
  EXPECT_EQ(table.url(4), "http://four.example/");
}

}  // namespace
}  // namespace surfdeck
