#include "detector/general_page.h"

#include "common/profile.h"

namespace detector {

std::string rcb_description(std::string_view rcb_text) {
  const std::optional<halvo::ProfileText> text = halvo::ProfileText::parse(rcb_text);
  if (!text) return std::string();
  return text->find("Control", "Description").value_or(std::string());
}

static std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::vector<RemoteChoice> remote_list(const std::string& current_path, const std::string& rcb_folder,
                                      const std::vector<std::string>& file_names,
                                      const std::function<std::string(const std::string&)>& description_of) {
  const std::string current = upper(current_path);
  std::vector<RemoteChoice> list;
  if (!current.empty()) list.push_back(RemoteChoice{description_of(current), current});
  for (const std::string& name : file_names) {
    std::string path = upper(rcb_folder + "\\" + name);
    if (path == current) continue;
    list.push_back(RemoteChoice{description_of(path), std::move(path)});
  }
  return list;
}

std::optional<uint32_t> typed_mouse_step(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
    if (value > 10) return std::nullopt;
  }
  return value;
}

uint32_t help_topic(int page, int control) {
  struct Row {
    int page;
    int control;
    uint32_t topic;
  };
  static const Row rows[] = {
      {0, 0, 117},
      {1, 0, 23},    {1, 1000, 61}, {1, 1039, 61}, {1, 1040, 61}, {1, 1043, 61},
      {1, 1006, 23}, {1, 1007, 23}, {1, 1009, 23}, {1, 1010, 23},
      {2, 0, 24},    {2, 1018, 24}, {2, 1019, 21}, {2, 1021, 20}, {2, 1022, 22},
      {3, 0, 26},    {3, 1029, 26}, {3, 1030, 25}, {3, 1031, 59},
  };
  for (const Row& r : rows)
    if (r.page == page && r.control == control) return r.topic;
  // The dialogs have one topic for all their controls.
  switch (page) {
    case 144: return 20;
    case 143: return 24;
    case 146: return 25;
    case 151: return 118;
    default: return 0;
  }
}

}  // namespace detector
