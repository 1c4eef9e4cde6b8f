// Stored members: the compressed bytes are the content. They are read
// straight into the output buffer, one block per read, and written as they
// are; the host decrypts them and crosses into the next part of the archive
// like for every other method, but processes no messages on the way. Any
// bytes are valid stored data: whether they were all there is the size
// check's to say.
#include "decoders/uzDecoders.h"

namespace uz {

TDecodeResult UnStore(TDecodeState& state) {
  while (!state.stopped) {
    int64_t left = state.host->CompressedBytesUnrequested();
    if (left <= 0) break;
    uint32_t want = left < kIoBlockSize ? static_cast<uint32_t>(left) : kIoBlockSize;
    uint32_t got = state.host->ReadCompressed(state.outbuf, want, /*processMessages=*/false);
    // A host that delivers nothing without throwing has no more to give;
    // only what actually arrived is written.
    if (got == 0) break;
    state.csizeLeft -= got;
    state.outCount = got;
    state.WriteOutput();
  }
  return TDecodeResult::Done;
}

}  // namespace uz
