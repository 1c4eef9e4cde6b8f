// Every CRC implementation (table slicing, and 128-bit and 256-bit carry-less
// multiplication folding where the processor has it) must agree bit for bit
// with the byte-wise definition, for every length and alignment, since a
// single wrong word fails every member.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "ZipFixture.h"
#include "decoders/uzCrc32.h"
#include "decoders/uzProcessorPaths.h"

namespace {

uint32_t Whole(const uint8_t* p, size_t n) { return ~uz::UpdateCrc32(0xFFFFFFFFu, p, n); }

TEST(Crc32, KnownAnswers) {
  const std::string digits = "123456789";
  EXPECT_EQ(Whole(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xCBF43926u);
  EXPECT_EQ(Whole(nullptr, 0), 0u);
  const std::string fox = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(Whole(reinterpret_cast<const uint8_t*>(fox.data()), fox.size()), 0x414FA339u);
  std::vector<uint8_t> zeros(32, 0);
  EXPECT_EQ(Whole(zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(Crc32, TableIsTheStandardOne) {
  EXPECT_EQ(uz::kCrc32Table[0], 0u);
  EXPECT_EQ(uz::kCrc32Table[1], 0x77073096u);
  EXPECT_EQ(uz::kCrc32Table[128], 0xEDB88320u);
  EXPECT_EQ(uz::kCrc32Table[255], 0x2D02EF8Du);
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    ASSERT_EQ(uz::kCrc32Table[n], c) << n;
  }
}

TEST(Crc32, ByteStepIsTheDecryptionKeyStep) {
  // key0 starts at 0x12345678 and takes one byte step per plain byte.
  uint32_t key = 0x12345678u;
  key = uz::UpdateCrc32Byte(key, 'a');
  EXPECT_EQ(key, uz::kCrc32Table[(0x12345678u ^ 'a') & 0xFF] ^ (0x12345678u >> 8));
}

TEST(Crc32, SlicedEqualsByteWiseForEveryLengthAndAlignment) {
  std::mt19937 rng(12345);
  std::vector<uint8_t> buf(300 + 16);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  for (size_t start = 0; start < 16; ++start) {
    for (size_t n = 0; n <= 300; ++n) {
      const uint8_t* p = buf.data() + start;
      ASSERT_EQ(Whole(p, n), testzip::Crc32(p, n)) << "start " << start << " length " << n;
    }
  }
}

TEST(Crc32, RunningValueChainsAcrossSplits) {
  std::mt19937 rng(777);
  std::vector<uint8_t> buf(1000);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  const uint32_t whole = uz::UpdateCrc32(0xFFFFFFFFu, buf.data(), buf.size());
  for (size_t cut = 0; cut <= buf.size(); cut += 7) {
    uint32_t c = uz::UpdateCrc32(0xFFFFFFFFu, buf.data(), cut);
    c = uz::UpdateCrc32(c, buf.data() + cut, buf.size() - cut);
    ASSERT_EQ(c, whole) << cut;
  }
  uint32_t bytewise = 0xFFFFFFFFu;
  for (uint8_t b : buf) bytewise = uz::UpdateCrc32Byte(bytewise, b);
  EXPECT_EQ(bytewise, whole);
}

using TCrcFunction = uint32_t (*)(uint32_t, const uint8_t*, size_t);

struct TCrcImplementation {
  const char* name;
  TCrcFunction update;
  bool (*runsHere)();
};

bool Always() { return true; }
bool HasClmul() { return uz::FeaturesUpTo(uz::TProcessorPath::Wide).clmulCrc; }
bool HasWide() { return uz::FeaturesUpTo(uz::TProcessorPath::Wide).wideCrc; }

class Crc32Implementations : public ::testing::TestWithParam<TCrcImplementation> {
 protected:
  void SetUp() override {
    if (!GetParam().runsHere()) GTEST_SKIP() << "this processor lacks what it needs";
  }
};

// Every length up to a few kilobytes (past the 128-byte turn of the wide
// folding and the 256-byte switch to folding, with every tail length) at
// every start within 64 bytes, from a running value that is not the initial
// one.
TEST_P(Crc32Implementations, EqualByteWiseOverLengthsAndAlignments) {
  constexpr size_t kLongest = 4096, kStarts = 64;
  std::mt19937 rng(4242);
  std::vector<uint8_t> buf(kLongest + kStarts);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  const TCrcFunction update = GetParam().update;
  for (size_t start = 0; start < kStarts; ++start) {
    const uint8_t* p = buf.data() + start;
    const uint32_t seed = static_cast<uint32_t>(rng());
    uint32_t expected = seed;  // of the first n bytes
    for (size_t n = 0; n <= kLongest; ++n) {
      ASSERT_EQ(update(seed, p, n), expected) << "start " << start << " length " << n;
      if (n < kLongest) expected = uz::UpdateCrc32Byte(expected, p[n]);
    }
  }
}

TEST_P(Crc32Implementations, EqualByteWiseOnLongRandomBlocks) {
  std::mt19937 rng(99);
  std::vector<uint8_t> buf(70000);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  const TCrcFunction update = GetParam().update;
  for (int round = 0; round < 40; ++round) {
    const size_t start = rng() % 64;
    const size_t n = rng() % (buf.size() - start);
    ASSERT_EQ(~update(0xFFFFFFFFu, buf.data() + start, n), testzip::Crc32(buf.data() + start, n))
        << "start " << start << " length " << n;
  }
  // Runs of equal bytes cancel in a lane fold if a constant is wrong by a
  // power of x that the random data happens to hide.
  for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x80}}) {
    std::vector<uint8_t> same(16000, fill);
    ASSERT_EQ(~update(0xFFFFFFFFu, same.data(), same.size()),
              testzip::Crc32(same.data(), same.size()))
        << int(fill);
  }
}

TEST_P(Crc32Implementations, SingleBitsAnywhereInABlock) {
  // A single bit anywhere in a block of many lanes changes the CRC as the
  // definition says: every folding constant and lane position is exercised.
  std::vector<uint8_t> block(1024, 0);
  const TCrcFunction update = GetParam().update;
  for (size_t bit = 0; bit < block.size() * 8; bit += 13) {
    block[bit / 8] = static_cast<uint8_t>(1u << (bit % 8));
    ASSERT_EQ(~update(0xFFFFFFFFu, block.data(), block.size()),
              testzip::Crc32(block.data(), block.size()))
        << "bit " << bit;
    block[bit / 8] = 0;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Crc32, Crc32Implementations,
    ::testing::Values(TCrcImplementation{"Sliced", uz::UpdateCrc32Sliced, Always},
                      TCrcImplementation{"Folded", uz::UpdateCrc32Folded, HasClmul},
                      TCrcImplementation{"FoldedWide", uz::UpdateCrc32FoldedWide, HasWide},
                      TCrcImplementation{"Dispatched", uz::UpdateCrc32, Always}),
    [](const ::testing::TestParamInfo<TCrcImplementation>& info) {
      return std::string(info.param.name);
    });

TEST(Crc32, FoldingIsUsedWhereThisMachineHasIt) {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1")) {
    EXPECT_TRUE(HasClmul());
  }
#endif
  SUCCEED();
}

// Each value of the variable caps the paths as documented, never above what
// the processor has; and the run in force honours the value it was started
// with, so a per-path run of the suites cannot silently take another path.
TEST(ProcessorPaths, TheVariableCapsEachPath) {
  const uz::TProcessorFeatures best = uz::FeaturesUpTo(uz::TProcessorPath::Wide);
  const struct {
    const char* value;
    bool bmi2Loop, clmulCrc, wideCrc;
  } rows[] = {{"plain", false, false, false}, {"clmul", false, true, false},
              {"bmi2", true, true, false},    {"wide", true, true, true},
              {"", true, true, true},         {"no-such-path", false, false, false}};
  for (const auto& row : rows) {
    const uz::TProcessorFeatures f = uz::FeaturesUpTo(uz::ParseProcessorPath(row.value));
    EXPECT_EQ(f.bmi2Loop, row.bmi2Loop && best.bmi2Loop) << row.value;
    EXPECT_EQ(f.clmulCrc, row.clmulCrc && best.clmulCrc) << row.value;
    EXPECT_EQ(f.wideCrc, row.wideCrc && best.wideCrc) << row.value;
  }
  const uz::TProcessorFeatures forced =
      uz::FeaturesUpTo(uz::ParseProcessorPath(std::getenv(uz::kProcessorPathVariable)));
  EXPECT_TRUE(uz::ProcessorFeatures() == forced);
}

}  // namespace
