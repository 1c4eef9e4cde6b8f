// The compression methods by their number in the archive: the name listings
// show and, for the methods the component reads, the decoder. The one place
// that says which methods can be decoded; the medium builder
// (tools/medium/medium_rules.py) reads its rows, one per line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "decoders/uzDecodeResult.h"
#include "decoders/uzDecodeState.h"

namespace uz {

using TDecoder = TDecodeResult (*)(TDecodeState& state);

struct TMethod {
  uint16_t number;
  const char* name;
  TDecoder decode;  // null: known by name, not decoded
};

// Every method known by name, in ascending number.
extern const TMethod kMethods[];
extern const size_t kMethodCount;

// The method of that number; null when it is not known at all.
const TMethod* FindMethod(uint16_t number);
bool IsDecodable(uint16_t number);
// The table's name, or "M" and the number for a method not known.
std::string MethodName(uint16_t number);

}  // namespace uz
