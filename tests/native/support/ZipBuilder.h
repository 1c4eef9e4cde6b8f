#pragma once
// Builds small archives in memory for catalogue tests, with the knobs that
// real writers turn: data descriptors of every length, missing local sizes,
// ZIP64 extra fields, foreign bytes in front, a central directory out of
// order or absent, and an archive comment.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testzip {

struct BuildMember {
  enum class Descriptor { None, Bare12, Signed16, Bare20, Signed24 };
  // Marker: 0xFFFFFFFF.
  enum class LocalSizes { Real, Zero, Marker };

  std::string name;  // stored bytes
  std::string data;  // stored as it is (method 0 unless method says otherwise)
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t dateTime = 0x5A8C6C00;  // 2025-04-12 13:32:00
  uint32_t externalAttributes = 0x20;
  uint16_t part = 0;
  std::string comment;
  std::string centralExtra;                  // the central record's extra field
  Descriptor descriptor = Descriptor::None;  // sets flag bit 3 when not None
  LocalSizes localSizes = LocalSizes::Real;
  bool zip64LocalExtra = false;  // a ZIP64 block in the local header
};

struct ZipBuilder {
  std::string prefix;  // foreign bytes before the archive; offsets ignore them
  std::vector<BuildMember> members;
  bool writeCentral = true;
  bool writeEnd = true;
  std::string archiveComment;
  std::vector<int> centralOrder;          // member indexes; empty: physical order
  std::map<int, uint32_t> centralOffset;  // local header offset a central record claims
  std::string trailer;                    // bytes after the end record and its comment

  // Member offsets as the central directory states them (without prefix).
  std::vector<uint32_t> Offsets() const;
  std::string Build() const;
};

void PutLe16(std::string& out, uint32_t v);
void PutLe32(std::string& out, uint32_t v);
void PutLe64(std::string& out, uint64_t v);
uint32_t ReadLe32(const std::string& bytes, size_t at);
// An end record with the given fields and comment.
std::string EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset,
                      const std::string& comment = std::string(), uint16_t thisDisk = 0,
                      uint16_t directoryDisk = 0);

// A file in the temporary folder, removed when the object dies.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes, const std::string& suffix = ".zip");
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& Path() const { return path_; }
  void Rewrite(const std::string& bytes) const;

 private:
  std::string path_;
};

}  // namespace testzip
