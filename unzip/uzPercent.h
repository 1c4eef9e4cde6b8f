#pragma once
// Percentages for the progress events: part of whole, rounded to the nearest
// integer with halves to even, and never above 100 (a catalogue may understate
// a member's size, so the part can outgrow the whole).
#include <cstdint>

namespace uz {

// 0 when whole is 0 or less.
int PercentOf(int64_t part, int64_t whole);

}  // namespace uz
