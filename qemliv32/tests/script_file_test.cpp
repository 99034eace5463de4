#include "qemliv32/script_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace qem {
namespace {

using namespace std::string_literals;

TEST(ScriptUrl, TakesTheCleanFirstLine) {
  struct Case {
    const char* name;
    std::string contents;
    std::string url;
  };
  const Case cases[] = {
      {"as Save writes it", "qem://h/c|/a.avi\0"s, "qem://h/c|/a.avi"},
      {"zero byte then junk", "qem://h/x\0\xff\xfe more"s, "qem://h/x"},
      {"DOS line end and more lines", "qem://h/x\r\nsecond line\n", "qem://h/x"},
      {"trailing form feeds and returns", "qem://h/x\f\r\r\f", "qem://h/x"},
      {"only the end is trimmed", "\r\fqem://h/x \t", "\r\fqem://h/x \t"},
      {"empty file", "", ""},
      {"empty first line", "\nqem://h/x", ""},
      {"no line end", "qem://h/x", "qem://h/x"},
      {"long line cut at 256", std::string(300, 'u'), std::string(256, 'u')},
      {"cut exposes a return", std::string(255, 'u') + "\r" + std::string(10, 'v'),
       std::string(255, 'u')},
  };
  for (const Case& c : cases) EXPECT_EQ(script_url(c.contents), c.url) << c.name;
}

class ScriptFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("qemliv32_script_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

TEST_F(ScriptFileTest, WrittenUrlReadsBackTheSame) {
  const char* urls[] = {"qem://host/c|/clips/a.avi", "QEM://host:7070/x", ""};
  for (const char* url : urls) {
    ASSERT_TRUE(write_script_file(path("a.qem"), url)) << url;
    EXPECT_EQ(std::filesystem::file_size(path("a.qem")), std::string(url).size() + 1)
        << "URL, one zero byte, no line end: " << url;
    EXPECT_EQ(read_script_file(path("a.qem")), std::optional<std::string>(url)) << url;
  }
}

TEST_F(ScriptFileTest, LargeFileReadsOnlyItsStart) {
  std::string big = "qem://h/x\r\n" + std::string(1 << 20, 'z');
  std::FILE* f = std::fopen(path("big.qem").c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(big.data(), 1, big.size(), f);
  std::fclose(f);
  EXPECT_EQ(read_script_file(path("big.qem")), std::optional<std::string>("qem://h/x"));
}

TEST_F(ScriptFileTest, UnreadableOrUncreatableFails) {
  EXPECT_EQ(read_script_file(path("missing.qem")), std::nullopt);
  EXPECT_EQ(read_script_file(dir_.string()), std::nullopt) << "a folder";
  EXPECT_FALSE(write_script_file(path("no/such/folder/a.qem"), "qem://h/x"));
  EXPECT_FALSE(write_script_file(dir_.string(), "qem://h/x")) << "a folder";
}

}  // namespace
}  // namespace qem
