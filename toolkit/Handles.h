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
using GdiObjectHandle = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, GdiObjectDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

// A memory device context of a given size, for painting without flicker: the
// picture is composed here and copied to the screen in one step.
class BufferedPaint {
 public:
  BufferedPaint(HDC target, int width, int height)
      : target_(target),
        dc_(CreateCompatibleDC(target)),
        bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
        old_(SelectObject(dc_, bitmap_)),
        width_(width),
        height_(height) {}
  ~BufferedPaint() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  HDC Get() const { return dc_; }
  void CopyTo(int x, int y) const { BitBlt(target_, x, y, width_, height_, dc_, 0, 0, SRCCOPY); }

 private:
  HDC target_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  int width_, height_;
};

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
