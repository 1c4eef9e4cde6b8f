#include <unistd.h>

#include <iostream>

#include "Terminal.h"

namespace zipextract {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void PrepareOutput() {}

bool StderrIsTerminal() { return isatty(2) == 1; }

bool StdinIsTerminal() { return isatty(0) == 1; }

bool ReadLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace zipextract
