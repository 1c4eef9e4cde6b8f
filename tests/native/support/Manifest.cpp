#include "Manifest.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "TestData.h"

namespace testzip {
namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) out.push_back(field);
  return out;
}

}  // namespace

std::vector<ManifestRow> ReadManifest() {
  std::ifstream in(TestDataPath("zip/MANIFEST.tsv"));
  if (!in) throw std::runtime_error("cannot read the manifest");
  std::vector<ManifestRow> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() < 9) continue;
    ManifestRow r;
    r.archive = f[0];
    r.member = f[1];
    r.method = f[2] == "-" ? -1 : std::stoi(f[2]);
    r.flags = f[3] == "-" ? 0 : static_cast<uint16_t>(std::stoul(f[3], nullptr, 16));
    r.compressedSize = f[4] == "-" ? -1 : std::stoll(f[4]);
    r.uncompressedSize = f[5] == "-" ? -1 : std::stoll(f[5]);
    r.crc = f[6] == "-" ? 0 : static_cast<uint32_t>(std::stoul(f[6], nullptr, 16));
    r.sha256 = f[7];
    r.password = f[8];
    rows.push_back(std::move(r));
  }
  return rows;
}

std::vector<ManifestRow> ManifestRowsOf(const std::string& archive) {
  std::vector<ManifestRow> out;
  for (ManifestRow& r : ReadManifest())
    if (r.archive == archive) out.push_back(std::move(r));
  return out;
}

}  // namespace testzip
