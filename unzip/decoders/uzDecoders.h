#pragma once
// The member decoders. Each runs one member to its end (or until the host
// refuses output or the data turns out bad) over a state the driver has reset,
// and says which of those it was.
#include "decoders/uzDecodeResult.h"
#include "decoders/uzDecodeState.h"

namespace uz {

TDecodeResult UnStore(TDecodeState& state);
TDecodeResult Inflate(TDecodeState& state);
TDecodeResult Unshrink(TDecodeState& state);
TDecodeResult Unreduce(TDecodeState& state, int factor);
TDecodeResult Explode(TDecodeState& state);

}  // namespace uz
