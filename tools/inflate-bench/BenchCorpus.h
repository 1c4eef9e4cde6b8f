#pragma once
// A deterministic corpus for decoder benchmarks: text, structured binary
// and incompressible stretches, compressed once as a raw deflate stream.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

std::vector<uint8_t> MakeMixedData(size_t size, uint32_t seed = 1);
// Raw deflate (no zlib header) at the given zlib level.
std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& data, int level);

}  // namespace bench
