// What a drive letter of the prefix shows: the files of the disc in it.
#ifndef HALVO_DRIVE_FILES_H
#define HALVO_DRIVE_FILES_H

#include <string>

namespace vdrive {

// Empties the CD-ROM drive letter's folder and copies the disc folder onto
// it (nothing when folder is empty). A letter that is no CD-ROM drive here
// only accepts an empty folder.
bool show_disc_files(char letter, const std::string& folder, std::string& error);

}  // namespace vdrive

#endif
