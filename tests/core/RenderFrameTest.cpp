// The figures that pin down the two frames' arithmetic (Quorix0 and Julia0),
// their random draws and their failures.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"
#include "render/Frames.h"

namespace {

using fw::Color;

// The palette a render draws right after `draws` other draws from `seed`.
Palette ExpectedPalette(uint64_t seed, int64_t colorSet, int draws) {
  fw::Random r(seed);
  for (int i = 0; i < draws; ++i) r.InRange(0, 9);
  Palette p{};
  const int set = colorSet >= 1 && colorSet <= 4 ? static_cast<int>(colorSet) : 0;
  for (auto& c : p) c = colorsets::Set(set)[static_cast<size_t>(r.InRange(0, 15))];
  return p;
}

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

namespace {

TEST(RenderState, HugeGridSizesComputeOnlyThePicture) {
  // The literal loops would run for ages; the engine computes only the
  // 500 x 500 pixels and must not overflow on the way (UBSan checks).
  for (int64_t n : {INT64_MAX, (int64_t{1} << 53) + 1, int64_t{1} << 40}) {
    TestWindow w;
    w.mpixcel = n;
    w.mn = 20;
    EXPECT_NO_THROW(w.QuorixPB0_Action(nullptr)) << n;
    EXPECT_EQ(w.ma, render::GridCoordinate(n, 4.0, n));
    EXPECT_NO_THROW(w.QuorixPB5_Action(nullptr)) << n;
    EXPECT_EQ(w.canvas.refreshes, 2);
  }
}

}  // namespace
