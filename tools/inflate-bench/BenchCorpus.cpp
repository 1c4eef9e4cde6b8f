#include "BenchCorpus.h"

#include <zlib.h>

#include <stdexcept>
#include <string>

namespace bench {

namespace {

struct TRandom {
  uint64_t s;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 16);
  }
};

// Words with a skewed frequency, sentences and lines: compresses about
// three to one, like program text and documentation.
void AppendText(std::vector<uint8_t>& out, size_t n, TRandom& r,
                const std::vector<std::string>& words) {
  size_t line = 0;
  for (size_t end = out.size() + n; out.size() < end;) {
    uint32_t a = r.Next() % words.size(), b = r.Next() % words.size();
    const std::string& w = words[a < b ? a : b];  // smaller index: more frequent
    out.insert(out.end(), w.begin(), w.end());
    line += w.size() + 1;
    const uint32_t p = r.Next() % 100;
    out.push_back(line > 70 ? '\n' : p < 6 ? ',' : p < 10 ? '.' : ' ');
    if (line > 70) line = 0;
  }
}

// Records of small integers, counters and flags: like tables and executables.
void AppendBinary(std::vector<uint8_t>& out, size_t n, TRandom& r) {
  uint32_t counter = r.Next();
  for (size_t end = out.size() + n; out.size() < end;) {
    counter += 1 + r.Next() % 8;
    const uint32_t rec[4] = {counter, r.Next() % 300, (r.Next() % 4) << 24 | 0x401000u, 0};
    for (uint32_t v : rec)
      for (int k = 0; k < 4; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
    if (r.Next() % 16 == 0) out.insert(out.end(), 8 + r.Next() % 64, 0);
  }
}

void AppendRandom(std::vector<uint8_t>& out, size_t n, TRandom& r) {
  for (size_t i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(r.Next()));
}

}  // namespace

std::vector<uint8_t> MakeMixedData(size_t size, uint32_t seed) {
  TRandom r{0x9E3779B97F4A7C15ull ^ seed};
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    for (uint32_t len = 2 + r.Next() % 9; len > 0; --len) {
      const uint32_t a = r.Next() % 26, b = r.Next() % 26;
      w.push_back("etaoinshrdlcumwfgypbvkjxqz"[a < b ? a : b]);
    }
    words.push_back(w);
  }
  std::vector<uint8_t> out;
  out.reserve(size + (1 << 20));
  while (out.size() < size) {
    const size_t chunk = (64u << 10) + r.Next() % (960u << 10);
    const uint32_t kind = r.Next() % 100;
    if (kind < 50)
      AppendText(out, chunk, r, words);
    else if (kind < 85)
      AppendBinary(out, chunk, r);
    else
      AppendRandom(out, chunk / 2, r);
  }
  out.resize(size);
  return out;
}

std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& data, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::vector<uint8_t> out(deflateBound(&z, data.size()));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace bench
