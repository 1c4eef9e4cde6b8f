// The legacy decoders (shrunk, reduced, imploded) against every such member of
// the test archives, hand-built streams for the corner cases of each format,
// and one row per malformed input that must end early and safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TestData.h"
#include "ZipFixture.h"
#include "decoders/uzDecoders.h"

namespace {

using Bytes = std::vector<uint8_t>;

uz::TDecodeResult DecodeMethod(int method, uz::TDecodeState& s) {
  if (method == 1) return uz::Unshrink(s);
  if (method >= 2 && method <= 5) return uz::Unreduce(s, method - 1);
  return uz::Explode(s);
}

testzip::MemoryHost DecodeWith(int method, const Bytes& data, int64_t expected, uint16_t flags = 0,
                               int64_t limit = -1) {
  return testzip::Decode([method](uz::TDecodeState& s) { return DecodeMethod(method, s); }, data,
                         expected, flags, limit);
}

// Packs fields least significant bit first, as all three formats do; Code()
// writes a prefix code most significant bit first, as implode reads it.
class BitWriter {
 public:
  BitWriter& Bits(uint32_t value, int n) {
    for (int i = 0; i < n; ++i) Bit((value >> i) & 1u);
    return *this;
  }
  BitWriter& Code(uint32_t code, int n) {
    for (int i = n - 1; i >= 0; --i) Bit((code >> i) & 1u);
    return *this;
  }
  BitWriter& Byte(uint8_t b) { return Bits(b, 8); }
  Bytes Done() const { return out_; }

 private:
  void Bit(uint32_t b) {
    if (n_ % 8 == 0) out_.push_back(0);
    out_.back() |= static_cast<uint8_t>(b << (n_ % 8));
    ++n_;
  }
  Bytes out_;
  size_t n_ = 0;
};

// --- every legacy member of the test archives -------------------------------

struct ManifestRow {
  std::string archive, member;
  int method = 0;
  uint32_t csize = 0, usize = 0, crc = 0;
  std::string sha256;
};

std::vector<ManifestRow> LegacyRows() {
  std::ifstream in(TestDataPath("zip/MANIFEST.tsv"));
  std::vector<ManifestRow> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    if (f.size() < 8 || f[0].rfind("malformed/", 0) == 0) continue;
    ManifestRow r;
    r.archive = f[0];
    r.member = f[1];
    r.method = std::stoi(f[2]);
    if (r.method < 1 || r.method > 6) continue;
    r.csize = static_cast<uint32_t>(std::stoul(f[4]));
    r.usize = static_cast<uint32_t>(std::stoul(f[5]));
    r.crc = static_cast<uint32_t>(std::stoul(f[6], nullptr, 16));
    r.sha256 = f[7];
    rows.push_back(r);
  }
  return rows;
}

// Members are matched to manifest rows by CRC and compressed size, because
// the manifest spells OEM names in its own way.
const testzip::Member* Match(const std::vector<testzip::Member>& members, const ManifestRow& r) {
  for (const auto& m : members)
    if (m.method == r.method && m.crc == r.crc && m.csize == r.csize) return &m;
  return nullptr;
}

TEST(LegacyDecoders, EveryLegacyMemberDecodesToItsManifestContent) {
  auto rows = LegacyRows();
  std::map<std::string, std::vector<testzip::Member>> archives;
  std::map<int, int> perMethod;
  std::map<uint16_t, int> implodeFlags;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.archive + " " + r.member);
    if (!archives.count(r.archive))
      archives[r.archive] =
          testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/" + r.archive)));
    const testzip::Member* m = Match(archives[r.archive], r);
    ASSERT_NE(m, nullptr);
    auto host = DecodeWith(m->method, m->data, m->usize, m->flags);
    EXPECT_EQ(host.output.size(), r.usize);
    EXPECT_EQ(testzip::Sha256Hex(host.output), r.sha256);
    EXPECT_EQ(testzip::Crc32(host.output.data(), host.output.size()), r.crc);
    ++perMethod[r.method];
    if (r.method == 6) ++implodeFlags[m->flags & 6];
  }
  // The set must keep covering each method, all four reduce factors and both
  // implode variants, or this test would prove less than it claims.
  for (int method = 1; method <= 6; ++method) EXPECT_GE(perMethod[method], 1) << method;
  EXPECT_GE(implodeFlags[0], 1);
  EXPECT_GE(implodeFlags[6], 1);
  EXPECT_GE(rows.size(), 150u);
}

// --- shrunk -----------------------------------------------------------------

Bytes ShrinkCodes(const std::vector<std::pair<uint32_t, int>>& codes) {
  BitWriter w;
  for (auto [code, width] : codes) w.Bits(code, width);
  return w.Done();
}

TEST(Unshrink, PartialClearKeepsPrefixOfEntryAboveNextFreeCode) {
  // 257=ab 258=ba 259=abc 260=ca 261=abcd. The first clear keeps 257 (prefix
  // of 259) and 259 (prefix of 261), so the next free code is 258 and 259
  // lies above it. The second clear frees the leaf 259 but must keep 257,
  // whose only child is 259: a scan limited to codes below the next free code
  // would free 257, and the 257 that follows would decode as "dd".
  auto data = ShrinkCodes({{'a', 9},
                           {'b', 9},
                           {257, 9},
                           {'c', 9},
                           {259, 9},
                           {'d', 9},
                           {256, 9},
                           {2, 9},
                           {256, 9},
                           {2, 9},
                           {257, 9},
                           {258, 9}});
  auto host = DecodeWith(1, data, 0);
  EXPECT_EQ(std::string(host.output.begin(), host.output.end()), "ababcabcdabda");
}

TEST(Unshrink, KwKwKCodeRepeatsPreviousStringWithItsFirstByte) {
  // 'a', then 257 before it is defined: "a" + "a"; then 257 = "aa".
  auto host = DecodeWith(1, ShrinkCodes({{'a', 9}, {257, 9}, {257, 9}}), 0);
  EXPECT_EQ(std::string(host.output.begin(), host.output.end()), "aaaaa");
}

TEST(Unshrink, WidensOnlyOnCommandAndReadsWiderCodesAfterwards) {
  auto host = DecodeWith(1, ShrinkCodes({{'x', 9}, {256, 9}, {1, 9}, {'y', 10}, {257, 10}}), 0);
  EXPECT_EQ(std::string(host.output.begin(), host.output.end()), "xyxy");
}

TEST(Unshrink, StopsOnlyWhenDataRunsOutNotAtExpectedSize) {
  auto members =
      testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/shrink/shrink-first-txt.zip")));
  const auto& m = members.at(0);
  auto host = DecodeWith(1, m.data, 1);  // a catalogue size the shrunk decoder must not rely on
  EXPECT_EQ(host.output.size(), m.usize);
  EXPECT_EQ(testzip::Crc32(host.output.data(), host.output.size()), m.crc);
}

TEST(Unshrink, NeverWritesMoreThanTheHostAccepts) {
  auto members =
      testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/shrink/shrink-mixed.zip")));
  const auto& m = testzip::FindMember(members, "TEST.EXE");
  auto host = DecodeWith(1, m.data, m.usize, 0, 20000);
  EXPECT_EQ(host.output.size(), 20000u);
  EXPECT_EQ(host.writes, 2);  // the refused write ends the member
}

// A slow, literal reading of the shrink format (whole-table partial clear,
// strings walked per code) that doubles as a generator of valid streams with
// many clears, widenings and KwKwK codes. The decoder must agree with it.
class ReferenceShrink {
 public:
  explicit ReferenceShrink(uint32_t seed) : seed_(seed), prefix_(8192, -1), suffix_(8192) {}

  // Emits one random step into w and what it decodes to into out.
  void Step(BitWriter& w, Bytes& out) {
    uint32_t pick = Next(1000);
    if (pick < 8 && width_ < 13 && (pick < 2 || freeNext_ >= (1 << width_))) {
      w.Bits(256, width_).Bits(1, width_);
      ++width_;
    } else if (pick < 12) {
      w.Bits(256, width_).Bits(2, width_);
      Clear();
    } else {
      int code = PickCode();
      w.Bits(code, width_);
      Data(code, out);
    }
  }

 private:
  uint32_t Next(uint32_t n) {
    seed_ = seed_ * 1103515245u + 12345u;
    return (seed_ >> 8) % n;
  }
  bool Defined(int c) const { return c < 256 || (c > 256 && prefix_[c] >= 0); }
  bool String(int c, Bytes& s) const {
    s.clear();
    for (int guard = 0; c > 256; ++guard) {
      if (prefix_[c] < 0 || guard > 8192) return false;
      s.push_back(suffix_[c]);
      c = prefix_[c];
    }
    s.push_back(static_cast<uint8_t>(c));
    std::reverse(s.begin(), s.end());
    return true;
  }
  int PickCode() {
    Bytes s;
    if (prev_ >= 0 && freeNext_ < (1 << width_) && Next(20) == 0 && String(prev_, s))
      return freeNext_;  // KwKwK
    for (int tries = 0; tries < 20; ++tries) {
      int c =
          257 + static_cast<int>(Next(std::min<uint32_t>(freeNext_ + 64, 1u << width_) - 257 + 1));
      if (c < (1 << width_) && Defined(c) && String(c, s)) return c;
    }
    return static_cast<int>(Next(256));
  }
  void Data(int c, Bytes& out) {
    Bytes s;
    if (Defined(c)) {
      String(c, s);
    } else {
      String(prev_, s);
      s.push_back(s[0]);
    }
    if (prev_ >= 0 && freeNext_ < 8192) {
      prefix_[freeNext_] = prev_;
      suffix_[freeNext_] = s[0];
      while (freeNext_ < 8192 && prefix_[freeNext_] >= 0) ++freeNext_;
    }
    out.insert(out.end(), s.begin(), s.end());
    prev_ = c;
  }
  void Clear() {
    std::vector<bool> isPrefix(8192);
    for (int e = 257; e < 8192; ++e)
      if (prefix_[e] >= 0) isPrefix[prefix_[e]] = true;
    for (int e = 257; e < 8192; ++e)
      if (!isPrefix[e]) prefix_[e] = -1;
    freeNext_ = 257;
    while (freeNext_ < 8192 && prefix_[freeNext_] >= 0) ++freeNext_;
  }

  uint32_t seed_;
  std::vector<int> prefix_;
  Bytes suffix_;
  int freeNext_ = 257, prev_ = -1, width_ = 9;
};

TEST(Unshrink, AgreesWithALiteralReadingOnStreamsFullOfClears) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    ReferenceShrink ref(seed);
    BitWriter w;
    Bytes expected;
    for (int i = 0; i < 12000; ++i) ref.Step(w, expected);
    auto host = DecodeWith(1, w.Done(), 0);
    ASSERT_EQ(host.output.size(), expected.size());
    EXPECT_TRUE(host.output == expected);
  }
}

TEST(Unshrink, LongRunOfClearsBetweenSingleCodes) {
  // Each clear frees the one entry the previous code added; a decoder that
  // scans the whole table per clear takes minutes on a few megabytes of this.
  BitWriter w;
  w.Bits('a', 9);
  for (int i = 0; i < 50000; ++i) w.Bits('a', 9).Bits(256, 9).Bits(2, 9);
  auto host = DecodeWith(1, w.Done(), 0);
  EXPECT_EQ(host.output, Bytes(50001, 'a'));
}

// --- reduced ----------------------------------------------------------------

// A reduced stream whose follower sets are all empty, so every byte of the
// second layer is 8 plain bits.
Bytes ReducePlain(const Bytes& layerBytes) {
  BitWriter w;
  for (int set = 0; set < 256; ++set) w.Bits(0, 6);
  for (uint8_t b : layerBytes) w.Byte(b);
  return w.Done();
}

TEST(Unreduce, CopiesBeforeTheStartProduceZeros) {
  // factor 1: "AB", then 144 V=0x01 (length 1+3) D=3 (distance 4).
  auto host = DecodeWith(2, ReducePlain({'A', 'B', 144, 0x01, 3}), 6);
  EXPECT_EQ(host.output, (Bytes{'A', 'B', 0, 0, 'A', 'B'}));
}

TEST(Unreduce, EscapedDleAndExtraLengthByteAndOverlappingCopy) {
  // factor 4 (mask 0x0F): 144 0 is a literal 144; V=0x0F asks for an extra
  // length byte (2): length 0x0F+2+3 = 20 at distance 1 repeats the 'z'.
  auto host = DecodeWith(5, ReducePlain({'z', 144, 0, 'z', 144, 0x0F, 2, 0}), 23);
  Bytes expected{'z', 144, 'z'};
  expected.insert(expected.end(), 20, 'z');
  EXPECT_EQ(host.output, expected);
}

TEST(Unreduce, DistanceHighBitsFollowTheFactor) {
  // factor 3 (shift 5): V = (1 << 5) | 0 -> distance (1 << 8) + D + 1 = 257.
  Bytes layer(300, 0);
  for (size_t i = 0; i < layer.size(); ++i) layer[i] = static_cast<uint8_t>(i % 89 + 1);
  Bytes stream = layer;
  stream.insert(stream.end(), {144, 0x20, 0});
  auto host = DecodeWith(4, ReducePlain(stream), 303);
  ASSERT_EQ(host.output.size(), 303u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(host.output[300 + i], layer[300 - 257 + i]) << i;
}

TEST(Unreduce, FollowerSetsPickBytesByIndexWithOneBitForASingleFollower) {
  BitWriter w;
  for (int set = 255; set >= 0; --set) {
    if (set == 0) {  // byte 0 (the start) is followed by 'q' alone
      w.Bits(1, 6).Byte('q');
    } else if (set == 'q') {  // 'q' is followed by one of three bytes
      w.Bits(3, 6).Byte('r').Byte('s').Byte('t');
    } else {
      w.Bits(0, 6);
    }
  }
  w.Bits(0, 1).Bits(0, 1);  // from set 0: index 0 in one bit -> 'q'
  w.Bits(0, 1).Bits(2, 2);  // from set 'q': index 2 -> 't'
  w.Byte('u');              // set 't' is empty: 8 plain bits
  auto host = DecodeWith(2, w.Done(), 3);
  EXPECT_EQ(std::string(host.output.begin(), host.output.end()), "qtu");
}

TEST(Unreduce, StopsExactlyAtTheExpectedSize) {
  auto members = testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/reduce/reduce3.zip")));
  const auto& m = testzip::FindMember(members, "TEST.EXE");
  auto full = DecodeWith(m.method, m.data, m.usize);
  ASSERT_EQ(full.output.size(), m.usize);
  for (int64_t cut : {int64_t{0}, int64_t{1}, int64_t{16384}, int64_t{m.usize} - 777}) {
    auto host = DecodeWith(m.method, m.data, cut);
    ASSERT_EQ(host.output.size(), static_cast<size_t>(cut));
    EXPECT_TRUE(std::equal(host.output.begin(), host.output.end(), full.output.begin()));
  }
  EXPECT_EQ(DecodeWith(m.method, m.data, 0).writes, 0);
}

// --- imploded ---------------------------------------------------------------

// A stored tree giving all 64 symbols 6 bits: four bytes of "16 symbols, 6 bits".
Bytes FlatTree64() { return {3, 0xF5, 0xF5, 0xF5, 0xF5}; }

// With all lengths equal the construction hands symbol s the code 63 - s.
BitWriter& Symbol64(BitWriter& w, uint32_t s) { return w.Code(63 - s, 6); }

Bytes ImplodeTwoTrees(const std::function<void(BitWriter&)>& body) {
  Bytes data = FlatTree64();
  Bytes dist = FlatTree64();
  data.insert(data.end(), dist.begin(), dist.end());
  BitWriter w;
  body(w);
  Bytes bits = w.Done();
  data.insert(data.end(), bits.begin(), bits.end());
  return data;
}

TEST(Explode, CopiesBeforeTheStartProduceZerosAndMinimumMatchIsTwo) {
  auto data = ImplodeTwoTrees([](BitWriter& w) {
    w.Bits(1, 1).Byte('A');
    w.Bits(1, 1).Byte('B');
    w.Bits(0, 1).Bits(3, 6);  // match: low distance bits 3 (distance 4)
    Symbol64(w, 0);           // distance high bits 0
    Symbol64(w, 2);           // length symbol 2 + minimum 2 = 4
  });
  auto host = DecodeWith(6, data, 6, 0);
  EXPECT_EQ(host.output, (Bytes{'A', 'B', 0, 0, 'A', 'B'}));
}

TEST(Explode, LengthCode63AddsAByteAndEightKDictionaryTakesSevenLowBits) {
  auto data = ImplodeTwoTrees([](BitWriter& w) {
    w.Bits(1, 1).Byte('k');
    w.Bits(0, 1).Bits(0, 7);  // 8K: seven low bits, distance 1
    Symbol64(w, 0);
    Symbol64(w, 63).Byte(10);  // 63 + 10 + 2 = 75 bytes
  });
  auto host = DecodeWith(6, data, 76, 2);
  EXPECT_EQ(host.output, Bytes(76, 'k'));
}

TEST(Explode, StopsExactlyAtTheExpectedSizeInsideAMatch) {
  auto data = ImplodeTwoTrees([](BitWriter& w) {
    w.Bits(1, 1).Byte('k');
    w.Bits(0, 1).Bits(0, 6);
    Symbol64(w, 0);
    Symbol64(w, 40);
  });
  auto host = DecodeWith(6, data, 10, 0);
  EXPECT_EQ(host.output, Bytes(10, 'k'));
}

TEST(Explode, ZeroSizeMemberWritesNothing) {
  auto members =
      testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/implode/implode-8k-3trees.zip")));
  auto host = DecodeWith(6, members.at(0).data, 0, members.at(0).flags);
  EXPECT_TRUE(host.output.empty());
  EXPECT_EQ(host.writes, 0);
}

// The format's construction (symbols ordered by length then value, codes
// handed out from the longest down), written independently of the decoder.
std::vector<uint32_t> ShannonFanoCodes(const std::vector<int>& lengths) {
  std::vector<int> order(lengths.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return lengths[a] < lengths[b]; });
  std::vector<uint32_t> codes(lengths.size());
  uint32_t code = 0, step = 0;
  int cur = 0;
  for (size_t i = order.size(); i-- > 0;) {
    int s = order[i];
    code = (code + step) & 0xFFFF;
    if (lengths[s] != cur) {
      cur = lengths[s];
      step = 1u << (16 - cur);
    }
    codes[s] = code >> (16 - lengths[s]);
  }
  return codes;
}

// Stored form: runs of up to 16 equal lengths, one byte each, after a count.
Bytes StoredTree(const std::vector<int>& lengths) {
  Bytes runs;
  for (size_t i = 0; i < lengths.size();) {
    size_t n = 1;
    while (n < 16 && i + n < lengths.size() && lengths[i + n] == lengths[i]) ++n;
    runs.push_back(static_cast<uint8_t>(((n - 1) << 4) | (lengths[i] - 1)));
    i += n;
  }
  runs.insert(runs.begin(), static_cast<uint8_t>(runs.size() - 1));
  return runs;
}

// A complete, lopsided code: a chain down to 16 bits, then the shallowest
// leaves split, lengths spread over the symbols by a fixed permutation.
std::vector<int> LopsidedLengths(size_t n, size_t stride) {
  std::vector<int> leaves{0};
  for (size_t step = 0; leaves.size() < n; ++step) {
    size_t pick = leaves.size() - 1;
    if (step >= 16) pick = std::min_element(leaves.begin(), leaves.end()) - leaves.begin();
    int d = leaves[pick] + 1;
    leaves[pick] = d;
    leaves.push_back(d);
  }
  std::vector<int> lengths(n);
  for (size_t i = 0; i < n; ++i) lengths[(i * stride) % n] = leaves[i];
  return lengths;
}

TEST(Explode, CodeConstructionMatchesTheFormatsWorkedExample) {
  std::vector<int> lengths{3, 3, 3, 3, 3, 2, 4, 4};
  EXPECT_EQ(ShannonFanoCodes(lengths), (std::vector<uint32_t>{5, 4, 3, 2, 1, 3, 1, 0}));
  EXPECT_EQ(StoredTree(lengths), (Bytes{2, 0x42, 0x01, 0x13}));
}

TEST(Explode, LongCodesThroughSubTablesWithEitherDistanceTableWidth) {
  auto litLen = LopsidedLengths(256, 37), lenLen = LopsidedLengths(64, 13),
       distLen = LopsidedLengths(64, 29);
  ASSERT_EQ(*std::max_element(litLen.begin(), litLen.end()), 16);
  ASSERT_EQ(*std::max_element(distLen.begin(), distLen.end()), 16);
  auto lit = ShannonFanoCodes(litLen), len = ShannonFanoCodes(lenLen),
       dist = ShannonFanoCodes(distLen);
  Bytes data = StoredTree(litLen);
  for (const auto& t : {StoredTree(lenLen), StoredTree(distLen)})
    data.insert(data.end(), t.begin(), t.end());

  BitWriter w;
  Bytes expected;
  uint32_t seed = 7;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int i = 0; i < 3000; ++i) {
    if (next(3) == 0) {
      uint32_t b = next(256);
      w.Bits(1, 1).Code(lit[b], litLen[b]);
      expected.push_back(static_cast<uint8_t>(b));
    } else {  // 8K dictionary, three trees: 7 low bits, minimum match 3
      uint32_t d = next(8192), l = next(64);
      uint32_t extra = l == 63 ? next(256) : 0;
      w.Bits(0, 1).Bits(d & 127, 7).Code(dist[d >> 7], distLen[d >> 7]).Code(len[l], lenLen[l]);
      if (l == 63) w.Byte(static_cast<uint8_t>(extra));
      for (uint32_t k = 0; k < l + extra + 3; ++k) {
        int64_t from = static_cast<int64_t>(expected.size()) - d - 1;
        expected.push_back(from < 0 ? 0 : expected[from]);
      }
    }
  }
  Bytes bits = w.Done();
  data.insert(data.end(), bits.begin(), bits.end());
  for (uint32_t reported : {static_cast<uint32_t>(data.size()), 200001u}) {
    SCOPED_TRACE(reported);
    testzip::MemoryHost host(data);
    auto state = std::make_unique<uz::TDecodeState>();
    state->host = &host;
    state->Reset(static_cast<int64_t>(data.size()), static_cast<int64_t>(expected.size()), 6);
    state->compressedSize = reported;
    EXPECT_EQ(uz::Explode(*state), uz::TDecodeResult::Done);
    EXPECT_EQ(host.output, expected);
  }
}

// --- shared framing ---------------------------------------------------------

TEST(LegacyDecoders, ProcessMessagesOncePerInputRefill) {
  struct Case {
    const char* archive;
    const char* member;
  } cases[] = {{"implode/implode-lorem.zip", "LOREM.TXT"},
               {"reduce/reduce1.zip", "TEST.JPG"},
               {"shrink/shrink-mixed.zip", "TEST.EXE"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    auto members =
        testzip::ReadMembers(testzip::ReadFile(TestDataPath(std::string("zip/") + c.archive)));
    const auto& m = testzip::FindMember(members, c.member);
    auto host = DecodeWith(m.method, m.data, m.usize, m.flags);
    ASSERT_EQ(host.output.size(), m.usize);
    EXPECT_EQ(host.refills, static_cast<int>((m.csize + uz::kIoBlockSize - 1) / uz::kIoBlockSize));
    EXPECT_EQ(host.messageRefills, host.refills);
  }
}

// --- malformed input: one row each -----------------------------------------

// Raw data of the first local header's member, for hostile archives whose
// central directory cannot be trusted: cut at the end of the file.
struct LocalMember {
  int method = 0;
  uint16_t flags = 0;
  uint32_t usize = 0;
  Bytes data;
};

LocalMember ReadLocalMember(const std::string& relative) {
  Bytes f = testzip::ReadFile(TestDataPath(relative));
  auto le = [&f](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | f.at(at + i);
    return v;
  };
  LocalMember m;
  m.flags = static_cast<uint16_t>(le(6, 2));
  m.method = static_cast<int>(le(8, 2));
  uint32_t csize = le(18, 4);
  m.usize = le(22, 4);
  size_t start = std::min<size_t>(f.size(), 30 + le(26, 2) + le(28, 2));
  size_t end = start + std::min<size_t>(csize, f.size() - start);
  m.data.assign(f.begin() + start, f.begin() + end);
  return m;
}

Bytes Truncated(const std::string& archive, const std::string& member, int* method, uint16_t* flags,
                uint32_t* usize) {
  auto members = testzip::ReadMembers(testzip::ReadFile(TestDataPath(archive)));
  const auto& m = testzip::FindMember(members, member);
  *method = m.method;
  *flags = m.flags;
  *usize = m.usize;
  return Bytes(m.data.begin(), m.data.begin() + m.data.size() / 2);
}

Bytes Garbage(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& x : b) {
    seed = seed * 1103515245u + 12345u;
    x = static_cast<uint8_t>(seed >> 16);
  }
  return b;
}

struct MalformedRow {
  std::string name;
  int method;
  uint16_t flags;
  int64_t expected;
  Bytes data;
  int64_t limit;      // what the host accepts (the catalogue size, as the driver refuses more)
  int64_t maxOutput;  // what the decoder may produce at most before it stops
  uint32_t goodCrc;   // CRC the output must not have (0: not checked)
};

std::vector<MalformedRow> MalformedRows() {
  std::vector<MalformedRow> rows;
  rows.push_back({"shrink code past the next free code", 1, 0, 100,
                  ShrinkCodes({{'a', 9}, {'b', 9}, {300, 9}, {'c', 9}}), 100, 2, 0});
  rows.push_back({"shrink first data code is not a literal", 1, 0, 100,
                  ShrinkCodes({{257, 9}, {'c', 9}}), 100, 0, 0});
  rows.push_back({"shrink code of 14 bits", 1, 0, 100,
                  ShrinkCodes({{'a', 9},
                               {256, 9},
                               {1, 9},
                               {256, 10},
                               {1, 10},
                               {256, 11},
                               {1, 11},
                               {256, 12},
                               {1, 12},
                               {256, 13},
                               {1, 13},
                               {'b', 13},
                               {'c', 13}}),
                  100, 1, 0});
  rows.push_back({"shrink unknown control sub-code", 1, 0, 100,
                  ShrinkCodes({{'a', 9}, {256, 9}, {3, 9}, {'b', 9}}), 100, 1, 0});
  rows.push_back({"shrink self-referencing chain", 1, 0, 100000,
                  ShrinkCodes({{'a', 9}, {'b', 9}, {257, 9}, {256, 9}, {2, 9}, {'c', 9}, {257, 9}}),
                  100000, 5, 0});
  rows.push_back({"implode length tree counts add up to 65",
                  6,
                  0,
                  100,
                  {4, 0xF5, 0xF5, 0xF5, 0xF5, 0x05, 0xFF, 0xFF},
                  100,
                  0,
                  0});
  rows.push_back({"implode literal tree counts add up to 255",
                  6,
                  4,
                  100,
                  {15, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7, 0xF7,
                   0xF7, 0xF7, 0xE7, 0xFF, 0xFF},
                  100,
                  0,
                  0});
  rows.push_back({"implode tree that does not fill the code space",
                  6,
                  0,
                  100,
                  {3, 0xF6, 0xF6, 0xF6, 0xF6, 3, 0xF5, 0xF5, 0xF5, 0xF5, 0xAA, 0xAA},
                  100,
                  0,
                  0});
  rows.push_back({"implode tree bytes missing", 6, 0, 100, {3, 0xF5}, 100, 0, 0});
  rows.push_back({"reduce follower index past its set", 2, 0, 100,
                  [] {
                    BitWriter w;
                    for (int set = 255; set >= 0; --set) {
                      if (set == 0)
                        w.Bits(3, 6).Byte('x').Byte('y').Byte('z');
                      else
                        w.Bits(0, 6);
                    }
                    w.Bits(0, 1).Bits(3, 2).Byte(0).Byte(0);
                    return w.Done();
                  }(),
                  100, 0, 0});
  rows.push_back({"reduce unknown factor", 0, 0, 100, ReducePlain({'a', 'b'}), 100, 0, 0});
  for (auto [archive, member] : {std::pair{"zip/shrink/shrink-mixed.zip", "TEST.EXE"},
                                 {"zip/reduce/reduce2.zip", "TEST.JPG"},
                                 {"zip/implode/implode-lorem.zip", "LOREM.TXT"},
                                 {"zip/implode/implode-4k-2trees.zip", "HEADER.TXT"}}) {
    MalformedRow r{};
    r.name = std::string("truncated ") + archive;
    uint32_t usize;
    r.data = Truncated(archive, member, &r.method, &r.flags, &usize);
    auto members = testzip::ReadMembers(testzip::ReadFile(TestDataPath(archive)));
    r.goodCrc = testzip::FindMember(members, member).crc;
    r.expected = r.limit = r.maxOutput = usize;
    rows.push_back(r);
  }
  for (int method = 1; method <= 6; ++method)
    for (uint16_t flags : {0, 2, 4, 6})
      rows.push_back(
          {"garbage, method " + std::to_string(method) + " flags " + std::to_string(flags), method,
           flags, 1 << 24, Garbage(3000, method * 7 + flags), 1 << 24, 1 << 24, 0});
  for (const char* file :
       {"zip/malformed/fuzz-implode-bad-trees.zip", "zip/malformed/fuzz-reduce-bomb.zip",
        "zip/malformed/fuzz-shrink-huge-size.zip"}) {
    LocalMember m = ReadLocalMember(file);
    // Whatever these claim, output is bounded by what their few bytes can code.
    rows.push_back({file, m.method, m.flags, m.usize, m.data, m.usize,
                    static_cast<int64_t>(m.data.size()) * 400, 0});
  }
  return rows;
}

TEST(LegacyDecoders, MalformedInputEndsEarlyWithinTheHostsLimit) {
  for (const auto& r : MalformedRows()) {
    SCOPED_TRACE(r.name);
    if (r.method == 0) {  // a factor outside 1..4 cannot come from the driver; still safe
      auto host = testzip::Decode([](uz::TDecodeState& s) { return uz::Unreduce(s, 0); }, r.data,
                                  r.expected, r.flags, r.limit);
      EXPECT_TRUE(host.output.empty());
      continue;
    }
    auto host = DecodeWith(r.method, r.data, r.expected, r.flags, r.limit);
    EXPECT_LE(static_cast<int64_t>(host.output.size()), r.limit);
    EXPECT_LE(static_cast<int64_t>(host.output.size()), r.maxOutput);
    if (r.goodCrc != 0) {
      EXPECT_NE(testzip::Crc32(host.output.data(), host.output.size()), r.goodCrc);
    }
  }
}

TEST(LegacyDecoders, HostileArchivesProduceWhatTheirBytesAllow) {
  // The three hostile members end without output beyond these exact amounts.
  auto implode = ReadLocalMember("zip/malformed/fuzz-implode-bad-trees.zip");
  EXPECT_TRUE(
      DecodeWith(6, implode.data, implode.usize, implode.flags, implode.usize).output.empty());
  auto reduce = ReadLocalMember("zip/malformed/fuzz-reduce-bomb.zip");
  EXPECT_TRUE(reduce.data.empty());
  EXPECT_TRUE(DecodeWith(2, reduce.data, reduce.usize, reduce.flags, reduce.usize).output.empty());
  auto shrink = ReadLocalMember("zip/malformed/fuzz-shrink-huge-size.zip");
  EXPECT_LE(DecodeWith(1, shrink.data, shrink.usize, 0, shrink.usize).output.size(), 6u);
}

}  // namespace
