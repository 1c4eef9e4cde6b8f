#include "decoders/uzProcessorPaths.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace uz {

namespace {

struct TDetected {
  bool bmi2 = false, clmul = false, wide = false;
};

TDetected Detect() {
  TDetected d;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
  d.bmi2 = __builtin_cpu_supports("bmi2");
  d.clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  d.wide = d.clmul && __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx2");
#endif
  return d;
}

}  // namespace

TProcessorPath ParseProcessorPath(const char* text) {
  if (!text || !*text || std::strcmp(text, "wide") == 0) return TProcessorPath::Wide;
  if (std::strcmp(text, "bmi2") == 0) return TProcessorPath::Bmi2;
  if (std::strcmp(text, "clmul") == 0) return TProcessorPath::Clmul;
  return TProcessorPath::Plain;
}

bool NamesProcessorPath(const char* text) {
  if (!text || !*text) return true;
  for (const char* name : {"plain", "clmul", "bmi2", "wide"})
    if (std::strcmp(text, name) == 0) return true;
  return false;
}

TProcessorFeatures FeaturesUpTo(TProcessorPath cap) {
  static const TDetected detected = Detect();
  TProcessorFeatures f;
  f.bmi2Loop = detected.bmi2 && cap >= TProcessorPath::Bmi2;
  f.clmulCrc = detected.clmul && cap >= TProcessorPath::Clmul;
  f.wideCrc = detected.wide && cap >= TProcessorPath::Wide;
  return f;
}

const TProcessorFeatures& ProcessorFeatures() {
  static const TProcessorFeatures features =
      FeaturesUpTo(ParseProcessorPath(std::getenv(kProcessorPathVariable)));
  return features;
}

}  // namespace uz
