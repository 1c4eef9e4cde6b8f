// Where the backdrop's colours and the installation's windows go on the
// screen: plain arithmetic, kept apart from the windows that use it.
#pragma once

struct TRgb {
  int red, green, blue;
  bool operator==(const TRgb& o) const {
    return red == o.red && green == o.green && blue == o.blue;
  }
};

struct TPlacement {
  int left, top;
  bool operator==(const TPlacement& o) const { return left == o.left && top == o.top; }
};

// Below 16 bits per pixel a gradient would only dither: the backdrop stays
// plain.
bool BackdropHasGradient(int bitsPerPixel);

// The colour of pixel row `row` of a backdrop `height` rows high: blue fading
// from (0, 64, 255) at the top towards (0, 9, 38) at the bottom.
TRgb GradientRowColor(int row, int height);

// The progress window: centred across, its bottom edge at nine tenths of the
// screen height.
TPlacement ProgressWindowPlacement(int screenWidth, int screenHeight, int width, int height);

// A billboard: centred across the backdrop and in the band between the top of
// the screen and the progress window.
TPlacement BillboardPlacement(int clientWidth, int progressTop, int width, int height);
