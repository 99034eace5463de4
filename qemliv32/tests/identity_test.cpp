#include "qemliv32/identity.h"

#include <openssl/des.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

// Reference: OpenSSL DES-CBC, zero IV, over an explicitly padded plaintext.
Bytes reference_cbc(const qem::DesBlock& key, const Bytes& padded) {
  DES_cblock k, iv = {};
  std::copy(key.begin(), key.end(), k);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&k, &schedule);
  Bytes out(padded.size());
  DES_ncbc_encrypt(padded.data(), out.data(), static_cast<long>(padded.size()), &schedule, &iv,
                   DES_ENCRYPT);
  return out;
}

TEST(IdentityKey, CopiedAsStringWithBit7MadeOddParity) {
  struct Case {
    const char* name;
    Bytes source;
    qem::DesBlock key;
  };
  const Case cases[] = {
      // 'x' = 0x78 has four ones in bits 0-6, so bit 7 gets set.
      {"ten x as the client sends", bytes("xxxxxxxxxx"),
       {0xF8, 0xF8, 0xF8, 0xF8, 0xF8, 0xF8, 0xF8, 0xF8}},
      // Zero bytes have no ones: every missing byte becomes 0x80.
      {"stops at a zero byte", {'a', 'b', 0, 'c', 'd', 'e', 'f', 'g'},
       {0x61, 0x62, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},
      {"fewer than 8 bytes", {'A', 'B', 'C', 'D'}, {0x41 | 0x80, 0x42 | 0x80, 0x43, 0x44 | 0x80,
                                                    0x80, 0x80, 0x80, 0x80}},
      {"bit 7 of the source is replaced", {0xFF, 0x80, 0x7F, 0x01, 0x81, 0x03, 0x83, 0x07},
       {0x7F, 0x80, 0x7F, 0x01, 0x01, 0x83, 0x83, 0x07}},
      {"only the first 8 bytes count", bytes("ABCDEFGHIJ"),
       {0xC1, 0xC2, 0x43, 0xC4, 0x45, 0x46, 0xC7, 0xC8}},
      {"empty", {}, {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qem::identity_key(c.source.data(), c.source.size()), c.key) << c.name;
}

TEST(IdentityKey, NeverReadsPastN) {
  // The heap block is exactly n long: ASan reports any read beyond it.
  for (std::size_t n = 0; n < 8; ++n) {
    auto* p = new uint8_t[n ? n : 1];
    for (std::size_t i = 0; i < n; ++i) p[i] = 'k';
    qem::DesBlock key = qem::identity_key(p, n);
    EXPECT_EQ(key[n], 0x80) << "n=" << n;
    delete[] p;
  }
}

TEST(EncipherPlayerId, PaddingAndCipherMatchReference) {
  const Bytes server = bytes("\x13\x34\x57\x79\x9b\xbc\xdf\xf1");
  const qem::DesBlock key = qem::identity_key(server.data(), server.size());
  struct Case {
    const char* name;
    std::string id;
    Bytes padded;
  };
  const Case cases[] = {
      {"empty: one block, count 0", "", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"three bytes", "abc", {'a', 'b', 'c', 0, 0, 0, 0, 3}},
      {"seven bytes: count shares the block", "abcdefg", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 7}},
      {"eight bytes: one extra block", "abcdefgh",
       {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0, 0, 0, 0, 0, 0, 0, 0}},
      {"nine bytes", "abcdefghi",
       {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0, 0, 0, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    Bytes got = qem::encipher_player_id(server.data(), server.size(), c.id);
    EXPECT_EQ(got, reference_cbc(key, c.padded)) << c.name;
  }
}

TEST(EncipherPlayerId, GuidRoundTripsThroughTheServerSide) {
  const std::string id = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";  // 38 characters
  const Bytes server = bytes("k3y\x01\xfe\x10xyz");
  Bytes cipher = qem::encipher_player_id(server.data(), server.size(), id);
  ASSERT_EQ(cipher.size(), 40u);
  auto back = qem::decipher_player_id(server.data(), server.size(), cipher.data(), cipher.size());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, id);

  const Bytes other = bytes("other-k");
  auto wrong = qem::decipher_player_id(other.data(), other.size(), cipher.data(), cipher.size());
  EXPECT_NE(wrong, std::optional<std::string>(id));
}

TEST(DecipherPlayerId, RejectsMalformedCiphertext) {
  const Bytes server = bytes("xxxxxxxxxx");
  const qem::DesBlock key = qem::identity_key(server.data(), server.size());
  const Bytes bad_count = reference_cbc(key, {'a', 'b', 0, 0, 0, 0, 0, 8});
  const Bytes seven = Bytes(7, 0);
  struct Case {
    const char* name;
    Bytes cipher;
  };
  const Case cases[] = {{"empty", {}}, {"not whole blocks", seven}, {"count above 7", bad_count}};
  for (const Case& c : cases)
    EXPECT_FALSE(qem::decipher_player_id(server.data(), server.size(), c.cipher.data(),
                                         c.cipher.size()))
        << c.name;
}

}  // namespace
