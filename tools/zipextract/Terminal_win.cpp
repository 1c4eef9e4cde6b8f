#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>

#include "Terminal.h"

namespace zipextract {

namespace {

std::string ToUtf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

// argv holds the arguments in the ANSI code page, which cannot carry every
// file name: take them from the wide command line instead.
std::vector<std::string> Utf8Arguments(int /*argc*/, char** /*argv*/) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(ToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

void PrepareOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool ReadLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace zipextract
