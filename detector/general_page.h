// The general page's decisions: the remote model list, the mouse step typed,
// and the help topics of every page.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace detector {

// The "Description" in the "Control" section of a button-map file's text;
// empty when there is none.
std::string rcb_description(std::string_view rcb_text);

struct RemoteChoice {
  std::string description;
  std::string path;  // upper-cased "<folder>\<file>"
};

// The remote list: every file of the folder (names in the folder's order)
// but the current one, as "<folder>\<file>" upper-cased, then the current
// file inserted at the top (index 0, selected) unless current_path is
// empty. description_of reads a file's description by its path.
std::vector<RemoteChoice> remote_list(const std::string& current_path, const std::string& rcb_folder,
                                      const std::vector<std::string>& file_names,
                                      const std::function<std::string(const std::string&)>& description_of);

// The mouse step typed in the edit: 0-10, else nullopt (the page shows
// string 38 and stays open).
std::optional<uint32_t> typed_mouse_step(std::string_view text);

// The help topic of a page (0-3) or of one of its controls (control 0: the
// page itself); dialogs 143, 144, 146 and 151 by their template number as
// page. 0 when none.
uint32_t help_topic(int page, int control);

}  // namespace detector
