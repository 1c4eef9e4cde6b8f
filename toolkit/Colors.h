// Colours as the forms declare them: an RGB value, or a system colour by its
// index (so that it follows the user's scheme), or "as the parent".
#pragma once

#include <windows.h>

namespace toolkit {

constexpr unsigned kParentColor = 0xFFFFFFFFu;
constexpr unsigned kSystemColorFlag = 0x80000000u;

constexpr unsigned SystemColor(int index) { return kSystemColorFlag | unsigned(index); }
constexpr unsigned Rgb(int r, int g, int b) {
  return unsigned(r) | unsigned(g) << 8 | unsigned(b) << 16;
}

inline COLORREF ToColorRef(unsigned color) {
  if (color & kSystemColorFlag) return GetSysColor(int(color & ~kSystemColorFlag));
  return COLORREF(color);
}

}  // namespace toolkit
