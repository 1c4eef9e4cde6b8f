#include "BenchDecoders.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "decoders/uzCrc32.h"
#include "decoders/uzDecoders.h"

namespace bench {

namespace {

class TCrcHost : public uz::TDecodeHost {
 public:
  explicit TCrcHost(const std::vector<uint8_t>& in) : in_(in) {}
  uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool) override {
    size_t take = n < in_.size() - pos_ ? n : in_.size() - pos_;
    std::memcpy(dst, in_.data() + pos_, take);
    pos_ += take;
    return static_cast<uint32_t>(take);
  }
  bool WriteDecoded(const uint8_t* data, uint32_t n) override {
    crc = uz::UpdateCrc32(crc, data, n);
    written += n;
    return true;
  }
  int64_t CompressedBytesUnrequested() const override {
    return static_cast<int64_t>(in_.size() - pos_);
  }
  uint32_t crc = 0xFFFFFFFFu;
  uint64_t written = 0;

 private:
  const std::vector<uint8_t>& in_;
  size_t pos_ = 0;
};

}  // namespace

uint32_t DecodeWithComponent(const std::vector<uint8_t>& stream, size_t size) {
  TCrcHost host(stream);
  auto state = std::make_unique<uz::TDecodeState>();
  state->host = &host;
  state->Reset(static_cast<int64_t>(stream.size()), static_cast<int64_t>(size), 0);
  if (uz::Inflate(*state) != uz::TDecodeResult::Done)
    throw std::runtime_error("component: bad data");
  if (host.written != size) throw std::runtime_error("component: wrong size");
  return ~host.crc;
}

uint32_t DecodeWithLibdeflateNoCrc(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out) {
  struct Free {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  std::unique_ptr<libdeflate_decompressor, Free> d(libdeflate_alloc_decompressor());
  size_t actual = 0;
  if (libdeflate_deflate_decompress(d.get(), stream.data(), stream.size(), out.data(), out.size(),
                                    &actual) != LIBDEFLATE_SUCCESS ||
      actual != out.size())
    throw std::runtime_error("libdeflate failed");
  return 0;
}

uint32_t DecodeWithLibdeflate(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out,
                              bool componentCrc) {
  DecodeWithLibdeflateNoCrc(stream, out);
  if (componentCrc) return ~uz::UpdateCrc32(0xFFFFFFFFu, out.data(), out.size());
  return libdeflate_crc32(0, out.data(), out.size());
}

uint32_t DecodeWithZlib(const std::vector<uint8_t>& stream) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) throw std::runtime_error("inflateInit2");
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  static thread_local uint8_t buf[65536];
  uLong crc = crc32(0, nullptr, 0);
  int rc;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    crc = crc32(crc, buf, static_cast<uInt>(sizeof buf - z.avail_out));
  } while (rc == Z_OK);
  inflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("zlib failed");
  return static_cast<uint32_t>(crc);
}

}  // namespace bench
