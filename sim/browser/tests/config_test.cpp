#include "sim/browser/browser_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace browser {
namespace {

TEST(BrowserConfig, CommandLineWords) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"C:\\Halvo\\browsers\\netscape.exe", {}},
      {"\"C:\\Program Files\\b\\iexplore.exe\"", {}},
      {"\"C:\\Program Files\\b\\x.exe\" /service:NETSCAPE  /flood",
       {"/service:NETSCAPE", "/flood"}},
      {"x.exe \"/log:C:\\a b\\l.txt\" /refuse", {"/log:C:\\a b\\l.txt", "/refuse"}},
      {"x.exe /log:\"C:\\a b\\l.txt\"", {"/log:C:\\a b\\l.txt"}},
      {"x.exe\t/refuse", {"/refuse"}},
  };
  for (const Case& c : cases) EXPECT_EQ(command_arguments(c.line), c.words) << c.line;
}

TEST(BrowserConfig, Switches) {
  struct Case {
    std::vector<std::string> arguments;
    const char* service;
    const char* log;
    bool flood;
    uint32_t answer_after;
    bool refuse;
    uint32_t slow_start;
  } cases[] = {
      {{}, "IEXPLORE", "", false, 0, false, 0},
      {{"/service:NETSCAPE", "/log:C:\\t\\b.log"}, "NETSCAPE", "C:\\t\\b.log", false, 0, false, 0},
      {{"/FLOOD", "-refuse"}, "IEXPLORE", "", true, 0, true, 0},
      {{"/flood:0", "/refuse:yes"}, "IEXPLORE", "", false, 0, true, 0},
      {{"/answer-after:2500", "/slow-start:600000"}, "IEXPLORE", "", false, 2500, false, 600000},
      {{"/Service:Mosaic"}, "Mosaic", "", false, 0, false, 0},
  };
  for (const Case& c : cases) {
    const ConfigResult r = config_from_arguments(c.arguments);
    const std::string name = c.arguments.empty() ? "none" : c.arguments.front();
    ASSERT_TRUE(r.ok()) << name << ": " << r.error;
    EXPECT_EQ(r.config.service, c.service) << name;
    EXPECT_EQ(r.config.log, c.log) << name;
    EXPECT_EQ(r.config.flood, c.flood) << name;
    EXPECT_EQ(r.config.answer_after_ms, c.answer_after) << name;
    EXPECT_EQ(r.config.refuse, c.refuse) << name;
    EXPECT_EQ(r.config.slow_start_ms, c.slow_start) << name;
  }
}

TEST(BrowserConfig, BadSwitches) {
  const std::vector<std::vector<std::string>> cases = {
      {"service:NETSCAPE"},         // no switch character
      {"/sevrice:NETSCAPE"},        // unknown
      {"/service:"},                // empty name
      {"/service"},
      {"/service:" + std::string(256, 'S')},
      {"/log"},
      {"/answer-after"},
      {"/answer-after:-5"},
      {"/answer-after:12x"},
      {"/slow-start:600001"},       // above the limit
      {"/slow-start:99999999999"},  // would overflow
      {"/flood:maybe"},
      {"/flood", "/bogus"},         // a good switch does not hide a bad one
  };
  for (const auto& arguments : cases) {
    const ConfigResult r = config_from_arguments(arguments);
    EXPECT_FALSE(r.ok()) << arguments.back();
    EXPECT_FALSE(r.error.empty()) << arguments.back();
  }
}

TEST(BrowserConfig, IniSection) {
  const ConfigResult r = config_from_ini(
      "; the browser of a test\r\n"
      "[other]\r\n"
      "service=WRONG\r\n"
      "bogus=1\r\n"
      "[Browser]\r\n"
      "Service = NETSCAPE\r\n"
      "log=C:\\Halvo\\browsers\\netscape.log\r\n"
      "\r\n"
      "flood=true\r\n"
      "answer-after=1500\r\n"
      "slow-start = 250\r\n"
      "refuse=0\r\n"
      "[later]\r\n"
      "service=WRONG\r\n");
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.config.service, "NETSCAPE");
  EXPECT_EQ(r.config.log, "C:\\Halvo\\browsers\\netscape.log");
  EXPECT_TRUE(r.config.flood);
  EXPECT_EQ(r.config.answer_after_ms, 1500u);
  EXPECT_EQ(r.config.slow_start_ms, 250u);
  EXPECT_FALSE(r.config.refuse);
  EXPECT_EQ(r.config.layout(), Layout::navigator);
}

TEST(BrowserConfig, IniDefaultsAndErrors) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {
      {"", true},
      {"[other]\nservice=NETSCAPE\n", true},  // not our section: defaults
      {"[browser]\nservice\n", false},
      {"[browser]\nrefuse=\n", false},
      {"[browser]\ncolour=blue\n", false},
      {"[browser]\nanswer-after=soon\n", false},
  };
  for (const Case& c : cases) {
    const ConfigResult r = config_from_ini(c.text);
    EXPECT_EQ(r.ok(), c.ok) << c.text << r.error;
    if (r.ok()) {
      EXPECT_EQ(r.config.service, "IEXPLORE") << c.text;
    }
  }
}

TEST(BrowserConfig, LayoutFollowsService) {
  struct Case {
    const char* service;
    Layout layout;
  } cases[] = {{"IEXPLORE", Layout::explorer},
               {"NETSCAPE", Layout::navigator},
               {"netscape", Layout::navigator},
               {"NETSCAPE2", Layout::explorer},
               {"MOSAIC", Layout::explorer}};
  for (const Case& c : cases) {
    Config config;
    config.service = c.service;
    EXPECT_EQ(config.layout(), c.layout) << c.service;
  }
}

TEST(BrowserConfig, FilesBesideTheProgram) {
  EXPECT_EQ(beside_program("C:\\Halvo\\browsers\\netscape.exe", ".ini"),
            "C:\\Halvo\\browsers\\netscape.ini");
  EXPECT_EQ(beside_program("C:\\b.d\\iexplore", ".log"), "C:\\b.d\\iexplore.log");
  EXPECT_EQ(beside_program("C:\\b\\x.y.exe", ".ini"), "C:\\b\\x.y.ini");
}

}  // namespace
}  // namespace browser
