#include <windows.h>

#include <string>

#include "selection/uzZipNames.h"

namespace uz {

// Names without the UTF-8 flag were written in the OEM code page of the
// writing system; the reading system's OEM code page is the best guess.
std::string OemToUtf8(const std::string& oem) {
  if (oem.empty()) return oem;
  const int len = static_cast<int>(oem.size());
  const int wlen = MultiByteToWideChar(CP_OEMCP, 0, oem.data(), len, nullptr, 0);
  if (wlen <= 0) return Cp437ToUtf8(oem);
  std::wstring wide(static_cast<size_t>(wlen), L'\0');
  MultiByteToWideChar(CP_OEMCP, 0, oem.data(), len, &wide[0], wlen);
  const int ulen = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wlen, nullptr, 0, nullptr, nullptr);
  if (ulen <= 0) return Cp437ToUtf8(oem);
  std::string utf8(static_cast<size_t>(ulen), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wlen, &utf8[0], ulen, nullptr, nullptr);
  return utf8;
}

unsigned OemCodePage() { return GetOEMCP(); }

}  // namespace uz
