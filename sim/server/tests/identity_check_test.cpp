#include "sim/server/identity_check.h"

#include <gtest/gtest.h>

#include "qemliv32/identity.h"

namespace vsrv {
namespace {

// The client's encipherment (our DES) read back with OpenSSL's.
TEST(ReplyPlayerId, ReadsWhatTheClientEnciphers) {
  struct Case {
    const char* name;
    Bytes server;
    std::string id;
  } cases[] = {
      {"guid, 8-byte key", {'Q', 'v', '7', '#', 'k', 0xD2, 'm', 'X'},
       "{12345678-9ABC-DEF0-1122-334455667788}"},
      {"key stops at a zero byte", {'a', 'b', 0, 'z', 'z', 'z', 'z', 'z'}, "player"},
      {"four-byte key", {1, 2, 3, 4}, "x"},
      {"whole blocks get an extra one", {'k', 'e', 'y', 's', 'k', 'e', 'y', 's', 9}, "12345678"},
      {"empty identifier", {'k', 'e', 'y', 's'}, ""},
  };
  for (const Case& c : cases) {
    auto cipher = qem::encipher_player_id(c.server.data(), c.server.size(), c.id);
    auto got = reply_player_id(c.server, cipher);
    ASSERT_TRUE(got) << c.name;
    EXPECT_EQ(*got, c.id) << c.name;
  }
}

TEST(ReplyPlayerId, RejectsWhatIsNotAReply) {
  Bytes key = {'Q', 'v', '7', '#', 'k', 0xD2, 'm', 'X'};
  auto cipher = qem::encipher_player_id(key.data(), key.size(), "{id}");
  Bytes other = {'W', 'r', 'o', 'n', 'g', 'k', 'e', 'y'};
  auto wrong = reply_player_id(other, cipher);
  EXPECT_TRUE(!wrong || *wrong != "{id}") << "another key";
  EXPECT_FALSE(reply_player_id(key, Bytes(7, 1))) << "not a whole block";
  EXPECT_FALSE(reply_player_id(key, Bytes())) << "empty";
}

}  // namespace
}  // namespace vsrv
