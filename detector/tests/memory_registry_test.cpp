#include "common/memory_registry.h"

#include <gtest/gtest.h>

namespace halvo {
namespace {

TEST(MemoryRegistry, Keys) {
  MemoryRegistry r;
  EXPECT_FALSE(r.key_exists("A"));
  EXPECT_FALSE(r.create_key(""));
  ASSERT_TRUE(r.create_key("Soft\\Vendor\\App"));
  EXPECT_TRUE(r.key_exists("Soft"));
  EXPECT_TRUE(r.key_exists("SOFT\\vendor"));
  EXPECT_TRUE(r.key_exists("soft\\VENDOR\\app"));
  EXPECT_TRUE(r.create_key("SOFT\\VENDOR\\APP")) << "existing key";
  EXPECT_EQ(r.subkeys("Soft\\Vendor"), std::vector<std::string>{"App"}) << "name kept as first created";

  EXPECT_FALSE(r.delete_key("Soft\\Vendor")) << "has a subkey";
  EXPECT_FALSE(r.delete_key("Soft\\Other")) << "missing";
  EXPECT_TRUE(r.delete_key("soft\\vendor\\app"));
  EXPECT_FALSE(r.key_exists("Soft\\Vendor\\App"));
  EXPECT_TRUE(r.delete_key("Soft\\Vendor"));
}

TEST(MemoryRegistry, SubkeyCheckSeesPastSimilarNames) {
  MemoryRegistry r;
  ASSERT_TRUE(r.create_key("K\\App1\\Sub"));
  ASSERT_TRUE(r.create_key("K\\App10"));
  ASSERT_TRUE(r.create_key("K\\App1 x"));
  EXPECT_FALSE(r.delete_key("K\\App1"));
  EXPECT_EQ(r.subkeys("K"), (std::vector<std::string>{"App1", "App1 x", "App10"}));
}

TEST(MemoryRegistry, Values) {
  MemoryRegistry r;
  EXPECT_FALSE(r.write_string("K", "v", "x")) << "missing key";
  ASSERT_TRUE(r.create_key("K"));
  ASSERT_TRUE(r.write_string("K", "Text", "hello"));
  ASSERT_TRUE(r.write_string("K", "", "default"));
  ASSERT_TRUE(r.write_binary("K", "Bin", {1, 2, 3}));
  ASSERT_TRUE(r.write_dword("K", "Num", 0x12345678));

  EXPECT_EQ(r.read_string("k", "TEXT"), "hello");
  EXPECT_EQ(r.read_string("K", ""), "default");
  EXPECT_EQ(r.read_binary("K", "bin"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(r.read_dword("K", "num"), 0x12345678u);
  EXPECT_EQ(r.read_string("K", "Bin"), std::nullopt) << "other type";
  EXPECT_EQ(r.read_dword("K", "Text"), std::nullopt) << "other type";
  EXPECT_EQ(r.read_binary("K", "Num"), std::nullopt) << "other type";
  EXPECT_EQ(r.read_string("K", "Missing"), std::nullopt);
  EXPECT_EQ(r.read_string("Other", "Text"), std::nullopt);

  ASSERT_TRUE(r.write_dword("K", "TEXT", 7));
  EXPECT_EQ(r.read_string("K", "Text"), std::nullopt) << "replaced by a DWORD";
  EXPECT_EQ(r.value_count("K"), 4u);
}

TEST(MemoryRegistry, ReadBounds) {
  MemoryRegistry r;
  ASSERT_TRUE(r.create_key("K"));
  ASSERT_TRUE(r.write_string("K", "Longest", std::string(Registry::kMaxText, 'a')));
  ASSERT_TRUE(r.write_string("K", "Long", std::string(Registry::kMaxText + 1, 'a')));
  ASSERT_TRUE(r.write_binary("K", "Largest", std::vector<uint8_t>(Registry::kMaxBinary, 1)));
  ASSERT_TRUE(r.write_binary("K", "Large", std::vector<uint8_t>(Registry::kMaxBinary + 1, 1)));
  EXPECT_EQ(r.read_string("K", "Longest")->size(), Registry::kMaxText);
  EXPECT_EQ(r.read_string("K", "Long"), std::nullopt);
  EXPECT_EQ(r.read_binary("K", "Largest")->size(), Registry::kMaxBinary);
  EXPECT_EQ(r.read_binary("K", "Large"), std::nullopt);
}

TEST(MemoryRegistry, RefusedKeys) {
  MemoryRegistry r;
  ASSERT_TRUE(r.create_key("A\\B"));
  r.refuse_writes("a\\b");
  r.refuse_writes("A\\New");
  r.refuse_delete("A\\B");
  EXPECT_FALSE(r.write_string("A\\B", "v", "x"));
  EXPECT_TRUE(r.create_key("A\\B")) << "it exists";
  EXPECT_FALSE(r.create_key("A\\New\\Deeper"));
  EXPECT_FALSE(r.key_exists("A\\New"));
  EXPECT_FALSE(r.delete_key("A\\B"));
  EXPECT_TRUE(r.key_exists("A\\B"));
  EXPECT_TRUE(r.write_string("A", "v", "x")) << "only the marked key refuses";
}

}  // namespace
}  // namespace halvo
