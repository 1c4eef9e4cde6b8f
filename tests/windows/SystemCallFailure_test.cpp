// Registry and shell calls that fail: the writes raise texts naming what
// failed, the removals stay silent, and no key is left open on any path.
#include "ComApartment.h"
#include "FailingSystemCalls.h"
#include "RegisterInWindows.h"
#include "RegistryValues.h"
#include "Shortcuts.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

using failingcalls::Call;
namespace reg = testregistry;

const std::string kPid = std::to_string(GetCurrentProcessId());
const std::string kProduct = "Отказ " + kPid;
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kRecord = kUninstall + "\\" + kProduct;
const std::string kExt = "f" + kPid;

template <class Error>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(nothing raised)";
}

class SystemCallFailure : public testing::Test {
 protected:
  void SetUp() override { failingcalls::Reset(); }
  void TearDown() override {
    EXPECT_EQ(failingcalls::OpenKeys(), 0) << "a key was left open";
    reg::DeleteKeyTree(HKEY_LOCAL_MACHINE, kRecord);
    reg::DeleteKeyTree(HKEY_CLASSES_ROOT, "." + kExt);
    reg::DeleteKeyTree(HKEY_CLASSES_ROOT, kExt + "FILE");
  }
};

void WriteRecord() {
  WriteUninstallRecord(kProduct, "C:\\П\\Map.exe,1", "Вельтран", "C:\\П", "\"C:\\П\\Setup\" /u", 2,
                       0);
}

void RegisterType() {
  RegisterFileType(kExt, "Описание", "C:\\i.ico", "Импортировать", "\"C:\\Map.exe\" %1");
}

TEST_F(SystemCallFailure, WritesRaiseTheTextOfWhatFailedAndStopThere) {
  struct Row {
    std::function<void()> write;
    Call call;
    int nth;
    std::string message;
    int valuesWritten;  // in the uninstall record
  } rows[] = {
      {WriteRecord, Call::CreateKey, 1, "Failed to create key " + kRecord, -1},
      {WriteRecord, Call::SetValue, 1, "Failed to set data for 'DisplayName'", 0},
      {WriteRecord, Call::SetValue, 3, "Failed to set data for 'DisplayIcon'", 2},
      {WriteRecord, Call::SetValue, 8, "Failed to set data for 'VersionMinor'", 7},
      {[] {
         WriteUninstallRecord(kProduct, "", "", "", "", 2, 0,
                              {"D:\\", "\"C:\\П\\Setup\" /u /S", 1});
       },
       Call::SetValue, 13, "Failed to set data for 'InstallFrom'", 12},
      {RegisterType, Call::CreateKey, 2, "Failed to create key " + kExt + "FILE", -1},
      {RegisterType, Call::SetValue, 5,
       "Failed to set data for '" + kExt + "FILE\\Shell\\Default\\command'", -1},
  };
  for (const Row& row : rows) {
    reg::DeleteKeyTree(HKEY_LOCAL_MACHINE, kRecord);
    failingcalls::FailNth(row.call, row.nth, ERROR_ACCESS_DENIED);
    EXPECT_EQ(MessageOf<ERegistryError>(row.write), row.message);
    if (row.valuesWritten >= 0) {
      EXPECT_EQ(reg::ValueNames(HKEY_LOCAL_MACHINE, kRecord).size(),
                static_cast<size_t>(row.valuesWritten))
          << row.message;
    }
    EXPECT_EQ(failingcalls::OpenKeys(), 0) << row.message;
  }
  // The file type got as far as the failing step: the verb has no command.
  EXPECT_TRUE(reg::KeyExists(HKEY_CLASSES_ROOT, kExt + "FILE\\Shell\\Default"));
  EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, kExt + "FILE\\Shell\\Default\\command", ""),
            std::nullopt);
}

TEST_F(SystemCallFailure, ReadsThatFailRaiseAndTheRemovalsStaySilent) {
  WriteRecord();
  failingcalls::FailNth(Call::QueryValue, 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(MessageOf<ERegistryError>([] { ReadInstallLocation(kProduct); }),
            "Failed to get data for 'InstallLocation'");

  // A record that cannot be opened or enumerated is left as it is.
  for (Call call : {Call::OpenKey, Call::EnumKey, Call::DeleteKey}) {
    reg::WriteString(HKEY_LOCAL_MACHINE, kRecord + "\\Sub", "", "x");
    failingcalls::FailNth(call, call == Call::DeleteKey ? 2 : 1, ERROR_ACCESS_DENIED);
    DeleteUninstallRecord(kProduct);
    EXPECT_TRUE(reg::KeyExists(HKEY_LOCAL_MACHINE, kRecord)) << static_cast<int>(call);
  }
  reg::WriteString(HKEY_LOCAL_MACHINE, kRecord + "\\Sub", "", "x");
  failingcalls::FailNth(Call::DeleteKey, 1, ERROR_ACCESS_DENIED);  // the sub-key stays...
  DeleteUninstallRecord(kProduct);
  EXPECT_TRUE(reg::KeyExists(HKEY_LOCAL_MACHINE, kRecord + "\\Sub"));
  DeleteUninstallRecord(kProduct);  // ...until the next removal
  EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kRecord));

  RegisterType();
  for (Call call : {Call::OpenKey, Call::QueryValue, Call::DeleteValue}) {
    failingcalls::FailNth(call, 1, ERROR_ACCESS_DENIED);
    UnregisterFileType(kExt);
  }
  EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, "." + kExt, ""), kExt + "FILE");
  UnregisterFileType(kExt);
  EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, "." + kExt, ""), std::nullopt);
}

TEST_F(SystemCallFailure, ALinkObjectThatCannotBeMadeRaises) {
  TComApartment com;
  testfiles::TempFolder temp;
  failingcalls::FailNth(Call::CreateShellLinkObject, 1, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(MessageOf<EShellLinkError>([&] { CreateShellLink(temp / "Map.exe", temp / "a.lnk"); }),
            "Cannot create the shell link object (0x80040154)");
  EXPECT_FALSE(testfiles::Exists(temp / "a.lnk"));
  CreateShellLink(temp / "Map.exe", temp / "b.lnk");
  EXPECT_TRUE(testfiles::IsFile(temp / "b.lnk"));
}

}  // namespace
