#pragma once
// Bit gathering of the shrunk and reduced decoders over the state's shared bit
// buffer: fields are taken least significant bit first, and a refill tops the
// buffer up with whole bytes while it holds fewer than 25 bits.
#include <cstdint>

#include "uzDecodeState.h"

namespace uz {

// Takes an n-bit field (1 <= n <= 24) into value. Returns false when the
// compressed data ended before n bits could be gathered: both formats end
// their data on a whole byte that holds every bit of the last field, so a
// short field is either the padding after the last code (shrunk) or data cut
// short (reduced), and in both cases decoding must end there. endOfData
// follows the same rule, so callers may test either.
inline bool TakeBits(TDecodeState& s, uint32_t n, uint32_t& value) {
  if (s.bitcount < n) {
    s.endOfData = true;
    uint8_t b;
    // bitcount <= 24 before each shift, so the byte always fits in 32 bits.
    while (s.bitcount < 25 && s.NextByte(b)) {
      s.bitbuf |= static_cast<uint32_t>(b) << s.bitcount;
      s.bitcount += 8;
      s.endOfData = false;
    }
    if (s.bitcount < n) {
      s.endOfData = true;
      s.bitbuf = 0;
      s.bitcount = 0;
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
