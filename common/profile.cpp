#include "common/profile.h"

namespace halvo {
namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Trims [begin, end) of text in place (offsets into the whole text).
void trim(std::string_view text, std::size_t& begin, std::size_t& end) {
  while (begin < end && is_space(text[begin])) ++begin;
  while (end > begin && is_space(text[end - 1])) --end;
}

}  // namespace

bool equal_ignore_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::optional<ProfileText> ProfileText::parse(std::string_view text) {
  if (text.size() > kMaxTextSize) return std::nullopt;

  ProfileText p;
  p.text_.assign(text.data() == nullptr ? "" : text.data(), text.size());
  const std::string_view t(p.text_);
  auto span = [](std::size_t b, std::size_t e) {
    return Span{static_cast<uint32_t>(b), static_cast<uint32_t>(e - b)};
  };

  std::size_t pos = 0;
  while (pos < t.size()) {
    std::size_t nl = t.find('\n', pos);
    const std::size_t next = (nl == std::string_view::npos) ? t.size() : nl + 1;
    std::size_t begin = pos;
    std::size_t end = (nl == std::string_view::npos) ? t.size() : nl;
    if (end - begin > kMaxLineChars) end = begin + kMaxLineChars;
    pos = next;

    trim(t, begin, end);
    if (begin == end || t[begin] == ';') continue;

    const std::string_view line = t.substr(begin, end - begin);
    if (line[0] == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      std::size_t nb = begin + 1, ne = begin + close;
      trim(t, nb, ne);
      const auto n = static_cast<uint32_t>(p.entries_.size());
      p.sections_.push_back(Section{span(nb, ne), n, n});
      continue;
    }

    if (p.sections_.empty()) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::size_t kb = begin, ke = begin + eq;
    std::size_t vb = begin + eq + 1, ve = end;
    trim(t, kb, ke);
    trim(t, vb, ve);
    if (kb == ke) continue;
    if (ve - vb >= 2 && (t[vb] == '"' || t[vb] == '\'') && t[ve - 1] == t[vb]) {
      ++vb;
      --ve;
    }
    p.entries_.push_back(Entry{span(kb, ke), span(vb, ve)});
    p.sections_.back().end_entry = static_cast<uint32_t>(p.entries_.size());
  }
  return p;
}

std::optional<std::string> ProfileText::find(std::string_view section,
                                             std::string_view key) const {
  for (const Section& s : sections_) {
    if (!equal_ignore_case(view(s.name), section)) continue;
    for (uint32_t i = s.first_entry; i < s.end_entry; ++i)
      if (equal_ignore_case(view(entries_[i].key), key)) return std::string(view(entries_[i].value));
    return std::nullopt;  // the first section of that name decides
  }
  return std::nullopt;
}

}  // namespace halvo
