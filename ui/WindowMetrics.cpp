#include "ui/WindowMetrics.h"

namespace quarvel::ui {

int ScreenDpi() {
  const WindowDc screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

UniqueFont MessageFont(bool bold) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONTA font = metrics.lfMessageFont;
  if (bold) font.lfWeight = FW_BOLD;
  return UniqueFont(CreateFontIndirectA(&font));
}

}  // namespace quarvel::ui
