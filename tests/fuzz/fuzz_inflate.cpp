// Feeds arbitrary bytes to the deflate decoder through a host that hands
// them out in small, varying blocks and may refuse output past a limit. The
// decoder must never touch memory outside its buffers and must terminate.
// Where zlib is available it is the control oracle: a stream zlib decodes
// to its end must decode to the same bytes here, and the other way round;
// the decoder calls a stream done exactly when zlib reaches its end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "decoders/uzDecoders.h"
#ifdef FUZZ_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

class TFuzzHost : public uz::TDecodeHost {
 public:
  TFuzzHost(const uint8_t* data, size_t size, uint32_t maxBlock, int64_t limit)
      : data_(data), size_(size), maxBlock_(maxBlock), limit_(limit) {}
  uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool) override {
    if (n > uz::kIoBlockSize) std::abort();
    size_t take = n < maxBlock_ ? n : maxBlock_;
    if (take > size_ - pos_) take = size_ - pos_;
    std::memcpy(dst, data_ + pos_, take);
    pos_ += take;
    return static_cast<uint32_t>(take);
  }
  bool WriteDecoded(const uint8_t* p, uint32_t n) override {
    if (n == 0 || n > uz::kIoBlockSize || refused_) std::abort();
    if (limit_ >= 0 && static_cast<int64_t>(output.size() + n) > limit_) {
      output.insert(output.end(), p, p + (limit_ - static_cast<int64_t>(output.size())));
      refused_ = true;
      return false;
    }
    output.insert(output.end(), p, p + n);
    return true;
  }
  int64_t CompressedBytesUnrequested() const override { return static_cast<int64_t>(size_ - pos_); }
  std::vector<uint8_t> output;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint32_t maxBlock_;
  int64_t limit_;
  bool refused_ = false;
};

#ifdef FUZZ_HAVE_ZLIB
// zlib's result when it reaches the end of the stream, else nothing.
bool ZlibInflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  uint8_t buf[65536];
  int rc;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
  } while (rc == Z_OK && out.size() < (64u << 20));
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes shape the host: the largest block it hands out and
  // an output limit (none for most inputs).
  const uint32_t maxBlock = data[0] < 128 ? uz::kIoBlockSize : 1u + (data[0] & 63u) * 7u;
  const int64_t limit = data[1] < 200 ? -1 : (data[1] - 200) * 997;
  data += 2;
  size -= 2;

  TFuzzHost host(data, size, maxBlock, limit);
  auto state = std::make_unique<uz::TDecodeState>();
  state->host = &host;
  state->Reset(static_cast<int64_t>(size), 0, 0);
  const uz::TDecodeResult result = uz::Inflate(*state);
  if (state->csizeLeft < 0 || state->csizeLeft > static_cast<int64_t>(size)) std::abort();

#ifdef FUZZ_HAVE_ZLIB
  if (limit < 0) {
    std::vector<uint8_t> expected;
    const bool zlibDone = ZlibInflate(data, size, expected);
    // The decoder writes its last bytes only after the last block, so a
    // complete run shows as output that is not a multiple of the block size
    // or that zlib also finished.
    if (zlibDone && host.output != expected) std::abort();
    if (!zlibDone && host.output.size() % uz::kIoBlockSize != 0) std::abort();
    if ((result == uz::TDecodeResult::Done) != zlibDone) std::abort();
  }
#endif
  return 0;
}
