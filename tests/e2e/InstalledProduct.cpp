#include "InstalledProduct.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "InstallSession.h"
#include "RegistryValues.h"
#include "Utf.h"
#include "decoders/uzCrc32.h"

namespace e2e {

namespace reg = testregistry;

namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesW(toolkit::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Walk(const std::string& folder, const std::string& relative,
          std::map<std::string, FileFacts>& files, std::vector<std::string>* folders) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(toolkit::Widen(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = toolkit::Narrow(found.cFileName);
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (folders) folders->push_back(path);
      Walk(folder + "\\" + name, path, files, folders);
    } else {
      files[path] = FactsOf(folder + "\\" + name);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::string ClassesValue(const std::string& key) {
  return reg::ReadString(HKEY_CLASSES_ROOT, key, "").value_or("(missing)");
}

}  // namespace

std::map<std::string, FileFacts> ReadPlan(const std::string& planFile) {
  std::map<std::string, FileFacts> plan;
  std::ifstream in(toolkit::Widen(planFile).c_str());
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string path, size, crc;
    if (!std::getline(fields, path, '\t') || !std::getline(fields, size, '\t') ||
        !std::getline(fields, crc, '\t'))
      continue;
    plan[path] = {std::stoull(size), uint32_t(std::stoul(crc, nullptr, 16))};
  }
  return plan;
}

FileFacts FactsOf(const std::string& file) {
  FileFacts facts;
  HANDLE handle = CreateFileW(toolkit::Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return facts;
  std::vector<uint8_t> buffer(1 << 20);
  uint32_t crc = 0xFFFFFFFFu;
  DWORD read = 0;
  while (ReadFile(handle, buffer.data(), DWORD(buffer.size()), &read, nullptr) && read > 0) {
    crc = uz::UpdateCrc32(crc, buffer.data(), read);
    facts.size += read;
  }
  CloseHandle(handle);
  facts.crc = ~crc;
  return facts;
}

std::map<std::string, FileFacts> FilesBelow(const std::string& folder,
                                            std::vector<std::string>* folders) {
  std::map<std::string, FileFacts> files;
  Walk(folder, "", files, folders);
  return files;
}

LinkFacts ReadLink(const std::string& linkFile) {
  LinkFacts facts;
  if (!Exists(linkFile)) return facts;
  facts.exists = true;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return facts;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(toolkit::Widen(linkFile).c_str(), STGM_READ))) {
      // The item list holds the target's names in full; the link's plain path
      // is kept in the system code page, which need not hold them.
      wchar_t text[MAX_PATH * 2] = {};
      PIDLIST_ABSOLUTE items = nullptr;
      if (SUCCEEDED(link->GetIDList(&items)) && items) {
        if (SHGetPathFromIDListW(items, text)) facts.target = toolkit::Narrow(text);
        CoTaskMemFree(items);
      }
      text[0] = 0;
      if (SUCCEEDED(link->GetArguments(text, MAX_PATH * 2)))
        facts.arguments = toolkit::Narrow(text);
      text[0] = 0;
      if (SUCCEEDED(link->GetDescription(text, MAX_PATH * 2)))
        facts.description = toolkit::Narrow(text);
    }
    file->Release();
  }
  link->Release();
  return facts;
}

std::string ShellFolder(const std::string& name) {
  return reg::ReadString(HKEY_CURRENT_USER,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         name)
      .value_or("");
}

void ExpectRecords(const std::string& d, const std::string& source) {
  const std::string key = UninstallKey();
  auto value = [&](const char* name) {
    return reg::ReadString(HKEY_LOCAL_MACHINE, key, name).value_or("(missing)");
  };
  EXPECT_EQ(value("DisplayName"), kProductName);
  EXPECT_EQ(value("DisplayVersion"), "2.0");
  EXPECT_EQ(value("DisplayIcon"), d + "\\Map.exe,1");
  EXPECT_EQ(value("InstallLocation"), d);
  EXPECT_EQ(value("UninstallString"), "\"" + d + "\\Setup\" /u");
  EXPECT_EQ(value("Publisher"), "Вельтран");
  EXPECT_EQ(value("InstallFrom"), source);
  for (const auto& [name, expected] :
       {std::pair<const char*, BYTE>{"VersionMajor", 2},
        std::pair<const char*, BYTE>{"VersionMinor", 0},
        std::pair<const char*, BYTE>{"NoModify", 1}, std::pair<const char*, BYTE>{"NoRepair", 1}}) {
    const auto raw = reg::ReadRaw(HKEY_LOCAL_MACHINE, key, name);
    ASSERT_TRUE(raw) << name;
    EXPECT_EQ(raw->type, DWORD(REG_DWORD)) << name;
    EXPECT_EQ(raw->data, std::vector<BYTE>({expected, 0, 0, 0})) << name;
  }
  EXPECT_EQ(value("QuietUninstallString"), "\"" + d + "\\Setup\" /u /S");
  uint64_t bytes = 0;
  for (const auto& file : FilesBelow(d, nullptr)) bytes += file.second.size;
  const auto size = reg::ReadRaw(HKEY_LOCAL_MACHINE, key, "EstimatedSize");
  ASSERT_TRUE(size && size->type == REG_DWORD && size->data.size() == 4);
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(size->data.data()), (bytes + 1023) / 1024);
  EXPECT_EQ(reg::ValueNames(HKEY_LOCAL_MACHINE, key).size(), 13u);
}

void ExpectFileTypes(const std::string& d) {
  EXPECT_EQ(ClassesValue(".maptldb"), "maptldbFILE");
  EXPECT_EQ(ClassesValue("maptldbFILE"), "Файл базы данных объектов карты");
  EXPECT_EQ(ClassesValue("maptldbFILE\\DefaultIcon"), d + "\\Icons\\maptldb.ico");
  EXPECT_EQ(ClassesValue("maptldbFILE\\Shell\\Default"), "Импортировать");
  EXPECT_EQ(ClassesValue("maptldbFILE\\Shell\\Default\\command"), "\"" + d + "\\Map.exe\" %1");
  EXPECT_EQ(ClassesValue(".maptl"), "maptlFILE");
  EXPECT_EQ(ClassesValue("maptlFILE"), "Файл изображения карты");
  EXPECT_EQ(ClassesValue("maptlFILE\\DefaultIcon"), d + "\\Icons\\maptl.ico");
  EXPECT_FALSE(reg::KeyExists(HKEY_CLASSES_ROOT, "maptlFILE\\Shell"));
}

void ExpectLinks(const std::string& d) {
  const std::string group = ShellFolder("Programs") + "\\" + kProductName;
  const struct {
    std::string link, target;
  } links[] = {
      {group + "\\" + kProductName + ".lnk", d + "\\Map.exe"},
      {group + "\\Справка.lnk", d + "\\Docs\\Help\\Help.htm"},
      {ShellFolder("Desktop") + "\\" + kProductName + ".lnk", d + "\\Map.exe"},
  };
  for (const auto& expected : links) {
    const LinkFacts facts = ReadLink(expected.link);
    EXPECT_TRUE(facts.exists) << expected.link;
    EXPECT_EQ(facts.target, expected.target) << expected.link;
    EXPECT_EQ(facts.arguments, "") << expected.link;
    EXPECT_EQ(facts.description, "") << expected.link;
  }
  std::vector<std::string> folders;
  EXPECT_EQ(FilesBelow(group, &folders).size(), 2u) << group;
}

void ExpectNothingOfTheProduct(const std::string& d) {
  EXPECT_FALSE(Exists(d)) << d;
  EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
  for (const char* type : {"maptl", "maptldb"}) {
    EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, std::string(".") + type, ""), std::nullopt)
        << type;
    EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, std::string(type) + "FILE", ""), std::nullopt)
        << type;
  }
  EXPECT_FALSE(Exists(ShellFolder("Programs") + "\\" + kProductName));
  EXPECT_FALSE(Exists(ShellFolder("Desktop") + "\\" + kProductName + ".lnk"));
}

}  // namespace e2e
