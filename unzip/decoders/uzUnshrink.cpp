// Shrunk members (method 1): LZW with codes of 9 to 13 bits that widen and
// partially clear only on the compressor's explicit command (code 256).
//
// Malformed data (a code wider than 13 bits, an unknown control sub-code or
// none at all, a free code other than the next one to be assigned, a prefix
// chain that loops or runs into a free code) ends decoding at once and is
// reported as bad data: the bytes already written stay, the rest is missing.
// The data's end needs no mark: bits too few for a code are its padding.
#include <cstring>
#include <new>

#include "decoders/uzDecoders.h"
#include "decoders/uzLegacyBits.h"

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
  uint8_t stack[kTableSize];  // decode stack
};
static_assert(sizeof(TShrinkTables) <= kWorkAreaSize, "shrink tables must fit the work area");
static_assert(kTableSize - kFirstEntry + 1 <= sizeof(TShrinkTables::stack),
              "the longest string must fit the decode stack");

// A set of codes 0..8191 as a bitmap, for finding the lowest free code and
// walking the leaves in a few word steps.
class TCodeSet {
 public:
  void Set(uint32_t c) { w_[c >> 6] |= uint64_t{1} << (c & 63); }
  void Clear(uint32_t c) { w_[c >> 6] &= ~(uint64_t{1} << (c & 63)); }
  bool Test(uint32_t c) const { return (w_[c >> 6] >> (c & 63)) & 1u; }

  // The lowest code >= from that is not in the set, or kTableSize.
  uint32_t FirstClearFrom(uint32_t from) const {
    for (uint32_t i = from >> 6; i < kWords; ++i) {
      uint64_t open = ~w_[i];
      if (i == from >> 6) open &= ~uint64_t{0} << (from & 63);
      if (open != 0) return i * 64 + LowestBit(open);
    }
    return kTableSize;
  }

  template <typename F>
  void ForEach(F f) const {
    for (uint32_t i = 0; i < kWords; ++i)
      for (uint64_t bits = w_[i]; bits != 0; bits &= bits - 1) f(i * 64 + LowestBit(bits));
  }

 private:
  static constexpr uint32_t kWords = kTableSize / 64;
  static uint32_t LowestBit(uint64_t v) { return static_cast<uint32_t>(__builtin_ctzll(v)); }
  uint64_t w_[kWords] = {};
};

class TUnshrinker {
 public:
  explicit TUnshrinker(TDecodeState& state) : s_(state), t_(*new (state.work) TShrinkTables) {
    for (uint32_t c = 0; c < 256; ++c) {
      t_.prefix[c] = 0;
      t_.suffix[c] = static_cast<uint8_t>(c);
    }
    for (uint32_t c = 256; c <= kTableSize; ++c) t_.prefix[c] = kFree;
    for (uint32_t c = 0; c < kFirstEntry; ++c) defined_.Set(c);
  }

  TDecodeResult Run() {
    TDecodeResult result = TDecodeResult::Done;
    uint32_t code;
    while (!s_.stopped && TakeBits(s_, codeBits_, code)) {
      bool ok = code == kControlCode ? Control() : Data(code);
      if (!ok) {
        result = TDecodeResult::BadData;
        break;
      }
    }
    s_.WriteOutput();
    return result;
  }

 private:
  bool Defined(uint32_t code) const { return code < 256 || t_.prefix[code] != kFree; }

  // Handles the sub-code after 256. False when it is malformed or missing.
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
    Output(t_.stack + top, kTableSize - top);
    prev_ = code;
    return true;
  }

  // Most strings are a few bytes long and fit the output block: they are
  // copied without the block-splitting loop of FlushWindow.
  void Output(const uint8_t* string, uint32_t n) {
    uint32_t count = s_.outCount;
    if (count + n >= kIoBlockSize) {
      s_.FlushWindow(string, n);
      return;
    }
    uint8_t* out = s_.outbuf + count;
    if (n <= 8) {
      for (uint32_t i = 0; i < n; ++i) out[i] = string[i];
    } else {
      std::memcpy(out, string, n);
    }
    s_.outCount = count + n;
  }

  // Pushes the string of a defined code onto the stack below index end.
  // False when the chain loops or reaches a free entry (only possible in
  // malformed data).
  bool Unwind(uint32_t code, uint32_t end, uint32_t& top) {
    // Locals: the byte stores below could otherwise alias every member.
    const uint16_t* prefix = t_.prefix;
    const uint8_t* suffix = t_.suffix;
    uint8_t* stack = t_.stack;
    uint32_t sp = end;
    while (code >= kFirstEntry) {
      const uint32_t parent = prefix[code];  // < kTableSize unless free: codes have <= 13 bits
      if (parent == kFree || sp == 0) return false;
      stack[--sp] = suffix[code];
      code = parent;
    }
    if (code == kControlCode || sp == 0) return false;
    stack[--sp] = static_cast<uint8_t>(code);
    top = sp;
    return true;
  }

  void Define(uint32_t first) {
    const uint32_t code = freeNext_;
    // The prefix may be a code the last clear freed (even this very code);
    // it still counts as a parent, whatever string that number holds later.
    if (prev_ >= kFirstEntry && childCount_[prev_]++ == 0) leaves_.Clear(prev_);
    t_.prefix[code] = static_cast<uint16_t>(prev_);
    t_.suffix[code] = static_cast<uint8_t>(first);
    defined_.Set(code);
    if (childCount_[code] == 0) leaves_.Set(code);
    // Until the first partial clear the next entry is always the free one.
    const uint32_t next = code + 1;
    freeNext_ = next < kTableSize && !defined_.Test(next) ? next : defined_.FirstClearFrom(next);
  }

  // Frees every defined entry that no defined entry uses as its prefix,
  // wherever it lies: after an earlier clear, defined entries can sit above
  // the next free code, and their prefixes must survive too. The leaves are
  // kept up to date as entries come and go, so a clear costs the entries it
  // frees rather than a scan of the table: a stream of clears cannot stall.
  // Entries whose last child goes in this pass stay until the next one.
  void PartialClear() {
    TCodeSet freeing = leaves_;
    freeing.ForEach([this](uint32_t code) {
      uint32_t parent = t_.prefix[code];
      t_.prefix[code] = kFree;
      defined_.Clear(code);
      leaves_.Clear(code);
      if (parent >= kFirstEntry && --childCount_[parent] == 0 && defined_.Test(parent))
        leaves_.Set(parent);
    });
    freeNext_ = defined_.FirstClearFrom(kFirstEntry);
  }

  TDecodeState& s_;
  TShrinkTables& t_;
  uint32_t codeBits_ = kMinCodeBits;
  uint32_t freeNext_ = kFirstEntry;
  uint32_t prev_ = kNoCode;
  TCodeSet defined_;                      // literals, 256 and the defined entries
  TCodeSet leaves_;                       // defined entries that are nobody's prefix
  uint16_t childCount_[kTableSize] = {};  // defined entries naming each code as prefix
};

}  // namespace

TDecodeResult Unshrink(TDecodeState& state) { return TUnshrinker(state).Run(); }

}  // namespace uz
