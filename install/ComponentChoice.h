// The component choice of the wizard: the setup types that check and uncheck
// the optional components, the megabytes the chosen ones need and the
// free-space decision.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "Components.h"

enum TSetupType : int { kSetupMinimal = 0, kSetupFull = 1, kSetupCustom = 2 };

// The components chosen, by their rows: the fixed ones always, the optional
// ones as the user (or "/COMPONENTS=") chose them.
class TChoice {
 public:
  TChoice() = default;  // none of the optional ones
  TChoice(std::initializer_list<TComponentId> chosen) {
    for (TComponentId id : chosen) Set(id, true);
  }
  static TChoice All();
  bool Has(int row) const { return !kComponents[row].optional || (rows_ >> row & 1u); }
  void Set(int row, bool chosen) { rows_ = chosen ? rows_ | 1u << row : rows_ & ~(1u << row); }

 private:
  unsigned rows_ = 0;
  static_assert(kComponentCount <= 32, "one bit per row");
};

// A setup type chosen by the user: minimal takes the components the table
// marks minimal, full takes every one, custom changes nothing.
TChoice ApplySetupType(int setupType, TChoice choice);

// The setup type that describes a choice made in the check list.
TSetupType SetupTypeOf(TChoice choice);

// Megabytes the chosen components take, rounded half up: 4, 10, 171 or 177.
int CalculateMegabytes(TChoice choice);
// Megabytes one component takes, rounded half up.
int ComponentMegabytes(int row);

// The drive number of a directory (A = 1, B = 2, ...) from its first
// character, upper or lower case; 0 when it does not begin with a letter.
int DriveNumberOf(const std::string& directory);

// True when `freeBytes` (-1: no ready drive) hold the megabytes plus a
// margin of 10.
bool EnoughFreeSpace(int megabytes, int64_t freeBytes);

// The warning for a directory whose drive lacks the space (two lines joined
// by a carriage return).
std::string NoSpaceMessage(const std::string& directory);

// The lines of the summary page's component list.
std::vector<std::string> SummaryItems(TChoice choice);
