// Reduced data: byte 0 picks the factor (1..4), bytes 1..3 the expected size;
// the rest is the member's data. The decoder must stop at the expected size,
// and say the data was bad when it could not reach it.
#include "DecodeFuzzHost.h"
#include "decoders/uzDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  int factor = data[0] % 4 + 1;
  int64_t expected = fuzzhost::Header(data + 1, 3);
  fuzzhost::RunDecoder([factor](uz::TDecodeState& s) { return uz::Unreduce(s, factor); }, data + 4,
                       size - 4, expected, 0, 0, expected, expected, true);
  return 0;
}
