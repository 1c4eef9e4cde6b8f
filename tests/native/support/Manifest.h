#pragma once
// Rows of tests/data/zip/MANIFEST.tsv: what each member of the test archives
// must extract to.
#include <cstdint>
#include <string>
#include <vector>

namespace testzip {

struct ManifestRow {
  std::string archive;  // relative to tests/data/zip; a split set under its last part
  std::string member;   // as the manifest writes it (UTF-8, "/" separators)
  int method = 0;
  uint16_t flags = 0;
  int64_t compressedSize = 0;
  int64_t uncompressedSize = 0;
  uint32_t crc = 0;
  std::string sha256;    // "dir" for a folder entry, "-" when unknown
  std::string password;  // "-" when none
};

std::vector<ManifestRow> ReadManifest();
std::vector<ManifestRow> ManifestRowsOf(const std::string& archive);

}  // namespace testzip
