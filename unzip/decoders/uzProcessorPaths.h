#pragma once
// Which copy of the hot loops runs. The inflate loop has a copy compiled for
// BMI2, the CRC a 128-bit and a 256-bit carry-less folding beside the table;
// each is taken where the processor has what it needs. Most installations
// run on older PCs than the ones we build and test on, so the choice can be
// capped from outside: the environment variable UZ_PROCESSOR_PATH, read once
// when the component first decodes, names the newest path allowed:
//
//   plain  table CRC, plain inflate loop (what any x86 processor runs)
//   clmul  128-bit CRC folding, plain inflate loop
//   bmi2   128-bit CRC folding, BMI2 inflate loop
//   wide   256-bit CRC folding, BMI2 inflate loop (the same as unset)
//
// The cap only lowers: a path the processor lacks is never taken. A value
// that is none of these takes the plain path, which every machine runs.
namespace uz {

enum class TProcessorPath { Plain, Clmul, Bmi2, Wide };

struct TProcessorFeatures {
  bool bmi2Loop = false;  // the inflate loop compiled for BMI2
  bool clmulCrc = false;  // CRC by 128-bit carry-less folding
  bool wideCrc = false;   // CRC by 256-bit folding (implies clmulCrc)
  bool operator==(const TProcessorFeatures& o) const {
    return bmi2Loop == o.bmi2Loop && clmulCrc == o.clmulCrc && wideCrc == o.wideCrc;
  }
};

constexpr const char* kProcessorPathVariable = "UZ_PROCESSOR_PATH";

// The path a value of the variable names; nullptr or empty is Wide.
TProcessorPath ParseProcessorPath(const char* text);
// False for a value that names no path (and so takes the plain one).
bool NamesProcessorPath(const char* text);

// What this processor has, allowed up to the cap.
TProcessorFeatures FeaturesUpTo(TProcessorPath cap);

// The features in force for this process: the processor's, capped by the
// variable as it was when first asked.
const TProcessorFeatures& ProcessorFeatures();

}  // namespace uz
