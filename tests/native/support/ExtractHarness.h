#pragma once
// Helpers for tests that run whole extractions: a scratch folder, archives
// built from raw member bytes (any method, sizes and CRC, right or wrong), a
// scripted user interface and a recorder of the component's events.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "UnZip.h"

namespace testzip {

// A new empty folder in the temporary folder, removed with its content
// (read-only files included) when the object dies.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }
  // Every file below the folder, as relative paths with "/", sorted.
  std::vector<std::string> Files() const;

 private:
  std::string path_;
};

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// One member as its bytes stand in the archive.
struct RawMember {
  std::string name;
  std::string data;  // compressed bytes as stored (with the encryption header, if any)
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t crc = 0;
  int64_t uncompressedSize = -1;   // -1: the data's size
  int64_t compressedSize = -1;     // -1: the data's size (what the records claim)
  uint32_t dateTime = 0x5A8C6C00;  // 2025-04-12 13:32:00
  uint32_t externalAttributes = 0x20;
  uint16_t versionMadeBy = 20;     // host in the high byte (3: Unix)
  int64_t localHeaderOffset = -1;  // -1: where the local header is
  // Sizes and offset past 32 bits, or all three with zip64, stand in a
  // ZIP64 block of the central record.
  bool zip64 = false;
};
// A member whose data is content itself, stored with its right CRC.
RawMember Stored(const std::string& name, const std::string& content);
std::string BuildArchive(const std::vector<RawMember>& members);

// Answers the component's questions from a script and records its messages.
class ScriptUI : public uz::TUnZipUI {
 public:
  bool ChooseZipFile(const std::string&, const std::string&, const std::string&,
                     std::string&) override {
    return false;
  }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void ProcessMessages() override { ++processed; }

  std::deque<bool> answers;           // AskYesNo answers in order; "no" when used up
  std::vector<std::string> messages;  // "caption: text" of every question and message
  int processed = 0;
};

// Records every event as one line ("StartUnZip 0 name"), leaving each
// handler's decisions as they come (Skip, StopNow, ... stay unchanged).
class EventRecorder {
 public:
  explicit EventRecorder(uz::TUnZip& zip, bool percentages = false);
  std::vector<std::string> lines;
  // Lines that start with prefix.
  std::vector<std::string> Only(const std::string& prefix) const;
};

}  // namespace testzip
