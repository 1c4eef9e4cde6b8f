#include "decoders/uzMethods.h"

#include "decoders/uzDecoders.h"

namespace uz {

// Reduce's four methods differ only in the compression factor, 1 to 4.
const TMethod kMethods[] = {
    {0, "Stored", UnStore},
    {1, "Shrunk", Unshrink},
    {2, "Reduce1", [](TDecodeState& s) { return Unreduce(s, 1); }},
    {3, "Reduce2", [](TDecodeState& s) { return Unreduce(s, 2); }},
    {4, "Reduce3", [](TDecodeState& s) { return Unreduce(s, 3); }},
    {5, "Reduce4", [](TDecodeState& s) { return Unreduce(s, 4); }},
    {6, "Implode", Explode},
    {8, "Deflate", Inflate},
    {9, "Defl64", nullptr},
    {12, "BZip2", nullptr},
    {14, "LZMA", nullptr},
    {93, "Zstd", nullptr},
    {95, "XZ", nullptr},
    {98, "PPMd", nullptr},
    {99, "AES", nullptr},
};
const size_t kMethodCount = sizeof kMethods / sizeof *kMethods;

const TMethod* FindMethod(uint16_t number) {
  for (const TMethod& method : kMethods)
    if (method.number == number) return &method;
  return nullptr;
}

bool IsDecodable(uint16_t number) {
  const TMethod* method = FindMethod(number);
  return method && method->decode;
}

std::string MethodName(uint16_t number) {
  const TMethod* method = FindMethod(number);
  return method ? method->name : "M" + std::to_string(number);
}

}  // namespace uz
