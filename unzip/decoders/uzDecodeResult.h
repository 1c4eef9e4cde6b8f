#pragma once
// What a decoder says of a member's data when it returns. The driver's size
// and CRC check cannot tell data that ended where the format says it ends
// from data that broke off (or broke the format) once the output happened to
// be complete: only the decoder saw which. Declared nodiscard so that no
// caller can drop the verdict.
#include <cstdint>

namespace uz {

enum class [[nodiscard]] TDecodeResult : uint8_t{
    // The data ended as the method's format ends it, or the host refused
    // further output (the host knows that on its own).
    Done,
    // The data breaks the format, or ends before the format lets it end.
    BadData,
    // The decoder could not run at all (no memory for its window): nothing
    // was decoded, so nothing can be said of the data, and the member fails.
    CannotRun,
};

}  // namespace uz
