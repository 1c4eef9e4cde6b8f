#include "ScreenLayout.h"

bool BackdropHasGradient(int bitsPerPixel) { return bitsPerPixel >= 16; }

TRgb GradientRowColor(int row, int height) {
  const double f = 1 - 0.85 * row / height;
  return {0, static_cast<int>(64 * f), static_cast<int>(255 * f)};
}

TPlacement ProgressWindowPlacement(int screenWidth, int screenHeight, int width, int height) {
  return {(screenWidth - width) / 2, static_cast<int>(screenHeight * 0.9) - height};
}

TPlacement BillboardPlacement(int clientWidth, int progressTop, int width, int height) {
  return {(clientWidth - width) / 2, (progressTop - height) / 2};
}
