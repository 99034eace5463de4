// Writes a text in place behind a marker in a file: the installer's way of
// putting the installation path into a file it has copied.
//
// The file is read in chunks of kChunkBytes; a candidate that runs past the
// end of a chunk is completed by reading on and seeking back. Only the first
// occurrence counts; the text is written with its terminating NUL over the
// bytes behind the marker, and nothing is written when the marker is absent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace repath {

constexpr std::size_t kChunkBytes = 4086;

enum class SeekFrom { begin, current };

// An open file. Each operation reports failure as false.
class PatchFile {
 public:
  virtual ~PatchFile() = default;
  // Reads up to size bytes at the current position; got is 0 at the end.
  virtual bool read(uint8_t* data, std::size_t size, std::size_t& got) = 0;
  virtual bool seek(int64_t offset, SeekFrom from) = 0;
  virtual bool write(const uint8_t* data, std::size_t size, std::size_t& written) = 0;
};

class FileOpener {
 public:
  virtual ~FileOpener() = default;
  // Opens an existing file for reading and writing, without sharing; null
  // when that is not possible.
  virtual std::unique_ptr<PatchFile> open_read_write(const char* name) = 0;
};

// The offset just behind the first occurrence of marker, or 0 when there is
// none (or on a read error, or for an empty marker).
uint64_t find_marker(PatchFile& file, std::string_view marker);

enum class PatchOutcome {
  written,        // the text and its NUL are in place
  write_failed,   // found, but the seek or the write did not complete
  not_found,      // the file is unchanged
  empty_marker,   // nothing to look for: the file is unchanged
};

PatchOutcome patch(PatchFile& file, std::string_view marker, std::string_view text);

// The exported operation: 0 when the file cannot be opened for reading and
// writing, 1 otherwise, whatever the outcome. Null strings count as empty.
int replace_sd_path(FileOpener& opener, const char* file_name, const char* marker,
                    const char* text, PatchOutcome* outcome = nullptr);

}  // namespace repath
