#include "ComponentChoice.h"

const TComponentInfo kComponents[4] = {
    {"Файлы программы",
     "Файлы программы необходимы для корректной работы всего приложения. Установка этого "
     "компонента обязательна.",
     "2,5 Мб."},
    {"Справочная система",
     "Справочная система необходима для ознакомления с возможностями и обучения работе в "
     "программе. Установка этого компонента обязательна.",
     "1,5 Мб."},
    {"Поддержка баз данных",
     "Набор библиотек пакета BDE версии 5.1. Необходим для поиска географических объектов, "
     "содержащихся на карте. Если на Вашем компьютере установлена более новая версия этого "
     "пакета, то данный компонент можно не устанавливать.",
     "6 Мб."},
    {"Изображение карты",
     "Если не устанавливать данный компонент, то для работы программы будет требоваться наличие "
     "компакт-диска с дистрибутивом.",
     "167 Мб"},
};

TChoice ApplySetupType(int setupType, TChoice choice) {
  switch (setupType) {
    case kSetupMinimal:
      return {true, false};
    case kSetupFull:
      return {true, true};
    default:
      return choice;
  }
}

TSetupType SetupTypeOf(TChoice choice) {
  if (!choice.database) return kSetupCustom;
  return choice.mapImage ? kSetupFull : kSetupMinimal;
}

int CalculateMegabytes(TChoice choice) {
  double megabytes = 4;  // program files 2.5 and help 1.5
  if (choice.database) megabytes += 6;
  if (choice.mapImage) megabytes += 167;
  return static_cast<int>(megabytes + 0.5);
}

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
  // The help line's stored text begins with a Latin capital C.
  std::vector<std::string> items = {"Файлы программы", "Cправочная система"};
  if (choice.database) items.push_back("Поддержка баз данных");
  if (choice.mapImage) items.push_back("Изображение карты");
  return items;
}
