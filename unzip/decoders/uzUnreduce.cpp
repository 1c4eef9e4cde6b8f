// Reduced members (methods 2 to 5): a byte stream coded with per-byte
// follower sets, read as literals and copy commands escaped by byte 144.
//
// The decoder stops at the expected size, or earlier when the compressed data
// runs out (a well-formed stream never needs bits past its last byte), so a
// member that claims a huge size over a few bytes of data ends at once. Data
// that runs out before that size, or indexes past a follower set, is bad.
#include <algorithm>
#include <cstring>
#include <new>

#include "decoders/uzDecoders.h"
#include "decoders/uzSlidingWindow.h"
#include "decoders/uzLegacyBits.h"

namespace uz {
namespace {

constexpr uint32_t kWindowSize = 16384;
constexpr uint32_t kMaxFollowers = 63;  // a 6-bit count; the format's writers use up to 32
constexpr uint8_t kEscape = 144;

struct TReduceArea {
  uint8_t window[kWindowSize];
  uint8_t followers[256][kMaxFollowers + 1];
};
static_assert(sizeof(TReduceArea) <= kWorkAreaSize,
              "reduce window and sets must fit the work area");

// Bits that index a follower set of n entries; a one-entry set still takes one bit.
constexpr uint8_t kIndexBits[kMaxFollowers + 1] = {
    0, 1, 1, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6};

// Per compression factor 1..4: the length field's mask and the shift that
// leaves the distance's high bits of the same byte.
constexpr uint8_t kLengthMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
constexpr uint8_t kDistanceShift[5] = {0, 7, 6, 5, 4};

class TUnreducer {
 public:
  TUnreducer(TDecodeState& state, int factor)
      : s_(state), a_(*new (state.work) TReduceArea), out_(state, a_.window), factor_(factor) {}

  TDecodeResult Run() {
    const bool decoded = factor_ >= 1 && factor_ <= 4 && LoadFollowerSets() && Decode();
    out_.Finish();
    return decoded ? TDecodeResult::Done : TDecodeResult::BadData;
  }

 private:
  bool LoadFollowerSets() {
    for (int set = 255; set >= 0; --set) {
      uint32_t n;
      if (!TakeBits(s_, 6, n)) return false;
      setSize_[set] = static_cast<uint8_t>(n);
      for (uint32_t i = 0; i < n; ++i) {
        uint32_t b;
        if (!TakeBits(s_, 8, b)) return false;
        a_.followers[set][i] = static_cast<uint8_t>(b);
      }
    }
    return true;
  }

  // The next byte of the follower-set layer; false at the end of the data or
  // on an index past the end of its set.
  bool NextCoded(uint8_t& out) {
    uint32_t n = setSize_[last_];
    uint32_t v;
    if (n == 0) {
      if (!TakeBits(s_, 8, v)) return false;
    } else {
      if (!TakeBits(s_, 1, v)) return false;
      if (v == 1) {
        if (!TakeBits(s_, 8, v)) return false;
      } else {
        if (!TakeBits(s_, kIndexBits[n], v) || v >= n) return false;
        v = a_.followers[last_][v];
      }
    }
    last_ = static_cast<uint8_t>(v);
    out = last_;
    return true;
  }

  // False when the data ended or broke the format before the expected size.
  bool Decode() {
    const uint32_t lengthMask = kLengthMask[factor_];
    const uint32_t shift = kDistanceShift[factor_];
    int state = 0;
    uint32_t v = 0;
    uint32_t length = 0;
    uint8_t c;
    while (out_.Produced() < s_.expectedSize && !s_.stopped && NextCoded(c)) {
      switch (state) {
        case 0:
          if (c != kEscape) {
            out_.Put(c);
          } else {
            state = 1;
          }
          break;
        case 1:
          if (c == 0) {
            out_.Put(kEscape);
            state = 0;
          } else {
            v = c;
            length = v & lengthMask;
            state = length == lengthMask ? 2 : 3;
          }
          break;
        case 2:
          length += c;
          state = 3;
          break;
        default:
          out_.Copy(((v >> shift) << 8) + c + 1, length + 3);
          state = 0;
          break;
      }
    }
    return out_.Produced() >= s_.expectedSize || s_.stopped;
  }

  TDecodeState& s_;
  TReduceArea& a_;
  TSlidingWindow<kWindowSize> out_;
  int factor_;
  uint8_t setSize_[256] = {};
  uint8_t last_ = 0;
};

}  // namespace

TDecodeResult Unreduce(TDecodeState& state, int factor) { return TUnreducer(state, factor).Run(); }

}  // namespace uz
