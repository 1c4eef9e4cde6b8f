// Pictures the forms carry as resources (type RCDATA): JPEG, decoded with
// libjpeg, or a Windows bitmap file of 24 bits per pixel.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "Handles.h"

namespace toolkit {

class TPicture {
 public:
  // Decodes the bytes of a JPEG or BMP file. Throws std::runtime_error when
  // they are neither or are damaged.
  TPicture(const unsigned char* data, size_t size);

  // The picture in the program's RCDATA resource `name`; nullptr when there
  // is no such resource or it cannot be decoded.
  static std::shared_ptr<const TPicture> FromResource(const std::string& name);

  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Bitmap() const { return static_cast<HBITMAP>(bitmap_.get()); }
  void Draw(HDC dc, int x, int y) const;

 private:
  void DecodeJpeg(const unsigned char* data, size_t size);
  void DecodeBmp(const unsigned char* data, size_t size);
  // A top-down 24-bit DIB section; returns its rows (4-byte aligned).
  unsigned char* CreateDib(int width, int height);
  int Stride() const { return (width_ * 3 + 3) & ~3; }

  int width_ = 0, height_ = 0;
  BitmapHandle bitmap_;
};

}  // namespace toolkit
