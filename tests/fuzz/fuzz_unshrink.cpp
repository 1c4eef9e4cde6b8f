// Shrunk data: the first two bytes give the host's output limit in KiB (the
// decoder itself ignores the expected size); the rest is the member's data.
#include "DecodeFuzzHost.h"
#include "decoders/uzDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int64_t limit = static_cast<int64_t>(fuzzhost::Header(data, 2) % 1024) * 1024;
  fuzzhost::RunDecoder(uz::Unshrink, data + 2, size - 2, limit, 0, 0, limit,
                       limit + uz::kIoBlockSize, false);
  return 0;
}
