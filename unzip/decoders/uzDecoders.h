#pragma once
// The member decoders. Each runs one member to its end (or until the host
// refuses output or the data turns out bad) over a state the driver has reset.
#include "decoders/uzDecodeState.h"

namespace uz {

void UnStore(TDecodeState& state);
void Inflate(TDecodeState& state);
void Unshrink(TDecodeState& state);
void Unreduce(TDecodeState& state, int factor);
void Explode(TDecodeState& state);

}  // namespace uz
