// The numbered bookmark file: an HTML page in which every link's text
// starts with its number. Written line by line from fixed templates (CR LF,
// one TAB per nesting level), recognised by its document-type marker, and
// read back line by line by the converter's editor.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace surfdeck {

constexpr char kBookmarkMarker[] = "QUORVANEBOOKMARKFILE-10";
constexpr char kTileImageName[] = "zk_tile0.gif";
// Longest line of the file, CR LF included.
constexpr std::size_t kMaxBookmarkLine = 1023;

// Writes a bookmark file into out. A line that would not fit in
// kMaxBookmarkLine characters, or a field holding a line break, is refused
// whole (false, nothing written, the entry number not used) instead of
// being cut into a line that runs into the next record.
class BookmarkWriter {
 public:
  explicit BookmarkWriter(std::string& out) : out_(out) {}

  // Header, the background line when background is not empty, body start;
  // entry numbers start again at 1. A background path too long for one
  // line is left out: the tile is decoration only.
  void start(std::string_view background);
  bool heading(int indent, std::string_view title);
  bool listStart(int indent);
  // Uses the next entry number.
  bool entry(int indent, std::string_view url, std::string_view title);
  bool listEnd(int indent);
  void end();

  int nextNumber() const { return counter_; }

 private:
  bool put(int indent, std::initializer_list<std::string_view> pieces);

  std::string& out_;
  int counter_ = 1;
};

// The tile image beside the program whose file is modulePath: its folder
// joined with kTileImageName.
std::string tileImagePath(std::string_view modulePath);
// The same, or empty when that file cannot be opened for reading.
std::string existingTileImage(std::string_view modulePath);

// True when any line of the file holds kBookmarkMarker; false also when the
// file cannot be read.
bool isBookmarkFile(const std::string& path);

enum class BookmarkLineKind { kOther = 0, kHeading = 1, kEntry = 2, kListEnd = 3, kHeader = 4 };

struct BookmarkLine {
  BookmarkLineKind kind = BookmarkLineKind::kOther;
  std::string title;  // headings and entries
  std::string url;    // entries
};

// Classifies one line (without its line end) and takes its fields.
BookmarkLine classifyBookmarkLine(std::string_view line);

// Reads a bookmark file held in memory line by line. A line ends at CR LF,
// or at a lone CR or LF; reading stops at the end or at an empty line.
class BookmarkLineReader {
 public:
  enum Result {
    kLine,     // line filled in
    kEnd,      // end of the file or an empty line
    kTooLong,  // a line longer than any the writer makes; nothing consumed
  };

  explicit BookmarkLineReader(std::string_view file) : file_(file) {}

  Result next(BookmarkLine& line);
  std::size_t position() const { return pos_; }
  void rewind() { pos_ = 0; }

 private:
  std::string_view file_;
  std::size_t pos_ = 0;
};

}  // namespace surfdeck
