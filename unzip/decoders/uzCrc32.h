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
// elsewhere (the path in force: uzProcessorPaths.h).
uint32_t UpdateCrc32(uint32_t crc, const uint8_t* p, size_t n);

// The implementations behind UpdateCrc32, each with the same result, so that
// every one can be checked on any machine that has it.
uint32_t UpdateCrc32Sliced(uint32_t crc, const uint8_t* p, size_t n);
// 128-bit carry-less multiplication folding (x86 PCLMULQDQ); only where
// FeaturesUpTo(...).clmulCrc holds.
uint32_t UpdateCrc32Folded(uint32_t crc, const uint8_t* p, size_t n);
// 256-bit folding (VPCLMULQDQ and AVX2); only where .wideCrc holds.
uint32_t UpdateCrc32FoldedWide(uint32_t crc, const uint8_t* p, size_t n);

}  // namespace uz
