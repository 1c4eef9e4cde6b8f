// Deflate (RFC 1951). Output goes through a 32 KiB window that is flushed to
// the output buffer each time it fills and after the last block; a bad block
// ends the member at once, without that flush, and is reported as bad data.
//
// Output is produced into an area of several windows behind a copy of the
// 32 KiB before it, so a match never wraps. Each time another 32 KiB has
// been produced (the window "fills"), every whole output block is written
// straight from the area - the same writes, of the same bytes, at the same
// moments as copying the window through the output buffer - and only when
// the area is full is its last window moved down to become the history.
// A fast loop decodes with one refill of a 64-bit bit buffer per symbol and
// word-wide match copies while plenty of input and window space remain;
// near either end a careful loop takes one symbol at a time.
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "decoders/uzDecoders.h"
#include "decoders/uzInflateTables.h"
#include "decoders/uzProcessorPaths.h"

namespace uz {

namespace {

constexpr uint32_t kWindowSize = 32768;
constexpr uint32_t kWindowsPerArea = 4;
constexpr uint32_t kMaxMatch = 258;
constexpr uint32_t kMaxDistance = 32768;
constexpr unsigned kCopyChunk = 8;

// Bits one literal/length symbol with its match can take: a 15-bit length
// code with 5 extra bits and a 15-bit distance code with 13 extra bits.
constexpr unsigned kMaxSymbolBits = 15 + 5 + 15 + 13;
// A fast refill leaves 56 to 63 bits, enough for a whole match.
constexpr unsigned kRefilledBits = 56;
static_assert(kMaxSymbolBits <= kRefilledBits, "one refill per match must suffice");

// The fast loop runs while a turn cannot reach past the input block: it takes
// at most two refills of at most 7 bytes, each reading 8 bytes. In the
// member's last block it runs up to the block's end, and what a turn reads
// beyond it is the block's zero padding: the same zero bytes the careful
// loop feeds in once the data has ended, counted the same way (below), so
// that small members need not finish symbol by symbol. It starts a turn
// only before the end of the window being filled, and a turn writes at
// most two literals and a match whose word-wide copy may run up to
// 2 * kCopyChunk - 1 bytes past it (a match of 3 copies 16 bytes): the
// window may overshoot by that much, into the next one or the spare room
// after the area.
constexpr ptrdiff_t kFastInputMargin = 32;
constexpr ptrdiff_t kFastOvershoot = kMaxMatch + 32;
static_assert(2 * 7 + 8 <= kFastInputMargin, "fast refills must stay inside the input block");
static_assert(2 * 7 + 8 <= kInputPadding, "fast refills must stay inside the block's padding");
static_assert(2 + kMaxMatch + 2 * kCopyChunk - 1 <= kFastOvershoot,
              "fast writes must stay inside the buffer");

// Zero bytes fed in once the member's data has ended let a step finish on
// made-up bits; using any of them marks the member truncated. Eight are
// more than a step needs. A fast turn at the very end may have loaded up to
// two refills' worth; more than seven such bytes means some were used.
constexpr unsigned kMaxPhantomBytes = 8;
static_assert(kMaxPhantomBytes * 8 >= kMaxSymbolBits, "a step must be able to complete");

constexpr uint8_t kPrecodeOrder[kNumPrecodeSyms] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                    11, 4,  12, 3, 13, 2, 14, 1, 15};

struct TInflateWork {
  // History (the window before the area), the area being filled, and room
  // for the fast loop's overshoot.
  uint8_t buffer[(1 + kWindowsPerArea) * kWindowSize + kFastOvershoot];
  uint32_t litTable[kLitTableSize];
  uint32_t distTable[kDistTableSize];
  uint32_t precodeTable[kPrecodeTableSize];
  uint8_t lens[kNumLitSyms + kNumDistSyms];
};

enum class TResult { Ok, EndOfBlock, Bad, Stopped };

// Why a stream is bad, one text per way the decoder can find it so.
constexpr const char* kInputEnded = "the data ends inside a block";
constexpr const char* kBlockType3 = "block type 3";
constexpr const char* kStoredLength = "a stored block's length and its complement disagree";
constexpr const char* kTooManyCodes = "more than 286 literal/length or 30 distance codes";
constexpr const char* kBadPrecode = "the code-length code's lengths make no complete code";
constexpr const char* kRepeatFirst = "a repeated code length with none before it";
constexpr const char* kRepeatPast = "code lengths repeated past their count";
constexpr const char* kNoEndOfBlock = "no code for the end of the block";
constexpr const char* kBadLitLenCode = "the literal/length lengths make no complete code";
constexpr const char* kBadDistanceCode = "the distance lengths make no complete code";
constexpr const char* kBadLitLen = "a literal/length code without a symbol";
constexpr const char* kBadDistance = "a distance code without a symbol";
constexpr const char* kTooFarBack = "a distance before the start of the output";

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define UZ_INFLATE_BMI2 1
#define UZ_ALWAYS_INLINE __attribute__((always_inline))
#else
#define UZ_ALWAYS_INLINE
#endif

inline uint64_t Mask(unsigned n) { return (uint64_t{1} << n) - 1; }

// Eight stream bytes, the first in the low byte. One load on little-endian
// machines (all we build for); assembled from bytes elsewhere.
inline uint64_t Load64(const uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
#else
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
#endif
}

inline void Copy8(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 8); }

class TInflater {
 public:
  TInflater(TDecodeState& state, TInflateWork& work)
      : st_(state),
        w_(work),
        areaStart_(work.buffer + kWindowSize),
        areaEnd_(areaStart_ + kWindowsPerArea * kWindowSize),
        flushAt_(areaStart_ + kWindowSize),
        out_(areaStart_),
        pending_(areaStart_),
        history_(areaStart_) {
    UseBlock();
  }

  TResult Run();
  void FlushRest();
  void ReturnUnusedInput();
  const char* Reason() const { return reason_; }

 private:
  // Input.
  void UseBlock();
  void SyncInput();
  bool NextInputBlock();
  bool TakeByte();
  bool Ensure(unsigned n) { return count_ >= n || Replenish(n); }
  bool Replenish(unsigned n);
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  uint32_t Take(unsigned n) {
    uint32_t v = static_cast<uint32_t>(bits_ & Mask(n));
    Drop(n);
    return v;
  }
  bool PhantomUsed() const { return count_ < 8 * phantom_; }
  void CountPaddingAsPhantom();

  TResult Bad(const char* why) {
    reason_ = why;
    return TResult::Bad;
  }
  bool Refuse(const char* why) {
    reason_ = why;
    return false;
  }

  // Output.
  TResult WindowFilled();
  bool WriteBlocks(const uint8_t* upTo);

  // Blocks.
  TResult StoredBlock();
  bool FixedTables();
  bool DynamicTables();
  TResult HuffmanBlock();
  TResult FastLoop();
  TResult FastLoopBody();
#ifdef UZ_INFLATE_BMI2
  TResult FastLoopBmi2();
#endif
  TResult SlowStep();
  TResult SlowCopy(uint32_t length, uint32_t distance);

  TDecodeState& st_;
  TInflateWork& w_;
  uint8_t* const areaStart_;
  uint8_t* const areaEnd_;
  uint8_t* flushAt_;        // where the window being filled ends
  uint8_t* out_;            // next byte to produce
  const uint8_t* pending_;  // first byte produced but not yet written
  const uint8_t* history_;  // oldest byte a match may reach

  const uint8_t* in_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  ptrdiff_t fastInputMargin_ = kFastInputMargin;  // 0 in the member's last block
  uint64_t bits_ = 0;                             // outside the fast loop, zero above count_
  unsigned count_ = 0;                            // at most 63
  unsigned phantom_ = 0;
  bool inputEnded_ = false;
  bool fixedTablesBuilt_ = false;
  const char* reason_ = nullptr;  // why the stream is bad, once it is
#ifdef UZ_INFLATE_BMI2
  const bool bmi2_ = ProcessorFeatures().bmi2Loop;
#endif
};

// ---- input -------------------------------------------------------------

// The usable part of the current block: never beyond what the member has.
void TInflater::UseBlock() {
  in_ = st_.inPos;
  int64_t usable = st_.csizeLeft < 0 ? 0 : st_.csizeLeft;
  if (usable > st_.inLeft) usable = st_.inLeft;
  inEnd_ = in_ + usable;
  // Only where the block's padding follows the member's last byte.
  fastInputMargin_ = st_.csizeLeft == st_.inLeft ? 0 : kFastInputMargin;
}

// A fast turn at the end of the last block may have loaded padding; those
// bytes count as the zero bytes fed in after the data.
void TInflater::CountPaddingAsPhantom() {
  if (in_ <= inEnd_) return;
  phantom_ += static_cast<unsigned>(in_ - inEnd_);
  in_ = inEnd_;
}

// Hands the bytes taken so far back to the state's accounting.
void TInflater::SyncInput() {
  uint32_t taken = static_cast<uint32_t>(in_ - st_.inPos);
  st_.inPos = in_;
  st_.inLeft -= taken;
  st_.csizeLeft -= taken;
}

bool TInflater::NextInputBlock() {
  SyncInput();
  if (!inputEnded_ && st_.csizeLeft > 0) {
    // A refill that brings nothing still restarts the block at its
    // beginning; the pointers follow it so the counts stay right.
    if (st_.inLeft == 0) st_.Refill();
    UseBlock();
  }
  if (in_ == inEnd_) inputEnded_ = true;
  return !inputEnded_;
}

bool TInflater::TakeByte() {
  if (in_ == inEnd_ && !NextInputBlock()) {
    if (phantom_ >= kMaxPhantomBytes) return false;
    ++phantom_;
  } else {
    bits_ |= uint64_t{*in_++} << count_;
  }
  count_ += 8;
  return true;
}

// Far from the block's end, one word-wide load refills the bit buffer.
bool TInflater::Replenish(unsigned n) {
  if (inEnd_ - in_ >= 8) {
    bits_ |= Load64(in_) << count_;
    in_ += (63 - count_) >> 3;
    count_ |= kRefilledBits;
    bits_ &= Mask(count_);
    return true;
  }
  while (count_ < n)
    if (!TakeByte()) return false;
  return true;
}

// Gives whole unused bytes of the current block back, so that the counts
// end at the last byte the stream used.
void TInflater::ReturnUnusedInput() {
  SyncInput();
  uint32_t unused = count_ / 8 > phantom_ ? count_ / 8 - phantom_ : 0;
  uint32_t inBlock = static_cast<uint32_t>(st_.inPos - st_.inbuf);
  if (unused > inBlock) unused = inBlock;
  st_.inPos -= unused;
  st_.inLeft += unused;
  st_.csizeLeft += unused;
}

// ---- output ------------------------------------------------------------

// Writes every whole output block before upTo.
bool TInflater::WriteBlocks(const uint8_t* upTo) {
  while (static_cast<uint32_t>(upTo - pending_) >= kIoBlockSize) {
    if (!st_.host->WriteDecoded(pending_, kIoBlockSize)) st_.stopped = true;
    if (st_.stopped) return false;
    pending_ += kIoBlockSize;
  }
  return true;
}

// Called once out_ has reached flushAt_; the fast loop may have gone past it.
// Only the blocks up to the window's end are written, as if it had stopped
// there.
TResult TInflater::WindowFilled() {
  if (!WriteBlocks(flushAt_)) return TResult::Stopped;
  if (flushAt_ == areaEnd_) {
    // The bytes still pending (less than a block) lie in the last window,
    // which moves down with them, and so does the overshoot.
    static_assert(kIoBlockSize <= kWindowSize, "pending bytes must move with the history");
    std::memcpy(w_.buffer, areaEnd_ - kWindowSize, kWindowSize + (out_ - areaEnd_));
    const ptrdiff_t shift = areaEnd_ - areaStart_;
    out_ -= shift;
    pending_ -= shift;
    flushAt_ = areaStart_;
    history_ = w_.buffer;
  }
  flushAt_ += kWindowSize;
  return TResult::Ok;
}

void TInflater::FlushRest() {
  if (!WriteBlocks(out_) || out_ == pending_) return;
  if (!st_.host->WriteDecoded(pending_, static_cast<uint32_t>(out_ - pending_))) st_.stopped = true;
}

// ---- blocks ------------------------------------------------------------

TResult TInflater::Run() {
  for (;;) {
    if (!Ensure(3)) return Bad(kInputEnded);
    const bool last = Take(1) != 0;
    TResult r = TResult::Bad;
    switch (Take(2)) {
      case 0:
        r = StoredBlock();
        break;
      case 1:
        r = FixedTables() ? HuffmanBlock() : TResult::Bad;
        break;
      case 2:
        r = DynamicTables() ? HuffmanBlock() : TResult::Bad;
        break;
      default:
        r = Bad(kBlockType3);  // reserved
        break;
    }
    if (r != TResult::Ok) return r;
    if (PhantomUsed()) return Bad(kInputEnded);
    if (last) return TResult::Ok;
  }
}

TResult TInflater::StoredBlock() {
  Drop(count_ % 8);
  if (!Ensure(32)) return Bad(kInputEnded);
  uint32_t len = Take(16), nlen = Take(16);
  if (PhantomUsed()) return Bad(kInputEnded);
  if (len != (~nlen & 0xFFFFu)) return Bad(kStoredLength);
  // Whole bytes still in the bit buffer come first, then the input block.
  while (len > 0 && count_ >= 8) {
    if (PhantomUsed() || count_ == 8 * phantom_) return Bad(kInputEnded);
    *out_++ = static_cast<uint8_t>(Take(8));
    --len;
    if (out_ == flushAt_ && WindowFilled() != TResult::Ok) return TResult::Stopped;
  }
  while (len > 0) {
    if (in_ == inEnd_ && !NextInputBlock()) return Bad(kInputEnded);
    uint32_t n = len;
    const uint32_t inBlock = static_cast<uint32_t>(inEnd_ - in_);
    const uint32_t room = static_cast<uint32_t>(flushAt_ - out_);
    if (n > inBlock) n = inBlock;
    if (n > room) n = room;
    std::memcpy(out_, in_, n);
    out_ += n;
    in_ += n;
    len -= n;
    if (out_ == flushAt_ && WindowFilled() != TResult::Ok) return TResult::Stopped;
  }
  return TResult::Ok;
}

bool TInflater::FixedTables() {
  if (fixedTablesBuilt_) return true;
  uint8_t lit[kNumLitSyms], dist[kNumDistSyms];
  FixedLitLenLengths(lit);
  FixedDistLengths(dist);
  fixedTablesBuilt_ = BuildDecodeTable(TCodeKind::LitLen, lit, kNumLitSyms, w_.litTable) &&
                      BuildDecodeTable(TCodeKind::Distance, dist, kNumDistSyms, w_.distTable);
  return fixedTablesBuilt_ || Refuse(kBadLitLenCode);
}

bool TInflater::DynamicTables() {
  fixedTablesBuilt_ = false;
  if (!Ensure(14)) return Refuse(kInputEnded);
  const unsigned nlit = Take(5) + 257, ndist = Take(5) + 1, nprecode = Take(4) + 4;
  if (nlit > 286 || ndist > 30) return Refuse(kTooManyCodes);
  uint8_t precodeLens[kNumPrecodeSyms] = {};
  for (unsigned i = 0; i < nprecode; ++i) {
    if (!Ensure(3)) return Refuse(kInputEnded);
    precodeLens[kPrecodeOrder[i]] = static_cast<uint8_t>(Take(3));
  }
  if (!BuildDecodeTable(TCodeKind::Precode, precodeLens, kNumPrecodeSyms, w_.precodeTable))
    return Refuse(kBadPrecode);

  uint8_t* lens = w_.lens;
  const unsigned total = nlit + ndist;
  for (unsigned i = 0; i < total;) {
    if (!Ensure(kMaxPrecodeBits + 7)) return Refuse(kInputEnded);
    const uint32_t e = w_.precodeTable[bits_ & Mask(kPrecodeTableBits)];
    Drop(EntryDropBits(e));
    const unsigned sym = EntryValue(e);
    if (sym < 16) {
      lens[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    uint8_t value = 0;
    unsigned repeat;
    if (sym == 16) {
      if (i == 0) return Refuse(kRepeatFirst);
      value = lens[i - 1];
      repeat = 3 + Take(2);
    } else if (sym == 17) {
      repeat = 3 + Take(3);
    } else {
      repeat = 11 + Take(7);
    }
    if (repeat > total - i) return Refuse(kRepeatPast);
    std::memset(lens + i, value, repeat);
    i += repeat;
  }
  if (PhantomUsed()) return Refuse(kInputEnded);
  if (lens[256] == 0) return Refuse(kNoEndOfBlock);
  if (!BuildDecodeTable(TCodeKind::LitLen, lens, nlit, w_.litTable)) return Refuse(kBadLitLenCode);
  return BuildDecodeTable(TCodeKind::Distance, lens + nlit, ndist, w_.distTable) ||
         Refuse(kBadDistanceCode);
}

TResult TInflater::HuffmanBlock() {
  for (;;) {
    TResult r = FastLoop();
    // A turn that ran out of data took bits from the zero padding after it:
    // what it produced is not the member's and never reaches the host (the
    // member is bad whatever the step decoded).
    if (PhantomUsed()) return Bad(kInputEnded);
    // What the fast loop produced up to the window's end is written before
    // anything else happens, also before a bad code found after it counts.
    if (out_ >= flushAt_) {
      const TResult flushed = WindowFilled();
      if (flushed != TResult::Ok) return flushed;
      if (r == TResult::Ok) continue;
    }
    if (r == TResult::Ok) r = SlowStep();
    if (r == TResult::EndOfBlock) return TResult::Ok;
    if (r != TResult::Ok) return r;
  }
}

// Resolves a sub-table link; the bits must hold the whole code.
inline uint32_t Resolve(const uint32_t* table, uint32_t e, uint64_t& bits, unsigned& count) {
  if ((e & (kEntryExceptional | kEntrySubtable)) == (kEntryExceptional | kEntrySubtable)) {
    const unsigned primary = EntryDropBits(e);
    bits >>= primary;
    count -= primary;
    e = table[EntryValue(e) + (bits & Mask(EntryCodeBits(e)))];
  }
  return e;
}

// The fast loop's bit count: only its low six bits are the count. Entries
// are subtracted whole, since their low byte is the number of bits to drop
// (bits 5 to 7 are clear), and shifts by an entry or a count use only its
// low six bits, as the processor's own shifts do; what gathers above them
// is never read.
constexpr unsigned kCountMask = 63;

constexpr std::array<uint64_t, 32> MakeLowMasks() {
  std::array<uint64_t, 32> masks{};
  for (unsigned n = 0; n < 32; ++n) masks[n] = (uint64_t{1} << n) - 1;
  return masks;
}
constexpr std::array<uint64_t, 32> kLowMasks = MakeLowMasks();

// TakeValue for the fast loop: the code bits of a length or distance entry
// (bits 8 to 13: 12 and 13 are clear in such an entry) are a shift count.
inline UZ_ALWAYS_INLINE uint32_t FastTakeValue(uint32_t e, uint64_t& bits, unsigned& count) {
  const uint32_t v =
      EntryValue(e) + static_cast<uint32_t>((bits & kLowMasks[e & 31u]) >> ((e >> 8) & kCountMask));
  bits >>= e & kCountMask;
  count -= e;
  return v;
}

// Base plus extra bits of a length or distance entry, and drops both.
inline uint32_t TakeValue(uint32_t e, uint64_t& bits, unsigned& count) {
  const unsigned drop = EntryDropBits(e);
  const uint32_t v = EntryValue(e) + static_cast<uint32_t>((bits & Mask(drop)) >> EntryCodeBits(e));
  bits >>= drop;
  count -= drop;
  return v;
}

// The loop is all shifts and masks by variable amounts, which processors
// with BMI2 do in one instruction each and without the shift count in CL:
// a copy compiled for them does the same work in about a tenth fewer
// instructions. Which copy runs is decided per member, by the processor
// and the cap of uzProcessorPaths.h.
TResult TInflater::FastLoop() {
#ifdef UZ_INFLATE_BMI2
  const TResult result = bmi2_ ? FastLoopBmi2() : FastLoopBody();
#else
  const TResult result = FastLoopBody();
#endif
  CountPaddingAsPhantom();
  return result;
}

#ifdef UZ_INFLATE_BMI2
__attribute__((target("bmi2"))) TResult TInflater::FastLoopBmi2() { return FastLoopBody(); }
#endif

inline UZ_ALWAYS_INLINE TResult TInflater::FastLoopBody() {
  const uint32_t* const lit = w_.litTable;
  const uint32_t* const dist = w_.distTable;
  const uint8_t* in = in_;
  uint8_t* out = out_;
  uint64_t bits = bits_;
  unsigned count = count_;
  TResult result = TResult::Ok;

  // Refills to 56..63 bits. Bits above count may then hold part of the next
  // byte; they are the same bits the next refill puts there.
  auto refill = [&] {
    bits |= Load64(in) << (count & kCountMask);
    in += 7 - ((count >> 3) & 7);
    count |= kRefilledBits;
  };
  // Drops the bits an entry names (see kCountMask).
  auto drop = [&](uint32_t e) {
    bits >>= e & kCountMask;
    count -= e;
  };
  auto literal = [&](uint32_t e) {
    drop(e);
    *out++ = static_cast<uint8_t>(e >> 16);
  };
  // Locals, so that stores through out need not reload them.
  const uint8_t* const inEnd = inEnd_;
  const uint8_t* const flushAt = flushAt_;
  const uint8_t* const history = history_;
  const ptrdiff_t inputMargin = fastInputMargin_;
  if (phantom_ != 0 || inEnd - in < inputMargin || out >= flushAt) return result;
  const uint8_t* const lastStart = inEnd - inputMargin;  // where a turn may still start
  auto enoughRoom = [&] { return in <= lastStart && out < flushAt; };

  // Each turn starts refilled, with the entry of the next code looked up:
  // the lookup for a turn overlaps the previous match copy.
  refill();
  uint32_t e = lit[bits & Mask(kLitTableBits)];
  while (enoughRoom()) {
    if (e & kEntryLiteral) {
      // Up to three literals fit in one refill (3 * 15 bits), and a lookup
      // after two of them still sees 26 valid bits.
      literal(e);
      e = lit[bits & Mask(kLitTableBits)];
      if (e & kEntryLiteral) {
        literal(e);
        e = lit[bits & Mask(kLitTableBits)];
        if (e & kEntryLiteral) {
          literal(e);
          refill();
          e = lit[bits & Mask(kLitTableBits)];
          continue;
        }
      }
      refill();
    }
    if (e & kEntryExceptional) {
      if (e & kEntrySubtable) {
        drop(e);
        e = lit[EntryValue(e) + (bits & Mask(EntryCodeBits(e)))];
        if (e & kEntryLiteral) {
          literal(e);
          refill();
          e = lit[bits & Mask(kLitTableBits)];
          continue;
        }
      }
      if (e & kEntryExceptional) {
        if (e & kEntryEndOfBlock) {
          drop(e);
          result = TResult::EndOfBlock;
        } else {
          result = Bad(kBadLitLen);
        }
        break;
      }
    }
    const uint32_t length = FastTakeValue(e, bits, count);
    uint32_t d = dist[bits & Mask(kDistTableBits)];
    if (d & kEntryExceptional) {
      if (d & kEntrySubtable) {
        drop(d);
        d = dist[EntryValue(d) + (bits & Mask(EntryCodeBits(d)))];
      }
      if (d & kEntryExceptional) {
        result = Bad(kBadDistance);
        break;
      }
    }
    const uint32_t distance = FastTakeValue(d, bits, count);
    if (distance > static_cast<uint32_t>(out - history)) {
      result = Bad(kTooFarBack);
      break;
    }
    refill();
    e = lit[bits & Mask(kLitTableBits)];

    // Copy forward; every word read lies before the word written, so the
    // repeats of an overlapping match come out right. Most matches are
    // short: two words cover them without a loop.
    const uint8_t* src = out - distance;
    uint8_t* const end = out + length;
    if (distance >= kCopyChunk) {
      Copy8(out, src);
      Copy8(out + 8, src + 8);
      if (length > 2 * kCopyChunk) {
        out += 2 * kCopyChunk;
        src += 2 * kCopyChunk;
        do {
          Copy8(out, src);
          out += kCopyChunk;
          src += kCopyChunk;
        } while (out < end);
      }
    } else if (distance == 1) {
      const uint64_t pattern = uint64_t{*src} * 0x0101010101010101u;
      do {
        std::memcpy(out, &pattern, 8);
        out += 8;
      } while (out < end);
    } else {
      do *out++ = *src++;
      while (out < end);
    }
    out = end;
  }
  in_ = in;
  out_ = out;
  count &= kCountMask;
  bits_ = bits & Mask(count);
  count_ = count;
  return result;
}

TResult TInflater::SlowCopy(uint32_t length, uint32_t distance) {
  while (length > 0) {
    uint32_t n = static_cast<uint32_t>(flushAt_ - out_);
    if (n > length) n = length;
    const uint8_t* src = out_ - distance;
    for (uint32_t i = 0; i < n; ++i) out_[i] = src[i];
    out_ += n;
    length -= n;
    // After the move the history holds the whole previous window, and a
    // distance is at most its size, so the source stays inside the buffer.
    static_assert(kMaxDistance <= kWindowSize, "matches must stay in the history");
    if (out_ == flushAt_ && WindowFilled() != TResult::Ok) return TResult::Stopped;
  }
  return TResult::Ok;
}

TResult TInflater::SlowStep() {
  if (!Ensure(kMaxSymbolBits)) return Bad(kInputEnded);
  const uint32_t e = Resolve(w_.litTable, w_.litTable[bits_ & Mask(kLitTableBits)], bits_, count_);
  // A step that needed the zero bytes fed in after the data is bad, and
  // ends the member before anything it decoded is written.
  if (e & kEntryLiteral) {
    Drop(EntryDropBits(e));
    if (PhantomUsed()) return Bad(kInputEnded);
    *out_++ = static_cast<uint8_t>(e >> 16);
    return out_ == flushAt_ ? WindowFilled() : TResult::Ok;
  }
  if (e & kEntryExceptional) {
    Drop(EntryDropBits(e));
    if (PhantomUsed()) return Bad(kInputEnded);
    return (e & kEntryEndOfBlock) ? TResult::EndOfBlock : Bad(kBadLitLen);
  }
  const uint32_t length = TakeValue(e, bits_, count_);
  const uint32_t d =
      Resolve(w_.distTable, w_.distTable[bits_ & Mask(kDistTableBits)], bits_, count_);
  if (d & kEntryExceptional) return Bad(kBadDistance);
  const uint32_t distance = TakeValue(d, bits_, count_);
  if (PhantomUsed()) return Bad(kInputEnded);
  if (distance > static_cast<uint32_t>(out_ - history_)) return Bad(kTooFarBack);
  return SlowCopy(length, distance);
}

}  // namespace

TDecodeResult Inflate(TDecodeState& state) {
  // The window and tables are too big for the stack of a GUI thread. When
  // they cannot be had the user is told, and the member, left undecoded,
  // fails: even an empty one, whose CRC would match the nothing written.
  std::unique_ptr<TInflateWork> work(new (std::nothrow) TInflateWork);
  if (!work) {
    state.host->ShowError("*** inflate out of memory ***");
    return TDecodeResult::CannotRun;
  }
  TInflater inflater(state, *work);
  const TResult result = inflater.Run();
  if (result == TResult::Ok) inflater.FlushRest();
  inflater.ReturnUnusedInput();
  // Stopped: the host refused output, which it reports itself.
  if (result != TResult::Bad) return TDecodeResult::Done;
  state.badDataReason = inflater.Reason();
  return TDecodeResult::BadData;
}

}  // namespace uz
