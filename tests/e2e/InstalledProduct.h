// What an installation leaves on the system, read back from outside the
// product: the install folder's files and folders, the registry records and
// the shell links. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct FileFacts {
  uint64_t size = 0;
  uint32_t crc = 0;
};

// The medium builder's plan: installed path (relative, "\"-separated) to size
// and CRC-32. Empty when the file cannot be read.
std::map<std::string, FileFacts> ReadPlan(const std::string& planFile);

// Every file below `folder`, relative paths to size and CRC-32; `folders`
// receives the relative paths of the folders.
std::map<std::string, FileFacts> FilesBelow(const std::string& folder,
                                            std::vector<std::string>* folders);
FileFacts FactsOf(const std::string& file);

struct LinkFacts {
  bool exists = false;
  std::string target, arguments, description;
};
LinkFacts ReadLink(const std::string& linkFile);

// The user's shell folder recorded under `name` ("Programs", "Desktop").
std::string ShellFolder(const std::string& name);

// The expectations, as GoogleTest failures. `source` is the medium's folder
// with its trailing backslash.
void ExpectRecords(const std::string& directory, const std::string& source);
void ExpectFileTypes(const std::string& directory);
void ExpectLinks(const std::string& directory);
// Nothing of the product: no folder, no record, no file type, no link.
void ExpectNothingOfTheProduct(const std::string& directory);

}  // namespace e2e
