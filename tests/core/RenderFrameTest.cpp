// The fast Quorix0 and Julia0 renders against the literal loops, and the
// figures that pin down the frames' arithmetic.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"
#include "render/Frames.h"

namespace {

using fw::Color;

struct Params {
  int64_t mn;
  double mw;
  int64_t mpixcel;
  int64_t colorSet;
};

void Apply(TestWindow& w, const Params& p) {
  w.mn = p.mn;
  w.mw = p.mw;
  w.mpixcel = p.mpixcel;
  w.selectColorSet = p.colorSet;
}

// Reports the first differing pixel, if any.
::testing::AssertionResult SamePicture(const fw::Picture& a, const fw::Picture& b) {
  for (int64_t y = 0; y < a.Height(); ++y)
    for (int64_t x = 0; x < a.Width(); ++x) {
      const uint32_t pa = a.Data()[y * a.Width() + x], pb = b.Data()[y * b.Width() + x];
      if (pa != pb)
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << "): fast " << std::hex << pa << ", literal " << pb;
    }
  return ::testing::AssertionSuccess();
}

bool SameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

// A seed whose first InRange(0, 9) draw is `pick`.
uint64_t SeedForJuliaPick(int64_t pick) {
  for (uint64_t seed = 1;; ++seed) {
    fw::Random r(seed);
    if (r.InRange(0, 9) == pick) return seed;
  }
}

// The palette a render draws right after `draws` other draws from `seed`.
Palette ExpectedPalette(uint64_t seed, int64_t colorSet, int draws) {
  fw::Random r(seed);
  for (int i = 0; i < draws; ++i) r.InRange(0, 9);
  Palette p{};
  const int set = colorSet >= 1 && colorSet <= 4 ? static_cast<int>(colorSet) : 0;
  for (auto& c : p) c = colorsets::Set(set)[static_cast<size_t>(r.InRange(0, 15))];
  return p;
}

class Quorix0VsLiteral : public ::testing::TestWithParam<Params> {};

TEST_P(Quorix0VsLiteral, SamePictureAndSameMaMb) {
  TestWindow fast, slow;
  Apply(fast, GetParam());
  Apply(slow, GetParam());
  fw::System::Random().Seed(42);
  fast.QuorixPB0_Action(nullptr);
  fw::System::Random().Seed(42);
  oracle::Quorix0(slow);
  EXPECT_TRUE(SamePicture(*fast.CVBackdrop, *slow.CVBackdrop));
  EXPECT_TRUE(SameBits(fast.ma, slow.ma)) << fast.ma << " vs " << slow.ma;
  EXPECT_TRUE(SameBits(fast.mb, slow.mb)) << fast.mb << " vs " << slow.mb;
  EXPECT_EQ(fast.CVBackdrop->Graphics().DrawingColor(), slow.CVBackdrop->Graphics().DrawingColor());
  EXPECT_EQ(fast.canvas.refreshes, 1);
  EXPECT_EQ(fast.canvas.Backdrop(), fast.CVBackdrop);
}

INSTANTIATE_TEST_SUITE_P(
    PanelAndBeyond, Quorix0VsLiteral,
    ::testing::Values(Params{100, 4.0, 500, 0},    // the defaults
                      Params{10, 4.0, 250, 1},     // smallest limit and grid
                      Params{1000, 4.0, 500, 2},   // deepest limit
                      Params{300, 2.6, 500, 3},    // a closer view: long boundary orbits
                      Params{500, 0.3, 300, 4},    // mostly interior, cycles
                      Params{100, 4.0, 2000, 0},   // grid larger than the picture
                      Params{100, 4.0, 1000, 7},   // unknown colour set -> set 0
                      Params{11, 4.0, 500, 0},     // odd limit: palette(7) interior
                      Params{0, 4.0, 500, 0},      // a single step
                      Params{-1, 4.0, 500, 0},     // no step: nothing written
                      Params{100, 0.0, 500, 0},    // every point c = 0
                      Params{100, 4.0, 251, 0},    // odd grid, oy = 124
                      Params{100, 4.0, 1001, 0},   // oy = -250 (truncated toward zero)
                      Params{100, 4.0, 0, 0},      // 0 / 0: one NaN point at (0, 250)
                      Params{100, 4.0, -7, 0},     // no grid at all
                      Params{100, -4.0, 500, 0})); // mirrored view

class Julia0VsLiteral : public ::testing::TestWithParam<std::tuple<int64_t, Params>> {};

TEST_P(Julia0VsLiteral, SamePicture) {
  const auto& [pick, params] = GetParam();
  const uint64_t seed = SeedForJuliaPick(pick);
  TestWindow fast, slow;
  Apply(fast, params);
  Apply(slow, params);
  fw::System::Random().Seed(seed);
  fast.QuorixPB5_Action(nullptr);
  fw::System::Random().Seed(seed);
  oracle::Julia0(slow);
  EXPECT_TRUE(SamePicture(*fast.CVBackdrop, *slow.CVBackdrop));
  // Julia renders keep the window's ma and mb.
  EXPECT_EQ(fast.ma, -1.0);
  EXPECT_EQ(fast.mb, 1.0);
}

INSTANTIATE_TEST_SUITE_P(EveryConstant, Julia0VsLiteral,
                         ::testing::Combine(::testing::Range<int64_t>(0, 10),
                                            ::testing::Values(Params{100, 4.0, 500, 0},
                                                              Params{31, 4.0, 251, 3})));

INSTANTIATE_TEST_SUITE_P(
    OddAndOutsideGrids, Julia0VsLiteral,
    ::testing::Combine(::testing::Values<int64_t>(2, 9),
                       ::testing::Values(Params{40, 4.0, 1001, 0},  // halves: later column wins
                                         Params{20, 4.0, 2000, 2},  // a small corner of the plane
                                         Params{11, 4.0, 7, 4},     // tiny odd grid, odd limit
                                         Params{100, 4.0, 0, 0},    // one NaN point at (0, 0)
                                         Params{100, 4.0, -3, 0},   // no grid
                                         Params{-2, 4.0, 500, 0},   // no step
                                         Params{0, 4.0, 350, 1})));

TEST(Quorix0Figures, DefaultRender) {
  TestWindow w;
  fw::System::Random().Seed(7);
  w.QuorixPB0_Action(nullptr);
  const Palette palette = ExpectedPalette(7, 0, 0);
  auto& s = w.CVBackdrop->RGBSurface();
  // The corner c = -2 - 2i escapes at step 0: transparent black.
  EXPECT_EQ(s.Pixel(0, 0), Color(0xFF000000u));
  // c = -2 has |z|^2 exactly 4 at every step: never escapes under the
  // strict test, so it ends opaque black (mn 100 is even).
  EXPECT_EQ(s.Pixel(0, 250), Color(0x00000000u));
  // c = 0 never escapes.
  EXPECT_EQ(s.Pixel(250, 250), Color(0x00000000u));
  // c = 1 (i = 375) escapes at step 2 (measure exactly 4 after step 1).
  EXPECT_EQ(s.Pixel(375, 250), palette[2]);
  // The last column and row (x, y = 500) lie outside; the loops leave their
  // point in ma and mb.
  EXPECT_EQ(w.ma, 2.0);
  EXPECT_EQ(w.mb, 2.0);
  EXPECT_EQ(w.CVBackdrop->Graphics().DrawingColor(), Color(0xFF000000u));
}

TEST(Quorix0Figures, OddLimitColoursInteriorWithPaletteSeven) {
  TestWindow w;
  w.mn = 11;
  fw::System::Random().Seed(8);
  w.QuorixPB0_Action(nullptr);
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), ExpectedPalette(8, 0, 0)[7]);
}

TEST(Quorix0Figures, VerticalOffsetTruncatesTowardZero) {
  EXPECT_EQ(render::VerticalOffset(250), 125);
  EXPECT_EQ(render::VerticalOffset(500), 0);
  EXPECT_EQ(render::VerticalOffset(1001), -250);  // -250.5 -> -250, not -251
  EXPECT_EQ(render::VerticalOffset(251), 124);    // 124.5 -> 124
  EXPECT_EQ(render::VerticalOffset(2000), -750);

  // With mpixcel 250 the grid covers x 0..250, y 125..375; the rest stays clear.
  TestWindow w;
  w.mpixcel = 250;
  w.QuorixPB0_Action(nullptr);
  auto& s = w.CVBackdrop->RGBSurface();
  EXPECT_EQ(s.Pixel(0, 124), Color(0xFF000000u));
  EXPECT_EQ(s.Pixel(251, 250), Color(0xFF000000u));
  EXPECT_EQ(s.Pixel(0, 250), Color(0x00000000u));  // c = -2 again
  EXPECT_EQ(s.Pixel(125, 250), Color(0x00000000u));
}

TEST(Quorix0Figures, ZeroGridMakesNaNPointThatNeverEscapes) {
  TestWindow w;
  w.mpixcel = 0;
  w.mn = 11;
  fw::System::Random().Seed(9);
  w.QuorixPB0_Action(nullptr);
  EXPECT_TRUE(std::isnan(w.ma));
  EXPECT_TRUE(std::isnan(w.mb));
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(0, 250), ExpectedPalette(9, 0, 0)[7]);
}

TEST(Julia0Figures, CentreAndCornerForConstantsZeroAndTwo) {
  TestWindow w;
  const uint64_t seed2 = SeedForJuliaPick(2);
  fw::System::Random().Seed(seed2);
  w.QuorixPB5_Action(nullptr);
  const Palette palette2 = ExpectedPalette(seed2, 0, 1);
  // 0.11031 - 0.67037i: the centre escapes at step 9 -> palette(1).
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), palette2[1]);

  const uint64_t seed0 = SeedForJuliaPick(0);
  fw::System::Random().Seed(seed0);
  w.QuorixPB5_Action(nullptr);
  // -0.04 - 0.695i: the centre never escapes; the corner -1 + i escapes at step 0.
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), Color(0x00000000u));
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(0, 0), Color(0xFF000000u));
}

TEST(Julia0Figures, SmallGridLeavesTheFarBandClear) {
  TestWindow w;
  w.mpixcel = 250;  // grid edges land at 375
  w.mn = 0;
  w.QuorixPB5_Action(nullptr);
  auto& s = w.CVBackdrop->RGBSurface();
  EXPECT_EQ(s.Pixel(376, 100), Color(0xFF000000u));
  EXPECT_EQ(s.Pixel(100, 376), Color(0xFF000000u));
  // Every constant has |c|^2 < 2, so the point z0 = 0 (pixel N/2, N/2)
  // survives step 0.
  EXPECT_EQ(s.Pixel(125, 125), Color(0x00000000u));
}

TEST(RenderDraws, JuliaPicksItsConstantBeforeThePalette) {
  // After a Julia render the generator has made exactly 17 draws: one
  // InRange(0, 9), then sixteen InRange(0, 15).
  const uint64_t seed = 12345;
  TestWindow w;
  w.mn = 5;
  fw::System::Random().Seed(seed);
  w.QuorixPB5_Action(nullptr);
  fw::Random replica(seed);
  replica.InRange(0, 9);
  for (int i = 0; i < 16; ++i) replica.InRange(0, 15);
  EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), replica.InRange(0, 1 << 30));

  // And the palette is made of draws 2..17: the pixel that escapes at
  // step 1 (n mod 8 = 1) shows palette(1) of that palette.
  const Palette palette = ExpectedPalette(seed, 0, 1);
  bool sawPaletteOne = false;
  for (int i = 0; i < 500 * 500 && !sawPaletteOne; ++i)
    sawPaletteOne = w.CVBackdrop->Data()[i] == palette[1].value;
  EXPECT_TRUE(sawPaletteOne);
}

TEST(RenderFailures, NilBackdropRaisesAfterThePaletteDraws) {
  TestWindow w;
  w.CVBackdrop.reset();
  fw::System::Random().Seed(5);
  EXPECT_THROW(w.QuorixPB0_Action(nullptr), fw::NilObjectException);
  fw::Random replica(5);
  for (int i = 0; i < 16; ++i) replica.InRange(0, 15);
  EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), replica.InRange(0, 1 << 30));
  EXPECT_EQ(w.ma, -1.0);  // nothing ran after the palette
  EXPECT_EQ(w.canvas.refreshes, 0);

  fw::System::Random().Seed(6);
  EXPECT_THROW(w.QuorixPB5_Action(nullptr), fw::NilObjectException);
  fw::Random replica2(6);
  for (int i = 0; i < 17; ++i) replica2.InRange(0, 15);
  EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), replica2.InRange(0, 1 << 30));
}

TEST(RenderFailures, NilCanvasRaisesAtTheShowStepAfterDrawing) {
  TestWindow w;
  w.hasCanvas = false;
  EXPECT_THROW(w.QuorixPB0_Action(nullptr), fw::NilObjectException);
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), Color(0x00000000u));  // drawn
  EXPECT_EQ(w.ma, 2.0);
}

TEST(RenderState, RendersReuseTheSamePictureAndRedrawWholly) {
  TestWindow w;
  auto picture = w.CVBackdrop;
  w.QuorixPB0_Action(nullptr);
  w.mpixcel = 250;  // a smaller grid must not leave the old picture around it
  w.QuorixPB0_Action(nullptr);
  EXPECT_EQ(w.CVBackdrop, picture);
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(499, 499), Color(0xFF000000u));
  EXPECT_EQ(w.canvas.refreshes, 2);
  EXPECT_TRUE(w.canvas.lastErase);
}

}  // namespace
