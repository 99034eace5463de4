#include "surfdeck/link_table.h"

#include <climits>
#include <cstdio>

#include "surfdeck/parser/HTString.h"

namespace surfdeck {

int leadingNumber(const char* text) {
  if (!text) return 0;
  while (HTIsWhite(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long n = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    n = n * 10 + (*text - '0');
    if (n > INT_MAX) return 0;
  }
  return static_cast<int>(negative ? -n : n);
}

LinkTable::LinkTable(UrlOpener& browser) : browser_(browser), stream_(HTML_parser(this)) {}

LinkTable::~LinkTable() = default;

void LinkTable::clear() {
  urls_.clear();
  position_.clear();
  order_.clear();
  stream_.reset();
}

bool LinkTable::load(const std::string& path) {
  urls_.clear();
  position_.clear();
  order_.clear();
  if (!stream_) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char block[kBlockSize];
  bool ok = true;
  for (;;) {
    const std::size_t n = std::fread(block, 1, sizeof(block), f);
    if (n > 0) stream_->putBlock(block, static_cast<int>(n));
    if (n < sizeof(block)) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  return ok;
}

std::optional<std::string> LinkTable::url(int n) const {
  const auto it = urls_.find(n);
  if (it == urls_.end()) return std::nullopt;
  return it->second;
}

bool LinkTable::open(int n) {
  const auto it = urls_.find(n);
  if (it == urls_.end()) return false;
  if (!browser_.openUrl("\"" + it->second + "\",,0xFFFFFFFF")) return false;
  current_ = n;
  return true;
}

bool LinkTable::openNext() {
  if (order_.empty()) return false;
  int next = order_.front();
  if (current_ != 0) {
    const auto it = position_.find(current_);
    if (it == position_.end()) return false;
    if (it->second + 1 < order_.size()) next = order_[it->second + 1];
  }
  return open(next);
}

void LinkTable::onHtmlEvent(HtmlEvent event, const char* text) {
  if (outside_) {
    outside_->onHtmlEvent(event, text);
    return;
  }
  switch (event) {
    case kAnchorStart:
      pendingHref_ = text ? std::optional<std::string>(text) : std::nullopt;
      break;
    case kAnchorText:
      pendingText_ = text ? std::optional<std::string>(text) : pendingHref_;
      break;
    case kAnchorEnd:
      addPending();
      // Each anchor stands alone: one without HREF must not inherit the
      // URL of the anchor before it.
      pendingHref_.reset();
      pendingText_.reset();
      break;
    default:
      break;
  }
}

void LinkTable::addPending() {
  if (!pendingHref_ || !pendingText_) return;
  const int n = leadingNumber(pendingText_->c_str());
  // The first anchor that uses a number keeps it.
  if (n == 0 || urls_.count(n)) return;
  urls_.emplace(n, *pendingHref_);
  position_.emplace(n, order_.size());
  order_.push_back(n);
}

}  // namespace surfdeck
