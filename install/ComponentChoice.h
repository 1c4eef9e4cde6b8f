// The component choice of the wizard: the four components, the setup types
// that check and uncheck the two optional ones, the megabytes they need and
// the free-space decision.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TComponentInfo {
  const char* item;         // the check list's text
  const char* description;  // the description panel's text
  const char* size;         // appended to "Объём, занимаемый на диске: "
};

// By index: program files and help (fixed), database support and map image.
extern const TComponentInfo kComponents[4];

enum TSetupType : int { kSetupMinimal = 0, kSetupFull = 1, kSetupCustom = 2 };

// The optional components: item 2 and item 3 of the check list.
struct TChoice {
  bool database;
  bool mapImage;
};

// A setup type chosen by the user: minimal keeps the database support and
// leaves out the map image, full takes both, custom changes nothing.
TChoice ApplySetupType(int setupType, TChoice choice);

// The setup type that describes a choice made in the check list.
TSetupType SetupTypeOf(TChoice choice);

// Megabytes the chosen components take: 4, 10, 171 or 177.
int CalculateMegabytes(TChoice choice);

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
