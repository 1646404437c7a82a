#include "oracle/LiteralRender.h"

#include <array>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"

namespace oracle {
namespace {

using fw::Color;
constexpr Color kTransparentBlack{0xFF000000u};
constexpr Color kOpaqueBlack{0x00000000u};

void Write(MWModel& w, int64_t x, int64_t y, Color c) {
  fw::Deref(w.CVBackdrop, "CVBackdrop").RGBSurface().SetPixel(x, y, c);
}

}  // namespace

void Quorix0(MWModel& w) {
  std::array<Color, 16> palette;
  for (int n = 0; n <= 15; ++n) palette[n] = w.ColorSetChange(w.selectColorSet);

  fw::Deref(w.CVBackdrop, "CVBackdrop").Graphics().SetDrawingColor(kTransparentBlack);
  fw::Deref(w.CVBackdrop, "CVBackdrop")
      .Graphics()
      .ClearRect(0, 0, static_cast<double>(w.CVBackdrop->Width()),
                 static_cast<double>(w.CVBackdrop->Height()));

  const int64_t ox = 0;
  const int64_t oy = static_cast<int64_t>(250.0 - static_cast<double>(w.mpixcel) / 2.0);
  for (int64_t i = 0; i <= w.mpixcel; ++i) {
    w.ma = ((static_cast<double>(i) * w.mw) / static_cast<double>(w.mpixcel)) - (w.mw / 2.0);
    for (int64_t j = 0; j <= w.mpixcel; ++j) {
      w.mb = ((static_cast<double>(j) * w.mw) / static_cast<double>(w.mpixcel)) - (w.mw / 2.0);
      double zr = 0.0, zi = 0.0;
      for (int64_t k = 0; k <= w.mn; ++k) {
        const double nzr = ((zr * zr) - (zi * zi)) + w.ma;
        const double nzi = ((2.0 * zr) * zi) + w.mb;
        zr = nzr;
        zi = nzi;
        if ((zr * zr) + (zi * zi) > 4.0) {
          Color c;
          switch (k % 7) {
            case 0: c = kTransparentBlack; break;
            default: c = palette[static_cast<size_t>(k % 7)]; break;
          }
          Write(w, i + ox, j + oy, c);
          break;
        }
        Write(w, i + ox, j + oy, k % 2 == 0 ? kOpaqueBlack : palette[7]);
        fw::RuntimeBackgroundTask();
      }
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  }
  fw::Deref(w.QuorixCV(), "QuorixCV").SetBackdrop(w.CVBackdrop);
  fw::Deref(w.QuorixCV(), "QuorixCV").Refresh(true);
}

void Julia0(MWModel& w) {
  const std::array<double, 10> re = {-0.04, -0.74543, 0.11031, -0.39054, -0.12,
                                     -0.11, -0.15652, 0.27334, 0.32,     -0.3};
  const std::array<double, 10> im = {-0.695, 0.11301, -0.67037, 0.58679, 0.74,
                                     0.67,   1.03225, 0.00742,  0.043,   -0.63};
  const int64_t pick = fw::System::Random().InRange(0, 9);
  const double cr = re[static_cast<size_t>(pick)], ci = im[static_cast<size_t>(pick)];

  std::array<Color, 16> palette;
  for (int n = 0; n <= 15; ++n) palette[n] = w.ColorSetChange(w.selectColorSet);

  fw::Deref(w.CVBackdrop, "CVBackdrop").Graphics().SetDrawingColor(kTransparentBlack);
  fw::Deref(w.CVBackdrop, "CVBackdrop")
      .Graphics()
      .ClearRect(0, 0, static_cast<double>(w.CVBackdrop->Width()),
                 static_cast<double>(w.CVBackdrop->Height()));

  const int64_t N = w.mpixcel;
  const double L = -2.0, T = 2.0;
  for (int64_t i = -N; i <= N; ++i) {
    const double x = (static_cast<double>(2 * i) / static_cast<double>(N)) + (2.0 + L);
    for (int64_t j = -N; j <= N; ++j) {
      const double y = (static_cast<double>(2 * j) / static_cast<double>(N)) + (2.0 - T);
      const int64_t X = static_cast<int64_t>(static_cast<double>(N) / 2.0 + static_cast<double>(i));
      const int64_t Y = static_cast<int64_t>(static_cast<double>(N) / 2.0 - static_cast<double>(j));
      double zr = x, zi = y;
      for (int64_t n = 0; n <= w.mn; ++n) {
        const double nzr = ((zr * zr) - (zi * zi)) + cr;
        const double nzi = ((2.0 * zr) * zi) + ci;
        zr = nzr;
        zi = nzi;
        const double m = (zr * zr) + (zi * zi);
        if (m > 2.0) {
          Write(w, X, Y, n % 8 == 0 ? kTransparentBlack : palette[static_cast<size_t>(n % 8)]);
          break;
        }
        Write(w, X, Y, n % 2 == 0 ? kOpaqueBlack : palette[0]);
        fw::RuntimeBackgroundTask();
      }
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  }
  fw::Deref(w.QuorixCV(), "QuorixCV").SetBackdrop(w.CVBackdrop);
  fw::Deref(w.QuorixCV(), "QuorixCV").Refresh(true);
}

}  // namespace oracle
