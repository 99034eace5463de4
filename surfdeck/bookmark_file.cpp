#include "surfdeck/bookmark_file.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace surfdeck {
namespace {

constexpr std::string_view kHeader =
    "<!DOCTYPE QUORVANEBOOKMARKFILE-10>\r\n"
    "<!-- This is an automatically generated file. Do NOT edit! >\r\n";
constexpr std::string_view kBodyStart = "<HTML><BODY>\r\n";
constexpr std::string_view kBodyEnd = "</BODY></HTML>\r\n";

bool breaksLine(std::string_view field) {
  return field.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

bool BookmarkWriter::put(int indent, std::initializer_list<std::string_view> pieces) {
  if (indent < 0) indent = 0;
  std::size_t length = static_cast<std::size_t>(indent) + 2;  // TABs and CR LF
  for (std::string_view p : pieces) {
    if (breaksLine(p)) return false;
    length += p.size();
  }
  if (length > kMaxBookmarkLine) return false;
  out_.append(static_cast<std::size_t>(indent), '\t');
  for (std::string_view p : pieces) out_.append(p);
  out_.append("\r\n");
  return true;
}

void BookmarkWriter::start(std::string_view background) {
  out_.append(kHeader);
  // The background record has no line end of its own: body start follows on the same line.
  constexpr std::string_view open = "<BODY BACKGROUND=file:///";
  if (!background.empty() && !breaksLine(background) &&
      open.size() + background.size() + 1 + kBodyStart.size() <= kMaxBookmarkLine) {
    out_.append(open);
    out_.append(background);
    out_.append(">");
  }
  out_.append(kBodyStart);
  counter_ = 1;
}

bool BookmarkWriter::heading(int indent, std::string_view title) {
  return put(indent, {"<H2><B>", title, "</B></H2><P>"});
}

bool BookmarkWriter::listStart(int indent) { return put(indent, {"<DL>"}); }

bool BookmarkWriter::entry(int indent, std::string_view url, std::string_view title) {
  const std::string number = std::to_string(counter_);
  if (!put(indent, {"<DT><A HREF=", url, "><B>", number, " ", title, "</B></A><P>"}))
    return false;
  ++counter_;
  return true;
}

bool BookmarkWriter::listEnd(int indent) { return put(indent, {"</DL>"}); }

void BookmarkWriter::end() { out_.append(kBodyEnd); }

std::string tileImagePath(std::string_view modulePath) {
  const std::size_t slash = modulePath.find_last_of("\\/");
  std::string path(slash == std::string_view::npos ? std::string_view() : modulePath.substr(0, slash + 1));
  return path + kTileImageName;
}

std::string existingTileImage(std::string_view modulePath) {
  const std::string path = tileImagePath(modulePath);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::string();
  std::fclose(f);
  return path;
}

bool isBookmarkFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  // Blocks that overlap by the marker's length less one, so a marker across
  // a block boundary is still seen; memory stays fixed for any file size.
  constexpr std::size_t kMarker = sizeof(kBookmarkMarker) - 1;
  char block[4096];
  std::size_t kept = 0;
  bool found = false;
  for (;;) {
    const std::size_t n = std::fread(block + kept, 1, sizeof(block) - kept, f);
    if (n == 0) break;
    const std::string_view text(block, kept + n);
    if (text.find(kBookmarkMarker) != std::string_view::npos) {
      found = true;
      break;
    }
    kept = text.size() < kMarker - 1 ? text.size() : kMarker - 1;
    std::memmove(block, block + text.size() - kept, kept);
  }
  std::fclose(f);
  return found;
}

BookmarkLine classifyBookmarkLine(std::string_view line) {
  constexpr auto npos = std::string_view::npos;
  BookmarkLine out;
  if (const std::size_t dt = line.find("<DT>"); dt != npos) {
    out.kind = BookmarkLineKind::kEntry;
    const std::size_t eq = line.find('=', dt + 4);
    if (eq == npos) return out;
    const std::size_t gt = line.find('>', eq + 1);
    out.url = std::string(line.substr(eq + 1, gt == npos ? npos : gt - eq - 1));
    if (gt == npos) return out;
    // The first blank ends the entry number.
    const std::size_t blank = line.find(' ', gt + 1);
    if (blank == npos) return out;
    const std::size_t lt = line.find('<', blank + 1);
    if (lt == npos) return out;
    out.title = std::string(line.substr(blank + 1, lt - blank - 1));
    return out;
  }
  if (const std::size_t h2 = line.find("<H2>"); h2 != npos) {
    out.kind = BookmarkLineKind::kHeading;
    const std::size_t b = line.find("<B>", h2);
    if (b == npos) return out;
    const std::size_t lt = line.find('<', b + 3);
    if (lt == npos) return out;
    out.title = std::string(line.substr(b + 3, lt - b - 3));
    return out;
  }
  if (line.find("</DL>") != npos)
    out.kind = BookmarkLineKind::kListEnd;
  else if (line.find(kBookmarkMarker) != npos)
    out.kind = BookmarkLineKind::kHeader;
  return out;
}

BookmarkLineReader::Result BookmarkLineReader::next(BookmarkLine& line) {
  if (pos_ >= file_.size()) return kEnd;
  const std::string_view rest = file_.substr(pos_);
  // Lines are searched for their end no further than the longest allowed.
  const std::size_t eol = rest.substr(0, kMaxBookmarkLine + 1).find_first_of("\r\n");
  const std::size_t length = eol == std::string_view::npos ? rest.size() : eol;
  if (length > kMaxBookmarkLine) return kTooLong;
  if (length == 0) return kEnd;  // an empty line ends the file for the reader
  std::size_t next = pos_ + length;
  if (next < file_.size() && file_[next] == '\r') ++next;
  if (next < file_.size() && file_[next] == '\n') ++next;
  line = classifyBookmarkLine(rest.substr(0, length));
  pos_ = next;
  return kLine;
}

}  // namespace surfdeck
