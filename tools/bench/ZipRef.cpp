// zipref ARCHIVE DESTDIR: extracts every stored or deflated member of a
// single-part archive with libdeflate, checking each CRC. Only a yardstick
// for benchmarks: no encryption, no legacy methods, names are trusted (run
// it on archives you made), and a member is inflated whole in memory.
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

uint32_t Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }
uint64_t Le64(const uint8_t* p) { return Le32(p) | uint64_t(Le32(p + 4)) << 32; }

// Sizes and offset marked 0xFFFFFFFF take their values from the ZIP64 block.
void ApplyZip64(const uint8_t* extra, size_t length, uint64_t& usize, uint64_t& csize,
                uint64_t& offset) {
  for (size_t at = 0; at + 4 <= length; at += 4 + Le16(extra + at + 2)) {
    if (Le16(extra + at) != 1) continue;
    const uint8_t* v = extra + at + 4;
    const uint8_t* end = v + Le16(extra + at + 2);
    for (uint64_t* field : {&usize, &csize, &offset})
      if (*field == 0xFFFFFFFFu && v + 8 <= end) *field = Le64(v), v += 8;
    return;
  }
}

struct Mapping {
  const uint8_t* data = nullptr;
  size_t size = 0;
  ~Mapping() {
    if (data) munmap(const_cast<uint8_t*>(data), size);
  }
};

bool Map(const char* path, Mapping& m) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && st.st_size > 0;
  if (ok) {
    void* p = mmap(nullptr, st.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
    ok = p != MAP_FAILED;
    if (ok) {
      m.data = static_cast<const uint8_t*>(p);
      m.size = st.st_size;
    }
  }
  close(fd);
  return ok;
}

void MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
    mkdir(path.substr(0, at).c_str(), 0777);
  mkdir(path.c_str(), 0777);
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t n) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0 && errno == ENOENT) {
    MakeFolders(path.substr(0, path.rfind('/')));
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  }
  if (fd < 0) return false;
  while (n > 0) {
    ssize_t w = write(fd, data, n);
    if (w <= 0) break;
    data += w;
    n -= static_cast<size_t>(w);
  }
  close(fd);
  return n == 0;
}

long FindEndRecord(const Mapping& m) {
  if (m.size < 22) return -1;
  size_t low = m.size > 65557 ? m.size - 65557 : 0;
  for (size_t at = m.size - 22 + 1; at-- > low;)
    if (Le32(m.data + at) == 0x06054B50u) return static_cast<long>(at);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zipref ARCHIVE DESTDIR\n");
    return 2;
  }
  Mapping m;
  if (!Map(argv[1], m)) return 2;
  long end = FindEndRecord(m);
  if (end < 0) return 2;
  std::string dest = argv[2];
  MakeFolders(dest);
  std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  std::vector<uint8_t> out;
  uint32_t count = Le16(m.data + end + 10);
  uint64_t at = Le32(m.data + end + 16);
  if (end >= 20 && Le32(m.data + end - 20) == 0x07064B50u) {  // the ZIP64 end record
    const uint8_t* record = m.data + Le64(m.data + end - 12);
    count = static_cast<uint32_t>(Le64(record + 32));
    at = Le64(record + 48);
  }
  int failures = 0;
  for (uint32_t i = 0; i < count && at + 46 <= m.size; ++i) {
    const uint8_t* c = m.data + at;
    uint32_t method = Le16(c + 10), crc = Le32(c + 16);
    uint64_t csize = Le32(c + 20), usize = Le32(c + 24), offset = Le32(c + 42);
    uint32_t nlen = Le16(c + 28), xlen = Le16(c + 30), klen = Le16(c + 32);
    std::string name(reinterpret_cast<const char*>(c + 46), nlen);
    ApplyZip64(c + 46 + nlen, xlen, usize, csize, offset);
    at += 46 + nlen + xlen + klen;
    std::string path = dest + "/" + name;
    if (!name.empty() && name.back() == '/') {
      MakeFolders(path);
      continue;
    }
    const uint8_t* local = m.data + offset;
    const uint8_t* data = local + 30 + Le16(local + 26) + Le16(local + 28);
    const uint8_t* content = data;
    if (method == 8) {
      out.resize(usize);
      size_t got = 0;
      if (libdeflate_deflate_decompress(inflater.get(), data, csize, out.data(), usize, &got) !=
          LIBDEFLATE_SUCCESS) {
        ++failures;
        continue;
      }
      content = out.data();
    } else if (method != 0) {
      ++failures;
      continue;
    }
    if (libdeflate_crc32(0, content, usize) != crc || !WriteFile(path, content, usize)) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
