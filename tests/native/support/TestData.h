#pragma once
#include <string>

// Folder of the project's test data, as the program under test spells paths
// (on Windows a drive path through Wine's Z: drive).
inline std::string TestDataPath(const std::string& relative) {
  return std::string(SETUP_TEST_DATA_DIR) + "/" + relative;
}
