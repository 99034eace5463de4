// What the test browser shows: the address of the page it was asked to open
// and, for a local bookmark file, its numbered links as the suite's link
// table reads them. The last bookmark file shown is kept: when a later URL
// is one of its links, its list stays and that link is marked, so a picture
// of the window shows which number was chosen.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace browser {

struct PageLine {
  std::string text;
  bool marked = false;
};

class Page {
 public:
  // The start page.
  Page() : url_("about:blank") {}

  void show(const std::string& url);

  const std::string& url() const { return url_; }
  // The bookmark file whose links are listed, "" when none is.
  std::string listed_file() const { return listing_ ? file_ : std::string(); }
  std::size_t link_count() const { return listing_ ? links_.size() : 0; }
  // The number of the marked link, 0 when none.
  int marked() const { return marked_; }

  // The lines to draw, top to bottom: the address, then the list.
  std::vector<PageLine> lines() const;

  // Most links listed; a longer file's others are left out.
  static constexpr std::size_t kMaxLinks = 1000;

 private:
  std::string url_;
  std::string file_;  // the last bookmark file shown
  std::vector<std::pair<int, std::string>> links_;
  bool listing_ = false;
  int marked_ = 0;
  std::string note_;  // why nothing is listed
};

// The local file a URL names: the path after "file:" (and after "///" or
// "//" following it); nullopt for any other URL.
std::optional<std::string> file_url_path(std::string_view url);

}  // namespace browser
