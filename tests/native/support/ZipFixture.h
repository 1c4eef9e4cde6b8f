#pragma once
// Test-side helpers: a deliberately simple reader of well-formed archives
// (central directory only) that hands out raw member data, and a decoder host
// over memory. They let decoder tests run on real archives independently of
// the component's own catalogue code.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoders/uzDecodeResult.h"
#include "decoders/uzDecodeState.h"

namespace testzip {

std::vector<uint8_t> ReadFile(const std::string& path);
uint32_t Crc32(const uint8_t* p, size_t n);
std::string Sha256Hex(const std::vector<uint8_t>& data);

struct Member {
  std::string name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t csize = 0;
  uint32_t usize = 0;
  uint32_t localOffset = 0;
  std::vector<uint8_t> data;  // compressed bytes, as stored (still encrypted if bit 0)
};

// Members of a single-part archive, from its central directory.
std::vector<Member> ReadMembers(const std::vector<uint8_t>& archive);
const Member& FindMember(const std::vector<Member>& members, const std::string& name);

// Serves a member's compressed bytes in blocks and collects the output.
class MemoryHost : public uz::TDecodeHost {
 public:
  explicit MemoryHost(std::vector<uint8_t> compressed, int64_t outputLimit = -1)
      : in_(std::move(compressed)), limit_(outputLimit) {}
  uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool processMessages) override;
  bool WriteDecoded(const uint8_t* data, uint32_t n) override;
  int64_t CompressedBytesUnrequested() const override {
    return static_cast<int64_t>(in_.size() - pos_);
  }

  std::vector<uint8_t> output;
  uz::TDecodeResult result = uz::TDecodeResult::Done;  // what the decoder returned
  std::string reason;  // why it found the data bad, when it names that
  int writes = 0;
  int refills = 0;
  int messageRefills = 0;

 private:
  std::vector<uint8_t> in_;
  size_t pos_ = 0;
  int64_t limit_;
};

// Runs a decoder over data with a fresh state; returns what the host collected.
template <typename Decoder>
MemoryHost Decode(Decoder decode, const std::vector<uint8_t>& compressed, int64_t expected,
                  uint16_t flags = 0, int64_t outputLimit = -1) {
  MemoryHost host(compressed, outputLimit);
  auto state = std::make_unique<uz::TDecodeState>();
  state->host = &host;
  state->Reset(static_cast<int64_t>(compressed.size()), expected, flags);
  host.result = decode(*state);
  if (state->badDataReason) host.reason = state->badDataReason;
  return host;
}

}  // namespace testzip
