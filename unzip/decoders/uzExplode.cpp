// Imploded members (method 6): LZ77 over a 4K or 8K dictionary with two or
// three Shannon-Fano codes stored at the start of the member.
//
// A code is decoded by table lookup: a root table indexed by the next k bits
// of the stream and, for longer codes, one sub-table per root entry indexed by
// the bits after those. The tables have fixed worst-case sizes, so decoding
// never allocates. Trees whose counts do not add up, and trees that do not
// fill the code space exactly, abandon the member. Decoding stops at the
// expected size, or as soon as it would use bits past the end of the data.
// Only the first is a good end; the others are bad data.
#include <algorithm>
#include <cstring>
#include <new>

#include "decoders/uzDecoders.h"
#include "decoders/uzSlidingWindow.h"

namespace uz {
namespace {

constexpr uint32_t kWindowSize = 32768;
constexpr uint32_t kMaxCodeBits = 16;

struct TExplodeArea {
  uint8_t window[kWindowSize];
};
static_assert(sizeof(TExplodeArea) <= kWorkAreaSize, "implode window must fit the work area");

// One table entry. A symbol entry gives the symbol and the code's full length;
// a link entry (subBits > 0) gives the sub-table's offset and index width.
// An entry with bits == 0 is never reached by a complete code.
struct TCodeEntry {
  uint16_t value;
  uint8_t bits;
  uint8_t subBits;
};

// Largest table (root plus sub-tables) any complete code of n symbols with
// lengths up to 16 can need with a root of k bits, found by maximising the
// sub-table sizes under the symbol budget: a sub-table of 2^d entries needs at
// least d + 1 symbols. Building still checks the capacity.
template <uint32_t kSymbols, uint32_t kRootBits>
struct TCodeTable {
  static constexpr uint32_t kCapacity = kSymbols == 256 ? 4488 : (kRootBits == 7 ? 2944 : 1800);
  TCodeEntry entries[kCapacity];
};
static_assert(kWindowSize > 8192, "the largest distance must stay inside the window");

// The bit stream after the trees, least significant bit first. Past the end of
// the data it reads zero bits, for look-ahead only: consuming one of them
// marks the stream overrun and decoding stops.
class TExplodeBits {
 public:
  explicit TExplodeBits(TDecodeState& state) : s_(state) {}

  // At least n (<= 25) bits held, real or padding.
  void Need(uint32_t n) {
    while (count_ < n) {
      uint8_t b = 0;
      if (!s_.NextByte(b)) padding_ += 8;
      buf_ |= static_cast<uint32_t>(b) << count_;
      count_ += 8;
    }
  }
  uint32_t Peek() const { return buf_; }
  void Drop(uint32_t n) {
    buf_ >>= n;
    count_ -= n;
    if (count_ < padding_) overrun_ = true;
  }
  uint32_t Take(uint32_t n) {
    Need(n);
    uint32_t v = buf_ & ((1u << n) - 1u);
    Drop(n);
    return v;
  }
  bool Overrun() const { return overrun_; }

 private:
  TDecodeState& s_;
  uint32_t buf_ = 0;
  uint32_t count_ = 0;
  uint32_t padding_ = 0;
  bool overrun_ = false;
};

// Reads one stored tree: bit lengths for n symbols. False when the tree's
// bytes are missing or its counts do not add up to n.
bool ReadLengths(TDecodeState& s, uint32_t n, uint8_t* lengths) {
  uint8_t b;
  if (!s.NextByte(b)) return false;
  uint32_t entries = b + 1u;
  uint32_t symbol = 0;
  for (uint32_t i = 0; i < entries; ++i) {
    if (!s.NextByte(b)) return false;
    uint32_t count = (b >> 4) + 1u;
    if (count > n - symbol) return false;
    std::memset(lengths + symbol, (b & 0x0F) + 1, count);
    symbol += count;
  }
  return symbol == n;
}

uint32_t Reverse(uint32_t code, uint32_t bits) {
  uint32_t r = 0;
  for (uint32_t i = 0; i < bits; ++i, code >>= 1) r = (r << 1) | (code & 1u);
  return r;
}

// Fills the root table and the sub-tables from the codes; false when they
// would not fit (impossible for a complete code, checked all the same).
template <uint32_t kSymbols, uint32_t kRootBits>
bool Fill(const uint8_t* lengths, const uint16_t* code, TCodeTable<kSymbols, kRootBits>& table) {
  TCodeEntry* e = table.entries;
  const uint32_t rootSize = 1u << kRootBits;
  std::memset(e, 0, sizeof table.entries);
  // Index width of each root entry's sub-table: the longest code under it.
  uint8_t subBits[1u << kRootBits] = {};
  for (uint32_t s = 0; s < kSymbols; ++s) {
    if (lengths[s] <= kRootBits) continue;
    uint32_t root = Reverse(code[s] >> (lengths[s] - kRootBits), kRootBits);
    subBits[root] = std::max<uint8_t>(subBits[root], static_cast<uint8_t>(lengths[s] - kRootBits));
  }
  uint32_t used = rootSize;
  for (uint32_t r = 0; r < rootSize; ++r) {
    if (subBits[r] == 0) continue;
    uint32_t size = 1u << subBits[r];
    if (size > TCodeTable<kSymbols, kRootBits>::kCapacity - used) return false;
    e[r] = TCodeEntry{static_cast<uint16_t>(used), kRootBits, subBits[r]};
    used += size;
  }
  for (uint32_t s = 0; s < kSymbols; ++s) {
    uint32_t len = lengths[s];
    uint32_t rev = Reverse(code[s], len);
    TCodeEntry sym{static_cast<uint16_t>(s), static_cast<uint8_t>(len), 0};
    if (len <= kRootBits) {
      for (uint32_t i = rev; i < rootSize; i += 1u << len) e[i] = sym;
    } else {
      const TCodeEntry& link = e[rev & (rootSize - 1)];
      uint32_t subLen = len - kRootBits;
      for (uint32_t i = rev >> kRootBits; i < (1u << link.subBits); i += 1u << subLen)
        e[link.value + i] = sym;
    }
  }
  return true;
}

// Builds the lookup table of a code given by its bit lengths (1..16). The
// codes themselves follow the format's construction: symbols ordered by
// (length, symbol), codes handed out from the longest down, each read most
// significant bit first; the stream's first bit is the index's low bit.
template <uint32_t kSymbols, uint32_t kRootBits>
bool BuildTable(const uint8_t* lengths, TCodeTable<kSymbols, kRootBits>& table) {
  uint32_t space = 0;
  for (uint32_t s = 0; s < kSymbols; ++s) space += 1u << (kMaxCodeBits - lengths[s]);
  if (space != 1u << kMaxCodeBits) return false;  // incomplete or over-subscribed

  // Stable order by length: counting sort over lengths 1..16.
  uint16_t order[kSymbols];
  uint32_t start[kMaxCodeBits + 2] = {};
  for (uint32_t s = 0; s < kSymbols; ++s) ++start[lengths[s] + 1];
  for (uint32_t l = 1; l <= kMaxCodeBits + 1; ++l) start[l] += start[l - 1];
  for (uint32_t s = 0; s < kSymbols; ++s) order[start[lengths[s]]++] = static_cast<uint16_t>(s);

  uint16_t code[kSymbols];
  uint16_t code16 = 0;
  uint32_t step = 0;
  uint32_t curLen = 0;
  for (uint32_t i = kSymbols; i-- > 0;) {
    uint32_t s = order[i];
    code16 = static_cast<uint16_t>(code16 + step);
    if (lengths[s] != curLen) {
      curLen = lengths[s];
      step = 1u << (kMaxCodeBits - curLen);
    }
    code[s] = static_cast<uint16_t>(code16 >> (kMaxCodeBits - lengths[s]));
  }
  return Fill(lengths, code, table);
}

class TExploder {
 public:
  explicit TExploder(TDecodeState& state)
      : s_(state), a_(*new (state.work) TExplodeArea), bits_(state), out_(state, a_.window) {}

  TDecodeResult Run() {
    const bool literalTree = (s_.generalFlags & 4) != 0;
    const bool bigDictionary = (s_.generalFlags & 2) != 0;
    const bool bigInput = s_.compressedSize > 200000;
    if (!LoadTrees(literalTree, bigInput)) return TDecodeResult::BadData;
    if (bigInput)
      Decode(literalTree, bigDictionary, distances8_);
    else
      Decode(literalTree, bigDictionary, distances7_);
    // Short of the expected size only where the data ran out, or where the
    // host refused output (which it reports itself).
    const bool complete = out_.Produced() >= s_.expectedSize || s_.stopped;
    out_.Finish();
    return complete ? TDecodeResult::Done : TDecodeResult::BadData;
  }

 private:
  bool LoadTrees(bool literalTree, bool bigInput) {
    if (literalTree && !LoadTree(literals_)) return false;
    if (!LoadTree(lengths_)) return false;
    return bigInput ? LoadTree(distances8_) : LoadTree(distances7_);
  }

  template <uint32_t kSymbols, uint32_t kRootBits>
  bool LoadTree(TCodeTable<kSymbols, kRootBits>& table) {
    uint8_t lengths[kSymbols];
    return ReadLengths(s_, kSymbols, lengths) && BuildTable(lengths, table);
  }

  template <uint32_t kSymbols, uint32_t kRootBits>
  uint32_t DecodeSymbol(const TCodeTable<kSymbols, kRootBits>& table) {
    bits_.Need(kMaxCodeBits);
    uint32_t in = bits_.Peek();
    TCodeEntry e = table.entries[in & ((1u << kRootBits) - 1)];
    if (e.subBits != 0) e = table.entries[e.value + ((in >> kRootBits) & ((1u << e.subBits) - 1))];
    bits_.Drop(e.bits);  // every entry of a complete code is filled: bits >= 1
    return e.value;
  }

  template <uint32_t kRootBits>
  void Decode(bool literalTree, bool bigDictionary, const TCodeTable<64, kRootBits>& distances) {
    const uint32_t lowBits = bigDictionary ? 7 : 6;
    const uint32_t minMatch = literalTree ? 3 : 2;
    while (out_.Produced() < s_.expectedSize && !s_.stopped) {
      if (bits_.Take(1)) {
        uint32_t b = literalTree ? DecodeSymbol(literals_) : bits_.Take(8);
        if (bits_.Overrun()) return;
        out_.Put(static_cast<uint8_t>(b));
      } else {
        uint32_t distance = bits_.Take(lowBits);
        distance |= DecodeSymbol(distances) << lowBits;
        uint32_t length = DecodeSymbol(lengths_);
        if (length == 63) length += bits_.Take(8);
        if (bits_.Overrun()) return;
        out_.Copy(distance + 1, length + minMatch);
      }
    }
  }

  TDecodeState& s_;
  TExplodeArea& a_;
  TExplodeBits bits_;
  TSlidingWindow<kWindowSize> out_;
  TCodeTable<256, 9> literals_;
  TCodeTable<64, 7> lengths_;
  TCodeTable<64, 7> distances7_;
  TCodeTable<64, 8> distances8_;
};

}  // namespace

TDecodeResult Explode(TDecodeState& state) { return TExploder(state).Run(); }

}  // namespace uz
