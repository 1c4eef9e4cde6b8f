// Shrunk members (method 1): LZW with codes of 9 to 13 bits that widen and
// partially clear only on the compressor's explicit command (code 256).
//
// Malformed data (a code wider than 13 bits, an unknown control sub-code, a
// free code other than the next one to be assigned, a prefix chain that loops
// or runs into a free code) ends decoding at once: the bytes already written
// stay, the rest of the member is missing and its CRC check fails.
#include <new>

#include "uzDecoders.h"
#include "uzLegacyBits.h"

namespace uz {
namespace {

constexpr uint32_t kControlCode = 256;
constexpr uint32_t kFirstEntry = 257;
constexpr uint32_t kTableSize = 8192;  // codes 0..8191: 13 bits at most
constexpr uint32_t kMinCodeBits = 9;
constexpr uint32_t kMaxCodeBits = 13;
constexpr uint16_t kFree = 0xFFFF;
constexpr uint32_t kNoCode = 0xFFFFFFFF;

// The work area's layout for this method. Every string is at most one byte
// per table entry on its chain plus the final literal (7936 bytes), so the
// stack cannot overflow on a well-formed table; a longer walk is a loop.
struct TShrinkTables {
  uint16_t prefix[kTableSize + 1];  // kFree marks a free entry
  uint8_t suffix[kTableSize + 1];
  uint8_t stack[kTableSize];  // decode stack; scratch marks during a partial clear
};
static_assert(sizeof(TShrinkTables) <= kWorkAreaSize, "shrink tables must fit the work area");
static_assert(kTableSize - kFirstEntry + 1 <= sizeof(TShrinkTables::stack),
              "the longest string must fit the decode stack");

class TUnshrinker {
 public:
  explicit TUnshrinker(TDecodeState& state) : s_(state), t_(*new (state.work) TShrinkTables) {
    for (uint32_t c = 0; c < 256; ++c) {
      t_.prefix[c] = 0;
      t_.suffix[c] = static_cast<uint8_t>(c);
    }
    for (uint32_t c = 256; c <= kTableSize; ++c) t_.prefix[c] = kFree;
  }

  void Run() {
    uint32_t code;
    while (!s_.stopped && TakeBits(s_, codeBits_, code)) {
      bool ok = code == kControlCode ? Control() : Data(code);
      if (!ok) break;
    }
    s_.WriteOutput();
  }

 private:
  bool Defined(uint32_t code) const { return code < 256 || t_.prefix[code] != kFree; }

  // Handles the sub-code after 256. False ends decoding (end of data or malformed).
  bool Control() {
    uint32_t sub;
    if (!TakeBits(s_, codeBits_, sub)) return false;
    if (sub == 1) {
      if (codeBits_ == kMaxCodeBits) return false;
      ++codeBits_;
      return true;
    }
    if (sub == 2) {
      PartialClear();
      return true;
    }
    return false;
  }

  bool Data(uint32_t code) {
    uint32_t first;
    uint32_t top;  // stack index of the string's first byte
    if (Defined(code)) {
      if (!Unwind(code, kTableSize, top)) return false;
    } else if (code == freeNext_ && prev_ != kNoCode) {
      // Not yet defined: the previous string followed by its own first byte.
      t_.stack[kTableSize - 1] = 0;  // patched below once the first byte is known
      if (!Unwind(prev_, kTableSize - 1, top)) return false;
      t_.stack[kTableSize - 1] = t_.stack[top];
    } else {
      return false;
    }
    first = t_.stack[top];
    if (prev_ != kNoCode && freeNext_ < kTableSize) Define(first);
    s_.FlushWindow(t_.stack + top, kTableSize - top);
    prev_ = code;
    return true;
  }

  // Pushes the string of a defined code onto the stack below index end.
  // False when the chain loops or reaches a free entry (only possible in
  // malformed data).
  bool Unwind(uint32_t code, uint32_t end, uint32_t& top) {
    uint32_t sp = end;
    while (code >= kFirstEntry) {
      if (t_.prefix[code] == kFree || sp == 0) return false;
      t_.stack[--sp] = t_.suffix[code];
      code = t_.prefix[code];  // < kTableSize: only codes read at <= 13 bits are stored
    }
    if (code == kControlCode || sp == 0) return false;
    t_.stack[--sp] = static_cast<uint8_t>(code);
    top = sp;
    return true;
  }

  void Define(uint32_t first) {
    t_.prefix[freeNext_] = static_cast<uint16_t>(prev_);
    t_.suffix[freeNext_] = static_cast<uint8_t>(first);
    NextFreeFrom(freeNext_ + 1);
  }

  void NextFreeFrom(uint32_t code) {
    while (code < kTableSize && t_.prefix[code] != kFree) ++code;
    freeNext_ = code;
  }

  // Frees every defined entry that no defined entry uses as its prefix. Both
  // passes cover the whole table: after an earlier clear, defined entries can
  // lie above the next free code, and their prefixes must survive too.
  void PartialClear() {
    uint8_t* isPrefix = t_.stack;
    for (uint32_t c = 0; c < kTableSize; ++c) isPrefix[c] = 0;
    for (uint32_t c = kFirstEntry; c < kTableSize; ++c)
      if (t_.prefix[c] != kFree) isPrefix[t_.prefix[c]] = 1;
    for (uint32_t c = kFirstEntry; c < kTableSize; ++c)
      if (!isPrefix[c]) t_.prefix[c] = kFree;
    NextFreeFrom(kFirstEntry);
  }

  TDecodeState& s_;
  TShrinkTables& t_;
  uint32_t codeBits_ = kMinCodeBits;
  uint32_t freeNext_ = kFirstEntry;
  uint32_t prev_ = kNoCode;
};

}  // namespace

void Unshrink(TDecodeState& state) { TUnshrinker(state).Run(); }

}  // namespace uz
