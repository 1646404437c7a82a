// What the comparisons with the literal loops cannot show: grids far larger
// than the picture, and a missing canvas.
#include <gtest/gtest.h>

#include <cstdint>

#include "framework/core/Runtime.h"
#include "oracle/TestWindow.h"

namespace {

// Huge grids compute only the picture, without overflow on the way, and
// leave the last point in ma, mb as the loops compute it.
TEST(RenderFrames, HugeGridsComputeOnlyThePicture) {
  for (const int64_t mpixcel : {INT64_MAX, (int64_t{1} << 53) + 1, int64_t{1} << 40}) {
    TestWindow w;
    w.mpixcel = mpixcel;
    w.mn = 20;
    EXPECT_NO_THROW(w.QuorixPB0_Action(nullptr)) << mpixcel;
    EXPECT_EQ(w.ma, 2.0) << mpixcel;
    EXPECT_EQ(w.mb, 2.0) << mpixcel;
    EXPECT_NO_THROW(w.QuorixPB5_Action(nullptr)) << mpixcel;
    EXPECT_EQ(w.canvas.refreshes, 2);
  }
}

TEST(RenderFailures, NilCanvasRaisesAtTheShowStepAfterDrawing) {
  TestWindow w;
  w.hasCanvas = false;
  EXPECT_THROW(w.QuorixPB0_Action(nullptr), fw::NilObjectException);
  EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(250, 250), fw::Color(0x00000000u));  // drawn
  EXPECT_EQ(w.ma, 2.0);
}

}  // namespace
