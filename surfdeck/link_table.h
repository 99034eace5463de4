// The numbered link table: which URL each number of the bookmark page
// opens, filled by parsing the page, and the remote's way of opening a
// link by its number or the one after the last opened.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "surfdeck/parser/HTStream.h"
#include "surfdeck/parser/Html.h"
#include "surfdeck/url_opener.h"

namespace surfdeck {

class LinkTable final : private HtmlConsumer {
 public:
  explicit LinkTable(UrlOpener& browser);
  ~LinkTable();
  LinkTable(const LinkTable&) = delete;
  LinkTable& operator=(const LinkTable&) = delete;

  // Empties the table (current stays) and parses the file into it, in blocks
  // of 500 bytes through the one stream the table keeps: parser state left
  // by an unfinished file carries into the next load. False when the file
  // cannot be opened (the table stays empty) or a read fails.
  bool load(const std::string& path);

  // Opens link n in the browser and makes it current. False, with nothing
  // sent, when there is no link n; false too when the browser refused it,
  // and then current is left as it was.
  bool open(int n);
  // Opens the link after current, the first one when current is 0 or the
  // last; false when current is not in the table or the table is empty.
  bool openNext();

  // While an outside consumer is set, parser events go to it instead of the
  // table. nullptr switches back.
  void setConsumer(HtmlConsumer* outside) { outside_ = outside; }

  // Empties the table and frees the stream; the table takes no more loads.
  void clear();

  int current() const { return current_; }
  std::optional<std::string> url(int n) const;
  const std::vector<int>& order() const { return order_; }

  static constexpr int kBlockSize = 500;

 private:
  void onHtmlEvent(HtmlEvent event, const char* text) override;
  void addPending();

  UrlOpener& browser_;
  std::unordered_map<int, std::string> urls_;
  std::unordered_map<int, std::size_t> position_;  // index of each number in order_
  std::vector<int> order_;
  int current_ = 0;
  std::optional<std::string> pendingHref_;
  std::optional<std::string> pendingText_;
  HtmlConsumer* outside_ = nullptr;
  std::unique_ptr<HTStream, HTStreamFree> stream_;
};

// The number an anchor's text starts with: leading white space skipped, an
// optional sign, then decimal digits. 0 when there is none or it does not
// fit an int.
int leadingNumber(const char* text);

}  // namespace surfdeck
