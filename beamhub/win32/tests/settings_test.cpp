// Settings changed by a program are written to the suite key when the last
// process lets the library go, and read back by the next first process.
#include <string.h>

#include <string>

#include "beamhub/mmcd.h"
#include "beamhub/win32/tests/client_process.h"
#include "beamhub/win32/tests/machine.h"

namespace itest {
namespace {

using SettingsTest = MachineTest;

bool same_text(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

TEST_F(SettingsTest, SavedAtTheLastDetachAndReadByTheNextProcess) {
  const struct {
    const char* name;
    bool (ClientProcess::*leave)();
  } rows[] = {
      {"last process unloads the library", &ClientProcess::quit},
      {"last process ends with it loaded", &ClientProcess::end_input},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSuiteKey);
    {
      ClientProcess p, q;
      ASSERT_TRUE(p.start());
      ASSERT_EQ(MMCD_OK, hex_field(p.run("register"), "status"));
      ASSERT_EQ(MMCD_OK, hex_field(p.run("setcap 0x1004 7"), "status"));
      ASSERT_EQ(MMCD_OK, hex_field(p.run("setcap 0x100d 0"), "status"));
      ASSERT_TRUE(q.start());
      ASSERT_TRUE(p.quit());
      EXPECT_FALSE(read_value(HKEY_CURRENT_USER, kSuiteKey, "MouseInterval").present)
          << "written before the last process let the library go";
      ASSERT_TRUE((q.*row.leave)());
    }

    RegistryValue mouse = read_value(HKEY_CURRENT_USER, kSuiteKey, "MouseInterval");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), mouse.type);
    EXPECT_EQ(7u, mouse.number());
    RegistryValue voice = read_value(HKEY_CURRENT_USER, kSuiteKey, "IntelligentVoice");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), voice.type);
    EXPECT_TRUE(voice.present);
    EXPECT_EQ(0u, voice.number());
    // The first process's folder stands for the missing paths.
    RegistryValue remote = read_value(HKEY_CURRENT_USER, kSuiteKey, "RemoteController");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), remote.type);
    EXPECT_PRED2(same_text, program_folder() + "zk.rcb", remote.text());
    // The folder is kept without its trailing backslash.
    const std::string folder = program_folder();
    EXPECT_PRED2(same_text, folder.substr(0, folder.size() - 1),
                 read_value(HKEY_CURRENT_USER, kSuiteKey, "RcbPath").text());

    ClientProcess later;
    ASSERT_TRUE(later.start());
    ASSERT_EQ(MMCD_OK, hex_field(later.run("register"), "status"));
    EXPECT_EQ(7u, hex_field(later.run("getcap 0x1004"), "value"));
    std::string voice_cap = later.run("getcap 0x100d");
    EXPECT_EQ(MMCD_OK, hex_field(voice_cap, "status"));
    EXPECT_EQ("00000000", field(voice_cap, "value"));
    ASSERT_TRUE(later.quit());
  }
}

}  // namespace
}  // namespace itest
