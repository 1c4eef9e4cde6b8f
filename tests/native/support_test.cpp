// The test-side archive reader and digest must be right before any decoder
// test can trust them.
#include <gtest/gtest.h>

#include "TestData.h"
#include "ZipFixture.h"

TEST(Support, Sha256KnownAnswers) {
  EXPECT_EQ(testzip::Sha256Hex({}),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  std::vector<uint8_t> abc{'a', 'b', 'c'};
  EXPECT_EQ(testzip::Sha256Hex(abc),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Support, ReadsStoredMemberOfRealArchive) {
  auto members =
      testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/shrink/shrink-mixed.zip")));
  const auto& jpg = testzip::FindMember(members, "TEST.JPG");
  ASSERT_EQ(jpg.method, 0);
  EXPECT_EQ(testzip::Crc32(jpg.data.data(), jpg.data.size()), 0x088814e3u);
  EXPECT_EQ(testzip::Sha256Hex(jpg.data),
            "b251c7501fb0f55dd4a92feabe0a6f5733bc40a02679498155fae9b30138fc53");
}
