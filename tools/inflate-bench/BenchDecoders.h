#pragma once
// One decode of a raw deflate stream per library, each ending with the
// CRC-32 of the output as an extractor needs it. All return the CRC.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// The component: Inflate through a host that serves 16000-byte input blocks
// and runs the sliced CRC over every written block, as the driver does.
uint32_t DecodeWithComponent(const std::vector<uint8_t>& stream, size_t size);
// libdeflate into one output buffer, then its own CRC (hardware-assisted
// where the machine has it) or, for a like-for-like CRC, the component's.
uint32_t DecodeWithLibdeflate(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out,
                              bool componentCrc);
uint32_t DecodeWithLibdeflateNoCrc(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out);
// zlib's inflate in 64 KiB output pieces, with zlib's CRC.
uint32_t DecodeWithZlib(const std::vector<uint8_t>& stream);

}  // namespace bench
