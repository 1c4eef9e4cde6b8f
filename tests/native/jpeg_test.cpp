// libjpeg is linked into both builds (the forms decode their JPEG pictures
// with it); this proves the library decodes a real file in each.
#include <cstdio>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "TestData.h"
extern "C" {
#include <jpeglib.h>
}

TEST(Jpeg, DecodesGradientPicture) {
  FILE* f = std::fopen(TestDataPath("pictures/gradient.jpg").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
  jpeg_start_decompress(&cinfo);
  EXPECT_EQ(cinfo.output_width, 16u);
  EXPECT_EQ(cinfo.output_height, 8u);
  ASSERT_EQ(cinfo.output_components, 3);
  std::vector<uint8_t> row(cinfo.output_width * 3);
  std::vector<std::vector<uint8_t>> rows;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW p = row.data();
    jpeg_read_scanlines(&cinfo, &p, 1);
    rows.push_back(row);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  // Top row is red, bottom row blue (within JPEG's loss).
  EXPECT_GT(rows.front()[0], 200);
  EXPECT_LT(rows.front()[2], 60);
  EXPECT_LT(rows.back()[0], 60);
  EXPECT_GT(rows.back()[2], 200);
}
