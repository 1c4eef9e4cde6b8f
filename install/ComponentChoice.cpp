#include "ComponentChoice.h"

TChoice TChoice::All() {
  TChoice choice;
  for (int row = 0; row < kComponentCount; ++row) choice.Set(row, true);
  return choice;
}

TChoice ApplySetupType(int setupType, TChoice choice) {
  if (setupType != kSetupMinimal && setupType != kSetupFull) return choice;
  for (int row = 0; row < kComponentCount; ++row)
    choice.Set(row, setupType == kSetupFull || kComponents[row].minimal);
  return choice;
}

TSetupType SetupTypeOf(TChoice choice) {
  bool full = true, minimal = true;
  for (int row = 0; row < kComponentCount; ++row) {
    full = full && choice.Has(row);
    minimal = minimal && choice.Has(row) == kComponents[row].minimal;
  }
  return full ? kSetupFull : minimal ? kSetupMinimal : kSetupCustom;
}

int CalculateMegabytes(TChoice choice) {
  double megabytes = 0;
  for (int row = 0; row < kComponentCount; ++row)
    if (choice.Has(row)) megabytes += kComponents[row].megabytes;
  return static_cast<int>(megabytes + 0.5);
}

int ComponentMegabytes(int row) { return static_cast<int>(kComponents[row].megabytes + 0.5); }

int DriveNumberOf(const std::string& directory) {
  if (directory.empty()) return 0;
  const char c = directory[0];
  if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
  if (c >= 'a' && c <= 'z') return c - 'a' + 1;
  return 0;
}

bool EnoughFreeSpace(int megabytes, int64_t freeBytes) {
  const int needed = megabytes + 10;
  return !(needed > static_cast<double>(freeBytes) / 1024 / 1024);
}

std::string NoSpaceMessage(const std::string& directory) {
  // The drive as the directory names it: its first character (a whole UTF-8
  // character, should the directory not begin with a drive letter).
  size_t length = directory.empty() ? 0 : 1;
  while (length < directory.size() &&
         (static_cast<unsigned char>(directory[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return "Недостаточно свободного места на диске \"" + directory.substr(0, length) +
         "\".\rВыберите другой диск или устанавливайте минимум компонентов.";
}

std::vector<std::string> SummaryItems(TChoice choice) {
  std::vector<std::string> items;
  for (int row = 0; row < kComponentCount; ++row)
    if (choice.Has(row)) items.push_back(kComponents[row].summary);
  return items;
}
