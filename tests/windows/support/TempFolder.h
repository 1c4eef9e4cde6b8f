// A scratch folder for file-system tests, removed with its contents at the end.
#pragma once

#include <string>

namespace testfiles {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder (UTF-8, no trailing backslash) and paths below it.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

void WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path);  // empty when missing
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);
bool Exists(const std::string& path);
void MakeFolder(const std::string& path);
size_t EntriesIn(const std::string& folder);  // files and folders directly inside

}  // namespace testfiles
