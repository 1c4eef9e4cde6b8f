// The deflate decoder against real archives, against streams zip writes at
// every level, and against hand-built bitstreams for each way a stream can be
// malformed (one table row each), plus the framing: window flushes, output
// limit, truncation, input accounting and message processing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestData.h"
#include "ZipFixture.h"
#include "decoders/uzDecoders.h"
#include "decoders/uzInflateTables.h"

namespace {

using Bytes = std::vector<uint8_t>;

testzip::MemoryHost InflateAll(const Bytes& stream, int64_t expected = 0, int64_t limit = -1) {
  return testzip::Decode(uz::Inflate, stream, expected, 0, limit);
}

// ---- real archives -------------------------------------------------------

struct TManifestRow {
  std::string archive, member, sha256;
  int method = 0;
  unsigned flags = 0;
  uint32_t crc = 0;
};

std::vector<TManifestRow> ManifestRows() {
  std::ifstream f(TestDataPath("zip/MANIFEST.tsv"));
  std::vector<TManifestRow> rows;
  std::string line;
  std::getline(f, line);
  while (std::getline(f, line)) {
    std::vector<std::string> col;
    std::stringstream ss(line);
    for (std::string c; std::getline(ss, c, '\t');) col.push_back(c);
    if (col.size() < 8 || col[2] == "-") continue;
    TManifestRow r;
    r.archive = col[0];
    r.member = col[1];
    r.method = std::stoi(col[2]);
    r.flags = std::stoul(col[3], nullptr, 16);
    r.crc = std::stoul(col[6], nullptr, 16);
    r.sha256 = col[7];
    rows.push_back(r);
  }
  return rows;
}

bool InCheckedFolder(const std::string& archive) {
  for (const char* folder :
       {"deflate/", "stored/", "comments/", "directories/", "names/", "implode/"})
    if (archive.rfind(folder, 0) == 0) return true;
  return false;
}

TEST(InflateArchives, EveryDeflatedAndStoredMemberMatchesTheManifest) {
  std::map<std::string, std::vector<testzip::Member>> archives;
  std::set<std::string> unreadable;
  int checked[9] = {};
  for (const TManifestRow& row : ManifestRows()) {
    if (!InCheckedFolder(row.archive) || (row.flags & 1) != 0) continue;
    if ((row.method != 0 && row.method != 8) || row.sha256 == "-" || row.sha256 == "dir") continue;
    auto& members = archives[row.archive];
    if (members.empty()) {
      try {
        members = testzip::ReadMembers(testzip::ReadFile(TestDataPath("zip/" + row.archive)));
      } catch (const std::exception&) {
        // The test-side reader knows no ZIP64 end records (one archive
        // here); the component's own reader is tested elsewhere.
        unreadable.insert(row.archive);
        continue;
      }
    }
    // Names in the manifest are decoded for display; the CRC finds the member.
    const testzip::Member* m = nullptr;
    for (const auto& candidate : members)
      if (candidate.crc == row.crc && candidate.method == row.method) m = &candidate;
    ASSERT_NE(m, nullptr) << row.archive << " " << row.member;
    auto host = m->method == 8 ? InflateAll(m->data, m->usize)
                               : testzip::Decode(uz::UnStore, m->data, m->usize);
    EXPECT_EQ(testzip::Sha256Hex(host.output), row.sha256) << row.archive << " " << row.member;
    ++checked[row.method];
  }
  EXPECT_LE(unreadable.size(), 1u);
  EXPECT_GE(checked[8], 17);
  EXPECT_GE(checked[0], 30);
}

// ---- streams written by zip ----------------------------------------------

void ExpectMembersMatchTheirCrc(const std::string& path, int expectDeflated) {
  int deflated = 0;
  for (const auto& m : testzip::ReadMembers(testzip::ReadFile(path))) {
    auto host =
        m.method == 8 ? InflateAll(m.data, m.usize) : testzip::Decode(uz::UnStore, m.data, m.usize);
    EXPECT_EQ(host.output.size(), m.usize) << path << " " << m.name;
    EXPECT_EQ(testzip::Crc32(host.output.data(), host.output.size()), m.crc)
        << path << " " << m.name;
    // Every write but the last is a whole output block.
    if (!host.output.empty()) {
      EXPECT_EQ(host.writes, int((host.output.size() + 15999) / 16000)) << m.name;
    }
    deflated += m.method == 8;
  }
  EXPECT_EQ(deflated, expectDeflated) << path;
}

TEST(InflateZipStreams, CommittedFixturesAtSeveralLevels) {
  for (const char* name : {"levels-1.zip", "levels-6.zip", "levels-9.zip"})
    ExpectMembersMatchTheirCrc(TestDataPath(std::string("inflate/") + name), 3);
  ExpectMembersMatchTheirCrc(TestDataPath("inflate/boundaries.zip"), 7);
}

#ifndef _WIN32
Bytes MakeShape(const std::string& shape, size_t n, std::mt19937& rng) {
  Bytes d(n);
  if (shape == "random") {
    for (auto& b : d) b = static_cast<uint8_t>(rng());
  } else if (shape == "repetitive") {
    for (size_t i = 0; i < n; ++i) d[i] = "abcabdxx"[(i / 3 + i) % 8];
  } else {  // text-like: words from a small vocabulary, with random breaks
    static const char* words[] = {"map ", "river ", "hill ", "road ", "town ", "lake\n", "forest "};
    for (size_t i = 0; i < n;) {
      const char* w = words[rng() % 7];
      for (; *w && i < n; ++w) d[i++] = static_cast<uint8_t>(*w);
    }
  }
  return d;
}

#endif

// Runs Debian's zip at every level over data of many shapes; the native
// build only, since it starts a process of the host system.
TEST(InflateZipStreams, EveryLevelOfDebiansZip) {
#ifdef _WIN32
  GTEST_SKIP() << "zip is run only in the native build";
#else
  if (std::system("zip -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not on PATH";
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("uzInflate_test." + std::to_string(getpid()));
  fs::create_directories(dir);
  std::mt19937 rng(4242);
  std::map<std::string, Bytes> files;
  for (size_t n : {size_t{0}, size_t{1}, size_t{15999}, size_t{16000}, size_t{16001}, size_t{32767},
                   size_t{32768}, size_t{32769}})
    files["text" + std::to_string(n)] = MakeShape("text", n, rng);
  files["repetitive"] = MakeShape("repetitive", 1 << 20, rng);
  // Incompressible data only gets deflated with something compressible
  // beside it; otherwise zip stores the file.
  Bytes mixed = MakeShape("random", 1 << 20, rng);
  Bytes tail = MakeShape("text", 300000, rng);
  mixed.insert(mixed.end(), tail.begin(), tail.end());
  files["random1M"] = mixed;
  for (auto& [name, data] : files)
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), data.size());
  for (int level = 0; level <= 9; ++level) {
    const fs::path zip = dir / ("l" + std::to_string(level) + ".zip");
    const std::string cmd = "cd '" + dir.string() + "' && zip -q -X -" + std::to_string(level) +
                            " '" + zip.string() + "' text* repetitive random1M";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int deflated = 0;
    for (const auto& m : testzip::ReadMembers(testzip::ReadFile(zip.string()))) {
      ASSERT_TRUE(m.method == 0 || (m.method == 8 && level > 0)) << level << " " << m.name;
      deflated += m.method == 8;
      auto host = m.method == 8 ? InflateAll(m.data, m.usize)
                                : testzip::Decode(uz::UnStore, m.data, m.usize);
      EXPECT_TRUE(host.output == files[m.name]) << "level " << level << " " << m.name;
    }
    // zip stores only the tiniest files.
    EXPECT_EQ(deflated, level == 0 ? 0 : 8) << level;
  }
  fs::remove_all(dir);
#endif
}

// ---- hand-built bitstreams -----------------------------------------------

class TBitWriter {
 public:
  void Bits(uint32_t v, unsigned n) {
    for (unsigned i = 0; i < n; ++i) Bit((v >> i) & 1u);
  }
  // Huffman codes go most significant bit first.
  void Code(uint32_t code, unsigned len) {
    for (unsigned i = len; i-- > 0;) Bit((code >> i) & 1u);
  }
  void Align() {
    while (fill_ != 0) Bit(0);
  }
  void Byte(uint8_t b) { Bits(b, 8); }
  Bytes Finish() {
    Align();
    return bytes_;
  }

 private:
  void Bit(uint32_t b) {
    if (fill_ == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<uint8_t>(b << fill_);
    fill_ = (fill_ + 1) % 8;
  }
  Bytes bytes_;
  unsigned fill_ = 0;
};

std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lens) {
  unsigned count[16] = {}, next[16] = {};
  for (uint8_t l : lens) ++count[l];
  count[0] = 0;
  for (unsigned code = 0, len = 1; len < 16; ++len) next[len] = code = (code + count[len - 1]) << 1;
  std::vector<uint32_t> codes(lens.size());
  for (size_t s = 0; s < lens.size(); ++s)
    if (lens[s]) codes[s] = next[lens[s]]++;
  return codes;
}

struct TCode {
  std::vector<uint8_t> lens;
  std::vector<uint32_t> codes;
  explicit TCode(std::vector<uint8_t> l) : lens(std::move(l)), codes(CanonicalCodes(lens)) {}
  void Put(TBitWriter& w, unsigned sym) const { w.Code(codes.at(sym), lens.at(sym)); }
};

TCode FixedLit() {
  std::vector<uint8_t> l(288);
  for (unsigned s = 0; s < 288; ++s) l[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  return TCode(l);
}

void Stored(TBitWriter& w, const std::string& data, bool final) {
  w.Bits(final, 1);
  w.Bits(0, 2);
  w.Align();
  w.Bits(static_cast<uint32_t>(data.size()), 16);
  w.Bits(~static_cast<uint32_t>(data.size()) & 0xFFFF, 16);
  for (char c : data) w.Byte(static_cast<uint8_t>(c));
}

// Lengths as a map symbol -> length, the rest zero.
std::vector<uint8_t> Lens(unsigned n, const std::map<unsigned, uint8_t>& set) {
  std::vector<uint8_t> l(n, 0);
  for (auto [s, len] : set) l.at(s) = len;
  return l;
}

// A dynamic header that sends every length as itself with a 4-bit
// code-length code over the symbols 0..15.
void DynamicHeader(TBitWriter& w, const std::vector<uint8_t>& lit, const std::vector<uint8_t>& dist,
                   bool final) {
  w.Bits(final, 1);
  w.Bits(2, 2);
  w.Bits(static_cast<uint32_t>(lit.size() - 257), 5);
  w.Bits(static_cast<uint32_t>(dist.size() - 1), 5);
  w.Bits(19 - 4, 4);
  static const unsigned order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                     11, 4,  12, 3, 13, 2, 14, 1, 15};
  for (unsigned s : order) w.Bits(s < 16 ? 4 : 0, 3);
  for (uint8_t l : lit) w.Code(l, 4);
  for (uint8_t l : dist) w.Code(l, 4);
}

// A dynamic header with its own code-length code and raw code-length
// symbols: {symbol, extra value, extra bits}.
struct TPre {
  unsigned sym, extra, bits;
};
void RawDynamicHeader(TBitWriter& w, unsigned hlitField, unsigned hdistField,
                      const std::vector<uint8_t>& precodeLens, const std::vector<TPre>& seq) {
  w.Bits(1, 1);
  w.Bits(2, 2);
  w.Bits(hlitField, 5);
  w.Bits(hdistField, 5);
  w.Bits(19 - 4, 4);
  static const unsigned order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                     11, 4,  12, 3, 13, 2, 14, 1, 15};
  for (unsigned s : order) w.Bits(precodeLens[s], 3);
  TCode pre(precodeLens);
  for (const TPre& p : seq) {
    pre.Put(w, p.sym);
    w.Bits(p.extra, p.bits);
  }
}

// The symbols 0..15 with 4-bit codes and 16..18 with 5-bit ones do not form
// a complete code; this one does: 0..12 at 4 bits would leave room, so give
// 16 symbols 4 bits and 3 more... A simple complete code over all 19.
std::vector<uint8_t> FullPrecode() {
  std::vector<uint8_t> l(19, 5);               // 19 five-bit codes: 19/32
  for (unsigned s = 0; s < 13; ++s) l[s] = 4;  // 13/16 + 6/32 = 32/32
  return l;
}

// One row per way out of the decoder: the bits, and either the reason it
// gives for refusing them or, with none, the output after "xyz".
struct TStreamCase {
  const char* name;
  std::function<void(TBitWriter&)> block;  // written after a stored "xyz" block
  const char* reason;                      // null: accepted
  std::string output;                      // after "xyz", when accepted
};

const std::vector<TStreamCase>& StreamCases() {
  static const std::vector<TStreamCase> cases = {
      {"fixed literals",
       [](TBitWriter& w) {
         TCode lit = FixedLit();
         w.Bits(1, 1), w.Bits(1, 2);
         for (char c : std::string("ab")) lit.Put(w, c);
         lit.Put(w, 256);
       },
       nullptr, "ab"},
      {"distance shorter than length repeats fresh output",
       [](TBitWriter& w) {
         TCode lit = FixedLit();
         w.Bits(1, 1), w.Bits(1, 2);
         lit.Put(w, 'q');
         lit.Put(w, 264);                // length 10
         w.Code(0, 5);                   // distance 1
         lit.Put(w, 265), w.Bits(1, 1);  // length 12
         w.Code(2, 5);                   // distance 3
         lit.Put(w, 256);
       },
       nullptr, "qqqqqqqqqqqqqqqqqqqqqqq"},
      {"distance back to the first byte",
       [](TBitWriter& w) {
         TCode lit = FixedLit();
         w.Bits(1, 1), w.Bits(1, 2);
         lit.Put(w, 258);  // length 4
         w.Code(2, 5);     // distance 3
         lit.Put(w, 256);
       },
       nullptr, "xyzx"},
      {"distance before the first byte",
       [](TBitWriter& w) {
         TCode lit = FixedLit();
         w.Bits(1, 1), w.Bits(1, 2);
         lit.Put(w, 258);
         w.Code(3, 5);  // distance 4
         lit.Put(w, 256);
       },
       "a distance before the start of the output", ""},
      {"fixed literal/length symbol 286",
       [](TBitWriter& w) {
         w.Bits(1, 1), w.Bits(1, 2);
         FixedLit().Put(w, 286);
       },
       "a literal/length code without a symbol", ""},
      {"fixed literal/length symbol 287",
       [](TBitWriter& w) {
         w.Bits(1, 1), w.Bits(1, 2);
         FixedLit().Put(w, 287);
       },
       "a literal/length code without a symbol", ""},
      {"fixed distance symbol 30",
       [](TBitWriter& w) {
         w.Bits(1, 1), w.Bits(1, 2);
         FixedLit().Put(w, 257);
         w.Code(30, 5);
       },
       "a distance code without a symbol", ""},
      {"fixed distance symbol 31",
       [](TBitWriter& w) {
         w.Bits(1, 1), w.Bits(1, 2);
         FixedLit().Put(w, 257);
         w.Code(31, 5);
       },
       "a distance code without a symbol", ""},
      {"block type 3", [](TBitWriter& w) { w.Bits(1, 1), w.Bits(3, 2), w.Bits(0, 16); },
       "block type 3", ""},
      {"stored length and complement disagree",
       [](TBitWriter& w) {
         w.Bits(1, 1), w.Bits(0, 2), w.Align();
         w.Bits(3, 16), w.Bits(0xFFFC ^ 1, 16);
         w.Byte('a'), w.Byte('b'), w.Byte('c');
       },
       "a stored block's length and its complement disagree", ""},
      {"stored block of length 0", [](TBitWriter& w) { Stored(w, "", true); }, nullptr, ""},
      {"stored block", [](TBitWriter& w) { Stored(w, "stored!", true); }, nullptr, "stored!"},
      {"no distance code at all: literals only",
       [](TBitWriter& w) {
         TCode lit(Lens(257, {{'A', 1}, {256, 1}}));
         DynamicHeader(w, lit.lens, Lens(1, {}), true);
         lit.Put(w, 'A'), lit.Put(w, 'A'), lit.Put(w, 256);
       },
       nullptr, "AA"},
      {"no distance code, but a match",
       [](TBitWriter& w) {
         TCode lit(Lens(258, {{'A', 1}, {257, 2}, {256, 2}}));
         DynamicHeader(w, lit.lens, Lens(1, {}), true);
         lit.Put(w, 'A'), lit.Put(w, 257), w.Bits(0, 1), lit.Put(w, 256);
       },
       "a distance code without a symbol", ""},
      {"one distance code of one bit",
       [](TBitWriter& w) {
         TCode lit(Lens(258, {{'A', 2}, {'B', 2}, {256, 2}, {257, 2}}));
         DynamicHeader(w, lit.lens, Lens(1, {{0, 1}}), true);
         lit.Put(w, 'A'), lit.Put(w, 'B'), lit.Put(w, 257), w.Code(0, 1), lit.Put(w, 256);
       },
       nullptr, "ABBBB"},
      {"one distance code of one bit, unused code sent",
       [](TBitWriter& w) {
         TCode lit(Lens(258, {{'A', 2}, {'B', 2}, {256, 2}, {257, 2}}));
         DynamicHeader(w, lit.lens, Lens(1, {{0, 1}}), true);
         lit.Put(w, 'A'), lit.Put(w, 257), w.Code(1, 1), lit.Put(w, 256);
       },
       "a distance code without a symbol", ""},
      {"lone one-bit literal/length code",
       [](TBitWriter& w) {
         TCode lit(Lens(257, {{256, 1}}));
         DynamicHeader(w, lit.lens, Lens(1, {}), true);
         lit.Put(w, 256);
       },
       nullptr, ""},
      {"lone one-bit literal/length code, unused code sent",
       [](TBitWriter& w) {
         DynamicHeader(w, Lens(257, {{256, 1}}), Lens(1, {}), true);
         w.Code(1, 1);
       },
       "a literal/length code without a symbol", ""},
      {"lone two-bit distance code",
       [](TBitWriter& w) {
         TCode lit(Lens(257, {{'A', 1}, {256, 1}}));
         DynamicHeader(w, lit.lens, Lens(1, {{0, 2}}), true);
         lit.Put(w, 256);
       },
       "the distance lengths make no complete code", ""},
      {"three two-bit literal/length codes",
       [](TBitWriter& w) {
         TCode lit(Lens(257, {{'A', 2}, {'B', 2}, {256, 2}}));
         DynamicHeader(w, lit.lens, Lens(1, {}), true);
         lit.Put(w, 256);
       },
       "the literal/length lengths make no complete code", ""},
      {"two two-bit distance codes",
       [](TBitWriter& w) {
         TCode lit(Lens(257, {{'A', 1}, {256, 1}}));
         DynamicHeader(w, lit.lens, Lens(2, {{0, 2}, {1, 2}}), true);
         lit.Put(w, 256);
       },
       "the distance lengths make no complete code", ""},
      {"over-subscribed literal/length code",
       [](TBitWriter& w) {
         DynamicHeader(w, Lens(257, {{'A', 1}, {'B', 1}, {256, 1}}), Lens(1, {}), true);
         w.Bits(0, 8);
       },
       "the literal/length lengths make no complete code", ""},
      {"over-subscribed distance code",
       [](TBitWriter& w) {
         DynamicHeader(w, Lens(257, {{'A', 1}, {256, 1}}), Lens(3, {{0, 1}, {1, 1}, {2, 1}}), true);
         w.Bits(0, 8);
       },
       "the distance lengths make no complete code", ""},
      {"end-of-block code missing",
       [](TBitWriter& w) {
         DynamicHeader(w, Lens(257, {{'A', 1}, {'B', 1}}), Lens(1, {}), true);
         w.Bits(0, 8);
       },
       "no code for the end of the block", ""},
      {"long codes through sub-tables",
       [](TBitWriter& w) {
         // 1+2+...: lengths 1..14 then two of 15: a complete code whose
         // longest codes need sub-tables of both tables.
         std::map<unsigned, uint8_t> lm, dm;
         for (unsigned i = 0; i < 14; ++i) lm['a' + i] = static_cast<uint8_t>(i + 1);
         lm[256] = 15, lm[257] = 15;
         for (unsigned i = 0; i < 14; ++i) dm[i] = static_cast<uint8_t>(i + 1);
         dm[14] = 15, dm[29] = 15;
         TCode lit(Lens(258, lm)), dist(Lens(30, dm));
         DynamicHeader(w, lit.lens, dist.lens, true);
         lit.Put(w, 'n'), lit.Put(w, 'm'), lit.Put(w, 'a');
         lit.Put(w, 257), dist.Put(w, 0);                  // length 3, distance 1
         lit.Put(w, 257), dist.Put(w, 29), w.Bits(0, 13);  // distance 24577: too far
       },
       "a distance before the start of the output", ""},
      {"long codes through sub-tables, valid",
       [](TBitWriter& w) {
         std::map<unsigned, uint8_t> lm, dm;
         for (unsigned i = 0; i < 14; ++i) lm['a' + i] = static_cast<uint8_t>(i + 1);
         lm[256] = 15, lm[257] = 15;
         for (unsigned i = 0; i < 14; ++i) dm[i] = static_cast<uint8_t>(i + 1);
         dm[14] = 15, dm[15] = 15;
         TCode lit(Lens(258, lm)), dist(Lens(30, dm));
         DynamicHeader(w, lit.lens, dist.lens, true);
         lit.Put(w, 'n'), lit.Put(w, 'm'), lit.Put(w, 'a');
         lit.Put(w, 257), dist.Put(w, 0);                 // "aaa"
         lit.Put(w, 257), dist.Put(w, 15), w.Bits(1, 6);  // distance 194 is too far
       },
       "a distance before the start of the output", ""},
      {"sub-table codes decode",
       [](TBitWriter& w) {
         std::map<unsigned, uint8_t> lm, dm;
         for (unsigned i = 0; i < 14; ++i) lm['a' + i] = static_cast<uint8_t>(i + 1);
         lm[256] = 15, lm[257] = 15;
         for (unsigned i = 0; i < 14; ++i) dm[i] = static_cast<uint8_t>(i + 1);
         dm[14] = 15, dm[15] = 15;
         TCode lit(Lens(258, lm)), dist(Lens(30, dm));
         DynamicHeader(w, lit.lens, dist.lens, true);
         lit.Put(w, 'n'), lit.Put(w, 'm'), lit.Put(w, 'a');
         lit.Put(w, 257), dist.Put(w, 13), w.Bits(5, 5);  // distance 97+5 = 102? too far
       },
       "a distance before the start of the output", ""},
      {"sub-table distance in range",
       [](TBitWriter& w) {
         std::map<unsigned, uint8_t> lm, dm;
         for (unsigned i = 0; i < 14; ++i) lm['a' + i] = static_cast<uint8_t>(i + 1);
         lm[256] = 15, lm[257] = 15;
         for (unsigned i = 0; i < 14; ++i) dm[i] = static_cast<uint8_t>(i + 1);
         dm[14] = 15, dm[15] = 15;
         TCode lit(Lens(258, lm)), dist(Lens(30, dm));
         DynamicHeader(w, lit.lens, dist.lens, true);
         lit.Put(w, 'n'), lit.Put(w, 'm');               // 13 and 12 bits
         lit.Put(w, 257), dist.Put(w, 4), w.Bits(0, 1);  // length 3, distance 5
         lit.Put(w, 256);                                // 15 bits: sub-table
       },
       nullptr, "nmxyz"},
      {"code-length repeat first",
       [](TBitWriter& w) {
         RawDynamicHeader(w, 0, 0, FullPrecode(), {{16, 0, 2}});
       },
       "a repeated code length with none before it", ""},
      {"code-length repeat past the end",
       [](TBitWriter& w) {
         RawDynamicHeader(w, 0, 0, FullPrecode(), {{18, 127, 7}, {18, 127, 7}, {18, 0, 7}});
       },
       "code lengths repeated past their count", ""},
      {"code-length repeat across into the distances",
       [](TBitWriter& w) {
         // 256 zeros, then 1 for symbol 256, then a repeat of it 3 times:
         // symbol 257 (literal/length) and distances 0 and 1.
         RawDynamicHeader(w, 1, 1, FullPrecode(),
                          {{18, 127, 7}, {18, 107, 7}, {1, 0, 0}, {16, 0, 2}});
         // 256 and 257 have one-bit codes 0 and 1, distance 0 the code 0.
         w.Code(1, 1), w.Code(0, 1);  // length 3, distance 1
         w.Code(0, 1);                // end of block
       },
       nullptr, "zzz"},
      {"too many literal/length codes",
       [](TBitWriter& w) { RawDynamicHeader(w, 30, 0, FullPrecode(), {}); },
       "more than 286 literal/length or 30 distance codes", ""},
      {"too many distance codes",
       [](TBitWriter& w) { RawDynamicHeader(w, 0, 30, FullPrecode(), {}); },
       "more than 286 literal/length or 30 distance codes", ""},
      {"incomplete code-length code",
       [](TBitWriter& w) {
         std::vector<uint8_t> pre(19, 0);
         pre[1] = 2, pre[18] = 2, pre[0] = 2;
         RawDynamicHeader(w, 0, 0, pre, {{18, 127, 7}, {18, 127, 7}});
       },
       "the code-length code's lengths make no complete code", ""},
      {"one-bit code-length code alone",
       [](TBitWriter& w) {
         std::vector<uint8_t> pre(19, 0);
         pre[18] = 1;
         RawDynamicHeader(w, 0, 0, pre, {{18, 127, 7}, {18, 127, 7}});
       },
       "the code-length code's lengths make no complete code", ""},
      {"over-subscribed code-length code",
       [](TBitWriter& w) {
         std::vector<uint8_t> pre(19, 0);
         pre[1] = 1, pre[18] = 1, pre[0] = 1;
         RawDynamicHeader(w, 0, 0, pre, {{18, 127, 7}, {18, 127, 7}});
       },
       "the code-length code's lengths make no complete code", ""},
      {"stream ends after a block that is not the last",
       [](TBitWriter& w) {
         TCode lit = FixedLit();
         w.Bits(0, 1), w.Bits(1, 2);
         lit.Put(w, 'k'), lit.Put(w, 256);
       },
       "the data ends inside a block", ""},
  };
  return cases;
}

TEST(InflateStreams, EachMalformedOrDegenerateCase) {
  for (const TStreamCase& c : StreamCases()) {
    TBitWriter w;
    Stored(w, "xyz", false);
    c.block(w);
    auto host = InflateAll(w.Finish());
    EXPECT_EQ(host.result == uz::TDecodeResult::Done, c.reason == nullptr) << c.name;
    EXPECT_EQ(host.reason, c.reason ? c.reason : "") << c.name;
    if (!c.reason) {
      EXPECT_EQ(std::string(host.output.begin(), host.output.end()), "xyz" + c.output) << c.name;
    } else {
      // Rejected: the window is not flushed, so nothing is written.
      EXPECT_TRUE(host.output.empty()) << c.name;
      EXPECT_EQ(host.writes, 0) << c.name;
    }
  }
}

// ---- decoding tables -----------------------------------------------------

// Random complete codes: every symbol's canonical code, fed to the table
// with random bits after it, must come back as that symbol with its length.
TEST(InflateTables, RandomCompleteCodesDecodeEverySymbol) {
  static const uint16_t lengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                          15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 258};
  std::mt19937 rng(99);
  std::vector<uint32_t> table(uz::kLitTableSize);
  for (int round = 0; round < 400; ++round) {
    const bool lit = round % 2 == 0;
    const unsigned nsym = lit ? 257 + rng() % 30 : 2 + rng() % 29;
    // Split random leaves of a code tree until there is one per symbol.
    std::vector<uint8_t> leaves{0};
    while (leaves.size() < nsym) {
      const size_t at = rng() % leaves.size();
      if (leaves[at] == 15) continue;
      leaves.push_back(++leaves[at]);
    }
    std::vector<uint8_t> lens(nsym);
    std::vector<unsigned> order(nsym);
    for (unsigned i = 0; i < nsym; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (unsigned i = 0; i < nsym; ++i) lens[order[i]] = leaves[i];
    if (lit && lens[256] == 0) continue;
    const auto kind = lit ? uz::TCodeKind::LitLen : uz::TCodeKind::Distance;
    ASSERT_TRUE(uz::BuildDecodeTable(kind, lens.data(), nsym, table.data())) << round;
    const auto codes = CanonicalCodes(lens);
    const unsigned primary = lit ? uz::kLitTableBits : uz::kDistTableBits;
    for (unsigned sym = 0; sym < nsym; ++sym) {
      uint64_t bits = 0;
      for (unsigned i = 0; i < lens[sym]; ++i)
        bits |= uint64_t{(codes[sym] >> (lens[sym] - 1 - i)) & 1u} << i;
      bits |= uint64_t{rng()} << lens[sym];
      uint32_t e = table[bits & ((1u << primary) - 1)];
      unsigned used = 0;
      if ((e & uz::kEntryExceptional) && (e & uz::kEntrySubtable)) {
        used = uz::EntryDropBits(e);
        e = table[uz::EntryValue(e) + ((bits >> used) & ((1u << uz::EntryCodeBits(e)) - 1))];
      }
      ASSERT_EQ(used + uz::EntryCodeBits(e), lens[sym]) << round << " " << sym;
      if (lit && sym < 256) {
        ASSERT_TRUE(e & uz::kEntryLiteral);
        ASSERT_EQ((e >> 16) & 0xFF, sym);
      } else if (lit && sym == 256) {
        ASSERT_TRUE((e & uz::kEntryExceptional) && (e & uz::kEntryEndOfBlock));
      } else if (lit && sym < 286) {
        ASSERT_EQ(uz::EntryValue(e), lengthBase[sym - 257]) << sym;
      } else if (!lit && sym < 30) {
        ASSERT_FALSE(e & uz::kEntryExceptional) << sym;
      } else {
        ASSERT_EQ(e & (uz::kEntryExceptional | uz::kEntrySubtable | uz::kEntryEndOfBlock),
                  uz::kEntryExceptional);
      }
    }
  }
}

// ---- framing -------------------------------------------------------------

std::string Pattern(size_t n) {
  std::string s(n, 0);
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return s;
}

Bytes StoredStream(const std::string& data, bool final) {
  TBitWriter w;
  for (size_t at = 0; at < data.size(); at += 65535)
    Stored(w, data.substr(at, 65535), final && at + 65535 >= data.size());
  return w.Finish();
}

TEST(InflateFraming, ABadBlockKeepsOnlyWhatFullWindowsWrote) {
  // 40000 good bytes fill one window (32768), which goes out as two full
  // output blocks; the 768 bytes held and the rest of the window are lost.
  for (int kind = 0; kind < 2; ++kind) {
    TBitWriter w;
    const std::string good = Pattern(40000);
    Stored(w, good, false);
    if (kind == 0) {
      w.Bits(1, 1), w.Bits(3, 2);  // block type 3
    } else {
      w.Bits(1, 1), w.Bits(0, 2), w.Align(), w.Bits(5, 16), w.Bits(5, 16);
    }
    auto host = InflateAll(w.Finish());
    EXPECT_EQ(host.writes, 2) << kind;
    EXPECT_EQ(std::string(host.output.begin(), host.output.end()), good.substr(0, 32000)) << kind;
  }
}

Bytes LongRunStream(unsigned matches) {
  // 'a' then matches of 258 at distance 1, through the fast loop.
  TBitWriter w;
  TCode lit = FixedLit();
  w.Bits(1, 1), w.Bits(1, 2);
  lit.Put(w, 'a');
  for (unsigned i = 0; i < matches; ++i) lit.Put(w, 285), w.Code(0, 5);
  lit.Put(w, 256);
  return w.Finish();
}

TEST(InflateFraming, OutputStopsExactlyAtTheHostsLimit) {
  const Bytes stream = LongRunStream(400);  // 103201 bytes
  auto full = InflateAll(stream);
  ASSERT_EQ(full.output.size(), 103201u);
  EXPECT_EQ(full.writes, 7);
  for (int64_t limit : {0, 1, 15999, 16000, 50000, 103200}) {
    auto host = InflateAll(stream, limit, limit);
    EXPECT_EQ(host.output.size(), static_cast<size_t>(limit)) << limit;
    // The refused write is the last one.
    EXPECT_EQ(host.writes, static_cast<int>(limit / 16000) + 1) << limit;
    EXPECT_EQ(std::string(host.output.begin(), host.output.end()), std::string(limit, 'a'));
  }
}

// Matches that run over a window's end, and over the end of the area that
// then moves down: what was written must be what a symbol-by-symbol decoder
// writes, also when a bad code follows the crossing in the same step.
TEST(InflateFraming, MatchesAcrossWindowAndAreaEnds) {
  struct TRow {
    std::string prefix;
    unsigned distanceCode, matches;  // fixed distance codes 0 (1) and 6 (9, two extra bits)
    bool badTail;                    // a literal then a length with an invalid distance code
    size_t expectedSize;
    int expectedWrites;
  };
  const TRow rows[] = {
      {"a", 0, 127, true, 32000, 2},                    // the literal fills the first window
      {"abcdefghi", 6, 600, false, 9 + 600 * 258, 10},  // 154809 bytes, past the area's end
  };
  for (const TRow& row : rows) {
    TBitWriter w;
    const TCode lit = FixedLit();
    w.Bits(1, 1), w.Bits(1, 2);
    for (char c : row.prefix) lit.Put(w, static_cast<uint8_t>(c));
    for (unsigned i = 0; i < row.matches; ++i)
      lit.Put(w, 285), w.Code(row.distanceCode, 5), w.Bits(0, row.distanceCode == 6 ? 2 : 0);
    if (row.badTail) {
      lit.Put(w, 'b'), lit.Put(w, 257), w.Code(30, 5);
      for (int i = 0; i < 40; ++i) lit.Put(w, 'z');  // never reached; keeps the fast loop going
    }
    lit.Put(w, 256);
    auto host = InflateAll(w.Finish());
    std::string expected;
    while (expected.size() < row.expectedSize) expected += row.prefix;
    expected.resize(row.expectedSize);
    EXPECT_EQ(host.writes, row.expectedWrites) << row.prefix;
    EXPECT_EQ(host.output.size(), expected.size()) << row.prefix;
    const auto differ =
        std::mismatch(host.output.begin(), host.output.end(), expected.begin(), expected.end());
    EXPECT_EQ(differ.first - host.output.begin(), static_cast<ptrdiff_t>(expected.size()))
        << row.prefix << ": " << host.output.size() << " bytes, first difference";
  }
}

TEST(InflateFraming, TruncatedInputEndsWithAPrefixOfTheOutput) {
  auto members = testzip::ReadMembers(testzip::ReadFile(TestDataPath("inflate/levels-6.zip")));
  for (const char* name : {"text.txt", "ints.bin"}) {
    const auto& m = testzip::FindMember(members, name);
    const Bytes full = InflateAll(m.data).output;
    ASSERT_EQ(full.size(), m.usize);
    for (size_t cut = 0; cut < m.data.size();
         cut += (cut < 64 || cut + 64 > m.data.size()) ? 1 : 97) {
      Bytes part(m.data.begin(), m.data.begin() + cut);
      auto host = InflateAll(part);
      ASSERT_LT(host.output.size(), full.size()) << name << " cut " << cut;
      ASSERT_TRUE(std::equal(host.output.begin(), host.output.end(), full.begin())) << cut;
    }
  }
}

// A stream cut inside a match, close before a window's end that is also
// close after an output block's end (688128 = 21 windows, 128 bytes past the
// 43rd block): decoding goes on over the zero bytes after the data, and the
// match so completed would reach past the window's end. Nothing of it may be
// written: the output stays a prefix of what the real bits give. The match
// follows two 15-bit literals, so that it is the last step of a fast-loop
// turn (rows by how many 1-bit literals shift the alignment) as well as, for
// other alignments, a step of the careful loop.
TEST(InflateFraming, NothingDecodedFromTheZerosAfterTheDataIsWritten) {
  std::vector<uint8_t> litLens(285, 0), distLens(30, 0);
  litLens['B'] = 1, litLens[256] = 2, litLens['A'] = 15, litLens[284] = 15;
  for (unsigned len = 3; len <= 14; ++len) litLens['C' + len - 3] = static_cast<uint8_t>(len);
  distLens[28] = 15, distLens[29] = 15;
  for (unsigned len = 1; len <= 14; ++len) distLens[len - 1] = static_cast<uint8_t>(len);
  const TCode lit(litLens), dist(distLens);
  for (unsigned shift = 0; shift < 12; ++shift) {
    TBitWriter w;
    DynamicHeader(w, litLens, distLens, true);
    std::string real = "B";
    lit.Put(w, 'B');
    for (int i = 0; i < 2676; ++i) {  // 257 bytes each, at distance 1
      lit.Put(w, 284), w.Bits(30, 5), dist.Put(w, 0);
      real.append(257, 'B');
    }
    for (unsigned i = 0; i < 140 + shift; ++i) lit.Put(w, 'B'), real += 'B';
    lit.Put(w, 'K'), lit.Put(w, 'K');  // 11 bits each: literals of the first lookup
    real += "KK";
    ASSERT_LT(real.size(), 688000u);
    ASSERT_GT(real.size() + 257, 688128u);
    const size_t matchStart = TBitWriter(w).Finish().size() - 1;  // the byte the match begins in
    lit.Put(w, 284), w.Bits(30, 5), dist.Put(w, 29), w.Bits(8191, 13);  // 257 bytes from 32768 back
    const size_t matchEnd = TBitWriter(w).Finish().size();  // the match is whole from here
    lit.Put(w, 256);
    const Bytes whole = w.Finish();
    for (size_t cut = matchStart + 1; cut < matchEnd; ++cut) {
      auto host = InflateAll(Bytes(whole.begin(), whole.begin() + cut));
      ASSERT_LE(host.output.size(), real.size()) << "shift " << shift << " cut " << cut;
      EXPECT_EQ(std::string(host.output.begin(), host.output.end()),
                real.substr(0, host.output.size()));
    }
  }
}

TEST(InflateFraming, EmptyInputAndEmptyStream) {
  auto none = InflateAll({});
  EXPECT_EQ(none.writes, 0);
  TBitWriter w;
  w.Bits(1, 1), w.Bits(1, 2), FixedLit().Put(w, 256);
  auto empty = InflateAll(w.Finish());
  EXPECT_EQ(empty.writes, 0);
  EXPECT_TRUE(empty.output.empty());
}

TEST(InflateFraming, MessagesOncePerRefill) {
  auto members = testzip::ReadMembers(testzip::ReadFile(TestDataPath("inflate/boundaries.zip")));
  const auto& m = testzip::FindMember(members, "sym65537.bin");
  ASSERT_GT(m.data.size(), 16000u);
  auto host = InflateAll(m.data);
  EXPECT_EQ(host.output.size(), m.usize);
  EXPECT_EQ(host.refills, static_cast<int>((m.data.size() + 15999) / 16000));
  EXPECT_EQ(host.messageRefills, host.refills);
}

TEST(InflateFraming, InputCountsStopAtTheStreamsLastByte) {
  // A stream followed by bytes of something else: the decoder gives back
  // what it read ahead, so only the trailing bytes remain counted.
  for (size_t trailing : {0, 1, 5, 8, 13, 40}) {
    TBitWriter w;
    Stored(w, "abc", false);
    w.Bits(1, 1), w.Bits(1, 2);
    TCode lit = FixedLit();
    for (char c : std::string("hello")) lit.Put(w, c);
    lit.Put(w, 256);
    Bytes data = w.Finish();
    const size_t streamSize = data.size();
    data.insert(data.end(), trailing, 0xA5);
    testzip::MemoryHost host(data);
    auto state = std::make_unique<uz::TDecodeState>();
    state->host = &host;
    state->Reset(static_cast<int64_t>(data.size()), 8, 0);
    EXPECT_EQ(uz::Inflate(*state), uz::TDecodeResult::Done);
    EXPECT_EQ(std::string(host.output.begin(), host.output.end()), "abchello");
    EXPECT_EQ(state->csizeLeft, static_cast<int64_t>(trailing)) << trailing;
    EXPECT_EQ(state->inLeft, trailing) << trailing;
    EXPECT_EQ(state->inPos, state->inbuf + streamSize) << trailing;
  }
}

// A host that stops delivering although it claims more data: the decoder
// must end, and its counts must stay inside the block.
class TDryHost : public uz::TDecodeHost {
 public:
  explicit TDryHost(Bytes data) : data_(std::move(data)) {}
  uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool) override {
    ++reads;
    const size_t take = std::min<size_t>(n, data_.size() - pos_);
    std::memcpy(dst, data_.data() + pos_, take);
    pos_ += take;
    return static_cast<uint32_t>(take);
  }
  bool WriteDecoded(const uint8_t* p, uint32_t n) override {
    output.insert(output.end(), p, p + n);
    return true;
  }
  int64_t CompressedBytesUnrequested() const override { return 1000000; }
  Bytes output;
  int reads = 0;

 private:
  Bytes data_;
  size_t pos_ = 0;
};

TEST(InflateFraming, AHostThatDeliversNothingEndsTheMember) {
  TBitWriter w;
  Stored(w, Pattern(20000), false);  // more follows, but never arrives
  TDryHost host(w.Finish());
  auto state = std::make_unique<uz::TDecodeState>();
  state->host = &host;
  state->Reset(1000000, 0, 0);
  EXPECT_EQ(uz::Inflate(*state), uz::TDecodeResult::BadData);
  EXPECT_TRUE(host.output.empty());
  EXPECT_LE(host.reads, 4);
  EXPECT_LE(state->inLeft, uz::kIoBlockSize);
  EXPECT_GE(state->inPos, state->inbuf);
  EXPECT_LE(state->inPos, state->inbuf + uz::kIoBlockSize);
  EXPECT_EQ(state->csizeLeft, 1000000 - 20005);
}

TEST(InflateFraming, StoredBlocksAcrossWindowsAndInputBlocks) {
  const std::string data = Pattern(200000);
  auto host = InflateAll(StoredStream(data, true));
  EXPECT_EQ(std::string(host.output.begin(), host.output.end()), data);
  EXPECT_EQ(host.writes, 13);
}

}  // namespace
