#include "decoders/uzCrc32.h"

#include "decoders/uzProcessorPaths.h"

namespace uz {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;

using TTable = std::array<uint32_t, 256>;

constexpr TTable MakeByteTable() {
  TTable t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ kPolynomial : c >> 1;
    t[n] = c;
  }
  return t;
}

// Slice k holds the effect of a byte followed by k zero bytes, so sixteen
// bytes fold into the register with sixteen independent lookups instead of
// a chain of sixteen dependent ones.
constexpr std::array<TTable, kSlices> MakeSliceTables() {
  std::array<TTable, kSlices> s{};
  s[0] = MakeByteTable();
  for (int k = 1; k < kSlices; ++k)
    for (int n = 0; n < 256; ++n) s[k][n] = (s[k - 1][n] >> 8) ^ s[0][s[k - 1][n] & 0xFFu];
  return s;
}

constexpr std::array<TTable, kSlices> kSlice = MakeSliceTables();

static_assert(kSlice[0][1] == 0x77073096u && kSlice[0][255] == 0x2D02EF8Du,
              "the byte table must be the standard one");

// Little-endian load assembled from bytes: portable, and a single load on
// the machines we build for.
inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t Fold4(uint32_t w, int slice) {
  return kSlice[slice][w & 0xFFu] ^ kSlice[slice - 1][(w >> 8) & 0xFFu] ^
         kSlice[slice - 2][(w >> 16) & 0xFFu] ^ kSlice[slice - 3][w >> 24];
}

}  // namespace

const std::array<uint32_t, 256> kCrc32Table = kSlice[0];

uint32_t UpdateCrc32Sliced(uint32_t crc, const uint8_t* p, size_t n) {
  for (; n >= kSlices; n -= kSlices, p += kSlices) {
    crc = Fold4(crc ^ Load32(p), 15) ^ Fold4(Load32(p + 4), 11) ^ Fold4(Load32(p + 8), 7) ^
          Fold4(Load32(p + 12), 3);
  }
  for (; n > 0; --n) crc = UpdateCrc32Byte(crc, *p++);
  return crc;
}

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* p, size_t n) {
  // Below a few blocks the set-up of the folding costs more than it saves.
  static const TProcessorFeatures& kPath = ProcessorFeatures();
  if (n < 256 || !kPath.clmulCrc) return UpdateCrc32Sliced(crc, p, n);
  return kPath.wideCrc ? UpdateCrc32FoldedWide(crc, p, n) : UpdateCrc32Folded(crc, p, n);
}

}  // namespace uz
