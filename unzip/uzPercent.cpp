#include "uzPercent.h"

#include "UzLib.h"

namespace uz {

int PercentOf(int64_t part, int64_t whole) { return part <= 0 ? 0 : Percentage(part, whole); }

}  // namespace uz
