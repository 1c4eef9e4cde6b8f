// One fuzz target's committed seed corpus (FUZZ_CORPUS), replayed through
// its entry point as a test of every build: the inputs that once broke the
// component stay regressions where the sanitizers and the 32-bit build see
// them, not only under the fuzzer. A target traps on what it finds wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "TestData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(CorpusReplay, EveryCaseRunsThroughTheTarget) {
  namespace fs = std::filesystem;
  std::vector<fs::path> cases;
  for (const auto& entry : fs::directory_iterator(TestDataPath("../fuzz/corpus/" FUZZ_CORPUS)))
    cases.push_back(entry.path());
  std::sort(cases.begin(), cases.end());
  for (const fs::path& path : cases) {
    SCOPED_TRACE(path.filename().string());
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
  }
  EXPECT_FALSE(cases.empty());
}
