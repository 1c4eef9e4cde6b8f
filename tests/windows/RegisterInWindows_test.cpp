// The registry records under the emulator's prefix: the uninstall record
// (values, types, reuse, removal) and the file types (registration, the
// product-only unregistration), under names of this test process so that
// nothing of a real installation is touched.
#include "RegisterInWindows.h"

#include "RegistryValues.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::Optional;
using testing::UnorderedElementsAre;
namespace reg = testregistry;
using namespace std::string_literals;

const std::string kPid = std::to_string(GetCurrentProcessId());
const std::string kProduct = "Карта для проверки " + kPid;
const std::string kRecord = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ERegistryError& error) {
    return error.what();
  }
  return "(no ERegistryError)";
}

DWORD DwordOf(const std::string& name) {
  const auto value = reg::ReadRaw(HKEY_LOCAL_MACHINE, kRecord, name);
  if (!value || value->type != REG_DWORD || value->data.size() != 4) return 0xFFFFFFFF;
  return *reinterpret_cast<const DWORD*>(value->data.data());
}

class UninstallRecord : public testing::Test {
 protected:
  void TearDown() override { reg::DeleteKeyTree(HKEY_LOCAL_MACHINE, kRecord); }
};

TEST_F(UninstallRecord, NineValuesWithTheirTypesAndAReusedKey) {
  const std::string dir = "C:\\Program Files\\" + kProduct;
  WriteUninstallRecord(kProduct, dir + "\\Map.exe,1", "Вельтран", dir,
                       QuotedCommand(dir + "\\Setup", "/u"), 2, 0, {"D:\\", "", 0});
  EXPECT_THAT(reg::ValueNames(HKEY_LOCAL_MACHINE, kRecord),
              UnorderedElementsAre("DisplayName", "DisplayVersion", "DisplayIcon",
                                   "InstallLocation", "UninstallString", "Publisher",
                                   "VersionMajor", "VersionMinor", "InstallFrom"));
  struct Row {
    const char* name;
    std::string expected;
  };
  const Row strings[] = {
      {"DisplayName", kProduct},
      {"DisplayVersion", "2.0"},
      {"DisplayIcon", dir + "\\Map.exe,1"},
      {"InstallLocation", dir},
      {"UninstallString", "\"" + dir + "\\Setup\" /u"},
      {"Publisher", "Вельтран"},
      {"InstallFrom", "D:\\"},
  };
  for (const Row& row : strings) {
    EXPECT_THAT(reg::ReadString(HKEY_LOCAL_MACHINE, kRecord, row.name), Optional(row.expected))
        << row.name;
  }
  EXPECT_EQ(DwordOf("VersionMajor"), 2u);
  EXPECT_EQ(DwordOf("VersionMinor"), 0u);
  EXPECT_THAT(ReadInstallLocation(kProduct), Optional(dir));

  // A second installation elsewhere overwrites the table's values in the same
  // key; a value that is not in the table stays.
  reg::WriteString(HKEY_LOCAL_MACHINE, kRecord, "Comments", "чужое");
  WriteUninstallRecord(kProduct, "E:\\Карта\\Map.exe,1", "Вельтран", "E:\\Карта",
                       QuotedCommand("E:\\Карта\\Setup", "/u"), 3, 12);
  EXPECT_THAT(reg::ReadString(HKEY_LOCAL_MACHINE, kRecord, "DisplayVersion"), Optional("3.12"s));
  EXPECT_THAT(reg::ReadString(HKEY_LOCAL_MACHINE, kRecord, "UninstallString"),
              Optional("\"E:\\Карта\\Setup\" /u"s));
  EXPECT_THAT(reg::ReadString(HKEY_LOCAL_MACHINE, kRecord, "Comments"), Optional("чужое"s));
  EXPECT_THAT(reg::ReadString(HKEY_LOCAL_MACHINE, kRecord, "InstallFrom"), Optional("D:\\"s));
  EXPECT_EQ(DwordOf("VersionMinor"), 12u);
  EXPECT_EQ(reg::ValueNames(HKEY_LOCAL_MACHINE, kRecord).size(), 10u);
}

TEST_F(UninstallRecord, DeletionTakesSubKeysAlongAndIsSilentWhenNothingIsThere) {
  EXPECT_EQ(ReadInstallLocation(kProduct), std::nullopt);
  DeleteUninstallRecord(kProduct);  // nothing to delete: no error either

  WriteUninstallRecord(kProduct, "", "", "", "", 2, 0);
  EXPECT_THAT(ReadInstallLocation(kProduct), Optional(""s));
  reg::WriteString(HKEY_LOCAL_MACHINE, kRecord + "\\Вложенный\\Глубже", "x", "y");
  reg::WriteString(HKEY_LOCAL_MACHINE, kRecord + "\\Второй", "", "z");
  DeleteUninstallRecord(kProduct);
  EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kRecord));
  EXPECT_EQ(ReadInstallLocation(kProduct), std::nullopt);
  EXPECT_TRUE(reg::KeyExists(HKEY_LOCAL_MACHINE,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

TEST_F(UninstallRecord, ValuesOfAnotherTypeRaiseWhenReadAsStrings) {
  reg::WriteDword(HKEY_LOCAL_MACHINE, kRecord, "InstallLocation", 7);
  EXPECT_EQ(MessageOf([] { ReadInstallLocation(kProduct); }),
            "Invalid data type for 'InstallLocation'");
  EXPECT_EQ(MessageOf([] { ReadRegistryString(HKEY_LOCAL_MACHINE, kRecord, "InstallLocation"); }),
            "Invalid data type for 'InstallLocation'");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kRecord, "Missing"), "");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kRecord + "\\Missing", "InstallLocation"), "");
  // A string longer than a first read's buffer comes back whole.
  const std::string longText(3000, 'x');
  reg::WriteString(HKEY_LOCAL_MACHINE, kRecord, "Long", longText);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kRecord, "Long"), longText);
}

// File types under extensions of this process ("t<pid>a", ...), cleaned up
// afterwards.
class FileType : public testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& key :
         {"." + ext_, ext_ + "FILE", "." + other_, other_ + "FILE", "OtherApp.Document" + kPid}) {
      reg::DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }
  }
  std::optional<std::string> Default(const std::string& key) {
    return reg::ReadString(HKEY_CLASSES_ROOT, key, "");
  }

  const std::string ext_ = "t" + kPid + "a";
  const std::string other_ = "t" + kPid + "b";
};

TEST_F(FileType, UpperCaseExtensionWithAVerbWritesLowerCaseKeys) {
  std::string upper = ext_;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  RegisterFileType(upper, "Файл базы данных объектов карты", "C:\\Карта\\Icons\\maptldb.ico",
                   "Импортировать", QuotedCommand("C:\\Карта\\Map.exe", "%1"));
  const std::string cls = ext_ + "FILE";
  EXPECT_THAT(Default("." + ext_), Optional(cls));
  EXPECT_THAT(Default(cls), Optional("Файл базы данных объектов карты"s));
  EXPECT_THAT(Default(cls + "\\DefaultIcon"), Optional("C:\\Карта\\Icons\\maptldb.ico"s));
  EXPECT_THAT(Default(cls + "\\Shell\\Default"), Optional("Импортировать"s));
  EXPECT_THAT(Default(cls + "\\Shell\\Default\\command"), Optional("\"C:\\Карта\\Map.exe\" %1"s));
  EXPECT_EQ(Default(cls + "\\Shell"), std::nullopt) << "no default verb is named";
  // The names are stored as written, in lower case.
  EXPECT_THAT(reg::SubKeyNames(HKEY_CLASSES_ROOT, cls),
              UnorderedElementsAre("DefaultIcon", "Shell"));
  EXPECT_THAT(reg::SubKeyNames(HKEY_CLASSES_ROOT, cls + "\\Shell"), ElementsAre("Default"));
  const std::vector<std::string> all = reg::SubKeyNames(HKEY_CLASSES_ROOT, "");
  EXPECT_NE(std::find(all.begin(), all.end(), "." + ext_), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), cls), all.end());
}

TEST_F(FileType, WithoutAVerbThereIsNoShellKey) {
  RegisterFileType(ext_, "Файл изображения карты", "C:\\Карта\\Icons\\maptl.ico", "", "");
  EXPECT_THAT(Default(ext_ + "FILE"), Optional("Файл изображения карты"s));
  EXPECT_THAT(reg::SubKeyNames(HKEY_CLASSES_ROOT, ext_ + "FILE"), ElementsAre("DefaultIcon"));
}

TEST_F(FileType, UnregisteringRemovesOnlyWhatIsStillTheProducts) {
  // Never registered: nothing appears.
  UnregisterFileType(ext_);
  EXPECT_FALSE(reg::KeyExists(HKEY_CLASSES_ROOT, "." + ext_));
  EXPECT_FALSE(reg::KeyExists(HKEY_CLASSES_ROOT, ext_ + "FILE"));

  // Registered: the extension names no class and the class has no
  // description; the keys, the icon and the verb stay.
  RegisterFileType(ext_, "Описание", "C:\\i.ico", "Открыть", "\"C:\\Map.exe\" %1");
  UnregisterFileType(ext_);
  EXPECT_TRUE(reg::KeyExists(HKEY_CLASSES_ROOT, "." + ext_));
  EXPECT_EQ(Default("." + ext_), std::nullopt);
  EXPECT_EQ(Default(ext_ + "FILE"), std::nullopt);
  EXPECT_THAT(Default(ext_ + "FILE\\DefaultIcon"), Optional("C:\\i.ico"s));
  EXPECT_THAT(Default(ext_ + "FILE\\Shell\\Default"), Optional("Открыть"s));

  // Taken over by another program since: its class keeps its description,
  // and the extension keeps pointing at it.
  const std::string foreign = "OtherApp.Document" + kPid;
  RegisterFileType(other_, "Наше описание", "C:\\i.ico", "", "");
  reg::WriteString(HKEY_CLASSES_ROOT, "." + other_, "", foreign);
  reg::WriteString(HKEY_CLASSES_ROOT, foreign, "", "Документ другой программы");
  UnregisterFileType(other_);
  EXPECT_THAT(Default("." + other_), Optional(foreign));
  EXPECT_THAT(Default(foreign), Optional("Документ другой программы"s));
  EXPECT_THAT(Default(other_ + "FILE"), Optional("Наше описание"s));

  // A value of another type is no class name of ours either.
  reg::WriteDword(HKEY_CLASSES_ROOT, "." + other_, "", 1);
  UnregisterFileType(other_);
  EXPECT_TRUE(reg::ReadRaw(HKEY_CLASSES_ROOT, "." + other_, "").has_value());
}

}  // namespace
