#include "ZipFixture.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace testzip {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> data;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot open " + path);
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  std::fclose(f);
  return data;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

namespace {

uint32_t Le(const std::vector<uint8_t>& d, size_t at, int width) {
  if (at + width > d.size()) throw std::runtime_error("record runs past the archive");
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | d[at + i];
  return v;
}

}  // namespace

std::vector<Member> ReadMembers(const std::vector<uint8_t>& a) {
  if (a.size() < 22) throw std::runtime_error("too short for an archive");
  size_t eocd = a.size() - 22;
  while (Le(a, eocd, 4) != 0x06054b50u) {
    if (eocd == 0) throw std::runtime_error("no end record");
    --eocd;
  }
  uint32_t count = Le(a, eocd + 10, 2);
  size_t at = Le(a, eocd + 16, 4);
  std::vector<Member> out;
  for (uint32_t i = 0; i < count; ++i) {
    if (Le(a, at, 4) != 0x02014b50u) throw std::runtime_error("bad central record");
    Member m;
    m.flags = Le(a, at + 8, 2);
    m.method = Le(a, at + 10, 2);
    m.crc = Le(a, at + 16, 4);
    m.csize = Le(a, at + 20, 4);
    m.usize = Le(a, at + 24, 4);
    uint32_t nlen = Le(a, at + 28, 2), xlen = Le(a, at + 30, 2), clen = Le(a, at + 32, 2);
    m.localOffset = Le(a, at + 42, 4);
    m.name.assign(reinterpret_cast<const char*>(&a[at + 46]), nlen);
    size_t data = m.localOffset + 30 + Le(a, m.localOffset + 26, 2) + Le(a, m.localOffset + 28, 2);
    if (data + m.csize > a.size()) throw std::runtime_error("member data runs past the archive");
    m.data.assign(a.begin() + data, a.begin() + data + m.csize);
    out.push_back(std::move(m));
    at += 46 + nlen + xlen + clen;
  }
  return out;
}

const Member& FindMember(const std::vector<Member>& members, const std::string& name) {
  for (const Member& m : members)
    if (m.name == name) return m;
  throw std::runtime_error("no member " + name);
}

uint32_t MemoryHost::ReadCompressed(uint8_t* dst, uint32_t n, bool processMessages) {
  ++refills;
  if (processMessages) ++messageRefills;
  size_t take = std::min<size_t>(n, in_.size() - pos_);
  std::memcpy(dst, in_.data() + pos_, take);
  pos_ += take;
  return static_cast<uint32_t>(take);
}

bool MemoryHost::WriteDecoded(const uint8_t* data, uint32_t n) {
  ++writes;
  if (limit_ >= 0 && static_cast<int64_t>(output.size() + n) > limit_) {
    output.insert(output.end(), data, data + (limit_ - static_cast<int64_t>(output.size())));
    return false;
  }
  output.insert(output.end(), data, data + n);
  return true;
}

}  // namespace testzip
