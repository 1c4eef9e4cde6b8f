#pragma once
// CRC-32 of ZIP (reflected polynomial 0xEDB88320). The running value starts at
// 0xFFFFFFFF and the member's CRC is its complement; the byte step alone also
// drives the traditional decryption keys.
#include <array>
#include <cstddef>
#include <cstdint>

namespace uz {

// The standard table: entry n is the CRC register after shifting byte n through.
extern const std::array<uint32_t, 256> kCrc32Table;

inline uint32_t UpdateCrc32Byte(uint32_t crc, uint8_t b) {
  return kCrc32Table[(crc ^ b) & 0xFFu] ^ (crc >> 8);
}

// Same result as UpdateCrc32Byte over every byte. Uses carry-less
// multiplication where the processor has it, sixteen-byte table slicing
// elsewhere.
uint32_t UpdateCrc32(uint32_t crc, const uint8_t* p, size_t n);

// The two implementations behind UpdateCrc32, each with the same result, so
// that both can be checked on any machine that has them.
uint32_t UpdateCrc32Sliced(uint32_t crc, const uint8_t* p, size_t n);
// True when this build and this processor can run UpdateCrc32Folded.
bool Crc32FoldingAvailable();
// Carry-less multiplication folding (x86 PCLMULQDQ); only where
// Crc32FoldingAvailable() holds.
uint32_t UpdateCrc32Folded(uint32_t crc, const uint8_t* p, size_t n);

}  // namespace uz
