// Windows profile (INI) text, read the way GetPrivateProfileStringA reads a
// file: section and key names matched without regard to case (ASCII), the
// first matching section and the first matching key in it win, whitespace
// around names and values is trimmed, and a value enclosed in matching
// single or double quotes loses them.
//
// Lines: "[name]" starts a section (text after ']' ignored; a line starting
// with '[' but without ']' is ignored); a line starting with ';' is a
// comment; "key=value" is an entry (split at the first '='); any other line,
// an entry with an empty key, and entries before the first section are
// ignored. Lines end at '\n'; a trailing '\r' is trimmed as whitespace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvo {

class ProfileText {
 public:
  // Larger text is refused as a whole.
  static constexpr std::size_t kMaxTextSize = 1024 * 1024;
  // Characters of a line that are looked at; the rest of a longer line is
  // ignored (values of interest are far shorter).
  static constexpr std::size_t kMaxLineChars = 4096;

  // Parses text; nullopt when it is larger than kMaxTextSize.
  static std::optional<ProfileText> parse(std::string_view text);

  // The value of key in section (quotes stripped), or nullopt when the
  // first section of that name has no such key or there is no such section.
  std::optional<std::string> find(std::string_view section, std::string_view key) const;

  std::size_t section_count() const { return sections_.size(); }
  std::size_t entry_count() const { return entries_.size(); }

 private:
  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  struct Section {
    Span name;
    uint32_t first_entry;  // entries [first_entry, end_entry) belong to it
    uint32_t end_entry;
  };
  struct Entry {
    Span key;
    Span value;
  };

  std::string_view view(Span s) const { return std::string_view(text_).substr(s.offset, s.length); }

  std::string text_;
  std::vector<Section> sections_;
  std::vector<Entry> entries_;
};

// ASCII comparison without regard to case.
bool equal_ignore_case(std::string_view a, std::string_view b);

}  // namespace halvo
