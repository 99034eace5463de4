// The disc's folders through the C run-time, as discovery walks them.
#pragma once

#include "panel/folders.h"

class DiscFolders : public panel::Folders {
public:
    bool make_drive_current(char letter) override;
    bool change_directory(const std::string& path) override;
    std::vector<panel::FolderEntry> find(const std::string& pattern) override;
};
