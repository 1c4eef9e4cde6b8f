#include "SystemFont.h"

#include <cstddef>

namespace toolkit {

namespace {

bool QueryNonClientMetrics(NONCLIENTMETRICSW& metrics) {
  metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return true;
  // Systems before Vista know the structure without its last member.
  metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
  return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) != 0;
}

}  // namespace

FontHandle CreateMessageFont() {
  NONCLIENTMETRICSW metrics;
  if (QueryNonClientMetrics(metrics)) {
    if (HFONT font = CreateFontIndirectW(&metrics.lfMessageFont)) return FontHandle(font);
  }
  LOGFONTW fallback = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
  return FontHandle(CreateFontIndirectW(&fallback));
}

}  // namespace toolkit
