#include "repath/patcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "repath/tests/memory_file.h"

namespace repath {
namespace {

using testing::bytes_of;
using testing::MemoryFile;
using testing::MemoryFolder;

// A marker whose first byte occurs nowhere else in it, and filler made of
// its own first len-1 bytes and an 'x': partial matches everywhere, a whole
// one nowhere.
std::string make_marker(std::size_t len) {
  std::string m = "M";
  const std::string tail = "0123456789abcdefghijklmnopqrstuvw";
  while (m.size() < len) m += tail[(m.size() - 1) % tail.size()];
  return m;
}

std::vector<uint8_t> filler(const std::string& marker, std::size_t size) {
  const std::string unit = marker.substr(0, marker.size() - 1) + "x";
  std::vector<uint8_t> out;
  while (out.size() < size) out.push_back(static_cast<uint8_t>(unit[out.size() % unit.size()]));
  return out;
}

// What patching must give: the text and a NUL behind the first occurrence.
std::vector<uint8_t> expected_after(std::vector<uint8_t> bytes, const std::string& marker,
                                    const std::string& text) {
  auto it = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
  if (it == bytes.end()) return bytes;
  const std::size_t at = static_cast<std::size_t>(it - bytes.begin()) + marker.size();
  if (bytes.size() < at + text.size() + 1) bytes.resize(at + text.size() + 1);
  std::copy(text.begin(), text.end(), bytes.begin() + at);
  bytes[at + text.size()] = 0;
  return bytes;
}

TEST(Patcher, MarkerFoundAtEveryPositionAroundChunkBoundaries) {
  const std::string text = "C:\\HALVO";
  for (std::size_t len : {1, 2, 10, 51, 52, 200}) {
    const std::string marker = make_marker(len);
    for (std::size_t boundary : {kChunkBytes, 2 * kChunkBytes}) {
      const std::size_t first = boundary > len + 2 ? boundary - len - 2 : 0;
      for (std::size_t at = first; at <= boundary + 2; ++at) {
        for (std::size_t max_read : {SIZE_MAX, std::size_t{1000}}) {
          std::vector<uint8_t> bytes = filler(marker, boundary + 3 * kChunkBytes);
          std::copy(marker.begin(), marker.end(), bytes.begin() + at);
          const std::vector<uint8_t> want = expected_after(bytes, marker, text);
          MemoryFile file(bytes);
          file.max_read = max_read;
          EXPECT_EQ(find_marker(file, marker), at + len)
              << "length " << len << " at " << at << " reads of " << max_read;
          EXPECT_EQ(patch(file, marker, text), PatchOutcome::written);
          EXPECT_TRUE(bytes == want) << "length " << len << " at " << at;
        }
      }
    }
  }
}

TEST(Patcher, MarkerEndingTheFileIsFoundAndTheTextAppended) {
  for (std::size_t len : {1, 10, 51, 52, 200}) {
    const std::string marker = make_marker(len);
    for (std::size_t size : {kChunkBytes - 1, kChunkBytes, kChunkBytes + 1, kChunkBytes + len / 2,
                             2 * kChunkBytes + 5}) {
      if (size < len) continue;
      std::vector<uint8_t> bytes = filler(marker, size);
      std::copy(marker.begin(), marker.end(), bytes.end() - static_cast<long>(len));
      const std::vector<uint8_t> want = expected_after(bytes, marker, "D:\\");
      MemoryFile file(bytes);
      EXPECT_EQ(patch(file, marker, "D:\\"), PatchOutcome::written) << len << "/" << size;
      EXPECT_TRUE(bytes == want) << "length " << len << " file of " << size;
    }
  }
}

// A partial candidate at a chunk's end whose look-ahead is cut short by the
// end of the file must not shift the scan: the real marker straddling the
// same boundary is found at its true place.
TEST(Patcher, ShortLookAheadNearTheEndKeepsOffsetsTrue) {
  const std::string marker = "ABCDEFGHIJ";
  std::vector<uint8_t> bytes(kChunkBytes + 6, '.');
  const std::size_t decoy = kChunkBytes - 8, real = kChunkBytes - 4;
  bytes[decoy] = 'A';  // "A..." : a candidate that fails
  std::copy(marker.begin(), marker.end(), bytes.begin() + real);
  MemoryFile file(bytes);
  EXPECT_EQ(find_marker(file, marker), real + marker.size());
}

TEST(Patcher, PartialMatchAtChunkEndThenRealMatchLater) {
  const std::string marker = "<<INSTALLDIR>>";
  struct Case {
    const char* name;
    std::size_t real_at;
  } cases[] = {
      {"later in the next chunk", kChunkBytes + 700},
      {"straddling the next boundary", 2 * kChunkBytes - 5},
      {"in the third chunk", 2 * kChunkBytes + 40},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(3 * kChunkBytes, ' ');
    const std::string partial = "<<INSTALL";  // breaks off across the first boundary
    std::copy(partial.begin(), partial.end(), bytes.begin() + kChunkBytes - 4);
    bytes[kChunkBytes - 4 + partial.size()] = '?';
    std::copy(marker.begin(), marker.end(), bytes.begin() + c.real_at);
    const std::vector<uint8_t> want = expected_after(bytes, marker, "C:\\Program Files\\Halvo");
    MemoryFile file(bytes);
    EXPECT_EQ(patch(file, marker, "C:\\Program Files\\Halvo"), PatchOutcome::written) << c.name;
    EXPECT_TRUE(bytes == want) << c.name;
  }
}

TEST(Patcher, WritesTextAndNulBehindTheFirstOccurrenceOnly) {
  std::vector<uint8_t> bytes = bytes_of("path=@@C:\\OLD\\LONGER\\PATH;again=@@C:\\OLD;");
  const std::vector<uint8_t> original = bytes;
  MemoryFile file(bytes);
  ASSERT_EQ(patch(file, "@@", "E:\\NEW"), PatchOutcome::written);
  EXPECT_EQ(file.writes, 1);
  // Exactly length + 1 bytes change; the old text's tail stays after the NUL.
  std::string want = "path=@@E:\\NEW";
  want += '\0';
  want += "LONGER\\PATH;again=@@C:\\OLD;";
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), want);
  EXPECT_EQ(bytes.size(), original.size());
}

TEST(Patcher, NothingWrittenWithoutAWholeMarker) {
  struct Case {
    const char* name;
    std::string content, marker;
    PatchOutcome outcome;
  } cases[] = {
      {"marker absent", "no marker here", "@@DIR", PatchOutcome::not_found},
      {"only a prefix at the end", "text @@DI", "@@DIR", PatchOutcome::not_found},
      {"case differs", "text @@dir", "@@DIR", PatchOutcome::not_found},
      {"empty file", "", "@@DIR", PatchOutcome::not_found},
      {"empty marker", "text", "", PatchOutcome::empty_marker},
      {"marker longer than the file", "@@", "@@DIR", PatchOutcome::not_found},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = bytes_of(c.content);
    MemoryFile file(bytes);
    EXPECT_EQ(patch(file, c.marker, "X"), c.outcome) << c.name;
    EXPECT_EQ(file.writes, 0) << c.name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.content) << c.name;
  }
}

TEST(Patcher, ResultIsZeroOnlyWhenTheFileCannotBeOpened) {
  struct Case {
    const char* name;
    const char* file_name;
    const char* marker;
    bool fail_writes;
    int result;
    PatchOutcome outcome;
  } cases[] = {
      {"patched", "setup.ini", "DIR=", false, 1, PatchOutcome::written},
      {"marker absent", "setup.ini", "NOPE=", false, 1, PatchOutcome::not_found},
      {"write fails", "setup.ini", "DIR=", true, 1, PatchOutcome::write_failed},
      {"empty marker", "setup.ini", "", false, 1, PatchOutcome::empty_marker},
      {"null marker", "setup.ini", nullptr, false, 1, PatchOutcome::empty_marker},
      {"missing file", "absent.ini", "DIR=", false, 0, PatchOutcome::not_found},
      {"read-only file", "readonly.ini", "DIR=", false, 0, PatchOutcome::not_found},
      {"held without sharing", "locked.ini", "DIR=", false, 0, PatchOutcome::not_found},
      {"null file name", nullptr, "DIR=", false, 0, PatchOutcome::not_found},
  };
  for (const Case& c : cases) {
    MemoryFolder folder;
    folder.fail_writes = c.fail_writes;
    for (const char* name : {"setup.ini", "readonly.ini", "locked.ini"})
      folder.files[name].bytes = bytes_of("[Paths]\nDIR=C:\\TEMP\\\n");
    folder.files["readonly.ini"].read_only = true;
    folder.files["locked.ini"].locked = true;
    const auto before = folder.files;
    PatchOutcome outcome = PatchOutcome::not_found;
    EXPECT_EQ(replace_sd_path(folder, c.file_name, c.marker, "D:\\HALVO", &outcome), c.result)
        << c.name;
    EXPECT_EQ(outcome, c.outcome) << c.name;
    for (const auto& [name, entry] : folder.files) {
      if (c.outcome == PatchOutcome::written && c.file_name == name) continue;
      EXPECT_TRUE(entry.bytes == before.at(name).bytes) << c.name << ": " << name << " changed";
    }
  }
}

}  // namespace
}  // namespace repath
