#include "decoders/uzInflateTables.h"

#include <algorithm>
#include <array>

namespace uz {

namespace {

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// A value field of 15 bits holds every base and every sub-table start, and
// the drop field of 5 bits holds a 15-bit code with 13 extra bits.
static_assert(kLitTableSize < (1u << 15) && kDistTableSize < (1u << 15), "value field too small");
static_assert(kMaxCodeBits + 13 < 32, "drop field too small");

constexpr uint32_t Entry(uint32_t flagsAndValue, unsigned codeBits, unsigned extraBits) {
  return flagsAndValue | (codeBits + extraBits) | (codeBits << 8);
}

// The entry of a symbol whose code has codeBits bits at this table level.
constexpr uint32_t SymbolEntry(TCodeKind kind, unsigned sym, unsigned codeBits) {
  switch (kind) {
    case TCodeKind::Precode:
      return Entry(sym << 16, codeBits, 0);
    case TCodeKind::LitLen:
      if (sym < 256) return Entry(kEntryLiteral | sym << 16, codeBits, 0);
      if (sym == 256) return Entry(kEntryExceptional | kEntryEndOfBlock, codeBits, 0);
      if (sym < 286)
        return Entry(uint32_t{kLengthBase[sym - 257]} << 16, codeBits, kLengthExtra[sym - 257]);
      return Entry(kEntryExceptional, codeBits, 0);
    case TCodeKind::Distance:
      if (sym < 30) return Entry(uint32_t{kDistBase[sym]} << 16, codeBits, kDistExtra[sym]);
      return Entry(kEntryExceptional, codeBits, 0);
  }
  return kEntryExceptional;
}

// Every symbol's entry for a code of no bits: a code of n bits adds n to the
// bits to drop and n << 8 to the code's bits (the drop field cannot carry:
// 15 code bits and 13 extra bits stay below 32). Looked up once per symbol
// while a table is built, instead of the choice above.
template <size_t N>
struct TBaseEntries {
  uint32_t entry[N];
};
template <size_t N>
constexpr TBaseEntries<N> MakeBaseEntries(TCodeKind kind) {
  TBaseEntries<N> bases{};
  for (unsigned sym = 0; sym < N; ++sym) bases.entry[sym] = SymbolEntry(kind, sym, 0);
  return bases;
}
constexpr auto kPrecodeBases = MakeBaseEntries<kNumPrecodeSyms>(TCodeKind::Precode);
constexpr auto kLitLenBases = MakeBaseEntries<kNumLitSyms>(TCodeKind::LitLen);
constexpr auto kDistanceBases = MakeBaseEntries<kNumDistSyms>(TCodeKind::Distance);
static_assert(kLitLenBases.entry[285] + 7 + (7 << 8) == SymbolEntry(TCodeKind::LitLen, 285, 7),
              "an entry is its base plus its code bits");

const uint32_t* BaseEntries(TCodeKind kind) {
  switch (kind) {
    case TCodeKind::Precode:
      return kPrecodeBases.entry;
    case TCodeKind::LitLen:
      return kLitLenBases.entry;
    case TCodeKind::Distance:
      return kDistanceBases.entry;
  }
  return nullptr;
}

inline uint32_t WithCodeBits(uint32_t base, unsigned codeBits) {
  return base + codeBits + (codeBits << 8);
}

unsigned PrimaryBits(TCodeKind kind) {
  switch (kind) {
    case TCodeKind::Precode:
      return kPrecodeTableBits;
    case TCodeKind::LitLen:
      return kLitTableBits;
    case TCodeKind::Distance:
      return kDistTableBits;
  }
  return 0;
}

size_t Capacity(TCodeKind kind) {
  switch (kind) {
    case TCodeKind::Precode:
      return kPrecodeTableSize;
    case TCodeKind::LitLen:
      return kLitTableSize;
    case TCodeKind::Distance:
      return kDistTableSize;
  }
  return 0;
}

constexpr std::array<uint8_t, 256> MakeByteReversal() {
  std::array<uint8_t, 256> r{};
  for (unsigned b = 0; b < 256; ++b)
    for (unsigned i = 0; i < 8; ++i) r[b] |= static_cast<uint8_t>(((b >> i) & 1u) << (7 - i));
  return r;
}
constexpr std::array<uint8_t, 256> kByteReversal = MakeByteReversal();

// The len low bits of code in reverse order (len at most 15).
uint32_t ReverseBits(uint32_t code, unsigned len) {
  const uint32_t r16 =
      uint32_t{kByteReversal[code & 0xFFu]} << 8 | kByteReversal[(code >> 8) & 0xFFu];
  return r16 >> (16 - len);
}

// Kraft sum check: true when the lengths describe a complete code or one of
// the incomplete codes deflate allows for this kind.
bool AcceptableCode(TCodeKind kind, const uint16_t* count, bool& complete) {
  int32_t left = 1;
  unsigned used = 0;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    left = left * 2 - count[len];
    if (left < 0) return false;  // over-subscribed
    used += count[len];
  }
  complete = left == 0;
  if (complete) return true;
  if (kind == TCodeKind::Precode) return false;
  if (used == 1 && count[1] == 1) return true;
  return used == 0 && kind == TCodeKind::Distance;
}

// Width of the sub-table that starts with a code of len bits: the smallest
// that the remaining codes under the same primary slot fill completely.
unsigned SubtableBits(unsigned len, unsigned primary,
                      const uint16_t (&remaining)[kMaxCodeBits + 1]) {
  unsigned bits = len - primary;
  int32_t left = int32_t{1} << bits;
  while (bits + primary < kMaxCodeBits) {
    left -= remaining[bits + primary];
    if (left <= 0) break;
    ++bits;
    left *= 2;
  }
  return bits;
}

void Replicate(uint32_t* table, uint32_t start, unsigned width, unsigned step, uint32_t entry) {
  for (uint32_t p = start; p < (uint32_t{1} << width); p += uint32_t{1} << step) table[p] = entry;
}

// The next code of len bits in bit-reversed form: the canonical code plus
// one, with the carry running from the top bit down.
uint32_t NextReversedCode(uint32_t reversed, unsigned len) {
  uint32_t bit = uint32_t{1} << (len - 1);
  while (reversed & bit) {
    reversed ^= bit;
    bit >>= 1;
  }
  return reversed | bit;
}

// The canonical code of the first code of len bits.
uint32_t FirstCode(const uint16_t* count, unsigned len) {
  uint32_t code = 0;
  for (unsigned l = 1; l <= len; ++l) code = (code + count[l - 1]) << 1;
  return code;
}

}  // namespace

bool BuildDecodeTable(TCodeKind kind, const uint8_t* lens, unsigned nsym, uint32_t* table) {
  // A length beyond 15 shows in the union of all lengths, checked once;
  // until then the counts of such lengths go where nothing reads them.
  uint16_t count[256] = {};
  unsigned lengthBits = 0;
#pragma GCC unroll 8
  for (unsigned s = 0; s < nsym; ++s) {
    lengthBits |= lens[s];
    ++count[lens[s]];
  }
  if (lengthBits > kMaxCodeBits) return false;
  count[0] = 0;
  bool complete = false;
  if (!AcceptableCode(kind, count, complete)) return false;

  const unsigned primary = PrimaryBits(kind);
  const size_t capacity = Capacity(kind);
  const uint32_t* const bases = BaseEntries(kind);

  // Symbols in canonical order: by code length, then by symbol.
  uint16_t offset[kMaxCodeBits + 2] = {};
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + count[len];
  uint16_t sorted[kNumLitSyms];
#pragma GCC unroll 8
  for (unsigned s = 0; s < nsym; ++s)
    if (lens[s] != 0) sorted[offset[lens[s]]++] = static_cast<uint16_t>(s);
  const unsigned used = offset[kMaxCodeBits];

  // The primary part grows a bit at a time: the 2^len entries of the codes
  // up to len bits are doubled for the next bit, which repeats every shorter
  // code for both of its values, and the codes of len + 1 bits then take the
  // slots no shorter code holds. Each code is stored once; the doubling is a
  // plain copy. Slots no code reaches (incomplete codes only) stay invalid.
  table[0] = table[1] = kEntryExceptional;
  unsigned i = 0;
  uint32_t reversed = 0;
  for (unsigned len = 1; len <= primary; ++len) {
    if (len > 1)
      std::copy(table, table + (size_t{1} << (len - 1)), table + (size_t{1} << (len - 1)));
    for (unsigned n = count[len]; n > 0; --n, ++i) {
      table[reversed] = WithCodeBits(bases[sorted[i]], len);
      reversed = NextReversedCode(reversed, len);
    }
  }
  if (i == used) return true;

  // Longer codes continue in sub-tables, as their primary bits select.
  uint16_t remaining[kMaxCodeBits + 1];
  for (unsigned len = 0; len <= kMaxCodeBits; ++len) remaining[len] = count[len];
  size_t end = size_t{1} << primary;
  uint32_t prefix = ~0u, subStart = 0;
  unsigned subBits = 0;
  uint32_t code = FirstCode(count, lens[sorted[i]]);
  for (; i < used; ++i) {
    const unsigned s = sorted[i], len = lens[s];
    const uint32_t rev = ReverseBits(code, len);
    if ((rev & ((1u << primary) - 1)) != prefix) {
      prefix = rev & ((1u << primary) - 1);
      subBits = SubtableBits(len, primary, remaining);
      subStart = static_cast<uint32_t>(end);
      end += size_t{1} << subBits;
      // Cannot trigger under the capacity bound above; kept so that a
      // wrong bound shows up as a rejected block, never as a bad write.
      if (end > capacity) return false;
      table[prefix] = kEntryExceptional | kEntrySubtable | subStart << 16 | subBits << 8 | primary;
    }
    Replicate(table + subStart, rev >> primary, subBits, len - primary,
              WithCodeBits(bases[s], len - primary));
    --remaining[len];
    ++code;
    if (i + 1 < used) code <<= lens[sorted[i + 1]] - len;
  }
  return true;
}

void FixedLitLenLengths(uint8_t (&lens)[kNumLitSyms]) {
  for (unsigned s = 0; s < kNumLitSyms; ++s) lens[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
}

void FixedDistLengths(uint8_t (&lens)[kNumDistSyms]) {
  for (auto& len : lens) len = 5;
}

}  // namespace uz
