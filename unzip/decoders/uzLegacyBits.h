#pragma once
// Bit gathering of the shrunk and reduced decoders over the state's shared bit
// buffer: fields are taken least significant bit first, and a refill tops the
// buffer up with whole bytes while it holds fewer than 25 bits.
#include <cstdint>

#include "decoders/uzDecodeState.h"

namespace uz {

// Tops the bit buffer up byte by byte through NextByte, crossing blocks and
// noticing the end of the data; false when fewer than n bits could be had
// (the buffer is then emptied). Out of line: the common case never needs it.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
inline bool
TopUpBits(TDecodeState& s, uint32_t n) {
  s.endOfData = true;
  uint8_t b;
  // bitcount <= 24 before each shift, so the byte always fits in 32 bits.
  while (s.bitcount < 25 && s.NextByte(b)) {
    s.bitbuf |= static_cast<uint32_t>(b) << s.bitcount;
    s.bitcount += 8;
    s.endOfData = false;
  }
  if (s.bitcount >= n) return true;
  s.endOfData = true;
  s.bitbuf = 0;
  s.bitcount = 0;
  return false;
}

// Takes an n-bit field (1 <= n <= 24) into value. Returns false when the
// compressed data ended before n bits could be gathered: both formats end
// their data on a whole byte that holds every bit of the last field, so a
// short field is either the padding after the last code (shrunk) or data cut
// short (reduced), and in both cases decoding must end there. endOfData
// follows the same rule, so callers may test either.
inline bool TakeBits(TDecodeState& s, uint32_t n, uint32_t& value) {
  if (s.bitcount < n) {
    if (s.inLeft >= 4 && s.csizeLeft >= 4) {
      // The bytes are at hand: the same top-up as TopUpBits in one step.
      // Whole bytes are added while fewer than 25 bits are held, which is
      // (32 - bitcount) / 8 of them (1 to 4; bitcount < n <= 24 here), and
      // they end at most at bit 32.
      const uint32_t bytes = (32 - s.bitcount) >> 3;
      const uint8_t* p = s.inPos;
      uint32_t word =
          uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
      if (bytes < 4) word &= (1u << (8 * bytes)) - 1u;
      s.bitbuf |= word << s.bitcount;
      s.bitcount += 8 * bytes;
      s.inPos = p + bytes;
      s.inLeft -= bytes;
      s.csizeLeft -= bytes;
      s.endOfData = false;
    } else if (!TopUpBits(s, n)) {
      value = 0;
      return false;
    }
  }
  value = s.bitbuf & ((1u << n) - 1u);
  s.bitbuf >>= n;
  s.bitcount -= n;
  return true;
}

}  // namespace uz
