// The product's components, one row each in the order of the wizard's check
// list: the "/COMPONENTS=" keyword, what the wizard shows and sums, and the
// archive folders the installation unpacks for it and where they go. The
// wizard's page, the unattended options, the installation sequence and the
// installation plan all read these rows; a new component is a row here (and
// its archive folders below) plus its check box's text in the wizard's layout.
#pragma once

// The rows by their place in the check list.
enum TComponentId : int { kProgramFiles, kHelp, kDatabaseSupport, kMapImage, kComponentCount };

struct TComponent {
  const char* keyword;  // its name in "/COMPONENTS="; null: none
  bool optional;        // false: always installed, its check box greyed
  bool minimal;         // chosen by the setup type "Минимальная" (fixed: true)
  // What it takes on the disk: the wizard sums these for the free-space
  // check, and the progress bar counts them as its steps.
  double megabytes;
  const char* sizeText;     // the description panel's size, as it is written
  const char* description;  // the description panel's text
  const char* summary;      // its line on the summary page
  const char* logName;      // in the installation log's first line (optional ones)
};

inline constexpr TComponent kComponents[kComponentCount] = {
    {nullptr, false, true, 2.5, "2,5 Мб.",
     "Файлы программы необходимы для корректной работы всего приложения. Установка этого "
     "компонента обязательна.",
     "Файлы программы", nullptr},
    // The summary's line begins with a Latin capital C, as it always has.
    {"help", false, true, 1.5, "1,5 Мб.",
     "Справочная система необходима для ознакомления с возможностями и обучения работе в "
     "программе. Установка этого компонента обязательна.",
     "Cправочная система", nullptr},
    {"database", true, true, 6, "6 Мб.",
     "Набор библиотек пакета BDE версии 5.1. Необходим для поиска географических объектов, "
     "содержащихся на карте. Если на Вашем компьютере установлена более новая версия этого "
     "пакета, то данный компонент можно не устанавливать.",
     "Поддержка баз данных", "database support"},
    // Copied from the map container, not unpacked: it has no archive folder.
    {"image", true, false, 167, "167 Мб",
     "Если не устанавливать данный компонент, то для работы программы будет требоваться наличие "
     "компакт-диска с дистрибутивом.",
     "Изображение карты", "map image"},
};

// A top-level folder of the program archive, the folder below the install
// folder it is unpacked into ("" for the install folder itself, else
// beginning with "\"), and the component it belongs to. The fixed
// components' folders are unpacked together in this order, an optional
// component's in a step of its own.
struct TArchiveFolderRow {
  const char* folder;
  const char* destination;
  TComponentId component;
};

// The medium builder (tools/medium/medium_rules.py) reads these rows, and
// the keyword and optional fields of kComponents, as they are written here.
// clang-format off
inline constexpr TArchiveFolderRow kArchiveFolders[] = {
    {"Program",  "",               kProgramFiles},
    {"Help",     "\\Docs\\Help",   kHelp},
    {"Legend",   "\\Docs\\Legend", kProgramFiles},
    {"DataBase", "\\DataBase",     kProgramFiles},
    {"Icons",    "\\Icons",        kProgramFiles},
    {"MapImage", "",               kProgramFiles},
    {"BDE",      "",               kDatabaseSupport},
};
// clang-format on

// The folders every installation makes below the install folder ("" for the
// install folder itself), in this order; every destination above is one.
inline constexpr const char* kInstallFolders[] = {"",       "\\DataBase",   "\\Icons",
                                                  "\\Docs", "\\Docs\\Help", "\\Docs\\Legend"};

// The installation's progress bar counts megabytes, as the components take
// them, and steps of its own beside them: the folders, the registry records
// and the links.
inline constexpr int kFolderSteps = 2;
inline constexpr int kRecordSteps = 1;
inline constexpr int kLinkSteps = 2;

// The progress bar's maximum for the chosen components' megabytes.
inline int ProgressMaximum(int megabytes) {
  return megabytes + kFolderSteps + kRecordSteps + kLinkSteps;
}
