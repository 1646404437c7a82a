// Figures, worked out by hand, that pin down the two frames (Quorix0 and
// Julia0): the mapping, the offsets, the strict escape test, the colors
// and the failures.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"
#include "render/Frames.h"

namespace {

using fw::Color;

constexpr int kClear = -1, kBlack = -2;  // expected colors besides palette(n)

// The palette a render draws right after `draws` other draws from `seed`.
Palette ExpectedPalette(uint64_t seed, int64_t colorSet, int draws) {
  fw::Random r(seed);
  for (int i = 0; i < draws; ++i) r.InRange(0, 9);
  Palette p{};
  for (auto& c : p) c = colorsets::Set(static_cast<int>(colorSet))[static_cast<size_t>(r.InRange(0, 15))];
  return p;
}

Color ColorOf(int expected, const Palette& p) {
  return expected == kClear ? Color(0xFF000000u) : expected == kBlack ? Color(0u) : p[static_cast<size_t>(expected)];
}

TEST(Quorix0Figures, PixelsOfTheDefaultAndOtherGrids) {
  struct Figure {
    int64_t mn, mpixcel;
    int x, y;
    int expected;
  };
  const Figure figures[] = {
      {100, 500, 0, 0, kClear},      // c = -2 - 2i escapes at step 0
      {100, 500, 0, 250, kBlack},    // c = -2: |z|^2 is exactly 4 at every step
      {100, 500, 250, 250, kBlack},  // c = 0 never escapes
      {100, 500, 375, 250, 2},       // c = 1: exactly 4 after step 1, escapes at 2
      {11, 500, 250, 250, 7},        // odd limit: palette(7)
      {11, 0, 0, 250, 7},            // one point 0/0: NaN never escapes
      {100, 250, 0, 124, kClear},    // the grid covers x 0..250, y 125..375
      {100, 250, 251, 250, kClear},
      {100, 250, 0, 250, kBlack},    // c = -2 again
      {100, 250, 125, 250, kBlack},
  };
  for (const Figure& f : figures) {
    SCOPED_TRACE(testing::Message() << "mn " << f.mn << " mpixcel " << f.mpixcel << " at " << f.x << "," << f.y);
    TestWindow w;
    w.mn = f.mn;
    w.mpixcel = f.mpixcel;
    fw::System::Random().Seed(7);
    w.QuorixPB0_Action(nullptr);
    EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(f.x, f.y), ColorOf(f.expected, ExpectedPalette(7, 0, 0)));
    // The loops leave the last column's and row's point in ma and mb.
    EXPECT_TRUE(f.mpixcel == 0 ? std::isnan(w.ma) && std::isnan(w.mb) : w.ma == 2.0 && w.mb == 2.0);
    EXPECT_EQ(w.CVBackdrop->Graphics().DrawingColor(), Color(0xFF000000u));
  }
}

TEST(Quorix0Figures, VerticalOffsetTruncatesTowardZero) {
  // 1001: -250.5 -> -250, not -251; 251: 124.5 -> 124.
  for (auto [mpixcel, oy] : {std::pair<int64_t, int64_t>{250, 125}, {500, 0}, {1001, -250}, {251, 124}, {2000, -750}})
    EXPECT_EQ(render::VerticalOffset(mpixcel), oy) << mpixcel;
}

TEST(Quorix0Figures, LastPointLeftInMaMbAsTheLoopsComputeIt) {
  // (300 * 0.1) / 300 - 0.05 is 0.05 exactly; 300 * (0.1 / 300) would not
  // be. Huge grids compute only the picture, without overflow on the way.
  struct Case {
    double mw;
    int64_t mpixcel;
    double last;
  };
  for (const Case c : {Case{0.1, 300, 0.05}, Case{0.4, 1200, 0.2}, Case{4.0, INT64_MAX, 2.0},
                       Case{4.0, (int64_t{1} << 53) + 1, 2.0}, Case{4.0, int64_t{1} << 40, 2.0}}) {
    TestWindow w;
    w.mw = c.mw;
    w.mpixcel = c.mpixcel;
    w.mn = 20;
    EXPECT_NO_THROW(w.QuorixPB0_Action(nullptr)) << c.mpixcel;
    EXPECT_EQ(w.ma, c.last) << c.mpixcel;
    EXPECT_EQ(w.mb, c.last) << c.mpixcel;
    if (c.mpixcel > 2000) {
      EXPECT_NO_THROW(w.QuorixPB5_Action(nullptr)) << c.mpixcel;
      EXPECT_EQ(w.canvas.refreshes, 2);
    }
  }
}

TEST(Julia0Figures, CentreAndCornerForConstantsZeroAndTwo) {
  TestWindow w;
  const uint64_t seed2 = SeedForJuliaPick(2);
  fw::System::Random().Seed(seed2);
  w.QuorixPB5_Action(nullptr);
  // 0.11031 - 0.67037i: the centre escapes at step 9 -> palette(1) of the
  // palette drawn after the constant.
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), ExpectedPalette(seed2, 0, 1)[1]);

  fw::System::Random().Seed(SeedForJuliaPick(0));
  w.QuorixPB5_Action(nullptr);
  // -0.04 - 0.695i: the centre never escapes; the corner -1 + i escapes at step 0.
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), Color(0x00000000u));
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(0, 0), Color(0xFF000000u));
  EXPECT_EQ(w.ma, -1.0);
}

TEST(RenderFailures, NilCanvasRaisesAtTheShowStepAfterDrawing) {
  TestWindow w;
  w.hasCanvas = false;
  EXPECT_THROW(w.QuorixPB0_Action(nullptr), fw::NilObjectException);
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), Color(0x00000000u));  // drawn
  EXPECT_EQ(w.ma, 2.0);
}

}  // namespace
