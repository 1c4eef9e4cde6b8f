#pragma once
// The output window of the reduce and implode decoders. Decoded bytes go into
// a power-of-two window that is moved to the output each time it fills; a
// copy reaches back by a distance and is cut at the member's expected size.
// Until the window is first flushed, copies reaching before the start of the
// member read the zeros it starts with.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decoders/uzDecodeState.h"

namespace uz {

template <uint32_t Size>
class TSlidingWindow {
  static_assert((Size & (Size - 1)) == 0, "positions wrap by masking with Size - 1");

 public:
  TSlidingWindow(TDecodeState& state, uint8_t* window) : s_(state), window_(window) {
    std::memset(window_, 0, Size);
  }

  int64_t Produced() const { return produced_; }

  void Put(uint8_t b) {
    window_[pos_++] = b;
    ++produced_;
    if (pos_ == Size) FlushFull();
  }

  // Copies length bytes from distance (< Size) bytes back. Pieces end at the
  // window's end on either side; a piece whose source lies entirely behind its
  // destination moves as a block, an overlapping one byte by byte.
  void Copy(uint32_t distance, uint32_t length) {
    int64_t left = s_.expectedSize - produced_;
    uint32_t n = static_cast<int64_t>(length) < left ? length : static_cast<uint32_t>(left);
    produced_ += n;
    uint32_t src = (pos_ - distance) & (Size - 1);
    while (n > 0) {
      uint32_t piece = std::min(n, Size - std::max(src, pos_));
      if (pos_ - src >= piece) {  // unsigned: also true when src lies ahead (wrapped)
        std::memcpy(window_ + pos_, window_ + src, piece);
        pos_ += piece;
        src += piece;
      } else {
        for (uint32_t i = 0; i < piece; ++i) window_[pos_++] = window_[src++];
      }
      n -= piece;
      src &= Size - 1;
      if (pos_ == Size) FlushFull();
    }
  }

  // Moves what the window still holds to the output and writes it.
  void Finish() {
    s_.FlushWindow(window_, pos_);
    s_.WriteOutput();
  }

 private:
  void FlushFull() {
    s_.FlushWindow(window_, Size);
    pos_ = 0;
  }

  TDecodeState& s_;
  uint8_t* window_;
  uint32_t pos_ = 0;
  int64_t produced_ = 0;
};

}  // namespace uz
