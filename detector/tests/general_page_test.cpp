#include "detector/general_page.h"

#include <gtest/gtest.h>

#include <map>

namespace detector {
namespace {

TEST(GeneralPage, RcbDescription) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"[Control]\r\nMake=Q\r\nDescription=Standard remote\r\n", "Standard remote"},
      {"[control]\ndescription = \"Quoted\" \n", "Quoted"},
      {"[Buttons]\nDescription=Not here\n[Control]\nModel=X\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(rcb_description(c.text), c.expected) << c.text;
}

TEST(GeneralPage, RemoteList) {
  const std::map<std::string, std::string> descriptions = {
      {"C:\\HALVO\\RCB\\ALPHA.RCB", "Alpha"}, {"C:\\HALVO\\RCB\\BETA.RCB", "Beta"},
      {"C:\\HALVO\\RCB\\GAMMA.RCB", "Gamma"}, {"D:\\ELSEWHERE.RCB", "Elsewhere"}};
  const auto description_of = [&](const std::string& path) {
    auto it = descriptions.find(path);
    return it == descriptions.end() ? std::string("?") + path : it->second;
  };
  const std::vector<std::string> files = {"alpha.rcb", "Beta.rcb", "gamma.rcb"};

  struct Case {
    const char* name;
    std::string current;
    std::vector<std::string> expected;  // "description|path"
  } cases[] = {
      {"second file current", "c:\\halvo\\rcb\\beta.rcb",
       {"Beta|C:\\HALVO\\RCB\\BETA.RCB", "Alpha|C:\\HALVO\\RCB\\ALPHA.RCB", "Gamma|C:\\HALVO\\RCB\\GAMMA.RCB"}},
      {"current outside the folder", "D:\\elsewhere.rcb",
       {"Elsewhere|D:\\ELSEWHERE.RCB", "Alpha|C:\\HALVO\\RCB\\ALPHA.RCB", "Beta|C:\\HALVO\\RCB\\BETA.RCB",
        "Gamma|C:\\HALVO\\RCB\\GAMMA.RCB"}},
      {"no current file", "",
       {"Alpha|C:\\HALVO\\RCB\\ALPHA.RCB", "Beta|C:\\HALVO\\RCB\\BETA.RCB", "Gamma|C:\\HALVO\\RCB\\GAMMA.RCB"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const RemoteChoice& r : remote_list(c.current, "C:\\Halvo\\Rcb", files, description_of))
      got.push_back(r.description + "|" + r.path);
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(GeneralPage, TypedMouseStep) {
  struct Case {
    const char* text;
    std::optional<uint32_t> expected;
  } cases[] = {
      {"0", 0u},     {"1", 1u},      {"10", 10u},   {"5", 5u},   {" 7 ", 7u}, {"010", 10u},
      {"11", std::nullopt},  {"100", std::nullopt}, {"-1", std::nullopt}, {"", std::nullopt},
      {"  ", std::nullopt},  {"abc", std::nullopt}, {"5a", std::nullopt}, {"3.5", std::nullopt},
      {"+3", std::nullopt},  {"99999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(typed_mouse_step(c.text), c.expected) << '"' << c.text << '"';
}

TEST(GeneralPage, HelpTopics) {
  struct Case {
    int page, control;
    uint32_t topic;
  } cases[] = {
      {0, 0, 117},     {1, 0, 23},      {1, 1000, 61},  {1, 1039, 61},   {1, 1040, 61},   {1, 1043, 61},
      {1, 1006, 23},   {1, 1007, 23},   {1, 1009, 23},  {1, 1010, 23},   {2, 0, 24},      {2, 1018, 24},
      {2, 1019, 21},   {2, 1021, 20},   {2, 1022, 22},  {3, 0, 26},      {3, 1029, 26},   {3, 1030, 25},
      {3, 1031, 59},   {144, 0, 20},    {143, 0, 24},   {146, 0, 25},    {151, 0, 118},   {144, 1027, 20},
      {1, 1018, 0},    {2, 1000, 0},    {0, 1012, 0},   {4, 0, 0},       {-1, 0, 0},      {145, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(help_topic(c.page, c.control), c.topic) << c.page << "/" << c.control;
}

}  // namespace
}  // namespace detector
