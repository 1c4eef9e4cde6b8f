#pragma once
// Decoding tables of deflate (RFC 1951). A table is indexed by the next bits
// of the stream, least significant first, so each code sits at its
// bit-reversed position and is repeated for every value of the bits after it.
// Codes longer than the primary width continue in a sub-table that follows
// the primary part of the same array.
#include <cstddef>
#include <cstdint>

namespace uz {

// Table widths. Wider primary tables than the classic 9/6 bits resolve
// nearly every literal/length and distance in one lookup; the codes decoded
// are the same whatever the widths.
constexpr unsigned kLitTableBits = 11;
constexpr unsigned kDistTableBits = 8;
constexpr unsigned kPrecodeTableBits = 7;
constexpr unsigned kMaxCodeBits = 15;
constexpr unsigned kMaxPrecodeBits = 7;

constexpr unsigned kNumLitSyms = 288;  // 286 and 287 exist only in fixed blocks, as invalid codes
constexpr unsigned kNumDistSyms = 32;  // 30 and 31 likewise
constexpr unsigned kNumPrecodeSyms = 19;

// Sub-tables only exist under a complete code (the incomplete codes that are
// accepted have at most one code, of one bit). Under a complete code every
// primary slot that leads to longer codes holds at least two of them, so
// there are at most nsym/2 sub-tables, each of at most 2^(15 - primary bits)
// entries.
constexpr size_t TableCapacity(unsigned primaryBits, unsigned nsym) {
  return (size_t{1} << primaryBits) + (nsym / 2) * (size_t{1} << (kMaxCodeBits - primaryBits));
}
constexpr size_t kLitTableSize = TableCapacity(kLitTableBits, kNumLitSyms);
constexpr size_t kDistTableSize = TableCapacity(kDistTableBits, kNumDistSyms);
constexpr size_t kPrecodeTableSize = size_t{1} << kPrecodeTableBits;
static_assert(kMaxPrecodeBits <= kPrecodeTableBits, "the code-length code needs no sub-tables");

// One 32-bit entry:
//   bits 0-4   bits to drop: the code's bits at this level plus any extra bits
//              (a sub-table link drops the primary bits)
//   bits 8-11  the code's bits at this level (for a link: the sub-table's width)
//   bit 13     end of block            } with bit 15
//   bit 14     link to a sub-table     }
//   bit 15     not a literal, length or distance; alone: an invalid code
//   bits 16-30 literal byte, base length, base distance, code-length symbol
//              or sub-table start
//   bit 31     literal (literal/length table only)
constexpr uint32_t kEntryExceptional = 1u << 15;
constexpr uint32_t kEntrySubtable = 1u << 14;
constexpr uint32_t kEntryEndOfBlock = 1u << 13;
constexpr uint32_t kEntryLiteral = 1u << 31;

inline unsigned EntryDropBits(uint32_t e) { return e & 31u; }
inline unsigned EntryCodeBits(uint32_t e) { return (e >> 8) & 15u; }
// Bit 31 is set only in literal entries, whose byte is read directly: every
// entry that is asked for its value has its whole value in the top half.
inline uint32_t EntryValue(uint32_t e) { return e >> 16; }

enum class TCodeKind { Precode, LitLen, Distance };

// Builds the table of a code from its lengths (each 0..15, 0..7 for the
// code-length code). Fails on an over-subscribed code and on an incomplete
// one, except the incomplete codes RFC 1951 allows: one code of one bit
// (literal/length or distance) and no code at all (distance, for blocks of
// literals only). Positions no code reaches decode as invalid.
// The table must hold kPrecodeTableSize, kLitTableSize or kDistTableSize
// entries for the kind.
bool BuildDecodeTable(TCodeKind kind, const uint8_t* lens, unsigned nsym, uint32_t* table);

// The code lengths of the fixed-code blocks.
void FixedLitLenLengths(uint8_t (&lens)[kNumLitSyms]);
void FixedDistLengths(uint8_t (&lens)[kNumDistSyms]);

}  // namespace uz
