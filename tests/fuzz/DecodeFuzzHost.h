#pragma once
// A decoder host for fuzz targets: serves the compressed bytes in blocks,
// collects nothing but counts, refuses output past a limit as the driver does,
// and traps on any breach of the decoder contract.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "decoders/uzDecodeResult.h"
#include "decoders/uzDecodeState.h"

namespace fuzzhost {

class DecodeFuzzHost : public uz::TDecodeHost {
 public:
  DecodeFuzzHost(const uint8_t* data, size_t size, int64_t limit)
      : data_(data), size_(size), limit_(limit) {}

  uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool) override {
    if (n == 0 || n > uz::kIoBlockSize) std::abort();
    size_t take = n < size_ - pos_ ? n : size_ - pos_;
    std::memcpy(dst, data_ + pos_, take);
    pos_ += take;
    return static_cast<uint32_t>(take);
  }

  bool WriteDecoded(const uint8_t* data, uint32_t n) override {
    // A refused write ends the member: a decoder that writes again is broken.
    if (refused_ || n == 0 || n > uz::kIoBlockSize) std::abort();
    volatile uint8_t sink = data[0] ^ data[n - 1];  // the bytes must be readable
    (void)sink;
    written_ += n;
    if (written_ > limit_) refused_ = true;
    return !refused_;
  }

  int64_t CompressedBytesUnrequested() const override { return static_cast<int64_t>(size_ - pos_); }

  int64_t Written() const { return written_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  int64_t limit_;
  int64_t written_ = 0;
  bool refused_ = false;
};

// Little-endian value of n header bytes; the caller has checked the size.
inline uint32_t Header(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Runs decode over data with a fresh state; traps when it produced more than
// maxOutput bytes (counting the block a refusal cut short), or, for a decoder
// that ends at the expected size (endsAtSize), when it calls a member done
// that does not have that size.
template <typename Decoder>
void RunDecoder(Decoder decode, const uint8_t* data, size_t size, int64_t expected, uint16_t flags,
                uint32_t reportedCompressedSize, int64_t limit, int64_t maxOutput,
                bool endsAtSize) {
  DecodeFuzzHost host(data, size, limit);
  auto state = std::make_unique<uz::TDecodeState>();
  state->host = &host;
  state->Reset(static_cast<int64_t>(size), expected, flags);
  state->compressedSize = reportedCompressedSize;
  const uz::TDecodeResult result = decode(*state);
  if (host.Written() > maxOutput) std::abort();
  if (endsAtSize && result == uz::TDecodeResult::Done && host.Written() != expected) std::abort();
}

}  // namespace fuzzhost
