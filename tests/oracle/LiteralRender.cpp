#include "oracle/LiteralRender.h"

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

using Palette16 = std::array<Color, 16>;

// The palette draw, then the clearing of the picture.
Palette16 DrawPaletteAndClear(MWModel& w) {
  Palette16 palette;
  for (int n = 0; n <= 15; ++n) palette[n] = w.ColorSetChange(w.selectColorSet);
  fw::Graphics& g = fw::Deref(w.CVBackdrop, "CVBackdrop").Graphics();
  g.SetDrawingColor(kTransparentBlack);
  g.ClearRect(0, 0, static_cast<double>(w.CVBackdrop->Width()), static_cast<double>(w.CVBackdrop->Height()));
  return palette;
}

void ShowPicture(MWModel& w) {
  fw::Deref(w.QuorixCV(), "QuorixCV").SetBackdrop(w.CVBackdrop);
  fw::Deref(w.QuorixCV(), "QuorixCV").Refresh(true);
}

// Escapes: bands of palette entries, remainder 0 fully transparent; steps: opaque black if even, palette entry if odd.
auto Banded(int64_t bands) {
  return [bands](int64_t k, double, double, const Palette16& p) {
    return k % bands == 0 ? kTransparentBlack : p[static_cast<size_t>(k % bands)];
  };
}
auto Odd(int entry) {
  return [entry](int64_t k, const Palette16& p) { return k % 2 == 0 ? kOpaqueBlack : p[entry]; };
}

// The Mandelbrot-type loops as written: c in ma, mb (or in locals when pointInWindow is false), every property read at
// its use. update(zr, zi, cr, ci) replaces z; escaped(zr, zi) tests the new z.
template <class Update, class Escaped, class EscapeColor, class StepColor>
void MandelbrotLoops(MWModel& w, bool pointInWindow, bool verticalOffset, Update update, Escaped escaped,
                     EscapeColor escapeColor, StepColor stepColor) {
  const Palette16 palette = DrawPaletteAndClear(w);
  const int64_t ox = 0;
  const int64_t oy = verticalOffset ? static_cast<int64_t>(250.0 - static_cast<double>(w.mpixcel) / 2.0) : 0;
  double cr = 0.0, ci = 0.0;
  for (int64_t i = 0; i <= w.mpixcel; ++i) {
    const double re = ((static_cast<double>(i) * w.mw) / static_cast<double>(w.mpixcel)) - (w.mw / 2.0);
    (pointInWindow ? w.ma : cr) = re;
    for (int64_t j = 0; j <= w.mpixcel; ++j) {
      const double im = ((static_cast<double>(j) * w.mw) / static_cast<double>(w.mpixcel)) - (w.mw / 2.0);
      (pointInWindow ? w.mb : ci) = im;
      double zr = 0.0, zi = 0.0;
      for (int64_t k = 0; k <= w.mn; ++k) {
        update(zr, zi, pointInWindow ? w.ma : cr, pointInWindow ? w.mb : ci);
        if (escaped(zr, zi)) {
          Write(w, i + ox, j + oy, escapeColor(k, zr, zi, palette));
          break;
        }
        Write(w, i + ox, j + oy, stepColor(k, palette));
        fw::RuntimeBackgroundTask();
      }
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  }
  ShowPicture(w);
}

bool Beyond4(double zr, double zi) { return (zr * zr) + (zi * zi) > 4.0; }

// The Julia loops as written: z from the grid point, c the table's constant number pick, escape colors in `bands`.
void JuliaLoops(MWModel& w, int64_t bands) {
  const int64_t pick = fw::System::Random().InRange(0, 9);
  const double cr = kJuliaRe[static_cast<size_t>(pick)], ci = kJuliaIm[static_cast<size_t>(pick)];
  const Palette16 palette = DrawPaletteAndClear(w);
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
        Step2(zr, zi, cr, ci);
        const double m = (zr * zr) + (zi * zi);
        if (m > 2.0) {
          Write(w, X, Y, Banded(bands)(n, zr, zi, palette));
          break;
        }
        Write(w, X, Y, Odd(0)(n, palette));
        fw::RuntimeBackgroundTask();
      }
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  }
  ShowPicture(w);
}

}  // namespace

const std::array<double, 10> kJuliaRe = {-0.04, -0.74543, 0.11031, -0.39054, -0.12,
                                         -0.11, -0.15652, 0.27334, 0.32,     -0.3};
const std::array<double, 10> kJuliaIm = {-0.695, 0.11301, -0.67037, 0.58679, 0.74,
                                         0.67,   1.03225, 0.00742,  0.043,   -0.63};

void Step2(double& zr, double& zi, double a, double b) {
  const double nzr = ((zr * zr) - (zi * zi)) + a;
  zi = ((2.0 * zr) * zi) + b;
  zr = nzr;
}

void Step3(double& zr, double& zi, double a, double b) {
  const double nzr = ((((zr * zr) * zr) - ((zi * zi) * zr)) - (((2.0 * zr) * zi) * zi)) + a;
  zi = ((((zr * zr) * zi) - ((zi * zi) * zi)) + (((2.0 * zr) * zr) * zi)) + b;
  zr = nzr;
}

void Step4(double& zr, double& zi, double a, double b) {
  const double t1 = ((zr * zr) * zr) * zr;
  const double t2 = ((zi * zi) * zi) * zi;
  const double t3 = (((6.0 * zr) * zr) * zi) * zi;
  const double nzr = ((t1 + t2) - t3) + a;
  const double t4 = (((4.0 * zr) * zr) * zr) * zi;
  const double t5 = ((zi * zi) * zi) * zr;
  const double t6 = (((3.0 * zr) * zi) * zi) * zi;
  zi = ((t4 - t5) - t6) + b;
  zr = nzr;
}

void Step5(double& zr, double& zi, double a, double b) {
  const double t1 = (((zr * zr) * zr) * zr) * zr;
  const double t2 = ((((10.0 * zr) * zr) * zr) * zi) * zi;
  const double t3 = ((((5.0 * zr) * zi) * zi) * zi) * zi;
  const double nzr = ((t1 - t2) + t3) + a;
  const double t4 = ((((5.0 * zr) * zr) * zr) * zr) * zi;
  const double t5 = (((zi * zi) * zi) * zi) * zi;
  const double t6 = ((((10.0 * zr) * zr) * zi) * zi) * zi;
  zi = ((t4 + t5) - t6) + b;
  zr = nzr;
}

void Quorix0(MWModel& w) { MandelbrotLoops(w, true, true, Step2, Beyond4, Banded(7), Odd(7)); }
void Quorix1(MWModel& w) {
  MandelbrotLoops(w, true, true, Step2, Beyond4, Banded(15), [](int64_t, const Palette16&) { return kOpaqueBlack; });
}
void Quorix2(MWModel& w) { MandelbrotLoops(w, true, true, Step2, Beyond4, Banded(15), Odd(8)); }
void Quorix3(MWModel& w) {
  const auto skewedBeyond4 = [](double zr, double zi) { return ((zr * zr) + (zi * zi)) + (zr * zi) > 4.0; };
  MandelbrotLoops(w, true, true, Step2, skewedBeyond4, Banded(7), Odd(7));
}
void Quorix4(MWModel& w) {
  const auto quadrant = [](int64_t, double zr, double zi, const Palette16& p) {
    if (0.0 > zr) {
      if (0.0 > zi) return p[0];
    }
    return p[1];
  };
  const auto beyond10 = [](double zr, double zi) { return (zr * zr) + (zi * zi) > 10.0; };
  MandelbrotLoops(w, false, false, Step2, beyond10, quadrant, Odd(8));
}
void Julia0(MWModel& w) { JuliaLoops(w, 8); }
void Julia1(MWModel& w) { JuliaLoops(w, 16); }
void Quorix7(MWModel& w) { MandelbrotLoops(w, true, true, Step3, Beyond4, Banded(7), Odd(7)); }
void Quorix8(MWModel& w) { MandelbrotLoops(w, true, true, Step4, Beyond4, Banded(7), Odd(8)); }
void Quorix9(MWModel& w) { MandelbrotLoops(w, true, true, Step5, Beyond4, Banded(7), Odd(8)); }

}  // namespace oracle
