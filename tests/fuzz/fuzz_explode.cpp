// Imploded data: byte 0 gives the general-purpose flags (bit 1: 8K dictionary,
// bit 2: literal tree) and, in bit 7, a compressed size above 200000 (the
// wider distance table); bytes 1..3 the expected size; the rest is the data.
#include "DecodeFuzzHost.h"
#include "decoders/uzDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint16_t flags = data[0] & 6;
  uint32_t reported = (data[0] & 0x80) ? 200001 : static_cast<uint32_t>(size - 4);
  int64_t expected = fuzzhost::Header(data + 1, 3);
  fuzzhost::RunDecoder(uz::Explode, data + 4, size - 4, expected, flags, reported, expected,
                       expected, true);
  return 0;
}
