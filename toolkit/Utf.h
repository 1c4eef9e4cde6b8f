// Text crosses the Windows boundary here: the program keeps UTF-8 in
// std::string and calls the wide (W) functions with UTF-16.
#pragma once

#include <string>

namespace toolkit {

// UTF-8 to UTF-16. Invalid sequences become U+FFFD (the system's conversion).
std::wstring Widen(const std::string& utf8);

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, size_t length);

}  // namespace toolkit
