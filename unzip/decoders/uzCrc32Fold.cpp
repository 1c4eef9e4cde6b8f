// CRC-32 by carry-less multiplication (x86 PCLMULQDQ). The data is folded
// 64 bytes at a time into four 128-bit lanes, the lanes into one, and the 16
// bytes that then stand for everything before them go through the table.
//
// Why folding keeps the CRC. In the reflected bit order of this CRC the first
// bit of the data is its highest power of x, so sixteen bytes loaded
// little-endian hold a polynomial A (degree < 128) whose register bit i is
// the coefficient of x^(127-i). A block followed by L more bits adds A x^L to
// the message; the block F bits further on is followed by L - F bits, and
// A x^L = (A x^F) x^(L-F). Adding A x^F (mod P) into that later block
// therefore leaves the remainder of the whole message unchanged and the first
// block can be dropped. With A = H x^64 + G (H is the low half of the
// register, G the high half), A x^F = H x^(F+64) + G x^F; each half times a
// constant of degree < 32 stays below degree 128 and fits the lane.
//
// Where a product lands. With operand bits i = coefficient of x^(63-i), bit k
// of the carry-less product is the coefficient of x^(126-k), which read as a
// lane (bit k = x^(127-k)) is the product times x. The constant for a factor
// x^e is therefore x^(e-1) mod P, stored with coefficient j at bit 63 - j.
// The constants are derived below from the polynomial alone; the tests compare
// every length and alignment with the byte-wise definition.
#include "decoders/uzCrc32.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define UZ_CRC32_FOLDING 1
#include <immintrin.h>
#endif

namespace uz {

#ifdef UZ_CRC32_FOLDING

namespace {

// x^32 + x^26 + ... + 1 in the usual order; 0xEDB88320 is its low 32 bits reversed.
constexpr uint64_t kPolynomial = 0x104C11DB7u;

// The stored constant that multiplies a half lane by x^e (modulo P).
constexpr uint64_t FoldConstant(int e) {
  uint64_t r = 1;  // x^0
  for (int i = 0; i < e - 1; ++i) {
    r <<= 1;
    if (r >> 32) r ^= kPolynomial;
  }
  uint64_t stored = 0;
  for (int j = 0; j < 32; ++j)
    if ((r >> j) & 1u) stored |= uint64_t{1} << (63 - j);
  return stored;
}

constexpr int kLanes = 4;
constexpr int kLaneBits = 128;
constexpr int kLaneBytes = kLaneBits / 8;

// Folding over F bits: the low half gets x^(F+64), the high half x^F.
struct TFoldPair {
  uint64_t low, high;
};
constexpr TFoldPair FoldPair(int distanceBits) {
  return {FoldConstant(distanceBits + 64), FoldConstant(distanceBits)};
}
constexpr TFoldPair kAcrossLanes = FoldPair(kLanes * kLaneBits);  // the same lane 64 bytes on
constexpr TFoldPair kToNextLane = FoldPair(kLaneBits);            // the next 16 bytes

__attribute__((target("pclmul,sse4.1"))) inline __m128i Constants(TFoldPair k) {
  return _mm_set_epi64x(static_cast<long long>(k.high), static_cast<long long>(k.low));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// lane x moved onto the block `next` by the distance the constants k encode.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
  const __m128i high = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// blocks >= kLanes sixteen-byte blocks at p.
__attribute__((target("pclmul,sse4.1"))) uint32_t FoldBlocks(uint32_t crc, const uint8_t* p,
                                                             size_t blocks) {
  const __m128i across = Constants(kAcrossLanes);
  const __m128i next = Constants(kToNextLane);
  // The running register is the remainder so far: it enters as message bits
  // over the first four bytes, and the table then starts from zero.
  __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = Load(p + kLaneBytes);
  __m128i x2 = Load(p + 2 * kLaneBytes);
  __m128i x3 = Load(p + 3 * kLaneBytes);
  p += kLanes * kLaneBytes;
  blocks -= kLanes;
  for (; blocks >= kLanes; blocks -= kLanes, p += kLanes * kLaneBytes) {
    x0 = Fold(x0, across, Load(p));
    x1 = Fold(x1, across, Load(p + kLaneBytes));
    x2 = Fold(x2, across, Load(p + 2 * kLaneBytes));
    x3 = Fold(x3, across, Load(p + 3 * kLaneBytes));
  }
  x1 = Fold(x0, next, x1);
  x2 = Fold(x1, next, x2);
  x3 = Fold(x2, next, x3);
  for (; blocks > 0; --blocks, p += kLaneBytes) x3 = Fold(x3, next, Load(p));
  alignas(16) uint8_t last[kLaneBytes];
  _mm_store_si128(reinterpret_cast<__m128i*>(last), x3);
  return UpdateCrc32Sliced(0, last, kLaneBytes);
}

// The same folding on processors that multiply in 256-bit registers: each
// register holds two consecutive lanes, so four registers hold eight lanes
// and fold 128 bytes per turn; the eight lanes then fold one into the next
// in message order, as above.
constexpr int kWideLanes = 8;
constexpr TFoldPair kAcrossWideLanes = FoldPair(kWideLanes * kLaneBits);

__attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"))) inline __m256i LoadWide(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"))) inline __m256i FoldWide(__m256i x,
                                                                                 __m256i k,
                                                                                 __m256i next) {
  const __m256i low = _mm256_clmulepi64_epi128(x, k, 0x00);
  const __m256i high = _mm256_clmulepi64_epi128(x, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

// blocks >= kWideLanes sixteen-byte blocks at p.
__attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"))) uint32_t FoldBlocksWide(uint32_t crc,
                                                                                 const uint8_t* p,
                                                                                 size_t blocks) {
  const __m256i across = _mm256_broadcastsi128_si256(Constants(kAcrossWideLanes));
  const __m128i next = Constants(kToNextLane);
  __m256i y[4];
  for (int i = 0; i < 4; ++i) y[i] = LoadWide(p + 2 * i * kLaneBytes);
  y[0] = _mm256_xor_si256(y[0], _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
  p += kWideLanes * kLaneBytes;
  blocks -= kWideLanes;
  for (; blocks >= kWideLanes; blocks -= kWideLanes, p += kWideLanes * kLaneBytes)
    for (int i = 0; i < 4; ++i) y[i] = FoldWide(y[i], across, LoadWide(p + 2 * i * kLaneBytes));
  __m128i x = _mm256_castsi256_si128(y[0]);
  x = Fold(x, next, _mm256_extracti128_si256(y[0], 1));
  for (int i = 1; i < 4; ++i) {
    x = Fold(x, next, _mm256_castsi256_si128(y[i]));
    x = Fold(x, next, _mm256_extracti128_si256(y[i], 1));
  }
  for (; blocks > 0; --blocks, p += kLaneBytes) x = Fold(x, next, Load(p));
  alignas(16) uint8_t last[kLaneBytes];
  _mm_store_si128(reinterpret_cast<__m128i*>(last), x);
  return UpdateCrc32Sliced(0, last, kLaneBytes);
}

}  // namespace

uint32_t UpdateCrc32Folded(uint32_t crc, const uint8_t* p, size_t n) {
  const size_t blocks = n / kLaneBytes;
  if (blocks < kLanes) return UpdateCrc32Sliced(crc, p, n);
  crc = FoldBlocks(crc, p, blocks);
  return UpdateCrc32Sliced(crc, p + blocks * kLaneBytes, n % kLaneBytes);
}

uint32_t UpdateCrc32FoldedWide(uint32_t crc, const uint8_t* p, size_t n) {
  const size_t blocks = n / kLaneBytes;
  if (blocks < kWideLanes) return UpdateCrc32Folded(crc, p, n);
  crc = FoldBlocksWide(crc, p, blocks);
  return UpdateCrc32Sliced(crc, p + blocks * kLaneBytes, n % kLaneBytes);
}

#else

uint32_t UpdateCrc32Folded(uint32_t crc, const uint8_t* p, size_t n) {
  return UpdateCrc32Sliced(crc, p, n);
}

uint32_t UpdateCrc32FoldedWide(uint32_t crc, const uint8_t* p, size_t n) {
  return UpdateCrc32Sliced(crc, p, n);
}

#endif

}  // namespace uz
