#include "detector/launch_list.h"

#include <gtest/gtest.h>

#include "common/memory_registry.h"
#include "detector/keys.h"

namespace detector {
namespace {

std::string app(std::size_t n) { return std::string(kLaunchKey) + "\\App" + std::to_string(n); }

LaunchEntry entry(std::size_t n) {
  const std::string s = std::to_string(n);
  return LaunchEntry{"Program " + s, "p" + s + ".exe", "/n " + s};
}

void put(halvo::MemoryRegistry& user, std::size_t n, const LaunchEntry& e) {
  ASSERT_TRUE(user.create_key(app(n)));
  ASSERT_TRUE(user.write_string(app(n), "Description", e.description));
  ASSERT_TRUE(user.write_string(app(n), "Command line", e.command_line));
  ASSERT_TRUE(user.write_string(app(n), "Parameters", e.parameters));
}

std::vector<std::string> descriptions(const LaunchList& list) {
  std::vector<std::string> out;
  for (const LaunchEntry& e : list.entries()) out.push_back(e.description);
  return out;
}

using Names = std::vector<std::string>;

TEST(LaunchList, Load) {
  halvo::MemoryRegistry user;
  EXPECT_TRUE(LaunchList::load(user).entries().empty());

  put(user, 0, entry(0));
  put(user, 1, entry(1));
  put(user, 2, entry(2));
  ASSERT_TRUE(user.write_dword(app(2), "Parameters", 5));  // no longer a text
  put(user, 3, entry(3));
  const LaunchList list = LaunchList::load(user);
  EXPECT_EQ(descriptions(list), (Names{"Program 0", "Program 1"}));
  EXPECT_EQ(list.entries()[1].command_line, "p1.exe");
  EXPECT_EQ(list.entries()[1].parameters, "/n 1");
  EXPECT_TRUE(list.can_add());
  EXPECT_TRUE(list.can_remove());
}

TEST(LaunchList, LoadStopsAtNine) {
  halvo::MemoryRegistry user;
  for (std::size_t n = 0; n < 12; ++n) put(user, n, entry(n));
  const LaunchList list = LaunchList::load(user);
  EXPECT_EQ(list.entries().size(), 9u);
  EXPECT_FALSE(list.can_add());
}

TEST(LaunchList, AddRefusedAtNine) {
  LaunchList list;
  EXPECT_FALSE(list.can_remove());
  for (std::size_t n = 0; n < 9; ++n) {
    EXPECT_TRUE(list.can_add()) << n;
    EXPECT_TRUE(list.add(entry(n))) << n;
  }
  EXPECT_FALSE(list.can_add());
  EXPECT_FALSE(list.add(entry(9)));
  EXPECT_EQ(list.entries().size(), 9u);
  EXPECT_EQ(list.entries().back().description, "Program 8");
}

TEST(LaunchList, RemoveSelected) {
  struct Case {
    std::vector<std::size_t> selected;
    Names expected;
  } cases[] = {
      {{1, 3}, {"Program 0", "Program 2", "Program 4"}},
      {{3, 1}, {"Program 0", "Program 2", "Program 4"}},
      {{0, 0, 4}, {"Program 1", "Program 2", "Program 3"}},
      {{4, 9}, {"Program 0", "Program 1", "Program 2", "Program 3"}},
      {{0, 1, 2, 3, 4}, {}},
      {{}, {"Program 0", "Program 1", "Program 2", "Program 3", "Program 4"}},
  };
  for (const Case& c : cases) {
    LaunchList list;
    for (std::size_t n = 0; n < 5; ++n) list.add(entry(n));
    list.remove(c.selected);
    EXPECT_EQ(descriptions(list), c.expected) << testing::PrintToString(c.selected);
  }
}

TEST(LaunchList, Edit) {
  LaunchList list;
  list.add(entry(0));
  list.edit(0, LaunchEntry{"Notes", "notepad.exe", ""});
  list.edit(3, entry(3));
  ASSERT_EQ(list.entries().size(), 1u);
  EXPECT_EQ(list.entries()[0].command_line, "notepad.exe");
}

TEST(LaunchList, FiveReducedToThree) {
  halvo::MemoryRegistry user;
  for (std::size_t n = 0; n < 5; ++n) put(user, n, entry(n));
  LaunchList list = LaunchList::load(user);
  list.remove({0, 2, 4});
  list.add(LaunchEntry{"New", "new.exe", ""});
  ASSERT_TRUE(list.apply(user));

  EXPECT_EQ(user.subkeys(kLaunchKey), (Names{"App0", "App1", "App2"}));
  EXPECT_EQ(descriptions(LaunchList::load(user)), (Names{"Program 1", "Program 3", "New"}));
  EXPECT_EQ(user.read_string(app(2), "Command line"), "new.exe");
  EXPECT_EQ(user.read_string(app(2), "Parameters"), "");
}

TEST(LaunchList, ApplyOnAFreshRegistryAndDeletingStops) {
  halvo::MemoryRegistry user;
  LaunchList list;
  list.add(entry(0));
  ASSERT_TRUE(list.apply(user));
  EXPECT_EQ(descriptions(LaunchList::load(user)), (Names{"Program 0"}));

  put(user, 1, entry(1));
  put(user, 2, entry(2));
  put(user, 4, entry(4));
  user.refuse_delete(app(2));
  ASSERT_TRUE(list.apply(user));
  EXPECT_EQ(user.subkeys(kLaunchKey), (Names{"App0", "App2", "App4"}));
}

TEST(LaunchList, WriteFailureKeepsTheRest) {
  halvo::MemoryRegistry user;
  for (std::size_t n = 0; n < 4; ++n) put(user, n, entry(n));
  user.refuse_writes(app(1));
  LaunchList list;
  list.add(LaunchEntry{"A", "a.exe", ""});
  list.add(LaunchEntry{"B", "b.exe", ""});
  EXPECT_FALSE(list.apply(user));
  EXPECT_EQ(user.subkeys(kLaunchKey), (Names{"App0", "App1", "App2", "App3"}));
  EXPECT_EQ(user.read_string(app(0), "Description"), "A");
}

}  // namespace
}  // namespace detector
