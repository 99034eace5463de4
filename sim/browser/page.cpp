#include "sim/browser/page.h"

#include "surfdeck/link_table.h"
#include "surfdeck/url_opener.h"

namespace browser {
namespace {

// The table only reads here: nothing it would open goes anywhere.
class NoBrowser final : public surfdeck::UrlOpener {
 public:
  bool openUrl(const std::string&) override { return false; }
};

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> file_url_path(std::string_view url) {
  if (!starts_with_nocase(url, "file:")) return std::nullopt;
  url.remove_prefix(5);
  if (url.substr(0, 3) == "///")
    url.remove_prefix(3);
  else if (url.substr(0, 2) == "//")
    url.remove_prefix(2);
  return std::string(url);
}

void Page::show(const std::string& url) {
  url_ = url;
  marked_ = 0;
  note_.clear();
  for (const auto& link : links_) {
    if (link.second == url) {
      listing_ = true;
      marked_ = link.first;
      return;
    }
  }
  const std::optional<std::string> file = file_url_path(url);
  const std::string path = file ? *file : url;
  NoBrowser none;
  surfdeck::LinkTable table(none);
  if (!path.empty() && table.load(path)) {
    file_ = path;
    links_.clear();
    for (int n : table.order()) {
      if (links_.size() == kMaxLinks) break;
      links_.emplace_back(n, table.url(n).value_or(std::string()));
    }
    listing_ = true;
    if (links_.empty()) note_ = "(no numbered links)";
    return;
  }
  listing_ = false;
  if (file) note_ = "(cannot open " + path + ")";
}

std::vector<PageLine> Page::lines() const {
  std::vector<PageLine> lines;
  lines.push_back({"Address: " + url_, false});
  if (listing_) lines.push_back({"Bookmarks: " + file_, false});
  if (!note_.empty()) lines.push_back({note_, false});
  if (!listing_) return lines;
  for (const auto& link : links_)
    lines.push_back({std::to_string(link.first) + "  " + link.second, link.first == marked_});
  return lines;
}

}  // namespace browser
