#pragma once
#include <string>

// Folder of the project's test data, as the program under test spells paths
// (on Windows a drive path through Wine's Z: drive).
inline std::string TestDataPath(const std::string& relative) {
  return std::string(SETUP_TEST_DATA_DIR) + "/" + relative;
}

#include <functional>

// The message of the exception of class E that action throws, or
// "(no exception)" when it throws none.
template <typename E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "(no exception)";
}
