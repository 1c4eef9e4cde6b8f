#include "TempFolder.h"

#include "SpecialFolders.h"

#include "Utf.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace testfiles {

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) { return fs::path(toolkit::Widen(utf8)); }

}  // namespace

TempFolder::TempFolder() {
  static int serial = 0;
  std::string base = TemporaryFolder();
  if (!base.empty() && base.back() == '\\') base.pop_back();
  for (;;) {
    path_ = base + "\\wintest-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    if (CreateDirectoryW(toolkit::Widen(path_).c_str(), nullptr)) break;
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(PathOf(path_), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(PathOf(path_), ignored);
}

void WriteTextFile(const std::string& path, const std::string& content) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(toolkit::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolder(const std::string& path) {
  CreateDirectoryW(toolkit::Widen(path).c_str(), nullptr);
}

size_t EntriesIn(const std::string& folder) {
  std::error_code error;
  fs::directory_iterator it(PathOf(folder), error);
  if (error) return 0;
  return static_cast<size_t>(std::distance(it, fs::directory_iterator()));
}

}  // namespace testfiles
