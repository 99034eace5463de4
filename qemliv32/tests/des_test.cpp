#include "qemliv32/des.h"

#include <openssl/des.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

using qem::DesBlock;

DesBlock block(uint64_t v) {
  DesBlock b;
  for (int i = 7; i >= 0; --i, v >>= 8) b[i] = static_cast<uint8_t>(v);
  return b;
}

std::string hex(const uint8_t* p, std::size_t n) {
  std::string s;
  char buf[3];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02X", p[i]);
    s += buf;
  }
  return s;
}

// Published single-block vectors: the NBS/NIST known-answer tests (SP 800-17
// variable plaintext, variable key, permutation and substitution tables),
// the FIPS 81 example and the usual textbook key schedule example.
struct Kat {
  const char* name;
  uint64_t key;
  uint64_t plain;
  uint64_t cipher;
};

const Kat kKats[] = {
    {"textbook 133457799BBCDFF1", 0x133457799BBCDFF1, 0x0123456789ABCDEF, 0x85E813540F0AB405},
    {"FIPS 81 ECB 'Now is t'", 0x0123456789ABCDEF, 0x4E6F772069732074, 0x3FA40E8A984D4815},
    {"FIPS 81 ECB 'he time '", 0x0123456789ABCDEF, 0x68652074696D6520, 0x6A271787AB8883F9},
    {"FIPS 81 ECB 'for all '", 0x0123456789ABCDEF, 0x666F7220616C6C20, 0x893D51EC4B563B53},
    {"variable plaintext bit 1", 0x0101010101010101, 0x8000000000000000, 0x95F8A5E5DD31D900},
    {"variable plaintext bit 2", 0x0101010101010101, 0x4000000000000000, 0xDD7F121CA5015619},
    {"variable plaintext bit 3", 0x0101010101010101, 0x2000000000000000, 0x2E8653104F3834EA},
    {"variable plaintext bit 64", 0x0101010101010101, 0x0000000000000001, 0x166B40B44ABA4BD6},
    {"variable key bit 1", 0x8001010101010101, 0x0000000000000000, 0x95A8D72813DAA94D},
    {"variable key bit 2", 0x4001010101010101, 0x0000000000000000, 0x0EEC1487DD8C26D5},
    {"weak key 0101..", 0x0101010101010101, 0x0000000000000000, 0x8CA64DE9C1B123A7},
    {"weak key FEFE..", 0xFEFEFEFEFEFEFEFE, 0xFFFFFFFFFFFFFFFF, 0x7359B2163E4EDC58},
    {"key 3000..", 0x3000000000000000, 0x1000000000000001, 0x958E6E627A05557B},
    {"key 1111..", 0x1111111111111111, 0x1111111111111111, 0xF40379AB9E0EC533},
    {"key 0123.. pt 1111..", 0x0123456789ABCDEF, 0x1111111111111111, 0x17668DFC7292532D},
    {"key 1111.. pt 0123..", 0x1111111111111111, 0x0123456789ABCDEF, 0x8A5AE1F81AB8F2DD},
    {"key FEDC..", 0xFEDCBA9876543210, 0x0123456789ABCDEF, 0xED39D950FA74BCC4},
};

TEST(Des, KnownAnswersEncryptAndDecrypt) {
  for (const Kat& k : kKats) {
    qem::Des des(block(k.key));
    EXPECT_EQ(des.encrypt(block(k.plain)), block(k.cipher)) << k.name;
    EXPECT_EQ(des.decrypt(block(k.cipher)), block(k.plain)) << k.name;
  }
}

TEST(Des, ParityBitsDoNotChangeTheResult) {
  // Bit 8 of every key byte is parity only: flipping it all leaves the cipher.
  qem::Des des(block(0x133457799BBCDFF1 ^ 0x0101010101010101));
  EXPECT_EQ(des.encrypt(block(0x0123456789ABCDEF)), block(0x85E813540F0AB405));
}

TEST(DesCbc, Fips81Example) {
  const std::string plain = "Now is the time for all ";
  auto out = qem::des_cbc_encrypt(block(0x0123456789ABCDEF), block(0x1234567890ABCDEF),
                                  reinterpret_cast<const uint8_t*>(plain.data()), plain.size());
  EXPECT_EQ(hex(out.data(), out.size()), "E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6");
  auto back = qem::des_cbc_decrypt(block(0x0123456789ABCDEF), block(0x1234567890ABCDEF),
                                   out.data(), out.size());
  EXPECT_EQ(std::string(back.begin(), back.end()), plain);
}

TEST(DesCbc, RefusesPartialBlocks) {
  uint8_t data[9] = {};
  EXPECT_TRUE(qem::des_cbc_encrypt(block(1), block(0), data, 9).empty());
  EXPECT_TRUE(qem::des_cbc_decrypt(block(1), block(0), data, 7).empty());
}

TEST(DesCbc, MatchesOpenSslOnRandomInput) {
  std::mt19937_64 rng(20261210);
  for (int run = 0; run < 300; ++run) {
    DesBlock key = block(rng()), iv = block(rng());
    std::vector<uint8_t> plain(8 * (1 + rng() % 12));
    for (auto& b : plain) b = static_cast<uint8_t>(rng());

    DES_cblock ossl_key, ossl_iv;
    std::copy(key.begin(), key.end(), ossl_key);
    std::copy(iv.begin(), iv.end(), ossl_iv);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&ossl_key, &schedule);
    std::vector<uint8_t> expected(plain.size());
    DES_ncbc_encrypt(plain.data(), expected.data(), static_cast<long>(plain.size()), &schedule,
                     &ossl_iv, DES_ENCRYPT);

    auto got = qem::des_cbc_encrypt(key, iv, plain.data(), plain.size());
    ASSERT_EQ(hex(got.data(), got.size()), hex(expected.data(), expected.size()))
        << "run " << run << " key " << hex(key.data(), 8);
    auto back = qem::des_cbc_decrypt(key, iv, got.data(), got.size());
    ASSERT_EQ(back, plain) << "run " << run;
  }
}

}  // namespace
