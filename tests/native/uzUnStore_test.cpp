// Stored members: bytes copied block by block through the host, without
// message processing, stopping when the host refuses more output.
#include <gtest/gtest.h>

#include "ZipFixture.h"
#include "decoders/uzDecoders.h"

namespace {

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> d(n);
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(i * 31 + i / 253);
  return d;
}

TEST(UnStore, CopiesInBlocksWithoutProcessingMessages) {
  const auto data = Bytes(40000);
  auto host = testzip::Decode(uz::UnStore, data, 40000);
  EXPECT_TRUE(host.output == data);
  EXPECT_EQ(host.refills, 3);
  EXPECT_EQ(host.messageRefills, 0);
  EXPECT_EQ(host.writes, 3);
}

TEST(UnStore, EmptyMemberWritesNothing) {
  auto host = testzip::Decode(uz::UnStore, {}, 0);
  EXPECT_EQ(host.writes, 0);
  EXPECT_EQ(host.refills, 0);
}

TEST(UnStore, StopsAtTheHostsLimit) {
  const auto data = Bytes(50000);
  for (int64_t limit : {0, 100, 16000, 16001, 49999}) {
    auto host = testzip::Decode(uz::UnStore, data, limit, 0, limit);
    EXPECT_EQ(host.output.size(), static_cast<size_t>(limit)) << limit;
    EXPECT_EQ(host.writes, static_cast<int>(limit / 16000) + 1) << limit;
    EXPECT_TRUE(std::equal(host.output.begin(), host.output.end(), data.begin()));
  }
}

TEST(UnStore, CountsEveryByteDelivered) {
  const auto data = Bytes(16001);
  testzip::MemoryHost host(data);
  auto state = std::make_unique<uz::TDecodeState>();
  state->host = &host;
  state->Reset(16001, 16001, 0);
  EXPECT_EQ(uz::UnStore(*state), uz::TDecodeResult::Done);
  EXPECT_EQ(state->csizeLeft, 0);
  EXPECT_EQ(host.output.size(), 16001u);
}

}  // namespace
