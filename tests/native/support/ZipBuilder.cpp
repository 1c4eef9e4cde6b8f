#include "ZipBuilder.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "ZipFixture.h"

namespace testzip {

void PutLe16(std::string& out, uint32_t v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}

void PutLe32(std::string& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

void PutLe64(std::string& out, uint64_t v) {
  PutLe32(out, uint32_t(v));
  PutLe32(out, uint32_t(v >> 32));
}

uint32_t ReadLe32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(bytes.at(at + i));
  return v;
}

std::string EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset,
                      const std::string& comment, uint16_t thisDisk, uint16_t directoryDisk) {
  std::string out;
  PutLe32(out, 0x06054B50);
  PutLe16(out, thisDisk);
  PutLe16(out, directoryDisk);
  PutLe16(out, entries);
  PutLe16(out, entries);
  PutLe32(out, directorySize);
  PutLe32(out, directoryOffset);
  PutLe16(out, uint32_t(comment.size()));
  return out + comment;
}

namespace {

using Descriptor = BuildMember::Descriptor;
using LocalSizes = BuildMember::LocalSizes;

uint32_t CrcOf(const std::string& s) {
  return Crc32(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

uint16_t FlagsOf(const BuildMember& m) {
  return uint16_t(m.flags | (m.descriptor != Descriptor::None ? 0x0008 : 0));
}

std::string LocalHeader(const BuildMember& m) {
  const uint32_t size = uint32_t(m.data.size());
  const bool real = m.localSizes == LocalSizes::Real;
  const uint32_t localSize = real ? size : m.localSizes == LocalSizes::Zero ? 0 : 0xFFFFFFFF;
  std::string extra;
  if (m.zip64LocalExtra) {
    PutLe16(extra, 1);
    PutLe16(extra, 16);
    PutLe64(extra, real ? size : 0);
    PutLe64(extra, real ? size : 0);
  }
  std::string out;
  PutLe32(out, 0x04034B50);
  PutLe16(out, 20);
  PutLe16(out, FlagsOf(m));
  PutLe16(out, m.method);
  PutLe32(out, m.dateTime);
  PutLe32(out, real ? CrcOf(m.data) : 0);
  PutLe32(out, localSize);
  PutLe32(out, localSize);
  PutLe16(out, uint32_t(m.name.size()));
  PutLe16(out, uint32_t(extra.size()));
  return out + m.name + extra;
}

std::string DataDescriptor(const BuildMember& m) {
  std::string out;
  const uint32_t size = uint32_t(m.data.size());
  const bool wide = m.descriptor == Descriptor::Bare20 || m.descriptor == Descriptor::Signed24;
  const bool signed_ = m.descriptor == Descriptor::Signed16 || m.descriptor == Descriptor::Signed24;
  if (m.descriptor == Descriptor::None) return out;
  if (signed_) PutLe32(out, 0x08074B50);
  PutLe32(out, CrcOf(m.data));
  if (wide) {
    PutLe64(out, size);
    PutLe64(out, size);
  } else {
    PutLe32(out, size);
    PutLe32(out, size);
  }
  return out;
}

std::string CentralHeader(const BuildMember& m, uint32_t offset) {
  std::string out;
  PutLe32(out, 0x02014B50);
  PutLe16(out, 20);
  PutLe16(out, 20);
  PutLe16(out, FlagsOf(m));
  PutLe16(out, m.method);
  PutLe32(out, m.dateTime);
  PutLe32(out, CrcOf(m.data));
  PutLe32(out, uint32_t(m.data.size()));
  PutLe32(out, uint32_t(m.data.size()));
  PutLe16(out, uint32_t(m.name.size()));
  PutLe16(out, uint32_t(m.centralExtra.size()));
  PutLe16(out, uint32_t(m.comment.size()));
  PutLe16(out, m.part);
  PutLe16(out, 0);
  PutLe32(out, m.externalAttributes);
  PutLe32(out, offset);
  return out + m.name + m.centralExtra + m.comment;
}

}  // namespace

std::vector<uint32_t> ZipBuilder::Offsets() const {
  std::vector<uint32_t> offsets;
  uint32_t at = 0;
  for (const BuildMember& m : members) {
    offsets.push_back(at);
    at += uint32_t(LocalHeader(m).size() + m.data.size() + DataDescriptor(m).size());
  }
  return offsets;
}

std::string ZipBuilder::Build() const {
  std::string body;
  for (const BuildMember& m : members) body += LocalHeader(m) + m.data + DataDescriptor(m);
  const std::vector<uint32_t> offsets = Offsets();
  std::vector<int> order = centralOrder;
  if (order.empty())
    for (size_t i = 0; i < members.size(); ++i) order.push_back(int(i));
  std::string central;
  for (int i : order) {
    auto claimed = centralOffset.find(i);
    central +=
        CentralHeader(members[i], claimed != centralOffset.end() ? claimed->second : offsets[i]);
  }
  std::string out = prefix + body;
  if (writeCentral) out += central;
  if (writeEnd)
    out += EndRecord(uint16_t(order.size()), writeCentral ? uint32_t(central.size()) : 0,
                     uint32_t(body.size()), archiveComment);
  return out + trailer;
}

namespace {

std::string UniqueTempPath(const std::string& suffix) {
  // Test programs run side by side: a random stem per process keeps apart.
  static const unsigned stemSeed = std::random_device{}();
  static std::atomic<unsigned> counter{0};
  const auto dir = std::filesystem::temp_directory_path();
  const std::string stem = "uzcat-" + std::to_string(stemSeed) + "-" + std::to_string(++counter);
  return (dir / (stem + suffix)).string();
}

}  // namespace

TempFile::TempFile(const std::string& bytes, const std::string& suffix)
    : path_(UniqueTempPath(suffix)) {
  Rewrite(bytes);
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

void TempFile::Rewrite(const std::string& bytes) const {
  FILE* f = std::fopen(path_.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot create " + path_);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  std::fclose(f);
  if (!ok) throw std::runtime_error("cannot write " + path_);
}

}  // namespace testzip
