// The real Setup.exe under its three run modes: started as "Setup.exe /u" it
// copies itself as Duv20Izeviruvu.exe into a new folder of its own in the
// temporary folder (removing an earlier, protected copy from the temporary
// folder itself), starts the copy with "/u" and ends by itself; under
// any other name, or without the switch, it stays and runs its window.
#include <gtest/gtest.h>

#include "StartupProcesses.h"

namespace {

constexpr DWORD kStartMs = 30000;  // a first start under the emulator is slow
const wchar_t kCopyName[] = L"Duv20Izeviruvu.exe";
constexpr DWORD kProtected =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::wstring Widen(const char* text) {
  std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(wide.size() - 1);
  return wide;
}

// Points the temporary folder of the programs this test starts (through the
// inherited environment) somewhere else for the guard's lifetime.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::wstring& folder) : tmp_(Get(L"TMP")), temp_(Get(L"TEMP")) {
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
  }
  ~TempFolderOverride() {
    SetEnvironmentVariableW(L"TMP", tmp_.c_str());
    SetEnvironmentVariableW(L"TEMP", temp_.c_str());
  }
  TempFolderOverride(const TempFolderOverride&) = delete;
  TempFolderOverride& operator=(const TempFolderOverride&) = delete;

 private:
  static std::wstring Get(const wchar_t* name) {
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length < 1024 ? std::wstring(buffer, length) : std::wstring();
  }
  std::wstring tmp_, temp_;
};

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    EndCopiesStillRunning();
    RemoveFile(copyPath_);
    CreateDirectoryW(workFolder_.c_str(), nullptr);
    program_ = e2e::ReadWholeFile(Widen(SETUP_EXE_PATH));
    ASSERT_FALSE(program_.empty()) << "cannot read " << SETUP_EXE_PATH;
  }

  void TearDown() override {
    EndCopiesStillRunning();
    RemoveFile(copyPath_);
    RemoveCopyFolders();
  }

  // Setup.exe placed in the test's own folder under `name`.
  std::wstring PlaceProgramAs(const std::wstring& name) {
    const std::wstring path = workFolder_ + name;
    RemoveFile(path);
    EXPECT_TRUE(e2e::WriteWholeFile(path, program_));
    return path;
  }

  static void RemoveFile(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }

  static void EndCopiesStillRunning() {
    for (e2e::Process& copy : e2e::FindProcesses(kCopyName)) copy.Close(10000);
  }

  // The folders made for copies that ended without uninstalling.
  void RemoveCopyFolders() const {
    const std::wstring folder = copyPath_.substr(0, copyPath_.size() - wcslen(kCopyName));
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"Duv20Izeviruvu.~*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      RemoveFile(folder + entry.cFileName + L"\\" + kCopyName);
      RemoveDirectoryW((folder + entry.cFileName).c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }

  void ExpectRelocationUnder(const std::wstring& name);

  const std::wstring temp_ = e2e::TempFolder();
  const std::wstring workFolder_ = temp_ + L"startup-e2e\\";
  std::wstring copyPath_ = temp_ + kCopyName;
  std::string program_;
};

void Startup::ExpectRelocationUnder(const std::wstring& name) {
  // An earlier copy, protected as a copy from a read-only medium could be.
  ASSERT_TRUE(e2e::WriteWholeFile(copyPath_, "an earlier copy"));
  ASSERT_TRUE(SetFileAttributesW(copyPath_.c_str(), kProtected));

  e2e::Process setup = e2e::Start(PlaceProgramAs(name), L"/u", workFolder_);
  ASSERT_TRUE(setup.Valid());
  bool sawWindow = false;
  EXPECT_TRUE(setup.WaitForExitWatchingWindows(kStartMs, sawWindow))
      << "the relocating instance must end by itself";
  EXPECT_FALSE(sawWindow) << "the relocating instance must show no window";

  std::vector<e2e::Process> copies;
  const ULONGLONG deadline = GetTickCount64() + kStartMs;
  while (copies.empty() && GetTickCount64() < deadline) {
    Sleep(50);
    copies = e2e::FindProcesses(kCopyName);
  }
  ASSERT_EQ(copies.size(), 1u) << "the copy must have been started";
  e2e::Process& copy = copies.front();

  EXPECT_FALSE(e2e::FileExists(copyPath_)) << "the earlier copy must be removed";
  // "<temp>Duv20Izeviruvu.~XXXXXXXX\Duv20Izeviruvu.exe", quoted.
  const std::wstring line = copy.CommandLine();
  const std::wstring folder = copyPath_.substr(0, copyPath_.size() - wcslen(kCopyName));
  const std::wstring stem = L"\"" + folder + L"Duv20Izeviruvu.~";
  const std::wstring tail = std::wstring(L"\\") + kCopyName + L"\" /u";
  ASSERT_EQ(line.size(), stem.size() + 8 + tail.size()) << line;
  EXPECT_EQ(line.substr(0, stem.size()), stem) << line;
  EXPECT_EQ(line.substr(stem.size() + 8), tail) << line;
  EXPECT_EQ(e2e::ReadWholeFile(line.substr(1, line.size() - 5)), program_);

  // The copy is the uninstaller proper: it does not relocate again but stays.
  EXPECT_TRUE(copy.WaitForWindow(kStartMs));
  EXPECT_TRUE(copy.Running());
  EXPECT_EQ(e2e::FindProcesses(kCopyName).size(), 1u);
  EXPECT_TRUE(copy.Close(kStartMs));
}

TEST_F(Startup, SetupExeWithSwitchRelocatesAndEnds) { ExpectRelocationUnder(L"Setup.exe"); }

TEST_F(Startup, NameComparisonIgnoresLetterCase) { ExpectRelocationUnder(L"sETUP.exe"); }

TEST_F(Startup, TemporaryFolderWithBlanksAndCyrillicLetters) {
  // The copy's path is quoted on its command line and crosses the system
  // boundary in UTF-16: a profile folder like this one must work.
  const std::wstring temp = workFolder_ + Widen("Временные файлы пользователя\\");
  CreateDirectoryW(temp.c_str(), nullptr);
  TempFolderOverride override(temp);
  copyPath_ = temp + kCopyName;
  ExpectRelocationUnder(L"Setup.exe");
  EndCopiesStillRunning();
  RemoveCopyFolders();
  RemoveDirectoryW(temp.c_str());
}

TEST_F(Startup, OtherNameWithSwitchStaysWithoutCopying) {
  e2e::Process setup = e2e::Start(PlaceProgramAs(L"Setup1.exe"), L"/u", workFolder_);
  ASSERT_TRUE(setup.Valid());
  EXPECT_TRUE(setup.WaitForWindow(kStartMs)) << "it runs its own window";
  EXPECT_FALSE(e2e::FileExists(copyPath_));
  EXPECT_TRUE(e2e::FindProcesses(kCopyName).empty());
  EXPECT_TRUE(setup.Close(kStartMs));
}

TEST_F(Startup, SetupExeWithoutSwitchStaysWithoutCopying) {
  e2e::Process setup = e2e::Start(PlaceProgramAs(L"Setup.exe"), L"-u", workFolder_);
  ASSERT_TRUE(setup.Valid());
  EXPECT_TRUE(setup.WaitForWindow(kStartMs));
  EXPECT_FALSE(e2e::FileExists(copyPath_));
  EXPECT_TRUE(e2e::FindProcesses(kCopyName).empty());
  EXPECT_TRUE(setup.Close(kStartMs));
}

}  // namespace
