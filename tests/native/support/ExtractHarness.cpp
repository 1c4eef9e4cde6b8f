#include "ExtractHarness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "ZipBuilder.h"
#include "ZipFixture.h"

namespace fs = std::filesystem;

namespace testzip {

namespace {

void MakeWritable(const fs::path& root) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
}

}  // namespace

// Test programs run side by side, and a clock may tick too coarsely to keep
// their folders apart: a folder counts as this one's only when this call
// created it.
ScratchFolder::ScratchFolder() {
  static std::atomic<unsigned> counter{0};
  static const unsigned stem = std::random_device{}();
  for (;;) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir =
        fs::temp_directory_path() / ("uzx-" + std::to_string(stem) + "-" + std::to_string(stamp) +
                                     "-" + std::to_string(++counter));
    if (fs::create_directory(dir)) {
      path_ = dir.generic_u8string();
      return;
    }
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  MakeWritable(fs::u8path(path_));
  fs::remove_all(fs::u8path(path_), ec);
}

std::vector<std::string> ScratchFolder::Files() const {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(fs::u8path(path_)))
    if (e.is_regular_file())
      out.push_back(fs::relative(e.path(), fs::u8path(path_)).generic_u8string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& bytes) {
  std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::u8path(path), ec);
}

RawMember Stored(const std::string& name, const std::string& content) {
  RawMember m;
  m.name = name;
  m.data = content;
  m.crc = Crc32(reinterpret_cast<const uint8_t*>(content.data()), content.size());
  return m;
}

std::string BuildArchive(const std::vector<RawMember>& members) {
  std::string body, central;
  for (const RawMember& m : members) {
    const uint64_t offset = m.localHeaderOffset < 0 ? body.size() : uint64_t(m.localHeaderOffset);
    const uint64_t csize = m.compressedSize < 0 ? m.data.size() : uint64_t(m.compressedSize);
    const uint64_t usize = m.uncompressedSize < 0 ? m.data.size() : uint64_t(m.uncompressedSize);
    std::string fields;
    PutLe16(fields, m.flags);
    PutLe16(fields, m.method);
    PutLe32(fields, m.dateTime);
    PutLe32(fields, m.crc);
    PutLe32(fields, uint32_t(csize));
    PutLe32(fields, uint32_t(usize));
    PutLe16(fields, uint32_t(m.name.size()));
    PutLe16(fields, 0);
    PutLe32(body, 0x04034B50);
    PutLe16(body, 20);
    body += fields + m.name + m.data;
    std::string zip64, offsetField;
    PutLe32(offsetField, uint32_t(offset));
    // In the block's order; the local header keeps the low 32 bits.
    const std::pair<uint64_t, std::string*> wide[] = {
        {usize, nullptr}, {csize, nullptr}, {offset, &offsetField}};
    const size_t at[] = {16, 12, 0};
    for (size_t i = 0; i < 3; ++i) {
      if (wide[i].first <= 0xFFFFFFFF && !m.zip64) continue;
      PutLe64(zip64, wide[i].first);
      (wide[i].second ? *wide[i].second : fields).replace(at[i], 4, std::string(4, '\xFF'));
    }
    std::string block;
    if (!zip64.empty()) {
      PutLe16(block, 0x0001);
      PutLe16(block, uint32_t(zip64.size()));
      block += zip64;
      fields.replace(22, 2, std::string{char(block.size()), '\0'});
    }
    PutLe32(central, 0x02014B50);
    PutLe16(central, m.versionMadeBy);
    PutLe16(central, 20);
    central += fields;
    PutLe16(central, 0);  // comment length
    PutLe16(central, 0);  // disk
    PutLe16(central, 0);  // internal attributes
    PutLe32(central, m.externalAttributes);
    central += offsetField + m.name + block;
  }
  return body + central +
         EndRecord(uint16_t(members.size()), uint32_t(central.size()), uint32_t(body.size()));
}

bool ScriptUI::AskYesNo(const std::string& text, const std::string& caption) {
  messages.push_back(caption + ": " + text);
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptUI::ShowMessage(const std::string& text, const std::string& caption) {
  messages.push_back(caption + ": " + text);
}

EventRecorder::EventRecorder(uz::TUnZip& zip, bool percentages) {
  auto add = [this](const std::string& line) { lines.push_back(line); };
  zip.OnStartUnZipInfo = [add](uz::TObject*, int n, int64_t total, bool&) {
    add("StartUnZipInfo " + std::to_string(n) + " " + std::to_string(total));
  };
  if (percentages) {
    zip.OnFilePercentDone = [add](uz::TObject*, int p) { add("FilePercent " + std::to_string(p)); };
    zip.OnTotalPercentDone = [add](uz::TObject*, int p) {
      add("TotalPercent " + std::to_string(p));
    };
  }
  zip.OnStartUnZip = [add](uz::TObject*, int i, const std::string& name, bool&) {
    add("StartUnZip " + std::to_string(i) + " " + name);
  };
  zip.OnEndUnZip = [add](uz::TObject*, int i, const std::string& name) {
    add("EndUnZip " + std::to_string(i) + " " + name);
  };
  zip.OnSkippingFile = [add](uz::TObject*, uz::TSkipReason r, int i) {
    add(std::string("SkippingFile ") +
        (r == uz::TSkipReason::PasswordFailed ? "PasswordFailed " : "NotOverwritten ") +
        std::to_string(i));
  };
  zip.OnBadCRC = [add](uz::TObject*, int32_t calc, int32_t stored, int i) {
    add("BadCRC " + std::to_string(calc) + " " + std::to_string(stored) + " " + std::to_string(i));
  };
}

std::vector<std::string> EventRecorder::Only(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

}  // namespace testzip
