#include "Picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>

// libjpeg's header needs the standard C declarations before it.
#include <jpeglib.h>

namespace toolkit {

namespace {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

// libjpeg reports fatal errors through this callback, which must not return.
void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

uint32_t Le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

TPicture::TPicture(const unsigned char* data, size_t size) {
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8) {
    DecodeJpeg(data, size);
  } else if (size >= 54 && data[0] == 'B' && data[1] == 'M') {
    DecodeBmp(data, size);
  } else {
    throw std::runtime_error("picture: neither JPEG nor BMP");
  }
}

unsigned char* TPicture::CreateDib(int width, int height) {
  width_ = width;
  height_ = height;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) throw std::runtime_error("picture: out of memory");
  return static_cast<unsigned char*>(bits);
}

void TPicture::DecodeJpeg(const unsigned char* data, size_t size) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    throw std::runtime_error("picture: damaged JPEG data");
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  unsigned char* rows = CreateDib(int(info.output_width), int(info.output_height));
  const int stride = Stride();
  while (info.output_scanline < info.output_height) {
    unsigned char* row = rows + size_t(info.output_scanline) * stride;
    jpeg_read_scanlines(&info, &row, 1);
    // The DIB keeps blue, green, red.
    for (int x = 0; x < width_; ++x) std::swap(row[x * 3], row[x * 3 + 2]);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}

void TPicture::DecodeBmp(const unsigned char* data, size_t size) {
  const uint32_t offset = Le32(data + 10);
  const int32_t width = int32_t(Le32(data + 18));
  const int32_t height = int32_t(Le32(data + 22));
  const bool bottomUp = height > 0;
  const int32_t rowsCount = bottomUp ? height : -height;
  if (Le16(data + 28) != 24 || Le32(data + 30) != BI_RGB || width <= 0 || rowsCount <= 0 ||
      width > 16384 || rowsCount > 16384) {
    throw std::runtime_error("picture: only uncompressed 24-bit bitmaps are supported");
  }
  unsigned char* rows = CreateDib(width, rowsCount);
  const size_t stride = size_t(Stride());
  if (offset > size || (size - offset) / stride < size_t(rowsCount)) {
    throw std::runtime_error("picture: bitmap data cut short");
  }
  for (int y = 0; y < rowsCount; ++y) {
    const int source = bottomUp ? rowsCount - 1 - y : y;
    std::memcpy(rows + y * stride, data + offset + source * stride, stride);
  }
}

void TPicture::Draw(HDC dc, int x, int y) const {
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap_.get());
  BitBlt(dc, x, y, width_, height_, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

std::shared_ptr<const TPicture> TPicture::FromResource(const std::string& name) {
  std::wstring wide(name.begin(), name.end());  // resource names are ASCII
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, wide.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return nullptr;
  try {
    return std::make_shared<const TPicture>(static_cast<const unsigned char*>(bytes),
                                            SizeofResource(module, found));
  } catch (const std::runtime_error&) {
    return nullptr;
  }
}

}  // namespace toolkit
