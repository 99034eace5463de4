#include "beamhub/disc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <vector>

namespace beamhub {
namespace {

namespace fs = std::filesystem;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Splits "X:\a\b" into its letter and parts; false for another drive.
bool split_path(const std::string& path, char letter, std::vector<std::string>& parts) {
  if (path.size() < 3 || std::toupper(static_cast<unsigned char>(path[0])) != letter ||
      path[1] != ':' || path[2] != '\\') {
    return false;
  }
  parts.clear();
  std::string part;
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  return true;
}

// '?' stands for exactly one character; case is ignored.
bool name_matches(const std::string& pattern, const std::string& name) {
  if (pattern.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (pattern[i] != '?' && std::tolower(static_cast<unsigned char>(pattern[i])) !=
                                 std::tolower(static_cast<unsigned char>(name[i]))) {
      return false;
    }
  }
  return true;
}

// A fixture folder seen as the root of drive R:, looked up case-insensitively
// as the disc's file system would be. Counts every lookup.
class FolderDisc : public DiscFiles {
 public:
  static constexpr char kLetter = 'R';

  explicit FolderDisc(const std::string& kind) : root_(fs::path(DISC_FIXTURES_DIR) / kind) {}

  bool file_exists(const std::string& path) override {
    ++lookups;
    fs::path p;
    return resolve(path, p) && fs::is_regular_file(p);
  }
  bool folder_exists(const std::string& path) override {
    ++lookups;
    fs::path p;
    return resolve(path, p) && fs::is_directory(p);
  }
  bool read_start(const std::string& path, uint8_t* out, std::size_t size,
                  std::size_t& got) override {
    ++lookups;
    fs::path p;
    got = 0;
    if (!resolve(path, p) || !fs::is_regular_file(p)) return false;
    std::ifstream in(p, std::ios::binary);
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    got = static_cast<std::size_t>(in.gcount());
    return true;
  }
  bool any_match(const std::string& pattern) override {
    ++lookups;
    std::size_t cut = pattern.rfind('\\');
    fs::path folder;
    if (cut == std::string::npos || !resolve(pattern.substr(0, cut), folder) ||
        !fs::is_directory(folder)) {
      return false;
    }
    const std::string name = pattern.substr(cut + 1);
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.is_regular_file() && name_matches(name, entry.path().filename().string())) {
        return true;
      }
    }
    return false;
  }

  int lookups = 0;

 private:
  bool resolve(const std::string& path, fs::path& out) const {
    std::vector<std::string> parts;
    if (!split_path(path, kLetter, parts)) return false;
    fs::path at = root_;
    for (const std::string& part : parts) {
      bool found = false;
      if (fs::is_directory(at)) {
        for (const auto& entry : fs::directory_iterator(at)) {
          if (lower(entry.path().filename().string()) == lower(part)) {
            at = entry.path();
            found = true;
            break;
          }
        }
      }
      if (!found) return false;
    }
    out = at;
    return true;
  }

  fs::path root_;
};

struct ClassifyCase {
  const char* name;
  const char* fixture;
  uint8_t nibble;
  uint16_t expected;
  bool reads_disc;
};
void PrintTo(const ClassifyCase& c, std::ostream* os) { *os << c.name; }

class ClassifyDisc : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyDisc, GivesTheDiscType) {
  const ClassifyCase& c = GetParam();
  FolderDisc disc(c.fixture);
  ASSERT_TRUE(fs::is_directory(fs::path(DISC_FIXTURES_DIR) / c.fixture));
  EXPECT_EQ(classify_disc(c.nibble, FolderDisc::kLetter, disc), c.expected);
  if (!c.reads_disc) {
    EXPECT_EQ(disc.lookups, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ClassifyDisc,
    ::testing::Values(
        ClassifyCase{"VideoCdOnDataNibble", "videocd", 0, 9, true},
        ClassifyCase{"VideoCdOnMixedNibble", "videocd", 5, 9, true},
        ClassifyCase{"VideoCdAudioNibbleWins", "videocd", 4, 4, false},
        ClassifyCase{"VideoCdNibble7IsAudio", "videocd", 7, 4, false},
        ClassifyCase{"VideoCdCdiNibbleWins", "videocd", 8, 8, false},
        ClassifyCase{"VideoCdNoDiscNibbleWins", "videocd", 15, 15, false},
        ClassifyCase{"OldVideoCdWithoutInfoFile", "videocd-old", 0, 9, true},
        ClassifyCase{"OldLayoutWithoutMusicTrack", "videocd-no-music", 0, 0, true},
        // A bad info file decides alone: the old layout beside it does not count.
        ClassifyCase{"BadSignaturePassesNibble", "vcd-bad-signature", 5, 5, true},
        ClassifyCase{"QmcdOnDataNibble", "qmcd", 0, 12, true},
        ClassifyCase{"QmcdNoDiscNibbleWins", "qmcd", 15, 15, false},
        ClassifyCase{"DataDisc", "data", 0, 0, true},
        ClassifyCase{"DataDiscMixedNibble", "data", 5, 5, true},
        ClassifyCase{"UnknownMediumCodePassesThrough", "data", 3, 3, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClassifyDisc, LooksOnTheDriveItIsGiven) {
  FolderDisc disc("videocd");
  EXPECT_EQ(classify_disc(0, 'S', disc), 0);
  EXPECT_GT(disc.lookups, 0);
}

// In-memory disc for the info file's contents and the media folders.
class MemoryDisc : public DiscFiles {
 public:
  bool file_exists(const std::string& path) override { return files.count(lower(path)) != 0; }
  bool folder_exists(const std::string& path) override { return folders.count(lower(path)) != 0; }
  bool read_start(const std::string& path, uint8_t* out, std::size_t size,
                  std::size_t& got) override {
    got = 0;
    auto it = files.find(lower(path));
    if (it == files.end() || unreadable) return false;
    got = std::min(size, it->second.size());
    std::copy_n(it->second.begin(), got, out);
    return true;
  }
  bool any_match(const std::string&) override { return false; }

  std::map<std::string, std::string> files;  // lower-case path -> contents
  std::set<std::string> folders;              // lower-case paths
  bool unreadable = false;
};

struct InfoCase {
  const char* name;
  std::string contents;
  bool unreadable;
  bool video_cd;
};
void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }

class InfoFile : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InfoFile, DecidesTheVideoCdTest) {
  const InfoCase& c = GetParam();
  MemoryDisc disc;
  disc.files["e:\\vcd\\info.vcd"] = c.contents;
  disc.unreadable = c.unreadable;
  EXPECT_EQ(is_video_cd('E', disc), c.video_cd);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, InfoFile,
    ::testing::Values(
        InfoCase{"Version2", std::string("VIDEO_CD\x02\x00", 10) + "ALBUM", false, true},
        InfoCase{"Version11", std::string("VIDEO_CD\x01\x01", 10), false, true},
        InfoCase{"Version10", std::string("VIDEO_CD\x01\x00", 10), false, false},
        InfoCase{"VersionBytesSwapped", std::string("VIDEO_CD\x00\x02", 10), false, false},
        InfoCase{"SuperVideoCdSignature", std::string("SUPERVCD\x01\x00", 10), false, false},
        InfoCase{"LowerCaseSignature", std::string("video_cd\x02\x00", 10), false, false},
        InfoCase{"ShortFile", std::string("VIDEO_CD\x02", 9), false, false},
        InfoCase{"EmptyFile", "", false, false},
        InfoCase{"Unreadable", std::string("VIDEO_CD\x02\x00", 10), true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QmcdTest, AnyMediaFolderIsEnough) {
  for (const char* folder : {"e:\\wave", "e:\\midi", "e:\\avi"}) {
    MemoryDisc disc;
    disc.folders.insert(folder);
    EXPECT_TRUE(is_qmcd('E', disc)) << folder;
  }
}

TEST(QmcdTest, FilesWithMediaNamesAreNotFolders) {
  MemoryDisc disc;
  disc.files["e:\\wave"] = "";
  disc.folders.insert("e:\\video");
  EXPECT_FALSE(is_qmcd('E', disc));
}

}  // namespace
}  // namespace beamhub
