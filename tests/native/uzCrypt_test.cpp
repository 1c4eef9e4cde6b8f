// Traditional decryption against the published test vector and real archives
// written by several tools (check byte from the CRC or, with data descriptors,
// from the DOS time).
#include "decoders/uzCrypt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Manifest.h"
#include "TestData.h"
#include "ZipFixture.h"

namespace {

using testzip::Member;

struct Archive {
  std::vector<uint8_t> bytes;
  std::vector<Member> members;
};

Archive Load(const std::string& relative) {
  Archive a;
  a.bytes = testzip::ReadFile(TestDataPath("zip/" + relative));
  a.members = testzip::ReadMembers(a.bytes);
  return a;
}

uint32_t LocalTimeDate(const Archive& a, const Member& m) {
  const uint8_t* p = &a.bytes[m.localOffset + 10];
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Decrypts the header; on a passed check also the data. Returns whether the check passed.
bool Decrypt(const Archive& a, const Member& m, const std::string& password,
             std::vector<uint8_t>& plain) {
  uz::TZipCrypt crypt;
  crypt.Init(password);
  plain = m.data;
  uint8_t check = uz::TZipCrypt::CheckByte(m.flags, m.crc, LocalTimeDate(a, m));
  if (!crypt.DecryptHeader(plain.data(), check)) return false;
  crypt.DecryptBlock(plain.data() + uz::kEncryptionHeaderSize,
                     plain.size() - uz::kEncryptionHeaderSize);
  plain.erase(plain.begin(), plain.begin() + uz::kEncryptionHeaderSize);
  return true;
}

int ChecksPassed(const std::string& archive, const std::string& password) {
  Archive a = Load(archive);
  int passed = 0;
  std::vector<uint8_t> plain;
  for (const Member& m : a.members)
    if ((m.flags & 1) && Decrypt(a, m, password, plain)) ++passed;
  return passed;
}

TEST(ZipCryptKeys, FollowThePublishedTestVector) {
  uz::TZipCrypt crypt;
  crypt.Init("secret");
  EXPECT_EQ(crypt.Key(0), 0xDDA9E469u);
  EXPECT_EQ(crypt.Key(1), 0x96212999u);
  EXPECT_EQ(crypt.Key(2), 0xF9FC9651u);
  uint8_t data[4] = {0xC8, 0x89, 0xC9, 0x5B};
  crypt.DecryptBlock(data, 4);
  EXPECT_EQ(std::vector<uint8_t>(data, data + 4), std::vector<uint8_t>(4, 0));
  EXPECT_EQ(crypt.Key(0), 0x6F62693Cu);
  EXPECT_EQ(crypt.Key(1), 0xB160025Du);
  EXPECT_EQ(crypt.Key(2), 0x5597F928u);
}

TEST(ZipCryptKeys, BlockDecryptionEqualsByteByByte) {
  Archive a = Load("encrypted/zipcrypto-stored-one.zip");
  const Member& m = a.members.at(0);
  uz::TZipCrypt whole, pieces;
  whole.Init("test");
  pieces.Init("test");
  std::vector<uint8_t> x = m.data, y = m.data;
  whole.DecryptBlock(x.data(), x.size());
  size_t at = 0;
  for (size_t step : {1u, 11u, 5u, 100u}) {
    size_t n = std::min(step, y.size() - at);
    pieces.DecryptBlock(y.data() + at, n);
    at += n;
  }
  EXPECT_EQ(at, y.size());
  EXPECT_EQ(x, y);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(whole.Key(i), pieces.Key(i));
}

TEST(ZipCryptCheckByte, ComesFromTheCrcOrWithDataDescriptorFromTheTime) {
  EXPECT_EQ(uz::TZipCrypt::CheckByte(0x0001, 0xAB123456u, 0x5678CD00u), 0xAB);
  EXPECT_EQ(uz::TZipCrypt::CheckByte(0x0009, 0xAB123456u, 0x5678CD00u), 0xCD);
  EXPECT_EQ(uz::TZipCrypt::CheckByte(0x0809, 0xAB123456u, 0x0000EF12u), 0xEF);
}

TEST(ZipCryptArchives, StoredMembersDecryptToTheirContent) {
  for (const std::string name :
       {"encrypted/zipcrypto-stored-one.zip", "encrypted/zipcrypto-stored-8.zip"}) {
    Archive a = Load(name);
    std::vector<testzip::ManifestRow> rows = testzip::ManifestRowsOf(name);
    ASSERT_EQ(rows.size(), a.members.size()) << name;
    for (const testzip::ManifestRow& row : rows) {
      const Member& m = testzip::FindMember(a.members, row.member);
      std::vector<uint8_t> plain;
      ASSERT_TRUE(Decrypt(a, m, row.password, plain)) << name << " " << row.member;
      EXPECT_EQ(testzip::Sha256Hex(plain), row.sha256) << name << " " << row.member;
      EXPECT_EQ(testzip::Crc32(plain.data(), plain.size()), row.crc) << row.member;
    }
  }
}

TEST(ZipCryptArchives, RightPasswordPassesEveryCheck) {
  EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-dd-226.zip", "test"), 226);
  EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-deflate-6.zip", "test"), 6);
  EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-deflate-one.zip", "12345678"), 1);
}

TEST(ZipCryptArchives, WrongPasswordsFailAlmostEveryCheck) {
  // One check byte lets a wrong password through about once in 256 tries;
  // these counts are those every other reader sees on these archives.
  EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-dd-226.zip", "12345678"), 4);
  EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-deflate-6.zip", "secret"), 1);
  EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-dd-226.zip", ""), 1);
  for (const char* guess : {"test", "12345678", "password", "secret"})
    EXPECT_EQ(ChecksPassed("encrypted/zipcrypto-unknown-password.zip", guess), 0) << guess;
}

TEST(ZipCryptArchives, WrongPasswordThatPassesTheCheckFailsTheCrc) {
  Archive a = Load("encrypted/zipcrypto-stored-8.zip");
  const Member& m = testzip::FindMember(a.members, "quick.txt");
  std::vector<uint8_t> plain;
  ASSERT_TRUE(Decrypt(a, m, "secret", plain));
  EXPECT_EQ(testzip::Crc32(plain.data(), plain.size()), 0x9fd806c2u);
  EXPECT_NE(testzip::Crc32(plain.data(), plain.size()), m.crc);
}

}  // namespace
