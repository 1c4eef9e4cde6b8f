// inflate_ir DECODER [MEGABYTES]: decodes a mixed stream once with one
// decoder (component, libdeflate, libdeflate-nocrc, zlib), for instruction
// counts: run under
//   valgrind --tool=callgrind --toggle-collect='bench::DecodeWith*' inflate_ir component 8
// and divide the collected Ir by the output size it prints.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchCorpus.h"
#include "BenchDecoders.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: inflate_ir component|libdeflate|libdeflate-nocrc|zlib [MB]\n");
    return 2;
  }
  const std::string which = argv[1];
  const size_t size = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 8) << 20;
  const auto data = bench::MakeMixedData(size);
  const auto stream = bench::DeflateRaw(data, 6);
  std::vector<uint8_t> out(size);
  uint32_t crc = 0;
  if (which == "component")
    crc = bench::DecodeWithComponent(stream, size);
  else if (which == "libdeflate")
    crc = bench::DecodeWithLibdeflate(stream, out, false);
  else if (which == "libdeflate-nocrc")
    crc = bench::DecodeWithLibdeflateNoCrc(stream, out);
  else if (which == "zlib")
    crc = bench::DecodeWithZlib(stream);
  else
    return 2;
  std::printf("%s: %zu output bytes, %zu input bytes, crc %08x\n", which.c_str(), size,
              stream.size(), crc);
  return 0;
}
