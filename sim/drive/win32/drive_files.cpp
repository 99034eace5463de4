#include "sim/drive/win32/drive_files.h"

#include <windows.h>

#include <ctype.h>
#include <string.h>

namespace vdrive {
namespace {

std::string error_text(const std::string& what)
{
    char code[24];
    wsprintfA(code, " (error %lu)", GetLastError());
    return what + code;
}

typedef bool (*EntryAction)(const std::string& from, const WIN32_FIND_DATAA& entry,
                            const std::string& to);

// Calls action for every entry of a folder but "." and "..".
bool each_entry(const std::string& folder, EntryAction action, const std::string& to)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_NO_MORE_FILES;
    bool ok = true;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
            continue;
        ok = action(folder, entry, to);
    } while (ok && FindNextFileA(find, &entry));
    FindClose(find);
    return ok;
}

bool remove_entry(const std::string& folder, const WIN32_FIND_DATAA& entry, const std::string&)
{
    std::string path = folder + "\\" + entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        // A folder some program has as its current folder stays, empty:
        // the disc's files are gone all the same, as from an ejected disc.
        return each_entry(path, remove_entry, std::string()) &&
               (RemoveDirectoryA(path.c_str()) || GetLastError() == ERROR_SHARING_VIOLATION);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != FALSE;
}

bool copy_entry(const std::string& folder, const WIN32_FIND_DATAA& entry, const std::string& to)
{
    std::string from = folder + "\\" + entry.cFileName;
    std::string target = to + "\\" + entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return CreateDirectoryA(target.c_str(), NULL) && each_entry(from, copy_entry, target);
    return CopyFileA(from.c_str(), target.c_str(), FALSE) != FALSE;
}

}  // namespace

bool show_disc_files(char letter, const std::string& folder, std::string& error)
{
    char root[] = "?:\\";
    root[0] = letter;
    std::string drive(root, 2);
    if (GetDriveTypeA(root) != DRIVE_CDROM) {
        // Not one of the prefix's CD-ROM folders: nothing of ours to remove.
        if (folder.empty())
            return true;
        error = drive + " is not a CD-ROM drive here, so it cannot show a disc";
        return false;
    }
    if (folder.size() >= 2 && toupper((unsigned char)folder[0]) == letter && folder[1] == ':') {
        error = "a disc folder on " + drive + " itself cannot be put into " + drive;
        return false;
    }
    if (!each_entry(drive, remove_entry, std::string())) {
        error = error_text("could not empty " + drive + "\\ (a file in use?)");
        return false;
    }
    if (!folder.empty() && !each_entry(folder, copy_entry, drive)) {
        error = error_text("could not copy " + folder + " onto " + drive + "\\");
        return false;
    }
    return true;
}

}  // namespace vdrive
