#pragma once
// UTF-8 <-> UTF-16 at the Windows boundary of the archive component.
#include <string>

namespace uz {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, std::size_t length);

}  // namespace uz
