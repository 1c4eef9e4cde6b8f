#include "Startup_win.h"

#include <windows.h>

#include "Utf.h"

namespace {

std::string QueryProgramPath() {
  // The path may exceed MAX_PATH; the call truncates silently, so grow the
  // buffer until the path fits with room to spare.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return toolkit::Narrow(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

const std::string& ThisProgramPath() {
  static const std::string path = QueryProgramPath();
  return path;
}

const TRunMode& ThisRunMode() {
  static const TRunMode mode =
      DetectRunMode(ThisProgramPath(), toolkit::Narrow(std::wstring(GetCommandLineW())));
  return mode;
}
