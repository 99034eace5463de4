#include "panel/win32/disc_folders.h"

#include <direct.h>
#include <io.h>

bool DiscFolders::make_drive_current(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        letter = (char)(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return false;
    return _chdrive(letter - 'A' + 1) == 0;
}

bool DiscFolders::change_directory(const std::string& path)
{
    return _chdir(path.c_str()) == 0;
}

std::vector<panel::FolderEntry> DiscFolders::find(const std::string& pattern)
{
    std::vector<panel::FolderEntry> entries;
    _finddata_t data;
    intptr_t search = _findfirst(pattern.c_str(), &data);
    if (search == -1)
        return entries;
    do {
        panel::FolderEntry entry;
        entry.name = data.name;
        entry.directory = (data.attrib & _A_SUBDIR) != 0;
        entry.size = (uint32_t)data.size;
        entries.push_back(entry);
    } while (_findnext(search, &data) == 0);
    _findclose(search);
    return entries;
}
