#pragma once
// A scratch folder per fuzzing process under the temporary folder: the input
// becomes an archive file there and extractions go below it. It is emptied
// after every run, and a run that leaves anything beside its own two names
// has written outside its destination: that traps.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzscratch {

class Scratch {
 public:
  Scratch() {
    root_ = std::filesystem::temp_directory_path() / ("uzfuzz-" + std::to_string(getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string Archive() const { return (root_ / "in.zip").string(); }
  std::string Out() const { return (root_ / "out").string(); }

  void WriteArchive(const uint8_t* data, size_t size) const {
    FILE* f = std::fopen(Archive().c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
  }

  // Removes what the run wrote; traps when anything stands beside the
  // archive and the destination.
  void Clean() const {
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
      const std::string name = entry.path().filename().string();
      if (name != "in.zip" && name != "out") std::abort();
    }
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(Out(), ec);
         !ec && it != std::filesystem::end(it); it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Out(), ec);
  }

 private:
  std::filesystem::path root_;
};

}  // namespace fuzzscratch
