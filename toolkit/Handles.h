// Owning wrappers for the Windows handles the toolkit creates.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace toolkit {

struct WindowDestroyer {
  void operator()(HWND hwnd) const {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// For icons loaded without LR_SHARED (shared system icons must not be destroyed).
struct IconDestroyer {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

// A screen device context for measuring text, with a font selected into it.
class MeasuringContext {
 public:
  explicit MeasuringContext(HFONT font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font)) {}
  ~MeasuringContext() {
    SelectObject(dc_, old_);
    ReleaseDC(nullptr, dc_);
  }
  MeasuringContext(const MeasuringContext&) = delete;
  MeasuringContext& operator=(const MeasuringContext&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace toolkit
